#include "controls/NodeKeyIndex.h"

#include "contracts/WordHash.h"
#include "controls/TreeNode.h"

#include <algorithm>

namespace qv {

std::size_t NodeKeyIndex::Hash(std::string_view key) {
    return HashWords(key);
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

NodeKeyIndex::Place NodeKeyIndex::Probe(std::string_view key, std::size_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (!s.node) return {nullptr, i};
        if (s.hash == hash && s.node->KeyRef() == key) return {s.node, i};
    }
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

void NodeKeyIndex::Grow(std::size_t count) {
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
