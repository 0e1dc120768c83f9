#include "host/IdeObject.h"

#include "contracts/Error.h"
#include "host/DesignerHelper.h"
#include "host/Registry.h"
#include "model/Project.h"
#include "support/ErrorOf.h"
#include "support/EventLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using qv::CallKind;
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

class IdeObjectTest : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    qv::ScriptedMessageBoxes boxes;
    std::shared_ptr<qv::HostDesignerHelper> designer = std::make_shared<qv::HostDesignerHelper>(
        std::make_shared<qv::HostOptions>(), nullptr, boxes);
    std::shared_ptr<qv::IdeObject> ide = std::make_shared<qv::IdeObject>(designer);
    std::shared_ptr<qv::Project> project = qv::Project::Create(dir.Path() + "/Help.qvproj");
    qvtest::EventLog log;
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

TEST_F(IdeObjectTest, CreateTopicAddsATopicThroughTheProject) {
    project->AddCategory("C1", "Guide");
    log.Clear();

    ide->Call("CreateTopic", {Variant("<New Topic>"), Variant(""), Variant("C1")});
    ide->Call("createtopic", {Variant("Loose"), Variant(""), Variant("")});
    EXPECT_EQ(log.Text(), "host CreateTopic <New Topic>  C1\n"
                          "TopicAdded T1 <New Topic> Draft\n"
                          "host createtopic Loose  \n"
                          "TopicAdded T2 Loose Draft\n");
    auto topic = project->Topics()->Item("T1");
    EXPECT_EQ(topic->Title(), "<New Topic>");
    ASSERT_TRUE(topic->Category());
    EXPECT_EQ(topic->Category()->ID(), "C1");
    EXPECT_FALSE(project->Topics()->Item("T2")->Category());
}

TEST_F(IdeObjectTest, FirstStatusFollowsTheHostList) {
    designer->SetTopicStatuses(std::vector<qv::TopicStatus>{{"Review", "Review", "r.png"}});
    ide->Call("CreateTopic", {Variant("A"), Variant(""), Variant("")});
    EXPECT_EQ(project->Topics()->Item("T1")->Status(), "Review");
}

TEST_F(IdeObjectTest, CreateCategoryAndProfileReturnTheNewItems) {
    Variant category = ide->Call("CreateCategory", {Variant("<New Category>")});
    auto c = category.As<qv::TopicCategory>();
    ASSERT_TRUE(c);
    EXPECT_EQ(c->Name(), "<New Category>");
    EXPECT_EQ(project->TopicCategories()->IndexOf(*c), 1);

    auto p = ide->Call("CREATEBUILDPROFILE").As<qv::BuildProfile>();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Name(), "New Build Profile");
    EXPECT_EQ(log.Text(), "host CreateCategory <New Category>\n"
                          "TopicCategoryAdded C1 <New Category>\n"
                          "host CREATEBUILDPROFILE\n"
                          "BuildProfileAdded B1 New Build Profile\n");
}

// Links, output pages and content files named after a deleted item must not reach a new one.
TEST_F(IdeObjectTest, CreatedItemsNeverGetTheIdOfADeletedOne) {
    auto create = [&] {
        return ide->Call("CreateTopic", {Variant("A"), Variant(""), Variant("")})
                   .As<qv::Topic>()
                   ->ID() +
               " " + ide->Call("CreateCategory", {Variant("C")}).As<qv::TopicCategory>()->ID() +
               " " + ide->Call("CreateBuildProfile").As<qv::BuildProfile>()->ID();
    };
    EXPECT_EQ(create(), "T1 C1 B1");
    project->RemoveTopic("T1");
    project->RemoveCategory("C1");
    project->RemoveProfile("B1");
    EXPECT_EQ(create(), "T2 C2 B2");
}

TEST_F(IdeObjectTest, ReportOnlyMembersAndProperties) {
    std::vector<Variant> args{Variant("Loading Topics")};
    ide->Invoke("FireLoadProgress", CallKind::Method, args);
    ide->Call("edittopic", {Variant("t"), Variant::Missing(), Variant(false)});
    ide->Call("Build", {Variant(false)});
    EXPECT_EQ(log.Text(), "host FireLoadProgress Loading Topics\n"
                          "host edittopic t missing False\n"
                          "host Build False\n");

    EXPECT_EQ(ide->Get("activeQVProject").As<qv::Project>(), project);
    ide->SetProject(nullptr);
    EXPECT_TRUE(ide->Get("ActiveQVproject").IsNothing());
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
}

} // namespace
