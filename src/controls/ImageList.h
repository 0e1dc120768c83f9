#pragma once

#include "contracts/ImageList.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv {

// Keyed pictures in insertion order. Key lookups are hash lookups; positions (Key, Remove by
// index, IndexOf) cost O(log n), so removing many images one by one stays fast.
class HeadlessImageList final : public ImageList {
public:
    std::string TypeName() const override { return "ImageList"; }
    bool Contains(const std::string& key) const override { return SlotOf(key) != kNoSlot; }
    int32_t Count() const override { return count_; }
    std::string Key(int32_t index) const override;
    std::shared_ptr<const Picture> Item(const std::string& key) const override;
    // Raises 35603 for an empty key, besides the errors of the contract.
    void Add(const std::string& key, std::shared_ptr<const Picture> picture) override;
    void Remove(int32_t index) override;          // later images move up one place
    void Remove(const std::string& key) override; // 35601 when unknown
    void Clear() override;
    // A new picture of key1's size: key1's pixels, with every pixel of key2 that is not fully
    // transparent put in place of the one below it.
    std::shared_ptr<const Picture> Overlay(const std::string& key1,
                                           const std::string& key2) const override;

    // The 1-based position of the key; 0 when absent.
    int32_t IndexOf(const std::string& key) const;
    // The key's interned id (ImageKeyTable) while the key is in the list, else 0: a tree checks
    // a node's image and gets its id in one lookup.
    uint32_t IdOf(const std::string& key) const {
        const size_t slot = SlotOf(key);
        return slot == kNoSlot ? 0 : slots_[slot].id;
    }

private:
    struct Slot {
        std::string key;
        std::shared_ptr<const Picture> picture; // nullptr once removed
        uint32_t id = 0;                        // the key's interned id
    };
    static constexpr size_t kNoSlot = SIZE_MAX;
    // The live slot holding the key, kNoSlot when there is none. A tree's load asks for the
    // same dozen keys (a status's, an extension's) once or twice a node: the slots found last
    // are remembered by a quick mix of the key's length and two of its bytes, and a remembered
    // slot counts only if it holds the key, so removals and compaction need not forget them.
    size_t SlotOf(const std::string& key) const {
        if (key.empty()) return kNoSlot; // a removed slot's key is empty
        size_t& recent = recent_[RecentIndex(key)];
        if (recent < slots_.size() && slots_[recent].key == key) return recent;
        auto it = slotOf_.find(key);
        if (it == slotOf_.end()) return kNoSlot;
        recent = it->second;
        return recent;
    }
    static size_t RecentIndex(const std::string& key) {
        const size_t n = key.size();
        return (n * 7 + static_cast<unsigned char>(key[n - 1]) * 3 +
                static_cast<unsigned char>(key[n / 2])) %
               kRecent;
    }
    size_t SlotAt(int32_t index) const; // 35600 out of range
    void Kill(size_t slot);
    void Compact();
    int32_t Prefix(size_t count) const; // live slots among the first `count`
    void Bump(size_t slot, int32_t delta);

    std::vector<Slot> slots_;
    std::vector<int32_t> tree_{0}; // Fenwick tree over the live flags of slots_, 1-based
    std::unordered_map<std::string, size_t> slotOf_;
    static constexpr size_t kRecent = 61;
    mutable std::array<size_t, kRecent> recent_{}; // slots found last (see SlotOf)
    int32_t count_ = 0;
};

} // namespace qv
