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
    // so that its depth stays O(log n) whatever order the changes come in.
    IndexedLink* left_ = nullptr;
    IndexedLink* right_ = nullptr;
    IndexedLink* up_ = nullptr; // nullptr for the root
    uint32_t size_ = 0;         // elements in this subtree; 0 while in no list
    uint32_t priority_ = 0;     // 0 until first linked
};

// T derives from IndexedLink. The list does not own its elements; an element must leave the list
// (Erase, Clear) before it dies unless the list dies with it. Places are 0-based.
template <class T> class IndexedList {
public:
    IndexedList() = default;
    IndexedList(const IndexedList&) = delete;
    IndexedList& operator=(const IndexedList&) = delete;

    std::size_t Size() const { return root_ ? root_->size_ : 0; }
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
        if (!root_) {
            root_ = last_ = e;
            return;
        }
        // As a leaf: the left child of before, or else the right child of the element that
        // precedes it (the rightmost of its left subtree, or the last element).
        IndexedLink* parent = nullptr;
        IndexedLink* next = before;
        if (!next) {
            parent = last_;
            parent->right_ = e;
            last_ = e;
        } else if (!next->left_) {
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
    }

    // Takes every element out, leaving each unlinked; linear, without allocating.
    void Clear() {
        IndexedLink* x = root_;
        root_ = last_ = nullptr;
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
};

} // namespace qv
