#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace qv::app {

class MainWindow;

// Runs gestures on the window, one line each, after the event loop has started, for the
// end-to-end test, for timing the program and for looking at it without a person:
//   open PATH         File > Open Project: closes the open project (which may ask) and opens
//                     PATH (a .qvproj file or a folder holding one)
//   select KEY        clicks the tree node with that key
//   expect KEY        fails unless the node with that key is selected
//   expand KEY        expands the node's row in the tree view, as its expander does
//   collapse KEY      collapses it
//   delete KEY        selects the node and presses Delete in the tree
//   press KEY         presses a key in the tree, named as in a shortcut ("*", "F2", "Ctrl+C",
//                     "Alt+Up" and "Alt+Down": Move Up / Move Down when the explorer allows it)
//   cut KEY           selects the node and presses Ctrl+X in the tree: the node to paste
//   paste KEY         selects the node and presses Ctrl+V: the cut node is dropped into it as
//                     a drag would drop it; logs "moved" or "not moved"
//   filter TEXT       types TEXT into the tree's filter field, key by key, each followed by the
//                     tree's layout and paint; logs the matching items, the rows shown before
//                     and after, and the slowest and mean keystroke. "filter" alone presses
//                     Escape in the field
//   key KEY           presses a key as the keyboard does, named as in a shortcut ("Ctrl+F",
//                     "Shift+F10", "Return"): an enabled action of the window whose shortcut it
//                     is runs; otherwise the key goes to the open popup menu, else to the
//                     widget with the keyboard focus (the Menu key then also raises the
//                     keyboard's context-menu event there, as the X11 platform does)
//   type TEXT         types the text, key by key, into the widget with the keyboard focus
//   drag KEY onto KEY into|before|after
//                     drags the first node onto the second node's row, dropping on its middle
//                     (into), its upper edge (before) or its lower edge (after) through the
//                     tree view's own drop handling; logs where the node is afterwards
//   contextmenu [FILE]
//                     Shift+F10 in the tree: logs the entries of the menu that opens ("|" a
//                     separator, "(off)" a disabled entry, "[x]" a checked one), saves a
//                     picture of the window with the menu to FILE when given, then closes
//                     the menu
//   expect-visible KEY  fails unless the node's row lies within the tree's viewport
//   row KEY           logs how the node's row is drawn: text, bold or not, cut or whole,
//                     tooltip
//   menu TITLE        logs the entries of the menu bar's menu with that title ("[x]" checked)
//   properties TITLE  the Properties command; the dialog gets TITLE as the topic's title, OK
//   find TEXT         Ctrl+F's way into the find field (showing the find bar), types TEXT and
//                     presses Enter; logs the node found, whether its row shows, where the
//                     keyboard is, and which search options are on
//   warning           logs whether the warning bar shows, and its caption
//   click TOOL        any command of the explorer by its tool name (ClickTool)
//   build             the Build command; the line ends when the build has ended and its report
//                     (or failure) shows; "build cancel" clicks Cancel as soon as it started
//   button TEXT       clicks the enabled button with that text in a window of the program
//                     (e.g. "Open Contents" in the build report)
//   edit [window]     the Edit command; "edit window" the Edit in New Window command: the
//                     line ends when the topic's window is the active one (it has the
//                     keyboard) and logs how many editor windows are open
//   close editor      closes the editor last opened in a window of its own (else the current
//                     tab) as its close button does; logs its caption and whether it went
//   undo, redo        Edit > Undo or Redo; logs the step's name ("undone Delete"); fails when
//                     there is nothing to undo or redo
//   save              File > Save
//   touch PATH        as another program would: makes the file (empty) or updates its time;
//                     PATH absolute or relative to the project folder. The line ends when the
//                     tree has caught up (and an offer to reload the project was answered);
//                     it fails when that takes more than kDiskWaitMs
//   rm PATH           removes the file, and waits in the same way
//   reveal KEY        selects the node and runs File > Reveal in File Manager; logs what was
//                     shown and how ("revealed PATH (folder)"); fails when nothing could be
//   a11y KEY          logs the row's accessible name and description as a screen reader gets
//                     them from the tree view ("a11y NAME | DESCRIPTION")
//   screenshot FILE   saves the window as a PNG (folders are made)
//   quit              closes the window as the user does (asking to save changes); the line
//                     ends just before the process does
// Blank lines and lines starting with "#" are skipped. Every step is logged to standard output
// ("script: ..."); message boxes that come up are logged and answered at once with their
// default button; other dialogs are logged with their labels as shown and their default
// button, and cancelled. The first failing step ends the program with exit status 1.
//
// Timing: after each line, "script: [took T ms, longest stall S ms] LINE", T from the start
// of the gesture to its end, S the longest time the event loop went without a turn while the
// line ran (a timer beats every few milliseconds; S includes up to one beat). S is how long the
// window could not answer input. The project given on the command line, opened before the
// script starts, is timed the same way as the line "(open)": from the start of the open to
// the tree drawn.
class ScriptRunner final : public QObject {
    Q_OBJECT
public:
    static constexpr int kDiskWaitMs = 3000;

    ScriptRunner(MainWindow& window, QStringList lines);

    // Answers modal boxes from now on (also before Start, while the project opens).
    void WatchModals();
    // The project of the command line, opened and timed as the line "(open)".
    bool OpenProject(const QString& path);
    void Start();
    static void Log(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Next();
    void Run(const QString& command, const QString& argument);
    void Fail(const QString& why);
    void AnswerModal();
    // The timing of one line.
    void Begin();
    void Beat();
    void Finish();
    void LogTiming();

    MainWindow& window_;
    QStringList lines_;
    int next_ = 0;
    QTimer modalWatcher_;
    QString pendingTitle_;
    bool failed_ = false;

    QTimer heartbeat_;
    QElapsedTimer clock_;
    QString current_;       // the line being timed; empty between lines
    qint64 started_ = 0;    // ns on clock_
    qint64 startedCpu_ = 0; // ns of the UI thread's CPU time
    qint64 lastTurn_ = 0;   // ns on clock_
    qint64 longestStall_ = 0;
    bool waiting_ = false; // the line ends on a signal, not when Run returns
    int lineNumber_ = 0;   // of the line being run, to tell a late time-out from the current line
    int diskRefreshSeen_ = 0; // touch and rm wait for a refresh numbered above it
};

// Saves the window as a PNG; false (with the reason in problem) when it cannot.
bool SaveScreenshot(QWidget& window, const QString& file, QString& problem);

} // namespace qv::app
