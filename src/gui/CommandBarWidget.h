#pragma once

#include "controls/CommandBar.h"

#include <QIcon>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QMenu;
class QToolBar;
class QToolButton;

namespace qv {

// The command bar on screen: the toolbars "Tools" and "FindBar" stacked from the top, each
// HeadlessCommandBar::ToolbarHeight twips high, and the popup menus. Every tool has one
// QAction (caption, icon, tooltip, status tip = description, checkable when it is a toggle,
// check state, enabled, visible; the Ctrl+T shortcut of AddTopic lives on it, so it works
// anywhere in the window). On a toolbar a field is a combo ("FindValue": editable) and a menu
// tool a drop-down menu ("FindIn"); in a menu a field is a submenu of its list with the list's
// icons, the item whose name is the field's text checked ("Status" on popContext).
//
// Input becomes the headless bar's gestures: triggering an action is UserClick(name) (the
// component's CommandClick); editing the find field is UserSetFieldText("FindValue", text);
// Enter in it UserKeyDown("FindValue", 13, shift); choosing a status
// UserSetFieldText("Status", name of the status). Menus are filled from the visible entries of
// their menu tool in order, a separator before each group that follows a shown entry (a
// hidden entry's group start passes to the next shown entry of its group). The command bar's
// PopupMenu shows the menu at the popup position (by default the mouse), without blocking.
// A menu tool on a toolbar whose entries are toggles ("Search In") tells beside its caption
// which of them are checked: "all", "none" or their captions. A field's drop-down opens also
// when its list is empty. Changes of the headless bar are gathered and shown once per turn of
// the event loop (Refresh shows them at once).
class CommandBarWidget final : public QWidget, private CommandBarObserver {
    Q_OBJECT
public:
    // The bar must outlive the widget; the widget is its only view.
    explicit CommandBarWidget(HeadlessCommandBar& bar, QWidget* parent = nullptr);
    ~CommandBarWidget() override;

    HeadlessCommandBar& Bar() const { return bar_; }
    // nullptr for an unknown name (Field: for a field on no toolbar).
    QAction* Action(const std::string& toolName) const;
    QToolBar* ToolBar(const std::string& barName) const;
    QComboBox* Field(const std::string& toolName) const;
    // Replaces the content of menu with the entries of the menu tool (see above).
    void FillMenu(const std::string& menuTool, QMenu& menu) const;
    // Appends the entries of the menu tool to menu, after a separator when the menu holds
    // others; a command entry calls run with its tool's name instead of clicking it (a host
    // that runs commands through ClickTool).
    void AddMenuEntries(const std::string& menuTool, QMenu& menu,
                        std::function<void(const std::string&)> run = {}) const;
    // Where PopupMenu shows its menu (global); empty: at the mouse.
    void SetPopupPosition(std::function<QPoint()> position) { popupAt_ = std::move(position); }
    // The text of the toolbar button of a menu tool; "" for none.
    QString MenuButtonText(const std::string& menuTool) const;
    // The popup menu of the last PopupMenu; nullptr before the first.
    QMenu* Popup() const { return popup_; }
    // Pixel height of the stacked visible toolbars.
    int ToolbarsHeight() const;
    // Shows the headless bar's state now.
    void Refresh();
    // The icon shown for a tool's icon id ("new topic", "delete" ...); the theme's by default.
    void SetIcon(const std::string& iconId, const QIcon& icon);

Q_SIGNALS:
    // After the toolbars changed in a way that moves what is below them.
    void layoutChanged();
    // After the user ran a command from the bar (its tool's name), or pressed Enter in a field
    // (the field's name).
    void userCommand(const QString& toolName);
    // Around a gesture that runs a find (the FindNow tool, Enter in the find field), which may
    // search the whole tree before it returns, with a wait cursor meanwhile: true before it,
    // false after it, also when it fails, and before its failure is shown.
    void searching(bool running);

private:
    void Changed() override;
    void PopupRequested(HeadlessTool& menu) override;

    void Build();
    void Execute(const std::string& toolName);
    // Runs the user's gesture on the tool under the error boundary (see searching()).
    void RunGesture(const std::string& toolName, const std::function<void()>& gesture);
    void FieldEdited(const std::string& toolName, const QString& text);
    void RefreshBar(const std::string& barName);
    QIcon IconOf(const HeadlessTool& tool) const;

    struct BarSlots;

    HeadlessCommandBar& bar_;
    std::map<std::string, std::shared_ptr<BarSlots>> slots_; // the toolbars' entries
    std::map<std::string, QAction*> actions_;
    std::map<std::string, QToolBar*> toolbars_;
    std::map<std::string, QComboBox*> fields_;
    std::map<std::string, QIcon> icons_;
    mutable std::map<std::string, QIcon> themeIcons_; // the theme's or style's, by icon ID
    std::map<std::string, QToolButton*> menuButtons_;
    std::function<QPoint()> popupAt_;
    QMenu* popup_ = nullptr;
    bool refreshPending_ = false;
    int updating_ = 0; // the widgets are being set from the bar: their signals are not gestures
};

} // namespace qv
