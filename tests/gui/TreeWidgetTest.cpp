#include "gui/TreeWidget.h"

#include "GuiTestSupport.h"
#include "gui/CommandBarWidget.h"
#include "gui/ExplorerWidget.h"
#include "gui/KeyboardMoves.h"
#include "gui/TreeFilter.h"
#include "gui/TreeModel.h"
#include "gui/WarningBarWidget.h"
#include "support/ExplorerHarness.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

namespace qvtest {
namespace {

class TreeWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        GuiErrors().clear();
        h.Open(h.TwoCategoryProject());
        widget = std::make_unique<qv::TreeWidget>(h.Tree());
        widget->resize(300, 400);
        widget->show();
        RunPendingEvents();
    }
    QModelIndex At(const std::string& key) { return widget->Model().IndexOf(&h.NodeAt(key)); }
    QLineEdit* Editor() { return widget->findChild<QLineEdit*>(); }

    ExplorerHarness h;
    std::unique_ptr<qv::TreeWidget> widget;
};

TEST_F(TreeWidgetTest, TheCurrentRowAndTheTreesSelectionFollowEachOther) {
    widget->setCurrentIndex(At("t:T2"));
    ASSERT_TRUE(h.Tree().SelectedItem());
    EXPECT_EQ(h.Tree().SelectedItem()->Key(), "t:T2");
    EXPECT_NE(h.log.Text().find("event TopicSelected topic:T2"), std::string::npos);
    h.Select("c:C2");
    EXPECT_EQ(widget->currentIndex(), At("c:C2"));
    h.Tree().Nodes().Remove("c:C2"); // the selection moves on in the tree, and in the view
    ASSERT_TRUE(h.Tree().SelectedItem());
    EXPECT_EQ(widget->currentIndex(), At(h.Tree().SelectedItem()->Key()));
    EXPECT_TRUE(GuiErrors().empty());
}

// Qt moves the current row itself when the tree removes it, while the view's layout still
// holds the rows moved away in the same change (a deleted category's topics): the view does
// not jump to where the next row stood, not even for a moment.
TEST_F(TreeWidgetTest, DeletingTheCurrentCategoryLeavesTheViewWhereItWas) {
    for (int i = 0; i < 200; ++i)
        h.project->AddTopic("X" + std::to_string(i), "Extra", "Extra", "C1", "Draft");
    h.NodeAt("c:C1").SetExpanded(true);
    h.Select("c:C1");
    RunPendingEvents();
    ASSERT_EQ(widget->verticalScrollBar()->value(), 0);
    QSignalSpy scrolled(widget->verticalScrollBar(), &QScrollBar::valueChanged);
    h.boxes.Queue(qv::mb::Yes);
    h.Tree().ExecuteCommand("DeleteItem"); // its topics go to (Un-categorized), then it goes
    RunPendingEvents();
    ASSERT_FALSE(h.Tree().Nodes().Contains("c:C1"));
    EXPECT_EQ(scrolled.count(), 0);
    EXPECT_EQ(widget->currentIndex(), At(h.Tree().SelectedItem()->Key()));
    EXPECT_TRUE(GuiErrors().empty());
}

TEST_F(TreeWidgetTest, ExpansionGoesBothWays) {
    const QModelIndex c1 = At("c:C1");
    h.NodeAt("c:C1").SetExpanded(true);
    EXPECT_TRUE(widget->isExpanded(c1));
    widget->collapse(c1);
    EXPECT_FALSE(h.NodeAt("c:C1").Expanded());
    h.NodeAt("c:C2").SetExpanded(false);
    h.Select("t:T3"); // selecting does not open the ancestors, in the tree or on screen
    EXPECT_FALSE(h.NodeAt("c:C2").Expanded());
    EXPECT_FALSE(widget->isExpanded(At("c:C2")));

    // The user's collapse over the selection selects the collapsed row; the component's does not.
    widget->expand(c1);
    EXPECT_TRUE(h.NodeAt("c:C1").Expanded());
    h.Select("t:T1");
    h.NodeAt("c:C1").SetExpanded(false);
    EXPECT_EQ(h.Tree().SelectedItem(), &h.NodeAt("t:T1"));
    h.NodeAt("c:C1").SetExpanded(true);
    h.log.Clear();
    widget->collapse(c1);
    EXPECT_FALSE(h.NodeAt("c:C1").Expanded());
    EXPECT_EQ(h.Tree().SelectedItem(), &h.NodeAt("c:C1"));
    EXPECT_EQ(widget->currentIndex(), c1);
    EXPECT_NE(h.log.Text().find("event FolderNodeSelected"), std::string::npos) << h.log.Text();

    // The view takes the tree's expansion anew whatever the order of its folders: here a folder
    // that gained children after its own child folder did.
    auto& nodes = h.Tree().Nodes();
    nodes.Add("c:C2", qv::rel::Child, "x:inner", "inner")->SetExpanded(true);
    nodes.Add("x:inner", qv::rel::Child, "x:leaf", "leaf");
    nodes.Add("c:C2", qv::rel::Child, "x:outer", "outer")->SetExpanded(true);
    h.NodeAt("x:inner").SetParent(&h.NodeAt("x:outer"));
    h.NodeAt("c:C2").SetExpanded(true);
    {
        const QSignalBlocker quiet(widget.get()); // the view alone forgets
        widget->collapseAll();
    }
    widget->SyncFromTree();
    EXPECT_TRUE(widget->isExpanded(At("x:outer")));
    EXPECT_TRUE(widget->visualRect(At("x:leaf")).isValid());
    EXPECT_TRUE(GuiErrors().empty());
}

// Keys reach the tree as its key codes: F2 opens a label edit (on the component's timer),
// edited in place; Delete deletes.
TEST_F(TreeWidgetTest, KeysReachTheTreeAndALabelEditIsEditedInPlace) {
    h.Select("c:C1");
    QTest::keyClick(widget.get(), Qt::Key_F2);
    h.ui.DoEvents();
    RunPendingEvents();
    QLineEdit* editor = Editor();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), QStringLiteral("Basics"));
    editor->setText(QStringLiteral("Fundamentals"));
    QTest::keyClick(editor, Qt::Key_Return);
    RunPendingEvents();
    EXPECT_FALSE(h.Tree().LabelEditOpen());
    EXPECT_EQ(h.project->GetCategory("C1")->Name(), "Fundamentals");

    h.Tree().StartLabelEdit();
    RunPendingEvents();
    ASSERT_TRUE(Editor());
    Editor()->setText(QStringLiteral("Dropped"));
    QTest::keyClick(Editor(), Qt::Key_Escape);
    RunPendingEvents();
    EXPECT_FALSE(h.Tree().LabelEditOpen());
    EXPECT_EQ(h.NodeAt("c:C1").Text(), "Fundamentals");

    h.Select("t:T3");
    QTest::keyClick(widget.get(), Qt::Key_Delete); // the boxes answer their first button
    EXPECT_FALSE(h.Tree().Nodes().Contains("t:T3"));
    EXPECT_TRUE(GuiErrors().empty());
}

TEST_F(TreeWidgetTest, ARightClickShiftF10AndTheMenuKeyAskForTheContextMenu) {
    h.NodeAt("c:C1").SetExpanded(true);
    const QRect rect = widget->visualRect(At("t:T2"));
    ASSERT_TRUE(rect.isValid());
    QContextMenuEvent event(QContextMenuEvent::Mouse, rect.center(),
                            widget->viewport()->mapToGlobal(rect.center()));
    QCoreApplication::sendEvent(widget->viewport(), &event);
    EXPECT_EQ(h.Tree().SelectedItem()->Key(), "t:T2");
    QTest::keyClick(widget.get(), Qt::Key_F10, Qt::ShiftModifier);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(0, 0),
                              widget->mapToGlobal(QPoint(0, 0)));
    QCoreApplication::sendEvent(widget.get(), &menuKey);
    const std::string log = h.log.Text(), asked = "event ShowSpellContextMenu";
    int asks = 0;
    for (auto at = log.find(asked); at != std::string::npos; at = log.find(asked, at + 1))
        ++asks;
    EXPECT_EQ(asks, 3) << log;
    EXPECT_EQ(h.Dock().LastPopup(), "popContext");
    EXPECT_EQ(h.Tree().SelectedItem(), &h.NodeAt("t:T2"));
    EXPECT_FALSE(widget->MenuAnchor()); // only while the menu is asked for
}

TEST_F(TreeWidgetTest, ACutRowTellsItsWholeLabelAndTheProgramCanTellMore) {
    h.NodeAt("c:C1").SetExpanded(true);
    auto centre = [&](const char* key) { return widget->visualRect(At(key)).center(); };
    EXPECT_EQ(widget->ToolTipAt(centre("t:T1")), QString());
    widget->resize(90, 400);
    RunPendingEvents();
    EXPECT_EQ(widget->ToolTipAt(centre("t:T1")), QStringLiteral("Intro (Intro)"));
    widget->SetToolTipProvider([](const qv::HeadlessNode& node) {
        return node.KeyRef() == "t:T2" ? QStringLiteral("/elsewhere/next.html") : QString();
    });
    EXPECT_EQ(widget->ToolTipAt(centre("t:T2")), QStringLiteral("/elsewhere/next.html"));
    EXPECT_EQ(widget->ToolTipAt(centre("t:T1")), QStringLiteral("Intro (Intro)"));
}

// The points the component gets are where the rows are drawn, whatever their height: a right
// click, a button release and a drop on a row far down the scrolled list hit that row's node.
TEST_F(TreeWidgetTest, ThePointsTheComponentGetsHitTheRowsDrawnThere) {
    for (int i = 0; i < 200; ++i)
        h.project->AddTopic("X" + std::to_string(i), "Extra", "Extra", "C2", "Draft");
    h.NodeAt("c:C2").SetExpanded(true);
    widget->scrollTo(At("t:X150"), QAbstractItemView::PositionAtTop);
    EXPECT_EQ(h.Tree().TopRow(), widget->verticalScrollBar()->value());
    EXPECT_GT(h.Tree().TopRow(), 0);
    EXPECT_EQ(h.Tree().HitTest(10, 10), &h.NodeAt("t:X150"));

    struct Hits : qv::TreeViewEvents {
        qv::HeadlessTreeView& tree;
        std::vector<std::string> seen;
        explicit Hits(qv::HeadlessTreeView& t) : tree(t) {}
        void Add(const char* event, float x, float y) {
            qv::Node* n = tree.HitTest(x, y);
            seen.push_back(std::string(event) + " " + (n ? n->Key() : "nothing"));
        }
        void ContextMenu(float x, float y, float, float, const std::string&) override {
            Add("ContextMenu", x, y);
        }
        void MouseUp(float x, float y, int16_t, int16_t) override { Add("MouseUp", x, y); }
        void OLEDragOver(qv::Node* onto, qv::DataObject&, float x, float y, int32_t&, int16_t,
                         int16_t, int16_t) override {
            Add(("OLEDragOver onto " + onto->Key()).c_str(), x, y);
        }
    } hits(h.Tree());
    const qv::Subscription subscription = h.Tree().Subscribe(hits);
    const QPoint low = widget->visualRect(At("t:X166")).center();
    ASSERT_LT(low.y(), widget->viewport()->height());
    QContextMenuEvent menu(QContextMenuEvent::Mouse, low, widget->viewport()->mapToGlobal(low));
    QCoreApplication::sendEvent(widget->viewport(), &menu);
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, low);
    std::unique_ptr<QMimeData> data(widget->Model().mimeData({At("t:X155")}));
    const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction;
    QDragEnterEvent enter(low, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget->viewport(), &enter);
    QDragMoveEvent move(low, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget->viewport(), &move);
    QDropEvent drop(QPointF(low), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget->viewport(), &drop);
    RunPendingEvents(); // the tree takes the drop once the drag is over
    EXPECT_EQ(hits.seen, (std::vector<std::string>{"ContextMenu t:X166", "MouseUp t:X166",
                                                   "OLEDragOver onto t:X166 t:X166"}));
    EXPECT_TRUE(GuiErrors().empty());
}

// What a screen reader gets of each row through Qt's accessibility interfaces: the label
// without markup, the description, the expanded state. The facts a description adds (misspelt
// words, excluded from output, missing on disk) are the end-to-end script's "a11y".
TEST_F(TreeWidgetTest, EveryRowHasAnAccessibleNameDescriptionAndState) {
    h.NodeAt("c:C1").SetExpanded(true);
    h.NodeAt("t:T2").SetText(
        "Next <FORMAT spellcheck>by <FORMAT spellerror>stpe</FORMAT></FORMAT>");
    RunPendingEvents();
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(widget.get());
    ASSERT_TRUE(view);
    std::string rows;
    for (int i = 0; i < view->childCount(); ++i) {
        QAccessibleInterface* row = view->child(i);
        if (!row || row->role() != QAccessible::TreeItem) continue;
        const QAccessible::State state = row->state();
        rows += row->text(QAccessible::Name).toStdString() + " | " +
                row->text(QAccessible::Description).toStdString() +
                (state.expanded     ? " | expanded"
                 : state.expandable ? " | collapsed"
                                    : "") +
                "\n";
    }
    EXPECT_EQ(rows, "Topics | Folder, level 1 | expanded\n"
                    "(Un-categorized) | Folder, level 2\n"
                    "Basics | Category, level 2 | expanded\n"
                    "Intro (Intro) | Topic, level 3, status Draft\n"
                    "Next by stpe | Topic, level 3, status Draft, misspelt: stpe\n"
                    "Advanced | Category, level 2 | collapsed\n"
                    "Image Files | Folder, level 1\n"
                    "Other Files | Folder, level 1\n"
                    "Build Profiles | Folder, level 1\n");
}

class ExplorerWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        GuiErrors().clear();
        h.Open(h.TwoCategoryProject());
        widget = std::make_unique<qv::ExplorerWidget>(h.control);
        widget->resize(320, 480);
        widget->show();
        widget->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(widget.get()));
        RunPendingEvents();
    }
    qv::TreeWidget& View() { return widget->Tree(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&View(), key, modifiers);
    }
    std::string Children(const std::string& key) {
        std::string keys;
        for (qv::Node* n = h.NodeAt(key).FirstChild(); n; n = n->NextSibling())
            keys += (keys.empty() ? "" : " ") + n->Key();
        return keys;
    }
    // The keys of the rows the view shows, top to bottom.
    std::string Shown() {
        std::string keys;
        for (QModelIndex i = View().Model().index(0, 0); i.isValid(); i = View().indexBelow(i))
            keys +=
                (keys.empty() ? "" : " ") + i.data(qv::TreeModel::KeyRole).toString().toStdString();
        return keys;
    }

    ExplorerHarness h;
    std::unique_ptr<qv::ExplorerWidget> widget;
};

TEST_F(ExplorerWidgetTest, ChildrenStandWhereTheComponentPutsThem) {
    // The filter's field stands on top; the component has the height below it.
    const int top = widget->Filter().Field().height();
    EXPECT_EQ(widget->Filter().Field().geometry(), QRect(0, 0, 320, top));
    const qv::TwipsScale s = widget->Scale();
    const qv::Rect dock = h.Dock().Position();
    EXPECT_EQ(dock.width, s.ToTwipsX(320));
    EXPECT_EQ(dock.height + dock.top, s.ToTwipsY(480 - top));
    EXPECT_EQ(widget->Commands().geometry(),
              QRect(s.ToPixelsX(dock.left), top + s.ToPixelsY(dock.top), s.ToPixelsX(dock.width),
                    s.ToPixelsY(dock.height)));
    EXPECT_TRUE(widget->Warning().isHidden());
    // Each part has a name a screen reader can say.
    for (const auto& [part, name] : std::vector<std::pair<QWidget*, const char*>>{
             {static_cast<QWidget*>(&widget->Tree()), "Project explorer"},
             {static_cast<QWidget*>(&widget->Warning()), "Warning bar"},
             {static_cast<QWidget*>(widget->Commands().ToolBar("Tools")), "Explorer toolbar"},
             {static_cast<QWidget*>(widget->Commands().ToolBar("FindBar")), "Find bar"}}) {
        ASSERT_TRUE(part) << name;
        EXPECT_EQ(QAccessible::queryAccessibleInterface(part)->text(QAccessible::Name), name);
    }
    // The tree fills the client area under the one visible toolbar.
    EXPECT_EQ(widget->Tree().geometry().top(),
              widget->Commands().geometry().top() +
                  s.ToPixelsY(qv::HeadlessCommandBar::ToolbarHeight));

    h.project->Save();
    h.project->SetProjectReadOnly(true);
    RunPendingEvents();
    EXPECT_FALSE(widget->Warning().isHidden());
    EXPECT_TRUE(widget->Warning().Caption().endsWith(QStringLiteral(") is read-only")));
    EXPECT_EQ(widget->Warning().geometry().top(), top);
    // The command bar starts one pixel below the bar.
    EXPECT_EQ(widget->Commands().geometry().top(), widget->Warning().geometry().bottom() + 2);
}

// What a search finds, shown, with the keyboard left in the field: the end-to-end script's
// "find". Where it looks shows beside the field.
TEST_F(ExplorerWidgetTest, TheFindBarSaysWhereTheSearchLooks) {
    ASSERT_TRUE(widget->FocusFindField()); // the find bar shows first
    EXPECT_EQ(h.Dock().Item("Find").Checked(), 1);
    qv::CommandBarWidget& commands = widget->Commands();
    EXPECT_EQ(commands.MenuButtonText("FindIn"), QStringLiteral("Search In: all"));
    h.Control().ClickTool("FindInCaption");
    commands.Refresh();
    EXPECT_EQ(commands.MenuButtonText("FindIn"),
              QStringLiteral("Search In: Topic Name, Image Names"));
    h.Control().ClickTool("FindInName");
    h.Control().ClickTool("FindInImageName");
    commands.Refresh();
    EXPECT_EQ(commands.MenuButtonText("FindIn"), QStringLiteral("Search In: none"));
    EXPECT_TRUE(GuiErrors().empty());
}

TEST_F(ExplorerWidgetTest, AltUpAndAltDownMoveWhereTheExplorerEnablesMoveUpAndMoveDown) {
    h.Select("t:T1");
    Key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Children("c:C1"), "t:T2 t:T1");
    EXPECT_EQ(h.project->Topics()->Item(1)->ID(), "T2"); // the project follows the tree
    EXPECT_EQ(h.Tree().SelectedItem(), &h.NodeAt("t:T1"));
    Key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(Children("c:C1"), "t:T1 t:T2");

    // Nothing moves above "(Un-categorized)": the explorer disables MoveUp there.
    h.Select("c:C1");
    ASSERT_FALSE(h.Control().ToolStatus("MoveUp"));
    const std::string tree = h.Dump();
    Key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(h.Dump(), tree);
    Key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Children("topics"), "c:uncategorized c:C2 c:C1");
    EXPECT_TRUE(GuiErrors().empty());
}

TEST_F(ExplorerWidgetTest, CutAndPasteDropTheCutNodeIntoTheSelectedOneAsADragDoes) {
    qv::KeyboardMoves& moves = widget->Moves();
    h.Select("t:T3");
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(moves.CutKey(), "t:T3");
    EXPECT_EQ(View().FadedRow(), View().Model().IndexOf(&h.NodeAt("t:T3")));
    h.Select("c:C1");
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(h.NodeAt("t:T3").Parent(), &h.NodeAt("c:C1"));
    EXPECT_EQ(h.project->GetTopic("T3")->Category()->ID(), "C1");
    EXPECT_TRUE(moves.CutKey().empty());
    EXPECT_FALSE(View().FadedRow().isValid());

    // A category never goes into another one: the drop is refused, the cut stays until Escape.
    h.Select("c:C2");
    Key(Qt::Key_X, Qt::ControlModifier);
    h.Select("c:C1");
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(h.NodeAt("c:C2").Parent(), &h.NodeAt("topics"));
    EXPECT_EQ(moves.CutKey(), "c:C2");
    Key(Qt::Key_Escape);
    EXPECT_TRUE(moves.CutKey().empty());
    EXPECT_FALSE(View().FadedRow().isValid());
    EXPECT_TRUE(GuiErrors().empty());
}

TEST_F(ExplorerWidgetTest, TheFilterShowsMatchesAndTheirFoldersOnScreenOnly) {
    h.project->AddTopic("T4", "Setup", "Installing the Tool", "C2", "Draft");
    h.NodeAt("c:C1").SetExpanded(false);
    h.NodeAt("c:C2").SetExpanded(false);
    h.Select("t:T1");
    RunPendingEvents();
    const std::string shown = Shown(), tree = h.Dump();
    h.log.Clear();
    ModelTesterFailures().clear();
    qv::TreeModel& model = View().Model();
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    qv::TreeFilter& filter = widget->Filter();
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"TOOL", "topics c:C2 t:T4"},               // a title, whatever the case
        {"setup", "topics c:C2 t:T4"},              // a name
        {"*xt", "topics c:C1 t:T2"},                // a pattern: the whole value
        {"x*", ""},                                 // no value starts with x
        {"*e*p", "topics c:C2 t:T3 t:T4"},          // "next" does not end with p
        {"?e*", "topics c:C1 t:T2 c:C2 t:T3 t:T4"}, // "?": any one character
        {"s?tu", "topics c:C2 t:T4"},               // without "*": anywhere, as a text is
        {"adv", "topics c:C2"},                     // a category, without its topics
    };
    const QColor base = filter.Field().palette().color(QPalette::Base);
    for (const auto& [text, expected] : cases) {
        filter.Apply(text);
        EXPECT_EQ(Shown(), expected) << text;
        // The field says when nothing matches.
        EXPECT_EQ(filter.Field().palette().color(QPalette::Base) != base, *expected == '\0')
            << text;
    }
    // The tree saw none of it: nodes, expansion, selection and events are as they were.
    EXPECT_EQ(h.Dump(), tree);
    EXPECT_EQ(h.log.Text(), "");
    // A row picked on the filtered view is its node's: T4 is the first row of C2 there, not T3.
    filter.Apply("setup");
    View().setCurrentIndex(model.index(0, 0, model.IndexOf(&h.NodeAt("c:C2"))));
    EXPECT_EQ(h.Tree().SelectedItem(), &h.NodeAt("t:T4"));
    // A folder the author closes stays closed at the next key.
    View().collapse(model.IndexOf(&h.NodeAt("c:C2")));
    filter.Apply("setu");
    EXPECT_FALSE(View().isExpanded(model.IndexOf(&h.NodeAt("c:C2"))));
    // Cleared, the filter leaves the node picked meanwhile in sight: its folder opens.
    filter.Field().clear();
    EXPECT_TRUE(h.NodeAt("c:C2").Expanded());

    // The tree changes meanwhile: the filter applies to its new rows on the next turn.
    QTest::keyClicks(&filter.Field(), QStringLiteral("deep"));
    h.project->AddTopic("T5", "Deeper", "Deeper", "C1", "Draft");
    RunPendingEvents();
    EXPECT_EQ(Shown(), "topics c:C1 t:T5 c:C2 t:T3");
    // A drop before the first row of C1 there goes before T5, past the rows left out.
    std::unique_ptr<QMimeData> data(model.mimeData({model.IndexOf(&h.NodeAt("t:T3"))}));
    ASSERT_TRUE(
        model.dropMimeData(data.get(), Qt::MoveAction, 0, 0, model.IndexOf(&h.NodeAt("c:C1"))));
    RunPendingEvents();
    EXPECT_EQ(Children("c:C1"), "t:T1 t:T2 t:T3 t:T5");
    EXPECT_EQ(Shown(), "topics c:C1 t:T3 t:T5");
    // A shown row that moves among shown rows shows where it went at once; one that goes leaves.
    h.Select("t:T5");
    Key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(Shown(), "topics c:C1 t:T5 t:T3");
    h.project->RemoveTopic("T5");
    EXPECT_EQ(Shown(), "topics c:C1 t:T3");
    // Escape shows every row again, with the tree's own expansion (C2 opened above, C1 by the
    // drop).
    QTest::keyClick(&filter.Field(), Qt::Key_Escape);
    EXPECT_TRUE(filter.Field().text().isEmpty());
    EXPECT_EQ(filter.Matches(), 0);
    EXPECT_EQ(Shown(), "topics c:uncategorized c:C1 t:T1 t:T2 t:T3 c:C2 t:T4 images other "
                       "buildprofiles")
        << h.Dump();
    EXPECT_TRUE(GuiErrors().empty());
    EXPECT_TRUE(ModelTesterFailures().empty()) << ModelTesterFailures().front();
}
} // namespace
} // namespace qvtest
