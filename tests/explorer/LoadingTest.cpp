#include "support/ExplorerHarness.h"

#include <gtest/gtest.h>

namespace qvtest {
namespace {

// A small project: two categories, topics interleaved across them, one un-categorized and one
// left out of the output, files in nested folders (one folder spelled two ways), a profile.
class LoadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        p = h.NewProject();
        p->AddCategory("C1", "Basics");
        p->AddCategory("C2", "Advanced");
        p->AddTopic("T1", "Intro", "Introduction", "C1", "Draft");
        p->AddTopic("T2", "Deep", "Deep Dive", "C2", "Review");
        p->AddTopic("T3", "Loose", "Loose End", "", "Complete");
        p->AddTopic("T4", "More", "More Basics", "C1", "InProgress");
        p->GetTopic("T4")->SetIncludeInOutput(false);
        p->AddFile("images\\shots\\2004\\a.png");
        p->AddFile("images\\Shots\\b.png");
        p->AddFile("logo.png");
        p->AddFile("docs\\guide.txt");
        p->AddProfile("B1", "Web");
    }

    // The dump with the project folder written as "$P/".
    std::string Dump() {
        std::string out = h.Dump();
        const std::string folder = h.ProjectFolder();
        for (auto at = out.find(folder); at != std::string::npos; at = out.find(folder, at))
            out.replace(at, folder.size(), "$P/");
        return out;
    }

    ExplorerHarness h;
    std::shared_ptr<qv::Project> p;
};

TEST_F(LoadingTest, ProgressGoesToTheHostAndTheContainerForEveryStep) {
    h.Open(p);
    std::string host, container;
    for (const auto& line : h.log.Lines()) {
        if (line.rfind("host FireLoadProgress ", 0) == 0) host += line.substr(22) + "|";
        if (line.rfind("event LoadProgress ", 0) == 0) container += line.substr(19) + "|";
    }
    EXPECT_EQ(container, host);
    EXPECT_EQ(host, "Loading Topics|Reading Topic 'Intro'|Reading Topic 'Deep'|"
                    "Reading Topic 'Loose'|Reading Topic 'More'|Reading Other File 'a.png'|"
                    "Reading Other File 'b.png'|Reading Other File 'logo.png'|"
                    "Reading Other File 'guide.txt'|");
}

// Another IDE object set as QVIDE takes the reports of the load it makes, the first none.
TEST_F(LoadingTest, ProgressGoesToTheIdeObjectSetLast) {
    h.Open(p);
    int first = 0, second = 0;
    h.ide->SetObserver(
        [&](std::string_view member, auto&) { first += member == "FireLoadProgress"; });
    auto other = std::make_shared<qv::IdeObject>(h.libraries.Designer());
    other->SetProject(p);
    other->SetObserver(
        [&](std::string_view member, auto&) { second += member == "FireLoadProgress"; });
    h.control->SetQVIDE(other);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 9);
    h.control->SetQVIDE(h.ide);
    EXPECT_EQ(first, 9);
}

struct FlagCase {
    const char* name;
    bool topics, images, other;
    const char* roots; // top-level nodes, the expanded one marked with *
};

class LoadFlagsTest : public LoadingTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(LoadFlagsTest, OnlyTheFoldersAskedForAreBuiltAndTheFirstIsExpanded) {
    const FlagCase& c = GetParam();
    h.control->LoadQVProject(p, c.topics, c.images, c.other);
    std::string roots;
    for (qv::Node* n = h.Tree().Nodes().First(); n; n = n->NextSibling())
        roots += n->Key() + (n->Expanded() ? "* " : " ");
    EXPECT_EQ(roots, c.roots);
    h.Dump();
}

INSTANTIATE_TEST_SUITE_P(Flags, LoadFlagsTest,
                         ::testing::Values(FlagCase{"Defaults", true, true, true,
                                                    "topics* images other "},
                                           FlagCase{"ImagesOnly", false, true, false, "images* "},
                                           FlagCase{"Nothing", false, false, false, ""}),
                         [](const auto& info) { return info.param.name; });

TEST_F(LoadingTest, NoProjectEmptiesAndDisablesTheTree) {
    h.Open(p);
    h.control->LoadQVProjectEx(nullptr);
    EXPECT_EQ(h.Tree().Nodes().Count(), 0);
    EXPECT_FALSE(h.control->Enabled());
    EXPECT_FALSE(h.Tree().Enabled());
    EXPECT_TRUE(h.boxes.Pending() == 0 && h.log.Text().find("msgbox") == std::string::npos);
    // Every Find tool follows the Enabled property at the end of a load.
    EXPECT_FALSE(h.Dock().Item("FindNow").Enabled());
}

TEST_F(LoadingTest, SettingQVIDEToNothingKeepsTheTreeAndTheControlEnabled) {
    h.Open(p);
    const std::string before = h.Dump();
    h.control->SetQVIDE(nullptr);
    EXPECT_EQ(h.Dump(), before);
    EXPECT_TRUE(h.control->Enabled());
}

// A host that cannot give a project fails the property with a clear error and loses nothing.
TEST_F(LoadingTest, AQVIDEWithoutAProjectIsReportedAndKeepsTheTree) {
    h.Open(p);
    const std::string before = h.Dump();
    h.ide->SetProject(nullptr);
    h.log.Clear();
    h.control->SetQVIDE(h.ide);
    const std::string log = h.log.Take();
    EXPECT_NE(log.find("Procedure: QVIDE"), std::string::npos) << log;
    EXPECT_NE(log.find("Object required (424)"), std::string::npos) << log;
    EXPECT_EQ(h.Dump(), before);
}

// The host adds a file while the load reads the topics: its event shows it, and the load's
// own walk over the files must not show it twice or fail.
TEST_F(LoadingTest, AFileAddedWhileLoadingIsShownOnce) {
    h.ide->SetObserver([&](std::string_view member, std::vector<qv::Variant>&) {
        if (member == "FireLoadProgress" && !p->OtherFiles()->Contains(p->Folder() + "late.txt"))
            p->AddFile("late.txt");
    });
    h.Open(p);
    const std::string tree = Dump();
    EXPECT_NE(tree.find("o:$P/late.txt"), std::string::npos) << tree;
    EXPECT_EQ(tree.find("o:$P/late.txt"), tree.rfind("o:$P/late.txt"));
    EXPECT_EQ(h.log.Text().find("msgbox"), std::string::npos) << h.log.Text();
}

// A load comes back to a folder after another: its files join the node made for it before,
// or, the host having removed that node meanwhile, a new one.
TEST_F(LoadingTest, AFolderMetAgainKeepsItsNodeOrGetsANewOne) {
    p->AddFile("images\\shots\\2004\\c.png");
    p->AddFile("docs\\y.txt");
    h.Open(p);
    std::string tree = Dump();
    for (const char* text : {"other\\docs |", "images\\images\\shots\\2004 |"})
        EXPECT_EQ(tree.find(text), tree.rfind(text)) << tree;
    EXPECT_NE(tree.find("o:$P/images/shots/2004/c.png"), std::string::npos) << tree;
    h.ide->SetObserver([&](std::string_view member, std::vector<qv::Variant>& args) {
        if (member == "FireLoadProgress" && !args.empty() &&
            args[0].ToString() == "Reading Other File 'y.txt'")
            h.Tree().Nodes().Remove("other\\docs");
    });
    h.Open(p);
    tree = Dump();
    EXPECT_EQ(tree.find("o:$P/docs/guide.txt"), std::string::npos) << tree;
    EXPECT_NE(tree.find("o:$P/docs/y.txt"), std::string::npos) << tree;
}

} // namespace
} // namespace qvtest
