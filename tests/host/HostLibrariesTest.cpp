#include "contracts/Error.h"
#include "host/HostLibrariesImpl.h"
#include "model/FileObject.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>

namespace {

using qv::Variant;
using qvtest::ErrorOf;
using qvtest::ScopedEnv;
using qvtest::TempDir;

const std::string kImages = std::string(QV_SOURCE_DIR) + "/samples/Handbook/images/";

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

TEST_F(HostLibrariesTest, HelpersAreMadeOnceAndShareTheOptions) {
    auto shared = libraries.SharedHelper();
    EXPECT_EQ(shared, libraries.SharedHelper());
    EXPECT_EQ(libraries.DesignerHelper(), libraries.DesignerHelper());
    EXPECT_EQ(libraries.Registry(), libraries.Registry());
    EXPECT_EQ(libraries.EnvironmentHelper(), libraries.EnvironmentHelper());

    libraries.Options().suppressDeletePrompt = true;
    libraries.Options().warningBarStyle = 1;
    EXPECT_TRUE(shared->SuppressDeletePrompt());
    EXPECT_EQ(libraries.DesignerHelper()->WarningBarStyle(), 1);
}

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

TEST_F(HostLibrariesTest, MsgBoxGoesToTheService) {
    boxes.Queue(qv::mb::No);
    EXPECT_EQ(libraries.MsgBox("Sure?", 36, "Confirm Delete"), qv::mb::No);
    EXPECT_EQ(libraries.MsgBox("Oops", 16, "Application Error"), qv::mb::Ok);
}

TEST_F(HostLibrariesTest, TmpFallsBackToTheSystemTemporaryFolder) {
    auto env = libraries.EnvironmentHelper();
    {
        ScopedEnv tmp("TMP", "/var/qvtmp");
        EXPECT_EQ(env->Variable("TMP", ""), "/var/qvtmp");
    }
    ScopedEnv tmp("TMP", nullptr);
    {
        ScopedEnv tmpdir("TMPDIR", "/scratch");
        EXPECT_EQ(env->Variable("TMP", ""), "/scratch");
    }
    ScopedEnv tmpdir("TMPDIR", nullptr);
    EXPECT_EQ(env->Variable("TMP", ""), "/tmp");
    ScopedEnv other("QV_NO_SUCH_VARIABLE", nullptr);
    EXPECT_EQ(env->Variable("QV_NO_SUCH_VARIABLE", "fallback"), "fallback");
}

// Headless hosts delete for good; the desktop program gives its trash.
TEST_F(HostLibrariesTest, DeletesAreForGoodUnlessTheHostGivesItsFileService) {
    TempDir dir;
    ScopedEnv data{"XDG_DATA_HOME", (dir.Path() + "/data").c_str()};
    auto file = qv::MakeFileObject(dir.Write("a.txt", "x"));
    libraries.FileService().DeleteFile(*file);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/a.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/data"));

    qv::TrashFileService trash;
    libraries.SetFileService(trash);
    file = qv::MakeFileObject(dir.Write("b.txt", "y"));
    libraries.FileService().DeleteFile(*file);
    EXPECT_EQ(Read(dir.Path() + "/data/Trash/files/b.txt"), "y");
}

TEST_F(HostLibrariesTest, TheTrashKeepsEachFileWithWhereItCameFrom) {
    TempDir dir;
    ScopedEnv data{"XDG_DATA_HOME", (dir.Path() + "/data").c_str()};
    qv::TrashFileService trash;
    const std::string trashFiles = dir.Path() + "/data/Trash/files/";
    const std::string trashInfo = dir.Path() + "/data/Trash/info/";
    for (const char* folder : {"one", "two", "three"}) {
        auto file = qv::MakeFileObject(dir.Write(std::string(folder) + "/my notes.txt", folder));
        trash.DeleteFile(*file);
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

// Two paths reach the same file when the disk says so: hard links, links, case variants.
TEST_F(HostLibrariesTest, FileIdentityComesFromTheDisk) {
    TempDir dir;
    namespace fs = std::filesystem;
    const std::string file = dir.Write("Docs/Guide.txt", "guide");
    const std::string other = dir.Write("Docs/other.txt", "guide");
    fs::create_hard_link(file, dir.Path() + "/hard.txt");
    fs::create_symlink(file, dir.Path() + "/soft.txt");
    fs::create_directory_symlink(dir.Path() + "/Docs", dir.Path() + "/linked");
    const qv::FileService& files = libraries.FileService();
    qv::FileIdentity id, same;
    ASSERT_TRUE(files.Identify(file, id));
    for (const char* path : {"/hard.txt", "/soft.txt", "/linked/Guide.txt", "/docs/guide.TXT"}) {
        EXPECT_TRUE(files.Identify(dir.Path() + path, same) && same == id) << path;
    }
    EXPECT_TRUE(files.Identify(other, same));
    EXPECT_NE(same, id);
    EXPECT_FALSE(files.Identify(dir.Path() + "/Docs/none.txt", same));
    EXPECT_FALSE(files.Identify("", same));
}

} // namespace
