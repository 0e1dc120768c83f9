#pragma once

#include "contracts/IndexedList.h"
#include "contracts/ProjectModel.h"
#include "model/DiskPath.h"
#include "model/ModelErrors.h"

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
        auto it = byItem_.find(&item);
        if (it == byItem_.end()) return 0;
        return static_cast<int32_t>(Order::IndexOf(*it->second) + 1);
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
        auto it = byItem_.find(&item);
        if (it == byItem_.end()) return npos;
        return Order::IndexOf(*it->second);
    }
    void Reserve(std::size_t n) {
        byKey_.reserve(n);
        byItem_.reserve(n);
    }
    // The caller has checked that neither the key nor the item is present yet.
    void Insert(std::size_t position, const std::string& key, std::shared_ptr<T> item) {
        const T* raw = item.get();
        auto [it, added] = byKey_.emplace(key, Slot{});
        Slot& slot = it->second;
        slot.item = std::move(item);
        byItem_.emplace(raw, &slot);
        Moved();
        order_.Insert(position, slot);
    }
    void Append(const std::string& key, std::shared_ptr<T> item) {
        Insert(order_.Size(), key, std::move(item));
    }
    // Removes and returns the item under the key; nullptr when absent.
    std::shared_ptr<T> Erase(const std::string& key) {
        auto it = byKey_.find(key);
        if (it == byKey_.end()) return nullptr;
        Moved();
        order_.Erase(it->second);
        std::shared_ptr<T> item = std::move(it->second.item);
        byItem_.erase(item.get());
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
    std::unordered_map<const T*, Slot*> byItem_;
    Order order_;
    mutable const Slot* last_ = nullptr; // the slot read last, at lastPosition_
    mutable std::size_t lastPosition_ = 0;
};

} // namespace qv
