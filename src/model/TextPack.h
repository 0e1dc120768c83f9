#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace qv {

// N texts in one allocation: an item of many short texts pays one block and a pointer instead
// of N strings (32 bytes each, and an allocation for each text longer than 15 bytes). The block
// holds a width tag, the end of each text (16-bit offsets while the texts total under 64 KiB,
// else 32-bit), then the bytes. All texts empty: no block. A change makes a new block.
template <std::size_t N> class TextPack {
public:
    using Texts = std::array<std::string_view, N>;

    TextPack() = default;
    explicit TextPack(const Texts& texts) { Assign(texts); }

    // The views stay valid until the pack changes.
    std::string_view operator[](std::size_t i) const {
        if (!block_) return {};
        const std::size_t begin = i == 0 ? 0 : End(i - 1);
        return {block_.get() + Header() + begin, End(i) - begin};
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
    const char* Data() const { return block_.get(); }
    // The texts may be views into this pack: the old block goes only once the new one is made.
    void Assign(const Texts& texts) {
        std::size_t total = 0;
        for (std::string_view t : texts)
            total += t.size();
        if (total == 0) {
            block_.reset();
            return;
        }
        if (total > UINT32_MAX) throw std::length_error("the texts of one item exceed 4 GiB");
        const bool wide = total > UINT16_MAX;
        const std::size_t header = 1 + N * (wide ? 4 : 2);
        std::unique_ptr<char[]> block(new char[header + total]);
        block[0] = wide ? 1 : 0;
        std::size_t end = 0;
        for (std::size_t i = 0; i < N; ++i) {
            // An empty view may have no data at all, which memcpy must not be given.
            if (!texts[i].empty())
                std::memcpy(block.get() + header + end, texts[i].data(), texts[i].size());
            end += texts[i].size();
            if (wide) {
                const auto e = static_cast<uint32_t>(end);
                std::memcpy(block.get() + 1 + 4 * i, &e, 4);
            } else {
                const auto e = static_cast<uint16_t>(end);
                std::memcpy(block.get() + 1 + 2 * i, &e, 2);
            }
        }
        block_ = std::move(block);
    }

private:
    bool Wide() const { return block_[0] != 0; }
    std::size_t Header() const { return 1 + N * (Wide() ? 4 : 2); }
    std::size_t End(std::size_t i) const {
        if (Wide()) {
            uint32_t e;
            std::memcpy(&e, block_.get() + 1 + 4 * i, 4);
            return e;
        }
        uint16_t e;
        std::memcpy(&e, block_.get() + 1 + 2 * i, 2);
        return e;
    }

    std::unique_ptr<char[]> block_;
};

} // namespace qv
