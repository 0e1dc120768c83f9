#include "support/ExplorerHarness.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace qvtest {
namespace {

namespace fs = std::filesystem;

// Files outside the project lie in "outside/" of the harness's folder.
class AddingFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        p = h.NewProject();
        p->Save();
        h.Open(p);
        outside = elsewhere.Path() + "/";
        elsewhere.Write("shot.png", "picture");
        elsewhere.Write("notes.md", "text");
        elsewhere.Write("more.png", "another");
        h.log.Clear();
    }

    void Add(const std::string& tool, std::vector<std::string> chosen) {
        h.dialogs.Queue(std::move(chosen));
        h.control->ClickTool(tool);
    }
    bool InProject(const std::string& relative) {
        return p->OtherFiles()->Contains(h.ProjectFolder() + relative);
    }
    std::vector<std::string> Boxes() {
        std::vector<std::string> titles;
        for (const auto& line : h.log.Lines())
            if (line.rfind("msgbox", 0) == 0) titles.push_back(line.substr(0, line.find(':')));
        return titles;
    }

    // Made before the harness, which points TMP at its own folder.
    TempDir elsewhere; // outside the project folder
    ExplorerHarness h;
    std::shared_ptr<qv::Project> p;
    std::string outside;
};

// Copied into the images folder, the original left where it lies.
TEST_F(AddingFilesTest, AfterOneYesTheNextFilesOfTheCommandAreCopiedWithoutAsking) {
    h.Select("images");
    h.boxes.Queue(qv::mb::Yes);
    Add("AddImage", {outside + "shot.png", outside + "more.png"});
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_TRUE(InProject("images/more.png"));
    EXPECT_EQ(h.NodeAt("o:" + h.ProjectFolder() + "images/shot.png").Parent()->Key(),
              "images\\images");
    EXPECT_TRUE(fs::exists(outside + "shot.png")); // the original stays
}

TEST_F(AddingFilesTest, UnderSourceControlNoRefusesTheFile) {
    p->SetUnderSourceControl(true);
    h.Select("other");
    h.boxes.Queue(qv::mb::No);
    Add("AddOtherFile", {outside + "notes.md"});
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"msgbox 35 Copy file to project directory?",
                                                 "msgbox 48 Source Control"}));
    EXPECT_EQ(p->OtherFiles()->Count(), 0);
}

TEST_F(AddingFilesTest, CancelStopsThisFileOnlyAndTheNextIsAskedAgain) {
    h.Select("images");
    h.boxes.Queue(qv::mb::Cancel);
    h.boxes.Queue(qv::mb::Yes);
    Add("AddImage", {outside + "shot.png", outside + "more.png"});
    EXPECT_EQ(Boxes().size(), 2u);
    EXPECT_FALSE(InProject("images/shot.png"));
    EXPECT_TRUE(InProject("images/more.png"));
}

// Another spelling of a listed file is a duplicate too; a folder (a shell drop may hold one) is
// no file, wherever it lies; nor can a name holding a "\" be listed (here "odd\name.txt", which
// the project would read as "odd/name.txt").
TEST_F(AddingFilesTest, DuplicatesTemplateFilesAndFoldersAreRefused) {
    h.dir.Write("inside.txt", "x");
    h.dir.Write("odd\\name.txt", "x");
    h.dir.Write("template/page.html", "x");
    Add("AddOtherFile", {h.ProjectFolder() + "inside.txt"});
    Add("AddOtherFile", {h.ProjectFolder() + "inside.txt"});
    Add("AddOtherFile", {h.ProjectFolder() + "template/..//inside.txt"});
    Add("AddOtherFile", {h.ProjectFolder() + "template/page.html"});
    Add("AddOtherFile", {h.ProjectFolder() + "template"});
    Add("AddOtherFile", {elsewhere.Path()});
    Add("AddOtherFile", {h.ProjectFolder() + "odd\\name.txt"});
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{"msgbox 48 Duplicate", "msgbox 48 Duplicate",
                                        "msgbox 48 Template file", "msgbox 48 Not a file",
                                        "msgbox 48 Not a file", "msgbox 48 Invalid file name"}));
    EXPECT_EQ(h.log.Text().find("report"), std::string::npos) << h.log.Text();
    EXPECT_EQ(p->OtherFiles()->Count(), 1);
}

// A file at the target is never replaced: the same contents are taken as the copy, other
// contents refuse the file.
TEST_F(AddingFilesTest, AFileAtTheTargetIsTakenWhenTheSameAndNeverReplaced) {
    for (const std::string there : {"picture", "already here, not in the project"}) {
        h.dir.Write("images/shot.png", there);
        h.Select("images");
        h.boxes.Queue(qv::mb::Yes);
        h.log.Clear();
        Add("AddImage", {outside + "shot.png"});
        const bool same = there == "picture";
        EXPECT_EQ(Boxes().back(), same ? "msgbox 35 Copy file to project directory?"
                                       : "msgbox 48 File already exists");
        EXPECT_EQ(InProject("images/shot.png"), same);
        std::ifstream kept(h.ProjectFolder() + "images/shot.png");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), there);
        if (same) p->OtherFiles()->Remove(h.ProjectFolder() + "images/shot.png");
    }
    // Nor is a folder or a link leading nowhere, each told as what it is.
    const std::string images = h.ProjectFolder() + "images/";
    fs::remove(images + "shot.png");
    fs::create_directory(images + "shot.png");
    fs::create_symlink(images + "nowhere.png", images + "more.png");
    h.boxes.Queue(qv::mb::Yes);
    h.log.Clear();
    Add("AddImage", {outside + "shot.png", outside + "more.png"});
    const std::string log = h.log.Text();
    EXPECT_NE(log.find("A folder named 'shot.png'"), log.npos) << log;
    EXPECT_NE(log.find("A different file named 'more.png'"), log.npos) << log;
    EXPECT_EQ(log.find("report"), log.npos) << log;
    EXPECT_TRUE(fs::is_directory(images + "shot.png") && fs::is_symlink(images + "more.png"));
}

TEST_F(AddingFilesTest, AFailingCopyIsReportedAndAddsNothing) {
    h.Select("images");
    h.boxes.Queue(qv::mb::Yes);
    Add("AddImage", {outside + "gone.png"});
    // A pipe is refused before it is opened: the copy would wait for a writer.
    ASSERT_EQ(::mkfifo((outside + "pipe.png").c_str(), 0600), 0);
    h.boxes.Queue(qv::mb::Yes);
    Add("AddImage", {outside + "pipe.png"});
    // A project folder moved away meanwhile is not made again.
    const std::string folder = h.ProjectFolder().substr(0, h.ProjectFolder().size() - 1);
    fs::rename(folder, folder + ".moved");
    h.boxes.Queue(qv::mb::Yes);
    Add("AddImage", {outside + "shot.png"});
    EXPECT_FALSE(fs::exists(folder));
    fs::rename(folder + ".moved", folder);
    // A sub-folder missing on disk, whose node stands for a listed file, is named as missing.
    p->AddFile("gone\\listed.txt");
    h.Tree().DropFiles(&h.NodeAt("other\\gone"), {outside + "notes.md"});
    const std::string log = h.log.Text();
    for (const std::string& what : std::initializer_list<std::string>{
             "Procedure: CreateNewOtherFile", "pipe.png': it is not a regular file",
             "the project folder cannot be reached (No such file or directory)",
             "notes.md': the folder '" + folder + "/gone' does not exist"})
        EXPECT_NE(log.find(what), log.npos) << what << "\n" << log;
    EXPECT_FALSE(fs::exists(h.ProjectFolder() + "images/pipe.png") ||
                 fs::exists(h.ProjectFolder() + "gone"));
    EXPECT_EQ(p->OtherFiles()->Count(), 1);
}

// A write that fails part-way (a full disk; here the process's file-size limit, which fails the
// same way without one) is reported in the system's words, not as an input/output error.
TEST_F(AddingFilesTest, ACopyThatRunsOutOfRoomSaysWhyAndLeavesNoPart) {
    elsewhere.Write("big.png", std::string(256 * 1024, 'x'));
    h.Select("images");
    h.boxes.Queue(qv::mb::Yes);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    Add("AddImage", {outside + "big.png"});
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    const std::string log = h.log.Text();
    EXPECT_NE(log.find("': " + std::string(std::strerror(EFBIG))), std::string::npos) << log;
    EXPECT_EQ(log.find(std::strerror(EIO)), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(h.ProjectFolder() + "images/big.png"));
    EXPECT_EQ(p->OtherFiles()->Count(), 0);
}

TEST_F(AddingFilesTest, SeveralFilesFromTheOpenDialogShareTheirFolder) {
    h.Select("other");
    h.boxes.Queue(qv::mb::No);
    h.boxes.Queue(qv::mb::No);
    Add("AddOtherFile", {outside + "notes.md", outside + "more.png"});
    EXPECT_TRUE(p->OtherFiles()->Contains(outside + "notes.md"));
    EXPECT_TRUE(p->OtherFiles()->Contains(outside + "more.png"));
    EXPECT_EQ(Boxes().size(), 2u); // a No asks again for the next file
}

// The disk spells the folder "Manuals/Setup"; its node key is other\\manuals\\setup.
TEST_F(AddingFilesTest, TargetsAndStartFoldersTakeTheDisksSpellingOfAFolder) {
    h.dir.Write("Manuals/Setup/guide.txt", "guide");
    p->AddFile("manuals\\setup\\guide.txt"); // listed in another case than the disk's
    const std::string setup = "other\\manuals\\setup";
    ASSERT_TRUE(h.Tree().Nodes().Contains(setup));
    const std::string folder = h.ProjectFolder() + "Manuals/Setup/";

    h.Select(setup);
    Add("AddOtherFile", {});
    EXPECT_EQ(h.dialogs.LastStartFolder(), folder);

    h.Tree().DropFiles(&h.NodeAt(setup), {outside + "notes.md"});
    EXPECT_TRUE(fs::exists(folder + "notes.md"));
    EXPECT_TRUE(h.Tree().Nodes().Contains("o:" + folder + "notes.md"));
    EXPECT_FALSE(fs::exists(h.ProjectFolder() + "manuals"));

    // The project's guide.txt, whichever way its path is spelled.
    elsewhere.Write("guide.txt", "another guide");
    h.Tree().DropFiles(&h.NodeAt(setup), {elsewhere.Path() + "/guide.txt"});
    Add("AddOtherFile", {folder + "guide.txt"});
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{"msgbox 48 Image already exists", "msgbox 48 Duplicate"}));
    EXPECT_EQ(p->OtherFiles()->Count(), 2);
    EXPECT_EQ(h.log.Text().find("Procedure:"), std::string::npos) << h.log.Text();
    std::ifstream kept(folder + "guide.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "guide");
}

TEST_F(AddingFilesTest, ACopyTargetBehindALinkOutOfTheProjectFailsAsACopyDoes) {
    TempDir away;
    fs::create_directory_symlink(away.Path(), h.ProjectFolder() + "images");
    h.Select("images");
    h.boxes.Queue(qv::mb::Yes);
    Add("AddImage", {outside + "shot.png"});
    EXPECT_NE(h.log.Text().find("Procedure: CreateNewOtherFile"), std::string::npos);
    EXPECT_FALSE(fs::exists(away.Path() + "/shot.png"));
    EXPECT_EQ(p->OtherFiles()->Count(), 0);
}

} // namespace
} // namespace qvtest
