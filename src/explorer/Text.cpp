#include "explorer/Text.h"

#include <cwctype>
#include <locale>

namespace qv::text {

namespace {

// A UTF-8 locale's character classes, without touching the process's global locale.
const std::ctype<wchar_t>* UnicodeCType() {
    static const std::ctype<wchar_t>* facet = []() -> const std::ctype<wchar_t>* {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            try {
                static const std::locale locale(name);
                return &std::use_facet<std::ctype<wchar_t>>(locale);
            } catch (const std::exception&) {
            }
        }
        return nullptr;
    }();
    return facet;
}

// One code point from s at i, advancing i; 0xFFFD (and one byte) for a malformed sequence.
char32_t Decode(std::string_view s, std::size_t& i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const int extra = c >= 0xF8 ? -1 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(s[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    i += extra + 1;
    return cp;
}

void Encode(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

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
        char32_t cp = Decode(s, i);
        if (cp == 0xFFFD) {
            out.append(s.substr(start, i - start)); // keep bytes that are not UTF-8 as they are
            continue;
        }
        const auto* ctype = UnicodeCType();
        char32_t lower = ctype ? static_cast<char32_t>(ctype->tolower(static_cast<wchar_t>(cp)))
                               : static_cast<char32_t>(std::towlower(static_cast<wint_t>(cp)));
        Encode(lower, out);
    }
    return out;
}

std::u32string ToUtf32(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char32_t>(c);
            ++i;
        } else {
            out += Decode(s, i);
        }
    }
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
