#include "controls/NaturalCompare.h"

#include "contracts/Utf8.h"

#include <cstring>

namespace qv {

namespace {

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

unsigned char AsciiLower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

// Decodes the code point at s[i] and advances i. A malformed sequence yields its first byte,
// so that such names still sort by their bytes.
char32_t Decode(std::string_view s, std::size_t& i) {
    const std::size_t start = i;
    const char32_t cp = utf8::Decode(s, i);
    return cp == utf8::kReplacement && i - start == 1 ? static_cast<unsigned char>(s[start]) : cp;
}

int Sign(long long v) {
    return (v > 0) - (v < 0);
}

} // namespace

char32_t FoldCase(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c < 0x100) return (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? c + 32 : c;
    if (c < 0x180) {
        if (c == 0x130) return 'i'; // capital I with dot
        if (c == 0x178) return 0xFF;
        if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
            return (c % 2 == 0) ? c + 1 : c;
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return (c % 2 == 1) ? c + 1 : c;
        return c;
    }
    if (c >= 0x370 && c < 0x400) { // Greek
        if (c == 0x386) return 0x3AC;
        if (c >= 0x388 && c <= 0x38A) return c + 37;
        if (c == 0x38C) return 0x3CC;
        if (c == 0x38E || c == 0x38F) return c + 63;
        if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
        if (c == 0x3C2) return 0x3C3; // final sigma
        return c;
    }
    if (c >= 0x400 && c < 0x530) { // Cyrillic
        if (c <= 0x40F) return c + 80;
        if (c <= 0x42F) return c + 32;
        if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
            return (c % 2 == 0) ? c + 1 : c;
        if (c == 0x4C0) return 0x4CF;
        if (c >= 0x4C1 && c <= 0x4CE) return (c % 2 == 1) ? c + 1 : c;
        return c;
    }
    if (c >= 0x531 && c <= 0x556) return c + 48; // Armenian
    if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF))
        return (c % 2 == 0) ? c + 1 : c;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 32; // fullwidth Latin
    return c;
}

int NaturalCompareNoCase(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[j]);
        if (IsDigit(ca) && IsDigit(cb)) {
            std::size_t si = i;
            while (si < a.size() && a[si] == '0')
                ++si;
            std::size_t sj = j;
            while (sj < b.size() && b[sj] == '0')
                ++sj;
            std::size_t ei = si;
            while (ei < a.size() && IsDigit(static_cast<unsigned char>(a[ei])))
                ++ei;
            std::size_t ej = sj;
            while (ej < b.size() && IsDigit(static_cast<unsigned char>(b[ej])))
                ++ej;
            std::size_t la = ei - si;
            std::size_t lb = ej - sj;
            if (la != lb) return la < lb ? -1 : 1;
            if (int c = std::memcmp(a.data() + si, b.data() + sj, la)) return Sign(c);
            i = ei;
            j = ej;
            continue;
        }
        if (ca < 0x80 && cb < 0x80) {
            ca = AsciiLower(ca);
            cb = AsciiLower(cb);
            if (ca != cb) return ca < cb ? -1 : 1;
            ++i;
            ++j;
            continue;
        }
        char32_t ua = FoldCase(Decode(a, i));
        char32_t ub = FoldCase(Decode(b, j));
        if (ua != ub) return ua < ub ? -1 : 1;
    }
    return Sign(static_cast<long long>(a.size() - i) - static_cast<long long>(b.size() - j));
}

void AppendNaturalSortKey(std::string_view s, std::string& out) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (IsDigit(c)) {
            // A run of digits: '0' (every digit sorts alike against anything else, and no other
            // character lies among them), its length without leading zeros in four bytes, most
            // significant first, then those digits: longer numbers sort after shorter ones.
            std::size_t start = i;
            while (start < s.size() && s[start] == '0')
                ++start;
            std::size_t end = start;
            while (end < s.size() && IsDigit(static_cast<unsigned char>(s[end])))
                ++end;
            const std::size_t length = end - start;
            out += '0';
            for (int shift = 24; shift >= 0; shift -= 8)
                out += static_cast<char>((length >> shift) & 0xFF);
            out.append(s.data() + start, length);
            i = end;
        } else if (c < 0x80) {
            out += static_cast<char>(AsciiLower(c));
            ++i;
        } else {
            // UTF-8 keeps the order of the code points it encodes.
            utf8::Append(FoldCase(Decode(s, i)), out);
        }
    }
}

} // namespace qv
