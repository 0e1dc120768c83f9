#pragma once

#include "contracts/TreeView.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class HeadlessTreeView;

// A node of HeadlessTreeView, made by Nodes::Add and owned by its parent's child list. Once
// removed from its tree a node is detached: it keeps its own values (key, text, tag, images,
// flags) but has no parent, children or siblings, is not selected, and refuses what needs a
// tree (SetParent, Remove, SetSelected(true), EnsureVisible) with error 35605.
class HeadlessNode final : public Node {
public:
    // Only the tree makes nodes; tree is nullptr for none.
    HeadlessNode(HeadlessTreeView* tree, std::string key, std::string text);

    std::string TypeName() const override { return "Node"; }

    std::string Text() const override { return text_; }
    void SetText(const std::string& text) override;
    std::string Key() const override { return key_; }
    void SetKey(const std::string& key) override;
    Node* Parent() const override;
    void SetParent(Node* parent) override;
    Node* PreviousSibling() const override;
    Node* NextSibling() const override;
    Node* FirstChild() const override;
    int32_t ChildCount() const override { return static_cast<int32_t>(children_.size()); }
    Node* NextNode() const override;
    const Variant& Tag() const override { return tag_; }
    void SetTag(Variant tag) override;
    void Remove() override;
    bool Selected() const override;
    void SetSelected(bool value) override;
    std::string Image() const override;
    void SetImage(const std::string& key) override;
    std::string ExpandedImage() const override;
    void SetExpandedImage(const std::string& key) override;
    bool Expanded() const override { return expanded_; }
    void SetExpanded(bool value) override;
    void EnsureVisible() override;
    int32_t ForeColor() const override { return foreColor_; }
    void SetForeColor(int32_t color) override;
    bool Sorted() const override { return sorted_; }
    void SetSorted(bool value) override;
    int32_t AllowDrop() const override { return allowDrop_; }
    void SetAllowDrop(int32_t value) override;
    bool AllowDrag() const override { return allowDrag_; }
    void SetAllowDrag(bool value) override { allowDrag_ = value; }

    // Copy-free access for the tree's own users.
    const std::string& KeyRef() const { return key_; }
    const std::string& TextRef() const { return text_; }
    // Tag is the string "FileSystemFolder": such children come first under a sorted parent.
    bool IsFileSystemFolder() const { return folderTag_; }
    HeadlessTreeView* Tree() const { return tree_; }
    // For views: the parent, nullptr for a top-level or detached node; the place among the
    // siblings (0 when detached), amortised O(1); the child at a place, nullptr out of range.
    HeadlessNode* ParentNode() const { return parent_ && !parent_->isRoot_ ? parent_ : nullptr; }
    int32_t Row() const { return parent_ ? static_cast<int32_t>(Position()) : 0; }
    HeadlessNode* ChildAt(int32_t row) const {
        return row >= 0 && static_cast<std::size_t>(row) < children_.size() ? children_[row].get()
                                                                            : nullptr;
    }

private:
    friend class HeadlessTreeView;

    HeadlessTreeView& AttachedTree() const; // 35605 when detached
    uint32_t Position() const {
        if (position_ >= parent_->validBelow_) parent_->RenumberChildren();
        return position_;
    }
    // The owning pointer of an attached node.
    const std::shared_ptr<HeadlessNode>& Self() const { return parent_->children_[Position()]; }
    // Children from position on may have moved; the recorded position of each that moved is
    // at least position (so everything recorded below validBelow_ stays exact).
    void ChildrenMovedFrom(std::size_t position) {
        if (position < validBelow_) validBelow_ = static_cast<uint32_t>(position);
    }
    void RenumberChildren() const;

    // What a sorted insert compares comes first, so that one cache line serves a comparison.
    std::string text_;
    bool folderTag_ = false;
    bool expanded_ = false;
    bool sorted_ = false;
    bool allowDrag_ = true;
    bool isRoot_ = false;
    // Position in parent_->children_. After an insert or erase in the middle of a child list the
    // positions behind it are brought up to date lazily, at the first question, so that a load
    // into a sorted folder renumbers nothing. A position below the parent's validBelow_ is exact.
    mutable uint32_t position_ = 0;
    mutable uint32_t validBelow_ = UINT32_MAX; // of this node's children
    HeadlessNode* parent_ = nullptr;           // the tree's hidden root for a top-level node
    std::vector<std::shared_ptr<HeadlessNode>> children_;
    HeadlessTreeView* tree_;
    std::string key_;
    Variant tag_;
    uint32_t image_ = 0; // interned image keys (ImageKeyTable)
    uint32_t expandedImage_ = 0;
    int32_t foreColor_ = -1;
    int32_t allowDrop_ = drop::Into | drop::Before | drop::After;
};

} // namespace qv
