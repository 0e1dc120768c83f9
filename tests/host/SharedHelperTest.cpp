#include "host/SharedHelper.h"

#include "support/TempDir.h"
#include "contracts/Error.h"
#include "model/Project.h"

#include <gtest/gtest.h>

namespace {

using qv::HostOptions;
using qv::HostSharedHelper;
using qv::ScriptedFileDialogs;

class KeyedThing : public qv::Object, public qv::KeyedCollection {
public:
    std::string TypeName() const override { return "Nodes"; }
    bool Contains(const std::string& key) const override {
        if (key == "boom") throw qv::Error(qv::err::InvalidKey, "Invalid key");
        return key == "images\\shots";
    }
};

class PlainThing : public qv::Object {
public:
    std::string TypeName() const override { return "Plain"; }
};

class SharedHelperTest : public ::testing::Test {
protected:
    std::shared_ptr<HostOptions> options = std::make_shared<HostOptions>();
    ScriptedFileDialogs dialogs;
    HostSharedHelper helper{options, dialogs};
};

TEST_F(SharedHelperTest, SplitsKeysAtTheFirstColon) {
    struct Case {
        std::string key, type, value;
    };
    const Case cases[] = {
        {"t:T1", "t", "T1"},
        {"o:/home/a/b:c.png", "o", "/home/a/b:c.png"},
        {"o:D:\\Help\\images\\a.png", "o", "D:\\Help\\images\\a.png"},
        {"bp:", "bp", ""},
        {":x", "", "x"},
        {"images\\shots", "images\\shots", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(helper.KeyType(c.key), c.type) << c.key;
        EXPECT_EQ(helper.KeyValue(c.key), c.value) << c.key;
    }
}

TEST_F(SharedHelperTest, InCollectionAsksKeyedCollectionsAndNeverThrows) {
    KeyedThing nodes;
    EXPECT_TRUE(helper.InCollection(nodes, "images\\shots"));
    EXPECT_FALSE(helper.InCollection(nodes, "images\\other"));
    EXPECT_FALSE(helper.InCollection(nodes, "boom"));
    EXPECT_FALSE(helper.InCollection(PlainThing(), "anything"));
}

TEST_F(SharedHelperTest, InCollectionAsksProjectCollections) {
    qvtest::TempDir dir;
    auto project = qv::Project::Create(dir.Path() + "/P.qvproj");
    auto category = project->AddCategory("C1", "Guide");
    project->AddTopic("T1", "Intro", "Introduction", "C1");
    project->AddProfile("B1", "Web");

    EXPECT_TRUE(helper.InCollection(*project->Topics(), "T1"));
    EXPECT_FALSE(helper.InCollection(*project->Topics(), "t1"));
    EXPECT_TRUE(helper.InCollection(*project->TopicCategories(), "C1"));
    EXPECT_TRUE(helper.InCollection(*category->Topics(), "T1"));
    EXPECT_TRUE(helper.InCollection(*project->BuildProfiles(), "B1"));
    EXPECT_FALSE(helper.InCollection(*project->OtherFiles(), dir.Path() + "/a.png"));
}

TEST_F(SharedHelperTest, BrowseForFilesGivesThePlatformResultForm) {
    std::vector<std::string> titles;
    dialogs.SetObserver([&](const std::string& title, const std::vector<std::string>&) {
        titles.push_back(title);
    });
    dialogs.Queue({"/p/images/a.png"});
    dialogs.Queue({"/p/images/a.png", "/p/images/b c.png"});
    dialogs.Queue({"/p/images/a.png", "/p/docs/x.txt"});
    dialogs.Queue({"/a.txt", "/b/c.txt"});

    EXPECT_EQ(helper.BrowseForFiles("Add to Project", "All files (*.*)|*.*", "/p/", true),
              "/p/images/a.png");
    EXPECT_EQ(helper.BrowseForFiles("Add", "", "/p/", true),
              std::string("/p/images\0a.png\0b c.png", 23));
    EXPECT_EQ(helper.BrowseForFiles("Add", "", "/p/", true),
              std::string("/p\0images/a.png\0docs/x.txt", 26));
    EXPECT_EQ(helper.BrowseForFiles("Add", "", "/", true), std::string("/\0a.txt\0b/c.txt", 15));
    EXPECT_EQ(helper.BrowseForFiles("Add", "", "/p/", true), ""); // nothing queued: cancel
    dialogs.Queue({"/p/a", "/p/b"});
    EXPECT_EQ(helper.BrowseForFiles("Add", "", "/p/", false), "/p/a");
    EXPECT_EQ(titles.size(), 6u);
    EXPECT_EQ(titles.front(), "Add to Project");
}

} // namespace
