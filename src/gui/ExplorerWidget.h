#pragma once

#include "gui/Twips.h"

#include <QWidget>
#include <memory>

namespace qv {

class CommandBarWidget;
class KeyboardMoves;
class ProjectExplorer;
class TreeFilter;
class TreeWidget;
class WarningBarWidget;

// A ProjectExplorer on screen: its warning bar, command bar and tree as widgets. The component
// lays itself out: on every resize the widget gives it its size in twips (SetSize), then places
// each child where the component put the headless control (warning bar at its place, command
// bar at its position, the tree at its bounds inside the command bar's client area), converting
// twips with the screen's twips per pixel. A change of the warning bar or the toolbars
// re-places them. The control must have been made with the headless controls
// (HeadlessControls), else the constructor throws std::invalid_argument. The widget holds a
// reference to the control and lets go of it after its own child widgets are gone; ending the
// control (UserControl_Terminate, Designer().Terminate()) stays the host's business.
//
// What the window adds to the component's behaviour, without changing it: after the user's
// Find (Find Now, or Enter in the find field) the selected node is revealed (its ancestors
// opened, its row scrolled into view) and the keyboard stays in the find field, so that Enter
// finds the next one; a menu the component pops up for a ContextMenu raised from the keyboard
// shows at the selected row instead of the mouse.
// Above the component stands the field of the tree's filter (TreeFilter): the component is
// given the height below it. The tree takes the keyboard moves (KeyboardMoves).
class ExplorerWidget final : public QWidget {
    Q_OBJECT
public:
    explicit ExplorerWidget(std::shared_ptr<ProjectExplorer> control, QWidget* parent = nullptr);
    ~ExplorerWidget() override;

    ProjectExplorer& Control() const { return *control_; }
    TreeWidget& Tree() const { return *tree_; }
    CommandBarWidget& Commands() const { return *commands_; }
    WarningBarWidget& Warning() const { return *warning_; }
    TreeFilter& Filter() const { return *filter_; }
    KeyboardMoves& Moves() const { return *moves_; }
    TwipsScale Scale() const { return TwipsScale::Of(*this); }
    // Tells the component the current size and places the children.
    void Relayout();
    // Places the children where the headless controls are, without resizing the component.
    void PlaceChildren();
    // Puts the keyboard into the find field, showing the find bar first (the component's Find
    // command) when it is hidden. False when there is no find field to go to.
    bool FocusFindField();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void SchedulePlace();
    void UserCommand(const QString& toolName);
    int FilterHeight() const; // pixels

    std::shared_ptr<ProjectExplorer> control_;
    WarningBarWidget* warning_;
    CommandBarWidget* commands_;
    TreeWidget* tree_;
    TreeFilter* filter_;
    KeyboardMoves* moves_;
    bool placePending_ = false;
};

} // namespace qv
