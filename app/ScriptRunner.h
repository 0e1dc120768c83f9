#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace qv::app {

class MainWindow;

// Runs gestures on the window, one line each, after the event loop has started, for the
// end-to-end test and for looking at the program without a person:
//   select KEY        clicks the tree node with that key
//   expect KEY        fails unless the node with that key is selected
//   properties TITLE  the Properties command; the dialog gets TITLE as the topic's title, OK
//   find TEXT         shows the find bar, types TEXT into its field, clicks Find Now
//   warning           logs whether the warning bar shows, and its caption
//   click TOOL        any command of the explorer by its tool name (ClickTool)
//   build             the Build command
//   edit              the Edit command
//   save              File > Save
//   screenshot FILE   saves the window as a PNG (folders are made)
//   quit              ends the program
// Blank lines and lines starting with "#" are skipped. Every step is logged to standard output
// ("script: ..."); message boxes that come up are logged and answered with their default
// button. The first failing step ends the program with exit status 1.
class ScriptRunner final : public QObject {
    Q_OBJECT
public:
    ScriptRunner(MainWindow& window, QStringList lines);

    // Answers modal boxes from now on (also before Start, while the project opens).
    void WatchModals() { modalWatcher_.start(); }
    void Start();
    static void Log(const QString& text);

private:
    void Next();
    void Run(const QString& command, const QString& argument);
    void Fail(const QString& why);
    void AnswerModal();

    MainWindow& window_;
    QStringList lines_;
    int next_ = 0;
    QTimer modalWatcher_;
    QString pendingTitle_;
    bool failed_ = false;
};

// Saves the window as a PNG; false (with the reason in problem) when it cannot.
bool SaveScreenshot(QWidget& window, const QString& file, QString& problem);

} // namespace qv::app
