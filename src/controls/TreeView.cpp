#include "controls/TreeView.h"

#include "contracts/Error.h"
#include "contracts/ImageList.h"
#include "controls/DataObject.h"
#include "controls/ImageKeyTable.h"
#include "controls/ImageList.h"
#include "controls/NaturalCompare.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <string_view>
#include <typeinfo>
#include <utility>

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

// An item with its sort key, which lies in a shared buffer.
struct KeyedEntry {
    void* item;
    std::size_t at, size;
};

// Sorts entries by their keys' bytes from depth on, stably (equal keys keep their order): a most
// significant byte first radix sort, with a comparison sort for small groups. scratch has room
// for as many entries.
void RadixSort(KeyedEntry* first, KeyedEntry* last, std::size_t depth, const char* keys,
               KeyedEntry* scratch) {
    constexpr std::ptrdiff_t kSmall = 32;
    for (;;) {
        const std::ptrdiff_t n = last - first;
        if (n < 2) return;
        if (n < kSmall) {
            std::stable_sort(first, last, [&](const KeyedEntry& a, const KeyedEntry& b) {
                const std::string_view ka(keys + a.at, a.size), kb(keys + b.at, b.size);
                return ka.substr(std::min(depth, ka.size())) <
                       kb.substr(std::min(depth, kb.size()));
            });
            return;
        }
        // Bucket 0: the key ends before depth; bucket 1 + b: its byte at depth is b.
        auto bucket = [&](const KeyedEntry& e) {
            return depth < e.size ? 1 + static_cast<std::size_t>(
                                            static_cast<unsigned char>(keys[e.at + depth]))
                                  : std::size_t{0};
        };
        std::array<std::size_t, 258> start{};
        for (const KeyedEntry* e = first; e != last; ++e)
            ++start[bucket(*e) + 1];
        if (start[1] == static_cast<std::size_t>(n)) return; // every key ended: all are equal
        const auto same = std::find(start.begin() + 2, start.end(), static_cast<std::size_t>(n));
        if (same != start.end()) { // one byte for all: look at the next one
            ++depth;
            continue;
        }
        for (std::size_t b = 1; b < start.size(); ++b)
            start[b] += start[b - 1];
        std::array<std::size_t, 258> next = start;
        for (const KeyedEntry* e = first; e != last; ++e)
            scratch[next[bucket(*e)]++] = *e;
        std::copy(scratch, scratch + n, first);
        for (std::size_t b = 1; b + 1 < start.size(); ++b)
            RadixSort(first + start[b], first + start[b + 1], depth + 1, keys, scratch);
        return;
    }
}

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

Node* HeadlessNodes::ItemOrNull(std::string_view key) const {
    return tree_ && !key.empty() ? tree_->index_.Find(key) : nullptr;
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

void HeadlessNodes::Prefetch(std::string_view key) const {
    if (tree_ && !key.empty()) tree_->index_.Prefetch(NodeKeyIndex::Hash(key));
}

// ---------------------------------------------------------------------------------------------
// HeadlessTreeView: life

HeadlessTreeView::HeadlessTreeView()
    : nodes_(std::make_shared<HeadlessNodes>(this)),
      root_(std::make_shared<HeadlessTreeRoot>(this)), hWnd_(nextHandle.fetch_add(4)) {
    commandEnabled_.fill(true);
}

HeadlessTreeView::~HeadlessTreeView() {
    nodes_->tree_ = nullptr;
    for (auto& node : TakeChildren(*root_))
        Detach(std::move(node), false);
    root_->tree_ = nullptr;
}

HeadlessNode* HeadlessTreeView::Top() const {
    return root_->Kids().First();
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
    HeadlessNode* before = nullptr;
    switch (relationship) {
    case rel::Last:
        if (rel) InvalidArgument();
        parent = root_.get();
        break;
    case rel::Previous:
        if (!rel) InvalidArgument();
        parent = rel->parent_;
        before = rel;
        break;
    case rel::Child:
        if (!rel) InvalidArgument();
        parent = rel;
        break;
    default:
        InvalidArgument();
    }

    return Insert(*parent, before, key, text, image, {});
}

HeadlessNode* HeadlessTreeView::Insert(HeadlessNode& parent, HeadlessNode* before,
                                       const std::string& key, const std::string& text,
                                       const std::string& image, const std::string& expandedImage) {
    const std::size_t hash = key.empty() ? 0 : NodeKeyIndex::Hash(key);
    // In a big tree the key's slot is far from the cache: it is fetched while the images are
    // looked up and the node is made, none of which changes the tree.
    index_.Prefetch(hash);
    const uint32_t imageId = ImageId(image);
    const uint32_t expandedId = ImageId(expandedImage);
    auto node = HeadlessNode::Make(key, text);
    // One probe finds a duplicate and the slot the key takes; room first, so that the claim
    // below cannot fail.
    NodeKeyIndex::Place place;
    if (!key.empty()) {
        index_.Reserve(index_.Size() + 1);
        place = index_.Probe(key, hash);
        if (place.node) NotUnique();
    }
    node->image_ = imageId;
    node->expandedImage_ = expandedId;
    if (parent.sorted_) before = SortedPlace(parent, *node);
    HeadlessNode* added = node.get();
    const bool told = Observed();
    if (told) observer_->NodeAboutToBeInserted(ViewParent(parent), RowOf(parent, before));
    InsertChild(parent, std::move(node), before);
    if (!key.empty()) index_.Claim(place, added, hash);
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
    std::vector<std::shared_ptr<HeadlessNode>> top = TakeChildren(*root_);
    pendingOrder_.clear();
    index_.Clear();
    count_ = 0;
    for (auto& node : top)
        Detach(std::move(node), false);
    if (told) observer_->Reset();
}

// ---------------------------------------------------------------------------------------------
// Node operations

HeadlessNode* HeadlessTreeView::Own(Node* node) const {
    // Nearly every node is a plain HeadlessNode: its exact type is a cheaper test than the
    // search through the class tree that dynamic_cast makes.
    auto* own = node && typeid(*node) == typeid(HeadlessNode) ? static_cast<HeadlessNode*>(node)
                                                              : dynamic_cast<HeadlessNode*>(node);
    if (!own || own->isRoot_ || !Attached(*own)) InvalidArgument();
    return own;
}

uint32_t HeadlessTreeView::ImageId(const std::string& key) const {
    if (key.empty()) return 0;
    if (headlessImages_) {
        const uint32_t id = headlessImages_->IdOf(key);
        if (!id) NotFound();
        return id;
    }
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
    HeadlessNode::Texts texts = HeadlessNode::MakeTexts(key, node.TextRef());
    if (!node.KeyRef().empty()) index_.Erase(node.KeyRef());
    node.SetTexts(std::move(texts));
    if (!key.empty()) index_.Insert(&node, hash);
}

void HeadlessTreeView::Reparent(HeadlessNode& node, HeadlessNode& parent, HeadlessNode* before) {
    for (const HeadlessNode* p = &parent; p && !p->isRoot_; p = p->parent_)
        if (p == &node) InvalidArgument(); // under itself or its own descendant
    if (parent.sorted_) before = SortedPlace(parent, node);
    MoveChild(node, parent, before);
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
    const bool told = Observed();
    const auto row = told ? static_cast<int32_t>(node.Position()) : 0;
    if (told) observer_->NodeAboutToBeRemoved(node);
    std::shared_ptr<HeadlessNode> self = TakeChild(node);
    count_ -= Detach(self, true);
    if (told) observer_->NodeRemoved(ViewParent(*parent), row);
    if (takesSelection) {
        selected_ = nullptr;
        if (!successor && Observed()) observer_->SelectionChanged(nullptr);
        Select(successor);
    }
}

void HeadlessTreeView::Replace(HeadlessNode& node) {
    HeadlessNode& parent = *node.parent_;
    MoveChild(node, parent, SortedPlace(parent, node));
}

std::vector<HeadlessNode*> HeadlessTreeView::SortedChildren(const HeadlessNode& parent) {
    // Each text becomes its sort key once, side by side in one buffer; a radix sort then orders
    // the keys in time linear in their length, so a folder ten times as large sorts in ten times
    // the time (a comparison sort would take over twelve).
    std::vector<KeyedEntry> entries;
    entries.reserve(parent.Kids().Size());
    std::string keys;
    for (HeadlessNode* c = parent.Kids().First(); c; c = HeadlessNode::Children::Next(*c)) {
        const std::size_t at = keys.size();
        keys += c->folderTag_ ? '\0' : '\1'; // folders first
        AppendNaturalSortKey(c->TextRef(), keys);
        entries.push_back({c, at, keys.size() - at});
    }
    std::vector<KeyedEntry> scratch(entries.size());
    RadixSort(entries.data(), entries.data() + entries.size(), 0, keys.data(), scratch.data());
    std::vector<HeadlessNode*> order;
    order.reserve(entries.size());
    for (const KeyedEntry& e : entries)
        order.push_back(static_cast<HeadlessNode*>(e.item));
    return order;
}

void HeadlessTreeView::OrderPending(HeadlessNode& parent) {
    if (parent.orderPending_) return;
    parent.orderPending_ = true;
    pendingOrder_.push_back(parent.Self());
}

void HeadlessTreeView::SortPending(HeadlessNode& parent) const {
    parent.orderPending_ = false;
    parent.Adopt().Assign(SortedChildren(parent));
    ForgetCursors();
}

void HeadlessTreeView::SortChildren(HeadlessNode& parent) {
    parent.EnsureOrder();
    std::vector<HeadlessNode*> order = SortedChildren(parent);
    // Already in order (a new, empty folder; a folder sorted before): nothing moves, nothing is
    // told, so a view keeps its layout.
    bool moved = false;
    const HeadlessNode* c = parent.Kids().First();
    for (std::size_t i = 0; i < order.size() && !moved; ++i, c = HeadlessNode::Children::Next(*c))
        moved = order[i] != c;
    if (!moved) return;
    const bool told = Observed();
    if (told) observer_->ChildrenAboutToBeReordered(ViewParent(parent));
    parent.Adopt().Assign(order);
    ForgetCursors();
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

HeadlessNode* HeadlessTreeView::SortedPlace(HeadlessNode& parent, HeadlessNode& node) {
    const auto& children = parent.Kids();
    if (Deferred(parent)) {
        // At the end; the parent sorts once its order is read. A node already there arrives
        // anew, as a change of its text or tag makes it.
        HeadlessNode* last = children.Last();
        if (last == &node) last = HeadlessNode::Children::Previous(node);
        if (last && SortsBefore(node, *last)) OrderPending(parent);
        return nullptr;
    }
    parent.EnsureOrder();
    auto before = [](const HeadlessNode& a, const HeadlessNode& b) { return SortsBefore(a, b); };
    if (node.parent_ != &parent) {
        HeadlessNode* last = children.Last();
        if (!last || !SortsBefore(node, *last)) return nullptr; // loads often come in order
        return children.UpperBound(node, before);
    }
    // The node is among the children, maybe out of order after a change of its text: it is
    // taken out of the list for the search and put back where it was; nobody sees the gap.
    HeadlessNode::Children& own = *parent.children_;
    HeadlessNode* next = HeadlessNode::Children::Next(node);
    own.Erase(node);
    HeadlessNode* place = own.UpperBound(node, before);
    own.InsertBefore(next, node);
    return place;
}

int32_t HeadlessTreeView::RowOf(const HeadlessNode& parent, const HeadlessNode* before) {
    return static_cast<int32_t>(before ? before->Position() : parent.Kids().Size());
}

void HeadlessTreeView::MoveChild(HeadlessNode& node, HeadlessNode& parent, HeadlessNode* before) {
    if (before == &node) return;
    if (node.parent_ == &parent && HeadlessNode::Children::Next(node) == before) return;
    const bool told = Observed();
    // The destination counts the node still in its old place, as the observer expects.
    if (told) observer_->NodeAboutToBeMoved(node, ViewParent(parent), RowOf(parent, before));
    std::shared_ptr<HeadlessNode> self = TakeChild(node);
    InsertChild(parent, std::move(self), before);
    if (told) observer_->NodeMoved(node);
}

void HeadlessTreeView::InsertChild(HeadlessNode& parent, std::shared_ptr<HeadlessNode> node,
                                   HeadlessNode* before) {
    HeadlessNode& added = *node;
    added.parent_ = &parent;
    added.self_ = std::move(node);
    parent.Adopt().InsertBefore(before, added);
    ForgetCursors();
}

std::shared_ptr<HeadlessNode> HeadlessTreeView::TakeChild(HeadlessNode& node) {
    node.parent_->children_->Erase(node);
    node.parent_ = nullptr;
    ForgetCursors();
    return std::move(node.self_);
}

std::vector<std::shared_ptr<HeadlessNode>> HeadlessTreeView::TakeChildren(HeadlessNode& parent) {
    std::vector<std::shared_ptr<HeadlessNode>> taken;
    taken.reserve(parent.Kids().Size());
    for (HeadlessNode* c = parent.Kids().First(); c; c = HeadlessNode::Children::Next(*c))
        taken.push_back(std::move(c->self_));
    if (parent.children_) parent.children_->Clear();
    for (const auto& c : taken)
        c->parent_ = nullptr;
    ForgetCursors();
    return taken;
}

HeadlessNode* HeadlessTreeView::ChildAt(const HeadlessNode& parent, int32_t row) const {
    const auto at = static_cast<std::size_t>(row);
    for (ChildCursor& c : cursors_) {
        if (c.parent != &parent) continue;
        if (at == c.row + 1)
            c.child = HeadlessNode::Children::Next(*c.child);
        else if (at + 1 == c.row)
            c.child = HeadlessNode::Children::Previous(*c.child);
        else if (at != c.row)
            c.child = parent.Kids().At(at);
        c.row = at;
        return c.child;
    }
    ChildCursor& c = cursors_[nextCursor_++ % cursors_.size()];
    c = {&parent, at, parent.Kids().At(at)};
    return c.child;
}

std::size_t HeadlessTreeView::Detach(std::shared_ptr<HeadlessNode> subtree, bool unindex) {
    // Flattened rather than recursive, so depth costs no stack. Every child list is emptied
    // before any node is let go, since a list's links live in its children; then the deepest
    // nodes go first, so each node that nobody else holds dies alone, without a cascade.
    std::vector<HeadlessNode*> all{subtree.get()};
    for (std::size_t i = 0; i < all.size(); ++i)
        for (HeadlessNode* c = all[i]->Kids().First(); c; c = HeadlessNode::Children::Next(*c))
            all.push_back(c);
    for (HeadlessNode* n : all) {
        if (n->children_) n->children_->Clear();
        n->children_.reset();
        n->orderPending_ = false;
    }
    ForgetCursors();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        HeadlessNode& n = **it;
        if (unindex && !n.KeyRef().empty()) index_.Erase(n.KeyRef());
        n.parent_ = nullptr; // with no parent, the node has no tree
        std::shared_ptr<HeadlessNode> self = std::move(n.self_); // n may die here
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
        return node.PreviousSibling() && !parent.sorted_;
    case Command::MoveDown:
        return node.NextSibling() && !parent.sorted_;
    case Command::MoveLeft:
        return !parent.isRoot_ && !parent.parent_->isRoot_;
    case Command::MoveRight:
        return node.PreviousSibling() != nullptr;
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
    // Up: before the previous sibling. Down: after the next one.
    auto* next = static_cast<HeadlessNode*>(node.NextSibling());
    auto* before = static_cast<HeadlessNode*>(up ? node.PreviousSibling() : next->NextSibling());
    MoveChild(node, *node.parent_, before);
    sinks_.Raise([&node](TreeViewEvents& sink) { sink.NodeMoved(node); });
    ClickedAgain(node);
}

void HeadlessTreeView::MoveToNewParent(HeadlessNode& node, bool left) {
    // Left: the node follows its parent, one level up. Right: it joins its previous sibling.
    HeadlessNode* target =
        left ? node.parent_->parent_ : static_cast<HeadlessNode*>(node.PreviousSibling());
    std::shared_ptr<HeadlessNode> holdTarget = target->Self();
    bool cancel = false;
    sinks_.Raise([&](TreeViewEvents& sink) { sink.BeforeSetParent(node, *target, cancel); });
    // A handler may have removed or moved either node; move only what still makes sense.
    if (cancel || !Attached(node) || !Attached(*target)) return;
    for (const HeadlessNode* p = target; !p->isRoot_; p = p->parent_)
        if (p == &node) return;
    HeadlessNode* before = nullptr;
    if (left && node.parent_->parent_ == target)
        before = static_cast<HeadlessNode*>(node.parent_->NextSibling());
    Reparent(node, *target, before);
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
    if (cancel || !Attached(node)) return;
    if (!noPrompt && confirmDelete && !confirmDelete(node)) return;
    if (!Attached(node)) return;
    sinks_.Raise([&node](TreeViewEvents& sink) { sink.DeleteNode(node); });
    // The handler may have removed the node itself (through the project's events).
    if (Attached(node)) RemoveNode(node);
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
    if (!Attached(*own)) return;
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
    if (viewHitTest && redraw_) return viewHitTest(x, y);
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
    if (value) {
        for (const auto& parent : std::exchange(pendingOrder_, {}))
            if (Attached(*parent)) parent->EnsureOrder();
    }
    if (value && observer_) observer_->Reset();
}

void HeadlessTreeView::SetEnabled(bool value) {
    enabled_ = value;
    NotifyState();
}

void HeadlessTreeView::SetImageList(ImageList* images) {
    images_ = images;
    headlessImages_ = dynamic_cast<HeadlessImageList*>(images);
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
    HeadlessNode* added = Insert(*s.parent_, static_cast<HeadlessNode*>(s.NextSibling()), key, text,
                                 image, expandedImage);
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

void HeadlessTreeView::Drag(Node* source, Node* target, int32_t relationship, float x, float y) {
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
        [&](TreeViewEvents& sink) { sink.OLEDragOver(&onto, data, x, y, effect, 1, 0, 0); });
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
        Reparent(node, *parent, nullptr);
        sinks_.Raise([&node](TreeViewEvents& sink) { sink.AfterSetParent(node); });
        if (bit == drop::Into) return true;
        if (!valid() || node.parent_ != target.parent_) return true;
    } else if (bit == drop::Into) {
        return false; // already a child of the target: nothing moves
    }
    if (!parent->sorted_)
        MoveChild(node, *parent,
                  bit == drop::After ? static_cast<HeadlessNode*>(target.NextSibling()) : &target);
    sinks_.Raise([&node](TreeViewEvents& sink) { sink.NodeMoved(node); });
    return true;
}

void HeadlessTreeView::DropFiles(Node* target, std::vector<std::string> files, float x, float y) {
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
        [&](TreeViewEvents& sink) { sink.OLEDragOver(&onto, data, x, y, effect, 1, 0, 0); });
    if (effect == 0 || Locked() || !Attached(onto) || !(onto.allowDrop_ & drop::Into)) return;
    dropHighlight_ = &onto;
    sinks_.Raise([&](TreeViewEvents& sink) { sink.ExternalOLEDragDrop(data, x, y, effect, 1, 0); });
}

// ---------------------------------------------------------------------------------------------
// Keys, mouse and focus

void HeadlessTreeView::RightClick(float x, float y) {
    if (!TakesInput()) return;
    const std::string key = selected_ ? selected_->Key() : std::string();
    const float sx = static_cast<float>(bounds_.left) + x, sy = static_cast<float>(bounds_.top) + y;
    sinks_.Raise([&](TreeViewEvents& sink) { sink.ContextMenu(x, y, sx, sy, key); });
}

void HeadlessTreeView::KeyDown(int16_t keyCode, int16_t shift) {
    if (!TakesInput()) return;
    constexpr int16_t kEnter = 13, kEscape = 27, kInsert = 45, kDelete = 46;
    sinks_.Raise([&](TreeViewEvents& sink) { sink.KeyDown(keyCode, shift); });
    if (editing_) {
        if (keyCode == kEnter)
            FinishLabelEdit(editing_->Text());
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
