#include "contracts/Error.h"
#include "contracts/HostServices.h"
#include "host/HostLibrariesImpl.h"
#include "host/Registry.h"
#include "host/SharedHelper.h"
#include "model/FileObject.h"
#include "model/Project.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>
#include <sys/stat.h>

namespace {

using qv::HostRegistry;
using qv::Variant;
using qvtest::ErrorOf;
using qvtest::ScopedEnv;
using qvtest::TempDir;
namespace hive = qv::hive;

const std::string kKey = "Software\\Veltrane\\Quorvel2\\ProjectExplorer";
const std::string kImages = std::string(QV_SOURCE_DIR) + "/samples/Handbook/images/";

class KeyedThing : public qv::Object, public qv::KeyedCollection {
public:
    std::string TypeName() const override { return "Nodes"; }
    bool Contains(const std::string& key) const override {
        if (key == "boom") throw qv::Error(qv::err::InvalidKey, "Invalid key");
        return key == "images\\shots";
    }
};

class PlainThing : public qv::Object {
public:
    std::string TypeName() const override { return "Plain"; }
};

class HostLibrariesTest : public ::testing::Test {
protected:
    TempDir config;
    ScopedEnv xdg{"XDG_CONFIG_HOME", config.Path().c_str()};
    qv::ScriptedMessageBoxes boxes;
    qv::ScriptedFileDialogs dialogs;
    qv::HostLibrariesImpl libraries{boxes, dialogs};

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(HostLibrariesTest, LoadPictureRaisesThePlatformErrors) {
    TempDir dir;
    EXPECT_EQ(ErrorOf([&] { libraries.LoadPicture(dir.Path() + "/none.png"); }),
              qv::err::FileNotFound);
    EXPECT_EQ(ErrorOf([&] { libraries.LoadPicture(""); }), qv::err::FileNotFound);
    const std::string text = dir.Write("bad.png", "plain text");
    EXPECT_EQ(ErrorOf([&] { libraries.LoadPicture(text); }), 481);

    // The component builds icon paths with a backslash before the file name.
    auto picture = libraries.LoadPicture(kImages + "icons\\tag.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 16);
    EXPECT_EQ(libraries.LoadPicture(kImages + "drafts/old-editor.png")->Height(), 16);
}

TEST_F(HostLibrariesTest, ErrorComponentExistsOnlyWithItsOption) {
    EXPECT_EQ(ErrorOf([&] { libraries.CreateObject("VeltaError.Error"); }),
              qv::err::CannotCreateObject);
    libraries.Options().errorComponent = true;
    EXPECT_EQ(ErrorOf([&] { libraries.CreateObject("Scripting.FileSystemObject"); }),
              qv::err::CannotCreateObject);

    std::vector<qv::ErrorComponentReport> reports;
    libraries.ErrorComponent().SetObserver(
        [&](const qv::ErrorComponentReport& r) { reports.push_back(r); });
    auto component = libraries.CreateObject("veltaerror.error");
    ASSERT_TRUE(component);
    component->Call("ErrorHandler",
                    {Variant(9), Variant("QVLiteControls2"), Variant("Explorer"),
                     Variant("NodeClick"), Variant("Subscript out of range"), Variant(12),
                     Variant("<Variables>\r\n</Variables>"), Variant("1.0.0")});
    EXPECT_EQ(component->Get("Action"), Variant(""));
    ASSERT_EQ(reports.size(), 1u);
    const auto& r = reports[0];
    EXPECT_EQ(std::to_string(r.number) + "|" + r.module + "|" + r.procedure + "|" +
                  std::to_string(r.line) + "|" + r.text + "|" + r.version,
              "9|Explorer|NodeClick|12|<Variables>\r\n</Variables>|1.0.0");
    EXPECT_EQ(ErrorOf([&] { component->Call("ErrorHandler", {Variant(1)}); }), 449);
    EXPECT_EQ(ErrorOf([&] { component->Call("Show"); }), qv::err::UnknownMember);
}

// A box nobody answers takes its first button; queued answers are taken in order, and every
// box is reported.
TEST_F(HostLibrariesTest, MsgBoxesTakeTheQueuedAnswerOrTheFirstButton) {
    const std::pair<int32_t, int32_t> cases[] = {
        {0, qv::mb::Ok},   {16, qv::mb::Ok},  {48, qv::mb::Ok},       {64, qv::mb::Ok},
        {1, qv::mb::Ok},   {2, 3 /*Abort*/},  {5, 4 /*Retry*/},       {3, qv::mb::Yes},
        {35, qv::mb::Yes}, {36, qv::mb::Yes}, {4 | 256, qv::mb::Yes},
    };
    for (const auto& [buttons, answer] : cases)
        EXPECT_EQ(libraries.MsgBox("?", buttons, "T"), answer) << buttons;

    std::vector<std::string> seen;
    boxes.SetObserver(
        [&](int32_t code, const std::string& title, const std::string& text, int32_t answer) {
            seen.push_back(std::to_string(code) + "|" + title + "|" + text + "|" +
                           std::to_string(answer));
        });
    boxes.Queue(*qv::AnswerCode("no"));
    boxes.Queue(*qv::AnswerCode("Cancel"));
    EXPECT_EQ(boxes.Pending(), 2u);
    EXPECT_EQ(libraries.MsgBox("Delete?", 36, "Confirm Delete"), qv::mb::No);
    bool ticked = true;
    EXPECT_EQ(boxes.ShowWithOption("Copy?", 35, "Copy", "Always", ticked), qv::mb::Cancel);
    EXPECT_FALSE(ticked);
    EXPECT_EQ(libraries.MsgBox("Done", 64, "Info"), qv::mb::Ok);
    EXPECT_EQ(seen, (std::vector<std::string>{"36|Confirm Delete|Delete?|7", "35|Copy|Copy?|2",
                                              "64|Info|Done|1"}));
    EXPECT_EQ(qv::AnswerWord(*qv::AnswerCode("YES")), "yes");
    EXPECT_FALSE(qv::AnswerCode("maybe"));
}

TEST_F(HostLibrariesTest, TmpIsTheFirstExistingOfTmpTmpdirAndTheSystemFolder) {
    auto env = libraries.EnvironmentHelper();
    TempDir mine, theirs;
    const std::string missing = mine.Path() + "/gone";
    const char* m = mine.Path().c_str();
    const char* t = theirs.Path().c_str();
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {m, t, mine.Path()},
        {missing.c_str(), t, theirs.Path()},
        {missing.c_str(), nullptr, "/tmp"},
        {nullptr, t, theirs.Path()},
        {nullptr, nullptr, "/tmp"}};
    for (const auto& [tmp, tmpdir, expected] : cases) {
        ScopedEnv a("TMP", tmp), b("TMPDIR", tmpdir);
        EXPECT_EQ(env->Variable("TMP", ""), expected) << (tmp ? tmp : "-");
    }
    ScopedEnv other("QV_NO_SUCH_VARIABLE", nullptr);
    EXPECT_EQ(env->Variable("QV_NO_SUCH_VARIABLE", "fallback"), "fallback");
}

// Headless hosts delete for good; the desktop program gives its trash, which keeps each file
// with where it came from.
TEST_F(HostLibrariesTest, DeletesAreForGoodUnlessTheHostGivesItsTrash) {
    TempDir dir;
    ScopedEnv data{"XDG_DATA_HOME", (dir.Path() + "/data").c_str()};
    auto file = qv::MakeFileObject(dir.Write("a.txt", "x"));
    libraries.FileService().DeleteFile(*file);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/a.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/data"));

    qv::TrashFileService trash;
    libraries.SetFileService(trash);
    const std::string trashFiles = dir.Path() + "/data/Trash/files/";
    const std::string trashInfo = dir.Path() + "/data/Trash/info/";
    for (const char* folder : {"one", "two", "three"}) {
        file = qv::MakeFileObject(dir.Write(std::string(folder) + "/my notes.txt", folder));
        libraries.FileService().DeleteFile(*file);
        EXPECT_FALSE(file->Exists());
    }
    // Each under a name of its own, none overwritten.
    EXPECT_EQ(Read(trashFiles + "my notes.txt"), "one");
    EXPECT_EQ(Read(trashFiles + "my notes.2.txt"), "two");
    EXPECT_EQ(Read(trashFiles + "my notes.3.txt"), "three");
    const std::string info = Read(trashInfo + "my notes.2.txt.trashinfo");
    EXPECT_EQ(info.substr(0, info.find("DeletionDate=")),
              "[Trash Info]\nPath=" + dir.Path() + "/two/my%20notes.txt\n");
    EXPECT_TRUE(
        std::regex_search(info, std::regex(R"(\nDeletionDate=\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\n$)")))
        << info;

    // Nothing to delete, or a folder: an error, and nothing in the trash.
    auto missing = qv::MakeFileObject(dir.Path() + "/none.txt");
    EXPECT_EQ(ErrorOf([&] { trash.DeleteFile(*missing); }), qv::err::FileNotFound);
    std::filesystem::create_directory(dir.Path() + "/folder");
    EXPECT_EQ(
        ErrorOf([&] { qv::MoveToTrashFolder(dir.Path() + "/folder", dir.Path() + "/data/Trash"); }),
        75);
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() + "/folder"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(trashInfo), {}), 3);
}

// A file that cannot be put into a trash is never deleted for good instead.
TEST_F(HostLibrariesTest, AFileTheTrashCannotTakeStaysWhereItIs) {
    TempDir dir;
    const std::string notAFolder = dir.Write("data", "a file where the trash would be made");
    ScopedEnv data{"XDG_DATA_HOME", notAFolder.c_str()};
    qv::TrashFileService trash;
    auto file = qv::MakeFileObject(dir.Write("keep.txt", "kept"));
    EXPECT_EQ(ErrorOf([&] { trash.DeleteFile(*file); }), 75);
    EXPECT_EQ(Read(dir.Path() + "/keep.txt"), "kept");
}

// Two paths reach the same file when the disk says so: hard links, case variants.
TEST_F(HostLibrariesTest, FileIdentityComesFromTheDisk) {
    TempDir dir;
    const std::string file = dir.Write("Docs/Guide.txt", "guide");
    std::filesystem::create_hard_link(file, dir.Path() + "/hard.txt");
    const qv::FileService& files = libraries.FileService();
    qv::FileIdentity id, same;
    ASSERT_TRUE(files.Identify(file, id));
    for (const char* path : {"/hard.txt", "/docs/guide.TXT"})
        EXPECT_TRUE(files.Identify(dir.Path() + path, same) && same == id) << path;
    EXPECT_FALSE(files.Identify(dir.Path() + "/Docs/none.txt", same));
    EXPECT_FALSE(files.Identify("", same));
}

// Keys split at the first colon; InCollection asks keyed collections, the project's among them,
// and never throws.
TEST_F(HostLibrariesTest, SharedHelperSplitsKeysAndFindsThemInCollections) {
    auto helper = libraries.SharedHelper();
    EXPECT_EQ(helper, libraries.SharedHelper()); // made once
    struct Case {
        std::string key, type, value;
    };
    const Case cases[] = {
        {"t:T1", "t", "T1"},
        {"o:/home/a/b:c.png", "o", "/home/a/b:c.png"},
        {"o:D:\\Help\\images\\a.png", "o", "D:\\Help\\images\\a.png"},
        {"bp:", "bp", ""},
        {":x", "", "x"},
        {"images\\shots", "images\\shots", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(helper->KeyType(c.key), c.type) << c.key;
        EXPECT_EQ(helper->KeyValue(c.key), c.value) << c.key;
    }

    KeyedThing nodes;
    EXPECT_TRUE(helper->InCollection(nodes, "images\\shots"));
    EXPECT_FALSE(helper->InCollection(nodes, "images\\other"));
    EXPECT_FALSE(helper->InCollection(nodes, "boom"));
    EXPECT_FALSE(helper->InCollection(PlainThing(), "anything"));

    TempDir dir;
    auto project = qv::Project::Create(dir.Path() + "/P.qvproj");
    auto category = project->AddCategory("C1", "Guide");
    project->AddTopic("T1", "Intro", "Introduction", "C1");
    project->AddProfile("B1", "Web");

    EXPECT_TRUE(helper->InCollection(*project->Topics(), "T1"));
    EXPECT_FALSE(helper->InCollection(*project->Topics(), "t1"));
    EXPECT_TRUE(helper->InCollection(*project->TopicCategories(), "C1"));
    EXPECT_TRUE(helper->InCollection(*category->Topics(), "T1"));
    EXPECT_TRUE(helper->InCollection(*project->BuildProfiles(), "B1"));
    EXPECT_FALSE(helper->InCollection(*project->OtherFiles(), dir.Path() + "/a.png"));
}

TEST_F(HostLibrariesTest, SharedHelperBrowseForFilesGivesThePlatformResultForm) {
    auto helper = libraries.SharedHelper();
    std::vector<std::string> titles;
    dialogs.SetObserver([&](const std::string& title, const std::vector<std::string>&) {
        titles.push_back(title);
    });
    dialogs.Queue({"/p/images/a.png"});
    dialogs.Queue({"/p/images/a.png", "/p/images/b c.png"});
    dialogs.Queue({"/p/images/a.png", "/p/docs/x.txt"});
    dialogs.Queue({"/a.txt", "/b/c.txt"});

    EXPECT_EQ(helper->BrowseForFiles("Add to Project", "All files (*.*)|*.*", "/p/", true),
              "/p/images/a.png");
    EXPECT_EQ(helper->BrowseForFiles("Add", "", "/p/", true),
              std::string("/p/images\0a.png\0b c.png", 23));
    EXPECT_EQ(helper->BrowseForFiles("Add", "", "/p/", true),
              std::string("/p\0images/a.png\0docs/x.txt", 26));
    EXPECT_EQ(helper->BrowseForFiles("Add", "", "/", true), std::string("/\0a.txt\0b/c.txt", 15));
    EXPECT_EQ(helper->BrowseForFiles("Add", "", "/p/", true), ""); // nothing queued: cancel
    dialogs.Queue({"/p/a", "/p/b"});
    EXPECT_EQ(helper->BrowseForFiles("Add", "", "/p/", false), "/p/a");
    EXPECT_EQ(titles.size(), 6u);
    EXPECT_EQ(titles.front(), "Add to Project");
}

// Odd value names round-trip; writing what is already there leaves the file alone, as each
// write replaces and flushes it; another object sees the writes.
TEST_F(HostLibrariesTest, RegistryCurrentUserValuesRoundTripThroughTheIniFile) {
    HostRegistry registry;
    EXPECT_EQ(registry.FilePath(), config.Path() + "/Veltrane/Quorvel2.ini");
    registry.SetValue(hive::CurrentUser, kKey, "Odd/Name\\x", Variant("a, b; c=d"));
    registry.SetValue(hive::CurrentUser, kKey, "", Variant(7));
    EXPECT_EQ(registry.GetValue(hive::CurrentUser, kKey, "Odd/Name\\x"), Variant("a, b; c=d"));
    EXPECT_EQ(registry.GetValue(hive::CurrentUser, kKey, ""), Variant("7"));

    const auto identity = [&] {
        struct stat st {};
        ::stat(registry.FilePath().c_str(), &st);
        return std::pair(st.st_ino, st.st_mtim.tv_nsec);
    };
    const auto before = identity();
    registry.SetValue(hive::CurrentUser, kKey, "", Variant("7"));
    EXPECT_EQ(identity(), before);
    HostRegistry().SetValue(hive::CurrentUser, kKey, "FindInName", Variant("False"));
    EXPECT_EQ(registry.GetValue(hive::CurrentUser, kKey, "FindInName"), Variant("False"));
}

TEST_F(HostLibrariesTest, RegistryLocationFollowsTheEnvironmentWhenMade) {
    TempDir home;
    ScopedEnv homeVar("HOME", home.Path().c_str());
    {
        ScopedEnv unset("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(HostRegistry().FilePath(), home.Path() + "/.config/Veltrane/Quorvel2.ini");
    }
    {
        ScopedEnv relative("XDG_CONFIG_HOME", "relative/dir");
        EXPECT_EQ(HostRegistry().FilePath(), home.Path() + "/.config/Veltrane/Quorvel2.ini");
    }
}

TEST_F(HostLibrariesTest, RegistryUnwritableFileRaises75) {
    // A folder where the file belongs cannot be replaced, whatever the user's rights.
    std::filesystem::create_directories(config.Path() + "/Veltrane/Quorvel2.ini");
    HostRegistry registry;
    EXPECT_EQ(
        ErrorOf([&] { registry.SetValue(hive::CurrentUser, kKey, "FindInName", Variant("True")); }),
        75);
    EXPECT_TRUE(registry.GetValue(hive::CurrentUser, kKey, "FindInName").IsEmpty());
}

TEST_F(HostLibrariesTest, RegistryClassesRootAnswersFromTheMimeDatabase) {
    HostRegistry registry;
    EXPECT_EQ(registry.GetValue(hive::ClassesRoot, ".bmp", ""), Variant("image/bmp"));
    EXPECT_EQ(registry.GetValue(hive::ClassesRoot, ".PNG", ""), Variant("image/png"));
    EXPECT_EQ(registry.GetValue(hive::ClassesRoot, "image/bmp\\DefaultIcon", ""), Variant("%1"));
    EXPECT_EQ(registry.GetValue(hive::ClassesRoot, "text/plain\\DefaultIcon", ""), Variant(""));
    EXPECT_TRUE(registry.GetValue(hive::ClassesRoot, ".qvnosuchext", "").IsEmpty());
    EXPECT_TRUE(registry.GetValue(hive::ClassesRoot, "no/such\\DefaultIcon", "").IsEmpty());
    EXPECT_TRUE(registry.GetValue(hive::ClassesRoot, ".bmp", "Content Type").IsEmpty());

    EXPECT_EQ(ErrorOf([&] { registry.SetValue(hive::ClassesRoot, ".bmp", "", Variant("x")); }), 70);
    EXPECT_EQ(ErrorOf([&] { registry.GetValue(7, kKey, ""); }), qv::err::InvalidArgument);
}

} // namespace
