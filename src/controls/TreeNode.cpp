#include "controls/TreeNode.h"

#include "contracts/Error.h"
#include "contracts/SharedWithRoom.h"
#include "controls/ImageKeyTable.h"
#include "controls/TreeView.h"

#include <utility>

namespace qv {

namespace {
// The size of a block holding n bytes of key and text: rounded up to fill the heap's 16-byte
// steps (8 bytes of each block are the heap's own), so a text that shrinks or grows a little
// is written in place. A node's block never holds less than this of its two sizes.
std::size_t BlockSize(std::size_t n) {
    return ((n + 8 + 15) & ~std::size_t{15}) - 8;
}

bool IsFolderTag(const Variant& tag) {
    return tag.Type() == VarType::String && tag.ToString() == "FileSystemFolder";
}

void CheckTextSizes(std::string_view key, std::string_view text) {
    constexpr std::size_t kMax = UINT32_MAX;
    if (key.size() > kMax || text.size() > kMax)
        throw Error(err::InvalidArgument, "Invalid procedure call or argument");
}

} // namespace

const HeadlessNode::Children HeadlessNode::kNoChildren{};

HeadlessNode::HeadlessNode(std::string_view key, std::string_view text) {
    if (char* at = TakeRoom()) {
        key.copy(at, key.size());
        text.copy(at + key.size(), text.size());
        texts_ = at;
        keySize_ = static_cast<uint32_t>(key.size());
        textSize_ = static_cast<uint32_t>(text.size());
    } else {
        SetTexts(MakeTexts(key, text));
    }
}

HeadlessNode::~HeadlessNode() {
    if (ownTexts_) delete[] texts_;
}

std::shared_ptr<HeadlessNode> HeadlessNode::Make(std::string_view key, std::string_view text) {
    CheckTextSizes(key, text);
    const std::size_t n = key.size() + text.size();
    // The room holds what a block of its own would (SetText writes in place up to that).
    return MakeSharedWithRoom<HeadlessNode>(n == 0 ? 0 : BlockSize(n), key, text);
}

HeadlessNode::Texts HeadlessNode::MakeTexts(std::string_view key, std::string_view text) {
    CheckTextSizes(key, text);
    Texts texts{nullptr, static_cast<uint32_t>(key.size()), static_cast<uint32_t>(text.size())};
    if (key.empty() && text.empty()) return texts;
    texts.block.reset(new char[BlockSize(key.size() + text.size())]);
    key.copy(texts.block.get(), key.size());
    text.copy(texts.block.get() + key.size(), text.size());
    return texts;
}

HeadlessTreeView& HeadlessNode::AttachedTree() const {
    HeadlessTreeView* tree = Tree();
    if (!tree) throw Error(35605, "Control has been deleted");
    return *tree;
}

void HeadlessNode::SortPendingChildren() const {
    Tree()->SortPending(const_cast<HeadlessNode&>(*this));
}

HeadlessNode* HeadlessNode::ChildAt(int32_t row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= Kids().Size()) return nullptr;
    EnsureOrder();
    HeadlessTreeView* tree = Tree();
    return tree ? tree->ChildAt(*this, row) : Kids().At(static_cast<std::size_t>(row));
}

void HeadlessNode::SetText(const std::string& text) {
    if (text == TextRef()) return;
    if (texts_ && keySize_ + text.size() <= BlockSize(keySize_ + textSize_)) {
        text.copy(texts_ + keySize_, text.size()); // the key stays where it is
        textSize_ = static_cast<uint32_t>(text.size());
    } else {
        SetTexts(MakeTexts(KeyRef(), text));
    }
    HeadlessTreeView* tree = Tree();
    if (!tree) return;
    if (parent_->sorted_) tree->Replace(*this);
    tree->NotifyChanged(*this);
}

void HeadlessNode::SetKey(const std::string& key) {
    if (key == KeyRef()) return;
    if (HeadlessTreeView* tree = Tree()) {
        tree->Rekey(*this, key);
        tree->NotifyChanged(*this);
    } else {
        SetTexts(MakeTexts(key, TextRef()));
    }
}

Node* HeadlessNode::Parent() const {
    return parent_ && !parent_->isRoot_ ? parent_ : nullptr;
}

void HeadlessNode::SetParent(Node* parent) {
    HeadlessTreeView& tree = AttachedTree();
    HeadlessNode* target = parent ? tree.Own(parent) : tree.root_.get();
    tree.Reparent(*this, *target, nullptr);
}

Node* HeadlessNode::PreviousSibling() const {
    if (!parent_) return nullptr;
    parent_->EnsureOrder();
    return Children::Previous(*this);
}

Node* HeadlessNode::NextSibling() const {
    if (!parent_) return nullptr;
    parent_->EnsureOrder();
    return Children::Next(*this);
}

Node* HeadlessNode::FirstChild() const {
    EnsureOrder();
    return Kids().First();
}

Node* HeadlessNode::NextNode() const {
    if (Node* first = FirstChild()) return first;
    for (const HeadlessNode* n = this; n->parent_; n = n->parent_)
        if (Node* next = n->NextSibling()) return next;
    return nullptr;
}

const Variant& HeadlessNode::Tag() const {
    static const Variant empty;
    return tag_ ? *tag_ : empty;
}

void HeadlessNode::SetTag(Variant tag) {
    const bool folder = IsFolderTag(tag);
    if (tag.IsEmpty())
        tag_.reset();
    else if (tag_)
        *tag_ = std::move(tag);
    else
        tag_ = std::make_unique<Variant>(std::move(tag));
    if (folder == folderTag_) return;
    folderTag_ = folder;
    HeadlessTreeView* tree = Tree();
    if (tree && parent_->sorted_) tree->Replace(*this);
}

void HeadlessNode::Remove() {
    AttachedTree().RemoveNode(*this);
}

bool HeadlessNode::Selected() const {
    const HeadlessTreeView* tree = Tree();
    return tree && tree->selected_ == this;
}

void HeadlessNode::SetSelected(bool value) {
    if (value)
        AttachedTree().Select(this);
    else if (Selected())
        Tree()->Select(nullptr);
}

std::string HeadlessNode::Image() const {
    return ImageKeyOf(image_);
}

void HeadlessNode::SetImage(const std::string& key) {
    HeadlessTreeView* tree = Tree();
    image_ = tree ? tree->ImageId(key) : InternImageKey(key);
    if (tree) tree->NotifyChanged(*this);
}

std::string HeadlessNode::ExpandedImage() const {
    return ImageKeyOf(expandedImage_);
}

void HeadlessNode::SetExpandedImage(const std::string& key) {
    HeadlessTreeView* tree = Tree();
    expandedImage_ = tree ? tree->ImageId(key) : InternImageKey(key);
    if (tree) tree->NotifyChanged(*this);
}

void HeadlessNode::SetExpanded(bool value) {
    if (value == expanded_) return;
    expanded_ = value;
    if (HeadlessTreeView* tree = Tree()) tree->NotifyExpanded(*this);
}

void HeadlessNode::SetForeColor(int32_t color) {
    if (color == foreColor_) return;
    foreColor_ = color;
    if (HeadlessTreeView* tree = Tree()) tree->NotifyChanged(*this);
}

void HeadlessNode::EnsureVisible() {
    HeadlessTreeView& tree = AttachedTree();
    for (HeadlessNode* n = parent_; n && !n->isRoot_; n = n->parent_) {
        if (n->expanded_) continue;
        n->expanded_ = true;
        tree.NotifyExpanded(*n);
    }
}

void HeadlessNode::SetSorted(bool value) {
    if (value == sorted_) return;
    EnsureOrder(); // an unsorted parent keeps the order its children had
    sorted_ = value;
    if (!value) return;
    if (HeadlessTreeView* tree = Tree()) tree->SortChildren(*this);
}

void HeadlessNode::SetAllowDrop(int32_t value) {
    if (value < drop::None || value > (drop::Into | drop::Before | drop::After))
        throw Error(err::InvalidArgument, "Invalid procedure call or argument");
    allowDrop_ = static_cast<uint16_t>(value);
}

} // namespace qv
