#pragma once

#include <string>
#include <string_view>

namespace qvbench {

// What the walks look for: lower case, in the title of one topic in 37.
inline constexpr const char* kFindNeedle = "subject 36 in";
// What a find through the whole tree looks for: in no label, name, title or file name.
inline constexpr const char* kAbsentNeedle = "zz no such text";

// Whether text contains needle without regard to case, as a find tests a node's label. The
// needle must be lower case already. ASCII text is folded byte by byte without copying; other
// text goes through the component's Unicode-aware lower case.
bool ContainsNoCase(std::string_view text, std::string_view lowerNeedle);

} // namespace qvbench
