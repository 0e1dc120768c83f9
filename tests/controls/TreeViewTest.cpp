#include "TreeFixture.h"
#include "controls/DataObject.h"
#include "controls/NaturalCompare.h"
#include "support/ErrorOf.h"
#include "support/TreeDump.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using qvtest::DumpTree;
using qvtest::ErrorOf;
using qvtest::ExpectTreeInvariants;

class TreeViewTest : public qvtest::TreeFixture {
protected:
    // r1 { c1 { g1 } c2 c3 } r2
    void Family() {
        Add("", qv::rel::Last, "r1");
        Add("r1", qv::rel::Child, "c1");
        Add("c1", qv::rel::Child, "g1");
        Add("r1", qv::rel::Child, "c2");
        Add("r1", qv::rel::Child, "c3");
        Add("", qv::rel::Last, "r2");
    }
    // Children texts of a node, in order.
    std::string Children(const std::string& key) {
        std::string out;
        for (qv::Node* c = N(key).FirstChild(); c; c = c->NextSibling())
            out += (out.empty() ? "" : ",") + c->Text();
        return out;
    }
};

TEST_F(TreeViewTest, AddRefusesBadInputAndChangesNothing) {
    Add("", qv::rel::Last, "a");
    Add("a", qv::rel::Child, "a1");
    struct Case {
        std::string relative;
        int32_t how;
        std::string key, image;
        int32_t error;
    };
    const Case cases[] = {
        {"", qv::rel::Previous, "x", "", qv::err::InvalidArgument},
        {"", qv::rel::Child, "x", "", qv::err::InvalidArgument},
        {"a", qv::rel::Last, "x", "", qv::err::InvalidArgument},
        {"a", 1, "x", "", qv::err::InvalidArgument},
        {"nope", qv::rel::Child, "x", "", qv::err::ElementNotFound},
        {"a", qv::rel::Child, "a1", "", qv::err::KeyNotUnique},
        {"", qv::rel::Last, "a", "", qv::err::KeyNotUnique},
        {"a", qv::rel::Child, "x", "nope", qv::err::ElementNotFound},
    };
    const std::string before = DumpTree(*tree);
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorOf([&] { Add(c.relative, c.how, c.key, "", c.image); }), c.error)
            << c.relative << " " << c.how << " " << c.key;
        EXPECT_EQ(DumpTree(*tree), before);
    }
    EXPECT_EQ(ErrorOf([&] { N("x"); }), qv::err::ElementNotFound);
    EXPECT_EQ(ErrorOf([&] { tree->Nodes().Remove("x"); }), qv::err::ElementNotFound);
    EXPECT_EQ(ErrorOf([&] { N("a").SetKey("a1"); }), qv::err::KeyNotUnique);

    qv::HeadlessTreeView other;
    qv::Node* foreign = other.Nodes().Add(nullptr, qv::rel::Last, "a", "a");
    EXPECT_EQ(ErrorOf([&] { tree->Nodes().Add(foreign, qv::rel::Child, "y", "y"); }),
              qv::err::InvalidArgument);
    // Without an image list no image key can be valid.
    EXPECT_EQ(ErrorOf([&] { other.Nodes().Add(nullptr, qv::rel::Last, "b", "b", "doc"); }),
              qv::err::ElementNotFound);
    EXPECT_EQ(other.Nodes().Count(), 1);
}

TEST_F(TreeViewTest, KeylessNodesAreAllowedButNotIndexed) {
    Add("", qv::rel::Last, "a");
    Add("a", qv::rel::Child, "", "one");
    Add("a", qv::rel::Child, "", "two");
    EXPECT_EQ(tree->Nodes().Count(), 3);
    EXPECT_EQ(tree->IndexedKeyCount(), 1u);
    EXPECT_FALSE(tree->Nodes().Contains(""));
    N("a").FirstChild()->SetKey("k");
    EXPECT_EQ(N("k").Text(), "one");
    // Key and text share one block: changing one keeps the other.
    N("k").SetText("a label longer than any short string");
    N("k").SetKey("a key longer than any short string");
    EXPECT_EQ(N("a key longer than any short string").Text(),
              "a label longer than any short string");
    N("a key longer than any short string").SetKey("");
    EXPECT_FALSE(tree->Nodes().Contains("k"));
    EXPECT_EQ(tree->IndexedKeyCount(), 1u);
    // A node's first block lies in the node's allocation: shorter and slightly longer texts are
    // written there, a much longer one moves to a block of its own; the key stays throughout.
    Add("", qv::rel::Last, "t:T12345", "Topic 12344 (a title of some length)");
    for (std::string text :
         {std::string("Topic 1"), std::string("Topic 12344 (a title of some length!)"),
          std::string(300, 'x'), std::string("Topic 2")}) {
        N("t:T12345").SetText(text);
        EXPECT_EQ(N("t:T12345").Text(), text);
        EXPECT_EQ(N("t:T12345").Key(), "t:T12345");
    }
}

// Each child takes its sorted place at once (a load that sorts later must agree: see
// RandomEditsKeepEveryInvariantWithOrWithoutALoad).
TEST_F(TreeViewTest, SortedParentOrdersFoldersFirstThenNaturalCaseInsensitive) {
    Add("", qv::rel::Last, "p");
    N("p").SetSorted(true);
    for (std::string text : {"img10", "Beta", "img2", "alpha", "same", "IMG1", "Same"})
        Add("p", qv::rel::Child, "k" + text, text);
    EXPECT_EQ(Children("p"), "alpha,Beta,IMG1,img2,img10,same,Same");
    // A folder gets its tag after it is added, as GetFolderNode does; it moves up then.
    for (std::string text : {"zdir", "Adir"})
        Add("p", qv::rel::Child, "d" + text, text)->SetTag("FileSystemFolder");
    EXPECT_EQ(Children("p"), "Adir,zdir,alpha,Beta,IMG1,img2,img10,same,Same");
    Add("kBeta", qv::rel::Previous, "kc", "c"); // goes to its sorted place, not before Beta
    N("kalpha").SetText("zeta");
    N("dzdir").SetTag(qv::Variant());
    EXPECT_EQ(Children("p"), "Adir,Beta,c,IMG1,img2,img10,same,Same,zdir,zeta");
}

TEST_F(TreeViewTest, SortingFoldsUnicodeCaseAndKeepsArrivalOrderOfEqualTexts) {
    Add("", qv::rel::Last, "p");
    Add("p", qv::rel::Child, "1", "ärger");
    Add("p", qv::rel::Child, "2", "Zebra");
    Add("p", qv::rel::Child, "3", "Ärger");
    Add("p", qv::rel::Child, "4", "apfel");
    N("p").SetSorted(true); // sorts what is there, stably
    EXPECT_EQ(Children("p"), "apfel,Zebra,ärger,Ärger");
    N("1").SetText("ÄRGER"); // a changed text arrives anew, after its equals
    EXPECT_EQ(Children("p"), "apfel,Zebra,Ärger,ÄRGER");
    EXPECT_EQ(qv::NaturalCompareNoCase("Öl", "öl"), 0);
    EXPECT_EQ(qv::NaturalCompareNoCase("Привет", "пРИВЕТ"), 0);
    EXPECT_LT(qv::NaturalCompareNoCase("file9.txt", "File10.txt"), 0);
}

// Bulk sorts order texts by keys: the keys must order exactly as NaturalCompareNoCase does,
// equal texts included, whatever the digits, case, letters beyond ASCII or broken UTF-8.
TEST_F(TreeViewTest, SortKeysOrderTextsAsTheNaturalComparison) {
    const std::vector<std::string> parts = {"a",  "B", "z", "0",    "00",  "7", "007",
                                            "10", "9", ".", "/",    " ",   "ä", "Ä",
                                            "ß",  "Я", "я", "\xC3", "\xFF"};
    std::mt19937 random(7);
    std::vector<std::string> texts = {"", "a", "a0", "a00", "07", "7", "img2", "IMG10"};
    for (int i = 0; i < 400; ++i) {
        std::string text;
        for (int n = static_cast<int>(random() % 5); n >= 0; --n)
            text += parts[random() % parts.size()];
        texts.push_back(text);
    }
    auto key = [](const std::string& text) {
        std::string out;
        qv::AppendNaturalSortKey(text, out);
        return out;
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const std::string& a : texts)
        for (const std::string& b : texts)
            ASSERT_EQ(sign(key(a).compare(key(b))), sign(qv::NaturalCompareNoCase(a, b)))
                << "\"" << a << "\" and \"" << b << "\"";
}

TEST_F(TreeViewTest, RemovingTheSelectionMovesItNextPreviousOrUp) {
    struct Case {
        std::string selected, removed, events;
    };
    const Case cases[] = {
        {"c2", "c2", "NodeClicked c3\n"},                   // next sibling
        {"c3", "c3", "NodeClicked c2\n"},                   // previous sibling
        {"g1", "g1", "NodeClicked c1\n"},                   // parent
        {"g1", "c1", "NodeClicked c2\n"},                   // an ancestor goes: its next sibling
        {"r2", "r2", "NodeClicked r1\n"}, {"c2", "g1", ""}, // elsewhere: the selection stays
    };
    for (const auto& c : cases) {
        tree->Nodes().Clear();
        Family();
        tree->SetSelectedItem(&N(c.selected));
        sink.log.Clear();
        tree->Nodes().Remove(c.removed);
        EXPECT_EQ(sink.log.Take(), c.events) << c.removed;
        ExpectTreeInvariants(*tree);
    }

    // A removed subtree leaves the index; its keys are free again.
    tree->Nodes().Remove("r1");
    EXPECT_FALSE(tree->Nodes().Contains("c1"));
    EXPECT_FALSE(tree->Nodes().Contains("g1"));
    EXPECT_EQ(tree->Nodes().Count(), 1);
    Add("r2", qv::rel::Child, "g1");

    // The last top-level node: nothing is left to select, and nothing is raised.
    tree->SetSelectedItem(&N("r2"));
    N("r2").SetTag("FileSystemFolder");
    N("r2").SetImage("doc");
    N("r2").SetExpandedImage("folder");
    N("r2").SetForeColor(0x80000011);
    N("r2").SetAllowDrop(qv::drop::Before);
    N("g1").SetTag(7);
    sink.log.Clear();
    std::shared_ptr<qv::Object> held = N("r2").shared_from_this();
    std::shared_ptr<qv::Object> heldChild = N("g1").shared_from_this();
    N("r2").Remove();
    EXPECT_EQ(tree->SelectedItem(), nullptr);
    EXPECT_EQ(sink.log.Take(), "");
    // Detached, each node of the subtree keeps its own values and nothing of the tree.
    auto& detached = dynamic_cast<qv::HeadlessNode&>(*held);
    EXPECT_EQ(detached.Key(), "r2");
    EXPECT_EQ(detached.Tag().ToString(), "FileSystemFolder");
    EXPECT_EQ(detached.Image() + " " + detached.ExpandedImage(), "doc folder");
    EXPECT_EQ(detached.ForeColor(), static_cast<int32_t>(0x80000011));
    EXPECT_EQ(detached.AllowDrop(), qv::drop::Before);
    EXPECT_EQ(detached.FirstChild(), nullptr);
    EXPECT_EQ(detached.Tree(), nullptr);
    EXPECT_EQ(ErrorOf([&] { detached.Remove(); }), 35605);
    detached.SetKey("r2, detached");
    detached.SetText("");
    EXPECT_EQ(detached.Key() + "|" + detached.Text(), "r2, detached|");
    auto& child = dynamic_cast<qv::HeadlessNode&>(*heldChild);
    EXPECT_EQ(child.Key() + " " + child.Tag().ToString(), "g1 7");
    EXPECT_EQ(child.Parent(), nullptr);
    EXPECT_EQ(child.Tree(), nullptr);
    child.SetTag(qv::Variant());
    EXPECT_TRUE(child.Tag().IsEmpty());
    EXPECT_EQ(ErrorOf([&] { child.SetSelected(true); }), 35605);
}

// A project of 100,000 topics makes 150,000 nodes: their size is most of the tree's memory.
// What only some nodes have (children, a tag) stays outside the node and the key and label share
// one block, so that the node with its shared_ptr control block fits a 160-byte heap block
// (64-bit).
TEST_F(TreeViewTest, ANodeStaysWithinItsMemoryBudget) {
    if constexpr (sizeof(void*) == 8) {
        EXPECT_LE(sizeof(qv::HeadlessNode), 136u);
    }
}

TEST_F(TreeViewTest, SelectionRaisesNodeClickedOnlyWhenItMoves) {
    Family();
    tree->SetSelectedItem(&N("g1"));
    tree->SetSelectedItem(&N("g1"));
    N("c2").SetSelected(true);
    tree->Click(&N("c2"));
    tree->DoubleClick(&N("c3"));
    N("c3").SetSelected(false);
    EXPECT_EQ(sink.log.Take(),
              "NodeClicked g1\nNodeClicked c2\nNodeClicked c3\nNodeDoubleClicked c3\n");
    EXPECT_EQ(tree->SelectedItem(), nullptr);
    EXPECT_FALSE(N("c1").Expanded()) << "selecting does not expand";
    N("g1").EnsureVisible();
    EXPECT_TRUE(N("c1").Expanded() && N("r1").Expanded());

    tree->SetSelectedItem(&N("c1"));
    sink.log.Clear();
    tree->Nodes().Clear();
    EXPECT_EQ(sink.log.Take(), "");
    EXPECT_EQ(tree->SelectedItem(), nullptr);
    EXPECT_EQ(tree->IndexedKeyCount(), 0u);
}

// The user's collapse takes a selection it hides along to the collapsed node; the owner's
// (Expanded False) and every expand leave the selection alone.
TEST_F(TreeViewTest, UserCollapseSelectsTheNodeWhoseSubtreeHidesTheSelection) {
    struct Case {
        std::string selected, node;
        enum { Collapse, SetExpandedFalse, CollapseCollapsed, Expand } how;
        std::string events, selectedAfter;
    };
    const Case cases[] = {
        {"g1", "c1", Case::Collapse, "NodeClicked c1\n", "c1"},
        {"g1", "r1", Case::Collapse, "NodeClicked r1\n", "r1"},
        {"c1", "c1", Case::Collapse, "", "c1"},          // the selection itself stays in view
        {"c2", "c1", Case::Collapse, "", "c2"},          // a sibling's subtree
        {"r2", "r1", Case::Collapse, "", "r2"},          // elsewhere
        {"g1", "r1", Case::SetExpandedFalse, "", "g1"},  // the owner's collapse
        {"g1", "c1", Case::CollapseCollapsed, "", "g1"}, // nothing left to collapse
        {"g1", "r1", Case::Expand, "", "g1"},
    };
    for (const auto& c : cases) {
        tree->Nodes().Clear();
        Family();
        N("r1").SetExpanded(c.how != Case::Expand);
        N("c1").SetExpanded(c.how != Case::CollapseCollapsed);
        tree->SetSelectedItem(&N(c.selected));
        tree->StartLabelEdit(); // closed when the selection moves
        sink.log.Clear();
        if (c.how == Case::SetExpandedFalse)
            N(c.node).SetExpanded(false);
        else if (c.how == Case::Expand)
            tree->Expand(&N(c.node));
        else
            tree->Collapse(&N(c.node));
        EXPECT_EQ(sink.log.Take(), c.events) << c.selected << " " << c.node;
        EXPECT_EQ(tree->SelectedItem()->Key(), c.selectedAfter) << c.selected << " " << c.node;
        EXPECT_EQ(N(c.node).Expanded(), c.how == Case::Expand) << c.node;
        EXPECT_EQ(tree->LabelEditOpen(), c.selected == c.selectedAfter) << c.selected;
        ExpectTreeInvariants(*tree);
    }
    tree->Expand(nullptr);
    tree->Collapse(nullptr);
    qv::HeadlessTreeView other;
    qv::Node* foreign = other.Nodes().Add(nullptr, qv::rel::Last, "a", "a");
    EXPECT_EQ(ErrorOf([&] { tree->Collapse(foreign); }), qv::err::InvalidArgument);
}

TEST_F(TreeViewTest, SetParentMovesTheSubtreeAndRefusesCycles) {
    Family();
    N("c1").SetParent(&N("r2"));
    EXPECT_EQ(DumpTree(*tree), "r1 | r1 | \n  c2 | c2 | \n  c3 | c3 | \nr2 | r2 | \n"
                               "  c1 | c1 | \n    g1 | g1 | \n");
    const std::string before = DumpTree(*tree);
    EXPECT_EQ(ErrorOf([&] { N("c1").SetParent(&N("c1")); }), qv::err::InvalidArgument);
    EXPECT_EQ(ErrorOf([&] { N("r2").SetParent(&N("g1")); }), qv::err::InvalidArgument);
    EXPECT_EQ(DumpTree(*tree), before);

    N("r1").SetSorted(true);
    N("g1").SetParent(&N("r1")); // its sorted place
    EXPECT_EQ(Children("r1"), "c2,c3,g1");
    N("c3").SetText("a");
    N("c1").SetParent(&N("r1"));
    EXPECT_EQ(Children("r1"), "a,c1,c2,g1");
    N("r1").SetParent(nullptr); // becomes the last top-level node
    EXPECT_EQ(tree->Nodes().First()->Key(), "r2");
}

TEST_F(TreeViewTest, CanExecuteCommandFollowsSelectionAndSiblings) {
    Family(); // r1 { c1 { g1 } c2 c3 } r2, and s (sorted) { x y }
    Add("", qv::rel::Last, "s");
    Add("s", qv::rel::Child, "x");
    Add("s", qv::rel::Child, "y");
    N("s").SetSorted(true);
    struct Case {
        std::string selected;
        const char* allowed; // for DeleteItem, MoveUp, MoveDown, MoveLeft, MoveRight
        int32_t mode = 2;
    };
    const Case cases[] = {
        {"", "00000"},      {"r1", "10100"},    {"c1", "10100"},    {"c2", "11101"},
        {"c3", "11001"},    {"g1", "10010"},    {"x", "10000"},     {"y", "10001"},
        {"c2", "00000", 0}, {"g1", "00000", 0}, {"c2", "11101", 1}, // only 0 locks
    };
    const char* names[] = {"DeleteItem", "MoveUp", "MoveDown", "MoveLeft", "MoveRight"};
    for (const auto& c : cases) {
        tree->SetMode(c.mode);
        tree->SetSelectedItem(c.selected.empty() ? nullptr : &N(c.selected));
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(tree->CanExecuteCommand(names[i]), c.allowed[i] == '1')
                << c.selected << " " << names[i] << " mode " << c.mode;
    }
    tree->SetMode(2);
    tree->SetSelectedItem(&N("c2"));
    EXPECT_TRUE(tree->CommandEnabled("MoveUp"));
    tree->SetCommandEnabled("MoveUp", false);
    EXPECT_FALSE(tree->CanExecuteCommand("MoveUp"));
    tree->ExecuteCommand("MoveUp"); // cannot run: nothing happens
    EXPECT_EQ(Children("r1"), "c1,c2,c3");
    EXPECT_FALSE(tree->CanExecuteCommand("Jump"));
    EXPECT_EQ(ErrorOf([&] { tree->ExecuteCommand("Jump"); }), qv::err::InvalidArgument);
    EXPECT_EQ(ErrorOf([&] { tree->SetCommandEnabled("Jump", true); }), qv::err::InvalidArgument);
}

TEST_F(TreeViewTest, MoveCommandsRaiseTheirEvents) {
    Family();
    tree->SetSelectedItem(&N("c2"));
    sink.log.Clear();
    tree->ExecuteCommand("MoveUp");
    EXPECT_EQ(Children("r1"), "c2,c1,c3");
    tree->ExecuteCommand("MoveDown");
    EXPECT_EQ(Children("r1"), "c1,c2,c3");
    tree->ExecuteCommand("MoveRight"); // into c1, after g1
    EXPECT_EQ(Children("c1"), "g1,c2");
    tree->ExecuteCommand("MoveLeft"); // back out, just after c1
    EXPECT_EQ(Children("r1"), "c1,c2,c3");
    // The moved node stays selected and is clicked again once in place, so that whoever
    // describes the selection sees where it went.
    EXPECT_EQ(sink.log.Take(), "NodeMoved c2\nNodeClicked c2\nNodeMoved c2\nNodeClicked c2\n"
                               "BeforeSetParent c2 c1\nAfterSetParent c2\nNodeClicked c2\n"
                               "BeforeSetParent c2 r1\nAfterSetParent c2\nNodeClicked c2\n");

    sink.cancel = true;
    tree->ExecuteCommand("MoveRight");
    EXPECT_EQ(Children("r1"), "c1,c2,c3");
    EXPECT_EQ(sink.log.Take(), "BeforeSetParent c2 c1\n");

    // A handler that selects another node during the move keeps that selection.
    sink.cancel = false;
    sink.act["BeforeSetParent"] = [&] { tree->SetSelectedItem(&N("r2")); };
    tree->ExecuteCommand("MoveRight");
    EXPECT_EQ(Children("c1"), "g1,c2");
    EXPECT_EQ(sink.log.Take(), "BeforeSetParent c2 c1\nNodeClicked r2\nAfterSetParent c2\n");
}

TEST_F(TreeViewTest, DeleteItemAsksUnlessTheHandlerSaysNoPrompt) {
    Family();
    tree->SetSelectedItem(&N("c1"));
    sink.cancel = true;
    tree->ExecuteCommand("DeleteItem");
    EXPECT_TRUE(tree->Nodes().Contains("c1"));

    int asked = 0;
    tree->confirmDelete = [&](qv::Node&) { return ++asked > 1; }; // no, then yes
    sink.cancel = false;
    tree->ExecuteCommand("DeleteItem");
    EXPECT_TRUE(tree->Nodes().Contains("c1"));

    sink.log.Clear();
    tree->ExecuteCommand("DeleteItem");
    EXPECT_FALSE(tree->Nodes().Contains("g1"));
    EXPECT_EQ(sink.log.Take(), "BeforeDeleteNodeEx c1\nDeleteNode c1\nNodeClicked c2\n");

    // NoPrompt: the tree's own question is skipped.
    sink.noPrompt = true;
    tree->ExecuteCommand("DeleteItem");
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(tree->Nodes().Contains("c2"));
    EXPECT_EQ(tree->SelectedItem(), &N("c3"));
}

TEST_F(TreeViewTest, HitTestCountsVisibleRows) {
    Family();
    N("r1").SetExpanded(true); // c1 stays collapsed, so g1 has no row
    EXPECT_EQ(tree->VisibleRows(), 5);
    struct Case {
        float y;
        const char* key;
    };
    const Case cases[] = {{0, "r1"},   {239.5f, "r1"},  {240, "c1"},  {480, "c2"},
                          {960, "r2"}, {1200, nullptr}, {-1, nullptr}};
    for (const auto& c : cases) {
        qv::Node* hit = tree->HitTest(100, c.y);
        EXPECT_EQ(hit ? hit->Key() : "", c.key ? c.key : "") << c.y;
    }
    EXPECT_EQ(tree->HitTest(-1, 0), nullptr);
    tree->SetTopRow(2);
    EXPECT_EQ(tree->HitTest(0, 0)->Key(), "c2");
}

// Mixed edits at random places on two trees, one taking each change at once, the other in loads
// (Redraw off) that sort later, read part way or not: every invariant holds after each step and
// both trees end alike. Catches stale sibling positions and key-index slots that only show up
// after a particular sequence.
TEST_F(TreeViewTest, RandomEditsKeepEveryInvariantWithOrWithoutALoad) {
    qv::HeadlessTreeView loaded;
    loaded.SetImageList(images.get());
    auto both = [&](const std::function<void(qv::HeadlessTreeView&)>& change) {
        change(*tree);
        change(loaded);
    };
    both([](qv::HeadlessTreeView& t) { // parents that fill up enough to be sorted in bulk
        t.Nodes().Add(nullptr, qv::rel::Last, "p", "p")->SetSorted(true);
        t.Nodes().Add(nullptr, qv::rel::Last, "q", "q")->SetSorted(true);
    });
    std::mt19937 random(20240611);
    auto pick = [&](std::size_t n) { return random() % n; };
    const std::vector<std::string> names = {"img", "Img", "file", "File", "a", "b"};
    std::vector<std::string> keys;
    for (int step = 0, next = 0; step < 2000; ++step) {
        SCOPED_TRACE(step);
        if (step % 250 == 0) loaded.SetRedraw(!loaded.Redraw());
        const std::size_t op = keys.empty() ? 0 : keys.size() > 400 ? 5 + pick(6) : pick(11);
        const std::string key = keys.empty() ? "" : keys[pick(keys.size())];
        const std::string other = keys.empty() ? "" : keys[pick(keys.size())];
        const std::string text = names[pick(names.size())] + std::to_string(pick(12));
        if (op < 5) {
            const std::string k = "k" + std::to_string(next++);
            const int how = keys.empty() || op == 0 ? qv::rel::Last
                            : op % 2                ? qv::rel::Child
                                                    : qv::rel::Previous;
            const bool sorted = pick(6) == 0;
            const std::string relative = how == qv::rel::Last                       ? ""
                                         : how == qv::rel::Previous || pick(4) == 0 ? key
                                         : pick(4)                                  ? "p"
                                                                                    : "q";
            both([&](qv::HeadlessTreeView& t) {
                t.Nodes().Add(relative, how, k, text)->SetSorted(sorted);
            });
            keys.push_back(k);
        } else if (op == 5) {
            both([&](qv::HeadlessTreeView& t) { t.Nodes().Remove(key); });
            std::erase_if(keys, [&](const std::string& k) { return !tree->Nodes().Contains(k); });
        } else if (op == 6) {
            both([&](qv::HeadlessTreeView& t) { t.Nodes().Item(key).SetText(text); });
        } else if (op == 7) {
            const qv::Variant tag = pick(2) ? qv::Variant("FileSystemFolder") : qv::Variant();
            both([&](qv::HeadlessTreeView& t) { t.Nodes().Item(key).SetTag(tag); });
        } else if (op == 8) { // a cycle is refused
            both([&](qv::HeadlessTreeView& t) {
                ErrorOf([&] { t.Nodes().Item(key).SetParent(&t.Nodes().Item(other)); });
            });
        } else {
            both([&](qv::HeadlessTreeView& t) {
                t.SetSelectedItem(&t.Nodes().Item(key));
                t.ExecuteCommand(op == 9 ? "MoveUp" : "MoveDown");
            });
        }
        if (step < 600 || step % 7 == 0) ExpectTreeInvariants(*tree);
        ASSERT_EQ(static_cast<size_t>(tree->Nodes().Count()), keys.size() + 2);
        if (step % 97 == 0 || step % 250 == 249) {
            ASSERT_EQ(DumpTree(loaded), DumpTree(*tree));
            ExpectTreeInvariants(loaded);
        }
        if (HasFailure()) return;
    }
    loaded.SetRedraw(true);
    EXPECT_EQ(DumpTree(loaded), DumpTree(*tree));
    ExpectTreeInvariants(loaded);
}

TEST(DataObjectTest, FormatsCompareByText) {
    auto data = std::make_shared<qv::HeadlessDataObject>();
    data->SetData(qv::Variant("t:1"), qv::Variant("TopicNode"));
    data->SetData(qv::Variant(7), qv::Variant(int32_t{15}));
    EXPECT_TRUE(data->GetFormat(qv::Variant("15")));
    EXPECT_EQ(data->GetData(qv::Variant("TopicNode")).ToString(), "t:1");
    EXPECT_FALSE(data->GetFormat(qv::Variant("topicnode")));
    EXPECT_EQ(ErrorOf([&] { data->GetData(qv::Variant("Quorvel.Topic")); }), 461);
    data->SetFiles({"/a/b.png"});
    EXPECT_EQ(data->Files().size(), 1u);
    EXPECT_EQ(data->TypeName(), "DataObject");

    // Empty values announce a format, once, until the data is cleared.
    qv::HeadlessDataObject announced;
    announced.SetData(qv::Variant(), qv::Variant(std::string("item")));
    announced.SetData(qv::Variant(std::string("x")), qv::Variant(std::string("text")));
    announced.SetData(qv::Variant(), qv::Variant(std::string("item")));
    EXPECT_EQ(announced.Announced(), std::vector<std::string>{"item"});
    announced.Clear();
    EXPECT_TRUE(announced.Announced().empty());
}

} // namespace
