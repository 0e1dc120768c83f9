#include "TreeFixture.h"
#include "controls/DataObject.h"
#include "support/ErrorOf.h"

namespace {

using qvtest::ExpectTreeInvariants;
using qvtest::TreeSink;

class TreeGesturesTest : public qvtest::TreeFixture {
protected:
    void SetUp() override {
        TreeFixture::SetUp();
        Build();
    }
    // a { a1 a2 a3 } b { b1 } c with a1 selected, anew; forgets the log.
    void Build() {
        tree->Nodes().Clear();
        Add("", qv::rel::Last, "a", "", "folder");
        Add("a", qv::rel::Child, "a1", "", "doc");
        Add("a", qv::rel::Child, "a2");
        Add("a", qv::rel::Child, "a3");
        Add("", qv::rel::Last, "b");
        Add("b", qv::rel::Child, "b1");
        Add("", qv::rel::Last, "c");
        N("a1").SetExpandedImage("folder");
        tree->SetSelectedItem(&N("a1"));
        sink.log.Clear();
    }
    // Keys of the whole tree in NextNode order, children in braces.
    std::string Shape() {
        std::string out;
        std::function<void(qv::Node*)> walk = [&](qv::Node* n) {
            for (; n; n = n->NextSibling()) {
                out += (out.empty() || out.back() == '{' ? "" : " ") + n->Key();
                if (n->FirstChild()) {
                    out += " {";
                    walk(n->FirstChild());
                    out += "}";
                }
            }
        };
        walk(tree->Nodes().First());
        return out;
    }
    // Runs a gesture, expects it to pass on the named handler's exception, checks the tree.
    void ExpectPassesOn(const std::string& event, const std::function<void()>& gesture) {
        sink.throwOn = event;
        EXPECT_THROW(gesture(), std::runtime_error) << event;
        sink.throwOn.clear();
        ExpectTreeInvariants(*tree);
        EXPECT_EQ(tree->DropHighlight(), nullptr) << event;
    }
};

TEST_F(TreeGesturesTest, LabelEditOpensCommitsAndLetsTheHandlerChangeTheText) {
    tree->StartLabelEdit();
    EXPECT_EQ(sink.log.Take(), "BeforeLabeleEdit a1\n");
    ASSERT_TRUE(tree->LabelEditOpen());
    EXPECT_EQ(tree->EditingNode(), &N("a1"));
    sink.renameTo = "Renamed";
    tree->FinishLabelEdit("typed");
    EXPECT_EQ(sink.log.Take(), "AfterLabelEdit a1 typed\n");
    EXPECT_EQ(N("a1").Text(), "Renamed");
    EXPECT_FALSE(tree->LabelEditOpen());
    tree->FinishLabelEdit("late"); // no edit open: nothing
    EXPECT_EQ(sink.log.Take(), "");
    EXPECT_EQ(tree->LabelEditRequests(), 1);
}

TEST_F(TreeGesturesTest, LabelEditIsRefusedOrClosedWithoutCommitting) {
    sink.cancel = true;
    tree->StartLabelEdit();
    EXPECT_FALSE(tree->LabelEditOpen());
    sink.cancel = false;
    const std::vector<std::function<void()>> closers = {
        [&] { tree->CancelLabelEdit(); }, [&] { N("a").Remove(); }, // removes the edited node's parent
        [&] { tree->Click(&N("b")); },    [&] { tree->LoseFocus(); }, [&] { tree->KeyDown(27, 0); },
    };
    for (std::size_t i = 0; i < closers.size(); ++i) {
        if (!tree->Nodes().Contains("a")) Add("", qv::rel::Last, "a");
        if (!tree->Nodes().Contains("a1")) Add("a", qv::rel::Child, "a1");
        tree->SetSelectedItem(&N("a1"));
        tree->StartLabelEdit();
        ASSERT_TRUE(tree->LabelEditOpen()) << i;
        closers[i]();
        EXPECT_FALSE(tree->LabelEditOpen()) << i;
        EXPECT_EQ(sink.log.Text().find("AfterLabelEdit"), std::string::npos) << i;
        ExpectTreeInvariants(*tree);
    }
    tree->SetSelectedItem(nullptr);
    sink.log.Clear();
    tree->StartLabelEdit();
    EXPECT_EQ(sink.log.Take(), "");
    EXPECT_FALSE(tree->LabelEditOpen());
}

TEST_F(TreeGesturesTest, AddSiblingAddsAfterTheSelectionSelectsAndEditsIt) {
    tree->AddSibling();
    EXPECT_EQ(sink.log.Take(), "BeforeAddSibling a1 new:1 New Item doc/folder\n"
                               "AfterAddSibling new:1\nNodeClicked new:1\n"
                               "BeforeLabeleEdit new:1\n");
    EXPECT_EQ(Shape(), "a {a1 new:1 a2 a3} b {b1} c");
    qv::Node& added = N("new:1");
    EXPECT_EQ(added.Text(), "New Item");
    EXPECT_EQ(added.Image(), "doc");
    EXPECT_EQ(added.ExpandedImage(), "folder");
    EXPECT_EQ(tree->SelectedItem(), &added);
    EXPECT_EQ(tree->EditingNode(), &added);

    // Under a sorted parent the new node takes its sorted place.
    N("a").SetSorted(true);
    tree->SetSelectedItem(&N("a1"));
    tree->AddSibling();
    EXPECT_EQ(Shape(), "a {a1 a2 a3 new:1 new:2} b {b1} c");
}

TEST_F(TreeGesturesTest, AddSiblingCancelledOrRefusedAddsNothing) {
    sink.cancel = true;
    tree->KeyDown(45, 0); // Insert
    EXPECT_EQ(sink.log.Take(), "KeyDown 45 0\nBeforeAddSibling a1 new:1 New Item doc/folder\n");
    sink.cancel = false;
    // A key the handler takes from an existing node is refused.
    struct KeyTaker : qv::TreeViewEvents {
        void BeforeAddSibling(qv::Node&, std::string& key, std::string&, std::string&, std::string&,
                              bool&) override {
            key = "b";
        }
    } taker;
    qv::Subscription s2 = tree->Subscribe(taker);
    EXPECT_EQ(qvtest::ErrorOf([&] { tree->AddSibling(); }), 35602);
    EXPECT_EQ(tree->Nodes().Count(), 7);
    EXPECT_EQ(Shape(), "a {a1 a2 a3} b {b1} c");
}

TEST_F(TreeGesturesTest, DragMovesOnlyWhereTheTargetAllows) {
    struct Case {
        std::string source, target;
        int32_t relationship, allowDrop, effect;
        std::string shape, moveEvents;
    };
    const std::string same = "a {a1 a2 a3} b {b1} c";
    const Case cases[] = {
        {"a1", "a3", qv::rel::Last, 4, 2, "a {a2 a3 a1} b {b1} c", "NodeMoved a1\n"},
        {"a3", "a1", qv::rel::Previous, 2, 2, "a {a3 a1 a2} b {b1} c", "NodeMoved a3\n"},
        {"a2", "b", qv::rel::Child, 1, 2, "a {a1 a3} b {b1 a2} c",
         "BeforeSetParent a2 b\nAfterSetParent a2\n"},
        {"a2", "b1", qv::rel::Previous, 7, 2, "a {a1 a3} b {a2 b1} c",
         "BeforeSetParent a2 b\nAfterSetParent a2\nNodeMoved a2\n"},
        {"a2", "b", qv::rel::Child, 2, 2, same, ""}, // into not allowed
        {"a2", "b", qv::rel::Child, 1, 0, same, ""}, // no effect
        {"a", "a2", qv::rel::Child, 7, 2, same, ""}, // into its own child
        {"a2", "a2", qv::rel::Last, 7, 2, same, ""}, // onto itself
    };
    for (const Case& c : cases) {
        Build();
        sink.allowDrop = c.allowDrop;
        sink.effect = c.effect;
        tree->Drag(&N(c.source), &N(c.target), c.relationship);
        const bool dropped = !c.moveEvents.empty();
        // The data is supplied on request before the target decides where a drop may go.
        std::string expected = (c.source == "a1" ? "" : "NodeClicked " + c.source + "\n") +
                               "OLEStartDrag\nOLESetData item\nOLESetData type\n"
                               "NodeBeforeDropHighlight " +
                               c.target + " " + std::to_string(c.relationship) +
                               " files=0\nOLEDragOver " + c.target + " 2\n" + c.moveEvents +
                               (dropped ? "NodeClicked " + c.source + "\n" : "") + // in place
                               "OLECompleteDrag " + (dropped ? "2" : "0") + "\n";
        EXPECT_EQ(sink.log.Take(), expected) << c.source << " " << c.target;
        EXPECT_EQ(Shape(), c.shape) << c.source << " " << c.target;
        EXPECT_EQ(tree->DropHighlight(), nullptr);
        ExpectTreeInvariants(*tree);
    }
}

TEST_F(TreeGesturesTest, DragWithoutEffectsOrCancelledMovesNothing) {
    sink.allowedEffects = 0;
    tree->Drag(&N("a1"), &N("b"), qv::rel::Child);
    EXPECT_EQ(sink.log.Take(), "OLEStartDrag\n");
    sink.allowedEffects = 3;
    sink.cancel = true;
    tree->Drag(&N("a1"), &N("b"), qv::rel::Child);
    EXPECT_NE(sink.log.Take().find("BeforeSetParent a1 b\nOLECompleteDrag 2\n"), std::string::npos);
    EXPECT_EQ(Shape(), "a {a1 a2 a3} b {b1} c");
    EXPECT_THROW(tree->Drag(&N("a1"), &N("b"), 5), qv::Error);
    N("a2").SetAllowDrag(false);
    tree->Drag(&N("a2"), &N("b"), qv::rel::Child);
    EXPECT_EQ(sink.log.Take(), "NodeClicked a2\n"); // selected, but no drag starts
}

TEST_F(TreeGesturesTest, FilesDropOnlyIntoTargetsThatAllowIt) {
    struct Case {
        int32_t allowDrop, effect;
        bool dropped;
    };
    for (const Case& c : {Case{1, -1, true}, Case{6, -1, false}, Case{1, 0, false}}) {
        sink.allowDrop = c.allowDrop;
        sink.effect = c.effect;
        qv::Node* seen = nullptr;
        sink.act["ExternalOLEDragDrop"] = [&] { seen = tree->DropHighlight(); };
        tree->DropFiles(&N("b"), {"C:\\x.png", "C:\\y.png"});
        EXPECT_EQ(sink.log.Take(), std::string("NodeBeforeDropHighlight b 4 files=2\n"
                                               "OLEDragOver b 1\n") +
                                       (c.dropped ? "ExternalOLEDragDrop 1 C:\\x.png\n" : ""));
        EXPECT_EQ(seen, c.dropped ? &N("b") : nullptr);
        EXPECT_EQ(tree->DropHighlight(), nullptr);
    }
}

// Every gesture that edits when the tree is unlocked does nothing but select in mode 0.
TEST_F(TreeGesturesTest, ALockedTreeRefusesEveryEditingGesture) {
    struct Case {
        const char* name;
        std::function<void()> gesture;
        std::string lockedEvents;
    };
    const Case cases[] = {
        {"StartLabelEdit (F2)", [&] { tree->StartLabelEdit(); }, ""},
        {"Insert", [&] { tree->KeyDown(45, 0); }, "KeyDown 45 0\n"},
        {"AddSibling", [&] { tree->AddSibling(); }, ""},
        {"Delete", [&] { tree->KeyDown(46, 0); }, "KeyDown 46 0\n"},
        {"DeleteItem", [&] { tree->ExecuteCommand("DeleteItem"); }, ""},
        {"MoveUp", [&] { tree->ExecuteCommand("MoveUp"); }, ""},
        {"MoveDown", [&] { tree->ExecuteCommand("moveDOWN"); }, ""},
        {"MoveLeft", [&] { tree->ExecuteCommand("MoveLeft"); }, ""},
        {"MoveRight", [&] { tree->ExecuteCommand("MoveRight"); }, ""},
        {"drag into", [&] { tree->Drag(&N("a2"), &N("b"), qv::rel::Child); }, ""},
        {"drag before", [&] { tree->Drag(&N("a3"), &N("a1"), qv::rel::Previous); },
         "NodeClicked a3\n"}, // the press still selects
        {"drag after", [&] { tree->Drag(&N("a2"), &N("b1"), qv::rel::Last); }, ""},
        {"dropfiles", [&] { tree->DropFiles(&N("b"), {"/x.png"}); }, ""},
    };
    sink.allowDrop = 7;
    for (const Case& c : cases) {
        for (const int32_t mode : {2, 0}) {
            Build();
            Add("a2", qv::rel::Child, "a2x"); // deep enough for MoveLeft
            tree->SetSelectedItem(&N(c.name == std::string("MoveLeft") ? "a2x" : "a2"));
            tree->SetMode(mode);
            sink.log.Clear();
            const std::string before = Shape();
            c.gesture();
            const bool edited = Shape() != before || tree->LabelEditOpen() ||
                                sink.log.Text().find("ExternalOLEDragDrop") != std::string::npos;
            if (mode == 2) {
                EXPECT_TRUE(edited) << c.name << " edits nothing even unlocked";
                continue;
            }
            EXPECT_FALSE(edited) << c.name;
            EXPECT_EQ(sink.log.Take(), c.lockedEvents) << c.name;
            EXPECT_EQ(tree->DropHighlight(), nullptr) << c.name;
            ExpectTreeInvariants(*tree);
        }
    }
    tree->SetMode(2);
}

// The lock is against the user: its owner still changes the tree, and an edit open when the
// lock comes closes without committing.
TEST_F(TreeGesturesTest, ALockedTreeStillTakesItsOwnersChangesAndClosesAnOpenEdit) {
    tree->StartLabelEdit();
    ASSERT_TRUE(tree->LabelEditOpen());
    tree->SetMode(0);
    EXPECT_FALSE(tree->LabelEditOpen());
    EXPECT_EQ(tree->Mode(), 0);
    EXPECT_TRUE(tree->Locked());
    tree->FinishLabelEdit("typed");
    EXPECT_EQ(N("a1").Text(), "a1");

    Add("b", qv::rel::Child, "b2", "", "doc");
    N("a3").SetParent(&N("b"));
    N("a1").SetText("first");
    N("a1").SetImage("folder");
    N("a1").SetKey("a0");
    N("a2").Remove();
    N("b").SetExpanded(true);
    EXPECT_EQ(Shape(), "a {a0} b {b1 b2 a3} c");
    EXPECT_EQ(N("a0").Text(), "first");
    EXPECT_EQ(N("a0").Image(), "folder");
    EXPECT_TRUE(N("b").Expanded());
    EXPECT_EQ(sink.log.Take(), "BeforeLabeleEdit a1\n"); // nothing from the owner's changes
}

TEST_F(TreeGesturesTest, KeysMouseMenuAndFocusReachTheSinks) {
    tree->Move(100, 50, 300, 400);
    tree->RightClick(10, 20);
    tree->KeyUp(113, 0);
    tree->MouseUp(5, 6, 2, 0);
    tree->SetFocus();
    EXPECT_TRUE(tree->HasFocus());
    tree->LoseFocus();
    EXPECT_FALSE(tree->HasFocus());
    EXPECT_EQ(sink.log.Take(), "ContextMenu 10,20 110,70 a1\nKeyUp 113\nMouseUp 5 2\nLostFocus\n");
    tree->SetSelectedItem(nullptr);
    tree->RightClick();
    EXPECT_EQ(sink.log.Take(), "ContextMenu 0,0 100,50 \n");
    EXPECT_NE(tree->hWnd(), 0);
}

TEST_F(TreeGesturesTest, EnterCommitsAnOpenEditUnlessTheHandlerTakesTheKey) {
    tree->StartLabelEdit();
    sink.zeroKey = true;
    tree->KeyDown(13, 0);
    EXPECT_TRUE(tree->LabelEditOpen());
    tree->KeyDown(45, 0); // Insert taken by the handler too
    EXPECT_EQ(tree->Nodes().Count(), 7);
    sink.zeroKey = false;
    sink.log.Clear();
    tree->KeyDown(45, 0); // during an edit Insert belongs to the edit box
    tree->KeyDown(13, 1);
    EXPECT_EQ(sink.log.Take(), "KeyDown 45 0\nKeyDown 13 1\nAfterLabelEdit a1 a1\n");
    EXPECT_FALSE(tree->LabelEditOpen());
    EXPECT_EQ(N("a1").Text(), "a1");
}

TEST_F(TreeGesturesTest, ThrowingHandlersLeaveTheTreeValid) {
    for (const char* e :
         {"NodeClicked", "OLEStartDrag", "NodeBeforeDropHighlight", "OLEDragOver", "OLESetData",
          "BeforeSetParent", "AfterSetParent", "NodeMoved", "OLECompleteDrag"}) {
        sink.allowDrop = 7;
        tree->SetSelectedItem(&N("c"));
        ExpectPassesOn(e, [&] { tree->Drag(&N("a2"), &N("b1"), qv::rel::Previous); });
        if (tree->Nodes().Contains("a2") && N("a2").Parent() != &N("a")) N("a2").SetParent(&N("a"));
    }
    for (const char* e : {"BeforeAddSibling", "AfterAddSibling", "NodeClicked", "BeforeLabeleEdit"})
        ExpectPassesOn(e, [&] { tree->AddSibling(); });
    for (const char* e : {"NodeBeforeDropHighlight", "OLEDragOver", "ExternalOLEDragDrop"})
        ExpectPassesOn(e, [&] { tree->DropFiles(&N("b"), {"f"}); });
    tree->SetSelectedItem(&N("a1"));
    tree->StartLabelEdit();
    ExpectPassesOn("AfterLabelEdit", [&] { tree->FinishLabelEdit("x"); });
    EXPECT_FALSE(tree->LabelEditOpen());
    EXPECT_EQ(N("a1").Text(), "a1");
    ExpectPassesOn("KeyDown", [&] { tree->KeyDown(45, 0); });
    ExpectPassesOn("LostFocus", [&] { tree->LoseFocus(); });
    ExpectPassesOn("DeleteNode", [&] { tree->ExecuteCommand("DeleteItem"); });
    EXPECT_TRUE(tree->Nodes().Contains("a1"));
    // The selection has already moved when the NodeClicked handler fails.
    qv::Node* next = N("a1").NextSibling();
    ExpectPassesOn("NodeClicked", [&] { tree->Nodes().Remove("a1"); });
    EXPECT_EQ(tree->SelectedItem(), next);
}

} // namespace
