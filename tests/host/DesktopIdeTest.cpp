#include "host/DesktopIde.h"

#include "host/DesignerHelper.h"
#include "model/Project.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using qv::Variant;

class DesktopIdeTest : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    qv::ScriptedMessageBoxes boxes;
    std::shared_ptr<qv::DesktopIde> ide =
        std::make_shared<qv::DesktopIde>(std::make_shared<qv::HostDesignerHelper>(
            std::make_shared<qv::HostOptions>(), nullptr, boxes));
    std::shared_ptr<qv::Project> project = qv::Project::Create(dir.Path() + "/Help.qvproj");
    std::vector<std::string> calls;

    void SetUp() override {
        ide->SetProject(project);
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
    auto topic = ide->Call("CreateTopic", {Variant("<New Topic>"), Variant(""), Variant("")})
                     .As<qv::TopicItem>();
    ASSERT_TRUE(topic);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() + "/topics/T1.html"));
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

    // Without a failure action the error goes back to the caller.
    ide->SetActions({});
    profile->SetCurrent(false);
    EXPECT_THROW(ide->Call("Build", {Variant(false)}), qv::Error);
}

} // namespace
