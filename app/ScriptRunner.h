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
//   properties TITLE  the Properties command; the dialog gets TITLE as the topic's title, OK
//   find TEXT         shows the find bar, types TEXT into its field, clicks Find Now
//   warning           logs whether the warning bar shows, and its caption
//   click TOOL        any command of the explorer by its tool name (ClickTool)
//   build             the Build command; the line ends when the build has ended and its report
//                     (or failure) shows; "build cancel" clicks Cancel as soon as it started
//   edit              the Edit command
//   save              File > Save
//   screenshot FILE   saves the window as a PNG (folders are made)
//   quit              closes the window as the user does (asking to save changes); the line
//                     ends just before the process does
// Blank lines and lines starting with "#" are skipped. Every step is logged to standard output
// ("script: ..."); message boxes that come up are logged and answered at once with their
// default button. The first failing step ends the program with exit status 1.
//
// Timing: after each line, "script: [took T ms, longest stall S ms] LINE", T from the start
// of the gesture to its end, S the longest time the event loop went without a turn while the
// line ran (a timer beats every few milliseconds; S includes up to one beat). S is how long the
// window could not answer input. The project given on the command line, opened before the
// script starts, is timed the same way as the line "(open)".
class ScriptRunner final : public QObject {
    Q_OBJECT
public:
    ScriptRunner(MainWindow& window, QStringList lines);

    // Answers modal boxes from now on (also before Start, while the project opens).
    void WatchModals();
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
    QString current_;     // the line being timed; empty between lines
    qint64 started_ = 0;  // ns on clock_
    qint64 lastTurn_ = 0; // ns on clock_
    qint64 longestStall_ = 0;
    bool waiting_ = false; // the line ends on a signal, not when Run returns
};

// Saves the window as a PNG; false (with the reason in problem) when it cannot.
bool SaveScreenshot(QWidget& window, const QString& file, QString& problem);

} // namespace qv::app
