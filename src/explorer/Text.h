#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv::text {

// Lower case of UTF-8 text, Unicode-aware ("Ärger" -> "ärger"), ASCII on a fast path. Bytes
// that are not UTF-8 are kept as they are.
std::string Lower(std::string_view s);

// One character of Lower: the lower case of the character at s[i] (i < s.size()), advancing i
// past it. Lower is these bytes for each character in turn, so that a search can compare a
// text's lower case as it reads it, without making it.
struct LowerChar {
    char bytes[4];
    unsigned char size; // of bytes, 1 to 4
    char32_t codePoint; // what bytes read back as in Lower's result: U+FFFD for a kept byte
};
LowerChar LowerAt(std::string_view s, std::size_t& i);

// The platform's Left$/Mid$ on bytes: what the component compares is ASCII.
inline std::string_view Left(std::string_view s, std::size_t n) {
    return s.substr(0, n);
}
// From the 1-based position on; "" beyond the end.
inline std::string_view Mid(std::string_view s, std::size_t start) {
    return start - 1 < s.size() ? s.substr(start - 1) : std::string_view();
}
inline bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// UTF-8 to code points; a malformed byte becomes U+FFFD.
std::u32string ToUtf32(std::string_view s);

std::vector<std::string_view> Split(std::string_view s, char separator);

} // namespace qv::text
