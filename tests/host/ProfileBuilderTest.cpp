#include "host/ProfileBuilder.h"

#include "contracts/Error.h"
#include "model/Project.h"
#include "model/ProjectFileReader.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

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

class ProfileBuilderTest : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    std::string folder = dir.Path() + "/Help/";

    // Two categories in the order C2, C1 and topics whose project order differs from their
    // IDs, so that the contents must follow the project and not the IDs.
    std::shared_ptr<qv::Project> MakeProject(const std::string& extraTopics = {}) {
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
  </Files>
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
    EXPECT_EQ(report.pages, 4); // T2, T1, T3, T6; T4 missing, T5 excluded
    EXPECT_EQ(report.filesCopied, 2);

    // The page keeps the author's head and body and gets the escaped title and a way back.
    const std::string two = Read(out + "topics/T2.html");
    EXPECT_NE(two.find("<title>Two &lt;b&gt;bold&lt;/b&gt;</title>"), std::string::npos);
    EXPECT_NE(two.find("href=\"../styles/s.css\""), std::string::npos);
    EXPECT_NE(two.find("<body class=\"topic\">\n<nav class=\"qv-contents\"><a "
                       "href=\"../index.html\">Contents</a></nav>"),
              std::string::npos);
    EXPECT_NE(two.find("BODY-two"), std::string::npos);
    // A fragment is wrapped in a page.
    const std::string three = Read(out + "topics/T3.html");
    EXPECT_EQ(three.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(three.find("<p>a fragment & no body</p>"), std::string::npos);
    // T6 shares T1's content file: it gets a page of its own under its ID.
    EXPECT_NE(Read(out + "topics/T6.html").find("<title>Loose</title>"), std::string::npos);
    EXPECT_FALSE(fs::exists(out + "topics/T5.html"));
    EXPECT_EQ(Read(out + "styles/s.css"), "body{}");
    EXPECT_EQ(Read(out + "images/a b.png"), "PNG");
    EXPECT_FALSE(fs::exists(out + "template/topic.html"));
    EXPECT_FALSE(fs::exists(out + "notes.txt"));

    const std::string index = Read(report.indexPage);
    EXPECT_EQ(report.indexPage, out + "index.html");
    EXPECT_NE(index.find("<title>Help &quot;Web&quot;</title>"), std::string::npos);
    const auto at = [&](const std::string& s) { return index.find(s); };
    ASSERT_NE(at("<h2>Second &amp; Last</h2>"), std::string::npos);
    EXPECT_LT(at("<h2>Second &amp; Last</h2>"), at("topics/T3.html"));
    EXPECT_LT(at("topics/T3.html"), at("<h2>First</h2>"));
    EXPECT_LT(at("<h2>First</h2>"), at("topics/T2.html\">Two &lt;b&gt;"));
    EXPECT_LT(at("topics/T2.html"), at("topics/T1.html\">One<"));
    EXPECT_LT(at("topics/T1.html\">One<"), at("topics/T6.html\">Loose<"));
    EXPECT_EQ(at("Missing"), std::string::npos);
    EXPECT_EQ(at("Excluded"), std::string::npos);

    ASSERT_EQ(report.problems.size(), 2u);
    EXPECT_NE(report.problems[0].find("Topic T4"), std::string::npos);
    EXPECT_NE(report.problems[1].find("gone.png"), std::string::npos);
    EXPECT_NE(report.Summary().find("2 items were left out"), std::string::npos);
}

TEST_F(ProfileBuilderTest, RebuildKeepsUserFilesAndNeverWritesOutside) {
    auto project =
        MakeProject(R"(    <Topic id="x/../../y" name="Odd" title="Odd" file=")" + dir.Path() +
                    R"(/outside.html"/>
)");
    dir.Write("outside.html", Page("outside"));
    dir.Write("Help/out/web/mine.txt", "keep me");
    dir.Write("Help/out/web/topics/T1.html", "stale");
    // A link inside the output folder that points outside must not be written through.
    fs::create_directories(dir.Path() + "/elsewhere");
    fs::create_directory_symlink(dir.Path() + "/elsewhere", folder + "out/web/images");

    auto profile = qv::ProfileBuilder::CurrentProfile(*project);
    qv::BuildReport report = qv::ProfileBuilder(*project).Build(*profile);
    EXPECT_EQ(Read(folder + "out/web/mine.txt"), "keep me");
    EXPECT_NE(Read(folder + "out/web/topics/T1.html").find("BODY-one"), std::string::npos);
    // The odd ID becomes a plain file name below topics/.
    EXPECT_TRUE(fs::exists(folder + "out/web/topics/x_______y.html"));
    EXPECT_EQ(Read(dir.Path() + "/outside.html"), Page("outside"));
    EXPECT_TRUE(fs::is_empty(dir.Path() + "/elsewhere"));
    bool reported = false;
    for (const auto& p : report.problems)
        reported = reported || p.find("a b.png") != std::string::npos;
    EXPECT_TRUE(reported);
    // Sources are untouched.
    EXPECT_EQ(Read(folder + "topics/T1.html"), Page("one"));
}

TEST_F(ProfileBuilderTest, UnusableOutputFolderIsAClearError) {
    auto project = MakeProject();
    dir.Write("Help/out/web", "a file where the folder should be");
    try {
        qv::ProfileBuilder(*project).Build(*qv::ProfileBuilder::CurrentProfile(*project));
        ADD_FAILURE() << "built into a file";
    } catch (const qv::Error& e) {
        EXPECT_EQ(e.Number(), 75);
        EXPECT_NE(e.Description().find(folder + "out/web/"), std::string::npos);
        EXPECT_NE(e.Description().find("\"Web\""), std::string::npos);
    }
    EXPECT_EQ(Read(folder + "out/web"), "a file where the folder should be");
}

TEST_F(ProfileBuilderTest, NoCurrentProfile) {
    auto project = MakeProject();
    project->GetProfile("B1")->SetCurrent(false);
    EXPECT_EQ(qv::ProfileBuilder::CurrentProfile(*project), nullptr);
    project->GetProfile("B2")->SetCurrent(true);
    EXPECT_EQ(qv::ProfileBuilder::CurrentProfile(*project)->ID(), "B2");
}

} // namespace
