#include "contracts/SpellChecker.h"
#include "controls/LabelMarkup.h"
#include "model/Project.h"
#include "model/TopicItem.h"
#include "support/ExplorerHarness.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using qvtest::ExplorerHarness;

// Spell checking of topic titles with the real checker and the installed en_US dictionary;
// the user's word list lives in the harness's folder.
class SpellingTest : public ::testing::Test {
protected:
    // C1 "Basics" with T1 "Getting started" and T2 "Seperating Notes"; C2 "Advanced" with T3
    // "Deep Dive" (left out of the output, so its name is greyed).
    void OpenProject() {
        auto p = h.NewProject();
        p->AddCategory("C1", "Basics");
        p->AddCategory("C2", "Advanced");
        p->AddTopic("T1", "Intro", "Getting started", "C1", "Draft");
        p->AddTopic("T2", "Notebooks", "Seperating Notes", "C1", "Draft");
        p->AddTopic("T3", "Deep", "Deep Dive", "C2", "Draft")->SetIncludeInOutput(false);
        h.libraries.Options().checkSpelling = true;
        h.Open(p);
    }

    ExplorerHarness h;
    const std::string misspelt = "Notebooks (<FORMAT spellcheck><FORMAT spellerror>Seperating"
                                 "</FORMAT> Notes</FORMAT>)";
};

TEST_F(SpellingTest, AMissingDictionaryIsReportedAndTheTreeStaysUnmarked) {
    const std::string none = h.dir.Path() + "/no-dictionary";
    qvtest::ScopedEnv env{"QV_SPELL_DICTIONARY", none.c_str()};
    OpenProject(); // no error component: the report is a message box and work goes on
    const std::string log = h.log.Text();
    EXPECT_NE(log.find("msgbox 16 Application Error"), std::string::npos) << log;
    EXPECT_NE(log.find("InitSpell"), std::string::npos) << log;
    EXPECT_NE(h.ide->SpellEngineError().find(none + ".aff"), std::string::npos);
    EXPECT_EQ(h.NodeAt("t:T2").Text(), qv::StripSpellErrorMarks(misspelt));
    EXPECT_EQ(h.NodeAt("t:T1").Text(), "Intro (<FORMAT spellcheck>Getting started</FORMAT>)");
}

} // namespace
