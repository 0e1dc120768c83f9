#pragma once

#include <string>
#include <string_view>

namespace qv {

// The lower-case partner of a code point for case-insensitive comparison. Covers ASCII,
// Latin-1, Latin Extended-A, Latin Extended Additional, Greek, Cyrillic, Armenian and fullwidth
// Latin; the mapping is fixed here rather than taken from the process locale, so that order
// never depends on how the program was started.
char32_t FoldCase(char32_t c);

// Compares two UTF-8 texts as file managers order names: without regard to case, with runs of
// ASCII digits compared by their numeric value ("img2" < "img10"; "07" == "7"). Other code points
// compare by their folded value. Malformed UTF-8 bytes compare as single units. Returns <0, 0 or
// >0. Texts of ASCII letters and digits take a fast path that decodes nothing.
int NaturalCompareNoCase(std::string_view a, std::string_view b);

// Appends a key of the text whose byte order (std::string's compare) is NaturalCompareNoCase's
// order: two texts compare equal there exactly when their keys are equal. Sorting many texts by
// their keys reads each text once instead of at every comparison.
void AppendNaturalSortKey(std::string_view text, std::string& out);

} // namespace qv
