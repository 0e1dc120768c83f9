#include "support/ExplorerHarness.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qvtest {
namespace {

namespace fs = std::filesystem;

class EditingTest : public ::testing::Test {
protected:
    void SetUp() override {
        p = h.TwoCategoryProject();
        h.dir.Write("images/shots/a.png", "picture");
        h.dir.Write("out/web/images/shots/a.png", "copy 1");
        h.dir.Write("out/chm/images/shots/a.png", "copy 2");
        p->AddFile("images\\shots\\a.png");
        p->AddProfile("B1", "Web")->SetOutputFolder("out\\web");
        p->AddProfile("B2", "Compiled")->SetOutputFolder("out\\chm");
        p->GetProfile("B2")->SetCompiledHelp(true);
        p->GetProfile("B2")->SetHelpFormat(1);
        h.Open(p);
        h.log.Clear();
    }

    void Delete(const std::string& key) {
        h.Select(key);
        h.log.Clear();
        h.control->ClickTool("Delete");
        h.Dump();
    }
    std::vector<std::string> Boxes() {
        std::vector<std::string> titles;
        for (const auto& line : h.log.Lines())
            if (line.rfind("msgbox", 0) == 0)
                titles.push_back(line.substr(7, line.find(':') - 7) +
                                 line.substr(line.rfind(" -> ")));
        return titles;
    }
    std::string FileKey() { return "o:" + h.ProjectFolder() + "images/shots/a.png"; }
    std::string TopicOrder() {
        std::string out;
        for (int32_t i = 1; i <= p->Topics()->Count(); ++i)
            out += p->Topics()->Item(i)->ID() + " ";
        return out;
    }

    TempDir elsewhere; // made before the harness points TMP at its own folder
    ExplorerHarness h;
    std::shared_ptr<qv::Project> p;
};

TEST_F(EditingTest, DeletingATopicAsksThenRemovesItFromTheProject) {
    Delete("t:T2");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"36 Confirm Delete -> yes"});
    EXPECT_FALSE(p->Topics()->Contains("T2"));
    EXPECT_FALSE(h.Tree().Nodes().Contains("t:T2"));
}

TEST_F(EditingTest, AnsweringNoKeepsEverything) {
    h.boxes.Queue(qv::mb::No);
    Delete("t:T2");
    EXPECT_TRUE(p->Topics()->Contains("T2"));
    EXPECT_TRUE(h.Tree().Nodes().Contains("t:T2"));
}

TEST_F(EditingTest, DeletingACategoryMovesItsTopicNodesUnderUncategorized) {
    qv::Node* t1 = &h.NodeAt("t:T1");
    Delete("c:C1");
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_FALSE(p->TopicCategories()->Contains("C1"));
    EXPECT_EQ(&h.NodeAt("t:T1"), t1); // the same node object, moved
    EXPECT_EQ(h.NodeAt("t:T1").Parent()->Key(), "c:uncategorized");
    EXPECT_EQ(p->GetTopic("T1")->Category(), nullptr);
    EXPECT_TRUE(p->Topics()->Contains("T2"));
}

TEST_F(EditingTest, TheLastBuildProfileCannotBeDeleted) {
    Delete("bp:B1");
    EXPECT_FALSE(p->BuildProfiles()->Contains("B1"));
    Delete("bp:B2");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"48 Cannot Delete -> ok"});
    EXPECT_TRUE(h.Tree().Nodes().Contains("bp:B2"));
}

TEST_F(EditingTest, FoldersAndAReadOnlyControlDeleteNothingAndAskNothing) {
    h.Select("c:uncategorized");
    h.Tree().ExecuteCommand("DeleteItem");
    h.control->SetReadOnly(true);
    Delete("t:T1");
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(h.Tree().Nodes().Contains("c:uncategorized"));
    EXPECT_TRUE(p->Topics()->Contains("T1"));
}

TEST_F(EditingTest, AFileGoesFromDiskAndFromEachOutputFolderUntilTheFirstNo) {
    h.boxes.Queue(qv::mb::Yes); // remove from the project
    h.boxes.Queue(qv::mb::Yes); // and from disk
    h.boxes.Queue(qv::mb::No);  // not from the first output folder
    Delete(FileKey());
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{"36 Confirm Delete -> yes", "36 Delete File -> yes",
                                        "36 Delete file in output folder -> no"}));
    EXPECT_FALSE(fs::exists(h.ProjectFolder() + "images/shots/a.png"));
    EXPECT_TRUE(fs::exists(h.ProjectFolder() + "out/web/images/shots/a.png"));
    EXPECT_TRUE(fs::exists(h.ProjectFolder() + "out/chm/images/shots/a.png"));
    // The sub-folders that the delete left empty went with it.
    EXPECT_FALSE(h.Tree().Nodes().Contains("images\\images\\shots"));
}

TEST_F(EditingTest, YesToEveryOutputFolderRemovesEveryCopy) {
    Delete(FileKey());
    EXPECT_EQ(Boxes().size(), 4u);
    EXPECT_FALSE(fs::exists(h.ProjectFolder() + "out/web/images/shots/a.png"));
    EXPECT_FALSE(fs::exists(h.ProjectFolder() + "out/chm/images/shots/a.png"));
}

TEST_F(EditingTest, AFileThatResolvesOutsideTheOutputFolderIsNeverDeleted) {
    // A link inside the output folder must not lead the delete anywhere else.
    elsewhere.Write("shots/a.png", "not ours");
    fs::remove_all(h.ProjectFolder() + "out/web/images");
    fs::create_directory_symlink(elsewhere.Path(), h.ProjectFolder() + "out/web/images");
    h.boxes.Queue(qv::mb::Yes);
    h.boxes.Queue(qv::mb::No); // keep the file itself
    Delete(FileKey());
    EXPECT_EQ(Boxes().size(), 4u);
    EXPECT_TRUE(fs::exists(elsewhere.Path() + "/shots/a.png"));
    EXPECT_FALSE(fs::exists(h.ProjectFolder() + "out/chm/images/shots/a.png"));
}

TEST_F(EditingTest, SuppressedPromptsAskNothingButStillDelete) {
    h.libraries.Options().suppressDeletePrompt = true;
    Delete("t:T1");
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(p->Topics()->Contains("T1"));
}

TEST_F(EditingTest, MovingATopicDownReordersTheProject) {
    h.Select("t:T1");
    h.control->ClickTool("MoveDown");
    EXPECT_EQ(TopicOrder(), "T2 T1 T3 ");
    EXPECT_EQ(h.NodeAt("c:C1").FirstChild()->Key(), "t:T2");
    EXPECT_TRUE(p->Dirty());
    // The tools describe the topic at its new place, the last of its category, at once.
    EXPECT_EQ(h.Tree().SelectedItem(), &h.NodeAt("t:T1"));
    EXPECT_TRUE(h.Dock().Item("MoveUp").Enabled());
    EXPECT_FALSE(h.Dock().Item("MoveDown").Enabled());
    h.control->ClickTool("MoveUp");
    EXPECT_EQ(TopicOrder(), "T1 T2 T3 ");
    EXPECT_FALSE(h.Dock().Item("MoveUp").Enabled());
    EXPECT_TRUE(h.Dock().Item("MoveDown").Enabled());
    h.Dump();
}

// The project announces the new order while the tree's own move is still being carried in,
// so the moved node is not rebuilt: it keeps its selection, its expansion and its topics.
TEST_F(EditingTest, AMoveIsNotUndoneByTheProjectsReorderEvent) {
    auto flags = [&](const std::string& key) { // the dump line's flags
        const std::string dump = h.Dump();
        const auto at = dump.find(key + " |");
        if (at == std::string::npos) return std::string("(gone)");
        const std::string line = dump.substr(at, dump.find('\n', at) - at);
        return line.substr(line.rfind(" | ") + 3);
    };
    h.NodeAt("c:C2").SetExpanded(true);
    h.Select("c:C2");
    h.log.Clear();
    h.control->ClickTool("MoveUp");
    EXPECT_EQ(p->TopicCategories()->Item(1)->ID(), "C2");
    EXPECT_EQ(flags("c:C2"), "expanded selected");
    EXPECT_EQ(h.NodeAt("c:C2").FirstChild()->Key(), "t:T3");

    h.NodeAt("c:C1").SetExpanded(true);
    h.Select("t:T2");
    h.control->ClickTool("MoveUp");
    EXPECT_EQ(TopicOrder(), "T2 T1 T3 ");
    EXPECT_EQ(flags("t:T2"), "selected");
    EXPECT_EQ(h.NodeAt("c:C1").FirstChild()->Key(), "t:T2");
    EXPECT_EQ(h.log.Text().find("report"), std::string::npos) << h.log.Text();
}

TEST_F(EditingTest, MovingACategoryUpBesideUncategorizedChangesNothingInTheProject) {
    h.Select("c:C2");
    h.control->ClickTool("MoveUp");
    EXPECT_EQ(p->TopicCategories()->Item(1)->ID(), "C2");
    h.Select("c:C2");
    h.Tree().ExecuteCommand("MoveUp"); // the tree allows it; the project does not follow
    EXPECT_EQ(h.NodeAt("topics").FirstChild()->Key(), "c:C2");
    EXPECT_EQ(p->TopicCategories()->Item(1)->ID(), "C2");
    EXPECT_TRUE(p->Dirty());
}

} // namespace
} // namespace qvtest
