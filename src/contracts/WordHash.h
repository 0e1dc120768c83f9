#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace qv {

// A hash of text taken eight bytes a step, each word passed through `word` first (a folding of
// case, say: the hash of a text is then that of its folding), with a final mix so that both its
// low bits and its high bits depend on every byte. The tables of a load hash keys that differ
// in a few characters ("t:T12345", a file's path), where a byte-at-a-time hash costs three times
// as much.
template <class Word> std::size_t HashWords(std::string_view bytes, Word word) {
    constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = kMul ^ bytes.size();
    auto add = [&](std::uint64_t w) {
        h = (h ^ word(w)) * kMul;
        h ^= h >> 32;
    };
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, bytes.data() + i, sizeof w);
        add(w);
    }
    if (i < bytes.size()) {
        // The last eight bytes, some of them added already (a fixed-size read, not a library
        // call); a shorter text byte by byte.
        std::uint64_t w = 0;
        if (bytes.size() >= 8)
            std::memcpy(&w, bytes.data() + bytes.size() - 8, sizeof w);
        else
            for (std::size_t k = 0; k < bytes.size(); ++k)
                w |= std::uint64_t{static_cast<unsigned char>(bytes[k])} << (8 * k);
        add(w);
    }
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return static_cast<std::size_t>(h);
}

inline std::size_t HashWords(std::string_view bytes) {
    return HashWords(bytes, [](std::uint64_t w) { return w; });
}

} // namespace qv
