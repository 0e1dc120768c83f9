#pragma once

#include "controls/TreeView.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qv {

class Picture;

// A Qt item model over a HeadlessTreeView, without copying it: an index's internal pointer is
// its HeadlessNode, the row of a node is its place among its siblings (amortised O(1)). One
// column. The model is the tree's view observer while it lives (one model per tree).
//
// Roles: DisplayRole and EditRole the label without markup; DecorationRole the node's image
// (its expanded image while expanded, when it has one) from the tree's image list;
// ForegroundRole the node's ForeColor; FontRole bold for the bold key's row; MarkupRole the label
// as stored; KeyRole the key; AccessibleTextRole the label without markup and
// AccessibleDescriptionRole DescribeRow of the node with the program's facts about its item
// (SetRowFacts), for screen readers.
//
// Drag and drop: mimeData offers the first node's key as kNodeMime (and under every drag
// format the tree registered, as "application/x-quorvel-" + format); dropMimeData turns a drop
// of kNodeMime into HeadlessTreeView::Drag (onto a row: into; between rows: before the row
// below, or after the last row) and a drop of local file URLs into DropFiles on the node dropped
// on (between rows: their parent). The gap below the last row of an open node is also the gap
// below that node (and its ancestors, while each is a last child): a node dragged there goes
// after the one of them that is its sibling, if any. A node dropped into a closed row opens
// it (the user's Expand) and is shown (dropShown). What the drop does is the component's
// business: the model only passes the gesture on. Errors the gestures raise go to the GUI
// error sink.
//
// A filter (SetShown) narrows the rows to the nodes it lists: a node's row is then its place
// among its shown siblings, a node in no list has no index, and every mapping above, drops
// included, counts the rows shown. The tree's changes meanwhile: a shown node that goes leaves
// the rows, and so does one that moves, unless it moves among shown rows (Alt+Up, a drop into
// an open folder): it then shows where it went; a new node stays out; treeChanged tells the
// filter to apply anew.
class TreeModel final : public QAbstractItemModel, private TreeViewObserver {
    Q_OBJECT
public:
    static constexpr const char* kNodeMime = "application/x-quorvel-node";
    static constexpr const char* kFormatMimePrefix = "application/x-quorvel-";
    enum Role { MarkupRole = Qt::UserRole + 1, KeyRole };

    // The tree must outlive the model.
    explicit TreeModel(HeadlessTreeView& tree, QObject* parent = nullptr);
    ~TreeModel() override;

    HeadlessTreeView& Tree() const { return tree_; }
    // What the program knows of a row's item that the tree does not show (read-only, excluded
    // from output), for the row's accessible description.
    using RowFacts = std::function<std::vector<std::string>(const HeadlessNode&)>;
    void SetRowFacts(RowFacts facts) { facts_ = std::move(facts); }
    // The shown children of each node that has some, nullptr standing for the top level, each
    // list in the tree's order.
    using ShownChildren = std::unordered_map<const HeadlessNode*, std::vector<HeadlessNode*>>;
    // Makes only these nodes rows (nullopt: every node again), in one model reset followed by
    // rebuilt. Every shown node's ancestors must be shown.
    void SetShown(std::optional<ShownChildren> shown);
    // The node's children that are rows (nullptr: the top level).
    int32_t RowCountOf(const HeadlessNode* parent) const;
    HeadlessNode* RowAt(const HeadlessNode* parent, int32_t row) const;
    // Whether the view shows the node's children: the tree's Expanded, or any shown child
    // while filtered (the filter opens the folders above its matches) unless the author closed
    // the folder on screen since the filter came on (SetClosedOnScreen).
    bool ExpandedOnScreen(const HeadlessNode& node) const;
    // While filtered: the author closed (or opened again) the folder on screen. A closed one
    // stays closed through the filter's next texts, until the tree expands it or the filter goes.
    void SetClosedOnScreen(const HeadlessNode& node, bool closed);
    // Every node with children, in no particular order. The first read after a reset walks the
    // tree; from then on each change of the tree's nodes updates the list by what it touched
    // (a removal by the folders it took away), so reading it again costs nothing.
    const std::vector<HeadlessNode*>& Folders() const;
    // Column 0; an invalid index for nullptr, a node of another tree or one the filter hides.
    QModelIndex IndexOf(const Node* node) const;
    // nullptr for an invalid index (and while the model is being reset).
    HeadlessNode* NodeOf(const QModelIndex& index) const;
    // Whether the model is passing on a change of the tree right now: a view must not change
    // the tree from the signals it gets meanwhile (selection models move their current row on
    // their own when rows go).
    bool Notifying() const { return notifying_ > 0; }
    // The row of the node with this key is drawn bold (FontRole); "" for none. A mark of the
    // program's own, beside the node's text, image and colour, which stay the tree's.
    void SetBoldKey(const std::string& key);
    const std::string& BoldKey() const { return boldKey_; }
    // Where the drop the view is handing over fell, in twips of its client area; the tree's
    // drag events tell it. The view sets it for the length of its drop, else it is (0, 0).
    void SetDropPoint(float x, float y) {
        dropX_ = x;
        dropY_ = y;
    }
    // The picture under the image key as an icon; a null icon for "" or an unknown key.
    QIcon IconFor(const std::string& imageKey) const;
    static QIcon IconFromPicture(const Picture& picture);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // EditRole on the node whose label edit is open: FinishLabelEdit with the text.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // Editable only while the node's label edit is open; draggable when AllowDrag.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;

Q_SIGNALS:
    // The tree's selection moved (invalid: nothing selected).
    void selectionMoved(const QModelIndex& selected);
    void expansionChanged(const QModelIndex& index, bool expanded);
    // A label edit opened (the index) or closed (invalid).
    void labelEditChanged(const QModelIndex& editing);
    void focusRequested();
    // Enabled, mode, bounds or image list changed.
    void stateChanged();
    // After a reset (Clear, or Redraw back on): expansion, selection and edit must be re-read.
    void rebuilt();
    // A dragged node was dropped and is the selection: the view shows it.
    void dropShown(const QModelIndex& dropped);
    // Nodes came, went or moved, or a label changed, whether their rows show or not.
    void treeChanged();

private:
    struct Guard;

    void NodeAboutToBeInserted(HeadlessNode* parent, int32_t row) override;
    void NodeInserted(HeadlessNode& node) override;
    void NodeAboutToBeRemoved(HeadlessNode& node) override;
    void NodeRemoved(HeadlessNode* parent, int32_t row) override;
    void NodeAboutToBeMoved(HeadlessNode& node, HeadlessNode* newParent,
                            int32_t destination) override;
    void NodeMoved(HeadlessNode& node) override;
    void ChildrenAboutToBeReordered(HeadlessNode* parent) override;
    void ChildrenReordered(HeadlessNode* parent) override;
    void NodeChanged(HeadlessNode& node) override;
    void ExpandedChanged(HeadlessNode& node) override;
    void AboutToBeReset() override;
    void Reset() override;
    void SelectionChanged(HeadlessNode* selected) override;
    void LabelEditChanged(HeadlessNode* editing) override;
    void FocusRequested() override;
    void StateChanged() override;

    QModelIndex IndexOfParent(HeadlessNode* parent) const;
    // The parent's list of shown children; nullptr when it has none.
    const std::vector<HeadlessNode*>* ShownRun(const HeadlessNode* parent) const;
    // -1: not shown.
    int ShownRow(const HeadlessNode& node) const;
    // Takes a shown node's row out; nodes below it lose their lists.
    void BeginUnshow(HeadlessNode& node);
    void EndUnshow();
    // The folder list's upkeep; each is O(1) but DropFolders, which walks the subtree it is given.
    void AddFolder(HeadlessNode& node) const;
    void DropFolder(const HeadlessNode& node);
    void DropFolders(const HeadlessNode& subtree);
    void ForgetFolders();
    // The node a drop of data at (row, parent) goes beside or into; with the dragged node,
    // an ambiguous gap is read at the dragged node's own level.
    HeadlessNode* DropTarget(int row, const QModelIndex& parent, int32_t& relationship,
                             const HeadlessNode* source = nullptr) const;
    HeadlessNode* DraggedNode(const QMimeData& data) const; // nullptr: no node of this tree

    HeadlessTreeView& tree_;
    bool resetting_ = false;  // between the tree's AboutToBeReset and Reset: nothing to read
    bool resetBegun_ = false; // beginResetModel was called for it
    bool moving_ = false;
    int notifying_ = 0;
    QModelIndexList reorderedBefore_;
    std::vector<HeadlessNode*> reorderedNodes_;
    struct CachedIcon {
        std::weak_ptr<const Picture> picture;
        QIcon icon;
    };
    mutable std::unordered_map<std::string, CachedIcon> icons_;
    RowFacts facts_;
    std::string boldKey_;
    float dropX_ = 0, dropY_ = 0;
    std::optional<ShownChildren> shown_;
    mutable std::vector<HeadlessNode*> folders_;
    mutable std::unordered_map<const HeadlessNode*, std::size_t> folderAt_; // place in folders_
    mutable bool foldersRead_ = false;  // folders_ follows the tree; else it is read anew
    HeadlessNode* movedFrom_ = nullptr; // the parent a moving node is leaving
    int movedShownRow_ = -1;            // its row among the shown, when it stays shown
    std::unordered_set<const HeadlessNode*> closedOnScreen_; // few: the author's clicks
    // The last list ShownRun found: a layout asks for the rows of one parent in a row.
    mutable const HeadlessNode* runParent_ = nullptr;
    mutable const std::vector<HeadlessNode*>* run_ = nullptr;
    // A shown node on its way out: its parent, its row, the nodes below it with lists.
    struct Unshowing {
        const HeadlessNode* parent;
        int row;
        std::vector<const HeadlessNode*> lists;
    };
    std::optional<Unshowing> unshowing_;
};

} // namespace qv
