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
// and by item (through its key) are hash lookups; the order is an IndexedList, so an item's
// position, the item at a position, and an insert or erase anywhere cost O(log n) (a move in a
// 100,000-item project costs about what it does in a small one), and reading the items by rising
// position costs O(1) each. Add and Remove go to the owner's hooks, which check the item, change
// the storage through Insert/Erase and raise the project's events. The items' places (order links
// and the item) live in blocks of many, found through one open-addressing table: no allocation per
// item. The key itself is read from the item (KeyOf), not kept a second time: an item's key must
// not change while it is in the collection.

// An item's key as the item holds it: one text, or two that follow each other (a file's folder
// and name).
struct ItemKey {
    std::string_view head, tail;
};

namespace detail {
// The home place of a hash in a table of n places: the hash's high bits scaled to n, so that a
// table can be sized to what it holds instead of to a power of two.
// Its high 32 bits serve: a collection never has 2^32 places (IndexedLink counts in 32 bits).
inline std::size_t HomeOf(std::size_t hash, std::size_t n) {
    return static_cast<std::size_t>(((static_cast<uint64_t>(hash) >> 32) * n) >> 32);
}
// Removes entry i from a linear-probing table. Backward shift: later entries of the same run
// move up, so no tombstone is needed and lookups stay short. home: an entry's home place.
template <class Entry, class Occupied, class Home>
void EraseProbed(std::vector<Entry>& table, std::size_t i, Occupied occupied, Home home) {
    const std::size_t n = table.size();
    auto next = [n](std::size_t k) { return k + 1 == n ? 0 : k + 1; };
    auto distance = [n](std::size_t from, std::size_t to) {
        return to >= from ? to - from : to + n - from;
    };
    for (std::size_t j = next(i); occupied(table[j]); j = next(j)) {
        if (distance(home(table[j]), j) >= distance(i, j)) {
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
    using KeyOf = ItemKey (*)(const T& item);
    // Where the item's key lies in memory, read without touching it, so that a lookup in steps
    // asks for it before it compares it (a key in two pieces: the piece not shared with others).
    using KeyAt = const void* (*)(const T& item);
    using Lookup = typename Collection<T>::Lookup;

    // keysIgnoreCase: keys that differ only in case name the same item (the files, whose keys
    // are paths on a disk treated as case-insensitive). keyAt may be nullptr.
    ItemCollection(std::string typeName, KeyOf keyOf, AddHook add, RemoveHook remove,
                   bool keysIgnoreCase = false, KeyAt keyAt = nullptr)
        : typeName_(std::move(typeName)), add_(std::move(add)), remove_(std::move(remove)),
          byKey_(keyOf, keyAt, keysIgnoreCase) {}

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
    bool Step(Lookup& lookup) const override { return byKey_.Step(lookup); }
    bool Contains(const std::string& key) const override { return byKey_.Find(key) != nullptr; }
    int32_t IndexOf(const T& item) const override {
        const Slot* slot = SlotOf(item);
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

    std::shared_ptr<T> Find(std::string_view key) const {
        const Slot* slot = byKey_.Find(key);
        return slot ? slot->item : nullptr;
    }
    // The item at a 0-based position (< Size()); O(1) when the position follows the one read
    // last, else O(log n).
    const std::shared_ptr<T>& At(std::size_t position) const { return SlotAt(position).item; }
    std::size_t Size() const { return order_.Size(); }
    // 0-based position, npos when absent.
    std::size_t PositionOf(std::string_view key) const {
        const Slot* slot = byKey_.Find(key);
        if (!slot) return npos;
        return Order::IndexOf(*slot);
    }
    std::size_t PositionOf(const T& item) const {
        const Slot* slot = SlotOf(item);
        if (!slot) return npos;
        return Order::IndexOf(*slot);
    }
    void Reserve(std::size_t n) {
        byKey_.Reserve(n);
        slots_.Reserve(n > order_.Size() ? n - order_.Size() : 0);
    }
    // The caller has checked that neither the key nor the item is present yet. The key is the
    // item's (KeyOf).
    void Insert(std::size_t position, std::string_view key, std::shared_ptr<T> item) {
        Slot& slot = NewSlot(byKey_.Hash(key), std::move(item));
        Moved();
        order_.Insert(position, slot);
    }
    void Append(std::string_view key, std::shared_ptr<T> item) {
        Insert(order_.Size(), key, std::move(item));
    }
    // The hash AppendNew needs, found before the item is made, so that Prefetch can ask memory
    // for the key's place in the table meanwhile: a load adds items in no order of their
    // keys' hashes, each a cache miss in a table of megabytes.
    std::size_t HashOf(std::string_view key) const { return byKey_.Hash(key); }
    void Prefetch(std::size_t hash) const { byKey_.Prefetch(hash); }
    // Appends the item unless the key is taken (false: nothing changed). The item must not be
    // present yet; the key is the item's (KeyOf).
    bool AppendNew(std::string_view key, std::shared_ptr<T> item) {
        return AppendNew(key, byKey_.Hash(key), std::move(item));
    }
    // hash: HashOf(key).
    bool AppendNew(std::string_view key, std::size_t hash, std::shared_ptr<T> item) {
        if (byKey_.Find(key, hash)) return false;
        Slot& slot = NewSlot(hash, std::move(item));
        Moved();
        order_.Insert(order_.Size(), slot);
        return true;
    }
    // Removes and returns the item under the key; nullptr when absent.
    std::shared_ptr<T> Erase(std::string_view key) {
        const std::size_t entry = byKey_.EntryOf(key, byKey_.Hash(key));
        if (entry == npos) return nullptr;
        Slot* slot = byKey_.Erase(entry);
        Moved();
        order_.Erase(*slot);
        std::shared_ptr<T> item = std::move(slot->item);
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
        KeyIndex(KeyOf keyOf, KeyAt keyAt, bool ignoreCase)
            : keyOf_(keyOf), keyAt_(keyAt), ignoreCase_(ignoreCase) {}
        std::size_t Hash(std::string_view key) const {
            return ignoreCase_ ? disk::HashNoCase(key) : std::hash<std::string_view>{}(key);
        }
        // The item's slot, found through the hash of its key; nullptr when the item is not in
        // the collection (also when another item holds its key).
        Slot* FindItem(const T& item) const {
            if (table_.empty()) return nullptr;
            const ItemKey key = keyOf_(item);
            const std::size_t hash = Hash(key.tail.empty() ? key.head : Joined(key));
            for (std::size_t i = Home(hash);; i = Next(i)) {
                const Entry& e = table_[i];
                if (!e.slot) return nullptr;
                if (e.hash == hash && e.slot->item.get() == &item) return e.slot;
            }
        }
        Slot* Find(std::string_view key) const { return Find(key, Hash(key)); }
        Slot* Find(std::string_view key, std::size_t hash) const {
            const std::size_t i = EntryOf(key, hash);
            return i == npos ? nullptr : table_[i].slot;
        }
        // The place of the key's entry in the table, npos when absent.
        std::size_t EntryOf(std::string_view key, std::size_t hash) const {
            if (table_.empty()) return npos;
            // The same probe as Step's, in one go: a load's many lookups are cheaper without
            // the steps' bookkeeping.
            for (std::size_t i = Home(hash);; i = Next(i)) {
                const Entry& e = table_[i];
                if (!e.slot) return npos;
                if (e.hash == hash && Same(keyOf_(*e.slot->item), key)) return i;
            }
        }
        // EntryOf's lookup in steps, one memory read a step: the key's hash, then its home in the
        // table; the probe for an entry of that hash, then its slot; the item; where the item's
        // key lies (KeyAt); the key compared (on a mismatch the probe goes on). Done: place is
        // the entry's (npos when the key is absent) and item its item.
        bool Step(Lookup& l) const {
            switch (l.step) {
            case 0:
                l.hash = Hash(l.key);
                l.step = 1;
                if (table_.empty()) {
                    l.place = npos;
                    return true;
                }
                l.place = Home(l.hash);
                __builtin_prefetch(&table_[l.place]);
                return false;
            case 1:
                for (;; l.place = Next(l.place)) {
                    const Entry& e = table_[l.place];
                    if (!e.slot) {
                        l.place = npos;
                        return true;
                    }
                    if (e.hash == l.hash) break;
                }
                __builtin_prefetch(&table_[l.place].slot->item);
                l.step = 2;
                return false;
            case 2:
                l.item = table_[l.place].slot->item.get();
                __builtin_prefetch(l.item);
                l.step = 3;
                return false;
            case 3:
                if (keyAt_) __builtin_prefetch(keyAt_(*l.item));
                l.step = 4;
                return false;
            default:
                if (Same(keyOf_(*l.item), l.key)) return true;
                l.item = nullptr;
                l.place = Next(l.place);
                l.step = 1;
                return false;
            }
        }
        void Prefetch(std::size_t hash) const {
            if (!table_.empty()) __builtin_prefetch(&table_[Home(hash)]);
        }
        // The key is not present yet.
        void Insert(Slot* slot, std::size_t hash) {
            if ((size_ + 1) * 4 > table_.size() * 3)
                Resize(std::max<std::size_t>(16, 2 * table_.size()));
            Place({hash, slot});
            ++size_;
        }
        // Takes out the entry (from EntryOf); returns its slot.
        Slot* Erase(std::size_t entry) {
            Slot* slot = table_[entry].slot;
            detail::EraseProbed(
                table_, entry, [](const Entry& e) { return e.slot != nullptr; },
                [this](const Entry& e) { return Home(e.hash); });
            --size_;
            return slot;
        }
        // Room for n keys: a table of 4n/3 places, not the next power of two (up to twice that).
        void Reserve(std::size_t n) {
            if (n * 4 > table_.size() * 3)
                Resize(std::max<std::size_t>(16, (std::max(n, size_) * 4 + 2) / 3));
        }

    private:
        struct Entry {
            std::size_t hash = 0;
            Slot* slot = nullptr;
        };
        bool Same(const ItemKey& a, std::string_view b) const {
            if (a.tail.empty()) return ignoreCase_ ? disk::SameNoCase(a.head, b) : a.head == b;
            if (!ignoreCase_)
                return b.size() == a.head.size() + a.tail.size() &&
                       b.substr(0, a.head.size()) == a.head && b.substr(a.head.size()) == a.tail;
            return disk::SameNoCase(Joined(a), b);
        }
        // Folding case reads a key whole: its pieces joined in a buffer per thread, which
        // makes no allocation once it has grown.
        static std::string_view Joined(const ItemKey& key) {
            thread_local std::string joined;
            joined.assign(key.head).append(key.tail);
            return joined;
        }
        std::size_t Home(std::size_t hash) const { return detail::HomeOf(hash, table_.size()); }
        std::size_t Next(std::size_t i) const { return i + 1 == table_.size() ? 0 : i + 1; }
        void Place(const Entry& e) {
            std::size_t i = Home(e.hash);
            while (table_[i].slot)
                i = Next(i);
            table_[i] = e;
        }
        void Resize(std::size_t places) {
            std::vector<Entry> old = std::exchange(table_, std::vector<Entry>(places));
            for (const Entry& e : old)
                if (e.slot) Place(e);
        }
        KeyOf keyOf_;
        KeyAt keyAt_;
        bool ignoreCase_;
        std::vector<Entry> table_; // at most three quarters full
        std::size_t size_ = 0;
    };

    // A slot for an item (its key's hash given) that is not present yet, in the index.
    Slot& NewSlot(std::size_t hash, std::shared_ptr<T> item) {
        Slot& slot = slots_.Take();
        slot.item = std::move(item);
        byKey_.Insert(&slot, hash);
        return slot;
    }
    const Slot* SlotOf(const T& item) const { return byKey_.FindItem(item); }

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
    Order order_;
    mutable const Slot* last_ = nullptr; // the slot read last, at lastPosition_
    mutable std::size_t lastPosition_ = 0;
};

} // namespace qv
