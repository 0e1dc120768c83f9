#include "controls/LabelMarkup.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using qv::LabelRun;

LabelRun Span(std::string text, bool check = false, bool error = false,
              std::optional<uint32_t> colour = std::nullopt) {
    return LabelRun{std::move(text), check, error, colour};
}

TEST(LabelMarkupTest, ParsesRunsInOrder) {
    struct ParseCase {
        const char* name;
        std::string label;
        std::vector<LabelRun> runs;
    };
    const std::vector<ParseCase> cases = {
        {"plain", "Intro", {Span("Intro")}},
        {"empty", "", {}},
        {"topic label",
         "intro (<FORMAT spellcheck>Getting started</FORMAT>)",
         {Span("intro ("), Span("Getting started", true), Span(")")}},
        {"greyed name",
         "<FORMAT TEXT:808080>intro</FORMAT> (<FORMAT spellcheck>Title</FORMAT>)",
         {Span("intro", false, false, 0x808080u), Span(" ("), Span("Title", true), Span(")")}},
        {"lower-case short colour is red",
         "<FORMAT TEXT:ff>x</FORMAT>",
         {Span("x", false, false, 0xFF0000u)}},
        {"nested error inside check",
         "(<FORMAT spellcheck>a <FORMAT spellerror>teh</FORMAT> b</FORMAT>)",
         {Span("("), Span("a ", true), Span("teh", true, true), Span(" b", true), Span(")")}},
        {"innermost colour wins",
         "<FORMAT TEXT:0000FF>a<FORMAT TEXT:00FF00>b</FORMAT>c</FORMAT>",
         {Span("a", false, false, 0xFF0000u), Span("b", false, false, 0xFF00u),
          Span("c", false, false, 0xFF0000u)}},
        {"literal less-than", "a < b <c>", {Span("a < b <c>")}},
        {"unknown tag is literal", "<FORMAT bold>x</FORMAT>", {Span("<FORMAT bold>x</FORMAT>")}},
        {"stray close is literal", "a</FORMAT>b", {Span("a</FORMAT>b")}},
        {"unclosed open is literal", "<FORMAT spellcheck>abc", {Span("<FORMAT spellcheck>abc")}},
        {"seven colour digits is literal",
         "<FORMAT TEXT:1234567>x</FORMAT>",
         {Span("<FORMAT TEXT:1234567>x</FORMAT>")}},
        {"empty colour is literal", "<FORMAT TEXT:>x</FORMAT>", {Span("<FORMAT TEXT:>x</FORMAT>")}},
        {"title with a stray close inside the span",
         "n (<FORMAT spellcheck>a</FORMAT>b</FORMAT>)",
         {Span("n ("), Span("a", true), Span("b</FORMAT>)")}},
        {"title with an unclosed open inside the span",
         "n (<FORMAT spellcheck><FORMAT spellerror>x</FORMAT>)",
         {Span("n (<FORMAT spellcheck>"), Span("x", false, true), Span(")")}},
        {"empty span gives no run", "a<FORMAT spellcheck></FORMAT>b", {Span("ab")}},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<LabelRun> runs = qv::ParseLabelMarkup(c.label);
        EXPECT_EQ(runs, c.runs);
        std::string joined;
        for (const LabelRun& r : runs)
            joined += r.text;
        EXPECT_EQ(qv::PlainLabelText(c.label), joined);
    }
}

TEST(LabelMarkupTest, PiecesCoverTheLabelAndPairTags) {
    const std::string label =
        "<FORMAT TEXT:808080>n</FORMAT> (<FORMAT spellcheck>a <FORMAT spellerror>b</FORMAT> "
        "<c</FORMAT>)</FORMAT>";
    const std::vector<qv::MarkupPiece> pieces = qv::ScanLabelMarkup(label);
    std::size_t at = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const qv::MarkupPiece& p = pieces[i];
        EXPECT_EQ(p.offset, at);
        EXPECT_GT(p.length, 0u);
        at += p.length;
        if (p.kind != qv::MarkupPiece::Kind::Text) {
            const qv::MarkupPiece& other = pieces.at(p.partner);
            EXPECT_EQ(other.partner, i);
            EXPECT_EQ(other.format, p.format);
            EXPECT_NE(other.kind, p.kind);
        }
    }
    EXPECT_EQ(at, label.size());
    EXPECT_EQ(qv::PlainLabelText(label), "n (a b <c)</FORMAT>");
}

// An unpaired spellerror tag is text written by the author, not a mark; marks made by the
// spell checker are taken off in LabelSpellCheckerTest.
TEST(LabelMarkupTest, StripSpellErrorMarksKeepsWhatIsNoMark) {
    for (const std::string label :
         {"n (<FORMAT spellerror>x <FORMAT spellcheck>y</FORMAT>)", "a < b </FORMAT>"})
        EXPECT_EQ(qv::StripSpellErrorMarks(label), label);
}

} // namespace
