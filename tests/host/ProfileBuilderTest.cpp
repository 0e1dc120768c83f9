#include "host/ProfileBuilder.h"

#include "contracts/Error.h"
#include "model/Project.h"
#include "model/ProjectFileReader.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const char* kPage = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                    "<title>old</title>\n<link rel=\"stylesheet\" href=\"../styles/s.css\">\n"
                    "</head>\n<body class=\"topic\">\n<p>BODY-%s</p>\n</body>\n</html>\n";

std::string Page(const std::string& marker) {
    std::string text = kPage;
    text.replace(text.find("%s"), 2, marker);
    return text;
}

// The files below the folder, relative to it, one a line in name order; a build's temporary
// files show as such.
std::string Listing(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (!entry.is_directory()) found.push_back(fs::relative(entry.path(), folder).string());
    std::sort(found.begin(), found.end());
    std::string text;
    for (const std::string& f : found)
        text += f + "\n";
    return text;
}

bool HasLeftovers(const std::string& folder) {
    return Listing(folder).find(".qvbuild-") != std::string::npos;
}

// The counts of a report in one line.
std::string Counts(const qv::BuildReport& r) {
    return "pages " + std::to_string(r.pages) + " copied " + std::to_string(r.filesCopied) +
           " skipped " + std::to_string(r.topicsSkipped) + "/" + std::to_string(r.filesSkipped) +
           " excluded " + std::to_string(r.topicsExcluded) + "/" + std::to_string(r.filesExcluded) +
           " left out " + std::to_string(r.filesLeftOut) + (r.cancelled ? " cancelled" : "");
}

// "NUMBER DESCRIPTION" of the error a build of the current profile raises; "" without one.
std::string Failure(qv::Project& project) {
    try {
        qv::ProfileBuilder(project).Build(*qv::ProfileBuilder::CurrentProfile(project));
    } catch (const qv::Error& e) {
        return std::to_string(e.Number()) + " " + e.Description();
    }
    return "";
}

class ProfileBuilderTest : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    std::string folder = dir.Path() + "/Help/";

    // Two categories in the order C2, C1 and topics whose project order differs from their
    // IDs, so that the contents must follow the project and not the IDs.
    std::shared_ptr<qv::Project> MakeProject(const std::string& extraTopics = {},
                                             const std::string& extraFiles = {}) {
        dir.Write("Help/topics/T1.html", Page("one"));
        dir.Write("Help/topics/T2.html", Page("two"));
        dir.Write("Help/topics/T3.html", "<p>a fragment & no body</p>");
        dir.Write("Help/topics/T5.html", Page("excluded"));
        dir.Write("Help/styles/s.css", "body{}");
        dir.Write("Help/images/a b.png", "PNG");
        dir.Write("Help/template/topic.html", "template");
        dir.Write("Help/notes.txt", "private");
        dir.Write("Help/Help.qvproj",
                  R"(<?xml version="1.0" encoding="utf-8"?>
<QuorvelProject formatVersion="1">
  <Categories>
    <Category id="C2" name="Second &amp; Last"/>
    <Category id="C1" name="First"/>
  </Categories>
  <Topics>
    <Topic id="T2" name="Two" title="Two &lt;b&gt;bold&lt;/b&gt;" category="C1" file="topics\T2.html"/>
    <Topic id="T1" name="One" title="One" category="C1" file="topics\T1.html"/>
    <Topic id="T3" name="Three" title="Three" category="C2" file="topics\T3.html"/>
    <Topic id="T4" name="Four" title="Missing" category="C2" file="topics\T4.html"/>
    <Topic id="T5" name="Five" title="Excluded" includeInOutput="false" file="topics\T5.html"/>
    <Topic id="T6" name="Six" title="Loose" file="topics\T1.html"/>
)" + extraTopics + R"(  </Topics>
  <Files>
    <File path="styles\s.css"/>
    <File path="images\a b.png"/>
    <File path="template\topic.html"/>
    <File path="notes.txt" includeInOutput="false"/>
    <File path="gone.png"/>
)" + extraFiles + R"(  </Files>
  <BuildProfiles>
    <BuildProfile id="B1" name="Web" title="Help &quot;Web&quot;" outputFolder="out\web" current="true"/>
    <BuildProfile id="B2" name="Other" outputFolder="out\other"/>
  </BuildProfiles>
</QuorvelProject>
)");
        return qv::LoadProject(folder + "Help.qvproj");
    }
};

TEST_F(ProfileBuilderTest, WritesPagesCopiesAndContentsInProjectOrder) {
    auto project = MakeProject();
    auto profile = qv::ProfileBuilder::CurrentProfile(*project);
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->ID(), "B1");

    qv::BuildReport report = qv::ProfileBuilder(*project).Build(*profile);
    const std::string out = folder + "out/web/";
    EXPECT_EQ(report.outputFolder, out);
    // T2, T1, T3, T6 written (T6 shares T1's content file: a page of its own under its ID); T4
    // missing, T5 and notes.txt excluded; the template is not published.
    EXPECT_EQ(Counts(report), "pages 4 copied 2 skipped 1/1 excluded 1/1 left out 1");
    EXPECT_EQ(Listing(out), "images/a b.png\nindex.html\nstyles/s.css\ntopics/T1.html\n"
                            "topics/T2.html\ntopics/T3.html\ntopics/T6.html\n");
    EXPECT_EQ(Read(out + "styles/s.css"), "body{}");

    // The page keeps the author's head and body and gets the escaped title and a way back.
    const std::string two = Read(out + "topics/T2.html");
    EXPECT_EQ(two.substr(0, two.find("<p>")),
              "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
              "<title>Two &lt;b&gt;bold&lt;/b&gt;</title>\n<link rel=\"stylesheet\" "
              "href=\"../styles/s.css\">\n</head>\n<body class=\"topic\">\n<nav "
              "class=\"qv-contents\"><a href=\"../index.html\">Contents</a></nav>\n\n");
    EXPECT_NE(two.find("BODY-two"), std::string::npos);
    // A fragment is wrapped in a page.
    const std::string three = Read(out + "topics/T3.html");
    EXPECT_EQ(three.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(three.find("<p>a fragment & no body</p>"), std::string::npos);

    EXPECT_EQ(report.indexPage, out + "index.html");
    const std::string index = Read(report.indexPage);
    EXPECT_NE(index.find("<title>Help &quot;Web&quot;</title>"), std::string::npos);
    EXPECT_EQ(index.substr(index.find("<h2>")),
              "<h2>Second &amp; Last</h2>\n<ul>\n<li><a href=\"topics/T3.html\">Three</a></li>\n"
              "</ul>\n<h2>First</h2>\n<ul>\n<li><a href=\"topics/T2.html\">Two &lt;b&gt;bold&lt;"
              "/b&gt;</a></li>\n<li><a href=\"topics/T1.html\">One</a></li>\n</ul>\n<h2>More "
              "Topics</h2>\n<ul>\n<li><a href=\"topics/T6.html\">Loose</a></li>\n</ul>\n</nav>\n"
              "</body>\n</html>\n");

    ASSERT_EQ(report.problems.size(), 2u);
    EXPECT_NE(report.problems[0].find("Topic T4"), std::string::npos);
    EXPECT_NE(report.problems[1].find("gone.png"), std::string::npos);
    ASSERT_EQ(report.leftOut.size(), 1u);
    EXPECT_NE(report.leftOut[0].find("template\\topic.html"), std::string::npos);
    // The counts come first, the skipped items by name after them.
    EXPECT_EQ(report.Summary(), "4 pages and 2 files written to " + out +
                                    "\n"
                                    "Skipped: 2 items (1 topic, 1 file), named below\n"
                                    "Left out by the build: 1 file, named below\n"
                                    "Not included in output by their own setting: 1 topic, 1 "
                                    "file\n"
                                    "Contents: " +
                                    out +
                                    "index.html\n\n"
                                    "These items were skipped:\n" +
                                    report.problems[0] + "\n" + report.problems[1] +
                                    "\n\n"
                                    "The file was left out:\n" +
                                    report.leftOut[0] + "\n");

    // Without a current profile there is none to build; another can be made current.
    project->GetProfile("B1")->SetCurrent(false);
    EXPECT_EQ(qv::ProfileBuilder::CurrentProfile(*project), nullptr);
    project->GetProfile("B2")->SetCurrent(true);
    EXPECT_EQ(qv::ProfileBuilder::CurrentProfile(*project)->ID(), "B2");
}

// Files outside the project folder are published under outside/, after the files inside, so
// that they never take a path one inside needs; one that is missing is skipped by name.
TEST_F(ProfileBuilderTest, FilesFromOutsideTheProjectFolderAreCopied) {
    dir.Write("Shared/logo.png", "shared");
    dir.Write("Other/logo.png", "other");
    dir.Write("Help/outside/logo.png", "inside");
    auto project =
        MakeProject({}, "    <File path=\"" + dir.Path() +
                            "/Shared/logo.png\"/>\n"
                            "    <File path=\"" +
                            dir.Path() + "/Gone/x.css\"/>\n" + "    <File path=\"" + dir.Path() +
                            "/Other/logo.png\"/>\n" + "    <File path=\"outside\\logo.png\"/>\n");
    const qv::BuildReport report =
        qv::ProfileBuilder(*project).Build(*qv::ProfileBuilder::CurrentProfile(*project));
    const std::string out = folder + "out/web/outside/";
    EXPECT_EQ(Read(out + "logo.png"), "inside");
    EXPECT_EQ(Read(out + "logo-2.png"), "shared");
    EXPECT_EQ(Read(out + "logo-3.png"), "other");
    EXPECT_EQ(Counts(report), "pages 4 copied 5 skipped 1/2 excluded 1/1 left out 1");
    ASSERT_EQ(report.problems.size(), 3u);
    EXPECT_EQ(report.problems[2], "File \"" + dir.Path() + "/Gone/x.css\": " + dir.Path() +
                                      "/Gone/x.css is missing or unreadable");
    EXPECT_NE(report.Summary().find("Skipped: 3 items (1 topic, 2 files)"), std::string::npos);
}

TEST_F(ProfileBuilderTest, CountsInTheSummaryHaveThousandsSeparators) {
    qv::BuildReport report;
    report.outputFolder = "/out/";
    report.pages = 90000;
    report.filesCopied = 1;
    report.topicsExcluded = 1234567;
    EXPECT_EQ(report.Headline(), "90,000 pages and 1 file written to /out/");
    EXPECT_NE(report.Summary().find("1,234,567 topics, 0 files"), std::string::npos);
    report.cancelled = true;
    EXPECT_EQ(report.Headline(),
              "Cancelled: 90,000 pages and 1 file written to /out/ before the build was stopped");
    EXPECT_NE(report.Summary().find("The contents were not written."), std::string::npos);
}

// Cancelled before its first item, a build writes nothing and leaves no temporary file; the
// contents of an earlier build stay as they were.
TEST_F(ProfileBuilderTest, ACancelledBuildStopsBeforeItsNextItem) {
    auto project = MakeProject();
    dir.Write("Help/out/web/index.html", "earlier contents");
    qv::BuildProgress progress;
    progress.cancel = true;
    const qv::BuildReport report = qv::ProfileBuilder::Run(
        qv::ProfileBuilder::Snapshot(*project, *qv::ProfileBuilder::CurrentProfile(*project)),
        &progress);
    EXPECT_EQ(Counts(report), "pages 0 copied 0 skipped 0/0 excluded 1/1 left out 0 cancelled");
    EXPECT_EQ(report.indexPage, "");
    EXPECT_EQ(progress.total, 9); // every included topic and file, the skipped ones too
    EXPECT_EQ(progress.done, 0);
    EXPECT_EQ(Read(folder + "out/web/index.html"), "earlier contents");
    EXPECT_FALSE(fs::exists(folder + "out/web/topics"));
    EXPECT_FALSE(HasLeftovers(folder + "out"));
}

// A rebuild leaves a page that would not change as it is (same file, same time) and replaces
// a changed one in one step: a new file takes the old one's name.
TEST_F(ProfileBuilderTest, ARebuildReplacesOnlyWhatChanged) {
    auto project = MakeProject();
    const auto profile = qv::ProfileBuilder::CurrentProfile(*project);
    qv::ProfileBuilder(*project).Build(*profile);
    const std::string out = folder + "out/web/";
    struct stat one {
    }, two{};
    ASSERT_EQ(::stat((out + "topics/T1.html").c_str(), &one), 0);
    ASSERT_EQ(::stat((out + "topics/T2.html").c_str(), &two), 0);
    fs::create_hard_link(out + "topics/T2.html", dir.Path() + "/old-T2.html");

    project->GetTopic("T2")->SetTitle("Two, renamed");
    const qv::BuildReport report = qv::ProfileBuilder(*project).Build(*profile);
    EXPECT_EQ(report.pages, 4);
    struct stat oneAfter {
    }, twoAfter{};
    ASSERT_EQ(::stat((out + "topics/T1.html").c_str(), &oneAfter), 0);
    ASSERT_EQ(::stat((out + "topics/T2.html").c_str(), &twoAfter), 0);
    EXPECT_EQ(oneAfter.st_ino, one.st_ino);
    EXPECT_EQ(oneAfter.st_mtim.tv_nsec, one.st_mtim.tv_nsec);
    EXPECT_NE(twoAfter.st_ino, two.st_ino);
    EXPECT_NE(Read(out + "topics/T2.html").find("<title>Two, renamed</title>"), std::string::npos);
    // The old file was replaced, not written into.
    EXPECT_NE(Read(dir.Path() + "/old-T2.html").find("Two &lt;b&gt;bold"), std::string::npos);
    EXPECT_FALSE(HasLeftovers(out));
}

TEST_F(ProfileBuilderTest, RebuildKeepsUserFilesAndNeverWritesOutside) {
    auto project =
        MakeProject(R"(    <Topic id="x/../../y" name="Odd" title="Odd" file="topics\T1.html"/>
)");
    dir.Write("outside.html", Page("outside"));
    dir.Write("Help/out/web/mine.txt", "keep me");
    dir.Write("Help/out/web/topics/T1.html", "stale");
    // A link inside the output folder that points outside must not be written through.
    fs::create_directories(dir.Path() + "/elsewhere");
    fs::create_directory_symlink(dir.Path() + "/elsewhere", folder + "out/web/images");
    // A link in the place of a page is replaced, not written through.
    fs::create_symlink(dir.Path() + "/outside.html", folder + "out/web/topics/T2.html");

    auto profile = qv::ProfileBuilder::CurrentProfile(*project);
    qv::BuildReport report = qv::ProfileBuilder(*project).Build(*profile);
    EXPECT_EQ(Read(folder + "out/web/mine.txt"), "keep me");
    EXPECT_NE(Read(folder + "out/web/topics/T1.html").find("BODY-one"), std::string::npos);
    // The odd ID becomes a plain file name below topics/.
    EXPECT_TRUE(fs::exists(folder + "out/web/topics/x_______y.html"));
    EXPECT_EQ(Read(dir.Path() + "/outside.html"), Page("outside"));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder + "out/web/topics/T2.html")));
    EXPECT_NE(Read(folder + "out/web/topics/T2.html").find("BODY-two"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(dir.Path() + "/elsewhere"));
    EXPECT_TRUE(std::any_of(report.problems.begin(), report.problems.end(),
                            [](const std::string& p) { return p.find("a b.png") != p.npos; }));
    // Sources are untouched.
    EXPECT_EQ(Read(folder + "topics/T1.html"), Page("one"));
}

// A content file that lies where a page would go keeps its contents: the page goes elsewhere.
TEST_F(ProfileBuilderTest, NoFileOfTheProjectIsReplaced) {
    dir.Write("Help/out/web/topics/T1.html", Page("seven"));
    auto project =
        MakeProject(R"(    <Topic id="T7" name="Seven" title="Seven" file="out\web\topics\T1.html"/>
)");
    const qv::BuildReport report =
        qv::ProfileBuilder(*project).Build(*qv::ProfileBuilder::CurrentProfile(*project));
    const std::string out = folder + "out/web/";
    EXPECT_EQ(Read(out + "topics/T1.html"), Page("seven"));
    EXPECT_NE(Read(out + "topics/T1-2.html").find("BODY-one"), std::string::npos);
    EXPECT_NE(Read(report.indexPage).find("topics/T1-2.html\">One<"), std::string::npos);
}

TEST_F(ProfileBuilderTest, UnusableOutputFolderIsAClearError) {
    auto project = MakeProject();
    dir.Write("Help/out/web", "a file where the folder should be");
    std::string error = Failure(*project);
    EXPECT_EQ(error.rfind("75 ", 0), 0u) << error;
    EXPECT_NE(error.find(folder + "out/web/"), std::string::npos);
    EXPECT_NE(error.find("\"Web\": a file lies on its path"), std::string::npos) << error;
    EXPECT_EQ(Read(folder + "out/web"), "a file where the folder should be");

    // A page that cannot take its place stops the build the same way, and its temporary file
    // goes.
    fs::remove(folder + "out/web");
    fs::create_directories(folder + "out/web/topics/T2.html/inside");
    error = Failure(*project);
    EXPECT_EQ(error.rfind("75 ", 0), 0u) << error;
    EXPECT_NE(error.find(folder + "out/web/topics/T2.html"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(folder + "out/web/topics/T2.html/inside"));
    EXPECT_FALSE(HasLeftovers(folder + "out"));
    EXPECT_FALSE(fs::exists(folder + "out/web/index.html"));
}

} // namespace
