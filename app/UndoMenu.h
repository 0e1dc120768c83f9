#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QAction;
class QMenu;
class QWidget;

namespace qv {
class Project;
class TrashFileService;
class UndoHistory;
} // namespace qv

namespace qv::app {

// Edit > Undo and Redo (Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y) over the open project's UndoHistory,
// the one history of every change to the project, whatever made it.
//
// A step is what changed between two gestures: every key press (but those typed into a tree's
// label editor), shortcut, mouse press and drop that reaches the program while no modal dialog
// is open ends the step before it. The questions a gesture asks (a delete's confirmation,
// "delete the file from disk?") and the dialogs it opens are modal, so their answers stay in
// the gesture's step; the name typed for a new category stays in the step that made it. Text
// fields (the label editor, the find field, a topic editor) keep Ctrl+Z for their own text.
class UndoMenu final : public QObject {
    Q_OBJECT
public:
    // Adds the two actions to the menu; failures are shown over the window.
    UndoMenu(QMenu& menu, QWidget& window);
    ~UndoMenu() override;

    // The history of a project just loaded: call before anything else subscribes to its
    // events. The trash must outlive the history (until Close).
    void Open(const std::shared_ptr<Project>& project, TrashFileService& trash);
    void Close();
    // Ends the open step, for gestures that come without input events (a script's lines).
    void Break();
    // The project was just saved: undoing or redoing back to here leaves it unchanged.
    void MarkSaved();
    // Takes back (does again) the last step and returns its name ("Delete"); "" when there
    // was none. A failure is shown in a message box after the rest of the step was done.
    QString Undo();
    QString Redo();

    QAction* UndoAction() const { return undo_; }
    QAction* RedoAction() const { return redo_; }

Q_SIGNALS:
    // Undo or Redo changed the project; shownKey is the node of the item it is about, to
    // select and show ("" when it only took items away: the tree's own selection stays).
    void Applied(const QString& shownKey);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString Run(bool undo);
    void Refresh();      // the actions' texts and enabled states
    void QueueRefresh(); // once per turn of the event loop, however many changes come

    QWidget& window_;
    QAction* undo_;
    QAction* redo_;
    std::unique_ptr<UndoHistory> history_;
    bool refreshQueued_ = false;
};

} // namespace qv::app
