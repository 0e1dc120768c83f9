#pragma once

#include <QObject>
#include <QString>
#include <string>

namespace qv {

class ProjectExplorer;
class TreeWidget;

// Moving items of an explorer on screen without the mouse. Each gesture reaches the explorer
// the way its mouse twin does, so its checks, questions and events are the ones of that twin:
// - Alt+Up / Alt+Down: the explorer's MoveUp / MoveDown command (ClickTool), only while its
//   ToolStatus says the tool is enabled for the selected node (so nothing moves above
//   "(Un-categorized)", and nothing in a read-only project);
// - Ctrl+X: the selected node becomes the node to paste, its row drawn faded;
// - Ctrl+V: the node to paste is dragged onto the selected node and dropped into it
//   (HeadlessTreeView::Drag, rel::Child), as a drop on that row with the mouse is; the
//   explorer decides whether it lands there. Once it moved there is nothing left to paste;
// - Escape forgets the node to paste (and still reaches the tree).
// These keys are the program's: the tree gets no KeyDown for them (the explorer has none of
// its own), and a window shortcut on the same keys does not take them while the tree has the
// focus. During a label edit they are the editor's.
class KeyboardMoves final : public QObject {
    Q_OBJECT
public:
    // Both must outlive this object.
    KeyboardMoves(ProjectExplorer& control, TreeWidget& tree, QObject* parent = nullptr);

    // The gestures the keys run. Each answers whether it did something: Move whether the
    // command ran, Cut whether a node is now to be pasted, Paste whether that node moved.
    bool Move(bool up);
    bool Cut();
    bool Paste();
    void ForgetCut();
    // The key of the node to paste; empty: none.
    const std::string& CutKey() const { return cutKey_; }

Q_SIGNALS:
    // Why a gesture did nothing, for the author (a status bar).
    void notice(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowSelection();

    ProjectExplorer& control_;
    TreeWidget& tree_;
    std::string cutKey_;
};

} // namespace qv
