#pragma once

#include "contracts/ImageList.h"

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
    bool Contains(const std::string& key) const override { return slotOf_.contains(key); }
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

private:
    struct Slot {
        std::string key;
        std::shared_ptr<const Picture> picture; // nullptr once removed
    };
    size_t SlotAt(int32_t index) const; // 35600 out of range
    void Kill(size_t slot);
    void Compact();
    int32_t Prefix(size_t count) const; // live slots among the first `count`
    void Bump(size_t slot, int32_t delta);

    std::vector<Slot> slots_;
    std::vector<int32_t> tree_{0}; // Fenwick tree over the live flags of slots_, 1-based
    std::unordered_map<std::string, size_t> slotOf_;
    int32_t count_ = 0;
};

} // namespace qv
