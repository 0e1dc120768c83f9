#include "host/IdeObject.h"

#include "contracts/Error.h"
#include "host/DesignerHelper.h"
#include "host/DesktopIde.h"
#include "host/Registry.h"
#include "model/Project.h"
#include "support/ErrorOf.h"
#include "support/EventLog.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using qv::Variant;

class LoggingSink : public qv::ProjectEvents {
public:
    explicit LoggingSink(qvtest::EventLog& log) : log_(log) {}
    void TopicAdded(const std::shared_ptr<qv::Topic>& t) override {
        log_.Add("TopicAdded " + t->ID() + " " + t->Name() + " " + t->Status());
    }
    void TopicCategoryAdded(const std::shared_ptr<qv::TopicCategory>& c) override {
        log_.Add("TopicCategoryAdded " + c->ID() + " " + c->Name());
    }
    void BuildProfileAdded(const std::shared_ptr<qv::BuildProfile>& p) override {
        log_.Add("BuildProfileAdded " + p->ID() + " " + p->Name());
    }

private:
    qvtest::EventLog& log_;
};

// A project of the test's own and the host's designer helper, with a log of what reaches the
// host.
class IdeTest : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    qv::ScriptedMessageBoxes boxes;
    std::shared_ptr<qv::HostDesignerHelper> designer = std::make_shared<qv::HostDesignerHelper>(
        std::make_shared<qv::HostOptions>(), nullptr, boxes);
    std::shared_ptr<qv::Project> project = qv::Project::Create(dir.Path() + "/Help.qvproj");
    qvtest::EventLog log;
};

class IdeObjectTest : public IdeTest {
protected:
    std::shared_ptr<qv::IdeObject> ide = std::make_shared<qv::IdeObject>(designer);
    LoggingSink sink{log};
    qv::Subscription subscription = project->Subscribe(sink);

    void SetUp() override {
        ide->SetProject(project);
        ide->SetObserver([this](std::string_view member, std::vector<Variant>& args) {
            std::string line = "host " + std::string(member);
            for (const auto& a : args)
                line += " " + (a.IsMissing() ? std::string("missing") : a.ToString());
            log.Add(line);
        });
    }
};

// Links, output pages and content files named after a deleted item must not reach a new one.
TEST_F(IdeObjectTest, CreatedItemsNeverGetTheIdOfADeletedOne) {
    auto create = [&] {
        auto c = ide->Call("CreateCategory", {Variant("<C>")}).As<qv::TopicCategory>();
        auto p = ide->Call("CREATEBUILDPROFILE").As<qv::BuildProfile>();
        return ide->Call("CreateTopic", {Variant("A"), Variant(""), Variant("")})
                   .As<qv::Topic>()
                   ->ID() +
               " " + c->ID() + " " + c->Name() + " " + p->ID() + " " + p->Name() + " " +
               std::to_string(project->TopicCategories()->IndexOf(*c));
    };
    EXPECT_EQ(create(), "T1 C1 <C> B1 New Build Profile 1");
    project->RemoveTopic("T1");
    project->RemoveCategory("C1");
    project->RemoveProfile("B1");
    EXPECT_EQ(create(), "T2 C2 <C> B2 New Build Profile 1");
    EXPECT_NE(log.Text().find("host CreateCategory <C>\nTopicCategoryAdded C1 <C>\n"
                              "host CREATEBUILDPROFILE\nBuildProfileAdded B1 New Build Profile\n"),
              std::string::npos);
}

// A stand-in engine: the tests of the real one are in HunspellEngineTest.
class CountedEngine final : public qv::SpellEngine {
public:
    std::string TypeName() const override { return "SpellEngine"; }
    bool Check(const std::string&) override { return true; }
    std::vector<std::string> Suggest(const std::string&) override { return {}; }
    void Add(const std::string&) override {}
    void Ignore(const std::string&) override {}
    uint64_t Revision() const override { return 0; }
};

TEST_F(IdeObjectTest, CommonSpellIsMadeOnceAndIsNothingWhileItCannotBeMade) {
    int made = 0;
    bool fail = true;
    ide->SetSpellEngineFactory([&]() -> std::shared_ptr<qv::SpellEngine> {
        ++made;
        if (fail) throw qv::Error(qv::err::FileNotFound, "File not found: en_US.dic");
        return std::make_shared<CountedEngine>();
    });
    EXPECT_TRUE(ide->Get("commonSpell").IsNothing());
    EXPECT_EQ(ide->SpellEngineError(), "File not found: en_US.dic");
    fail = false; // the dictionary was installed meanwhile
    const auto engine = ide->Get("commonSpell").ObjectValue();
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(ide->Get("commonSpell").ObjectValue(), engine);
    EXPECT_EQ(made, 2);
    EXPECT_EQ(ide->SpellEngineError(), "");
    EXPECT_EQ(log.Text(), "host commonSpell\nhost commonSpell\nhost commonSpell\n");
    ide->SetSpellEngineFactory(nullptr);
    EXPECT_TRUE(ide->Get("commonSpell").IsNothing());
}

TEST_F(IdeObjectTest, FailuresCarryPlatformNumbers) {
    auto expectError = [&](int32_t number, std::string_view member, std::vector<Variant> args) {
        EXPECT_EQ(qvtest::ErrorOf([&] { ide->Call(member, std::move(args)); }), number) << member;
    };
    expectError(qv::err::UnknownMember, "DeleteEverything", {});
    expectError(449, "CreateCategory", {});
    expectError(qv::err::SubscriptOutOfRange, "CreateTopic",
                {Variant("A"), Variant(""), Variant("C404")});
    EXPECT_EQ(project->Topics()->Count(), 0);
    ide->SetProject(nullptr);
    expectError(qv::err::ObjectNotSet, "CreateTopic", {Variant("A"), Variant(""), Variant("")});
    EXPECT_EQ(log.Text().find("DeleteEverything"), std::string::npos); // unknown: not reported
    // The member found last is kept with its name as asked: a name one letter off, or the
    // next member, is looked up again.
    ide->Call("FireLoadProgress", {Variant("a")});
    expectError(qv::err::UnknownMember, "FireLoadProgresses", {});
    ide->Call("fireloadprogress", {Variant("b")});
    expectError(449, "CreateCategory", {});
    EXPECT_NE(log.Text().find("host FireLoadProgress a\nhost fireloadprogress b\n"),
              std::string::npos)
        << log.Text();
}

class DesktopIdeTest : public IdeTest {
protected:
    std::shared_ptr<qv::DesktopIde> ide = std::make_shared<qv::DesktopIde>(designer, boxes);

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
                log.Add("box " + std::to_string(buttons) + " " + title + ": " + text);
            });
        qv::DesktopIdeActions actions;
        actions.showTopicProperties = [this](const auto& t) { log.Add("props " + t->ID()); };
        actions.editTopic = [this](const auto& t, bool w) {
            log.Add("edit " + t->ID() + (w ? " new" : " same"));
        };
        actions.editOtherFile = [this](const auto& f) { log.Add("file " + f->RelativePath()); };
        actions.editBuildProfile = [this](const auto& p) { log.Add("profile " + p->ID()); };
        actions.built = [this](const qv::ProfileItem& p, const qv::BuildReport& r) {
            log.Add("built " + p.ID() + " " + std::to_string(r.pages));
        };
        actions.buildFailed = [this](const qv::Error& e) {
            log.Add("failed " + std::to_string(e.Number()));
        };
        ide->SetActions(std::move(actions));
    }
};

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
    EXPECT_EQ(second->Status(), "Draft"); // the first of the host's statuses
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

    // A read-only project gets no new build profile, and the user is told.
    project->Save();
    project->SetProjectReadOnly(true);
    EXPECT_TRUE(ide->Call("createbuildprofile").IsNothing());
    EXPECT_EQ(project->BuildProfiles()->Count(), 0);
    EXPECT_EQ(log.Text().rfind("box 48 Read-Only Project: ", 0), 0u);
}

TEST_F(DesktopIdeTest, BuildBuildsTheCurrentProfileOrSaysWhyNot) {
    ide->Call("Build", {Variant(false)});
    auto profile = project->AddProfile({}, "Web");
    profile->SetCurrent(true);
    auto topic = project->AddTopic({}, "A", "A");
    dir.Write("topics/T1.html", "<body>x</body>");
    ide->Call("Build", {Variant(false)});
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"failed 5", "built B1 1"}));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() + "/output/B1/index.html"));

    // A program that builds in the background is handed the profile; nothing is built here.
    std::filesystem::remove_all(dir.Path() + "/output");
    qv::DesktopIdeActions background;
    background.startBuild = [this](const auto& p) { log.Add("start " + p->ID()); };
    background.built = [this](const auto&, const auto&) { log.Add("built"); };
    ide->SetActions(std::move(background));
    ide->Call("Build", {Variant(false)});
    EXPECT_EQ(log.Lines().back(), "start B1");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/output"));

    // Without a failure action the error goes back to the caller.
    ide->SetActions({});
    profile->SetCurrent(false);
    EXPECT_THROW(ide->Call("Build", {Variant(false)}), qv::Error);
}

} // namespace
