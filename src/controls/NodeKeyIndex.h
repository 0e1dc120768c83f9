#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qv {

class HeadlessNode;

// The tree's key index: key -> node, an open-addressing hash table with linear probing. The
// key text is not copied; it is read from the node (HeadlessNode::KeyRef), so a node must be
// erased before its key changes or it dies. Erasing shifts later entries back (no tombstones),
// so a table that sees many removals never degrades.
class NodeKeyIndex {
public:
    static std::size_t Hash(std::string_view key);

    HeadlessNode* Find(std::string_view key) const { return Find(key, Hash(key)); }
    HeadlessNode* Find(std::string_view key, std::size_t hash) const;
    // Asks the processor to fetch the first slot a key with this hash probes, so that a Find
    // or Insert soon after does not wait for memory.
    void Prefetch(std::size_t hash) const {
        if (!slots_.empty()) __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
    }
    // The node's key must not be present; hash must be Hash(node's key).
    void Insert(HeadlessNode* node, std::size_t hash);

    // Where a key's probe ends: its node when present, else the free slot it would take. An
    // add looks its key up once this way and claims the slot once the node is in the tree.
    struct Place {
        HeadlessNode* node = nullptr;
        std::size_t slot = 0;
    };
    // Needs Reserve(Size() + 1) first, so that the claim cannot fail.
    Place Probe(std::string_view key, std::size_t hash) const;
    // Puts the node into the slot of a Probe for its key that found none; the index must not
    // have changed since (the tree's observer may not change the tree).
    void Claim(const Place& place, HeadlessNode* node, std::size_t hash) {
        slots_[place.slot] = {hash, node};
        ++size_;
    }
    // Returns whether the key was present.
    bool Erase(std::string_view key);
    // Room for count keys without growing. Inline: every add asks for one more.
    void Reserve(std::size_t count) {
        if (slots_.empty() || TooFull(count, slots_.size())) Grow(count);
    }
    void Clear();
    std::size_t Size() const { return size_; }

private:
    struct Slot {
        std::size_t hash = 0;
        HeadlessNode* node = nullptr;
    };

    // Grow before the table is more than 70% full.
    static bool TooFull(std::size_t size, std::size_t capacity) {
        return size * 10 >= capacity * 7;
    }
    void Grow(std::size_t count);
    void Rehash(std::size_t capacity);

    std::vector<Slot> slots_; // size is zero or a power of two
    std::size_t size_ = 0;
};

} // namespace qv
