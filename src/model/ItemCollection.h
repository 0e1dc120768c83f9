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
#include <string_view>
#include <utility>
#include <vector>

namespace qv {

// A project collection: items in project order, each under one unique key. Lookups by key
// and by item are hash lookups; the order is an IndexedList, so an item's position, the item at
// a position, and an insert or erase anywhere cost O(log n) (a move in a 100,000-item project
// costs about what it does in a small one), and reading the items by rising position costs
// O(1) each. Add and Remove go to the owner's hooks, which check the item, change the storage
// through Insert/Erase and raise the project's events. The items' places (key, order links)
// live in blocks of many, found through open-addressing tables: no allocation per item.
namespace detail {
// Removes entry i from a linear-probing table of power-of-two size. Backward shift: later entries
// of the same run move up, so no tombstone is needed and lookups stay short.
template <class Entry, class Occupied, class Home>
void EraseProbed(std::vector<Entry>& table, std::size_t i, Occupied occupied, Home home) {
    const std::size_t mask = table.size() - 1;
    for (std::size_t j = (i + 1) & mask; occupied(table[j]); j = (j + 1) & mask) {
        if (((j - (home(table[j]) & mask)) & mask) >= ((j - i) & mask)) {
            table[i] = table[j];
            i = j;
        }
    }
    table[i] = {};
}
} // namespace detail

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
          byKey_(keysIgnoreCase) {}

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
        const Slot* slot = byKey_.Find(key);
        if (!slot) ThrowSubscriptOutOfRange();
        return slot->item;
    }
    T* ItemOrNull(std::string_view key) const override {
        const Slot* slot = byKey_.Find(key);
        return slot ? slot->item.get() : nullptr;
    }
    bool Contains(const std::string& key) const override { return byKey_.Find(key) != nullptr; }
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
        const Slot* slot = byKey_.Find(key);
        return slot ? slot->item : nullptr;
    }
    // The item at a 0-based position (< Size()); O(1) when the position follows the one read
    // last, else O(log n).
    const std::shared_ptr<T>& At(std::size_t position) const { return SlotAt(position).item; }
    std::size_t Size() const { return order_.Size(); }
    // 0-based position, npos when absent.
    std::size_t PositionOf(const std::string& key) const {
        const Slot* slot = byKey_.Find(key);
        if (!slot) return npos;
        return Order::IndexOf(*slot);
    }
    std::size_t PositionOf(const T& item) const {
        const Slot* slot = byItem_.Find(&item);
        if (!slot) return npos;
        return Order::IndexOf(*slot);
    }
    void Reserve(std::size_t n) {
        byKey_.Reserve(n);
        byItem_.Reserve(n);
        slots_.Reserve(n > order_.Size() ? n - order_.Size() : 0);
    }
    // The caller has checked that neither the key nor the item is present yet.
    void Insert(std::size_t position, const std::string& key, std::shared_ptr<T> item) {
        Slot& slot = NewSlot(key, byKey_.Hash(key), std::move(item));
        Moved();
        order_.Insert(position, slot);
    }
    void Append(const std::string& key, std::shared_ptr<T> item) {
        Insert(order_.Size(), key, std::move(item));
    }
    // Appends the item unless the key is taken (false: nothing changed). The item must not be
    // present yet.
    bool AppendNew(const std::string& key, std::shared_ptr<T> item) {
        const std::size_t hash = byKey_.Hash(key);
        if (byKey_.Find(key, hash)) return false;
        Slot& slot = NewSlot(key, hash, std::move(item));
        Moved();
        order_.Insert(order_.Size(), slot);
        return true;
    }
    // Removes and returns the item under the key; nullptr when absent.
    std::shared_ptr<T> Erase(const std::string& key) {
        Slot* slot = byKey_.Find(key);
        if (!slot) return nullptr;
        Moved();
        order_.Erase(*slot);
        std::shared_ptr<T> item = std::move(slot->item);
        byItem_.Erase(item.get());
        byKey_.Erase(*slot);
        std::string().swap(slot->key);
        slots_.Free(*slot);
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
    // An item's place: stays put while the collection grows (SlotStore), so that the order and
    // the indexes can point at it.
    struct Slot : IndexedLink {
        std::shared_ptr<T> item;
        std::string key;
        std::size_t hash = 0; // of the key
    };
    using Order = IndexedList<Slot>;

    // The slots, in blocks that never move; a freed slot is used again.
    class SlotStore {
    public:
        Slot& Take() {
            if (!free_.empty()) {
                Slot* slot = free_.back();
                free_.pop_back();
                return *slot;
            }
            if (used_ == blockSize_) {
                // Blocks grow with the collection, so that there are O(log n) of them.
                blockSize_ = std::max({want_, std::size_t{16}, total_ / 2});
                blocks_.push_back(std::make_unique<Slot[]>(blockSize_));
                total_ += blockSize_;
                used_ = 0;
                want_ = 0;
            }
            return blocks_.back()[used_++];
        }
        void Free(Slot& slot) { free_.push_back(&slot); }
        // The next block holds at least n slots, when the current one has no room for them.
        void Reserve(std::size_t n) {
            if (blockSize_ - used_ + free_.size() < n) want_ = std::max(want_, n);
        }

    private:
        std::vector<std::unique_ptr<Slot[]>> blocks_;
        std::vector<Slot*> free_;
        std::size_t blockSize_ = 0; // of the last block
        std::size_t used_ = 0;      // slots of the last block handed out
        std::size_t total_ = 0;
        std::size_t want_ = 0;
    };

    // Key to slot, open addressing in one array of (hash, slot) pairs: a probe compares
    // hashes without touching the slots.
    class KeyIndex {
    public:
        explicit KeyIndex(bool ignoreCase) : ignoreCase_(ignoreCase) {}
        // std::hash of a view equals that of a string with the same characters.
        std::size_t Hash(std::string_view key) const {
            return ignoreCase_ ? disk::HashNoCase(key) : std::hash<std::string_view>{}(key);
        }
        Slot* Find(std::string_view key) const { return Find(key, Hash(key)); }
        Slot* Find(std::string_view key, std::size_t hash) const {
            if (table_.empty()) return nullptr;
            for (std::size_t i = hash & Mask();; i = (i + 1) & Mask()) {
                const Entry& e = table_[i];
                if (!e.slot) return nullptr;
                if (e.hash == hash && Same(e.slot->key, key)) return e.slot;
            }
        }
        // The key is not present yet.
        void Insert(Slot* slot) {
            if ((size_ + 1) * 4 > table_.size() * 3) Grow(std::max(size_ + 1, table_.size()));
            Place({slot->hash, slot});
            ++size_;
        }
        void Erase(const Slot& slot) {
            if (table_.empty()) return;
            std::size_t i = slot.hash & Mask();
            while (table_[i].slot != &slot) {
                if (!table_[i].slot) return;
                i = (i + 1) & Mask();
            }
            detail::EraseProbed(
                table_, i, [](const Entry& e) { return e.slot != nullptr; },
                [](const Entry& e) { return e.hash; });
            --size_;
        }
        void Reserve(std::size_t n) {
            if (n * 4 > table_.size() * 3) Grow(std::max(n, size_));
        }

    private:
        struct Entry {
            std::size_t hash = 0;
            Slot* slot = nullptr;
        };
        bool Same(const std::string& a, std::string_view b) const {
            return ignoreCase_ ? disk::SameNoCase(a, b) : a == b;
        }
        std::size_t Mask() const { return table_.size() - 1; }
        void Place(const Entry& e) {
            std::size_t i = e.hash & Mask();
            while (table_[i].slot)
                i = (i + 1) & Mask();
            table_[i] = e;
        }
        void Grow(std::size_t n) {
            std::size_t size = 16;
            while (size * 3 < n * 4)
                size *= 2;
            std::vector<Entry> old = std::exchange(table_, std::vector<Entry>(size));
            for (const Entry& e : old)
                if (e.slot) Place(e);
        }
        bool ignoreCase_;
        std::vector<Entry> table_; // a power of two in size, at most three quarters full
        std::size_t size_ = 0;
    };

    // A slot for a key and item that are not present yet, in both indexes.
    Slot& NewSlot(const std::string& key, std::size_t hash, std::shared_ptr<T> item) {
        Slot& slot = slots_.Take();
        slot.key = key;
        slot.hash = hash;
        slot.item = std::move(item);
        byKey_.Insert(&slot);
        byItem_.Insert(slot.item.get(), &slot);
        return slot;
    }

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
            detail::EraseProbed(
                table_, i, [](const Entry& e) { return e.item != nullptr; },
                [this](const Entry& e) { return Home(e.item); });
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
    SlotStore slots_; // declared before the order and indexes that point into it
    KeyIndex byKey_;
    ItemIndex byItem_;
    Order order_;
    mutable const Slot* last_ = nullptr; // the slot read last, at lastPosition_
    mutable std::size_t lastPosition_ = 0;
};

} // namespace qv
