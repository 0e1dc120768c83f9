#include "contracts/Utf8.h"

#include <cstdint>
#include <cstring>
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

std::size_t ValidPrefix(std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        // Plain ASCII, 32 bytes at a time, then eight: a project file is mostly that.
        if (i + 32 <= size) {
            uint64_t w[4];
            std::memcpy(w, s + i, sizeof w);
            if (((w[0] | w[1] | w[2] | w[3]) & 0x8080808080808080u) == 0) {
                i += 32;
                continue;
            }
        }
        if (uint64_t word; i + 8 <= size && (std::memcpy(&word, s + i, 8), true) &&
                           (word & 0x8080808080808080u) == 0) {
            i += 8;
            continue;
        }
        const unsigned char c = s[i];
        std::size_t n = 0;
        unsigned char low = 0x80, high = 0xBF; // the range of the second byte
        if (c < 0x80)
            n = 1;
        else if (c >= 0xC2 && c <= 0xDF)
            n = 2;
        else if (c >= 0xE0 && c <= 0xEF)
            n = 3, low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
        else if (c >= 0xF0 && c <= 0xF4)
            n = 4, low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
        bool good = n != 0 && i + n <= size;
        for (std::size_t k = 1; good && k < n; ++k)
            good = s[i + k] >= (k == 1 ? low : 0x80) && s[i + k] <= (k == 1 ? high : 0xBF);
        if (!good) return i;
        i += n;
    }
    return i;
}

bool IsValid(std::string_view s) {
    return ValidPrefix(s) == s.size();
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
