#include "gui/CommandBarWidget.h"

#include "GuiTestSupport.h"
#include "support/ExplorerHarness.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

namespace qvtest {
namespace {

// A menu as "name" tokens, "|" for a separator, "name>" for a submenu.
std::string MenuTokens(const QMenu& menu) {
    std::string out;
    for (QAction* a : menu.actions()) {
        if (!out.empty()) out += " ";
        out += a->isSeparator() ? "|" : a->objectName().toStdString() + (a->menu() ? ">" : "");
    }
    return out;
}

TEST(CommandBarMenu, GroupsOfHiddenEntriesPassTheirSeparatorToTheNextShownEntry) {
    qv::HeadlessCommandBar bar;
    const std::set<std::string> shown = {"AddTopic",       "MoveUp",           "Edit",
                                         "RenameCategory", "GetLatestVersion", "Build"};
    qv::Bar& menuBar = *bar.Item("popContext").SubBand();
    for (int32_t i = 1; i <= menuBar.EntryCount(); ++i)
        menuBar.EntryAt(i).SetVisible(shown.count(menuBar.EntryAt(i).Tool().Name()) != 0);
    qv::CommandBarWidget widget(bar);
    QMenu menu;
    widget.FillMenu("popContext", menu);
    // MoveUp belongs to the group AddBuildProfile starts; GetLatestVersion to CheckOut's.
    EXPECT_EQ(MenuTokens(menu),
              "AddTopic | MoveUp | Edit | RenameCategory | GetLatestVersion | Build");
}

class CommandBarWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        GuiErrors().clear();
        h.Open(h.TwoCategoryProject());
        widget = std::make_unique<qv::CommandBarWidget>(h.Dock());
    }
    QAction* MenuAction(QMenu& menu, const std::string& name) {
        for (QAction* a : menu.actions())
            if (a->objectName().toStdString() == name) return a;
        return nullptr;
    }

    ExplorerHarness h;
    std::unique_ptr<qv::CommandBarWidget> widget;
};

TEST_F(CommandBarWidgetTest, TheContextMenuShowsWhatPrintMenuLists) {
    for (const char* key : {"t:T1", "c:C1", "c:uncategorized", "topics"}) {
        SCOPED_TRACE(key);
        h.Select(key);
        QMenu menu;
        widget->FillMenu("popContext", menu);
        std::vector<QAction*> items;
        for (QAction* a : menu.actions()) {
            if (!a->isSeparator()) items.push_back(a);
        }
        const auto entries = h.Dock().VisibleMenuEntries("popContext");
        ASSERT_EQ(items.size(), entries.size()) << MenuTokens(menu);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(items[i]->objectName().toStdString(), entries[i]->Tool().Name());
            EXPECT_EQ(items[i]->text().toStdString(), entries[i]->Caption());
            EXPECT_EQ(items[i]->isEnabled(), entries[i]->Tool().Enabled());
        }
        // Separators stand only between shown entries, one at a time.
        const std::string tokens = MenuTokens(menu);
        EXPECT_EQ(tokens.find("| |"), std::string::npos) << tokens;
        EXPECT_NE(tokens.front(), '|');
        EXPECT_NE(tokens.back(), '|');
    }
}

TEST_F(CommandBarWidgetTest, ChoosingAMenuEntryIsTheToolsClick) {
    h.Select("t:T1");
    QMenu menu;
    widget->FillMenu("popContext", menu);
    QAction* moveDown = MenuAction(menu, "MoveDown");
    ASSERT_TRUE(moveDown);
    ASSERT_TRUE(moveDown->isEnabled());
    moveDown->trigger();
    EXPECT_EQ(h.NodeAt("c:C1").FirstChild()->Key(), "t:T2");

    // A host's menu takes the entries after its own, each running through the host.
    QMenu host;
    host.addAction(QStringLiteral("Spelling"));
    std::vector<std::string> ran;
    widget->AddMenuEntries("popContext", host,
                           [&](const std::string& name) { ran.push_back(name); });
    ASSERT_GT(host.actions().size(), 2);
    EXPECT_TRUE(host.actions()[1]->isSeparator());
    MenuAction(host, "MoveUp")->trigger();
    EXPECT_EQ(ran, std::vector<std::string>{"MoveUp"});
    EXPECT_EQ(h.NodeAt("c:C1").FirstChild()->Key(), "t:T2"); // not clicked as well
    EXPECT_TRUE(GuiErrors().empty());
}

TEST_F(CommandBarWidgetTest, ToolbarsFollowTheBarsAndToolsState) {
    h.Select("t:T1");
    widget->Refresh();
    QToolBar* tools = widget->ToolBar("Tools");
    QToolBar* find = widget->ToolBar("FindBar");
    ASSERT_TRUE(tools && find);
    EXPECT_FALSE(tools->isHidden());
    EXPECT_TRUE(find->isHidden());
    EXPECT_EQ(widget->Action("AddTopic")->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
    EXPECT_EQ(widget->Action("Delete")->statusTip().toStdString(), "Delete the selected item");
    EXPECT_EQ(widget->Action("Delete")->isEnabled(), h.Dock().Item("Delete").Enabled());

    widget->Action("Find")->trigger(); // the toggle shows the find bar
    EXPECT_EQ(h.Dock().Item("Find").Checked(), 1);
    EXPECT_FALSE(find->isHidden());
    EXPECT_TRUE(widget->Action("Find")->isChecked());
}

TEST_F(CommandBarWidgetTest, FieldsCarryTheUsersTextAndChoice) {
    h.Select("t:T1");
    QMenu menu;
    widget->FillMenu("popContext", menu);
    QAction* status = MenuAction(menu, "Status");
    ASSERT_TRUE(status && status->menu());
    EXPECT_EQ(status->text().toStdString(), h.Dock().Item("Status").Caption());
    QAction* draft = nullptr;
    QAction* complete = nullptr;
    for (QAction* a : status->menu()->actions()) {
        if (a->text() == QStringLiteral("Draft")) draft = a;
        if (a->text() == QStringLiteral("Complete")) complete = a;
    }
    ASSERT_TRUE(draft && complete);
    EXPECT_TRUE(draft->isChecked());
    EXPECT_FALSE(draft->icon().isNull()); // the status icons of the field's list
    complete->trigger();
    EXPECT_EQ(h.project->GetTopic("T1")->Status(), "Complete");

    h.Control().ClickTool("Find");
    widget->Refresh();
    QComboBox* value = widget->Field("FindValue");
    ASSERT_TRUE(value && value->lineEdit());
    // Its drop-down opens, empty as its list is.
    value->showPopup();
    auto* empty = value->findChild<QMenu*>(QStringLiteral("emptyList"));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->isVisible());
    value->hidePopup();
    EXPECT_FALSE(empty->isVisible());
    QTest::keyClicks(value->lineEdit(), "Deep"); // Return finds: the end-to-end "find"
    EXPECT_EQ(h.Dock().Item("FindValue").Text(), "Deep");
}

} // namespace
} // namespace qvtest
