#include "explorer/Text.h"

#include "contracts/Utf8.h"

#include <cwctype>

namespace qv::text {

std::string Lower(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            ++i;
            continue;
        }
        std::size_t start = i;
        char32_t cp = utf8::Decode(s, i);
        if (cp == utf8::kReplacement && i - start == 1) {
            out.append(s.substr(start, i - start)); // keep bytes that are not UTF-8 as they are
            continue;
        }
        const auto* ctype = utf8::WideCType();
        char32_t lower = ctype ? static_cast<char32_t>(ctype->tolower(static_cast<wchar_t>(cp)))
                               : static_cast<char32_t>(std::towlower(static_cast<wint_t>(cp)));
        utf8::Append(lower, out);
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
