#pragma once

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
// and by item are hash lookups; positions are recomputed once after a change in the middle,
// so appending (as loading does) stays linear. Add and Remove go to the owner's hooks, which
// check the item, change the storage through Insert/Erase and raise the project's events.
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
        elements.reserve(elements.size() + order_.size());
        for (const auto* slot : order_)
            elements.emplace_back(std::shared_ptr<Object>(slot->second.item));
        return true;
    }

    int32_t Count() const override { return static_cast<int32_t>(order_.size()); }
    std::shared_ptr<T> Item(int32_t index) const override {
        if (index < 1 || index > Count()) ThrowSubscriptOutOfRange();
        return order_[static_cast<std::size_t>(index - 1)]->second.item;
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
        EnsurePositions();
        return static_cast<int32_t>(it->second->second.pos + 1);
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
    const std::shared_ptr<T>& At(std::size_t position) const {
        return order_[position]->second.item;
    }
    std::size_t Size() const { return order_.size(); }
    // 0-based position, npos when absent.
    std::size_t PositionOf(const std::string& key) const {
        auto it = byKey_.find(key);
        if (it == byKey_.end()) return npos;
        EnsurePositions();
        return it->second.pos;
    }
    std::size_t PositionOf(const T& item) const {
        auto it = byItem_.find(&item);
        if (it == byItem_.end()) return npos;
        EnsurePositions();
        return it->second->second.pos;
    }
    void Reserve(std::size_t n) {
        byKey_.reserve(n);
        byItem_.reserve(n);
        order_.reserve(n);
    }
    // The caller has checked that neither the key nor the item is present yet.
    void Insert(std::size_t position, const std::string& key, std::shared_ptr<T> item) {
        const T* raw = item.get();
        auto [it, added] = byKey_.emplace(key, Slot{std::move(item), position});
        byItem_.emplace(raw, &*it);
        if (position >= order_.size()) {
            it->second.pos = order_.size();
            order_.push_back(&*it);
        } else {
            order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(position), &*it);
            positionsValid_ = false;
        }
    }
    void Append(const std::string& key, std::shared_ptr<T> item) {
        Insert(order_.size(), key, std::move(item));
    }
    // Removes and returns the item under the key; nullptr when absent.
    std::shared_ptr<T> Erase(const std::string& key) {
        auto it = byKey_.find(key);
        if (it == byKey_.end()) return nullptr;
        EnsurePositions();
        std::size_t position = it->second.pos;
        std::shared_ptr<T> item = std::move(it->second.item);
        order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(position));
        if (position != order_.size()) positionsValid_ = false;
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
        return order_.size();
    }

private:
    struct Slot {
        std::shared_ptr<T> item;
        std::size_t pos;
    };
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
    using Entry = typename Map::value_type;

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

    void EnsurePositions() const {
        if (positionsValid_) return;
        for (std::size_t i = 0; i < order_.size(); ++i)
            order_[i]->second.pos = i;
        positionsValid_ = true;
    }

    std::string typeName_;
    AddHook add_;
    RemoveHook remove_;
    Map byKey_; // nodes stay put on rehash, so order_ and byItem_ may point into it
    std::unordered_map<const T*, Entry*> byItem_;
    std::vector<Entry*> order_;
    mutable bool positionsValid_ = true;
};

} // namespace qv
