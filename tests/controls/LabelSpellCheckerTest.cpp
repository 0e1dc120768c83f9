#include "controls/LabelSpellChecker.h"

#include "contracts/Error.h"
#include "controls/LabelMarkup.h"
#include "controls/TreeView.h"
#include "support/ErrorOf.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// Knows a fixed list of words (case-sensitive) and counts its questions.
class FakeEngine final : public qv::SpellEngine {
public:
    std::string TypeName() const override { return "FakeEngine"; }
    bool Check(const std::string& word) override {
        ++checks;
        return known.count(word) > 0;
    }
    std::vector<std::string> Suggest(const std::string&) override { return {}; }
    void Add(const std::string& word) override { Ignore(word); }
    void Ignore(const std::string& word) override {
        known.insert(word);
        ++revision;
    }
    uint64_t Revision() const override { return revision; }

    std::unordered_set<std::string> known{"a",     "Getting", "started", "the",  "Version",
                                          "don't", "café",    "Notes",   "into", "Intro"};
    int checks = 0;
    uint64_t revision = 0;
};

class NotAnEngine final : public qv::Object {
public:
    std::string TypeName() const override { return "Other"; }
};

class LabelSpellCheckerTest : public ::testing::Test {
protected:
    void SetUp() override { checker.Init(tree, engine, 0); }

    qv::Node* Add(const std::string& key, const std::string& text, qv::Node* parent = nullptr) {
        return tree.Nodes().Add(parent, parent ? qv::rel::Child : qv::rel::Last, key, text);
    }
    static std::string Span(const std::string& title) {
        return "<FORMAT spellcheck>" + title + "</FORMAT>";
    }
    static std::string Bad(const std::string& word) {
        return "<FORMAT spellerror>" + word + "</FORMAT>";
    }

    qv::HeadlessTreeView tree;
    std::shared_ptr<FakeEngine> engine = std::make_shared<FakeEngine>();
    qv::LabelSpellChecker checker;
};

TEST_F(LabelSpellCheckerTest, SplitsWordsByUnicodeLettersAndInnerApostrophes) {
    struct Case {
        std::string text;
        std::vector<std::string> words;
    };
    const std::vector<Case> cases = {
        {"Getting started", {"Getting", "started"}},
        {"don't 'quoted' students'", {"don't", "quoted", "students"}},
        {"it\xE2\x80\x99s", {"it\xE2\x80\x99s"}}, // typographic apostrophe
        {"MP3 x64 3D Version 4", {"Version"}},    // tokens with digits are skipped
        {"Ärger über café-Öffnung", {"Ärger", "über", "café", "Öffnung"}},
        {"To-Do, (items); <New Topic>", {"To", "Do", "items", "New", "Topic"}},
        {std::string("a\xFF") + "b", {"a", "b"}}, // malformed UTF-8 separates
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::string> words;
        for (const qv::WordSpan& w : qv::SpellWords(c.text))
            words.push_back(c.text.substr(w.offset, w.length));
        EXPECT_EQ(words, c.words);
    }
}

TEST_F(LabelSpellCheckerTest, MarksMisspeltWordsOnlyInsideSpellCheckSpans) {
    struct Case {
        std::string label;
        std::string marked;
    };
    const std::vector<Case> cases = {
        {"Intro (" + Span("Getting started") + ")", "Intro (" + Span("Getting started") + ")"},
        {"Teh (" + Span("Teh the") + ")", "Teh (" + Span(Bad("Teh") + " the") + ")"},
        {"<FORMAT TEXT:808080>Wrod</FORMAT> (" + Span("a wrod") + ")",
         "<FORMAT TEXT:808080>Wrod</FORMAT> (" + Span("a " + Bad("wrod")) + ")"},
        // nested: a colour span inside the spell-check span is still checked
        {Span("a <FORMAT TEXT:FF0000>wrod</FORMAT> Seperating"),
         Span("a <FORMAT TEXT:FF0000>" + Bad("wrod") + "</FORMAT> " + Bad("Seperating"))},
        {Span("don't café MP3 Version 4"), Span("don't café MP3 Version 4")},
        {Span("Ärger"), Span(Bad("Ärger"))},
        // a title with a literal "<" keeps every character
        {"n (" + Span("a < b <New Topic>") + ")",
         "n (" + Span("a < " + Bad("b") + " <" + Bad("New") + " " + Bad("Topic") + ">") + ")"},
        {"no span wrod", "no span wrod"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        qv::Node* node = Add("", c.label);
        checker.CheckNode(*node);
        EXPECT_EQ(node->Text(), c.marked);
        EXPECT_EQ(qv::StripSpellErrorMarks(node->Text()), c.label); // exact restore
        checker.CheckNode(*node); // re-check strips the old marks first
        EXPECT_EQ(node->Text(), c.marked);
        node->Remove();
    }
}

TEST_F(LabelSpellCheckerTest, CachesVerdictsPerWordUntilResetOrTheEngineChanges) {
    qv::Node* node = Add("t:1", Span("the wrod the wrod"));
    checker.CheckNode(*node);
    checker.CheckNode(*node);
    EXPECT_EQ(engine->checks, 2); // "the" and "wrod", once each
    checker.Reset();
    checker.CheckNode(*node);
    EXPECT_EQ(engine->checks, 4);
    engine->Add("wrod"); // e.g. the host's spelling menu
    checker.CheckNode(*node);
    EXPECT_EQ(node->Text(), Span("the wrod the wrod"));
}

TEST_F(LabelSpellCheckerTest, RemoveBadWordClearsItsMarksInEveryLabel) {
    qv::Node* a = Add("t:1", Span("wrod teh"));
    qv::Node* b = Add("t:2", "wrod (" + Span("wrod") + ")");
    checker.CheckNode(*a);
    checker.CheckNode(*b);
    checker.RemoveBadWord("wrod");
    EXPECT_EQ(a->Text(), Span("wrod " + Bad("teh")));
    EXPECT_EQ(b->Text(), "wrod (" + Span("wrod") + ")");
    EXPECT_TRUE(engine->known.count("wrod"));
    EXPECT_EQ(qv::LabelSpellChecker::MarkedWords(a->Text()), std::vector<std::string>{"teh"});
    EXPECT_TRUE(qv::LabelSpellChecker::MarkedWords(Span("teh")).empty());
}

TEST_F(LabelSpellCheckerTest, TerminateRemovesOrKeepsTheMarksAndLeavesTheCheckerInert) {
    for (const bool remove : {true, false}) {
        SCOPED_TRACE(remove);
        qv::HeadlessTreeView t;
        qv::LabelSpellChecker c;
        c.Init(t, engine, 0);
        qv::Node* node = t.Nodes().Add(nullptr, qv::rel::Last, "t:1", Span("wrod"));
        c.CheckNode(*node);
        ASSERT_EQ(node->Text(), Span(Bad("wrod")));
        c.Terminate(remove);
        EXPECT_EQ(node->Text(), remove ? Span("wrod") : Span(Bad("wrod")));
        // inert from now on
        node->SetText(Span("teh"));
        c.CheckNode(*node);
        EXPECT_EQ(node->Text(), Span("teh"));
        EXPECT_EQ(c.NextNodeToCheck(nullptr), nullptr);
        c.RemoveBadWord("teh");
        EXPECT_FALSE(engine->known.count("teh"));
        c.Init(t, engine, 0);
        EXPECT_EQ(c.NextNodeToCheck(nullptr), nullptr);
        EXPECT_EQ(c.Engine(), nullptr);
    }
}

TEST_F(LabelSpellCheckerTest, NextNodeToCheckWalksTopicNodesInTreeOrder) {
    qv::Node* topics = Add("topics", "Topics");
    qv::Node* cat = Add("c:1", "Basics", topics);
    Add("t:1", "one (" + Span("x") + ")", cat);
    Add("t:2", "two (" + Span("y") + ")", cat);
    Add("c:2", "Empty", topics);
    Add("t:3", "three (" + Span("z") + ")", topics);
    Add("o:1", "file.txt", Add("other", "Other Files"));
    std::vector<std::string> keys;
    for (qv::Node* n = checker.NextNodeToCheck(nullptr); n; n = checker.NextNodeToCheck(n))
        keys.push_back(n->Key());
    EXPECT_EQ(keys, (std::vector<std::string>{"t:1", "t:2", "t:3"}));

    qv::HeadlessTreeView empty;
    qv::LabelSpellChecker other;
    other.Init(empty, engine, 0);
    EXPECT_EQ(other.NextNodeToCheck(nullptr), nullptr);
}

TEST_F(LabelSpellCheckerTest, InitRefusesAMissingOrWrongEngine) {
    qv::LabelSpellChecker fresh;
    EXPECT_EQ(qvtest::ErrorOf([&] { fresh.Init(tree, nullptr, 0); }), qv::err::ObjectNotSet);
    EXPECT_EQ(qvtest::ErrorOf([&] { fresh.Init(tree, std::make_shared<NotAnEngine>(), 0); }),
              qv::err::TypeMismatch);
    qv::Node* node = Add("", Span("wrod"));
    fresh.CheckNode(*node); // still unbound: nothing happens
    EXPECT_EQ(node->Text(), Span("wrod"));
}

} // namespace
