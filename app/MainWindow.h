#pragma once

#include "AppSettings.h"
#include "controls/HeadlessControls.h"
#include "gui/ExplorerWidget.h"
#include "gui/QtFileDialogs.h"
#include "gui/QtMessageBoxes.h"
#include "gui/QtPlatform.h"
#include "host/DesktopIde.h"
#include "host/HostLibrariesImpl.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;

namespace qv {
class ErrorReportLog;
class ExplorerWidget;
class Project;
class ProjectExplorer;
} // namespace qv

namespace qv::app {

class TopicEditor;

// The desktop program's window: the explorer of the open project on the left (a designer
// with the DesktopIde as its IDE object), topic editors in tabs on the right.
//
// Every slot catches what it raises and shows it; nothing crosses the event loop. The window
// owns the host services the component holds references to, and ends the component (designer
// Terminate, then the control's own end) before they go.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppSettings& settings);
    ~MainWindow() override;

    // Opens a .qvproj file, or the one project file in a folder, after closing the open one
    // (which may ask to save). Shows why it could not and returns false.
    bool OpenProject(const QString& path);
    // Asks Save / Discard / Cancel when the project or an editor is changed; false: cancelled.
    bool CloseProject();
    // Saves the project (in one step, through the model) and every changed editor. Shows a
    // failure and returns false.
    bool SaveAll();
    // Whether the project or an editor has unsaved changes.
    bool Modified() const;

    // For the script runner and tests.
    ProjectExplorer* Control() const;
    ExplorerWidget* Explorer() const { return explorer_; }
    const std::shared_ptr<Project>& ActiveProject() const { return project_; }
    TopicEditor* CurrentEditor() const;
    AppSettings& Settings() { return settings_; }
    // Where the program tells what happened besides the status bar (the script's log).
    void SetLog(std::function<void(const QString&)> log) { log_ = std::move(log); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class ProjectWatcher;
    class ExplorerSink;

    void BuildMenus();
    void UpdateRecentMenu();
    void UpdateTitle();
    void RefreshEditorCaptions();
    void Note(const QString& text);
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
    void ShowBuildResult(const ProfileItem& profile, const BuildReport& report);

    // The component's ShowSpellContextMenu: over a misspelt word of a topic title, the spelling
    // menu replaces the component's own context menu.
    void ShowSpellMenu(bool& cancelDefault);
    bool CloseEditor(TopicEditor* editor); // asks when changed; false: cancelled
    QStringList ExpandedKeys() const;
    void RestoreExpansion(const QStringList& keys);

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
    std::function<void(const QString&)> log_;

    QSplitter* splitter_;
    QTabWidget* editors_;
    QPointer<ExplorerWidget> explorer_;
    std::vector<QPointer<TopicEditor>> windowEditors_; // editors in windows of their own
    QMenu* recentMenu_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* closeAction_ = nullptr;
    QAction* buildAction_ = nullptr;
};

} // namespace qv::app
