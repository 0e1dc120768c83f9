#include "support/ExplorerHarness.h"

#include <gtest/gtest.h>

namespace qvtest {
namespace {

// The small project in a designer host with nothing selected.
class CommandDispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        p = h.SmallProject();
        h.Open(p);
        h.log.Clear();
    }

    // Selects the node ("" leaves nothing selected), clicks the tool and returns what the click
    // alone logged.
    // "DoubleClick" and "Enter" are the user's gestures on the selected node instead of a tool.
    std::string Click(const std::string& key, const std::string& tool) {
        if (!key.empty()) h.Select(key);
        h.log.Clear();
        if (tool == "DoubleClick")
            h.Tree().DoubleClick(h.Tree().SelectedItem());
        else if (tool == "Enter")
            h.Tree().KeyDown(13, 0);
        else
            h.control->ClickTool(tool);
        return h.log.Take();
    }

    std::string Children(const std::string& key) {
        std::string out;
        for (qv::Node* n = h.NodeAt(key).FirstChild(); n; n = n->NextSibling())
            out += n->Key() + " ";
        return out;
    }

    // The procedures named by the error boxes of a log text.
    static std::string BoxedProcedures(const std::string& log) {
        std::string out;
        for (auto at = log.find("msgbox 16 Application Error:"); at != std::string::npos;
             at = log.find("msgbox 16 Application Error:", at + 1)) {
            const auto from = log.find("Procedure: ", at) + 11;
            out += log.substr(from, log.find('\r', from) - from) + " ";
        }
        return out;
    }

    void ExpectTreeFillsTheClientArea() {
        const auto& t = h.Tree().Bounds();
        EXPECT_EQ((qv::Rect{t.left, t.top, t.width, t.height}), h.Dock().ClientArea());
    }

    ExplorerHarness h;
    std::shared_ptr<qv::Project> p;
};

struct AddTopicCase {
    const char* name;
    const char* selected;
    const char* parent;
    const char* log;
};

class AddTopicTest : public CommandDispatchTest,
                     public ::testing::WithParamInterface<AddTopicCase> {};

// The host creates the topic; its node arrives through the project's event.
TEST_P(AddTopicTest, AsksTheHostForATopicInTheSelectedCategory) {
    const AddTopicCase& c = GetParam();
    const std::string before = Children(c.parent);
    EXPECT_EQ(Click(c.selected, "AddTopic"), c.log);
    EXPECT_EQ(Children(c.parent), before + "t:T5 ");
    EXPECT_EQ(p->GetTopic("T5")->Name(), "<New Topic>");
    h.Dump();
}

INSTANTIATE_TEST_SUITE_P(Selections, AddTopicTest,
                         ::testing::Values(AddTopicCase{"OnACategory", "c:C1", "c:C1",
                                                        "host CreateTopic <New Topic>  C1\n"},
                                           AddTopicCase{"OnATopicInACategory", "t:T2", "c:C1",
                                                        "host CreateTopic <New Topic>  C1\n"},
                                           AddTopicCase{"OnUncategorized", "c:uncategorized",
                                                        "c:uncategorized",
                                                        "host CreateTopic <New Topic>  \n"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(CommandDispatchTest, ANewCategoryIsSelectedAndItsLabelEditedAtTheNextTick) {
    const std::string id = p->NextId('C');
    // Still named "<New Category>", the selection does not change the help context.
    EXPECT_EQ(Click("topics", "AddCategory"),
              "host CreateCategory <New Category>\nevent FolderNodeSelected\nevent RefreshTools\n");
    ASSERT_NE(h.Tree().SelectedItem(), nullptr);
    EXPECT_EQ(h.Tree().SelectedItem()->Key(), "c:" + id);
    EXPECT_EQ(h.Tree().LabelEditRequests(), 0);
    // A second request before the tick is covered by the pending one.
    h.control->ClickTool("RenameCategory");
    h.ui.DoEvents();
    EXPECT_EQ(h.Tree().LabelEditRequests(), 1);
    h.ui.DoEvents();
    EXPECT_EQ(h.Tree().LabelEditRequests(), 1);
}

TEST_F(CommandDispatchTest, ANewBuildProfileIsSelected) {
    const std::string id = p->NextId('B');
    EXPECT_EQ(Click("buildprofiles", "AddBuildProfile"),
              "host CreateBuildProfile\nevent FolderNodeSelected\nevent RefreshTools\n"
              "host helpContextChanged\n");
    EXPECT_TRUE(h.NodeAt("bp:" + id).Selected());
    EXPECT_EQ(h.Tree().SelectedItem(), &h.NodeAt("bp:" + id));
}

struct HostCallCase {
    const char* name;
    const char* selected;
    const char* tool;
    const char* log;
    bool ctrlDown = false;
    bool focusElsewhere = false; // in a window of another program
};

class HostCallTest : public CommandDispatchTest,
                     public ::testing::WithParamInterface<HostCallCase> {};

TEST_P(HostCallTest, CallsTheHostWithTheSelectedItem) {
    if (GetParam().ctrlDown) h.keyboard.down.insert(0x11);
    if (GetParam().focusElsewhere) h.windows.focus = 99;
    EXPECT_EQ(Click(GetParam().selected, GetParam().tool), GetParam().log);
    EXPECT_EQ(h.Tree().LabelEditRequests(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, HostCallTest,
    ::testing::Values(
        HostCallCase{"PropertiesOfATopic", "t:T1", "Properties",
                     "host ShowTopicProperties topic:T1\n"},
        HostCallCase{"PropertiesOfACategory", "c:C1", "Properties", ""},
        HostCallCase{"EditATopic", "t:T1", "Edit", "host edittopic topic:T1 missing False\n"},
        HostCallCase{"EditATopicInANewWindow", "t:T2", "EditNewWindow",
                     "host edittopic topic:T2 missing True\n"},
        HostCallCase{"CtrlEditOpensANewWindow", "t:T1", "Edit",
                     "host edittopic topic:T1 missing True\n", true},
        HostCallCase{"DoubleClickEdits", "t:T1", "DoubleClick",
                     "host edittopic topic:T1 missing False\n"},
        HostCallCase{"CtrlDoubleClickOpensANewWindow", "t:T2", "DoubleClick",
                     "host edittopic topic:T2 missing True\n", true},
        HostCallCase{"EnterEdits", "t:T1", "Enter", "host edittopic topic:T1 missing False\n"},
        HostCallCase{"EnterWithTheFocusInAnotherWindow", "t:T1", "Enter", "", false, true},
        HostCallCase{"CtrlEditOfAFile", "o:readme.txt", "Edit",
                     "host EditOtherFile file:readme.txt\n", true},
        HostCallCase{"EditABuildProfile", "bp:B2", "Edit", "host EditBuildProfile profile:B2\n"},
        HostCallCase{"EditAFolder", "images", "Edit", ""},
        HostCallCase{"ThumbnailOfAnImage", "o:images/shots/a.png", "MakeThumbnail",
                     "host CreateThumbnail file:a.png True\n"},
        HostCallCase{"ThumbnailOfATopic", "t:T1", "MakeThumbnail", ""},
        HostCallCase{"LocateATopic", "t:T2", "LocateNode",
                     "host LocateTopicInTOCEditor topic:T2 True\n"},
        HostCallCase{"ReCaptureAnImage", "o:images/shots/a.png", "ReCaptureImage",
                     "event ReCaptureImageRequest file:a.png\n"},
        HostCallCase{"ImageMapOfAnImage", "o:images/shots/a.png", "CreateImageMap",
                     "event CreateImageMapRequest file:a.png\n"},
        HostCallCase{"ImageEditorForAnyFile", "o:readme.txt", "OpenImageProcessing",
                     "event ImageProcessingRequest file:readme.txt\n"},
        HostCallCase{"ImageMapOnAFolder", "images", "CreateImageMap", ""}),
    [](const auto& info) { return info.param.name; });

// Whether the folder's label may change is the label edit's own decision.
TEST_F(CommandDispatchTest, EditOnACategoryOrTheUncategorizedFolderStartsALabelEdit) {
    EXPECT_EQ(Click("c:C1", "Edit"), "");
    h.ui.DoEvents();
    EXPECT_EQ(h.Tree().LabelEditRequests(), 1);
    EXPECT_EQ(Click("c:uncategorized", "Edit"), "");
    h.ui.DoEvents();
    EXPECT_EQ(h.Tree().LabelEditRequests(), 2);
}

// The tool is offered on topics only, so the dispatcher looks the selection up as a topic.
TEST_F(CommandDispatchTest, LocateNodeOnAnotherNodeIsReported) {
    EXPECT_EQ(BoxedProcedures(Click("c:C1", "LocateNode")), "Dock_CommandClick ");
}

TEST_F(CommandDispatchTest, BuildOnAProfileMakesItTheCurrentOne) {
    EXPECT_EQ(Click("bp:B2", "Build"), "host Build False\n");
    EXPECT_TRUE(p->GetProfile("B2")->Current());
    EXPECT_FALSE(p->GetProfile("B1")->Current());
    Click("t:T1", "Build");
    EXPECT_TRUE(p->GetProfile("B2")->Current());
}

TEST_F(CommandDispatchTest, FindShowsAndHidesTheFindBar) {
    ASSERT_FALSE(h.Dock().Band("FindBar").Visible());
    const int32_t fullHeight = h.Tree().Bounds().height;
    Click("", "Find");
    EXPECT_LT(h.Tree().Bounds().height, fullHeight);
    EXPECT_EQ(h.Dock().StateItem("Find").Checked(), 1);
    EXPECT_TRUE(h.Dock().Band("FindBar").Visible());
    // The bar took room from the client area, and the tree follows it.
    ExpectTreeFillsTheClientArea();
    Click("", "Find");
    EXPECT_EQ(h.Dock().StateItem("Find").Checked(), 0);
    EXPECT_FALSE(h.Dock().Band("FindBar").Visible());
    ExpectTreeFillsTheClientArea();
}

TEST_F(CommandDispatchTest, IncludeInOutputTogglesTheTopicAndTheTreeFollows) {
    auto topic = p->GetTopic("T1");
    Click("t:T1", "IncludeInOutput");
    EXPECT_EQ(h.Dock().StateItem("IncludeInOutput").Checked(), 0);
    EXPECT_FALSE(topic->IncludeInOutput());
    EXPECT_EQ(h.NodeAt("t:T1").Text(),
              "<FORMAT TEXT:6D6D6D>Intro</FORMAT> (<FORMAT spellcheck>Intro</FORMAT>)");
    h.control->ClickTool("IncludeInOutput");
    EXPECT_EQ(h.Dock().StateItem("IncludeInOutput").Checked(), 1);
    EXPECT_TRUE(topic->IncludeInOutput());
    EXPECT_EQ(h.NodeAt("t:T1").Text(), "Intro (<FORMAT spellcheck>Intro</FORMAT>)");
}

TEST_F(CommandDispatchTest, IncludeInOutputTogglesAFileAndLeavesOtherNodesAlone) {
    Click("o:readme.txt", "IncludeInOutput");
    EXPECT_FALSE(p->GetFile("readme.txt")->IncludeInOutput());
    EXPECT_EQ(h.NodeAt("o:readme.txt").ForeColor(), static_cast<int32_t>(0x80000011));
    const int16_t check = h.Dock().StateItem("IncludeInOutput").Checked();
    Click("c:C1", "IncludeInOutput");
    EXPECT_EQ(h.Dock().StateItem("IncludeInOutput").Checked(), check);
}

TEST_F(CommandDispatchTest, AutoGenerateCategoryIndexTogglesOnlyRealCategories) {
    auto category = p->GetCategory("C1");
    Click("c:C1", "AutoGenerateCategoryIndex");
    EXPECT_TRUE(category->AutoGenerateIndex());
    EXPECT_EQ(h.Dock().StateItem("AutoGenerateCategoryIndex").Checked(), 1);
    h.control->ClickTool("AutoGenerateCategoryIndex");
    EXPECT_FALSE(category->AutoGenerateIndex());
    EXPECT_EQ(h.Dock().StateItem("AutoGenerateCategoryIndex").Checked(), 0);
    Click("c:uncategorized", "AutoGenerateCategoryIndex");
    EXPECT_EQ(h.Dock().StateItem("AutoGenerateCategoryIndex").Checked(), 0);
}

TEST_F(CommandDispatchTest, AddOtherFileAndAddImageAskForFilesWithTheirOwnTitles) {
    std::string titles;
    h.dialogs.SetObserver(
        [&](const std::string& title, const std::vector<std::string>&) { titles += title + "\n"; });
    EXPECT_EQ(Click("other", "AddOtherFile"), "");
    EXPECT_EQ(Click("images", "AddImage"), "");
    EXPECT_EQ(titles, "Add to Project\nAdd Images\n");
    EXPECT_EQ(p->OtherFiles()->Count(), 2);
}

TEST_F(CommandDispatchTest, EnterInTheFindFieldAloneRunsTheSearch) {
    h.log.Clear();
    h.Dock().UserKeyDown("FindValue", 65, 0);
    h.Dock().UserKeyDown("Status", 13, 0);
    EXPECT_EQ(h.log.Take(), "");
    h.Dock().UserKeyDown("FindValue", 13, 0);
    // With an empty search value the search answers with its own box.
    EXPECT_NE(h.log.Take().find("No search value"), std::string::npos);
    // Nothing selected and nothing found: the walk ends after one round.
    h.Dock().UserSetFieldText("FindValue", "no such words");
    h.Dock().UserKeyDown("FindValue", 13, 0);
    EXPECT_NE(h.log.Take().find("Find Complete"), std::string::npos);
}

// Selecting a topic fills the Status field without writing it back; choosing one sets it.
TEST_F(CommandDispatchTest, TheStatusFieldShowsAndSetsTheSelectedTopicsStatus) {
    p->SetDirty(false);
    h.Select("t:T4");
    EXPECT_EQ(h.Dock().Item("Status").Text(), "Complete");
    EXPECT_FALSE(p->Dirty());
    h.Dock().UserSetFieldText("Status", "Review");
    EXPECT_EQ(p->GetTopic("T4")->Status(), "Review");
    EXPECT_EQ(h.NodeAt("t:T4").Image(), "topicstatusReview");
}

// Selection: the tools, the menu and the events follow the node selected.
struct MenuCase {
    const char* node;
    const char* menu;
};

class ContextMenuTest : public CommandDispatchTest,
                        public ::testing::WithParamInterface<MenuCase> {};

// The context menu follows the kind of node selected.
TEST_P(ContextMenuTest, EntriesFollowTheNodeKind) {
    h.Select(GetParam().node);
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
        MenuCase{"o:images/shots/a.png", "Edit MakeThumbnail Delete IncludeInOutput"},
        MenuCase{"other", "AddOtherFile"}, MenuCase{"o:readme.txt", "Edit Delete IncludeInOutput"},
        MenuCase{"buildprofiles", "AddBuildProfile"}, MenuCase{"bp:B1", "Edit Delete Build"}));

TEST_F(CommandDispatchTest, TheFirstCategoryCannotMoveAboveUncategorized) {
    h.Select("c:C1");
    EXPECT_FALSE(h.Dock().Item("MoveUp").Enabled());
    h.Select("c:C2");
    EXPECT_TRUE(h.Dock().Item("MoveUp").Enabled());
}

TEST_F(CommandDispatchTest, BuildCaptionSaysWhatIsBuilt) {
    h.Select("bp:B1");
    auto entries = h.Dock().VisibleMenuEntries("popContext");
    EXPECT_EQ(entries.back()->Caption(), "Build this Profile");
}

TEST_F(CommandDispatchTest, AReadOnlyTopicKeepsStatusAndIncludeShownButDisabled) {
    h.dir.Write("topics/T1.html", "x");
    p->SetTopicReadOnly("T1", true);
    h.Select("t:T1");
    EXPECT_NE(h.Menu().find("Status"), std::string::npos);
    EXPECT_FALSE(h.Dock().Item("Status").Enabled());
    EXPECT_FALSE(h.Dock().Item("IncludeInOutput").Enabled());
}

TEST_F(CommandDispatchTest, DoubleClickWithoutHostTellsTheContainer) {
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

TEST_F(CommandDispatchTest, EveryToolStartsDisabledUntilTheSelectionEnablesIt) {
    ExplorerHarness fresh;
    for (int32_t i = 1; i <= fresh.Dock().ToolCount(); ++i)
        EXPECT_FALSE(fresh.Dock().ToolAt(i).Enabled()) << fresh.Dock().ToolAt(i).Name();
}

} // namespace
} // namespace qvtest
