#pragma once

#include <locale>
#include <string>
#include <string_view>

// UTF-8 and Unicode character classes, shared by the component and the controls so that
// both read labels and names the same way.
namespace qv::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// The code point at s[i] (i < s.size()), advancing i past it. A malformed or overlong
// sequence yields kReplacement and advances one byte, so the caller can keep that byte.
char32_t Decode(std::string_view s, std::size_t& i);

// The length of the text's longest beginning that is well-formed UTF-8 (no overlong form,
// surrogate, code point past U+10FFFF or cut-off character): the offset of the first bad byte,
// or of a character the text's end cuts off.
std::size_t ValidPrefix(std::string_view s);
// Whether the text is well-formed UTF-8 throughout.
bool IsValid(std::string_view s);

// Appends the code point's UTF-8 bytes.
void Append(char32_t cp, std::string& out);

// The wide character classes of a UTF-8 locale, made once without touching the process's
// global locale; nullptr when the system has no UTF-8 locale.
const std::ctype<wchar_t>* WideCType();

} // namespace qv::utf8
