#include "support/ExplorerHarness.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qvtest {
namespace {

namespace fs = std::filesystem;

class EditingTest : public ::testing::Test {
protected:
    void SetUp() override {
        p = h.SmallProject();
        h.dir.Write("out/web/images/shots/a.png", "copy 1");
        h.dir.Write("out/chm/images/shots/a.png", "copy 2");
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
    Delete("o:images/shots/a.png");
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{"36 Confirm Delete -> yes", "36 Delete File -> yes",
                                        "36 Delete file in output folder -> no"}));
    EXPECT_FALSE(fs::exists(h.ProjectFolder() + "images/shots/a.png"));
    EXPECT_TRUE(fs::exists(h.ProjectFolder() + "out/web/images/shots/a.png"));
    EXPECT_TRUE(fs::exists(h.ProjectFolder() + "out/chm/images/shots/a.png"));
    // The sub-folders that the delete left empty went with it, up to the Image Files folder.
    EXPECT_FALSE(h.Tree().Nodes().Contains("images\\images\\shots"));
    EXPECT_FALSE(h.Tree().Nodes().Contains("images\\images"));
    EXPECT_TRUE(h.Tree().Nodes().Contains("images"));
}

// What lies at a profile's output path but is not a copy of its own there: the delete leaves
// it alone without asking, and goes on with the next profile.
struct NotACopyCase {
    const char* name;
    bool deleteFromDisk; // the answer to "Delete File"
    // Puts something other than a copy at out/web/images/shots/a.png; returns the project
    // path (below the project folder) that must still be there afterwards.
    std::string (*arrange)(ExplorerHarness& h, TempDir& elsewhere);
};

void PrintTo(const NotACopyCase& c, std::ostream* os) {
    *os << c.name;
}

class NotACopyTest : public EditingTest, public ::testing::WithParamInterface<NotACopyCase> {};

TEST_P(NotACopyTest, IsLeftAloneWithoutAQuestion) {
    const std::string kept = GetParam().arrange(h, elsewhere);
    h.boxes.Queue(qv::mb::Yes); // remove from the project
    h.boxes.Queue(GetParam().deleteFromDisk ? qv::mb::Yes : qv::mb::No);
    Delete("o:images/shots/a.png");
    const std::string disk = GetParam().deleteFromDisk ? "yes" : "no";
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{"36 Confirm Delete -> yes", "36 Delete File -> " + disk,
                                        "36 Delete file in output folder -> yes"}));
    EXPECT_TRUE(fs::exists(h.ProjectFolder() + kept)) << kept;
    const bool fileStays = fs::exists(h.ProjectFolder() + "images/shots/a.png") ||
                           fs::exists(h.ProjectFolder() + "Images/shots/a.png");
    EXPECT_EQ(fileStays, !GetParam().deleteFromDisk);
    EXPECT_FALSE(fs::exists(h.ProjectFolder() + "out/chm/images/shots/a.png")); // a real copy
}

std::string WebCopy(ExplorerHarness& h) {
    return h.ProjectFolder() + "out/web/images/shots/a.png";
}
void HardLinkWebCopyTo(ExplorerHarness& h, const std::string& relative) {
    fs::remove(WebCopy(h));
    fs::create_hard_link(h.ProjectFolder() + relative, WebCopy(h));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NotACopyTest,
    ::testing::Values(NotACopyCase{"OutputFolderLinksToTheProjectFolder", false,
                                   [](ExplorerHarness& h, TempDir&) -> std::string {
                                       fs::remove_all(h.ProjectFolder() + "out/web");
                                       fs::create_directory_symlink(h.ProjectFolder(),
                                                                    h.ProjectFolder() + "out/web");
                                       return "images/shots/a.png";
                                   }},
                      NotACopyCase{"OutputFolderLinksToTheProjectFolderSpelledInAnotherCase", false,
                                   [](ExplorerHarness& h, TempDir&) -> std::string {
                                       fs::rename(h.ProjectFolder() + "images",
                                                  h.ProjectFolder() + "Images");
                                       fs::remove_all(h.ProjectFolder() + "out/web");
                                       fs::create_directory_symlink(h.ProjectFolder(),
                                                                    h.ProjectFolder() + "out/web");
                                       return "Images/shots/a.png";
                                   }},
                      NotACopyCase{"HardLinkToTheFileBeingRemoved", true,
                                   [](ExplorerHarness& h, TempDir&) -> std::string {
                                       HardLinkWebCopyTo(h, "images/shots/a.png");
                                       return "out/web/images/shots/a.png";
                                   }},
                      NotACopyCase{"HardLinkToAnotherListedFile", false,
                                   [](ExplorerHarness& h, TempDir&) -> std::string {
                                       h.dir.Write("docs/b.png", "another");
                                       h.project->AddFile("docs\\b.png");
                                       HardLinkWebCopyTo(h, "docs/b.png");
                                       return "docs/b.png";
                                   }},
                      NotACopyCase{"HardLinkToATopicsContentFile", false,
                                   [](ExplorerHarness& h, TempDir&) -> std::string {
                                       h.dir.Write("topics/T1.html", "<p>Intro</p>");
                                       HardLinkWebCopyTo(h, "topics/T1.html");
                                       return "topics/T1.html";
                                   }},
                      NotACopyCase{"HardLinkToTheProjectFile", false,
                                   [](ExplorerHarness& h, TempDir&) -> std::string {
                                       h.project->Save();
                                       HardLinkWebCopyTo(h, "Test.qvproj");
                                       return "Test.qvproj";
                                   }},
                      NotACopyCase{"LinkToAProjectFile", false,
                                   [](ExplorerHarness& h, TempDir&) -> std::string {
                                       fs::remove(WebCopy(h));
                                       fs::create_symlink(h.ProjectFolder() + "images/shots/a.png",
                                                          WebCopy(h));
                                       return "out/web/images/shots/a.png";
                                   }},
                      NotACopyCase{"FolderLinkLeavingTheOutputFolder", false,
                                   [](ExplorerHarness& h, TempDir& elsewhere) -> std::string {
                                       elsewhere.Write("shots/a.png", "not ours");
                                       fs::remove_all(h.ProjectFolder() + "out/web/images");
                                       fs::create_directory_symlink(
                                           elsewhere.Path(), h.ProjectFolder() + "out/web/images");
                                       return "out/web/images/shots/a.png";
                                   }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditingTest, SuppressedPromptsAskNothingButStillDelete) {
    h.libraries.Options().suppressDeletePrompt = true;
    Delete("t:T1");
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(p->Topics()->Contains("T1"));
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
    EXPECT_EQ(TopicOrder(), "T2 T1 T3 T4 ");
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
