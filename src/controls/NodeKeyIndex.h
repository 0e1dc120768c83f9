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
    // Returns whether the key was present.
    bool Erase(std::string_view key);
    // Room for count keys without growing.
    void Reserve(std::size_t count);
    void Clear();
    std::size_t Size() const { return size_; }

private:
    struct Slot {
        std::size_t hash = 0;
        HeadlessNode* node = nullptr;
    };

    void Rehash(std::size_t capacity);

    std::vector<Slot> slots_; // size is zero or a power of two
    std::size_t size_ = 0;
};

} // namespace qv
