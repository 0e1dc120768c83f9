#include "TextSearch.h"

#include "explorer/Text.h"

#include <algorithm>

namespace qvbench {

namespace {
char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

bool ContainsNoCase(std::string_view text, std::string_view lowerNeedle) {
    if (std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; }))
        return qv::text::Lower(text).find(lowerNeedle) != std::string::npos;
    return std::search(text.begin(), text.end(), lowerNeedle.begin(), lowerNeedle.end(),
                       [](char a, char b) { return Fold(a) == b; }) != text.end();
}

} // namespace qvbench
