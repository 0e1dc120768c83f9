#include "find/PatternMatch.h"

#include "explorer/Text.h"

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

// A find tests each text's lower case as it reads it; the answers must be those of testing the
// lower-case copy, also where lowering changes a character's length (Kelvin sign, dotted I,
// U+023A) or keeps bytes that are not UTF-8, and where a value matches inside a character.
TEST(TextMatcherTest, AnswersAsTheLowerCaseCopyWould) {
    const char* texts[] = {"xABCx",
                           "Subject 17 in Step 5",
                           "\xC3\x84rger \xC3\xBC"
                           "ber",
                           "",
                           "\xE2\x84\xAA"
                           "elvin",
                           "\xC4\xB0stanbul",
                           "\xC8\xBA"
                           "X",
                           "a\xC3(b",
                           "\xE0\x80",
                           "\xF0\x80\x80"
                           "A",
                           "\xFF\xA4z",
                           "img10.PNG",
                           "caf\xC3\xA9 [1]",
                           "\xE0\x80\x80z",
                           "\xED\xA0\x80"};
    const char* values[] = {
        "abc",      "subject 17",      "\xC3\xA4rger",   "k",     "kelvin", "i",
        "istanbul", "\xE2\xB1\xA5",    "\xA4",           "\xC3",  "(b",     "*k*",
        "?",        "*rger*",          "*\xEF\xBF\xBD*", "[!a]*", "*#*",    "img##.png",
        "*[1]",     "caf\xC3\xA9 [1]*"};
    for (const char* text : texts) {
        for (const char* value : values) {
            const std::string lowerValue = qv::text::Lower(value);
            const std::string lowerText = qv::text::Lower(text);
            const bool expected = lowerValue.find('*') != std::string::npos
                                      ? qv::find::MatchesPattern(lowerText, lowerValue)
                                      : lowerText.find(lowerValue) != std::string::npos;
            EXPECT_EQ(qv::find::TextMatcher(lowerValue).Matches(text), expected)
                << "\"" << text << "\" and \"" << value << "\"";
        }
    }
    EXPECT_TRUE(qv::find::TextMatcher("abc").Matches("xABCx"));
    EXPECT_FALSE(qv::find::TextMatcher("abc*").Matches("xABCx"));
    EXPECT_TRUE(qv::find::TextMatcher("aab").Matches("aaab")); // resumes inside a partial match
    // An overlong "A", a surrogate and a code point beyond U+10FFFF are not UTF-8: kept as
    // they are, so that no second spelling of a name lowers to the same key.
    for (const char* bytes :
         {"\xE0\x81\x81", "\xF0\x80\x81\x81", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
        EXPECT_EQ(qv::text::Lower(bytes), bytes);
    EXPECT_FALSE(qv::find::TextMatcher("a").Matches("\xC1\x81\xE0\x81\x81"));
}

} // namespace
