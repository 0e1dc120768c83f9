#include "model/FileObject.h"

#include "ModelTestSupport.h"
#include "contracts/LoadScope.h"
#include "model/DiskPath.h"
#include "model/ProjectFileReader.h"

#include <cctype>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace {

using qvtest::ErrorOf;
using qvtest::TempFolder;

class FileObjectTest : public ::testing::Test {
protected:
    TempFolder temp;
    qv::DiskFileObject file;
};

TEST(AbsoluteNormalTest, AgreesWithTheLexicalNormalFormOnEveryShape) {
    for (const std::string path :
         {"/", "/a", "/a/b.txt", "/a/b/", "//a", "/a//b", "/a/./b", "/a/../b", "/a/b/..", "/a/b/.",
          "/.a/..b/c..", "/a/.../b", "/a/b//", "/./", "/.."}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(qv::disk::AbsoluteNormal(path),
                  std::filesystem::path(path).lexically_normal().string());
    }
}

// The files' table hashes paths without regard to case: two spellings of one path hash the
// same at every length (whole words of eight bytes and the bytes after them), also when the
// path is not ASCII (folded first).
TEST(HashNoCaseTest, SpellingsOfOnePathHashTheSame) {
    const std::string path = "/Home/Docs/Image-ZZ_09@[`{]/Photo.PNG";
    std::set<std::size_t> hashes;
    for (std::size_t n = 0; n <= path.size(); ++n) {
        std::string lower = path.substr(0, n), upper = lower;
        for (std::size_t i = 0; i < n; ++i) {
            lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[i])));
            upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(upper[i])));
        }
        EXPECT_EQ(qv::disk::HashNoCase(lower), qv::disk::HashNoCase(upper)) << upper;
        EXPECT_EQ(qv::disk::HashNoCase("\xC3\x84" + lower),
                  qv::disk::HashNoCase("\xC3\x84" + upper));
        hashes.insert(qv::disk::HashNoCase(upper));
    }
    EXPECT_EQ(hashes.size(), path.size() + 1); // and the prefixes apart
}

// A file goes under Image Files by its extension, in any case; nothing else of the same
// letters or length passes for one.
TEST(IsImageExtensionTest, ThePicturesExtensionsInAnyCaseAndNoOther) {
    for (const char* e :
         {"png", "PNG", "jpg", "Jpeg", "gif", "bmp", "ico", "svg", "tif", "TIFF", "webp", "WebP"})
        EXPECT_TRUE(qv::disk::IsImageExtension(e)) << e;
    using namespace std::string_view_literals;
    for (const std::string_view e : {""sv, "p"sv, "pn"sv, "pngx"sv, "jpegs"sv, "txt"sv, "webm"sv,
                                     " png"sv, "png "sv, "\0png"sv, "\xC3\xA9ps"sv, "svg\xC3"sv})
        EXPECT_FALSE(qv::disk::IsImageExtension(e)) << e;
}

// The extension follows every change of the name, at any length of it.
TEST_F(FileObjectTest, SetExtensionReplacesAddsOrRemoves) {
    file.SetSpec("/x/report.old.txt");
    EXPECT_EQ(file.Extension(), "txt");
    file.SetExtension("md");
    EXPECT_EQ(file.LocalSpec(), "/x/report.old.md");
    EXPECT_EQ(file.ExtensionRef(), "md");
    file.SetExtension("");
    EXPECT_EQ(file.FileName(), "report.old");
    EXPECT_EQ(file.ExtensionRef(), "old");
    file.SetExtension(".png"); // "old" is now the extension
    EXPECT_EQ(file.FileName(), "report.png");
    EXPECT_EQ(file.ExtensionRef(), "png");
    for (const auto& [path, extension] : std::initializer_list<std::pair<std::string, std::string>>{
             {"/x/.profile", ""},
             {"/x/notes.", ""},
             {"/x/a.b/readme", ""},
             {"/x/" + std::string(70000, 'a') + ".jpeg", "jpeg"}}) {
        file.SetFilePath(path);
        EXPECT_EQ(file.ExtensionRef(), extension) << path.substr(0, 20);
        EXPECT_EQ(file.Extension(), extension);
    }
}

TEST_F(FileObjectTest, ExistsAndReadOnlyReadTheDisk) {
    temp.Write("a.txt", "x");
    file.SetSpec(temp / "a.txt");
    EXPECT_TRUE(file.Exists());
    EXPECT_FALSE(file.ReadOnly());
    for (mode_t mode : {0444, 0040, 0000}) {
        qvtest::SetMode(temp / "a.txt", mode);
        EXPECT_TRUE(file.ReadOnly()) << std::oct << mode;
    }
    for (mode_t mode : {0200, 0020, 0002}) {
        qvtest::SetMode(temp / "a.txt", mode);
        EXPECT_FALSE(file.ReadOnly()) << std::oct << mode;
    }
    file.SetReadOnly(true);
    EXPECT_TRUE(file.ReadOnly());
    file.SetReadOnly(false);
    EXPECT_FALSE(file.ReadOnly());

    file.SetSpec(temp / "missing.txt");
    EXPECT_FALSE(file.Exists());
    EXPECT_FALSE(file.ReadOnly());
    EXPECT_EQ(ErrorOf([&] { file.SetReadOnly(true); }), qv::err::FileNotFound);
    file.SetSpec(temp.Path());
    EXPECT_FALSE(file.Exists()); // a folder is not a file
}

TEST_F(FileObjectTest, DeleteRemovesOrNamesTheFailure) {
    temp.Write("gone.txt", "x");
    qvtest::SetMode(temp / "gone.txt", 0444); // the read-only mark does not protect it
    file.SetSpec(temp / "gone.txt");
    file.Delete();
    EXPECT_FALSE(std::filesystem::exists(temp / "gone.txt"));
    EXPECT_EQ(ErrorOf([&] { file.Delete(); }), qv::err::FileNotFound);
    std::filesystem::create_directory(temp / "sub");
    file.SetSpec(temp / "sub");
    EXPECT_EQ(ErrorOf([&] { file.Delete(); }), 75);
    EXPECT_TRUE(std::filesystem::exists(temp / "sub"));
}

// The disk behaves as a case-insensitive one: where a spelling does not exist, each part takes
// the name the disk has (the first in byte order when several match).
TEST_F(FileObjectTest, ASpecMissingAsSpelledTakesTheDisksSpelling) {
    temp.Write("Manuals/Setup/Guide.txt", "first");
    temp.Write("Manuals/Setup/guide.TXT", "second");
    temp.Write("Ärger/Bild.png", "x");
    struct Case {
        std::string spec, localSpec;
    };
    const Case cases[] = {
        {"manuals/setup/GUIDE.TXT", "Manuals/Setup/Guide.txt"},
        {"Manuals/Setup/guide.TXT", "Manuals/Setup/guide.TXT"}, // the exact spelling wins
        {"MANUALS\\setup\\new.txt", "Manuals/Setup/new.txt"},   // a new file in a found folder
        {"manuals/elsewhere/x.txt", "Manuals/elsewhere/x.txt"}, // spelled as given from there on
        {"manuals/setup/", "Manuals/Setup/"},
        {"manuals/setup", "Manuals/Setup/"}, // found, it is a folder
        {"ärger/bild.PNG", "Ärger/Bild.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        file.SetSpec(temp / c.spec);
        EXPECT_EQ(file.LocalSpec(), temp / c.localSpec);
    }
}

// A folder listing kept for matching is read again once the folder changes.
TEST_F(FileObjectTest, AMatchSeesTheFolderAsItIsNow) {
    temp.Write("Old/A.txt", "x");
    std::filesystem::last_write_time(temp / "Old", std::filesystem::file_time_type::clock::now() -
                                                       std::chrono::hours(1));
    file.SetSpec(temp / "old/b.txt");
    EXPECT_EQ(file.LocalSpec(), temp / "Old/b.txt");
    temp.Write("Old/B.txt", "y");
    file.SetSpec(temp / "old/b.txt");
    EXPECT_EQ(file.LocalSpec(), temp / "Old/B.txt");
}

// A file object pointed at a listed path keeps that text as its key, while reading and
// changing the disk reaches the file whose name matches it ignoring case.
TEST_F(FileObjectTest, AListedSpellingReachesTheFileOnDisk) {
    temp.Write("Images/Shot.png", "x");
    file.SetFilePath(temp / "images/shot.png");
    EXPECT_EQ(file.LocalSpec(), temp / "images/shot.png");
    EXPECT_TRUE(file.Exists());
    file.SetReadOnly(true);
    EXPECT_TRUE(file.ReadOnly());
    EXPECT_EQ(file.DiskPath(), temp / "Images/Shot.png");
    file.Delete();
    EXPECT_FALSE(std::filesystem::exists(temp / "Images/Shot.png"));
    EXPECT_FALSE(file.Exists());
    EXPECT_EQ(ErrorOf([&] { file.Delete(); }), qv::err::FileNotFound);
}

// A load reads each folder once: the files take the disk's spelling of their paths and answer
// Exists from that listing, looked up once per file (the reader's answer serves the rest of
// the load); once the load is over Exists asks the disk again, and so does a later load. A
// folder of hundreds (many/: every third name spelled in upper case, every fifth not on the
// disk) finds each name as in a small one; a file a thousand missing folders deep costs a
// look at the folders that exist, not one per level.
TEST_F(FileObjectTest, ALoadReadsEachFolderOnceAndLaterChecksAskTheDisk) {
    temp.Write("Images/Shot.png", "x");
    temp.Write("Images/logo.png", "x");
    temp.Write("docs/guide.txt", "x");
    temp.Write("docs/Sub/a.txt", "x");
    for (const char* name : {"note.txt", "Note.txt", "NOTE.txt"})
        temp.Write(std::string("docs/") + name, "x");
    std::string many;
    for (int i = 0; i < 400; ++i) {
        const std::string name = "f" + std::to_string(i) + ".txt";
        if (i % 5) temp.Write("many/" + name, "x");
        many += "<File path=\"many\\" + (i % 3 ? name : "F" + name.substr(1)) + "\"/>";
    }
    std::string deep = "docs/";
    for (int i = 0; i < 1000; ++i)
        deep += "g/";
    temp.Write("project.qvproj",
               "<QuorvelProject formatVersion=\"1\"><Files>"
               "<File path=\"images\\SHOT.png\"/><File path=\"Images\\logo.png\"/>"
               "<File path=\"docs\\guide.txt\"/><File path=\"docs\\sub\\A.TXT\"/>"
               "<File path=\"docs\\gone.txt\"/><File path=\"IMAGES\\gone.png\"/>"
               "<File path=\"docs\\NoTe.txt\"/>" +
                   many + "<File path=\"" + deep + "x.txt\"/></Files></QuorvelProject>");
    const std::size_t before = qv::disk::FolderListingsRead();
    const std::size_t askedBefore = qv::disk::FoldersAskedInLoad();
    const std::size_t lookUpsBefore = qv::disk::LookUpsInLoad();
    std::shared_ptr<qv::QVProject> project;
    std::vector<bool> exists;
    {
        qv::LoadScope load;
        project = qv::LoadProject(temp / "project.qvproj");
        const auto files = project->OtherFiles();
        for (int32_t i = 1; i <= files->Count(); ++i)
            exists.push_back(files->Item(i)->File()->Exists());
    }
    // Images, docs, docs/Sub, many and, to find "sub" and "images", the project folder.
    EXPECT_EQ(qv::disk::FolderListingsRead() - before, 5u);
    EXPECT_EQ(qv::disk::LookUpsInLoad() - lookUpsBefore, 408u);
    EXPECT_LT(qv::disk::FoldersAskedInLoad() - askedBefore, 40u);
    // A missing file takes the disk's spelling of its folder; of several names that match
    // ignoring case, the first in byte order.
    std::vector<bool> expected = {true, true, true, true, false, false, true};
    std::vector<std::string> spelled = {"Images/Shot.png", "Images/logo.png", "docs/guide.txt",
                                        "docs/Sub/a.txt",  "docs/gone.txt",   "Images/gone.png",
                                        "docs/NOTE.txt"};
    for (int i = 0; i < 400; ++i) {
        expected.push_back(i % 5 != 0);
        spelled.push_back("many/" + std::string(i % 3 || i % 5 ? "f" : "F") + std::to_string(i) +
                          ".txt");
    }
    expected.push_back(false);
    spelled.push_back(deep + "x.txt");
    EXPECT_EQ(exists, expected);
    const auto files = project->OtherFiles();
    for (int32_t i = 1; i <= files->Count(); ++i) {
        EXPECT_EQ(files->Item(i)->File()->LocalSpec(), temp / spelled[i - 1]);
        EXPECT_TRUE(files->Contains(temp / spelled[i - 1]));
    }
    // Lookups taken a step each in turn find what the keys name, in another case too.
    std::vector<std::pair<std::string, const qv::OtherFile*>> wanted = {
        {temp / "IMAGES/shot.PNG", files->Item(1).get()}, {temp / "many/f1.txt/", nullptr}};
    for (std::size_t i = 0; i < spelled.size(); i += 7)
        wanted.emplace_back(temp / spelled[i], files->Item(static_cast<int32_t>(i + 1)).get());
    std::vector<qv::Collection<qv::OtherFile>::Lookup> lookups;
    for (const auto& w : wanted)
        lookups.emplace_back(w.first);
    std::vector<bool> done(wanted.size());
    for (std::size_t left = wanted.size(); left;)
        for (std::size_t i = 0; i < wanted.size(); ++i)
            if (!done[i] && files->Step(lookups[i])) done[i] = true, --left;
    for (std::size_t i = 0; i < wanted.size(); ++i)
        EXPECT_EQ(lookups[i].item, wanted[i].second) << wanted[i].first;

    std::filesystem::remove(temp / "Images/Shot.png");
    EXPECT_FALSE(files->Item(1)->File()->Exists());
    temp.Write("docs/gone.txt", "back");
    EXPECT_TRUE(files->Item(5)->File()->Exists());
    EXPECT_EQ(qv::disk::FolderListingsRead() - before, 5u);

    std::filesystem::remove(temp / "Images/logo.png");
    qv::LoadScope later;
    EXPECT_FALSE(files->Item(2)->File()->Exists());
    EXPECT_TRUE(files->Item(5)->File()->Exists());
}

// The steps of a temporary file: folder, extension, unique name, text, delete.
TEST_F(FileObjectTest, TemporaryFileStepsMakeDistinctFiles) {
    file.SetSpec(temp.Path().substr(0, temp.Path().size() - 1));
    file.SetExtension("png");
    EXPECT_EQ(file.Extension(), "png");
    file.MakeUnique();
    EXPECT_EQ(file.Folder(), temp.Path());
    EXPECT_EQ(file.FileName().substr(0, 2), "qv");
    EXPECT_EQ(file.Extension(), "png");
    file.WriteText(" ");
    EXPECT_EQ(qvtest::ReadText(file.LocalSpec()), " ");

    qv::DiskFileObject second(file.LocalSpec()); // names an existing file: a new name
    second.MakeUnique();
    EXPECT_NE(second.LocalSpec(), file.LocalSpec());
    EXPECT_EQ(second.Extension(), "png");
    EXPECT_FALSE(second.Exists());

    qv::DiskFileObject fresh(temp / "free.txt"); // a free name is kept
    fresh.MakeUnique();
    EXPECT_EQ(fresh.LocalSpec(), temp / "free.txt");

    qv::DiskFileObject nowhere; // no folder at all: the temporary folder
    nowhere.SetExtension("ico");
    nowhere.MakeUnique();
    EXPECT_FALSE(nowhere.Folder().empty());
    EXPECT_EQ(nowhere.Extension(), "ico");

    file.Delete();
    EXPECT_FALSE(file.Exists());
}

TEST_F(FileObjectTest, WriteTextFailsWithAccessError) {
    file.SetSpec(temp / "no/such/folder/x.txt");
    EXPECT_EQ(ErrorOf([&] { file.WriteText("x"); }), 75);
    file.SetSpec(temp.Path());
    EXPECT_EQ(ErrorOf([&] { file.WriteText("x"); }), 75);
}

} // namespace
