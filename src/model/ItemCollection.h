#pragma once

#include "contracts/IndexedList.h"
#include "contracts/ProjectModel.h"
#include "model/DiskPath.h"
#include "model/ModelErrors.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qv {

// A project collection: items in project order, each under one unique key. Lookups by key
// and by item are hash lookups; the order is an IndexedList, so an item's position, the item at
// a position, and an insert or erase anywhere cost O(log n) (a move in a 100,000-item project
// costs about what it does in a small one), and reading the items by rising position costs
// O(1) each. Add and Remove go to the owner's hooks, which check the item, change the storage
// through Insert/Erase and raise the project's events.
template <class T> class ItemCollection final : public Collection<T>, public KeyedCollection {
public:
    using AddHook = std::function<void(std::shared_ptr<T>, const std::string& key,
                                       const Variant& before, const Variant& after)>;
    using RemoveHook = std::function<void(const std::string& key)>;

    // keysIgnoreCase: keys that differ only in case name the same item (the files, whose keys
    // are paths on a disk treated as case-insensitive).
    ItemCollection(std::string typeName, AddHook add, RemoveHook remove,
                   bool keysIgnoreCase = false)
        : typeName_(std::move(typeName)), add_(std::move(add)), remove_(std::move(remove)),
          byKey_(0, KeyHash{keysIgnoreCase}, KeyEqual{keysIgnoreCase}) {}

    std::string TypeName() const override { return typeName_; }
    bool Enumerate(std::vector<Variant>& elements) const override {
        elements.reserve(elements.size() + order_.Size());
        for (const Slot* slot = order_.First(); slot; slot = Order::Next(*slot))
            elements.emplace_back(std::shared_ptr<Object>(slot->item));
        return true;
    }

    int32_t Count() const override { return static_cast<int32_t>(order_.Size()); }
    std::shared_ptr<T> Item(int32_t index) const override {
        if (index < 1 || index > Count()) ThrowSubscriptOutOfRange();
        return SlotAt(static_cast<std::size_t>(index - 1)).item;
    }
    std::shared_ptr<T> Item(const std::string& key) const override {
        auto it = byKey_.find(key);
        if (it == byKey_.end()) ThrowSubscriptOutOfRange();
        return it->second.item;
    }
    bool Contains(const std::string& key) const override { return byKey_.count(key) != 0; }
    int32_t IndexOf(const T& item) const override {
        const Slot* slot = byItem_.Find(&item);
        if (!slot) return 0;
        return static_cast<int32_t>(Order::IndexOf(*slot) + 1);
    }
    void Add(std::shared_ptr<T> item, const std::string& key = {}, const Variant& before = {},
             const Variant& after = {}) override {
        add_(std::move(item), key, before, after);
    }
    void Remove(const std::string& key) override { remove_(key); }

    // Storage, for the owner.
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    std::shared_ptr<T> Find(const std::string& key) const {
        auto it = byKey_.find(key);
        return it == byKey_.end() ? nullptr : it->second.item;
    }
    // The item at a 0-based position (< Size()); O(1) when the position follows the one read
    // last, else O(log n).
    const std::shared_ptr<T>& At(std::size_t position) const { return SlotAt(position).item; }
    std::size_t Size() const { return order_.Size(); }
    // 0-based position, npos when absent.
    std::size_t PositionOf(const std::string& key) const {
        auto it = byKey_.find(key);
        if (it == byKey_.end()) return npos;
        return Order::IndexOf(it->second);
    }
    std::size_t PositionOf(const T& item) const {
        const Slot* slot = byItem_.Find(&item);
        if (!slot) return npos;
        return Order::IndexOf(*slot);
    }
    void Reserve(std::size_t n) {
        byKey_.reserve(n);
        byItem_.Reserve(n);
    }
    // The caller has checked that neither the key nor the item is present yet.
    void Insert(std::size_t position, const std::string& key, std::shared_ptr<T> item) {
        const T* raw = item.get();
        auto [it, added] = byKey_.emplace(key, Slot{});
        Slot& slot = it->second;
        slot.item = std::move(item);
        byItem_.Insert(raw, &slot);
        Moved();
        order_.Insert(position, slot);
    }
    void Append(const std::string& key, std::shared_ptr<T> item) {
        Insert(order_.Size(), key, std::move(item));
    }
    // Appends the item unless the key is taken (false: nothing changed). The item must not be
    // present yet.
    bool AppendNew(const std::string& key, std::shared_ptr<T> item) {
        auto [it, added] = byKey_.try_emplace(key);
        if (!added) return false;
        Slot& slot = it->second;
        const T* raw = item.get();
        slot.item = std::move(item);
        byItem_.Insert(raw, &slot);
        Moved();
        order_.Insert(order_.Size(), slot);
        return true;
    }
    // Removes and returns the item under the key; nullptr when absent.
    std::shared_ptr<T> Erase(const std::string& key) {
        auto it = byKey_.find(key);
        if (it == byKey_.end()) return nullptr;
        Moved();
        order_.Erase(it->second);
        std::shared_ptr<T> item = std::move(it->second.item);
        byItem_.Erase(item.get());
        byKey_.erase(it);
        return item;
    }

    // Where Add's Before/After put a new item: a 0-based position. Before and After name a
    // 1-based position or a key; both given is error 5; an unknown one error 9.
    std::size_t InsertionPoint(const Variant& before, const Variant& after) const {
        bool hasBefore = Given(before), hasAfter = Given(after);
        if (hasBefore && hasAfter)
            throw Error(err::InvalidArgument, "Invalid procedure call or argument: give Before "
                                              "or After, not both");
        if (hasBefore) return Locate(before);
        if (hasAfter) return Locate(after) + 1;
        return order_.Size();
    }

private:
    // Lives in the key map's node, which stays put while the map grows, so that the order and
    // byItem_ can point at it.
    struct Slot : IndexedLink {
        std::shared_ptr<T> item;
    };
    using Order = IndexedList<Slot>;
    struct KeyHash {
        bool ignoreCase;
        std::size_t operator()(const std::string& key) const {
            return ignoreCase ? disk::HashNoCase(key) : std::hash<std::string>{}(key);
        }
    };
    struct KeyEqual {
        bool ignoreCase;
        bool operator()(const std::string& a, const std::string& b) const {
            return ignoreCase ? disk::SameNoCase(a, b) : a == b;
        }
    };
    using Map = std::unordered_map<std::string, Slot, KeyHash, KeyEqual>;

    // Item to slot, open addressing in one array: no allocation per item.
    class ItemIndex {
    public:
        Slot* Find(const T* item) const {
            if (table_.empty()) return nullptr;
            for (std::size_t i = Home(item);; i = (i + 1) & Mask()) {
                if (!table_[i].item) return nullptr;
                if (table_[i].item == item) return table_[i].slot;
            }
        }
        // The item is not present yet.
        void Insert(const T* item, Slot* slot) {
            if ((size_ + 1) * 4 > table_.size() * 3) Grow(std::max(size_ + 1, table_.size()));
            std::size_t i = Home(item);
            while (table_[i].item)
                i = (i + 1) & Mask();
            table_[i] = {item, slot};
            ++size_;
        }
        void Erase(const T* item) {
            if (table_.empty()) return;
            std::size_t i = Home(item);
            while (table_[i].item != item) {
                if (!table_[i].item) return;
                i = (i + 1) & Mask();
            }
            // Backward shift: later entries of the same run move up, so no marker is needed.
            for (std::size_t j = (i + 1) & Mask(); table_[j].item; j = (j + 1) & Mask()) {
                const std::size_t home = Home(table_[j].item);
                if (((j - home) & Mask()) >= ((j - i) & Mask())) {
                    table_[i] = table_[j];
                    i = j;
                }
            }
            table_[i] = {};
            --size_;
        }
        void Reserve(std::size_t n) {
            if (n * 4 > table_.size() * 3) Grow(std::max(n, size_));
        }

    private:
        struct Entry {
            const T* item = nullptr;
            Slot* slot = nullptr;
        };
        std::size_t Mask() const { return table_.size() - 1; }
        std::size_t Home(const T* item) const {
            auto h = reinterpret_cast<std::uintptr_t>(item) * 0x9E3779B97F4A7C15ull;
            return static_cast<std::size_t>(h >> 20) & Mask();
        }
        void Grow(std::size_t n) {
            std::size_t size = 16;
            while (size * 3 < n * 4)
                size *= 2;
            std::vector<Entry> old = std::exchange(table_, std::vector<Entry>(size));
            for (const Entry& e : old) {
                if (!e.item) continue;
                std::size_t i = Home(e.item);
                while (table_[i].item)
                    i = (i + 1) & Mask();
                table_[i] = e;
            }
        }
        std::vector<Entry> table_; // a power of two in size, at most three quarters full
        std::size_t size_ = 0;
    };

    static bool Given(const Variant& v) { return !v.IsEmpty() && !v.IsMissing(); }

    std::size_t Locate(const Variant& where) const {
        if (where.Type() == VarType::String) {
            std::size_t position = PositionOf(where.ToString());
            if (position == npos) ThrowSubscriptOutOfRange();
            return position;
        }
        int32_t index = where.ToLong();
        if (index < 1 || index > Count()) ThrowSubscriptOutOfRange();
        return static_cast<std::size_t>(index - 1);
    }

    const Slot& SlotAt(std::size_t position) const {
        // Loops read the items by rising position: the next one is the last one's neighbour.
        const Slot* slot = nullptr;
        if (last_ && position == lastPosition_ + 1)
            slot = Order::Next(*last_);
        else if (last_ && position == lastPosition_)
            slot = last_;
        else
            slot = order_.At(position);
        last_ = slot;
        lastPosition_ = position;
        return *slot;
    }
    // The order changes: the last read position no longer tells where an item is.
    void Moved() { last_ = nullptr; }

    std::string typeName_;
    AddHook add_;
    RemoveHook remove_;
    Map byKey_; // nodes stay put on rehash, so order_ and byItem_ may point into it
    ItemIndex byItem_;
    Order order_;
    mutable const Slot* last_ = nullptr; // the slot read last, at lastPosition_
    mutable std::size_t lastPosition_ = 0;
};

} // namespace qv
