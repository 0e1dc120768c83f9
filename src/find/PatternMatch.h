#pragma once

#include <string_view>

namespace qv::find {

// Whether the whole text matches the pattern: "*" any run of characters (also none), "?" any
// one character, "#" one decimal digit, "[abc]", "[a-z]" one character of a list or range,
// "[!abc]" one character not in it; every other character stands for itself. A "[" without a
// closing "]", and "[]", stand for themselves. Both arguments are UTF-8; characters are code
// points and are compared exactly.
//
// Time is at most proportional to text length times pattern length, whatever the pattern; no
// recursion and no reads outside either argument.
bool MatchesPattern(std::string_view text, std::string_view pattern);

} // namespace qv::find
