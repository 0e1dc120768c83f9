#include "find/PatternMatch.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct Case {
    const char* text;
    const char* pattern;
    bool matches;
};

class PatternMatchTest : public ::testing::TestWithParam<Case> {};

TEST_P(PatternMatchTest, MatchesTheWholeText) {
    const Case& c = GetParam();
    EXPECT_EQ(qv::find::MatchesPattern(c.text, c.pattern), c.matches)
        << "\"" << c.text << "\" like \"" << c.pattern << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Table, PatternMatchTest,
    ::testing::Values(Case{"xabcx", "abc*", false}, Case{"xabcx", "*abc*", true},
                      Case{"abc", "abc*", true}, Case{"abc", "*", true}, Case{"", "*", true},
                      Case{"", "?", false}, Case{"a1b", "a#b", true}, Case{"a9b", "a#b", true},
                      Case{"aXb", "a#b", false}, Case{"cat", "[bc]at", true},
                      Case{"rat", "[bc]at", false}, Case{"rat", "[!bc]at", true},
                      Case{"!at", "[!bc]at", true}, Case{"m", "[a-z]", true},
                      Case{"5", "[a-z]", false}, Case{"a[b", "a[b*", true},
                      Case{"a[]", "a[]*", true}, Case{"ärger.png", "?rger*", true},
                      Case{"ärger.png", "??rger*", false}, Case{"abcabcabd", "*abd", true},
                      Case{"aaaa", "*a*a*a*a*a*", false}, Case{"img10.png", "img##.*", true},
                      Case{"what?", "what?*", true}, Case{"what", "*?*?*?*?*?*", false}));

TEST(PatternMatchLimits, ManyStarsOnALongTextStayFast) {
    // Exponential backtracking would never finish this; bounded work answers at once.
    const std::string text(20000, 'a');
    std::string pattern;
    for (int i = 0; i < 200; ++i)
        pattern += "*a";
    pattern += "b";
    EXPECT_FALSE(qv::find::MatchesPattern(text, pattern));
}

TEST(PatternMatchLimits, MalformedInputReadsNothingOutside) {
    for (const char* pattern : {"[", "[!", "[a-", "[!]", "\xff*", "*\xe2\x82", "[\xe2]"})
        EXPECT_NO_THROW(qv::find::MatchesPattern("\xe2\x82\xac abc [", pattern)) << pattern;
}

} // namespace
