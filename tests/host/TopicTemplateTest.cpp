#include "host/TopicTemplate.h"

#include "contracts/Error.h"
#include "model/Project.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(TopicTemplateFill, PlaceholderOrTitleAndHeading) {
    struct Case {
        const char* templ;
        const char* title;
        const char* expected;
    };
    const Case cases[] = {
        {"<title>{{title}}</title><h1>{{title}}</h1>", "A & <B>",
         "<title>A &amp; &lt;B&gt;</title><h1>A &amp; &lt;B&gt;</h1>"},
        // Without the placeholder the first <title> and <h1> take the title, any case.
        {"<TITLE>New Topic</TITLE><h1 class=\"x\">New Topic</h1><h1>keep</h1>", "\"Q\"",
         "<TITLE>&quot;Q&quot;</TITLE><h1 class=\"x\">&quot;Q&quot;</h1><h1>keep</h1>"},
        // <h1> is not confused with <h10> or <head>; a template with neither stays as it is.
        {"<head><h10>x</h10></head>", "T", "<head><h10>x</h10></head>"},
        // A title that contains the placeholder is not expanded again.
        {"{{title}}|{{title}}", "{{title}}", "{{title}}|{{title}}"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qv::TopicTemplate::Fill(c.templ, c.title), c.expected) << c.templ;
}

class TopicTemplateTest : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    std::shared_ptr<qv::Project> project = qv::Project::Create(dir.Path() + "/Help.qvproj");
};

TEST_F(TopicTemplateTest, ProjectTemplateAndExistingFilesKept) {
    dir.Write("template/topic.html", "<title>New Topic</title><p>house style</p>");
    dir.Write("topics/T2.html", "mine");
    auto first = project->AddTopic({}, "A", "First");
    auto second = project->AddTopic({}, "B", "Second");
    EXPECT_TRUE(qv::TopicTemplate::CreateContentFile(*project, *first));
    EXPECT_EQ(Read(first->DiskPath()), "<title>First</title><p>house style</p>");
    EXPECT_FALSE(qv::TopicTemplate::CreateContentFile(*project, *second));
    EXPECT_EQ(Read(second->DiskPath()), "mine");
    // Asking again never rewrites the file made before.
    dir.Write("topics/T1.html", "edited");
    EXPECT_FALSE(qv::TopicTemplate::CreateContentFile(*project, *first));
    EXPECT_EQ(Read(first->DiskPath()), "edited");
}

TEST_F(TopicTemplateTest, UnwritableFolderIsError75) {
    dir.Write("topics", "a file where the folder should be");
    auto topic = project->AddTopic({}, "A", "First");
    try {
        qv::TopicTemplate::CreateContentFile(*project, *topic);
        ADD_FAILURE() << "no error";
    } catch (const qv::Error& e) {
        EXPECT_EQ(e.Number(), 75);
        EXPECT_NE(e.Description().find("T1"), std::string::npos);
    }
    EXPECT_EQ(Read(dir.Path() + "/topics"), "a file where the folder should be");
}

} // namespace
