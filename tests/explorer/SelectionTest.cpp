#include "support/ExplorerHarness.h"

#include <gtest/gtest.h>

namespace qvtest {
namespace {

class SelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        p = h.NewProject();
        h.dir.Write("images/shot.png", "x");
        h.dir.Write("readme.txt", "x");
        p->AddCategory("C1", "Basics");
        p->AddCategory("C2", "Advanced");
        p->AddTopic("T1", "Intro", "Introduction", "C1", "Draft");
        p->AddTopic("T2", "Next", "Next Steps", "C1", "Review");
        p->AddFile("images\\shot.png");
        p->AddFile("readme.txt");
        p->AddProfile("B1", "Web");
        p->SetAllowCategoryIndex(true);
        h.Open(p);
        h.log.Clear();
    }

    std::string Key(const std::string& tail) { return "o:" + h.ProjectFolder() + tail; }

    ExplorerHarness h;
    std::shared_ptr<qv::Project> p;
};

struct MenuCase {
    const char* node;
    const char* menu;
};

class ContextMenuTest : public SelectionTest, public ::testing::WithParamInterface<MenuCase> {};

// The context menu follows the kind of node selected.
TEST_P(ContextMenuTest, EntriesFollowTheNodeKind) {
    std::string key = GetParam().node;
    if (key.rfind("o:", 0) == 0) key = Key(key.substr(2));
    h.Select(key);
    EXPECT_EQ(h.Menu(), GetParam().menu);
}

INSTANTIATE_TEST_SUITE_P(
    NodeKinds, ContextMenuTest,
    ::testing::Values(
        MenuCase{"topics", "AddCategory"},
        MenuCase{"c:C2", "AddTopic MoveUp RenameCategory Delete AutoGenerateCategoryIndex"},
        MenuCase{"c:uncategorized", "AddTopic"},
        MenuCase{"t:T2",
                 "MoveUp Edit EditNewWindow LocateNode Status Delete Properties IncludeInOutput"},
        MenuCase{"images", "AddImage"}, MenuCase{"images\\images", "AddImage"},
        // A designer host hides the image tools when it initialises the control.
        MenuCase{"o:images/shot.png", "Edit MakeThumbnail Delete IncludeInOutput"},
        MenuCase{"other", "AddOtherFile"}, MenuCase{"o:readme.txt", "Edit Delete IncludeInOutput"},
        MenuCase{"buildprofiles", "AddBuildProfile"}, MenuCase{"bp:B1", "Edit Delete Build"}));

TEST_F(SelectionTest, TheFirstCategoryCannotMoveAboveUncategorized) {
    h.Select("c:C1");
    EXPECT_FALSE(h.Dock().Item("MoveUp").Enabled());
    h.Select("c:C2");
    EXPECT_TRUE(h.Dock().Item("MoveUp").Enabled());
}

TEST_F(SelectionTest, ATopicReportsItselfToTheHostAndTheContainer) {
    h.Select("t:T1");
    EXPECT_EQ(h.log.Take(), "host flashtopic topic:T1\n"
                            "event TopicSelected topic:T1\n"
                            "event RefreshTools\n"
                            "host helpContextChanged\n");
    EXPECT_EQ(h.Dock().Item("Status").Text(), "Draft");
    EXPECT_EQ(h.Dock().StateItem("IncludeInOutput").Checked(), 1);
}

TEST_F(SelectionTest, FilesAndFoldersRaiseTheirOwnSelectionEvents) {
    h.Select(Key("readme.txt"));
    EXPECT_EQ(h.log.Take(), "event OtherFileSelected file:readme.txt\n"
                            "event RefreshTools\n"
                            "host helpContextChanged\n");
    h.Select("images");
    EXPECT_EQ(h.log.Take(),
              "event FolderNodeSelected\nevent RefreshTools\nhost helpContextChanged\n");
}

TEST_F(SelectionTest, ANewCategoryStillNamedSoDoesNotChangeTheHelpContext) {
    p->AddCategory("C3", "<New Category>");
    h.Select("c:C3");
    EXPECT_EQ(h.log.Text().find("helpContextChanged"), std::string::npos);
}

TEST_F(SelectionTest, BuildCaptionSaysWhatIsBuilt) {
    h.Select("bp:B1");
    auto entries = h.Dock().VisibleMenuEntries("popContext");
    EXPECT_EQ(entries.back()->Caption(), "Build this Profile");
}

TEST_F(SelectionTest, AReadOnlyTopicKeepsStatusAndIncludeShownButDisabled) {
    h.dir.Write("topics/T1.html", "x");
    p->SetTopicReadOnly("T1", true);
    h.Select("t:T1");
    EXPECT_NE(h.Menu().find("Status"), std::string::npos);
    EXPECT_FALSE(h.Dock().Item("Status").Enabled());
    EXPECT_FALSE(h.Dock().Item("IncludeInOutput").Enabled());
}

TEST_F(SelectionTest, OnACategoryTheEditButtonStaysEnabledWhileItsEntryIsHidden) {
    h.Select("c:C1");
    EXPECT_EQ(h.Menu().find("Edit"), std::string::npos);
    EXPECT_TRUE(h.Dock().Item("Edit").Enabled());
}

TEST_F(SelectionTest, DoubleClickEditsInsideTheHost) {
    h.Tree().DoubleClick(&h.NodeAt("t:T1"));
    EXPECT_NE(h.log.Text().find("host edittopic topic:T1 missing False"), std::string::npos);
}

TEST_F(SelectionTest, DoubleClickWithoutHostTellsTheContainer) {
    ExplorerHarness bare;
    auto q = bare.NewProject();
    q->AddTopic("T1", "Intro", "Intro", "", "Draft");
    q->AddFile("x.txt");
    bare.control->LoadQVProjectEx(q);
    bare.log.Clear();
    bare.Tree().DoubleClick(&bare.NodeAt("t:T1"));
    bare.Tree().DoubleClick(&bare.NodeAt("o:" + q->Folder() + "x.txt"));
    bare.Tree().DoubleClick(&bare.NodeAt("topics"));
    std::string raised;
    for (const auto& line : bare.log.Lines())
        if (line.find("Click") != std::string::npos) raised += line + "\n";
    EXPECT_EQ(raised, "event TopicDblClick topic:T1\nevent DoubleClick\n");
}

TEST_F(SelectionTest, EveryToolStartsDisabledUntilTheSelectionEnablesIt) {
    ExplorerHarness fresh;
    for (int32_t i = 1; i <= fresh.Dock().ToolCount(); ++i)
        EXPECT_FALSE(fresh.Dock().ToolAt(i).Enabled()) << fresh.Dock().ToolAt(i).Name();
}

} // namespace
} // namespace qvtest
