#pragma once

#include "AppSettings.h"
#include "controls/HeadlessControls.h"
#include "gui/ExplorerWidget.h"
#include "gui/QtFileDialogs.h"
#include "gui/QtMessageBoxes.h"
#include "gui/QtPlatform.h"
#include "gui/SpellMenu.h"
#include "host/DesktopIde.h"
#include "host/HostLibrariesImpl.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QActionGroup;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTimer;

namespace qv {
class ErrorReportLog;
class ExplorerWidget;
class Project;
class ProjectExplorer;
} // namespace qv

namespace qv::app {

class BuildReportDialog;
class BuildRunner;
class DiskRefresh;
class TopicEditor;
class UndoMenu;
struct RevealOutcome;

// The desktop program's window: the explorer of the open project on the left (a designer
// with the DesktopIde as its IDE object), topic editors in tabs on the right.
//
// Every slot catches what it raises and shows it; nothing crosses the event loop. The window
// owns the host services the component holds references to, and ends the component (designer
// Terminate, then the control's own end) before they go.
//
// Builds run in the background (BuildRunner) with a progress bar and Cancel in the status bar;
// the window stays usable and the outcome shows in a report window of its own.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppSettings& settings);
    ~MainWindow() override;

    // Opens a .qvproj file, or the one project file in a folder, after closing the open one
    // (which may ask to save). Shows why it could not and returns false. While it reads, the
    // cursor is busy and the status bar follows the load (the component's LoadProgress).
    bool OpenProject(const QString& path);
    // Asks Save / Discard / Cancel when the project or an editor is changed; false: cancelled.
    // Editors in windows of their own close with the project.
    bool CloseProject();
    // Saves the project (in one step, through the model) and every changed editor. Shows a
    // failure and returns false.
    bool SaveAll();
    // Whether the project or an editor has unsaved changes.
    bool Modified() const;

    // File > Reveal in File Manager: shows the selected node's file (a topic's content file;
    // the project file for other nodes) in the desktop's file manager; the outcome, a
    // failure too, shows in the status bar.
    RevealOutcome RevealSelected(QString& path);
    // For the script: takes the changes the system has reported on disk and tells how many
    // refreshes have begun; DiskChecked with a higher count includes those changes.
    int DiskRefreshesBegun();

    bool Building() const;
    void CancelBuild();
    BuildReportDialog* ReportWindow() const;

    // The end of the program once the event loop has returned: stops a running build, saves
    // the settings, ends the component as closing the project does (find options, instance
    // count), flushes what was written, then leaves the process without destroying the window,
    // the tree and the project object by object: the system takes the memory back at once,
    // where freeing 150,000 nodes and items one by one takes seconds.
    [[noreturn]] void EndProcess(int status);

    // For the script runner and tests.
    ProjectExplorer* Control() const;
    ExplorerWidget* Explorer() const { return explorer_; }
    const std::shared_ptr<Project>& ActiveProject() const { return project_; }
    TopicEditor* CurrentEditor() const;
    // The editors in windows of their own (Edit in New Window), oldest first.
    std::vector<TopicEditor*> WindowEditors() const;
    AppSettings& Settings() { return settings_; }
    UndoMenu* Undo() const { return undo_; }
    // Where the program tells what happened besides the status bar (the script's log).
    void SetLog(std::function<void(const QString&)> log) { log_ = std::move(log); }
    // Opens the file with the desktop's application for it; a failure (no launcher, no
    // application for the type) is shown in a message box, now or when the launcher gives up.
    void OpenOnDesktop(const QString& path);

Q_SIGNALS:
    // A build the window started has ended: finished, cancelled or failed (after the report or
    // the failure is shown).
    void BuildEnded();
    // EndProcess is about to end the process: the last moment to write to standard output.
    void Exiting();
    // The tree has caught up with changes on disk (after the offer to reload, when the project
    // file was changed by someone else); refresh as counted by DiskRefreshesBegun.
    void DiskChecked(int refresh);

protected:
    void closeEvent(QCloseEvent* event) override;
    // An editor's own window asks, as a tab does, before its changes go.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class ProjectWatcher;
    class ExplorerSink;

    void BuildMenus();
    void UpdateRecentMenu();
    void UpdateTitle();
    void RefreshEditorCaptions();
    void Note(const QString& text);
    // A step of a load, shown at once (the event loop does not run meanwhile): the status bar
    // is painted at most every 100 ms, so 100,000 steps cost nothing to speak of.
    void ShowLoadProgress(std::string_view caption, bool force = false);
    // While a find searches the tree (CommandBarWidget::searching), and until a box it asks for
    // shows ("Find Complete"): the search is over by then.
    void ShowSearching(bool running);
    // Runs f and shows what it raises; returns whether it finished.
    template <class F> bool Guard(F&& f);

    void ChooseProjectFile();
    void ChooseProjectFolder();
    void BuildCurrent();

    // What the IDE object asks of the program.
    void ShowTopicProperties(const std::shared_ptr<TopicItem>& topic);
    void EditTopic(const std::shared_ptr<TopicItem>& topic, bool newWindow);
    void EditOtherFile(const std::shared_ptr<OtherFileItem>& file);
    void EditBuildProfile(const std::shared_ptr<ProfileItem>& profile);
    void StartBuild(const std::shared_ptr<ProfileItem>& profile);
    void ShowBuildProgress();
    void ShowBuildResult(const BuildReport& report, const QString& summary);
    void BuildFailed(const QString& why);
    // Saves the expansion and the splitter, then ends the component; its objects stay.
    void EndComponent();
    // After the disk was looked at: offers to reload a project file someone else changed.
    void DiskRefreshed(bool projectFileChanged, int refresh);

    // The component's ShowSpellContextMenu: over a misspelt word of a topic title (from the
    // keyboard: in the selected row's title) one menu shows the spelling entries, then the
    // visible entries of the component's context menu (run through ClickTool), and the
    // component's own menu is cancelled.
    void ShowSpellMenu(bool& cancelDefault);
    void ApplySpellChoice(const SpellChoice& choice, const std::string& key);
    // The Build menu lists the profiles, the current one checked; choosing one makes it current.
    void FillProfileMenu(QMenu& build);
    // The current build profile's row is drawn bold and named by the Build command.
    void ShowCurrentProfile();
    bool CloseEditor(TopicEditor* editor); // asks when changed; false: cancelled
    // Save / Discard / Cancel for a changed editor, over its own window; true when its changes
    // may go (saved, discarded or none), false when cancelled or the save failed.
    bool SettleEditor(TopicEditor& editor);
    // The project as the title and the prompts name it.
    QString ProjectName() const;
    // The expanded nodes that hold children, in tree order: what restoring needs.
    QStringList ExpandedKeys() const;
    void RestoreExpansion(const QStringList& keys);
    // Selects the node and scrolls it into view, through a click so that the explorer's tools
    // follow; false (nothing changes) when the tree has no such node or no project is open.
    bool ShowNode(const std::string& key);

    AppSettings& settings_;
    QtMessageBoxes boxes_;
    QtFileDialogs dialogs_;
    TrashFileService trash_; // the author's deletes can be restored from the desktop's trash
    HostLibrariesImpl libraries_;
    QtUiLoop ui_;
    QtWindowSystem windows_;
    QtKeyboard keyboard_;
    HeadlessControls controls_;
    std::unique_ptr<ErrorReportLog> errorLog_;
    std::shared_ptr<DesktopIde> ide_;
    std::shared_ptr<Project> project_;
    std::unique_ptr<ProjectWatcher> watcher_;
    std::unique_ptr<ExplorerSink> explorerSink_;
    DiskRefresh* disk_ = nullptr; // follows the open project's files on disk
    std::function<void(const QString&)> log_;

    QSplitter* splitter_;
    QTabWidget* editors_;
    QPointer<ExplorerWidget> explorer_;
    std::vector<QPointer<TopicEditor>> windowEditors_; // editors in windows of their own
    QMenu* recentMenu_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* closeAction_ = nullptr;
    QAction* buildAction_ = nullptr;
    UndoMenu* undo_ = nullptr; // the Edit menu and the open project's undo history
    QActionGroup* profileActions_ = nullptr;
    BuildRunner* builder_;
    QTimer* buildTimer_;
    QLabel* buildLabel_;
    QProgressBar* buildProgress_;
    QPushButton* cancelBuild_;
    QString buildName_;
    QPointer<BuildReportDialog> report_;
    bool componentEnded_ = false;
    QElapsedTimer loadPainted_; // invalid outside a load
    bool searchShown_ = false;  // the status bar says the find is searching
};

} // namespace qv::app
