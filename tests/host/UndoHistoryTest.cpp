#include "host/UndoHistory.h"

#include "host/FileServices.h"
#include "model/ProjectFileWriter.h"
#include "support/ExplorerHarness.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace qvtest {
namespace {

namespace fs = std::filesystem;

// The project, the tree and the files a delete may take, as undo must give them back.
struct Snapshot {
    std::string project; // the project file a save would write, next-ID counters aside
    std::string tree;    // keys, texts and images in tree order; expansion and selection aside
    std::map<std::string, std::string> files;
    bool operator==(const Snapshot&) const = default;
};

void PrintTo(const Snapshot& s, std::ostream* out) {
    *out << s.project << s.tree;
    for (const auto& [path, text] : s.files)
        *out << path << "=" << text << "\n";
}

class UndoHistoryTest;

struct Case {
    const char* name;
    const char* select; // the node the gesture starts on
    std::function<void(UndoHistoryTest&)> gesture;
    const char* step; // what the Edit menu calls it
    // The node the program shows after undo and after redo (the project folder left out of a
    // file's key); "" when the tree's own selection stays.
    const char* undone;
    const char* redone;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

// The explorer on a project with two categories, a file with copies in the output folders of
// two profiles, and the desktop program's trash; the history is made once the explorer has
// subscribed, as the project tells it of each change before any event.
class UndoHistoryTest : public ::testing::TestWithParam<Case> {
public:
    void SetUp() override {
        p = h.TwoCategoryProject();
        h.dir.Write("images/shots/a.png", "picture");
        h.dir.Write("out/web/images/shots/a.png", "copy 1");
        h.dir.Write("out/chm/images/shots/a.png", "copy 2");
        h.dir.Write("notes.txt", "notes");
        p->AddFile("images\\shots\\a.png");
        p->AddProfile("B1", "Web")->SetOutputFolder("out\\web");
        p->AddProfile("B2", "Compiled")->SetOutputFolder("out\\chm");
        h.libraries.SetFileService(trash);
        h.Open(p);
        history = std::make_unique<qv::UndoHistory>(p, &trash);
    }
    void TearDown() override { EXPECT_TRUE(h.reports.empty()) << h.log.Text(); }

    Snapshot Take() {
        qv::ProjectData data = p->ToData();
        data.nextTopicId = data.nextCategoryId = data.nextProfileId = 0;
        Snapshot s{qv::WriteProjectFile(data), {}, {}};
        std::istringstream dump(h.Dump());
        for (std::string line; std::getline(dump, line);) {
            std::size_t at = line.find(" | ");
            for (int field = 1; field < 3 && at != std::string::npos; ++field)
                at = line.find(" | ", at + 3);
            s.tree += line.substr(0, at) + "\n";
        }
        for (const char* folder : {"images", "out"})
            for (const auto& entry : fs::recursive_directory_iterator(h.ProjectFolder() + folder))
                if (entry.is_regular_file()) {
                    std::ifstream in(entry.path());
                    s.files[entry.path().string()] = {std::istreambuf_iterator<char>(in), {}};
                }
        return s;
    }
    void Click(const std::string& tool) { h.control->ClickTool(tool); }
    std::string FileKey() { return "o:" + h.ProjectFolder() + "images/shots/a.png"; }
    std::string Shown() {
        std::string key = history->ShownKey();
        if (const auto at = key.find(h.ProjectFolder()); at != std::string::npos)
            key.erase(at, h.ProjectFolder().size());
        return key;
    }

    qv::TrashFileService trash; // the desktop program's, outliving the harness
    ExplorerHarness h;
    ScopedEnv data{"XDG_DATA_HOME", (h.dir.Path() + "/data").c_str()};
    std::shared_ptr<qv::Project> p;
    std::unique_ptr<qv::UndoHistory> history;
};

// Every kind of change the explorer or the IDE makes, each one gesture: undone, the project,
// the tree and the files are as before; redone, the project and the files are as after the
// gesture; undone again, all as before.
TEST_P(UndoHistoryTest, UndoGivesBackWhatTheGestureChangedAndRedoDoesItAgain) {
    const Case& c = GetParam();
    if (*c.select) h.Select(c.select);
    p->SetDirty(false); // as if just saved
    history->MarkSaved();
    const Snapshot before = Take();
    c.gesture(*this);
    history->Break();
    const Snapshot after = Take();
    ASSERT_NE(after, before);
    ASSERT_TRUE(history->CanUndo());
    EXPECT_EQ(history->UndoName(), c.step);

    history->Undo();
    EXPECT_EQ(Take(), before);
    EXPECT_FALSE(history->CanUndo()); // the whole gesture was one step
    EXPECT_EQ(history->RedoName(), c.step);
    EXPECT_EQ(Shown(), c.undone);
    // Back at the save, unless the gesture took a new item's ID, which a save now records.
    EXPECT_EQ(p->Dirty(), c.step == std::string("New Category"));
    history->Redo();
    EXPECT_EQ(Shown(), c.redone);
    EXPECT_TRUE(p->Dirty());
    // The tree then shows what the project's events show, which is not always what the tree's
    // own gesture left (a new category beside the selected one is the project's last; an
    // emptied sub-folder node stays).
    const Snapshot redone = Take();
    EXPECT_EQ(redone.project, after.project);
    EXPECT_EQ(redone.files, after.files);
    EXPECT_FALSE(history->CanRedo());
    history->Undo();
    EXPECT_EQ(Take(), before);
}

const Case kCases[] = {
    {"RenameCategory", "c:C2",
     [](UndoHistoryTest& t) {
         t.h.Tree().KeyDown(113, 0); // F2
         t.h.ui.DoEvents();
         t.h.Tree().FinishLabelEdit("Expert Topics");
     },
     "Rename", "c:C2", "c:C2"},
    {"NewCategoryBesideAnother", "c:C1",
     [](UndoHistoryTest& t) { t.h.Tree().KeyDown(45, 0); }, // Insert
     "New Category", "", "c:C3"},
    {"AddFile", "other",
     [](UndoHistoryTest& t) {
         t.h.dialogs.Queue({t.h.ProjectFolder() + "notes.txt"});
         t.Click("AddOtherFile");
     },
     "Add File", "", "o:notes.txt"},
    {"DeleteCategoryWithItsTopics", "c:C1", [](UndoHistoryTest& t) { t.Click("Delete"); }, "Delete",
     "c:C1", ""},
    {"DeleteBuildProfile", "bp:B1", [](UndoHistoryTest& t) { t.Click("Delete"); }, "Delete",
     "bp:B1", ""},
    {"MoveDown", "t:T1", [](UndoHistoryTest& t) { t.Click("MoveDown"); }, "Move", "t:T1", "t:T1"},
    {"DragTopicIntoCategory", "t:T1",
     [](UndoHistoryTest& t) {
         t.h.Tree().Drag(&t.h.NodeAt("t:T1"), &t.h.NodeAt("c:C2"), qv::rel::Child);
     },
     "Change Category", "t:T1", "t:T1"},
    {"DragCategoryBeforeAnother", "c:C2",
     [](UndoHistoryTest& t) {
         t.h.Tree().Drag(&t.h.NodeAt("c:C2"), &t.h.NodeAt("c:C1"), qv::rel::Previous);
     },
     "Move", "c:C2", "c:C2"},
    {"Recategorize", "",
     [](UndoHistoryTest& t) { t.p->GetTopic("T3")->SetCategory(t.p->GetCategory("C1")); },
     "Change Category", "t:T3", "t:T3"},
    {"Status", "t:T1", [](UndoHistoryTest& t) { t.h.Dock().UserSetFieldText("Status", "Review"); },
     "Change Status", "t:T1", "t:T1"},
    {"IncludeInOutput", "t:T1", [](UndoHistoryTest& t) { t.Click("IncludeInOutput"); },
     "Include in Output", "t:T1", "t:T1"},
    {"TopicProperties", "",
     [](UndoHistoryTest& t) {
         t.p->GetTopic("T2")->SetTitle("Next Steps");
         t.p->GetTopic("T2")->SetCaption("Next");
     },
     "Properties", "t:T2", "t:T2"},
    {"ProfileProperties", "",
     [](UndoHistoryTest& t) {
         t.p->GetProfile("B2")->SetName("Help File");
         t.p->GetProfile("B2")->SetOutputFolder("out\\help");
     },
     "Properties", "bp:B2", "bp:B2"},
};

INSTANTIATE_TEST_SUITE_P(EveryChange, UndoHistoryTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Gestures are undone last first, each as one step; a new change drops what was undone; a file
// made meanwhile where a deleted one lay is never replaced: the item comes back, the deleted
// file stays in the trash, and undo says so.
TEST_F(UndoHistoryTest, StepsGoBackInTurnAndAFileInTheWayIsKept) {
    const Snapshot start = Take();
    h.Select("c:C1");
    Click("Delete");
    history->Break();
    h.Select(FileKey());
    Click("Delete");
    history->Break();
    EXPECT_EQ(history->UndoName(), "Delete");

    h.dir.Write("images/shots/a.png", "a new picture");
    try {
        history->Undo();
        ADD_FAILURE() << "no error";
    } catch (const qv::Error& e) {
        EXPECT_EQ(e.Number(), 58);
        EXPECT_NE(e.Description().find("a.png was not restored"), std::string::npos);
    }
    EXPECT_TRUE(p->OtherFiles()->Contains(h.ProjectFolder() + "images/shots/a.png"));
    EXPECT_TRUE(h.Tree().Nodes().Contains(FileKey()));
    std::ifstream kept(h.ProjectFolder() + "images/shots/a.png");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "a new picture");
    EXPECT_TRUE(fs::exists(h.dir.Path() + "/data/Trash/files/a.png"));

    history->Undo();
    EXPECT_EQ(Take().project, start.project);
    EXPECT_EQ(Take().tree, start.tree);
    EXPECT_TRUE(history->CanRedo());
    p->GetTopic("T1")->SetStatus("Review");
    EXPECT_FALSE(history->CanRedo());
    EXPECT_EQ(history->UndoName(), "Change Status");
}

} // namespace
} // namespace qvtest
