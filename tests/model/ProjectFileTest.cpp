#include "ModelTestSupport.h"
#include "model/DiskPath.h"
#include "model/ProjectFileReader.h"
#include "model/ProjectFileWriter.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/time.h>
#include <unistd.h>

namespace {

using qvtest::ReadText;
using qvtest::TempFolder;

// Every field of the file's contents, one line per item, for whole-project comparisons.
std::string Describe(const qv::ProjectData& d) {
    auto b = [](bool v) { return v ? "1" : "0"; };
    std::string out = std::string("project ") + b(d.allowCategoryIndex) + b(d.underSourceControl) +
                      " next T" + std::to_string(d.nextTopicId) + " C" +
                      std::to_string(d.nextCategoryId) + " B" + std::to_string(d.nextProfileId);
    for (const auto& c : d.categories)
        out += "\nC|" + c.id + "|" + c.name + "|" + b(c.autoGenerateIndex);
    for (const auto& t : d.topics)
        out += "\nT|" + t.id + "|" + t.name + "|" + t.title + "|" + t.caption + "|" + t.category +
               "|" + t.status + "|" + b(t.includeInOutput) + "|" + t.file;
    for (const auto& f : d.files)
        out += "\nF|" + f.path + "|" + b(f.includeInOutput);
    for (const auto& p : d.profiles)
        out += "\nB|" + p.id + "|" + p.name + "|" + p.title + "|" + b(p.compiledHelp) + "|" +
               std::to_string(p.helpFormat) + "|" + p.outputFolder + "|" + b(p.current);
    return out;
}

std::string Lines(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines)
        out += std::string(l) + "\n";
    return out;
}

class ProjectFileTest : public ::testing::Test {
protected:
    TempFolder temp;
};

struct Refusal {
    const char* name;
    std::string text;
    int32_t line;
    const char* what;
};

TEST_F(ProjectFileTest, RefusesBrokenFilesNamingFileAndLine) {
    const char* decl = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
    const char* root = "<QuorvelProject formatVersion=\"1\">";
    const char* end = "</QuorvelProject>";
    const Refusal cases[] = {
        {"empty file", "", 1, "not well-formed XML"},
        {"wrong root", Lines({decl, "<html formatVersion=\"1\"/>"}), 2,
         "the root element is <html>, not <QuorvelProject>"},
        {"two roots", Lines({decl, "<QuorvelProject formatVersion=\"1\"/>", "<QuorvelProject/>"}),
         3, "more than one root element"},
        {"unknown version", Lines({decl, "<QuorvelProject formatVersion=\"2\"/>"}), 2,
         "formatVersion \"2\" is not supported"},
        {"no version", Lines({decl, "<QuorvelProject/>"}), 2, "has no formatVersion"},
        {"missing id", Lines({decl, root, "<Topics>", "<Topic name=\"x\"/>", "</Topics>", end}), 4,
         "<Topic> has no id"},
        {"duplicate topic",
         Lines({decl, root, "<Topics>", "<Topic id=\"T1\"/>", "<Topic id=\"T1\"/>", "</Topics>",
                end}),
         5, "topic ID \"T1\" is used twice (first on line 4)"},
        {"duplicate after a tag over three lines",
         Lines({decl, root, "<Topics>", "<Topic", "  name=\"on two\n lines\" id=\"T1\"",
                "  title=\"x\"/>", "<Topic id=\"T1\"/>", "</Topics>", end}),
         8, "topic ID \"T1\" is used twice (first on line 4)"},
        // The second use is found when the topic joins the project: a later fault of the same
        // element still reports the ID, checked first.
        {"duplicate topic naming an unknown category",
         Lines({decl, root, "<Topics>", "<Topic id=\"T1\"/>", "<Topic id=\"T2\"/>",
                "<Topic id=\"T2\" category=\"C9\" includeInOutput=\"no\"/>", "</Topics>", end}),
         6, "topic ID \"T2\" is used twice (first on line 5)"},
        {"duplicate topic with a path that climbs",
         Lines({decl, root, "<Topics>", "<Topic id=\"T1\"/>",
                "<Topic id=\"T1\" file=\"..\\..\\x.html\"/>", "</Topics>", end}),
         5, "topic ID \"T1\" is used twice (first on line 4)"},
        {"duplicate category",
         Lines({decl, root, "<Categories>", "<Category id=\"C1\"/>", "<Category id=\"C1\"/>",
                "</Categories>", end}),
         5, "category ID \"C1\" is used twice"},
        {"file listed twice, the second also with a bad includeInOutput",
         Lines({decl, root, "<Files>", "<File path=\"a.png\"/>", "<File path=\"b.png\"/>",
                "<File path=\"B.png\" includeInOutput=\"no\"/>", "</Files>", end}),
         6, "file \"B.png\" is listed twice (first on line 5)"},
        {"file path climbs",
         Lines({decl, root, "<Files>", "<File path=\"images\\..\\..\\x.png\"/>", "</Files>", end}),
         4, "climbs out of the project folder"},
        {"file path climbs by slashes",
         Lines({decl, root, "<Files>", "<File path=\"a/b.../../../x.png\"/>", "</Files>", end}), 4,
         "climbs out of the project folder"},
        {"file path ends in ..",
         Lines({decl, root, "<Files>", "<File path=\"images\\...\\x\\..\"/>", "</Files>", end}), 4,
         "path \"images\\...\\x\\..\" climbs out of the project folder"},
        {"empty path", Lines({decl, root, "<Files>", "<File path=\"\"/>", "</Files>", end}), 4,
         "<File> has an empty path"},
        {"unknown element", Lines({decl, root, "<Topics>", "<Chapter/>", "</Topics>", end}), 4,
         "unknown element <Chapter> in <Topics>"},
        {"bad help format",
         Lines({decl, root, "<BuildProfiles>",
                "<BuildProfile id=\"B1\" helpFormat=\"2x\" outputFolder=\"o\"/>",
                "</BuildProfiles>", end}),
         4, "helpFormat \"2x\" is not a whole number"},
        {"counter not a number",
         Lines({decl, "<QuorvelProject formatVersion=\"1\"", "  nextTopicId=\"12a\"/>"}), 2,
         "nextTopicId is \"12a\"; write a whole number from 0 to 1000000000000000000"},
        {"negative counter",
         Lines({decl, "<QuorvelProject formatVersion=\"1\" nextCategoryId=\"-1\"/>"}), 2,
         "nextCategoryId is \"-1\""},
        {"empty counter", Lines({decl, "<QuorvelProject formatVersion=\"1\" nextProfileId=\"\"/>"}),
         2, "nextProfileId is \"\""},
        // Output folders are judged as written: the project folder and those above it, by
        // absolute paths (the relative ones and the root are in the corpus).
        {"output folder is the project, absolute",
         Lines({decl, root, "<BuildProfiles>",
                ("<BuildProfile id=\"B1\" outputFolder=\"" + temp.Path() + "\"/>").c_str(),
                "</BuildProfiles>", end}),
         4, "is the project folder itself"},
        {"output folder above the project",
         Lines({decl, root, "<BuildProfiles>",
                ("<BuildProfile id=\"B1\" outputFolder=\"" +
                 std::filesystem::path(temp.Path()).parent_path().parent_path().string() + "\"/>")
                    .c_str(),
                "</BuildProfiles>", end}),
         4, "is a folder above the project folder"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        temp.Write("bad.qvproj", c.text);
        try {
            qv::LoadProject(temp / "bad.qvproj");
            ADD_FAILURE() << "loaded";
        } catch (const qv::ProjectFileError& e) {
            EXPECT_EQ(e.Number(), 321);
            EXPECT_EQ(e.Line(), c.line);
            std::string head = "bad.qvproj:" + std::to_string(c.line) + ": ";
            EXPECT_EQ(e.Description().substr(0, head.size()), head) << e.Description();
            EXPECT_NE(e.Description().find(c.what), std::string::npos) << e.Description();
        }
    }
}

// Each project file of tests/model/corpus (hostile ones among them) says in a comment what
// must become of it: "<!-- expect: refused at line N: TEXT -->" (refused with its name, that
// line and a reason containing TEXT) or "<!-- expect: loads -->" (it loads, saves to a file
// that loads to the same project, and saving that gives the same text). The files run as
// copies in a scratch folder, with a home folder of their own.
TEST_F(ProjectFileTest, CorpusIsRefusedWithFileLineAndReasonOrRoundTrips) {
    const std::filesystem::path corpus = std::string(QV_SOURCE_DIR) + "/tests/model/corpus";
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(corpus))
        if (entry.path().extension() == ".qvproj") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 40u);
    qvtest::ScopedEnv home("HOME", "/qv-corpus-home");
    for (const auto& source : files) {
        const std::string name = source.filename().string();
        SCOPED_TRACE(name);
        const std::string text = ReadText(source.string());
        const auto at = text.find("<!-- expect: ");
        ASSERT_NE(at, std::string::npos);
        const std::string expect = text.substr(at + 13, text.find(" -->", at) - at - 13);
        temp.Write(name, text);
        const std::string file = temp / name;
        try {
            if (expect == "loads") {
                auto project = qv::LoadProject(file);
                project->Save();
                const std::string saved = ReadText(file);
                // Written from the items: the bytes of the records' writer.
                EXPECT_EQ(saved, qv::WriteProjectFile(project->ToData()));
                // Handed on element by element: the same bytes.
                std::string pieces;
                project->WriteProjectFileText([&](std::string_view piece) { pieces += piece; }, 1);
                EXPECT_EQ(pieces, saved);
                auto again = qv::LoadProject(file);
                EXPECT_EQ(Describe(again->ToData()), Describe(project->ToData()));
                again->Save();
                EXPECT_EQ(ReadText(file), saved);
                continue;
            }
            const std::string prefix = "refused at line ";
            ASSERT_EQ(expect.rfind(prefix, 0), 0u) << expect;
            const std::size_t colon = expect.find(": ");
            const int32_t line = std::stoi(expect.substr(prefix.size(), colon - prefix.size()));
            const std::string what = expect.substr(colon + 2);
            try {
                qv::LoadProject(file);
                ADD_FAILURE() << "loaded";
            } catch (const qv::ProjectFileError& e) {
                EXPECT_EQ(e.Number(), 321);
                EXPECT_EQ(e.Line(), line);
                const std::string head = name + ":" + std::to_string(line) + ": ";
                EXPECT_EQ(e.Description().substr(0, head.size()), head) << e.Description();
                EXPECT_NE(e.Description().find(what), std::string::npos) << e.Description();
                EXPECT_LT(e.Description().size(), 1000u); // a huge value is not repeated whole
            }
        } catch (const qv::Error& e) {
            ADD_FAILURE() << e.Number() << " " << e.Description();
        }
    }
}

// Only a regular file is read, and never one past the limit: a pipe would block the reader
// for ever, a device could feed it without end.
TEST_F(ProjectFileTest, PipesDevicesAndHugeFilesAreRefusedWithoutBeingRead) {
    ASSERT_EQ(::mkfifo((temp / "pipe.qvproj").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", temp / "zero.qvproj");
    std::filesystem::create_symlink(temp / "pipe.qvproj", temp / "to-pipe.qvproj");
    {
        // Sparse: the size is there without the bytes.
        int fd = ::open((temp / "huge.qvproj").c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(qv::kLargestProjectFile) + 1), 0);
        ::close(fd);
    }
    std::filesystem::create_symlink(temp / "gone.qvproj", temp / "dangling.qvproj");
    std::filesystem::create_directory(temp / "dir.qvproj");
    struct Case {
        const char* name;
        int32_t number;
        const char* what;
    };
    const Case cases[] = {
        {"pipe.qvproj", 75, "is not a regular file"},
        {"zero.qvproj", 75, "is not a regular file"},
        {"to-pipe.qvproj", 75, "is not a regular file"},
        {"huge.qvproj", 75, "is 1073741825 bytes long; a project file may have at most 1 GB"},
        {"dangling.qvproj", 53, "file not found"},
        {"none.qvproj", 53, "file not found"},
        {"dir.qvproj", 75, "is a folder, not a project file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            qv::LoadProject(temp / c.name);
            ADD_FAILURE() << "loaded";
        } catch (const qv::ProjectFileError& e) {
            EXPECT_EQ(e.Number(), c.number);
            EXPECT_EQ(e.Line(), 0);
            EXPECT_EQ(e.Description().rfind(std::string(c.name) + ": ", 0), 0u) << e.Description();
            EXPECT_NE(e.Description().find(c.what), std::string::npos) << e.Description();
        }
    }
}

TEST_F(ProjectFileTest, MissingAttributesTakeTheirDefaults) {
    temp.Write("p.qvproj",
               Lines({"<QuorvelProject formatVersion=\"1\">",
                      "<Categories><Category id=\"C1\"/></Categories>",
                      "<Topics><Topic id=\"T1\"/><Topic id=\"T2\" status=\"\" "
                      "file=\"topics/sub\\t2.html\"/></Topics>",
                      "<Files><File path=\"a.txt\"/></Files>",
                      "<BuildProfiles><BuildProfile id=\"B1\" outputFolder=\"/abs/out\"/>"
                      "</BuildProfiles>",
                      "</QuorvelProject>"}));
    qv::LoadOptions options;
    options.defaultStatus = "Sketch";
    auto project = qv::LoadProject(temp / "p.qvproj", options);
    EXPECT_FALSE(project->AllowCategoryIndex());
    EXPECT_FALSE(project->UnderSourceControl());
    EXPECT_FALSE(project->TopicCategories()->Item(1)->AutoGenerateIndex());
    auto topic = project->Topics()->Item("T1");
    EXPECT_TRUE(topic->IncludeInOutput());
    EXPECT_EQ(topic->Status(), "Sketch");
    EXPECT_EQ(project->Topics()->Item("T2")->Status(), "");                    // kept as written
    EXPECT_EQ(project->GetTopic("T2")->Values().file, "topics\\sub\\t2.html"); // kept "\" separated
    EXPECT_EQ(topic->Category(), nullptr);
    EXPECT_FALSE(topic->ReadOnly()); // names no file
    EXPECT_TRUE(project->OtherFiles()->Item(1)->IncludeInOutput());
    auto profile = project->GetProfile("B1");
    EXPECT_FALSE(profile->Current());
    EXPECT_FALSE(profile->CompiledHelp());
    EXPECT_EQ(profile->OutputFolder(), "/abs/out/");
}

TEST_F(ProjectFileTest, SavedProjectLoadsBackEqual) {
    std::string file = temp.CopySample();
    auto project = qv::LoadProject(file);
    auto topic = project->AddTopic("", "Odd <name> & \"quotes\"", "Tab\there", "C2", "Unknown");
    topic->SetIncludeInOutput(false);
    // Texts of over 64 KiB in all (a name of "&"s, written "&amp;", and a title of 2- to 4-byte
    // characters across the pieces the file is read in), and empty ones, beside the usual.
    std::string wide;
    for (int i = 0; i < 80'000; ++i)
        wide += "日é\xF0\x9D\x84\x9E";
    auto large = project->AddTopic("", std::string(70'000, '&'), wide, "", "", "big\\é.html");
    large->SetCaption(std::string(3, 'c'));
    project->AddCategory("", "Empty one");
    project->AddFile("/outside/of/it/pic.png");
    project->AddFile(temp / "Handbook/inside/by/absolute.txt");
    project->MoveTopic("T33", "T1");
    project->MoveCategory("C6", "C1");
    project->SetUnderSourceControl(true);
    project->GetProfile("B1")->SetOutputFolder("out/put");
    project->Save();
    EXPECT_FALSE(project->Dirty());

    std::string text = ReadText(file);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<QuorvelProject ", 0), 0u);
    EXPECT_NE(text.find("path=\"inside\\by\\absolute.txt\""), std::string::npos);
    EXPECT_NE(text.find("path=\"/outside/of/it/pic.png\""), std::string::npos);
    EXPECT_NE(text.find("outputFolder=\"out\\put\""), std::string::npos);
    // The text is written as it always was (files under version control do not change): &, <
    // and " escaped, control characters as two-digit references, empty elements as " />".
    EXPECT_NE(text.find("    <Topic id=\"T34\" name=\"Odd &lt;name> &amp; &quot;quotes&quot;\" "
                        "title=\"Tab&#09;here\" caption=\"Tab&#09;here\" category=\"C2\" "
                        "status=\"Unknown\" "
                        "includeInOutput=\"false\" file=\"topics\\T34.html\" />\n"),
              std::string::npos)
        << text;

    auto again = qv::LoadProject(file);
    EXPECT_EQ(Describe(again->ToData()), Describe(project->ToData()));
    EXPECT_EQ(again->GetTopic("T35")->Name().size(), 70'000u);
    EXPECT_EQ(again->GetTopic("T35")->Values().file, "big\\é.html");
    EXPECT_EQ(again->Topics()->Item(1)->ID(), "T33");
    EXPECT_EQ(again->Topics()->Item("T34")->Title(), "Tab\there");
    EXPECT_EQ(again->TopicCategories()->Item(1)->ID(), "C6");
    // A caption equal to the title is kept once: changing one leaves the other as it was.
    auto shared = again->GetTopic("T34");
    shared->SetTitle("Retitled");
    EXPECT_EQ(shared->Caption(), "Tab\there");
    shared->SetCaption("Retitled");
    shared->SetTitle("Again");
    EXPECT_EQ(shared->Caption(), "Retitled");
}

// An open keeps each text once: a topic's texts in one block beside a small item, the text of a
// folder shared by its files, the collections' keys read from the items.
TEST_F(ProjectFileTest, ItemsKeepEachTextOnce) {
    EXPECT_LE(sizeof(qv::TopicItem), 80u);
    EXPECT_LE(sizeof(qv::OtherFileItem), 160u);
    auto project = qv::LoadProject(temp.CopySample());
    auto folderOf = [&](const char* path) {
        return project->GetFile(path)->DiskFile().FolderView().data();
    };
    EXPECT_EQ(folderOf("images\\icons\\note.png"), folderOf("images\\icons\\tag.png"));
    // An absolute path is normalised, ".." included; only a relative one may not climb.
    EXPECT_EQ(folderOf("images\\icons\\note.png"),
              folderOf((project->Folder() + "x/../images/icons/tag.png").c_str()));
    EXPECT_NE(folderOf("images\\icons\\note.png"), folderOf("images\\drafts\\old-editor.png"));
    // Keys are found ignoring case, also beyond ASCII, and a key names its item until it goes.
    const std::string folder = project->Folder();
    auto files = project->OtherFiles();
    project->AddFile("Bilder\\Ärger.png");
    // A new file takes the disk's spelling of the folders that exist.
    EXPECT_EQ(project->AddFile("IMAGES\\Icons\\New\\a.png")->RelativePath(),
              "images\\icons\\New\\a.png");
    EXPECT_TRUE(files->Contains(folder + "IMAGES/ICONS/NOTE.PNG"));
    EXPECT_TRUE(files->Contains(folder + "bilder/ärger.png"));
    EXPECT_FALSE(files->Contains(folder + "bilder/ärger.pn"));
    EXPECT_EQ(files->Item(folder + "BILDER/ÄRGER.PNG")->RelativePath(), "Bilder\\Ärger.png");
    project->RemoveFile("bilder\\ärger.png");
    EXPECT_FALSE(files->Contains(folder + "Bilder/Ärger.png"));
    EXPECT_TRUE(project->Topics()->Contains("T1"));
    EXPECT_FALSE(project->Topics()->Contains("t1"));
}

// The numbers already given stay given across saving and opening, whatever was deleted.
TEST_F(ProjectFileTest, IdCountersAreKeptAndNeverBelowTheHighestId) {
    std::string file = temp.CopySample(); // keeps no counters: they start past its highest IDs
    auto project = qv::LoadProject(file);
    project->RemoveTopic("T33");
    project->RemoveCategory("C6");
    project->RemoveProfile("B2");
    project->Save();
    EXPECT_NE(ReadText(file).find("nextTopicId=\"34\" nextCategoryId=\"7\" nextProfileId=\"3\""),
              std::string::npos);
    auto again = qv::LoadProject(file);
    EXPECT_EQ(again->NextId('T'), "T34");
    EXPECT_EQ(again->NextId('C'), "C7");
    EXPECT_EQ(again->NextId('B'), "B3");

    // A counter below the file's highest ID is raised to it; a higher one is kept.
    temp.Write("p.qvproj",
               Lines({"<QuorvelProject formatVersion=\"1\" nextTopicId=\"2\" nextCategoryId=\"0\"",
                      "  nextProfileId=\"50\">", "<Topics><Topic id=\"T7\"/></Topics>",
                      "<BuildProfiles><BuildProfile id=\"B9\" outputFolder=\"o\"/></BuildProfiles>",
                      "</QuorvelProject>"}));
    auto raised = qv::LoadProject(temp / "p.qvproj");
    EXPECT_EQ(raised->NextId('T'), "T8");
    EXPECT_EQ(raised->NextId('C'), "C1");
    EXPECT_EQ(raised->NextId('B'), "B50");
}

TEST_F(ProjectFileTest, SaveReplacesTheFileAndLeavesNoTemporaryFile) {
    std::string file = temp.CopySample();
    auto listing = [&] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(temp / "Handbook"))
            names.insert(entry.path().filename().string());
        return names;
    };
    auto before = listing();
    auto project = qv::LoadProject(file);
    qvtest::SetMode(file, 0640);
    project->AddTopic("", "New", "New");
    project->Save();
    EXPECT_EQ(listing(), before);
    struct stat st {};
    ::stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u); // the old file's mode is kept
    EXPECT_NE(ReadText(file).find("id=\"T34\" name=\"New\""), std::string::npos);

    // Contents that fail halfway leave the file as it was, and no temporary file.
    const std::string saved = ReadText(file);
    EXPECT_THROW(qv::disk::ReplaceFileContents(file,
                                               [](const qv::disk::ContentsWriter& write) {
                                                   write("<half");
                                                   throw std::runtime_error("no more");
                                               }),
                 std::runtime_error);
    EXPECT_EQ(ReadText(file), saved);
    EXPECT_EQ(listing(), before);
}

// Saving through a link writes the file the link leads to; the link stays a link.
TEST_F(ProjectFileTest, SavingThroughALinkWritesItsTargetAndKeepsTheLink) {
    std::string file = temp.CopySample();
    std::filesystem::create_directories(temp / "real");
    std::filesystem::rename(file, temp / "real/Handbook.qvproj");
    std::filesystem::create_symlink("../real/Handbook.qvproj", temp / "Handbook/hop.qvproj");
    std::filesystem::create_symlink("hop.qvproj", file); // a chain of two links
    auto project = qv::LoadProject(file);
    project->AddTopic("", "Through", "Through");
    project->Save();
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_EQ(std::filesystem::read_symlink(file), "hop.qvproj");
    EXPECT_TRUE(std::filesystem::is_symlink(temp / "Handbook/hop.qvproj"));
    EXPECT_NE(ReadText(temp / "real/Handbook.qvproj").find("name=\"Through\""), std::string::npos);
    EXPECT_EQ(qv::LoadProject(file)->Topics()->Count(), 34);
    for (const auto& folder : {temp / "real", temp / "Handbook"})
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            EXPECT_NE(entry.path().filename().string().rfind(".Handbook.qvproj.", 0), 0u)
                << entry.path();
}

// A save killed between writing its temporary file and renaming it leaves that file; the next
// open or save removes it. Only files of exactly that name, regular, unchanged for a while and
// with no other link are taken: whatever else lies there stays.
TEST_F(ProjectFileTest, StaleTemporaryFilesOfKilledSavesAreRemovedOnOpenAndSave) {
    std::string file = temp.CopySample();
    const std::string folder = temp / "Handbook/";
    auto age = [&](const std::string& name, int seconds) {
        const timeval old[2] = {{std::time(nullptr) - seconds, 0},
                                {std::time(nullptr) - seconds, 0}};
        ::lutimes((folder + name).c_str(), old);
    };
    auto leave = [&](const std::string& name, int seconds) {
        temp.Write("Handbook/" + name, "<QuorvelProject half written");
        age(name, seconds);
    };
    leave(".Handbook.qvproj.Ab12Cd", 3600);
    leave(".Handbook.qvproj.zzzzzz", qv::kStaleSaveSeconds + 5);
    leave(".Handbook.qvproj.Fresh1", 1);   // a save may still be writing it
    leave(".Handbook.qvproj.Ab12C", 3600); // not the name a save gives
    leave(".Handbook.qvproj.Ab12Cde", 3600);
    leave(".Handbook.qvproj.Ab-2Cd", 3600);
    leave(".Other.qvproj.Ab12Cd", 3600); // another project's
    leave("Handbook.qvproj.Ab12Cd", 3600);
    std::filesystem::create_directory(folder + ".Handbook.qvproj.Folder");
    age(".Handbook.qvproj.Folder", 3600);
    std::filesystem::create_symlink("notes.txt", folder + ".Handbook.qvproj.Linked");
    age(".Handbook.qvproj.Linked", 3600);
    leave("keep.txt", 3600);
    std::filesystem::create_hard_link(folder + "keep.txt", folder + ".Handbook.qvproj.Hard01");

    auto listing = [&] {
        std::string names;
        std::set<std::string> sorted;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().filename().string().find("qvproj.") != std::string::npos)
                sorted.insert(entry.path().filename().string());
        for (const auto& n : sorted)
            names += n + " ";
        return names;
    };
    auto project = qv::LoadProject(file);
    EXPECT_EQ(listing(), ".Handbook.qvproj.Ab-2Cd .Handbook.qvproj.Ab12C .Handbook.qvproj.Ab12Cde "
                         ".Handbook.qvproj.Folder .Handbook.qvproj.Fresh1 .Handbook.qvproj.Hard01 "
                         ".Handbook.qvproj.Linked .Other.qvproj.Ab12Cd Handbook.qvproj.Ab12Cd ");
    leave(".Handbook.qvproj.Later1", 3600);
    age(".Handbook.qvproj.Fresh1", 3600);
    project->Save();
    EXPECT_EQ(listing(), ".Handbook.qvproj.Ab-2Cd .Handbook.qvproj.Ab12C .Handbook.qvproj.Ab12Cde "
                         ".Handbook.qvproj.Folder .Handbook.qvproj.Hard01 .Handbook.qvproj.Linked "
                         ".Other.qvproj.Ab12Cd Handbook.qvproj.Ab12Cd ");
    EXPECT_EQ(ReadText(folder + "keep.txt"), "<QuorvelProject half written");
}

TEST_F(ProjectFileTest, ReadOnlyProjectFileIsNotSaved) {
    std::string file = temp.CopySample();
    auto project = qv::LoadProject(file);
    std::string before = ReadText(file);
    project->AddTopic("", "New", "New");
    project->SetProjectReadOnly(true);
    try {
        project->Save();
        ADD_FAILURE() << "saved";
    } catch (const qv::Error& e) {
        EXPECT_EQ(e.Number(), 75);
        EXPECT_NE(e.Description().find("read-only"), std::string::npos);
    }
    EXPECT_EQ(ReadText(file), before);
    EXPECT_TRUE(project->Dirty());
}

// Not a timing test: a quadratic step would make this run for minutes instead of seconds.
TEST_F(ProjectFileTest, LoadsAHundredThousandTopics) {
    std::string text = "<QuorvelProject formatVersion=\"1\">\n<Categories>\n";
    for (int c = 1; c <= 100; ++c)
        text += "<Category id=\"C" + std::to_string(c) + "\"/>\n";
    text += "</Categories>\n<Topics>\n";
    for (int t = 1; t <= 100000; ++t)
        text += "<Topic id=\"T" + std::to_string(t) + "\" category=\"C" +
                std::to_string(t % 100 + 1) + "\" file=\"t\\" + std::to_string(t) + ".html\"/>\n";
    text += "</Topics>\n</QuorvelProject>\n";
    temp.Write("big.qvproj", text);
    auto project = qv::LoadProject(temp / "big.qvproj");
    EXPECT_EQ(project->Topics()->Count(), 100000);
    auto c1 = project->TopicCategories()->Item("C1")->Topics();
    EXPECT_EQ(c1->Count(), 1000);
    EXPECT_EQ(c1->Item(1)->ID(), "T100");
    EXPECT_EQ(c1->Item(1000)->ID(), "T100000");
    EXPECT_EQ(c1->IndexOf(*project->Topics()->Item("T500")), 5); // each member knows its place
    EXPECT_EQ(project->Topics()->IndexOf(*project->Topics()->Item("T99999")), 99999);
    EXPECT_EQ(project->NextId('T'), "T100001");
}

} // namespace
