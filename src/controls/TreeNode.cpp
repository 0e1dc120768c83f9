#include "controls/TreeNode.h"

#include "contracts/Error.h"
#include "controls/ImageKeyTable.h"
#include "controls/TreeView.h"

namespace qv {

namespace {
bool IsFolderTag(const Variant& tag) {
    return tag.Type() == VarType::String && tag.ToString() == "FileSystemFolder";
}
} // namespace

HeadlessNode::HeadlessNode(HeadlessTreeView* tree, std::string key, std::string text)
    : text_(std::move(text)), tree_(tree), key_(std::move(key)) {}

HeadlessTreeView& HeadlessNode::AttachedTree() const {
    if (!tree_) throw Error(35605, "Control has been deleted");
    return *tree_;
}

void HeadlessNode::SortPendingChildren() const {
    tree_->SortPending(const_cast<HeadlessNode&>(*this));
}

HeadlessNode* HeadlessNode::ChildAt(int32_t row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= children_.Size()) return nullptr;
    EnsureOrder();
    return tree_ ? tree_->ChildAt(*this, row) : children_.At(static_cast<std::size_t>(row));
}

void HeadlessNode::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    if (!tree_) return;
    if (parent_->sorted_) tree_->Replace(*this);
    tree_->NotifyChanged(*this);
}

void HeadlessNode::SetKey(const std::string& key) {
    if (key == key_) return;
    if (tree_) {
        tree_->Rekey(*this, key);
        tree_->NotifyChanged(*this);
    } else {
        key_ = key;
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
    return children_.First();
}

Node* HeadlessNode::NextNode() const {
    if (Node* first = FirstChild()) return first;
    for (const HeadlessNode* n = this; n->parent_; n = n->parent_)
        if (Node* next = n->NextSibling()) return next;
    return nullptr;
}

void HeadlessNode::SetTag(Variant tag) {
    const bool folder = IsFolderTag(tag);
    tag_ = std::move(tag);
    if (folder == folderTag_) return;
    folderTag_ = folder;
    if (tree_ && parent_->sorted_) tree_->Replace(*this);
}

void HeadlessNode::Remove() {
    AttachedTree().RemoveNode(*this);
}

bool HeadlessNode::Selected() const {
    return tree_ && tree_->selected_ == this;
}

void HeadlessNode::SetSelected(bool value) {
    if (value)
        AttachedTree().Select(this);
    else if (Selected())
        tree_->Select(nullptr);
}

std::string HeadlessNode::Image() const {
    return ImageKeyOf(image_);
}

void HeadlessNode::SetImage(const std::string& key) {
    image_ = tree_ ? tree_->ImageId(key) : InternImageKey(key);
    if (tree_) tree_->NotifyChanged(*this);
}

std::string HeadlessNode::ExpandedImage() const {
    return ImageKeyOf(expandedImage_);
}

void HeadlessNode::SetExpandedImage(const std::string& key) {
    expandedImage_ = tree_ ? tree_->ImageId(key) : InternImageKey(key);
    if (tree_) tree_->NotifyChanged(*this);
}

void HeadlessNode::SetExpanded(bool value) {
    if (value == expanded_) return;
    expanded_ = value;
    if (tree_) tree_->NotifyExpanded(*this);
}

void HeadlessNode::SetForeColor(int32_t color) {
    if (color == foreColor_) return;
    foreColor_ = color;
    if (tree_) tree_->NotifyChanged(*this);
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
    if (value && tree_) tree_->SortChildren(*this);
}

void HeadlessNode::SetAllowDrop(int32_t value) {
    if (value < drop::None || value > (drop::Into | drop::Before | drop::After))
        throw Error(err::InvalidArgument, "Invalid procedure call or argument");
    allowDrop_ = value;
}

} // namespace qv
