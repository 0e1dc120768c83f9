#include "controls/NodeKeyIndex.h"

#include "controls/TreeNode.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace qv {

namespace {
// Grow before the table is more than 70% full.
bool TooFull(std::size_t size, std::size_t capacity) {
    return size * 10 >= capacity * 7;
}
} // namespace

std::size_t NodeKeyIndex::Hash(std::string_view key) {
    // Eight bytes at a time, each mixed in by a multiply, then a final mix so that the low bits
    // (a key's home slot) depend on every byte: the keys of a load differ in a few digits
    // ("t:T12345", a file's name), and std::hash costs three times as much on them.
    constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
    const char* p = key.data();
    std::size_t n = key.size();
    uint64_t h = n * kMul;
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        h = (h ^ word) * kMul;
        h ^= h >> 29;
    }
    if (n > 0) {
        uint64_t word = 0;
        if (key.size() >= 8) { // the last eight bytes, some of them mixed in already
            std::memcpy(&word, key.data() + key.size() - 8, 8);
        } else {
            for (std::size_t i = 0; i < n; ++i)
                word |= uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
        }
        h = (h ^ word) * kMul;
    }
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    return static_cast<std::size_t>(h);
}

HeadlessNode* NodeKeyIndex::Find(std::string_view key, std::size_t hash) const {
    if (slots_.empty()) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (!s.node) return nullptr;
        if (s.hash == hash && s.node->KeyRef() == key) return s.node;
    }
}

void NodeKeyIndex::Insert(HeadlessNode* node, std::size_t hash) {
    if (slots_.empty() || TooFull(size_ + 1, slots_.size()))
        Rehash(slots_.empty() ? 16 : slots_.size() * 2);
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i].node)
        i = (i + 1) & mask;
    slots_[i] = {hash, node};
    ++size_;
}

bool NodeKeyIndex::Erase(std::string_view key) {
    if (slots_.empty()) return false;
    const std::size_t hash = Hash(key);
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    for (;; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (!s.node) return false;
        if (s.hash == hash && s.node->KeyRef() == key) break;
    }
    // Backward-shift: pull every later entry of the probe run whose home is not within
    // (hole, entry] into the hole.
    for (std::size_t j = (i + 1) & mask; slots_[j].node; j = (j + 1) & mask) {
        const std::size_t home = slots_[j].hash & mask;
        const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
        if (!stays) {
            slots_[i] = slots_[j];
            i = j;
        }
    }
    slots_[i] = {};
    --size_;
    return true;
}

void NodeKeyIndex::Reserve(std::size_t count) {
    std::size_t capacity = slots_.empty() ? 16 : slots_.size();
    while (TooFull(count, capacity))
        capacity *= 2;
    if (capacity > slots_.size()) Rehash(capacity);
}

void NodeKeyIndex::Clear() {
    std::fill(slots_.begin(), slots_.end(), Slot{});
    size_ = 0;
}

void NodeKeyIndex::Rehash(std::size_t capacity) {
    std::vector<Slot> old(capacity);
    old.swap(slots_);
    const std::size_t mask = capacity - 1;
    for (const Slot& s : old) {
        if (!s.node) continue;
        std::size_t i = s.hash & mask;
        while (slots_[i].node)
            i = (i + 1) & mask;
        slots_[i] = s;
    }
}

} // namespace qv
