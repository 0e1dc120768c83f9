#include "support/ExplorerHarness.h"

#include <gtest/gtest.h>

namespace qvtest {
namespace {

class FindTest : public ::testing::Test {
protected:
    void SetUp() override {
        p = h.NewProject();
        p->AddCategory("C1", "Basics");
        p->AddTopic("T1", "Intro", "Introduction", "C1", "Draft");
        p->AddTopic("T2", "Odd", "xABCx", "C1", "Draft");
        p->AddTopic("T3", "Later", "Later", "", "Draft");
        p->AddFile("images\\shots\\abc.png");
        p->AddFile("abc.txt");
        h.Open(p);
        h.log.Clear();
    }
    // Searches for the value; returns the selected key afterwards and whether the search
    // ended with the "no more items" box.
    std::string Find(const std::string& value) {
        h.Dock().UserSetFieldText("FindValue", value);
        h.log.Clear();
        h.control->ClickTool("FindNow");
        qv::Node* s = h.Tree().SelectedItem();
        std::string result = s ? s->Key() : "none";
        if (h.log.Text().find("Find Complete") != std::string::npos) result += " (no more)";
        return result;
    }
    std::string File(const std::string& tail) { return "o:" + h.ProjectFolder() + tail; }

    ExplorerHarness h;
    std::shared_ptr<qv::Project> p;
};

TEST_F(FindTest, SubstringIgnoresCaseAndPatternsMustMatchTheWholeValue) {
    EXPECT_EQ(Find("abc"), "t:T2");
    h.control->SetSelectedItem(nullptr);
    h.Tree().SetSelectedItem(nullptr);
    EXPECT_EQ(Find("abc*"), File("images/shots/abc.png"));
    h.Tree().SetSelectedItem(nullptr);
    EXPECT_EQ(Find("*abc*"), "t:T2");
}

TEST_F(FindTest, AQuestionMarkWithoutAStarIsLiteral) {
    EXPECT_EQ(Find("intr?"), "none (no more)");
}

TEST_F(FindTest, TheSearchWrapsAndStopsAtTheSelectedNode) {
    h.Select("t:T3");
    EXPECT_EQ(Find("introduction"), "t:T1");
    EXPECT_EQ(Find("introduction"), "t:T1 (no more)");
}

TEST_F(FindTest, NonImageFilesNeverMatchAndImageSubFoldersMatchByPath) {
    h.Dock().StateItem("FindInName").SetChecked(0);
    h.Dock().StateItem("FindInCaption").SetChecked(0);
    EXPECT_EQ(Find("images\\sh"), "images\\images\\shots");
    EXPECT_EQ(Find(".txt"), "images\\images\\shots (no more)");
}

TEST_F(FindTest, EmptyValueAndNoOptionsAreRefusedWithTheirBoxes) {
    Find("");
    EXPECT_NE(h.log.Text().find("No search value"), std::string::npos);
    for (const char* name : {"FindInName", "FindInCaption", "FindInImageName"})
        h.Dock().StateItem(name).SetChecked(0);
    Find("abc");
    EXPECT_NE(h.log.Text().find("Nothing to find"), std::string::npos);
    h.control->ShowOnlyFindBar(); // all three places, whatever the menu shows
    EXPECT_EQ(Find("abc"), "t:T2");
}

TEST_F(FindTest, EnterInTheFindFieldSearches) {
    h.Dock().UserSetFieldText("FindValue", "later");
    h.Dock().UserKeyDown("FindValue", 13, 0);
    EXPECT_EQ(h.Tree().SelectedItem()->Key(), "t:T3");
}

} // namespace
} // namespace qvtest
