#include "contracts/Utf8.h"

#include <exception>

namespace qv::utf8 {

char32_t Decode(std::string_view s, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    const std::size_t extra = (lead >= 0xF0 && lead <= 0xF4)  ? 3
                              : (lead >= 0xE0 && lead < 0xF0) ? 2
                              : (lead >= 0xC2 && lead < 0xE0) ? 1
                                                              : 0;
    if (extra == 0 || i + extra >= s.size()) {
        ++i;
        return kReplacement;
    }
    char32_t cp = lead & (0x3F >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(s[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    // An overlong form would give a second spelling of a character ("\xE0\x81\x81" for "A")
    // that lowers and folds like it; surrogates and code points beyond U+10FFFF are no
    // characters at all.
    const char32_t least = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
    if (cp < least || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        ++i;
        return kReplacement;
    }
    i += extra + 1;
    return cp;
}

bool IsValid(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t at = i;
        if (Decode(s, i) == kReplacement && s.substr(at, 3) != "\xEF\xBF\xBD") return false;
    }
    return true;
}

void Append(char32_t cp, std::string& out) {
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

const std::ctype<wchar_t>* WideCType() {
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

} // namespace qv::utf8
