#include "ModelTestSupport.h"
#include "model/ProjectFileReader.h"
#include "model/ProjectFileWriter.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

using qvtest::ErrorOf;
using qvtest::Ids;
using qvtest::TempFolder;

class ProjectModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        file = temp.CopySample();
        project = qv::LoadProject(file);
        folder = project->Folder();
        subscription = project->Subscribe(sink);
    }

    std::string Events() { return sink.log.Take(); }

    TempFolder temp;
    std::string file;
    std::string folder;
    std::shared_ptr<qv::Project> project;
    qvtest::LoggingSink sink;
    qv::Subscription subscription;
};

struct Command {
    const char* name;
    std::function<void(qv::Project&)> run;
    const char* events;
    const char* told;    // what the change observer hears first (LoggingChangeObserver)
    bool dirties = true; // check-out changes touch the disk, not the project file
};

// Each change the IDE's "project" commands make, the events it must raise, and what the
// change observer is told before it (the item still in its old place).
TEST_F(ProjectModelTest, EachProjectCommandRaisesItsEvent) {
    auto topic = [](qv::Project& p) { return p.GetTopic("T1"); };
    const Command commands[] = {
        {"add-topic", [](qv::Project& p) { p.AddTopic("T40", "N", "Title", "C1"); },
         "TopicAdded topic:T40\n", "arrive topic:T40 @0 before end\n"},
        {"add-category", [](qv::Project& p) { p.AddCategory("C9", "Nine"); },
         "TopicCategoryAdded category:C9\n", "arrive category:C9 @0 before end\n"},
        {"set-topic Name", [&](qv::Project& p) { topic(p)->SetName("X"); },
         "TopicChanged topic:T1\n", "change topic:T1 @1\n"},
        {"set-topic Title", [&](qv::Project& p) { topic(p)->SetTitle("X"); },
         "TopicChanged topic:T1\n", "change topic:T1 @1\n"},
        {"set-topic Caption", [&](qv::Project& p) { topic(p)->SetCaption("X"); },
         "TopicChanged topic:T1\n", "change topic:T1 @1\n"},
        {"set-topic Category", [&](qv::Project& p) { topic(p)->SetCategory(p.GetCategory("C2")); },
         "TopicChanged topic:T1\n", "change topic:T1 @1\n"},
        {"set-topic Category none", [&](qv::Project& p) { topic(p)->SetCategory(nullptr); },
         "TopicChanged topic:T1\n", "change topic:T1 @1\n"},
        {"set-topic Status", [&](qv::Project& p) { topic(p)->SetStatus("Review"); },
         "TopicChanged topic:T1\n", "change topic:T1 @1\n"},
        {"set-topic IncludeInOutput", [&](qv::Project& p) { topic(p)->SetIncludeInOutput(false); },
         "TopicChanged topic:T1\n", "change topic:T1 @1\n"},
        {"set-topic ReadOnly", [](qv::Project& p) { p.SetTopicReadOnly("T1", true); },
         "TopicCheckoutStatusChanged topic:T1\n", "", false},
        {"set-file IncludeInOutput",
         [](qv::Project& p) { p.GetFile("notes.txt")->SetIncludeInOutput(true); },
         "OtherFileChanged file:notes.txt\n", "change file:notes.txt @17\n"},
        {"set-file ReadOnly", [](qv::Project& p) { p.SetFileReadOnly("logo.png", true); },
         "OtherFileCheckoutStatusChanged file:logo.png\n", "", false},
        {"move-topic", [](qv::Project& p) { p.MoveTopic("T5", "T1"); }, "TopicReOrdered topic:T5\n",
         "leave topic:T5 @5\narrive topic:T5 @5 before topic:T1\n"},
        {"move-category", [](qv::Project& p) { p.MoveCategory("C6", "C1"); },
         "TopicCategoryReOrdered category:C6\n",
         "leave category:C6 @6\narrive category:C6 @6 before category:C1\n"},
        {"move-category to the end", [](qv::Project& p) { p.MoveCategory("C1", ""); },
         "TopicCategoryReOrdered category:C1\n",
         "leave category:C1 @1\narrive category:C1 @1 before end\n"},
        {"element-checkout", [](qv::Project& p) { p.RaiseElementCheckout(2); },
         "ProjectElementCheckOutStatusChanged 2\n", "", false},
        {"remove-topic", [](qv::Project& p) { p.RemoveTopic("T3"); }, "TopicRemoved topic:T3\n",
         "leave topic:T3 @3\n"},
        {"remove-category", [](qv::Project& p) { p.RemoveCategory("C3"); },
         "TopicChanged topic:T7\nTopicChanged topic:T9\nTopicChanged topic:T15\n"
         "TopicChanged topic:T16\nTopicCategoryRemoved category:C3\n",
         "change topic:T7 @7\nchange topic:T9 @9\nchange topic:T15 @15\n"
         "change topic:T16 @16\nleave category:C3 @3\n"},
        {"remove-file", [](qv::Project& p) { p.RemoveFile("styles\\handbook.css"); },
         "OtherFileRemoved file:styles\\handbook.css\n", "leave file:styles\\handbook.css @13\n"},
        {"remove-profile", [](qv::Project& p) { p.RemoveProfile("B2"); },
         "BuildProfileRemoved profile:B2\n", "leave profile:B2 @2\n"},
        {"add-file relative", [](qv::Project& p) { p.AddFile("images\\new.png"); },
         "OtherFileAdded file:images\\new.png\n", "arrive file:images\\new.png @0 before end\n"},
        {"add-file absolute", [](qv::Project& p) { p.AddFile("/somewhere/else/x.bin"); },
         "OtherFileAdded file:x.bin\n", "arrive file:x.bin @0 before end\n"},
        {"add-profile", [](qv::Project& p) { p.AddProfile("B7", "Seven"); },
         "BuildProfileAdded profile:B7\n", "arrive profile:B7 @0 before end\n"},
        {"readonly on", [](qv::Project& p) { p.SetProjectReadOnly(true); },
         "CheckoutStatusChanged\n", "", false},
        {"profile Current", [](qv::Project& p) { p.GetProfile("B2")->SetCurrent(true); },
         "BuildProfileChanged profile:B2\n", "change profile:B2 @2\n"},
        // Nothing changes in the project: nothing is told.
        {"move-topic before itself", [](qv::Project& p) { p.MoveTopic("T5", "T5"); }, "", "",
         false},
        {"category outside the project", [](qv::Project& p) { p.NewTopicCategory()->SetName("X"); },
         "", "", false},
        {"category Name", [](qv::Project& p) { p.GetCategory("C2")->SetName("Notes"); },
         "TopicCategoryChanged category:C2\n", "change category:C2 @2\n"},
    };
    for (const Command& c : commands) {
        SCOPED_TRACE(c.name);
        TempFolder fresh;
        auto p = qv::LoadProject(fresh.CopySample());
        qvtest::LoggingSink log;
        auto s = p->Subscribe(log);
        qvtest::LoggingChangeObserver observer(*p);
        p->SetChangeObserver(&observer);
        c.run(*p);
        EXPECT_EQ(log.log.Take(), c.events);
        EXPECT_EQ(observer.log.Take(), c.told);
        EXPECT_EQ(p->Dirty(), c.dirties);
    }
}

// A new ID is one past the highest the kind has ever had, so that links, output pages and
// content files named after a deleted item never reach a new one.
TEST_F(ProjectModelTest, NewIdsAreNeverReused) {
    EXPECT_EQ(project->NextId('T'), "T34");
    EXPECT_EQ(project->NextId('C'), "C7");
    EXPECT_EQ(project->NextId('B'), "B3");
    project->RemoveTopic("T33");
    project->RemoveTopic("T5");
    EXPECT_EQ(project->AddTopic("", "a", "a")->ID(), "T34");
    project->RemoveTopic("T34");
    EXPECT_EQ(project->AddTopic("", "b", "b")->ID(), "T35");
    project->AddTopic("T040", "c", "c"); // leading zeros and either case name the same page
    EXPECT_EQ(project->NextId('T'), "T41");
    project->AddTopic("t44", "d", "d");
    project->AddTopic("T45x", "e", "e"); // another shape: takes no number
    project->AddTopic("X99", "f", "f");
    EXPECT_EQ(project->AddTopic("", "g", "g")->ID(), "T45");
    project->RemoveProfile("B2");
    EXPECT_EQ(project->AddProfile("", "p")->ID(), "B3");
    project->RemoveCategory("C6");
    EXPECT_EQ(project->NextId('C'), "C7");

    auto category = project->NewTopicCategory();
    EXPECT_EQ(category->ID(), "C7");
    EXPECT_EQ(category->Name(), "");
    EXPECT_FALSE(project->TopicCategories()->Contains("C7"));
    // Given out already: a second new category never shares it, even if the first never joins.
    EXPECT_EQ(project->NewTopicCategory()->ID(), "C8");
    Events();
    category->SetName("<New Category>"); // not in the project yet: no event
    project->TopicCategories()->Add(category, "C7");
    EXPECT_EQ(Events(), "TopicCategoryAdded category:C7\n");
    EXPECT_EQ(project->TopicCategories()->Item(6)->Name(), "<New Category>");
    EXPECT_EQ(project->AddCategory("", "n")->ID(), "C9");
}

TEST_F(ProjectModelTest, CollectionsKeepPositionsAndRefuseBadKeys) {
    auto topics = project->Topics();
    EXPECT_EQ(topics->TypeName(), "Topics");
    EXPECT_EQ(project->OtherFiles()->TypeName(), "OtherFiles");
    struct Case {
        const char* name;
        std::function<void()> call;
        int32_t number;
    };
    auto t1 = topics->Item("T1");
    const Case refusals[] = {
        {"index 0", [&] { topics->Item(0); }, 9},
        {"index past end", [&] { topics->Item(34); }, 9},
        {"unknown key", [&] { topics->Item("t1"); }, 9},
        {"remove unknown", [&] { topics->Remove("T99"); }, 9},
        {"duplicate key", [&] { topics->Add(t1, "T1"); }, 457},
        {"key not the ID", [&] { project->RemoveTopic("T1"), topics->Add(t1, "X"); }, 5},
        {"before and after", [&] { topics->Add(t1, "T1", "T2", "T3"); }, 5},
        {"unknown before", [&] { topics->Add(t1, "T1", "T99"); }, 9},
        {"position past end", [&] { topics->Add(t1, "T1", int32_t(40)); }, 9},
        {"no item", [&] { topics->Add(nullptr, "T1"); }, 91},
        {"view is read-only", [&] { project->GetCategory("C1")->Topics()->Remove("T3"); }, 5},
        {"foreign category", [&] { t1->SetCategory(project->NewTopicCategory()); }, 5},
        // What a project file may not hold is refused here too, so that a save always opens.
        {"the tree's own category key", [&] { project->AddCategory("uncategorized", "x"); }, 5},
        {"folder-like profile key", [&] { project->AddProfile("B\\1", "x"); }, 5},
        {"folder-like topic key", [&] { project->AddTopic("T\\1", "x", "x"); }, 5},
        {"topic file names a folder", [&] { project->AddTopic("", "x", "x", "", "", "topics\\."); },
         5},
        {"topic file outside the project",
         [&] { project->AddTopic("", "x", "x", "", "", "/srv/x.html"); }, 5},
        {"file path too long", [&] { project->NewOtherFile(std::string(4096, 'a')); }, 5},
        {"read-only mark on a folder at a topic's file",
         [&] {
             std::filesystem::remove(folder + "topics/T2.html");
             std::filesystem::create_directory(folder + "topics/T2.html");
             project->SetTopicReadOnly("T2", true);
         },
         75},
        {"file path not UTF-8", [&] { project->AddFile("images\\caf\xE9.png"); }, 5},
        {"topic name not UTF-8", [&] { project->AddTopic("", "caf\xE9", "x"); }, 5},
        {"renamed, not UTF-8", [&] { project->GetTopic("T2")->SetName("caf\xE9"); }, 5},
        {"category renamed, not UTF-8", [&] { project->GetCategory("C1")->SetName("\xC3"); }, 5},
        {"profile title not UTF-8", [&] { project->GetProfile("B1")->SetTitle("\xFF"); }, 5},
        {"topic title holding a NUL",
         [&] { project->GetTopic("T2")->SetTitle(std::string("a\0b", 3)); }, 5},
        {"file path names a folder on disk",
         [&] { std::filesystem::create_directories(folder + "Shots"), project->AddFile("shots"); },
         5},
        {"output folder is the root", [&] { project->GetProfile("B1")->SetOutputFolder("/"); }, 5},
        {"output folder above the project",
         [&] { project->GetProfile("B1")->SetOutputFolder(temp.Path()); }, 5},
    };
    for (const Case& c : refusals) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ErrorOf(c.call), c.number);
    }
    // T1 left the collection above and can come back anywhere.
    topics->Add(t1, "T1", qv::Variant(), "T3");
    EXPECT_EQ(topics->IndexOf(*t1), 3);
    EXPECT_EQ(topics->Item(3)->ID(), "T1");
    project->RemoveTopic("T1");
    topics->Add(t1, "", int32_t(1));
    EXPECT_EQ(topics->Item(1), t1);
    auto* keyed = dynamic_cast<const qv::KeyedCollection*>(topics.get());
    ASSERT_NE(keyed, nullptr); // the host's InCollection asks this way
    EXPECT_TRUE(keyed->Contains("T1"));
    auto t2 = topics->Item("T2");
    project->RemoveTopic("T2");
    EXPECT_EQ(topics->IndexOf(*t2), 0);
}

// Positions are kept in a balanced tree, not renumbered: random moves, removals and insertions
// anywhere, read back by rising position, at random and by item, must match a plain list.
TEST_F(ProjectModelTest, ManyChangesAnywhereKeepPositionsLikeAPlainList) {
    auto big = qv::Project::Create(folder + "big.qvproj");
    auto topics = big->Topics();
    std::vector<std::string> order;
    for (int i = 0; i < 300; ++i)
        order.push_back(big->AddTopic("", "Topic", "Title")->ID());
    std::mt19937 random(12);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE(step);
        const std::size_t from = pick(order.size());
        const std::string id = order[from];
        switch (step % 4) {
        case 0:
        case 1: { // a move before another topic, or to the end
            const std::size_t to = pick(order.size() + 1);
            const std::string before = to < order.size() ? order[to] : std::string();
            big->MoveTopic(id, before);
            if (before != id) {
                order.erase(order.begin() + static_cast<std::ptrdiff_t>(from));
                auto at =
                    before.empty() ? order.end() : std::find(order.begin(), order.end(), before);
                order.insert(at, id);
            }
            break;
        }
        case 2: { // out and back in at a position
            auto topic = topics->Item(id);
            big->RemoveTopic(id);
            order.erase(order.begin() + static_cast<std::ptrdiff_t>(from));
            const std::size_t to = pick(order.size() + 1);
            topics->Add(topic, id,
                        to < order.size() ? qv::Variant(static_cast<int32_t>(to + 1))
                                          : qv::Variant());
            order.insert(order.begin() + static_cast<std::ptrdiff_t>(to), id);
            break;
        }
        default: { // a new topic, put right after another
            const std::string added = big->AddTopic("", "New", "New")->ID();
            const std::string before = from + 1 < order.size() ? order[from + 1] : std::string();
            big->MoveTopic(added, before);
            order.insert(order.begin() + static_cast<std::ptrdiff_t>(from) + 1, added);
            break;
        }
        }
        ASSERT_EQ(topics->Count(), static_cast<int32_t>(order.size()));
        const std::size_t probe = pick(order.size());
        ASSERT_EQ(topics->Item(static_cast<int32_t>(probe + 1))->ID(), order[probe]);
        ASSERT_EQ(topics->IndexOf(*topics->Item(order[probe])), static_cast<int32_t>(probe + 1));
        if (step % 97 == 0) {
            for (std::size_t i = 0; i < order.size(); ++i)
                ASSERT_EQ(topics->Item(static_cast<int32_t>(i + 1))->ID(), order[i]) << i;
        }
    }
}

TEST_F(ProjectModelTest, CategoryTopicsFollowProjectOrderAndCategoryChanges) {
    auto c1 = project->GetCategory("C1");
    auto view = c1->Topics();
    EXPECT_EQ(Ids(*view), "T1 T3 T5 T31");
    project->MoveTopic("T31", "T1");
    EXPECT_EQ(Ids(*view), "T31 T1 T3 T5");
    project->GetTopic("T2")->SetCategory(c1);
    EXPECT_EQ(Ids(*view), "T31 T1 T2 T3 T5");
    project->GetTopic("T3")->SetCategory(project->GetCategory("C2"));
    EXPECT_EQ(Ids(*view), "T31 T1 T2 T5");
    EXPECT_EQ(Ids(*project->GetCategory("C2")->Topics()), "T3 T4 T6 T8 T10 T20 T27 T29");
    project->MoveTopic("T1", "");
    EXPECT_EQ(Ids(*view), "T31 T2 T5 T1");
    EXPECT_EQ(view->IndexOf(*project->GetTopic("T5")), 3);
    EXPECT_TRUE(view->Contains("T2"));
    EXPECT_FALSE(view->Contains("T3"));
    project->RemoveTopic("T2");
    EXPECT_EQ(Ids(*view), "T31 T5 T1");
}

// Each topic leaves the category with its own event, while the others are still in it, so that
// a sink placing the topic among its un-categorized neighbours finds them where they were.
class CategoryWatcher : public qv::ProjectEvents {
public:
    std::shared_ptr<qv::TopicCategory> category;
    qv::Project* project = nullptr;
    std::string seen;
    void TopicChanged(const std::shared_ptr<qv::Topic>& t) override {
        seen += t->ID() + ":" + Ids(*category->Topics()) + "|" +
                (project->TopicCategories()->Contains(category->ID()) ? "in" : "out") + "\n";
    }
    void TopicCategoryRemoved(const std::shared_ptr<qv::TopicCategory>& c) override {
        seen +=
            "removed " + c->ID() + (project->TopicCategories()->Contains(c->ID()) ? "" : "|out");
    }
};

TEST_F(ProjectModelTest, RemovingACategoryMovesItsTopicsOutOneAtATime) {
    CategoryWatcher watcher;
    watcher.category = project->GetCategory("C3");
    watcher.project = project.get();
    auto s = project->Subscribe(watcher);
    project->RemoveCategory("C3");
    EXPECT_EQ(watcher.seen, "T7:T9 T15 T16|in\nT9:T15 T16|in\nT15:T16|in\nT16:|in\nremoved C3|out");
    EXPECT_EQ(project->GetTopic("T9")->Category(), nullptr);
}

class ThrowingSink : public qv::ProjectEvents {
public:
    void TopicAdded(const std::shared_ptr<qv::Topic>&) override {
        throw qv::Error(5, "sink failed");
    }
};

class UnsubscribingSink : public qv::ProjectEvents {
public:
    qv::Subscription* own = nullptr;
    qv::Project* project = nullptr;
    qvtest::LoggingSink late;
    qv::Subscription lateSubscription;
    int calls = 0;
    void TopicAdded(const std::shared_ptr<qv::Topic>&) override {
        ++calls;
        own->Reset();
        lateSubscription = project->Subscribe(late);
    }
};

TEST_F(ProjectModelTest, SinksMayThrowOrUnsubscribeDuringAnEvent) {
    ThrowingSink thrower;
    auto throwing = project->Subscribe(thrower);
    qvtest::LoggingSink after;
    auto afterSubscription = project->Subscribe(after);
    EXPECT_EQ(ErrorOf([&] { project->AddTopic("", "x", "x"); }), 5);
    EXPECT_TRUE(project->Topics()->Contains("T34")); // the change stands
    EXPECT_EQ(after.log.Take(), "TopicAdded topic:T34\n");
    throwing.Reset();

    UnsubscribingSink leaving;
    qv::Subscription leavingSubscription = project->Subscribe(leaving);
    leaving.own = &leavingSubscription;
    leaving.project = project.get();
    project->AddTopic("", "y", "y");
    project->AddTopic("", "z", "z");
    EXPECT_EQ(leaving.calls, 1);
    EXPECT_EQ(leaving.late.log.Take(), "TopicAdded topic:T36\n"); // not the event it joined in
    subscription.Reset();
    project->AddTopic("", "w", "w");
    EXPECT_EQ(sink.log.Lines().back(), "TopicAdded topic:T36");
}

} // namespace
