#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace qv {

// N texts in one allocation: an item of many short texts pays one block and a pointer instead
// of N strings (32 bytes each, and an allocation for each text longer than 15 bytes). The block
// holds a tag (offset width, owned), the end of each text (16-bit offsets while the texts total
// under 64 KiB, else 32-bit), then the bytes. All texts empty: no block. A change makes a new
// block. The first block may live in memory of the item's owner (Place), which frees it with
// the item; later blocks are the pack's own.
template <std::size_t N> class TextPack {
public:
    using Texts = std::array<std::string_view, N>;

    TextPack() = default;
    explicit TextPack(const Texts& texts) { Assign(texts); }
    TextPack(const TextPack&) = delete;
    TextPack& operator=(const TextPack&) = delete;
    ~TextPack() { Free(); }

    // The bytes Place needs for these texts (0: none).
    static std::size_t BlockSize(const Texts& texts) {
        const std::size_t total = Total(texts);
        return total == 0 ? 0 : HeaderFor(total) + total;
    }

    // The views stay valid until the pack changes.
    std::string_view operator[](std::size_t i) const {
        if (!block_) return {};
        const std::size_t begin = i == 0 ? 0 : End(i - 1);
        return {block_ + Header() + begin, End(i) - begin};
    }
    Texts All() const {
        Texts texts;
        for (std::size_t i = 0; i < N; ++i)
            texts[i] = (*this)[i];
        return texts;
    }
    // The text may be a view into this pack.
    void Set(std::size_t i, std::string_view text) {
        Texts texts = All();
        texts[i] = text;
        Assign(texts);
    }
    // Where the texts lie, for a reader that asks memory for them ahead (nullptr: no block).
    const char* Data() const { return block_; }
    // The texts may be views into this pack: the old block goes only once the new one is made.
    void Assign(const Texts& texts) {
        const std::size_t total = Total(texts);
        char* block = total == 0 ? nullptr : new char[HeaderFor(total) + total];
        if (block) Write(texts, total, block, kOwned);
        Free();
        block_ = block;
    }
    // Writes the texts into `place` (BlockSize bytes that outlive the pack) instead of a block
    // of its own; the pack must be empty.
    void Place(const Texts& texts, char* place) {
        const std::size_t total = Total(texts);
        if (total == 0) return;
        Write(texts, total, place, 0);
        block_ = place;
    }

private:
    static constexpr char kWide = 1, kOwned = 2;

    static std::size_t Total(const Texts& texts) {
        std::size_t total = 0;
        for (std::string_view t : texts)
            total += t.size();
        if (total > UINT32_MAX) throw std::length_error("the texts of one item exceed 4 GiB");
        return total;
    }
    static std::size_t HeaderFor(std::size_t total) { return 1 + N * (total > UINT16_MAX ? 4 : 2); }
    static void Write(const Texts& texts, std::size_t total, char* block, char tag) {
        const bool wide = total > UINT16_MAX;
        const std::size_t header = 1 + N * (wide ? 4 : 2);
        block[0] = static_cast<char>(tag | (wide ? kWide : 0));
        std::size_t end = 0;
        for (std::size_t i = 0; i < N; ++i) {
            // An empty view may have no data at all, which memcpy must not be given.
            if (!texts[i].empty())
                std::memcpy(block + header + end, texts[i].data(), texts[i].size());
            end += texts[i].size();
            if (wide) {
                const auto e = static_cast<uint32_t>(end);
                std::memcpy(block + 1 + 4 * i, &e, 4);
            } else {
                const auto e = static_cast<uint16_t>(end);
                std::memcpy(block + 1 + 2 * i, &e, 2);
            }
        }
    }
    void Free() {
        if (block_ && (block_[0] & kOwned)) delete[] block_;
        block_ = nullptr;
    }
    bool Wide() const { return (block_[0] & kWide) != 0; }
    std::size_t Header() const { return 1 + N * (Wide() ? 4 : 2); }
    std::size_t End(std::size_t i) const {
        if (Wide()) {
            uint32_t e;
            std::memcpy(&e, block_ + 1 + 4 * i, 4);
            return e;
        }
        uint16_t e;
        std::memcpy(&e, block_ + 1 + 2 * i, 2);
        return e;
    }

    char* block_ = nullptr;
};

} // namespace qv
