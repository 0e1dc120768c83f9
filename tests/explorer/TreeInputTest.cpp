#include "support/ExplorerHarness.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <tuple>

namespace qvtest {
namespace {

constexpr int16_t kEnter = 13, kF2 = 113, kInsert = 45, kDelete = 46;

class TreeInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        p = h.SmallProject();
        p->Save();
        h.Open(p);
        h.log.Clear();
    }

    void Key(int16_t code, int16_t shift = 0) {
        h.Tree().KeyDown(code, shift);
        h.ui.DoEvents(); // the deferred start of a label edit
    }
    // The project's order of topics within each category must be the tree's.
    void ExpectProjectFollowsTree() {
        h.Dump();
        for (qv::Node* c = h.NodeAt("topics").FirstChild(); c; c = c->NextSibling()) {
            std::string tree, project;
            for (qv::Node* t = c->FirstChild(); t; t = t->NextSibling())
                tree += t->Key() + " ";
            for (int32_t i = 1; i <= p->Topics()->Count(); ++i) {
                auto topic = p->Topics()->Item(i);
                const std::string parent =
                    topic->Category() ? "c:" + topic->Category()->ID() : "c:uncategorized";
                if (parent == c->Key()) project += "t:" + topic->ID() + " ";
            }
            EXPECT_EQ(tree, project) << c->Key();
        }
    }

    ExplorerHarness h;
    std::shared_ptr<qv::Project> p;
};

TEST_F(TreeInputTest, F2OnACategoryRenamesItInTheProject) {
    h.Select("c:C2");
    Key(kF2);
    ASSERT_TRUE(h.Tree().LabelEditOpen());
    h.Tree().FinishLabelEdit("Expert Topics");
    EXPECT_EQ(p->GetCategory("C2")->Name(), "Expert Topics");
    EXPECT_EQ(h.NodeAt("c:C2").Text(), "Expert Topics");
}

TEST_F(TreeInputTest, EnterWhileRenamingCommitsAndOpensNothing) {
    h.Select("c:C1");
    Key(kF2);
    h.log.Clear();
    Key(kEnter);
    EXPECT_FALSE(h.Tree().LabelEditOpen());
    EXPECT_EQ(h.log.Text().find("host"), std::string::npos) << h.log.Text();
    EXPECT_EQ(p->GetCategory("C1")->Name(), "Basics");
}

TEST_F(TreeInputTest, EnterOnATopicEditsAndShiftEnterShowsItsProperties) {
    h.Select("t:T1");
    h.log.Clear();
    Key(kEnter);
    Key(kEnter, 1);
    EXPECT_NE(h.log.Text().find("host edittopic topic:T1 missing False"), std::string::npos);
    EXPECT_NE(h.log.Text().find("host ShowTopicProperties topic:T1"), std::string::npos);
}

TEST_F(TreeInputTest, InsertBesideACategoryAddsANewCategoryToTheProject) {
    h.Select("c:uncategorized");
    Key(kInsert);
    EXPECT_TRUE(p->TopicCategories()->Contains("C3"));
    EXPECT_EQ(p->GetCategory("C3")->Name(), "<New Category>");
    EXPECT_EQ(h.NodeAt("c:C3").Text(), "<New Category>");
    EXPECT_TRUE(h.Tree().LabelEditOpen());
    EXPECT_EQ(h.log.Text().find("msgbox"), std::string::npos) << h.log.Text();
    h.Dump();
}

// A topic dropped on a category joins it, the Un-categorized folder included; the ReadOnly
// property keeps it where it is.
TEST_F(TreeInputTest, ATopicDroppedOnACategoryJoinsItUnlessReadOnly) {
    const std::tuple<const char*, bool, const char*> drops[] = {
        {"c:C2", true, "c:C1"},
        {"c:C2", false, "c:C2"},
        {"c:uncategorized", false, "c:uncategorized"}};
    // Only the category changes: the topics keep their order in the project.
    auto order = [&] {
        std::string ids;
        for (int32_t i = 1; i <= p->Topics()->Count(); ++i)
            ids += p->Topics()->Item(i)->ID() + " ";
        return ids;
    };
    const std::string before = order();
    for (const auto& [target, readOnly, parent] : drops) {
        h.control->SetReadOnly(readOnly);
        h.Tree().Drag(&h.NodeAt("t:T1"), &h.NodeAt(target), qv::rel::Child);
        EXPECT_EQ(h.NodeAt("t:T1").Parent()->Key(), parent) << target << readOnly;
        if (!readOnly) { // it went in as the last child
            EXPECT_EQ(h.NodeAt("t:T1").NextSibling(), nullptr) << target;
        }
        EXPECT_EQ(order(), before) << target << readOnly;
    }
    EXPECT_EQ(p->GetTopic("T1")->Category(), nullptr);
}

TEST_F(TreeInputTest, ACategoryDropsOnlyBesideACategory) {
    h.Tree().Drag(&h.NodeAt("c:C2"), &h.NodeAt("c:C1"), qv::rel::Child);
    EXPECT_EQ(h.NodeAt("c:C2").Parent()->Key(), "topics");
    h.Tree().Drag(&h.NodeAt("c:C2"), &h.NodeAt("t:T1"), qv::rel::Previous);
    EXPECT_EQ(h.NodeAt("c:C2").Parent()->Key(), "topics");
    h.Tree().Drag(&h.NodeAt("c:C2"), &h.NodeAt("c:C1"), qv::rel::Previous);
    EXPECT_EQ(p->TopicCategories()->Item(1)->ID(), "C2");
    ExpectProjectFollowsTree();
}

// The relationship the tree proposed reaches every later handler as proposed: the explorer
// answers through the target's AllowDrop alone.
TEST_F(TreeInputTest, TheDropRuleAnswersThroughAllowDropAndLeavesTheProposal) {
    struct Proposals : qv::TreeViewEvents {
        void NodeBeforeDropHighlight(qv::DataObject&, qv::Node*, int32_t& r) override {
            seen.push_back(r);
        }
        std::vector<int32_t> seen;
    } later;
    auto subscription = h.Tree().Subscribe(later);
    h.Tree().Drag(&h.NodeAt("t:T1"), &h.NodeAt("c:C2"), qv::rel::Child);
    EXPECT_EQ(later.seen, std::vector<int32_t>{qv::rel::Child});
    EXPECT_EQ(h.NodeAt("c:C2").AllowDrop(), qv::drop::Into);
    EXPECT_EQ(h.Tree().OLEDragFormat(), "TopicNode"); // what a drag of a topic node carries
}

TEST_F(TreeInputTest, FilesFromOutsideDropOnlyOntoFileFoldersAndIntoSubFoldersWithoutAsking) {
    TempDir elsewhere;
    const std::string file = elsewhere.Write("drop.png", "picture");
    h.Tree().DropFiles(&h.NodeAt("t:T1"), {file});
    EXPECT_EQ(p->OtherFiles()->Count(), 2);
    h.Tree().DropFiles(&h.NodeAt("images\\images\\shots"), {file});
    EXPECT_TRUE(p->OtherFiles()->Contains(h.ProjectFolder() + "images/shots/drop.png"));
    EXPECT_TRUE(std::filesystem::exists(h.ProjectFolder() + "images/shots/drop.png"));
    EXPECT_EQ(h.log.Text().find("msgbox"), std::string::npos) << h.log.Text();
    h.Dump();
}

// The ReadOnly property keeps both menus away.
TEST_F(TreeInputTest, ARightClickOffersTheSpellingMenuThenTheContextMenuUnlessReadOnly) {
    h.Select("t:T1");
    h.control->SetReadOnly(true);
    h.log.Clear();
    h.Tree().RightClick();
    EXPECT_EQ(h.Dock().LastPopup(), "");
    EXPECT_EQ(h.log.Take(), "");
    h.control->SetReadOnly(false);
    h.Tree().RightClick();
    EXPECT_EQ(h.Dock().LastPopup(), "popContext");
    EXPECT_EQ(h.log.Take(), "event ShowSpellContextMenu\n");
}

} // namespace
} // namespace qvtest
