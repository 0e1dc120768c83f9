#include "explorer/Text.h"

#include "contracts/Utf8.h"

#include <cwctype>

namespace qv::text {

LowerChar LowerAt(std::string_view s, std::size_t& i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        ++i;
        const auto lower = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return {{lower}, 1, static_cast<char32_t>(static_cast<unsigned char>(lower))};
    }
    const std::size_t start = i;
    const char32_t cp = utf8::Decode(s, i);
    // A byte that is not UTF-8 is kept as it is; read back, it stands alone (what follows it in
    // the result never continues it), so it reads as U+FFFD.
    if (cp == utf8::kReplacement && i - start == 1) return {{s[start]}, 1, utf8::kReplacement};
    const auto* ctype = utf8::WideCType();
    const char32_t lower = ctype ? static_cast<char32_t>(ctype->tolower(static_cast<wchar_t>(cp)))
                                 : static_cast<char32_t>(std::towlower(static_cast<wint_t>(cp)));
    LowerChar out{{}, 0, lower};
    std::string bytes; // small: no allocation
    utf8::Append(lower, bytes);
    out.size = static_cast<unsigned char>(bytes.size());
    bytes.copy(out.bytes, bytes.size());
    return out;
}

std::string Lower(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (const auto c = static_cast<unsigned char>(s[i]); c < 0x80) {
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            ++i;
            continue;
        }
        const LowerChar c = LowerAt(s, i);
        out.append(c.bytes, c.size);
    }
    return out;
}

std::u32string ToUtf32(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();)
        out += utf8::Decode(s, i);
    return out;
}

std::vector<std::string_view> Split(std::string_view s, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t pos = s.find(separator, start);
        if (pos == std::string_view::npos) {
            parts.push_back(s.substr(start));
            return parts;
        }
        parts.push_back(s.substr(start, pos - start));
        start = pos + 1;
    }
}

} // namespace qv::text
