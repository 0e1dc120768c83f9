#include "controls/TreeView.h"

#include "contracts/Error.h"
#include "contracts/ImageList.h"
#include "controls/DataObject.h"
#include "controls/ImageKeyTable.h"
#include "controls/NaturalCompare.h"

#include <algorithm>
#include <atomic>
#include <string_view>

namespace qv {

namespace {

[[noreturn]] void InvalidArgument() {
    throw Error(err::InvalidArgument, "Invalid procedure call or argument");
}
[[noreturn]] void NotFound() {
    throw Error(err::ElementNotFound, "Element not found");
}
[[noreturn]] void NotUnique() {
    throw Error(err::KeyNotUnique, "Key is not unique in collection");
}

// Window handles of headless trees: distinct, non-zero, never a real window's.
std::atomic<int64_t> nextHandle{0x7E0010};

constexpr std::string_view kCommandNames[] = {"DeleteItem", "MoveUp", "MoveDown", "MoveLeft",
                                              "MoveRight"};

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

// Order under a sorted parent.
bool SortsBefore(const HeadlessNode& a, const HeadlessNode& b) {
    if (a.IsFileSystemFolder() != b.IsFileSystemFolder()) return a.IsFileSystemFolder();
    return NaturalCompareNoCase(a.TextRef(), b.TextRef()) < 0;
}

struct NodeBeforeChild {
    bool operator()(const HeadlessNode& value, const std::shared_ptr<HeadlessNode>& child) const {
        return SortsBefore(value, *child);
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// HeadlessNodes

HeadlessTreeView& HeadlessNodes::Tree() const {
    if (!tree_) throw Error(35605, "Control has been deleted");
    return *tree_;
}

bool HeadlessNodes::Enumerate(std::vector<Variant>& elements) const {
    if (!tree_) return true;
    for (Node* n = First(); n; n = n->NextNode())
        elements.emplace_back(n->shared_from_this());
    return true;
}

bool HeadlessNodes::Contains(const std::string& key) const {
    return tree_ && !key.empty() && tree_->index_.Find(key) != nullptr;
}

Node* HeadlessNodes::Add(Node* relative, int32_t relationship, const std::string& key,
                         const std::string& text, const std::string& image) {
    HeadlessTreeView& tree = Tree();
    return tree.AddNode(relative ? tree.Own(relative) : nullptr, relationship, key, text, image);
}

Node* HeadlessNodes::Add(const std::string& relativeKey, int32_t relationship,
                         const std::string& key, const std::string& text,
                         const std::string& image) {
    HeadlessTreeView& tree = Tree();
    HeadlessNode* relative = relativeKey.empty() ? nullptr : tree.FindKey(relativeKey);
    return tree.AddNode(relative, relationship, key, text, image);
}

int32_t HeadlessNodes::Count() const {
    return static_cast<int32_t>(Tree().count_);
}

Node& HeadlessNodes::Item(const std::string& key) const {
    return *Tree().FindKey(key);
}

void HeadlessNodes::Remove(const std::string& key) {
    HeadlessTreeView& tree = Tree();
    tree.RemoveNode(*tree.FindKey(key));
}

void HeadlessNodes::Clear() {
    Tree().ClearNodes();
}

Node* HeadlessNodes::First() const {
    return Tree().Top();
}

void HeadlessNodes::Reserve(std::size_t count) {
    Tree().Reserve(count);
}

// ---------------------------------------------------------------------------------------------
// HeadlessTreeView: life

HeadlessTreeView::HeadlessTreeView()
    : nodes_(std::make_shared<HeadlessNodes>(this)),
      root_(std::make_shared<HeadlessNode>(this, std::string(), std::string())),
      hWnd_(nextHandle.fetch_add(4)) {
    root_->isRoot_ = true;
    root_->expanded_ = true;
    commandEnabled_.fill(true);
}

HeadlessTreeView::~HeadlessTreeView() {
    nodes_->tree_ = nullptr;
    std::vector<std::shared_ptr<HeadlessNode>> top;
    top.swap(root_->children_);
    for (auto& node : top)
        Detach(std::move(node), false);
    root_->tree_ = nullptr;
}

HeadlessNode* HeadlessTreeView::Top() const {
    const auto& top = root_->children_;
    return top.empty() ? nullptr : top.front().get();
}

void HeadlessTreeView::Reserve(std::size_t nodes) {
    index_.Reserve(nodes);
}

// ---------------------------------------------------------------------------------------------
// Collection operations

HeadlessNode* HeadlessTreeView::AddNode(HeadlessNode* rel, int32_t relationship,
                                        const std::string& key, const std::string& text,
                                        const std::string& image) {
    HeadlessNode* parent = nullptr;
    std::size_t position = 0;
    switch (relationship) {
    case rel::Last:
        if (rel) InvalidArgument();
        parent = root_.get();
        position = parent->children_.size();
        break;
    case rel::Previous:
        if (!rel) InvalidArgument();
        parent = rel->parent_;
        position = rel->Position();
        break;
    case rel::Child:
        if (!rel) InvalidArgument();
        parent = rel;
        position = parent->children_.size();
        break;
    default:
        InvalidArgument();
    }

    return Insert(*parent, position, key, text, image, {});
}

HeadlessNode* HeadlessTreeView::Insert(HeadlessNode& parent, std::size_t position,
                                       const std::string& key, const std::string& text,
                                       const std::string& image, const std::string& expandedImage) {
    std::size_t hash = 0;
    if (!key.empty()) {
        hash = NodeKeyIndex::Hash(key);
        if (index_.Find(key, hash)) NotUnique();
    }
    const uint32_t imageId = ImageId(image);
    const uint32_t expandedId = ImageId(expandedImage);

    auto node = std::make_shared<HeadlessNode>(this, key, text);
    node->image_ = imageId;
    node->expandedImage_ = expandedId;
    if (parent.sorted_) position = SortedPosition(parent, *node);
    if (!key.empty()) index_.Reserve(index_.Size() + 1); // the insert below cannot fail then
    HeadlessNode* added = node.get();
    const bool told = Observed();
    if (told) observer_->NodeAboutToBeInserted(ViewParent(parent), static_cast<int32_t>(position));
    InsertChild(parent, std::move(node), position);
    if (!key.empty()) index_.Insert(added, hash);
    ++count_;
    if (told) observer_->NodeInserted(*added);
    return added;
}

HeadlessNode* HeadlessTreeView::FindKey(const std::string& key) const {
    HeadlessNode* node = key.empty() ? nullptr : index_.Find(key);
    if (!node) NotFound();
    return node;
}

void HeadlessTreeView::ClearNodes() {
    const bool told = Observed();
    if (told) observer_->AboutToBeReset();
    selected_ = nullptr;
    editing_ = nullptr;
    dropHighlight_ = nullptr;
    std::vector<std::shared_ptr<HeadlessNode>> top;
    top.swap(root_->children_);
    index_.Clear();
    count_ = 0;
    for (auto& node : top)
        Detach(std::move(node), false);
    if (told) observer_->Reset();
}

// ---------------------------------------------------------------------------------------------
// Node operations

HeadlessNode* HeadlessTreeView::Own(Node* node) const {
    auto* own = dynamic_cast<HeadlessNode*>(node);
    if (!own || own->tree_ != this || own->isRoot_) InvalidArgument();
    return own;
}

uint32_t HeadlessTreeView::ImageId(const std::string& key) const {
    if (key.empty()) return 0;
    if (!images_ || !images_->Contains(key)) NotFound();
    return InternImageKey(key);
}

void HeadlessTreeView::Rekey(HeadlessNode& node, const std::string& key) {
    std::size_t hash = 0;
    if (!key.empty()) {
        hash = NodeKeyIndex::Hash(key);
        if (index_.Find(key, hash)) NotUnique();
        index_.Reserve(index_.Size() + 1);
    }
    std::string copy = key;
    if (!node.key_.empty()) index_.Erase(node.key_);
    node.key_.swap(copy);
    if (!key.empty()) index_.Insert(&node, hash);
}

void HeadlessTreeView::Reparent(HeadlessNode& node, HeadlessNode& parent, std::size_t position) {
    for (const HeadlessNode* p = &parent; p && !p->isRoot_; p = p->parent_)
        if (p == &node) InvalidArgument();                 // under itself or its own descendant
    parent.children_.reserve(parent.children_.size() + 1); // the insert after the take is safe
    // The place is worked out before anything moves, counted as after the take, so that a view
    // can be told beforehand.
    std::size_t target = 0;
    if (node.parent_ == &parent) {
        const std::size_t at = node.Position();
        if (parent.sorted_) {
            const std::size_t r = SortedPosition(parent, node); // counted with the node in place
            target = r > at ? r - 1 : r;
        } else {
            target = std::min(position, parent.children_.size() - 1);
        }
    } else {
        target = parent.sorted_ ? SortedPosition(parent, node)
                                : std::min(position, parent.children_.size());
    }
    const bool told = NotifyAboutToMove(node, parent, target);
    std::shared_ptr<HeadlessNode> self = TakeChild(node);
    InsertChild(parent, std::move(self), target);
    if (told) observer_->NodeMoved(node);
}

bool HeadlessTreeView::NotifyAboutToMove(HeadlessNode& node, HeadlessNode& parent,
                                         std::size_t position) {
    if (!Observed()) return false;
    std::size_t destination = position;
    if (node.parent_ == &parent) {
        const std::size_t at = node.Position();
        if (position == at) return false;
        if (position > at) destination = position + 1;
    }
    observer_->NodeAboutToBeMoved(node, ViewParent(parent), static_cast<int32_t>(destination));
    return true;
}

void HeadlessTreeView::SetEditing(HeadlessNode* node) {
    if (node == editing_) return;
    editing_ = node;
    if (Observed()) observer_->LabelEditChanged(node);
}

void HeadlessTreeView::RemoveNode(HeadlessNode& node) {
    auto inSubtree = [&node](const HeadlessNode* n) { return Within(n, node); };
    const bool takesSelection = inSubtree(selected_);
    HeadlessNode* successor = nullptr;
    if (takesSelection) {
        HeadlessNode* parent = node.parent_;
        if (auto* next = node.NextSibling())
            successor = static_cast<HeadlessNode*>(next);
        else if (auto* previous = node.PreviousSibling())
            successor = static_cast<HeadlessNode*>(previous);
        else if (!parent->isRoot_)
            successor = parent;
    }
    if (inSubtree(dropHighlight_)) dropHighlight_ = nullptr;
    if (inSubtree(editing_)) SetEditing(nullptr);

    HeadlessNode* parent = node.parent_;
    const auto row = static_cast<int32_t>(node.Position());
    if (Observed()) observer_->NodeAboutToBeRemoved(node);
    std::shared_ptr<HeadlessNode> self = TakeChild(node);
    count_ -= Detach(self, true);
    if (Observed()) observer_->NodeRemoved(ViewParent(*parent), row);
    if (takesSelection) {
        selected_ = nullptr;
        if (!successor && Observed()) observer_->SelectionChanged(nullptr);
        Select(successor);
    }
}

void HeadlessTreeView::Replace(HeadlessNode& node) {
    HeadlessNode& parent = *node.parent_;
    auto& v = parent.children_;
    const auto at = v.begin() + node.Position();
    if (at != v.begin() && SortsBefore(node, **(at - 1))) {
        auto to = std::upper_bound(v.begin(), at, node, NodeBeforeChild{});
        const bool told = Observed();
        if (told)
            observer_->NodeAboutToBeMoved(node, ViewParent(parent),
                                          static_cast<int32_t>(to - v.begin()));
        std::rotate(to, at, at + 1);
        parent.ChildrenMovedFrom(static_cast<std::size_t>(to - v.begin()));
        if (told) observer_->NodeMoved(node);
    } else {
        auto to = std::upper_bound(at + 1, v.end(), node, NodeBeforeChild{});
        const bool told = Observed() && to != at + 1;
        if (told)
            observer_->NodeAboutToBeMoved(node, ViewParent(parent),
                                          static_cast<int32_t>(to - v.begin()));
        std::rotate(at, at + 1, to);
        parent.ChildrenMovedFrom(static_cast<std::size_t>(at - v.begin()));
        if (told) observer_->NodeMoved(node);
    }
}

void HeadlessTreeView::SortChildren(HeadlessNode& parent) {
    const bool told = Observed();
    if (told) observer_->ChildrenAboutToBeReordered(ViewParent(parent));
    std::stable_sort(parent.children_.begin(), parent.children_.end(),
                     [](const auto& a, const auto& b) { return SortsBefore(*a, *b); });
    parent.ChildrenMovedFrom(0);
    if (told) observer_->ChildrenReordered(ViewParent(parent));
}

void HeadlessTreeView::Select(HeadlessNode* node) {
    if (node == selected_) return;
    selected_ = node;
    if (editing_ != node) SetEditing(nullptr);
    if (Observed()) observer_->SelectionChanged(node);
    if (!node) return;
    std::shared_ptr<HeadlessNode> hold = node->Self();
    sinks_.Raise([node](TreeViewEvents& sink) { sink.NodeClicked(node); });
}

void HeadlessTreeView::SetSelectedItem(Node* node) {
    Select(node ? Own(node) : nullptr);
}

void HeadlessTreeView::SetDropHighlight(Node* node) {
    dropHighlight_ = node ? Own(node) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Child lists

std::size_t HeadlessTreeView::SortedPosition(const HeadlessNode& parent,
                                             const HeadlessNode& node) const {
    const auto& v = parent.children_;
    if (v.empty() || !SortsBefore(node, *v.back())) return v.size(); // loads often come in order
    return static_cast<std::size_t>(std::upper_bound(v.begin(), v.end(), node, NodeBeforeChild{}) -
                                    v.begin());
}

void HeadlessTreeView::InsertChild(HeadlessNode& parent, std::shared_ptr<HeadlessNode> node,
                                   std::size_t position) {
    HeadlessNode& added = *node;
    parent.children_.insert(parent.children_.begin() + static_cast<std::ptrdiff_t>(position),
                            std::move(node));
    added.parent_ = &parent;
    added.position_ = static_cast<uint32_t>(position);
    // The nodes behind it moved up one place; their old positions are all >= position.
    if (position + 1 < parent.children_.size()) parent.ChildrenMovedFrom(position);
}

std::shared_ptr<HeadlessNode> HeadlessTreeView::TakeChild(HeadlessNode& node) {
    HeadlessNode& parent = *node.parent_;
    const std::size_t at = node.Position();
    std::shared_ptr<HeadlessNode> self = std::move(parent.children_[at]);
    parent.children_.erase(parent.children_.begin() + static_cast<std::ptrdiff_t>(at));
    parent.ChildrenMovedFrom(at);
    node.parent_ = nullptr;
    node.position_ = 0;
    return self;
}

std::size_t HeadlessTreeView::Detach(std::shared_ptr<HeadlessNode> subtree, bool unindex) {
    // Flattened rather than recursive, so depth costs no stack. Deepest nodes are cut loose
    // first: a parent's child list is cleared only once its children have no children left, so
    // each node that nobody else holds dies alone, without a cascade.
    std::vector<HeadlessNode*> all{subtree.get()};
    for (std::size_t i = 0; i < all.size(); ++i)
        for (const auto& child : all[i]->children_)
            all.push_back(child.get());
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        HeadlessNode& n = **it;
        if (unindex && !n.key_.empty()) index_.Erase(n.key_);
        n.tree_ = nullptr;
        n.parent_ = nullptr;
        n.position_ = 0;
        n.validBelow_ = UINT32_MAX;
        n.children_.clear();
    }
    return all.size();
}

// ---------------------------------------------------------------------------------------------
// Commands

HeadlessTreeView::Command HeadlessTreeView::ParseCommand(const std::string& name) {
    for (std::size_t i = 0; i < std::size(kCommandNames); ++i)
        if (SameNoCase(name, kCommandNames[i])) return static_cast<Command>(i);
    InvalidArgument();
}

bool HeadlessTreeView::CommandEnabled(const std::string& name) const {
    return commandEnabled_[static_cast<std::size_t>(ParseCommand(name))];
}

void HeadlessTreeView::SetCommandEnabled(const std::string& name, bool value) {
    commandEnabled_[static_cast<std::size_t>(ParseCommand(name))] = value;
}

bool HeadlessTreeView::CanExecuteCommand(const std::string& name) const {
    for (std::size_t i = 0; i < std::size(kCommandNames); ++i)
        if (SameNoCase(name, kCommandNames[i])) return CanExecute(static_cast<Command>(i));
    return false;
}

bool HeadlessTreeView::CanExecute(Command command) const {
    // Every built-in command edits: a locked tree runs none of them.
    if (Locked() || !commandEnabled_[static_cast<std::size_t>(command)] || !selected_) return false;
    const HeadlessNode& node = *selected_;
    const HeadlessNode& parent = *node.parent_;
    switch (command) {
    case Command::DeleteItem:
        return true;
    case Command::MoveUp:
        return node.Position() > 0 && !parent.sorted_;
    case Command::MoveDown:
        return node.Position() + 1 < parent.children_.size() && !parent.sorted_;
    case Command::MoveLeft:
        return !parent.isRoot_ && !parent.parent_->isRoot_;
    case Command::MoveRight:
        return node.Position() > 0;
    default:
        return false;
    }
}

void HeadlessTreeView::ExecuteCommand(const std::string& name) {
    const Command command = ParseCommand(name);
    if (!CanExecute(command)) return;
    HeadlessNode& node = *selected_;
    std::shared_ptr<HeadlessNode> hold = node.Self();
    switch (command) {
    case Command::MoveUp:
    case Command::MoveDown:
        MoveAmongSiblings(node, command == Command::MoveUp);
        break;
    case Command::MoveLeft:
    case Command::MoveRight:
        MoveToNewParent(node, command == Command::MoveLeft);
        break;
    default:
        DeleteSelected(node);
        break;
    }
}

void HeadlessTreeView::MoveAmongSiblings(HeadlessNode& node, bool up) {
    auto& v = node.parent_->children_;
    const std::size_t i = node.Position();
    const std::size_t j = up ? i - 1 : i + 1;
    const bool told = Observed();
    if (told)
        observer_->NodeAboutToBeMoved(node, ViewParent(*node.parent_),
                                      static_cast<int32_t>(up ? i - 1 : i + 2));
    std::swap(v[i], v[j]);
    v[i]->position_ = static_cast<uint32_t>(i);
    v[j]->position_ = static_cast<uint32_t>(j);
    if (told) observer_->NodeMoved(node);
    sinks_.Raise([&node](TreeViewEvents& sink) { sink.NodeMoved(node); });
    ClickedAgain(node);
}

void HeadlessTreeView::MoveToNewParent(HeadlessNode& node, bool left) {
    // Left: the node follows its parent, one level up. Right: it joins its previous sibling.
    HeadlessNode* target =
        left ? node.parent_->parent_ : node.parent_->children_[node.Position() - 1].get();
    std::shared_ptr<HeadlessNode> holdTarget = target->Self();
    bool cancel = false;
    sinks_.Raise([&](TreeViewEvents& sink) { sink.BeforeSetParent(node, *target, cancel); });
    // A handler may have removed or moved either node; move only what still makes sense.
    if (cancel || node.tree_ != this || target->tree_ != this) return;
    for (const HeadlessNode* p = target; !p->isRoot_; p = p->parent_)
        if (p == &node) return;
    std::size_t position = target->children_.size();
    if (left && node.parent_->parent_ == target) position = node.parent_->Position() + 1;
    Reparent(node, *target, position);
    sinks_.Raise([&node](TreeViewEvents& sink) { sink.AfterSetParent(node); });
    ClickedAgain(node);
}

void HeadlessTreeView::ClickedAgain(HeadlessNode& node) {
    if (!Attached(node) || selected_ != &node) return;
    sinks_.Raise([&node](TreeViewEvents& sink) { sink.NodeClicked(&node); });
}

void HeadlessTreeView::DeleteSelected(HeadlessNode& node) {
    bool cancel = false;
    bool noPrompt = false;
    sinks_.Raise([&](TreeViewEvents& sink) { sink.BeforeDeleteNodeEx(node, cancel, noPrompt); });
    if (cancel || node.tree_ != this) return;
    if (!noPrompt && confirmDelete && !confirmDelete(node)) return;
    if (node.tree_ != this) return;
    sinks_.Raise([&node](TreeViewEvents& sink) { sink.DeleteNode(node); });
    // The handler may have removed the node itself (through the project's events).
    if (node.tree_ == this) RemoveNode(node);
}

// ---------------------------------------------------------------------------------------------
// Gestures, rows and the rest

void HeadlessTreeView::Click(Node* node) {
    if (!TakesInput()) return;
    if (node) Select(Own(node));
}

void HeadlessTreeView::Expand(Node* node) {
    if (!TakesInput()) return;
    if (!node) return;
    HeadlessNode& own = *Own(node);
    own.SetExpanded(true);
}

void HeadlessTreeView::Collapse(Node* node) {
    if (!TakesInput()) return;
    if (!node) return;
    HeadlessNode& own = *Own(node);
    if (!own.expanded_) return;
    own.SetExpanded(false);
    if (selected_ != &own && Within(selected_, own)) Select(&own);
}

void HeadlessTreeView::DoubleClick(Node* node) {
    if (!TakesInput()) return;
    if (!node) return;
    HeadlessNode* own = Own(node);
    std::shared_ptr<HeadlessNode> hold = own->Self();
    Select(own); // the first click of the two
    if (own->tree_ != this) return;
    sinks_.Raise([own](TreeViewEvents& sink) { sink.NodeDoubleClicked(own); });
}

namespace {
const HeadlessNode* NextVisible(const HeadlessNode* n) {
    if (n->Expanded() && n->ChildCount() > 0)
        return static_cast<const HeadlessNode*>(n->FirstChild());
    for (; n; n = static_cast<const HeadlessNode*>(n->Parent())) {
        if (auto* next = n->NextSibling()) return static_cast<const HeadlessNode*>(next);
    }
    return nullptr;
}
} // namespace

Node* HeadlessTreeView::HitTest(float x, float y) const {
    if (!(x >= 0) || !(y >= 0) || y / RowHeight >= 2e9f) return nullptr;
    const int64_t row = topRow_ + static_cast<int64_t>(y / RowHeight);
    const HeadlessNode* n = Top();
    for (int64_t r = 0; n; ++r, n = NextVisible(n))
        if (r == row) return const_cast<HeadlessNode*>(n);
    return nullptr;
}

int32_t HeadlessTreeView::VisibleRows() const {
    int32_t rows = 0;
    const HeadlessNode* n = Top();
    for (; n; n = NextVisible(n))
        ++rows;
    return rows;
}

void HeadlessTreeView::Move(int32_t left, int32_t top, int32_t width, int32_t height) {
    bounds_ = {left, top, width, height};
    NotifyState();
}

void HeadlessTreeView::SetRedraw(bool value) {
    if (value == redraw_) return;
    if (!value && observer_) observer_->AboutToBeReset();
    redraw_ = value;
    if (value && observer_) observer_->Reset();
}

void HeadlessTreeView::SetEnabled(bool value) {
    enabled_ = value;
    NotifyState();
}

void HeadlessTreeView::SetImageList(ImageList* images) {
    images_ = images;
    NotifyState();
}

void HeadlessTreeView::SetFullRowSelect(bool value) {
    fullRowSelect_ = value;
    NotifyState();
}

void HeadlessTreeView::SetHideSelection(bool value) {
    hideSelection_ = value;
    NotifyState();
}

void HeadlessTreeView::SetMode(int32_t value) {
    mode_ = value;
    if (Locked()) SetEditing(nullptr); // an edit begun before the lock commits nothing
    NotifyState();
}

void HeadlessTreeView::SetFocus() {
    focused_ = true;
    if (observer_) observer_->FocusRequested();
}

void HeadlessTreeView::SetOLEDragFormat(const std::string& format) {
    dragFormat_ = format;
    if (std::find(dragFormats_.begin(), dragFormats_.end(), format) == dragFormats_.end())
        dragFormats_.push_back(format);
}

Subscription HeadlessTreeView::Subscribe(TreeViewEvents& sink) {
    return sinks_.Add(sink);
}

} // namespace qv

namespace qv {

// ---------------------------------------------------------------------------------------------
// Editing gestures

bool HeadlessTreeView::Within(const HeadlessNode* node, const HeadlessNode& ancestor) {
    for (; node && !node->isRoot_; node = node->parent_)
        if (node == &ancestor) return true;
    return false;
}

void HeadlessTreeView::StartLabelEdit() {
    ++labelEditRequests_;
    SetEditing(nullptr);
    if (selected_) OpenLabelEdit(*selected_);
}

void HeadlessTreeView::OpenLabelEdit(HeadlessNode& node) {
    if (Locked()) return;
    std::shared_ptr<HeadlessNode> hold = node.Self();
    bool cancel = false;
    sinks_.Raise([&](TreeViewEvents& sink) { sink.BeforeLabeleEdit(node, cancel); });
    if (!cancel && Attached(node) && selected_ == &node) SetEditing(&node);
}

void HeadlessTreeView::FinishLabelEdit(std::string text) {
    if (!editing_) return;
    HeadlessNode& node = *editing_;
    std::shared_ptr<HeadlessNode> hold = node.Self();
    SetEditing(nullptr);
    sinks_.Raise([&](TreeViewEvents& sink) { sink.AfterLabelEdit(node, text); });
    if (Attached(node)) node.SetText(text);
}

void HeadlessTreeView::AddSibling() {
    if (!TakesInput()) return;
    if (!selected_ || Locked()) return;
    HeadlessNode& s = *selected_;
    std::shared_ptr<HeadlessNode> hold = s.Self();
    std::string key;
    do
        key = "new:" + std::to_string(nextNewKey_++);
    while (index_.Find(key));
    std::string text = "New Item", image = s.Image(), expandedImage = s.ExpandedImage();
    bool cancel = false;
    sinks_.Raise([&](TreeViewEvents& sink) {
        sink.BeforeAddSibling(s, key, text, image, expandedImage, cancel);
    });
    if (cancel || !Attached(s)) return;
    HeadlessNode* added = Insert(*s.parent_, s.Position() + 1, key, text, image, expandedImage);
    std::shared_ptr<HeadlessNode> holdAdded = added->Self();
    sinks_.Raise([added](TreeViewEvents& sink) { sink.AfterAddSibling(*added); });
    if (!Attached(*added)) return;
    Select(added);
    if (Attached(*added) && selected_ == added) OpenLabelEdit(*added);
}

// ---------------------------------------------------------------------------------------------
// Drag and drop

namespace {
// Clears the drop highlight when a drag ends, however it ends.
struct HighlightReset {
    HeadlessNode*& highlight;
    ~HighlightReset() { highlight = nullptr; }
};
} // namespace

void HeadlessTreeView::Drag(Node* source, Node* target, int32_t relationship) {
    if (!TakesInput()) return;
    HeadlessNode& node = *Own(source);
    HeadlessNode& onto = *Own(target);
    int32_t bit = 0;
    switch (relationship) {
    case rel::Child:
        bit = drop::Into;
        break;
    case rel::Previous:
        bit = drop::Before;
        break;
    case rel::Last:
        bit = drop::After;
        break;
    default:
        InvalidArgument();
    }
    std::shared_ptr<HeadlessNode> holdNode = node.Self(), holdOnto = onto.Self();
    Click(&node);
    if (!Attached(node) || !node.allowDrag_ || Locked()) return;

    HeadlessDataObject data;
    int32_t allowed = 0;
    sinks_.Raise([&](TreeViewEvents& sink) { sink.OLEStartDrag(data, allowed); });
    if (allowed == 0 || !Attached(node) || !Attached(onto)) return;

    // The drop target reads the data as soon as the drag comes over it: every announced format
    // is supplied on request before the target decides where a drop may go.
    const std::vector<std::string> announced = data.Announced(); // a handler may add more
    for (const std::string& f : announced) {
        Variant format(f);
        sinks_.Raise([&](TreeViewEvents& sink) { sink.OLESetData(data, format); });
    }
    if (!Attached(node) || !Attached(onto)) return;

    HighlightReset reset{dropHighlight_};
    int32_t proposed = relationship;
    sinks_.Raise(
        [&](TreeViewEvents& sink) { sink.NodeBeforeDropHighlight(data, &onto, proposed); });
    int32_t effect = 2;
    sinks_.Raise(
        [&](TreeViewEvents& sink) { sink.OLEDragOver(&onto, data, 0, 0, effect, 1, 0, 0); });
    if (effect != 0 && Attached(onto)) dropHighlight_ = &onto;

    // A handler may have locked the tree meanwhile: the drop is refused then.
    if (effect != 0 && (onto.allowDrop_ & bit) && !Locked() && Attached(node) && Attached(onto) &&
        !Within(&onto, node)) {
        if (DropTreeNode(node, onto, bit)) ClickedAgain(node);
    } else {
        effect = 0;
    }
    sinks_.Raise([&](TreeViewEvents& sink) { sink.OLECompleteDrag(effect); });
}

bool HeadlessTreeView::DropTreeNode(HeadlessNode& node, HeadlessNode& target, int32_t bit) {
    // Each handler may have moved or removed either node: re-check before every step.
    auto valid = [&] { return Attached(node) && Attached(target) && !Within(&target, node); };
    HeadlessNode* parent = bit == drop::Into ? &target : target.parent_;
    if (!valid()) return false;
    if (node.parent_ != parent) {
        bool cancel = false;
        sinks_.Raise([&](TreeViewEvents& sink) { sink.BeforeSetParent(node, *parent, cancel); });
        if (cancel || !valid() || (bit != drop::Into && target.parent_ != parent)) return false;
        Reparent(node, *parent, parent->children_.size());
        sinks_.Raise([&node](TreeViewEvents& sink) { sink.AfterSetParent(node); });
        if (bit == drop::Into) return true;
        if (!valid() || node.parent_ != target.parent_) return true;
    } else if (bit == drop::Into) {
        return false; // already a child of the target: nothing moves
    }
    if (!parent->sorted_) {
        // The target's place once the node is out of the list.
        const std::size_t at = node.Position(), t = target.Position();
        const std::size_t position = (t > at ? t - 1 : t) + (bit == drop::After ? 1 : 0);
        const bool told = NotifyAboutToMove(node, *parent, position);
        std::shared_ptr<HeadlessNode> self = TakeChild(node); // same list: the insert cannot grow
        InsertChild(*parent, std::move(self), position);
        if (told) observer_->NodeMoved(node);
    }
    sinks_.Raise([&node](TreeViewEvents& sink) { sink.NodeMoved(node); });
    return true;
}

void HeadlessTreeView::DropFiles(Node* target, std::vector<std::string> files) {
    if (!TakesInput()) return;
    if (!target || Locked()) return;
    HeadlessNode& onto = *Own(target);
    std::shared_ptr<HeadlessNode> hold = onto.Self();
    HeadlessDataObject data;
    data.SetFiles(std::move(files));
    HighlightReset reset{dropHighlight_};
    int32_t relationship = rel::Child;
    sinks_.Raise(
        [&](TreeViewEvents& sink) { sink.NodeBeforeDropHighlight(data, &onto, relationship); });
    int32_t effect = 1;
    sinks_.Raise(
        [&](TreeViewEvents& sink) { sink.OLEDragOver(&onto, data, 0, 0, effect, 1, 0, 0); });
    if (effect == 0 || Locked() || !Attached(onto) || !(onto.allowDrop_ & drop::Into)) return;
    dropHighlight_ = &onto;
    sinks_.Raise([&](TreeViewEvents& sink) { sink.ExternalOLEDragDrop(data, 0, 0, effect, 1, 0); });
}

// ---------------------------------------------------------------------------------------------
// Keys, mouse and focus

void HeadlessTreeView::RightClick(float x, float y) {
    if (!TakesInput()) return;
    const std::string key = selected_ ? selected_->key_ : std::string();
    const float sx = static_cast<float>(bounds_.left) + x, sy = static_cast<float>(bounds_.top) + y;
    sinks_.Raise([&](TreeViewEvents& sink) { sink.ContextMenu(x, y, sx, sy, key); });
}

void HeadlessTreeView::KeyDown(int16_t keyCode, int16_t shift) {
    if (!TakesInput()) return;
    constexpr int16_t kEnter = 13, kEscape = 27, kInsert = 45, kDelete = 46;
    sinks_.Raise([&](TreeViewEvents& sink) { sink.KeyDown(keyCode, shift); });
    if (editing_) {
        if (keyCode == kEnter)
            FinishLabelEdit(editing_->text_);
        else if (keyCode == kEscape)
            CancelLabelEdit();
    } else if (keyCode == kInsert) {
        AddSibling();
    } else if (keyCode == kDelete && CanExecute(Command::DeleteItem)) {
        ExecuteCommand("DeleteItem");
    }
}

void HeadlessTreeView::KeyUp(int16_t keyCode, int16_t shift) {
    if (!TakesInput()) return;
    sinks_.Raise([&](TreeViewEvents& sink) { sink.KeyUp(keyCode, shift); });
}

void HeadlessTreeView::LoseFocus() {
    SetEditing(nullptr);
    focused_ = false;
    sinks_.Raise([](TreeViewEvents& sink) { sink.LostFocus(); });
}

void HeadlessTreeView::MouseUp(float x, float y, int16_t button, int16_t shift) {
    if (!TakesInput()) return;
    sinks_.Raise([&](TreeViewEvents& sink) { sink.MouseUp(x, y, button, shift); });
}

} // namespace qv
