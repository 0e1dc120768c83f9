#include "TreeFixture.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

using qv::HeadlessNode;

// Keeps its own copy of the tree's shape from the observer calls alone, checking each call
// against the tree as it is at that moment. A view built the same way shows the right tree.
class Shadow final : public qv::TreeViewObserver {
public:
    explicit Shadow(qv::HeadlessTreeView& tree) : tree_(tree) {
        Rebuild();
        tree_.SetObserver(this);
    }
    ~Shadow() { tree_.SetObserver(nullptr); }

    // The shadow equals the tree.
    void ExpectSameAsTree() {
        std::map<HeadlessNode*, std::vector<HeadlessNode*>> actual;
        Read(actual);
        EXPECT_EQ(children_, actual);
        EXPECT_FALSE(pending_) << "an about-to call without its partner";
    }

    std::vector<std::string> calls;
    HeadlessNode* selected = nullptr;

private:
    void Read(std::map<HeadlessNode*, std::vector<HeadlessNode*>>& out) {
        std::vector<HeadlessNode*> stack{nullptr};
        while (!stack.empty()) {
            HeadlessNode* p = stack.back();
            stack.pop_back();
            auto& list = out[p];
            const int n = p ? p->ChildCount() : tree_.TopLevelCount();
            for (int i = 0; i < n; ++i) {
                HeadlessNode* c = p ? p->ChildAt(i) : tree_.TopLevelAt(i);
                list.push_back(c);
                stack.push_back(c);
            }
        }
    }
    void Rebuild() {
        children_.clear();
        Read(children_);
    }
    void Forget(HeadlessNode* node) {
        for (HeadlessNode* c : children_[node])
            Forget(c);
        children_.erase(node);
    }

    void NodeAboutToBeInserted(HeadlessNode* parent, int32_t row) override {
        calls.push_back("insert");
        ASSERT_LE(static_cast<std::size_t>(row), children_[parent].size());
        pending_ = true;
        parent_ = parent;
        row_ = row;
    }
    void NodeInserted(HeadlessNode& node) override {
        pending_ = false;
        EXPECT_EQ(node.ParentNode(), parent_);
        EXPECT_EQ(node.Row(), row_);
        auto& list = children_[parent_];
        list.insert(list.begin() + row_, &node);
        children_[&node] = {};
    }
    void NodeAboutToBeRemoved(HeadlessNode& node) override {
        calls.push_back("remove");
        auto& list = children_[node.ParentNode()];
        ASSERT_LT(static_cast<std::size_t>(node.Row()), list.size());
        EXPECT_EQ(list[static_cast<std::size_t>(node.Row())], &node);
        pending_ = true;
        parent_ = node.ParentNode();
        row_ = node.Row();
        Forget(&node);
        list.erase(list.begin() + row_);
    }
    void NodeRemoved(HeadlessNode* parent, int32_t row) override {
        pending_ = false;
        EXPECT_EQ(parent, parent_);
        EXPECT_EQ(row, row_);
    }
    void NodeAboutToBeMoved(HeadlessNode& node, HeadlessNode* newParent,
                            int32_t destination) override {
        calls.push_back("move");
        HeadlessNode* from = node.ParentNode();
        const int row = node.Row();
        ASSERT_EQ(children_[from][static_cast<std::size_t>(row)], &node);
        // Qt's rule: the destination counts the node in its old place, and a move that
        // leaves the node where it is must not be told.
        EXPECT_FALSE(from == newParent && (destination == row || destination == row + 1));
        pending_ = true;
        children_[from].erase(children_[from].begin() + row);
        const int at = from == newParent && destination > row ? destination - 1 : destination;
        parent_ = newParent;
        row_ = at;
        children_[newParent].insert(children_[newParent].begin() + at, &node);
    }
    void NodeMoved(HeadlessNode& node) override {
        pending_ = false;
        EXPECT_EQ(node.ParentNode(), parent_);
        EXPECT_EQ(node.Row(), row_);
    }
    void ChildrenAboutToBeReordered(HeadlessNode*) override {
        calls.push_back("reorder");
        pending_ = true;
    }
    void ChildrenReordered(HeadlessNode* parent) override {
        pending_ = false;
        auto& list = children_[parent];
        list.clear();
        for (int i = 0; i < (parent ? parent->ChildCount() : tree_.TopLevelCount()); ++i)
            list.push_back(parent ? parent->ChildAt(i) : tree_.TopLevelAt(i));
    }
    void NodeChanged(HeadlessNode&) override { calls.push_back("changed"); }
    void ExpandedChanged(HeadlessNode&) override { calls.push_back("expanded"); }
    void AboutToBeReset() override {
        calls.push_back("reset");
        pending_ = true;
    }
    void SelectionChanged(HeadlessNode* s) override { selected = s; }
    void Reset() override {
        pending_ = false;
        Rebuild();
    }

    qv::HeadlessTreeView& tree_;
    std::map<HeadlessNode*, std::vector<HeadlessNode*>> children_;
    bool pending_ = false;
    HeadlessNode* parent_ = nullptr;
    int row_ = 0;
};

class TreeViewObserverTest : public qvtest::TreeFixture {
protected:
    void SetUp() override {
        TreeFixture::SetUp();
        Add("", qv::rel::Last, "A");
        for (const char* k : {"a1", "a2", "a3", "a4"})
            Add("A", qv::rel::Child, k);
        Add("", qv::rel::Last, "S");
        N("S").SetSorted(true);
        for (const char* k : {"s10", "s2", "s1"})
            Add("S", qv::rel::Child, k);
    }
};

TEST_F(TreeViewObserverTest, EveryStructuralChangeIsToldSoThatACopyStaysTheSame) {
    Shadow shadow(*tree);
    struct Change {
        const char* name;
        std::function<void()> apply;
        std::vector<std::string> calls;
    };
    const std::vector<Change> changes = {
        {"add before", [&] { tree->Nodes().Add("a2", qv::rel::Previous, "b", "b"); }, {"insert"}},
        {"sorted insert", [&] { tree->Nodes().Add("S", qv::rel::Child, "s3", "s3"); }, {"insert"}},
        {"rename down a sorted list", [&] { N("s1").SetText("s99"); }, {"move", "changed"}},
        {"rename up a sorted list", [&] { N("s1").SetText("s0"); }, {"move", "changed"}},
        {"rename in place", [&] { N("s1").SetText("s1 "); }, {"changed"}},
        {"move up",
         [&] {
             tree->Click(&N("a3"));
             tree->ExecuteCommand("MoveUp");
         },
         {"move"}},
        {"move down", [&] { tree->ExecuteCommand("MoveDown"); }, {"move"}},
        {"move right", [&] { tree->ExecuteCommand("MoveRight"); }, {"move"}},
        {"move left", [&] { tree->ExecuteCommand("MoveLeft"); }, {"move"}},
        {"last child of its own parent", [&] { N("a1").SetParent(&N("A")); }, {"move"}},
        {"last child of its own parent already", [&] { N("a1").SetParent(&N("A")); }, {}},
        {"into a sorted parent", [&] { N("a2").SetParent(&N("S")); }, {"move"}},
        {"to the top level", [&] { N("b").SetParent(nullptr); }, {"move"}},
        {"drag before", [&] { tree->Drag(&N("a4"), &N("a3"), qv::rel::Previous); }, {"move"}},
        {"drag after", [&] { tree->Drag(&N("a4"), &N("a1"), qv::rel::Last); }, {"move"}},
        {"drag into", [&] { tree->Drag(&N("b"), &N("A"), qv::rel::Child); }, {"move"}},
        {"sort", [&] { N("A").SetSorted(true); }, {"reorder"}},
        {"remove a subtree", [&] { tree->Nodes().Remove("S"); }, {"remove"}},
        {"clear", [&] { tree->Nodes().Clear(); }, {"reset"}},
        {"a load without redraw",
         [&] {
             tree->SetRedraw(false);
             tree->Nodes().Add(nullptr, qv::rel::Last, "X", "X");
             for (int i = 0; i < 100; ++i)
                 tree->Nodes().Add("X", qv::rel::Child, "x" + std::to_string(i), "x");
             N("X").SetExpanded(true);
             tree->SetRedraw(true);
         },
         {"reset"}},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        shadow.calls.clear();
        c.apply();
        std::vector<std::string> structural;
        for (const auto& call : shadow.calls)
            if (call != "expanded") structural.push_back(call);
        EXPECT_EQ(structural, c.calls);
        shadow.ExpectSameAsTree();
    }
}

TEST_F(TreeViewObserverTest, RemovingTheSelectedNodeTellsWhereTheSelectionWent) {
    Shadow shadow(*tree);
    tree->Click(&N("s2"));
    tree->Nodes().Remove("S"); // the selection goes to the previous top-level node
    EXPECT_EQ(shadow.selected, &N("A"));
    tree->Nodes().Remove("A"); // nothing is left to select
    EXPECT_EQ(shadow.selected, nullptr);
}

TEST_F(TreeViewObserverTest, NothingIsToldWithoutAChange) {
    Shadow shadow(*tree);
    N("a1").SetText("a1");
    N("a1").SetExpanded(false);
    N("a1").SetForeColor(-1);
    EXPECT_TRUE(shadow.calls.empty());
    N("A").SetExpanded(true);
    N("A").EnsureVisible();
    N("a1").EnsureVisible(); // A is open already
    EXPECT_EQ(shadow.calls, std::vector<std::string>{"expanded"});
}

} // namespace
