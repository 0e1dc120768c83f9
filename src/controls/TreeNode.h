#pragma once

#include "contracts/IndexedList.h"
#include "contracts/TreeView.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class HeadlessTreeView;

// A node of HeadlessTreeView, made by Nodes::Add and owned by the tree while attached. Once
// removed from its tree a node is detached: it keeps its own values (key, text, tag, images,
// flags) but has no parent, children or siblings, is not selected, and refuses what needs a
// tree (SetParent, Remove, SetSelected(true), EnsureVisible) with error 35605.
//
// A node's children are an IndexedList: a child's place, the child at a place, and adding,
// removing or moving one child cost O(log n) in the number of siblings, so that one change in a
// folder of 50,000 files or a category of 100,000 topics costs about what it does in a small one.
// While Redraw is off (a load) a sorted parent takes new children at its end and sorts them all
// at once, when Redraw comes back on or when its order is read before.
class HeadlessNode : public Node, public IndexedLink {
public:
    // Only the tree makes nodes (Make).
    HeadlessNode(std::string_view key, std::string_view text);
    ~HeadlessNode() override;
    HeadlessNode(const HeadlessNode&) = delete;
    HeadlessNode& operator=(const HeadlessNode&) = delete;

    std::string TypeName() const override { return "Node"; }

    std::string Text() const override { return std::string(TextRef()); }
    void SetText(const std::string& text) override;
    std::string Key() const override { return std::string(KeyRef()); }
    std::string_view KeyRef() const override { return {texts_, keySize_}; }
    void SetKey(const std::string& key) override;
    Node* Parent() const override;
    void SetParent(Node* parent) override;
    Node* PreviousSibling() const override;
    Node* NextSibling() const override;
    Node* FirstChild() const override;
    int32_t ChildCount() const override { return static_cast<int32_t>(Kids().Size()); }
    Node* NextNode() const override;
    const Variant& Tag() const override;
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

    // Copy-free access for the tree's own users; valid until the key or the text changes.
    std::string_view TextRef() const { return {texts_ + keySize_, textSize_}; }
    // Tag is the string "FileSystemFolder": such children come first under a sorted parent.
    bool IsFileSystemFolder() const { return folderTag_; }
    // The tree the node is in (nullptr when detached), found through its ancestors: O(depth).
    HeadlessTreeView* Tree() const;
    // For views: the parent, nullptr for a top-level or detached node; the place among the
    // siblings (0 when detached), O(log n); the child at a place, nullptr out of range, O(1)
    // when the row is next to one read just before, else O(log n).
    HeadlessNode* ParentNode() const { return parent_ && !parent_->isRoot_ ? parent_ : nullptr; }
    int32_t Row() const { return parent_ ? static_cast<int32_t>(Position()) : 0; }
    HeadlessNode* ChildAt(int32_t row) const;

private:
    friend class HeadlessTreeView;
    friend class HeadlessTreeRoot;
    using Children = IndexedList<HeadlessNode>;

    HeadlessTreeView& AttachedTree() const; // 35605 when detached
    std::size_t Position() const {
        parent_->EnsureOrder();
        return Children::IndexOf(*this);
    }
    // Puts children that a sorted parent took without their place into their places.
    void EnsureOrder() const {
        if (orderPending_) SortPendingChildren();
    }
    void SortPendingChildren() const;
    // The owning pointer of an attached node.
    const std::shared_ptr<HeadlessNode>& Self() const { return self_; }
    // The child list, empty for a node that never had children; Adopt makes it on first use.
    const Children& Kids() const { return children_ ? *children_ : kNoChildren; }
    Children& Adopt() {
        if (!children_) children_ = std::make_unique<Children>();
        return *children_;
    }

    // A block of key and text (nullptr when both are empty), made before the node changes so
    // that a failure changes nothing: a key or text of 4 GiB or more raises InvalidArgument.
    struct Texts {
        std::unique_ptr<char[]> block;
        uint32_t keySize = 0;
        uint32_t textSize = 0;
    };
    static Texts MakeTexts(std::string_view key, std::string_view text);
    void SetTexts(Texts texts) noexcept {
        if (ownTexts_) delete[] texts_;
        texts_ = texts.block.release();
        ownTexts_ = texts_ != nullptr;
        keySize_ = texts.keySize;
        textSize_ = texts.textSize;
    }
    // A node whose first block of key and text lies in its own allocation, after the node and
    // its shared_ptr control block: one allocation a node. A later key or text too long for
    // that room gets a block of its own (MakeTexts). The same errors as MakeTexts.
    static std::shared_ptr<HeadlessNode> Make(std::string_view key, std::string_view text);

    static const Children kNoChildren;

    // A tree holds many nodes (150,000 for a project of 100,000 topics), most of them leaves
    // without a tag: whatever only some nodes need (the child list, a tag) lies outside, the
    // tree is reached through the ancestors, and the flags share one word with the colour and
    // images. What a sorted insert compares comes first, so that one cache line serves a
    // comparison. The key and the text share one block, key first (see SetTexts), their sizes
    // kept here; a node's first block lies in the node's own allocation (Make).
    char* texts_ = nullptr; // owned when ownTexts_, else in the node's allocation (or nullptr)
    uint32_t keySize_ = 0;
    uint32_t textSize_ = 0;
    uint32_t image_ = 0; // interned image keys (ImageKeyTable)
    uint32_t expandedImage_ = 0;
    int32_t foreColor_ = -1;
    uint16_t allowDrop_ : 3 = drop::Into | drop::Before | drop::After;
    bool folderTag_ : 1 = false;
    bool expanded_ : 1 = false;
    bool sorted_ : 1 = false;
    bool allowDrag_ : 1 = true;
    bool isRoot_ : 1 = false;
    mutable bool orderPending_ : 1 = false; // children not in sorted order yet (see EnsureOrder)
    bool ownTexts_ : 1 = false;             // texts_ came from MakeTexts
    HeadlessNode* parent_ = nullptr;        // the tree's hidden root for a top-level node
    std::unique_ptr<Children> children_;
    // An attached node owns itself (its parent's list holds it without owning); detaching it
    // hands this over.
    std::shared_ptr<HeadlessNode> self_;
    std::unique_ptr<Variant> tag_; // nullptr while the tag is Empty
};

// The hidden root of a tree, whose children are the top-level nodes. It alone holds the tree:
// the other nodes reach it through their ancestors.
class HeadlessTreeRoot final : public HeadlessNode {
public:
    explicit HeadlessTreeRoot(HeadlessTreeView* tree) : HeadlessNode({}, {}), tree_(tree) {
        isRoot_ = true;
        expanded_ = true;
    }

private:
    friend class HeadlessNode;
    friend class HeadlessTreeView;

    HeadlessTreeView* tree_; // nullptr once the tree is gone
};

inline HeadlessTreeView* HeadlessNode::Tree() const {
    const HeadlessNode* n = this;
    while (n->parent_)
        n = n->parent_;
    return n->isRoot_ ? static_cast<const HeadlessTreeRoot*>(n)->tree_ : nullptr;
}

} // namespace qv
