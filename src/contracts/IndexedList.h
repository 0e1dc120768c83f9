#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A sequence whose elements carry their own links, so that the place of an element, the element
// at a place, an insertion anywhere and an erase all cost O(log n), and a walk from one element
// to the next amortised O(1). Shared by the project's collections and the tree's child lists,
// which both keep items in an order the user changes one item at a time.
namespace qv {

// The links of an element: derive from it to be an element of an IndexedList. An element is in
// at most one list at a time; copying an element copies no links.
class IndexedLink {
public:
    IndexedLink() = default;
    IndexedLink(const IndexedLink&) noexcept {}
    IndexedLink& operator=(const IndexedLink&) noexcept { return *this; }

    // Whether the element is in a list now.
    bool Linked() const { return size_ != 0; }

private:
    template <class T> friend class IndexedList;

    // A treap over the places: a binary tree in list order whose priorities are heap ordered,
    // so that its depth stays O(log n) whatever order the changes come in. size_ is exact
    // except along the right spine (the root and its right descendants) of a list appended to
    // (see IndexedList).
    IndexedLink* left_ = nullptr;
    IndexedLink* right_ = nullptr;
    IndexedLink* up_ = nullptr; // nullptr for the root
    uint32_t size_ = 0;         // elements in this subtree; 0 while in no list
    uint32_t priority_ = 0;     // 0 until first linked
};

// T derives from IndexedLink. The list does not own its elements; an element must leave the list
// (Erase, Clear) before it dies unless the list dies with it. Places are 0-based.
//
// Appending costs amortised O(1): a place counts left subtrees only, so the sizes along the right
// spine, which an append would have to walk up to the root to count, are left behind and counted
// again (O(log n)) only before an insertion elsewhere or an erase. A load of many big lists in
// turn thus touches a few elements per append, not a path of far-apart ones.
template <class T> class IndexedList {
public:
    IndexedList() = default;
    IndexedList(const IndexedList&) = delete;
    IndexedList& operator=(const IndexedList&) = delete;

    std::size_t Size() const { return count_; }
    bool Empty() const { return root_ == nullptr; }

    // The element at a place; nullptr when there is none.
    T* At(std::size_t index) const {
        const IndexedLink* x = root_;
        while (x) {
            const std::size_t left = SizeOf(x->left_);
            if (index < left) {
                x = x->left_;
            } else if (index == left) {
                return Cast(x);
            } else {
                index -= left + 1;
                x = x->right_;
            }
        }
        return nullptr;
    }
    // The place of an element of a list.
    static std::size_t IndexOf(const T& element) {
        const IndexedLink* x = &element;
        std::size_t index = SizeOf(x->left_);
        for (; x->up_; x = x->up_)
            if (x->up_->right_ == x) index += SizeOf(x->up_->left_) + 1;
        return index;
    }
    T* First() const { return root_ ? Cast(Leftmost(root_)) : nullptr; }
    T* Last() const { return Cast(last_); }
    // The neighbours of an element of a list; nullptr at either end.
    static T* Next(const T& element) {
        const IndexedLink* x = &element;
        if (x->right_) return Cast(Leftmost(x->right_));
        while (x->up_ && x->up_->right_ == x)
            x = x->up_;
        return x->up_ ? Cast(x->up_) : nullptr;
    }
    static T* Previous(const T& element) {
        const IndexedLink* x = &element;
        if (x->left_) return Cast(Rightmost(x->left_));
        while (x->up_ && x->up_->left_ == x)
            x = x->up_;
        return x->up_ ? Cast(x->up_) : nullptr;
    }

    // The first element that before(value, element) says value sorts before; nullptr when value
    // sorts before none. The list must be ordered for before.
    template <class Value, class Before> T* UpperBound(const Value& value, Before before) const {
        const IndexedLink* x = root_;
        const IndexedLink* found = nullptr;
        while (x) {
            if (before(value, *Cast(x))) {
                found = x;
                x = x->left_;
            } else {
                x = x->right_;
            }
        }
        return found ? Cast(found) : nullptr;
    }

    // Puts an element that is in no list at a place (index <= Size()) or just before another
    // element of this list (nullptr: at the end).
    void Insert(std::size_t index, T& element) {
        InsertBefore(index < Size() ? At(index) : nullptr, element);
    }
    void PushBack(T& element) { InsertBefore(nullptr, element); }
    void InsertBefore(T* before, T& element) {
        IndexedLink* e = &element;
        Reset(e);
        if (e->priority_ == 0) e->priority_ = NextPriority();
        ++count_;
        if (!root_) {
            root_ = last_ = e;
            return;
        }
        if (!before) return Append(e);
        CountSpine();
        // As a leaf: the left child of before, or else the right child of the element that
        // precedes it (the rightmost of its left subtree).
        IndexedLink* parent = nullptr;
        IndexedLink* next = before;
        if (!next->left_) {
            parent = next;
            parent->left_ = e;
        } else {
            parent = Rightmost(next->left_);
            parent->right_ = e;
        }
        e->up_ = parent;
        for (IndexedLink* x = parent; x; x = x->up_)
            ++x->size_;
        while (e->up_ && e->up_->priority_ < e->priority_)
            RotateUp(e);
    }

    // Takes an element of this list out of it.
    void Erase(T& element) {
        IndexedLink* e = &element;
        CountSpine();
        --count_;
        if (e == last_) last_ = Previous(element);
        while (e->left_ && e->right_)
            RotateUp(e->left_->priority_ > e->right_->priority_ ? e->left_ : e->right_);
        IndexedLink* child = e->left_ ? e->left_ : e->right_;
        IndexedLink* parent = e->up_;
        if (child) child->up_ = parent;
        Replace(parent, e, child);
        for (IndexedLink* x = parent; x; x = x->up_)
            --x->size_;
        Unlink(e);
    }

    // Makes the list the elements given, in their order, in linear time. Each element is in no
    // list or was in this one (then every element of this list must be given).
    void Assign(const std::vector<T*>& elements) {
        std::vector<IndexedLink*> spine; // the right spine of the tree built so far
        for (T* element : elements) {
            IndexedLink* e = element;
            Reset(e);
            if (e->priority_ == 0) e->priority_ = NextPriority();
            IndexedLink* last = nullptr;
            while (!spine.empty() && spine.back()->priority_ < e->priority_) {
                last = spine.back();
                spine.pop_back();
                Count(last); // its right subtree is complete once it leaves the spine
            }
            e->left_ = last;
            if (last) last->up_ = e;
            if (!spine.empty()) {
                spine.back()->right_ = e;
                e->up_ = spine.back();
            }
            spine.push_back(e);
        }
        for (auto it = spine.rbegin(); it != spine.rend(); ++it)
            Count(*it);
        root_ = spine.empty() ? nullptr : spine.front();
        last_ = spine.empty() ? nullptr : spine.back();
        count_ = static_cast<uint32_t>(elements.size());
        spineCounted_ = true;
    }

    // Takes every element out, leaving each unlinked; linear, without allocating.
    void Clear() {
        IndexedLink* x = root_;
        root_ = last_ = nullptr;
        count_ = 0;
        spineCounted_ = true;
        while (x) {
            if (IndexedLink* left = x->left_) {
                // Lift the left child until x has none; the order is kept.
                x->left_ = left->right_;
                left->right_ = x;
                x = left;
            } else {
                IndexedLink* next = x->right_;
                Unlink(x);
                x = next;
            }
        }
    }

private:
    static std::size_t SizeOf(const IndexedLink* x) { return x ? x->size_ : 0; }
    static T* Cast(const IndexedLink* x) {
        return x ? static_cast<T*>(const_cast<IndexedLink*>(x)) : nullptr;
    }
    static IndexedLink* Leftmost(const IndexedLink* x) {
        while (x->left_)
            x = x->left_;
        return const_cast<IndexedLink*>(x);
    }
    static IndexedLink* Rightmost(const IndexedLink* x) {
        while (x->right_)
            x = x->right_;
        return const_cast<IndexedLink*>(x);
    }
    static void Reset(IndexedLink* x) {
        x->left_ = x->right_ = x->up_ = nullptr;
        x->size_ = 1;
    }
    static void Unlink(IndexedLink* x) {
        Reset(x);
        x->size_ = 0;
    }
    static void Count(IndexedLink* x) {
        x->size_ = static_cast<uint32_t>(1 + SizeOf(x->left_) + SizeOf(x->right_));
    }
    static uint32_t NextPriority() {
        // xorshift: cheap, and any well spread values keep the expected depth logarithmic.
        static thread_local uint32_t state = 0x9E3779B9u;
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state | 1u;
    }
    // Puts e (linked to nothing yet) after the last element, as Assign does: the elements of the
    // right spine with a lower priority become e's left subtree, bottom up, so each is counted
    // from children already counted; those above e keep their old sizes.
    void Append(IndexedLink* e) {
        IndexedLink* left = nullptr;
        IndexedLink* x = last_;
        for (; x && x->priority_ < e->priority_; x = x->up_) {
            Count(x);
            left = x;
        }
        e->left_ = left;
        if (left) left->up_ = e;
        e->up_ = x;
        if (x)
            x->right_ = e;
        else
            root_ = e;
        last_ = e;
        spineCounted_ = false;
    }
    // Makes every size exact again, from the last element up: each element of the right spine
    // is counted after its right child.
    void CountSpine() {
        if (spineCounted_) return;
        for (IndexedLink* x = last_; x; x = x->up_)
            Count(x);
        spineCounted_ = true;
    }
    // Puts child where old was under parent (the root when parent is nullptr).
    void Replace(IndexedLink* parent, const IndexedLink* old, IndexedLink* child) {
        if (!parent)
            root_ = child;
        else if (parent->left_ == old)
            parent->left_ = child;
        else
            parent->right_ = child;
    }
    // Lifts x above its parent, keeping the order and every subtree's size.
    void RotateUp(IndexedLink* x) {
        IndexedLink* p = x->up_;
        IndexedLink* g = p->up_;
        if (p->left_ == x) {
            p->left_ = x->right_;
            if (p->left_) p->left_->up_ = p;
            x->right_ = p;
        } else {
            p->right_ = x->left_;
            if (p->right_) p->right_->up_ = p;
            x->left_ = p;
        }
        p->up_ = x;
        x->up_ = g;
        Replace(g, p, x);
        Count(p);
        Count(x);
    }

    IndexedLink* root_ = nullptr;
    IndexedLink* last_ = nullptr; // kept, so that appending and reading the end cost O(1)
    uint32_t count_ = 0;          // the root's size is not kept while appending
    bool spineCounted_ = true;    // false: the right spine's sizes miss elements appended since
};

} // namespace qv
