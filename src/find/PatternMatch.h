#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// One search value tested against many texts, as a find through the whole tree does. A value
// with a "*" is a pattern that the text's lower case (text::Lower) must match whole
// (MatchesPattern); any other value must occur in the text's lower case. The lower case is
// compared as the text is read: no copy of the text and no allocation per test, with exactly
// the results of testing text::Lower(text).
class TextMatcher {
public:
    // lowerValue: the search value in lower case already (text::Lower).
    explicit TextMatcher(std::string_view lowerValue);
    TextMatcher(const TextMatcher&) = delete;
    TextMatcher& operator=(const TextMatcher&) = delete;
    ~TextMatcher();

    bool Matches(std::string_view text) const;

    struct Token;

private:
    bool pattern_;
    std::string value_;
    std::vector<std::size_t> fallback_; // substring: the longest proper border of each prefix
    std::vector<Token> tokens_;         // pattern: compiled once
};

} // namespace qv::find
