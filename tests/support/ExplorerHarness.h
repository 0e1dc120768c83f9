#pragma once

#include "contracts/ExplorerEvents.h"
#include "contracts/Platform.h"
#include "controls/CommandBar.h"
#include "controls/HeadlessControls.h"
#include "controls/HeadlessPlatform.h"
#include "controls/ManualUiLoop.h"
#include "controls/TreeView.h"
#include "explorer/ProjectExplorer.h"
#include "host/ErrorComponent.h"
#include "host/FileDialogs.h"
#include "host/HostLibrariesImpl.h"
#include "host/IdeObject.h"
#include "host/MessageBoxes.h"
#include "model/Project.h"
#include "support/EventLog.h"
#include "support/TempDir.h"

#include <memory>
#include <string>

namespace qvtest {

// A ProjectExplorer in a headless container: the real controls, model and host objects, the
// user's answers scripted, and every happening (events, host calls, message boxes, error
// reports) logged as one line each. The registry and temporary files live in a folder of the
// harness's own.
class ExplorerHarness : private qv::ExplorerEvents {
public:
    // instrumentation: the site's instance counting (nullptr: none, as in most tests).
    explicit ExplorerHarness(bool userMode = true, qv::Instrumentation* instrumentation = nullptr);
    ~ExplorerHarness();

    // Initialise as a designer with the IDE object, LoadOptions, then set QVIDE with the
    // project as the active one.
    void Open(std::shared_ptr<qv::Project> project);
    // Ends the control and creates a new one in the same container, as a host does when the
    // program starts again (the registry and options stay).
    void Restart();
    // A copy of the sample project, loaded from disk.
    std::shared_ptr<qv::Project> Sample();
    // An empty project in the harness's folder (nothing on disk until saved).
    std::shared_ptr<qv::Project> NewProject();
    // A new project with categories C1 "Basics" and C2 "Advanced", topics T1 "Intro" and
    // T2 "Next" in C1 and T3 "Deep" in C2, all Draft.
    std::shared_ptr<qv::Project> TwoCategoryProject();
    // The small project of the explorer's suites: TwoCategoryProject with T4 "Loose"
    // (Complete) un-categorized, the files images\shots\a.png and readme.txt (on disk), and
    // the profiles B1 "Web" (current, output out\web) and B2 "Compiled" (compiled help to
    // out\chm); category indexes allowed.
    std::shared_ptr<qv::Project> SmallProject();

    qv::ProjectExplorer& Control() { return *control; }
    qv::HeadlessTreeView& Tree();
    qv::HeadlessCommandBar& Dock();
    // A relative "o:" key ("o:readme.txt") is taken below the project folder.
    qv::Node& NodeAt(const std::string& key);
    void Select(const std::string& key);
    // The tree as text, after checking its invariants.
    std::string Dump();
    // Visible entries of the context menu, blank separated.
    std::string Menu();
    // The project folder with "/" at the end; "" before a project was opened.
    std::string ProjectFolder() const;

    TempDir dir;
    ScopedEnv config{"XDG_CONFIG_HOME", dir.Path().c_str()};
    ScopedEnv tmp{"TMP", dir.Path().c_str()};
    qv::ManualUiLoop ui;
    qv::HeadlessWindows windows; // the focus is in the control's tree
    qv::HeadlessKeyboard keyboard;
    qv::HeadlessControls controls;
    qv::ScriptedMessageBoxes boxes;
    qv::ScriptedFileDialogs dialogs;
    qv::HostLibrariesImpl libraries{boxes, dialogs};
    std::shared_ptr<qv::IdeObject> ide;
    std::shared_ptr<qv::Project> project;
    std::shared_ptr<qv::ProjectExplorer> control;
    EventLog log;
    std::vector<qv::ErrorComponentReport> reports; // what the error component received

private:
    void ShowSpellContextMenu(std::shared_ptr<qv::TreeViewSpell>&, float, float, float, float,
                              bool&) override {
        log.Add("event ShowSpellContextMenu");
    }
    void TopicSelected(const std::shared_ptr<qv::Topic>& topic) override;
    void OtherFileSelected(const std::shared_ptr<qv::OtherFile>& file) override;
    void FolderNodeSelected() override;
    void DoubleClick() override;
    void DesignerInitialize(const std::shared_ptr<qv::Object>&) override;
    void DesignerTerminate() override;
    void LoadProgress(const std::string& caption) override;
    void CaptureImageRequest() override;
    void ReCaptureImageRequest(const std::shared_ptr<qv::OtherFile>& file) override;
    void CreateImageMapRequest(const std::shared_ptr<qv::OtherFile>& file) override;
    void ImageProcessingRequest(const std::shared_ptr<qv::OtherFile>& file) override;
    void RefreshTools() override;
    void TopicDblClick(const std::shared_ptr<qv::Topic>& topic) override;

    void CreateControl();

    bool userMode_;
    qv::Instrumentation* instrumentation_;
    qv::Subscription events_;
};

// A short text for a value in the log: topic:ID, file:NAME (the file name alone), ...
std::string Describe(const qv::Variant& value);

} // namespace qvtest
