#include "host/DesktopIde.h"

#include "host/DesignerHelper.h"
#include "model/Project.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using qv::Variant;

class DesktopIdeTest : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    qv::ScriptedMessageBoxes boxes;
    std::shared_ptr<qv::DesktopIde> ide =
        std::make_shared<qv::DesktopIde>(std::make_shared<qv::HostDesignerHelper>(
                                             std::make_shared<qv::HostOptions>(), nullptr, boxes),
                                         boxes);
    std::shared_ptr<qv::Project> project = qv::Project::Create(dir.Path() + "/Help.qvproj");
    std::vector<std::string> calls;

    std::string Read(const std::string& relative) {
        std::ifstream in(dir.Path() + "/" + relative, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::shared_ptr<qv::TopicItem> CreateTopic(const char* name) {
        return ide->Call("CreateTopic", {Variant(name), Variant(""), Variant("")})
            .As<qv::TopicItem>();
    }

    void SetUp() override {
        ide->SetProject(project);
        boxes.SetObserver(
            [this](int32_t buttons, const std::string& title, const std::string& text, int32_t) {
                calls.push_back("box " + std::to_string(buttons) + " " + title + ": " + text);
            });
        qv::DesktopIdeActions actions;
        actions.showTopicProperties = [this](const auto& t) {
            calls.push_back("props " + t->ID());
        };
        actions.editTopic = [this](const auto& t, bool w) {
            calls.push_back("edit " + t->ID() + (w ? " new" : " same"));
        };
        actions.editOtherFile = [this](const auto& f) {
            calls.push_back("file " + f->RelativePath());
        };
        actions.editBuildProfile = [this](const auto& p) { calls.push_back("profile " + p->ID()); };
        actions.built = [this](const qv::ProfileItem& p, const qv::BuildReport& r) {
            calls.push_back("built " + p.ID() + " " + std::to_string(r.pages));
        };
        actions.buildFailed = [this](const qv::Error& e) {
            calls.push_back("failed " + std::to_string(e.Number()));
        };
        ide->SetActions(std::move(actions));
    }
};

TEST_F(DesktopIdeTest, CreateTopicWritesItsContentFile) {
    auto topic = CreateTopic("<New Topic>");
    ASSERT_TRUE(topic);
    EXPECT_EQ(topic->File(), "topics\\T1.html");
    EXPECT_NE(Read("topics/T1.html").find("<h1>&lt;New Topic&gt;</h1>"), std::string::npos);
}

// A page that lies where a new topic's page would go belongs to someone else (a deleted topic,
// the author's own file): the new topic gets a page of its own under a free name.
TEST_F(DesktopIdeTest, ANewTopicNeverTakesOverAnExistingPage) {
    auto first = CreateTopic("First");
    dir.Write("topics/T1.html", "the page of the first topic");
    project->RemoveTopic("T1");
    dir.Write("topics/T2.html", "a page of the author's");
    dir.Write("topics/T2-2.html", "another page of the author's");
    project->AddTopic("X1", "Odd", "Odd", "", "", "topics/t2-3.HTML"); // named, not on disk

    auto second = CreateTopic("Second");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->ID(), "T2");
    EXPECT_EQ(second->File(), "topics\\T2-4.html");
    EXPECT_NE(Read("topics/T2-4.html").find("<h1>Second</h1>"), std::string::npos);
    EXPECT_EQ(Read("topics/T1.html"), "the page of the first topic");
    EXPECT_EQ(Read("topics/T2.html"), "a page of the author's");
    EXPECT_EQ(Read("topics/T2-2.html"), "another page of the author's");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/topics/t2-3.HTML"));

    // An unknown category is refused before any page is written.
    EXPECT_THROW(ide->Call("CreateTopic", {Variant("Third"), Variant(""), Variant("C9")}),
                 qv::Error);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/topics/T3.html"));
    EXPECT_EQ(project->Topics()->Count(), 2);
}

TEST_F(DesktopIdeTest, AReadOnlyProjectIsNotChangedAndTheUserIsTold) {
    auto topic = project->AddTopic({}, "A", "A");
    auto profile = project->AddProfile({}, "Web");
    project->Save();
    project->SetProjectReadOnly(true);
    const std::string before = Read("Help.qvproj");

    EXPECT_TRUE(ide->Call("CreateTopic", {Variant("N"), Variant(""), Variant("")}).IsNothing());
    EXPECT_TRUE(ide->Call("CreateCategory", {Variant("<New Category>")}).IsNothing());
    EXPECT_TRUE(ide->Call("createbuildprofile").IsNothing());
    ide->Call("ShowTopicProperties", {Variant(topic)});
    ide->Call("EditBuildProfile", {Variant(profile)});
    ide->Call("edittopic", {Variant(topic), Variant::Missing(), Variant(false)}); // its own file

    const std::string head = "box 48 Read-Only Project: The project file " + project->Path() +
                             " is read-only, so the project cannot be changed. ";
    const std::string tail =
        "\n\nTo change the project, make the file writable (check it out) and try again.";
    EXPECT_EQ(calls, (std::vector<std::string>{
                         head + "The new topic was not created." + tail,
                         head + "The new category was not created." + tail,
                         head + "The new build profile was not created." + tail,
                         head + "The topic's properties cannot be changed." + tail,
                         head + "The build profile cannot be changed." + tail, "edit T1 same"}));
    EXPECT_EQ(project->Topics()->Count(), 1);
    EXPECT_EQ(project->TopicCategories()->Count(), 0);
    EXPECT_EQ(project->BuildProfiles()->Count(), 1);
    EXPECT_FALSE(project->Dirty());
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/topics"));
    EXPECT_EQ(Read("Help.qvproj"), before);

    // Checked out again, the same commands work.
    project->SetProjectReadOnly(false);
    calls.clear();
    EXPECT_TRUE(CreateTopic("N"));
    EXPECT_FALSE(ide->RefuseReadOnly("Nothing."));
    EXPECT_TRUE(calls.empty());
}

TEST_F(DesktopIdeTest, EditingMembersReachTheActions) {
    auto topic = project->AddTopic({}, "A", "A");
    dir.Write("x.txt", "x");
    auto file = project->AddFile("x.txt");
    auto profile = project->AddProfile({}, "Web");
    ide->Call("ShowTopicProperties", {Variant(topic)});
    ide->Call("EDITTOPIC", {Variant(topic), Variant::Missing(), Variant(true)});
    ide->Call("edittopic", {Variant(topic), Variant::Missing(), Variant(false)});
    ide->Call("EditOtherFile", {Variant(file)});
    ide->Call("EditBuildProfile", {Variant(profile)});
    ide->Call("LocateTopicInTOCEditor", {Variant(topic), Variant(true)}); // report only
    EXPECT_EQ(calls, (std::vector<std::string>{"props T1", "edit T1 new", "edit T1 same",
                                               "file x.txt", "profile B1"}));
}

TEST_F(DesktopIdeTest, BuildBuildsTheCurrentProfileOrSaysWhyNot) {
    ide->Call("Build", {Variant(false)});
    auto profile = project->AddProfile({}, "Web");
    profile->SetCurrent(true);
    auto topic = project->AddTopic({}, "A", "A");
    dir.Write("topics/T1.html", "<body>x</body>");
    ide->Call("Build", {Variant(false)});
    EXPECT_EQ(calls, (std::vector<std::string>{"failed 5", "built B1 1"}));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() + "/output/B1/index.html"));

    // A program that builds in the background is handed the profile; nothing is built here.
    std::filesystem::remove_all(dir.Path() + "/output");
    qv::DesktopIdeActions background;
    background.startBuild = [this](const auto& p) { calls.push_back("start " + p->ID()); };
    background.built = [this](const auto&, const auto&) { calls.push_back("built"); };
    ide->SetActions(std::move(background));
    ide->Call("Build", {Variant(false)});
    EXPECT_EQ(calls.back(), "start B1");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/output"));

    // Without a failure action the error goes back to the caller.
    ide->SetActions({});
    profile->SetCurrent(false);
    EXPECT_THROW(ide->Call("Build", {Variant(false)}), qv::Error);
}

} // namespace
