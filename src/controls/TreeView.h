#pragma once

#include "contracts/Subscription.h"
#include "contracts/Surface.h"
#include "contracts/TreeView.h"
#include "controls/NodeKeyIndex.h"
#include "controls/SinkList.h"
#include "controls/TreeNode.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class HeadlessTreeView;
class HeadlessImageList;

// What a view of a HeadlessTreeView is told so that it can show the tree without copying it.
// Guarantees:
// - calls come on the tree's thread, in the order of the changes, each change told once;
// - an "about to" call comes while the tree still has its old shape, its partner once the tree
//   is consistent with the change; nothing else happens to the tree in between;
// - a parent of nullptr means the top level; rows are the places among the siblings;
// - while Redraw is false nothing is told: SetRedraw(false) tells AboutToBeReset and
//   SetRedraw(true) tells Reset, after which the view re-reads everything (expansion,
//   selection, label edit included). Clear tells the same pair;
// - the observer must not change the tree from inside a call (it may read it).
// With no observer set a change costs one test of a pointer.
class TreeViewObserver {
public:
    virtual void NodeAboutToBeInserted(HeadlessNode* /*parent*/, int32_t /*row*/) {}
    virtual void NodeInserted(HeadlessNode& /*node*/) {}
    // The node and its subtree are still in place.
    virtual void NodeAboutToBeRemoved(HeadlessNode& /*node*/) {}
    virtual void NodeRemoved(HeadlessNode* /*parent*/, int32_t /*row*/) {}
    // destination: the row in newParent counted as if the node were still in its old place (a
    // move never is a no-op: a node that would stay put is not told).
    virtual void NodeAboutToBeMoved(HeadlessNode& /*node*/, HeadlessNode* /*newParent*/,
                                    int32_t /*destination*/) {}
    virtual void NodeMoved(HeadlessNode& /*node*/) {}
    // A sorted parent orders all its children at once.
    virtual void ChildrenAboutToBeReordered(HeadlessNode* /*parent*/) {}
    virtual void ChildrenReordered(HeadlessNode* /*parent*/) {}
    // Text, key, images or colour.
    virtual void NodeChanged(HeadlessNode& /*node*/) {}
    virtual void ExpandedChanged(HeadlessNode& /*node*/) {}
    virtual void AboutToBeReset() {}
    virtual void Reset() {}
    // The selected node is already the new one (nullptr: none).
    virtual void SelectionChanged(HeadlessNode* /*selected*/) {}
    // A label edit opened on the node, or closed (nullptr).
    virtual void LabelEditChanged(HeadlessNode* /*editing*/) {}
    // SetFocus was called: the view should take the keyboard focus.
    virtual void FocusRequested() {}
    // Enabled, Mode, HideSelection, FullRowSelect, bounds or image list changed.
    virtual void StateChanged() {}

protected:
    ~TreeViewObserver() = default;
};

// The node collection of a HeadlessTreeView; a thin view onto the tree. It outlives the tree
// only as an empty shell whose members raise 35605.
class HeadlessNodes final : public Nodes {
public:
    explicit HeadlessNodes(HeadlessTreeView* tree) : tree_(tree) {}

    std::string TypeName() const override { return "Nodes"; }
    // All nodes in whole-tree order.
    bool Enumerate(std::vector<Variant>& elements) const override;
    bool Contains(const std::string& key) const override;
    Node* ItemOrNull(std::string_view key) const override;

    Node* Add(Node* relative, int32_t relationship, const std::string& key, const std::string& text,
              const std::string& image = {}) override;
    Node* Add(const std::string& relativeKey, int32_t relationship, const std::string& key,
              const std::string& text, const std::string& image = {}) override;
    int32_t Count() const override;
    Node& Item(const std::string& key) const override;
    void Remove(const std::string& key) override;
    void Clear() override;
    Node* First() const override;
    void Reserve(std::size_t count) override;
    void Prefetch(std::string_view key) const override;

private:
    friend class HeadlessTreeView;
    HeadlessTreeView& Tree() const;

    HeadlessTreeView* tree_;
};

// The headless tree view. Keys are case-sensitive and unique among non-empty keys; a node may
// have the empty key, which is not indexed (Item("") fails). Rules the contract leaves open:
// - a non-empty image key must be in the image list set with SetImageList; with no image list
//   every non-empty image key is refused (35601);
// - a new node has AllowDrop 7 (into, before and after), AllowDrag true, ForeColor -1;
// - a Sorted parent orders its children: Tag "FileSystemFolder" first, then by Text in natural,
//   case-insensitive order (NaturalCompareNoCase); equal texts keep the order they arrived in
//   (a node whose Text or Tag changes arrives anew). The top level is never sorted;
// - NodeClicked is raised whenever the selection moves to another node, whoever moved it
//   (SetSelectedItem, Node::SetSelected, Click, removal of the selected node, a collapse by the
//   user that hides it). Moving the selection to none raises nothing; neither does Clear. A node
//   the tree moves itself (a built-in move, a drag) stays selected and gets NodeClicked again
//   once the move is done, so that whoever describes the selection sees its new place;
// - Mode 0 locks the tree against the user, 2 (or any other value) leaves it editable. Locked,
//   it opens no label edit, adds no sibling, runs none of its built-in commands
//   (CanExecuteCommand is false for all of them), starts no drag and accepts no drop, whatever
//   key, mouse gesture or call asks; locking closes an open label edit without committing. Its
//   owner's changes through Nodes and nodes (add, remove, clear, parent, text, image ...) go on
//   as ever;
// - Node::SetParent and the other programmatic changes raise no events; the built-in commands
//   (ExecuteCommand) raise theirs;
// - node pointers that do not belong to this tree are refused with error 5; unknown keys with
//   35601; a built-in command that cannot run now (CanExecuteCommand false) does nothing.
// Every operation validates before it changes anything, and events are raised once the tree is
// consistent, so a handler that throws leaves a valid tree; its exception reaches the caller.
class HeadlessTreeView final : public TreeView {
public:
    HeadlessTreeView();
    ~HeadlessTreeView() override;
    HeadlessTreeView(const HeadlessTreeView&) = delete;
    HeadlessTreeView& operator=(const HeadlessTreeView&) = delete;

    std::string TypeName() const override { return "TreeView"; }

    qv::Nodes& Nodes() override { return *nodes_; }
    Node* SelectedItem() const override { return selected_; }
    void SetSelectedItem(Node* node) override;
    Node* DropHighlight() const override { return dropHighlight_; }
    void SetDropHighlight(Node* node) override;
    int64_t hWnd() const override { return hWnd_; }
    void SetRedraw(bool value) override;
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool value) override;
    // The control surface the tree stands on (nullptr: none); it must outlive the tree.
    void SetParentSurface(const Surface* surface) { surface_ = surface; }
    // Whether the user's gestures reach the tree: it and its surface are both enabled. Every
    // gesture (Click ... MouseUp below) does nothing while this is False.
    bool TakesInput() const { return enabled_ && (!surface_ || surface_->Enabled()); }
    // Not owned: the list must outlive the tree or be cleared first. Nodes keep their image keys
    // when the list changes.
    void SetImageList(ImageList* images) override;
    // Makes format the drag format and registers it if new.
    void SetOLEDragFormat(const std::string& format) override;
    void SetFullRowSelect(bool value) override;
    void SetHideSelection(bool value) override;
    int32_t Mode() const override { return mode_; }
    void SetMode(int32_t value) override;
    // Mode 0: no gesture of the user may edit the tree.
    bool Locked() const { return mode_ == 0; }
    // Counts the request (LabelEditRequests) and, with a node selected in an unlocked tree,
    // raises BeforeLabeleEdit; unless cancelled the label edit of that node is open. An edit
    // already open is cancelled first. Without a selection nothing happens.
    void StartLabelEdit() override;
    // Built-in commands "DeleteItem", "MoveUp", "MoveDown", "MoveLeft", "MoveRight" (names
    // compared without regard to ASCII case) on the selected node; an unknown name raises 5.
    void ExecuteCommand(const std::string& name) override;
    bool CommandEnabled(const std::string& name) const override; // 5 for an unknown name
    void SetCommandEnabled(const std::string& name, bool value) override;
    bool CanExecuteCommand(const std::string& name) const override; // false for unknown names
    // x and y in twips of the client area. While a view that draws the rows answers
    // (viewHitTest, with Redraw on), its answer: the node drawn there. Otherwise rows are the
    // visible nodes (every ancestor expanded) in whole-tree order, RowHeight twips each,
    // starting at TopRow. Outside the rows: nullptr.
    Node* HitTest(float x, float y) const override;
    void SetFocus() override;
    void Move(int32_t left, int32_t top, int32_t width, int32_t height) override;
    void ZOrder(int32_t position) override { zOrder_ = position; }

    // Sinks added while an event is being raised do not receive that event; a sink may
    // unsubscribe at any time, also from inside a handler.
    Subscription Subscribe(TreeViewEvents& sink) override;

    // --- Beyond the contract: for loads, hosts and tests. ---
    static constexpr int32_t RowHeight = 240; // 16 pixels of 15 twips

    // The one view observer (nullptr: none); not owned, it must stay alive while set.
    void SetObserver(TreeViewObserver* observer) { observer_ = observer; }
    TreeViewObserver* Observer() const { return observer_; }
    int32_t TopLevelCount() const { return static_cast<int32_t>(root_->Kids().Size()); }
    HeadlessNode* TopLevelAt(int32_t row) const { return root_->ChildAt(row); }

    // Room for this many keyed nodes without growing the key index (also Nodes().Reserve).
    void Reserve(std::size_t nodes);
    // The user's gestures: a click selects the node (NodeClicked when the selection moves); a
    // double click first selects the node, as its first click would, then raises
    // NodeDoubleClicked. nullptr (a click beside every node) does nothing.
    void Click(Node* node);
    void DoubleClick(Node* node);
    // The user's expander (and any other expand or collapse of the user's: the keys, a double
    // click); nullptr does nothing. When a collapse hides the selection, the collapsed node
    // becomes the selection (NodeClicked), so that no command or key acts on a row the user
    // cannot see; collapsing a node that is collapsed already moves nothing. Node::SetExpanded
    // is the owner's way and leaves the selection where it is.
    void Expand(Node* node);
    void Collapse(Node* node);
    // Asked before DeleteItem removes a node when no handler set NoPrompt; false keeps the node.
    // Empty: proceed without asking.
    std::function<bool(Node&)> confirmDelete;
    // Set by a view whose rows differ from RowHeight rows from TopRow (taller rows, another
    // font): the node it draws at (x, y) twips of the client area, nullptr for none. It is
    // asked only while Redraw is on, when the view follows the tree.
    std::function<Node*(float x, float y)> viewHitTest;

    // Label editing. The edit closes when its node leaves the tree, when the selection moves to
    // another node and when the tree loses the focus. FinishLabelEdit closes the edit, raises
    // AfterLabelEdit (whose handler may change text) and then sets the node's Text to text; it
    // does nothing while no edit is open. CancelLabelEdit closes without events.
    bool LabelEditOpen() const { return editing_ != nullptr; }
    Node* EditingNode() const { return editing_; }
    void FinishLabelEdit(std::string text);
    void CancelLabelEdit() { SetEditing(nullptr); }
    // The Insert key: with a node S selected in an unlocked tree, raises BeforeAddSibling(S, key
    // "new:<n>" (unused in the tree), text "New Item", S's images); unless cancelled adds the node
    // right after S (its sorted place under a sorted parent), raises AfterAddSibling, selects the
    // new node (NodeClicked) and opens its label edit (BeforeLabeleEdit). A key or image the
    // handler chose that the tree refuses raises 35602 / 35601 and adds nothing.
    void AddSibling();
    // A drag of source onto target inside the tree; relationship rel::Child (into),
    // rel::Previous (before) or rel::Last (after), else error 5. Selects source (Click), then
    // raises OLEStartDrag (allowed effects start 0: left 0, source->AllowDrag() false or the tree
    // locked, and no drag starts), NodeBeforeDropHighlight (proposed relationship; the handler is
    // expected to set target->AllowDrop, which alone decides), OLEDragOver (effect starts 2;
    // DropHighlight becomes target unless it ends 0). The drop happens when the effect is not 0,
    // the target's AllowDrop has the bit of the position (into 1, before 2, after 4) and the target
    // is not source or below it: OLESetData for each format announced with an Empty value, then
    // into: BeforeSetParent / AfterSetParent; before or after: Before/AfterSetParent when the
    // parent changes, then NodeMoved (under a sorted parent the node keeps its sorted place).
    // Finally NodeClicked again for source when it moved, then OLECompleteDrag with the effect (0
    // when nothing dropped); DropHighlight is cleared, also when a handler throws. (x, y): where
    // the drop fell, in twips of the client area, as OLEDragOver tells it.
    void Drag(Node* source, Node* target, int32_t relationship, float x = 0, float y = 0);
    // Files dropped from outside on target (nullptr or a locked tree: nothing):
    // NodeBeforeDropHighlight (relationship 4), OLEDragOver (effect starts 1); with the effect not
    // 0 and target's AllowDrop bit 1, DropHighlight is target while ExternalOLEDragDrop runs.
    // (x, y) as for Drag, told by both events.
    void DropFiles(Node* target, std::vector<std::string> files, float x = 0, float y = 0);
    // ContextMenu at client (x, y); the screen point adds the tree's Bounds origin.
    void RightClick(float x = 0, float y = 0);
    // Raises KeyDown; unless a handler zeroed the code the tree acts on it: during a label edit
    // Enter commits the text unchanged and Escape cancels; otherwise Insert is AddSibling and
    // Delete runs "DeleteItem" when it can.
    void KeyDown(int16_t keyCode, int16_t shift);
    void KeyUp(int16_t keyCode, int16_t shift);
    // Cancels an open label edit, drops the focus, then raises LostFocus.
    void LoseFocus();
    void MouseUp(float x, float y, int16_t button, int16_t shift);

    bool Redraw() const { return redraw_; }
    ImageList* Images() const { return images_; }
    const std::string& OLEDragFormat() const { return dragFormat_; }
    // Every format ever set, first-set first.
    const std::vector<std::string>& RegisteredDragFormats() const { return dragFormats_; }
    bool FullRowSelect() const { return fullRowSelect_; }
    bool HideSelection() const { return hideSelection_; }
    bool HasFocus() const { return focused_; }
    void SetHasFocus(bool value) { focused_ = value; }
    void SetHWnd(int64_t handle) { hWnd_ = handle; }
    struct Rect {
        int32_t left = 0, top = 0, width = 0, height = 0;
    };
    const Rect& Bounds() const { return bounds_; }
    int32_t ZOrderPosition() const { return zOrder_; }
    int32_t LabelEditRequests() const { return labelEditRequests_; }
    int32_t TopRow() const { return topRow_; }
    void SetTopRow(int32_t row) { topRow_ = row < 0 ? 0 : row; }
    // Number of visible nodes (the rows HitTest answers for).
    int32_t VisibleRows() const;
    // Number of keys in the index; equals the number of nodes with a non-empty key.
    std::size_t IndexedKeyCount() const { return index_.Size(); }

private:
    friend class HeadlessNode;
    friend class HeadlessNodes;

    enum class Command { DeleteItem, MoveUp, MoveDown, MoveLeft, MoveRight, Count };

    // View notifications (nothing without an observer or while Redraw is false).
    bool Observed() const { return observer_ && redraw_; }
    HeadlessNode* ViewParent(HeadlessNode& parent) const {
        return parent.isRoot_ ? nullptr : &parent;
    }
    void NotifyChanged(HeadlessNode& node) {
        if (Observed()) observer_->NodeChanged(node);
    }
    void NotifyExpanded(HeadlessNode& node) {
        if (Observed()) observer_->ExpandedChanged(node);
    }
    void NotifyState() {
        if (Observed()) observer_->StateChanged();
    }
    void SetEditing(HeadlessNode* node);

    // Collection operations.
    HeadlessNode* AddNode(HeadlessNode* relative, int32_t relationship, const std::string& key,
                          const std::string& text, const std::string& image);
    HeadlessNode* FindKey(const std::string& key) const; // 35601 when unknown
    void ClearNodes();

    // Node operations.
    HeadlessNode* Own(Node* node) const;            // this tree's node, else error 5
    uint32_t ImageId(const std::string& key) const; // validated against the image list
    void Rekey(HeadlessNode& node, const std::string& key);
    // Under a sorted parent the node takes its sorted place, else it goes just before `before`
    // (nullptr: at the end).
    void Reparent(HeadlessNode& node, HeadlessNode& parent, HeadlessNode* before);
    void RemoveNode(HeadlessNode& node);
    void Replace(HeadlessNode& node); // after its Text or Tag changed
    void SortChildren(HeadlessNode& parent);
    void Select(HeadlessNode* node);
    // before: the child the new node goes in front of (nullptr: at the end); a sorted parent
    // puts it in its sorted place instead.
    HeadlessNode* Insert(HeadlessNode& parent, HeadlessNode* before, const std::string& key,
                         const std::string& text, const std::string& image,
                         const std::string& expandedImage);
    void OpenLabelEdit(HeadlessNode& node);
    bool Attached(const HeadlessNode& node) const { return node.Tree() == this; }
    static bool Within(const HeadlessNode* node, const HeadlessNode& ancestor);
    // Carries out an accepted drop; bit is the drop:: position. True when it raised a move event
    // (AfterSetParent or NodeMoved).
    bool DropTreeNode(HeadlessNode& node, HeadlessNode& target, int32_t bit);
    // After a move of the tree's own: NodeClicked again for the node if it is still the
    // selection.
    void ClickedAgain(HeadlessNode& node);

    // Child lists.
    // The child of a sorted parent that the node sorts just before among the other children
    // (nullptr: at the end); equal texts keep their order, so the node goes after its equals.
    // While nobody is told rows, the end, and the parent sorts its children when next read.
    HeadlessNode* SortedPlace(HeadlessNode& parent, HeadlessNode& node);
    // Whether a sorted parent may take a child at its end and sort later: during a load (Redraw
    // off) nobody is told rows, and SetRedraw(true) puts every such parent in order at once.
    bool Deferred(const HeadlessNode& parent) const { return parent.sorted_ && !redraw_; }
    // Records that a sorted parent took a child out of order.
    void OrderPending(HeadlessNode& parent);
    // The children in sorted order (stable: equal texts keep their order), in time linear in the
    // length of their texts.
    static std::vector<HeadlessNode*> SortedChildren(const HeadlessNode& parent);
    void SortPending(HeadlessNode& parent) const;
    // Moves a child of the tree to just before `before` among parent's children (nullptr: at the
    // end), telling the observer; a node that would stay where it is does not move.
    void MoveChild(HeadlessNode& node, HeadlessNode& parent, HeadlessNode* before);
    void InsertChild(HeadlessNode& parent, std::shared_ptr<HeadlessNode> node,
                     HeadlessNode* before);
    std::shared_ptr<HeadlessNode> TakeChild(HeadlessNode& node);
    std::vector<std::shared_ptr<HeadlessNode>> TakeChildren(HeadlessNode& parent);
    // The row of before among parent's children (its count for nullptr).
    static int32_t RowOf(const HeadlessNode& parent, const HeadlessNode* before);
    // HeadlessNode::ChildAt of an attached node.
    HeadlessNode* ChildAt(const HeadlessNode& parent, int32_t row) const;
    void ForgetCursors() const { cursors_.fill({}); }
    // Cuts every link of a subtree taken out of the tree; returns its node count.
    std::size_t Detach(std::shared_ptr<HeadlessNode> subtree, bool unindex);
    HeadlessNode* Top() const; // the first top-level node

    // Commands.
    static Command ParseCommand(const std::string& name); // 5 when unknown
    bool CanExecute(Command command) const;
    void MoveAmongSiblings(HeadlessNode& node, bool up);
    void MoveToNewParent(HeadlessNode& node, bool left);
    void DeleteSelected(HeadlessNode& node);

    std::shared_ptr<HeadlessNodes> nodes_;
    std::shared_ptr<HeadlessTreeRoot> root_; // hidden; its children are the top-level nodes
    // Views read a parent's children by rising row, several parents interleaved: a few cursors
    // make each such read O(1). Any change of a child list forgets them.
    struct ChildCursor {
        const HeadlessNode* parent = nullptr;
        std::size_t row = 0;
        HeadlessNode* child = nullptr;
    };
    mutable std::array<ChildCursor, 4> cursors_{};
    mutable std::size_t nextCursor_ = 0;
    // Sorted parents that took children out of order while Redraw was off (held, so that one
    // removed meanwhile is still safe to look at).
    std::vector<std::shared_ptr<HeadlessNode>> pendingOrder_;
    NodeKeyIndex index_;
    std::size_t count_ = 0;
    HeadlessNode* selected_ = nullptr;
    HeadlessNode* dropHighlight_ = nullptr;
    HeadlessNode* editing_ = nullptr; // the node whose label edit is open
    uint64_t nextNewKey_ = 1;
    SinkList<TreeViewEvents> sinks_;
    TreeViewObserver* observer_ = nullptr;
    const Surface* surface_ = nullptr;
    std::array<bool, static_cast<std::size_t>(Command::Count)> commandEnabled_;

    ImageList* images_ = nullptr;
    // images_ when it is the headless list, which gives a key's id in the lookup that checks it.
    HeadlessImageList* headlessImages_ = nullptr;
    int64_t hWnd_;
    bool redraw_ = true;
    bool enabled_ = true;
    bool fullRowSelect_ = false;
    bool hideSelection_ = true;
    bool focused_ = false;
    int32_t mode_ = 2;
    int32_t zOrder_ = 0;
    int32_t topRow_ = 0;
    int32_t labelEditRequests_ = 0;
    Rect bounds_;
    std::string dragFormat_;
    std::vector<std::string> dragFormats_;
};

} // namespace qv
