#pragma once

#include "contracts/ExplorerEvents.h"
#include "contracts/Platform.h"
#include "controls/CommandBar.h"
#include "controls/HeadlessControls.h"
#include "controls/HeadlessPlatform.h"
#include "controls/ManualUiLoop.h"
#include "controls/TreeView.h"
#include "explorer/ProjectExplorer.h"
#include "host/FileDialogs.h"
#include "host/HostLibrariesImpl.h"
#include "host/IdeObject.h"
#include "host/MessageBoxes.h"
#include "host/PosixInstrumentation.h"
#include "model/Project.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace qvx {

// A project file that cannot be read: qvx stops with exit status 2.
class ProjectLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One qvx session: the control with every outside party played headless, and the script
// commands that drive it. Every happening is printed to the output as one line, in order.
class Session final : private qv::ExplorerEvents {
public:
    // instrumentation: the instance counting's channel and counter for the controls, pumped
    // for broadcasts after every line; nullptr for none. It must outlive the session.
    explicit Session(std::ostream& out, qv::PosixInstrumentation* instrumentation = nullptr);
    ~Session();

    // Runs one script line (already split into arguments). Throws UsageError for a line that
    // cannot run and ProjectLoadError for a project file that cannot be read; a failure that
    // comes back out of the control prints a "raised" line and the session goes on.
    void Run(const std::vector<std::string>& args);
    // After each line: monitors' broadcasts arrive, then pending UI work runs (the one-tick
    // timer of a label edit).
    void LetPendingWorkRun();
    // The control ends as its container closes it (the same lines as the session's end
    // prints); returned, so that a process about to end without destructors keeps what it
    // built for the process's end to take at once, rather than freeing a large tree node by
    // node. nullptr when no control is open.
    std::shared_ptr<qv::ProjectExplorer> EndControlKept();

private:
    void Open(const std::string& projectFile);
    void Load(const std::string& projectFile, const std::string& flags);
    std::shared_ptr<qv::Project> ReadProject(const std::string& projectFile);
    void CreateControl(bool designer);
    void EndControl();
    void SetOption(const std::string& name, const std::string& value);
    void ApplyOptions() { libraries_.Options() = options_; }
    void SetProperty(const std::string& name, const std::string& value);
    void CallMethod(const std::vector<std::string>& args);
    void Print(const std::vector<std::string>& args);
    void PrintTree();
    void ProjectCommand(const std::vector<std::string>& args);
    void Answer(const std::vector<std::string>& args);
    void Choose(const std::vector<std::string>& args);

    qv::ProjectExplorer& Control();
    qv::HeadlessTreeView& Tree();
    qv::HeadlessCommandBar& Dock();
    qv::Project& ActiveProject();
    qv::Node& NodeByKey(const std::string& key);
    std::string ExpandPath(const std::string& path) const;
    std::string FullPath(const std::string& path) const;
    // Runs a call into the control; a failure that comes back out prints "raised".
    template <class F> void Guard(F&& call);
    void Line(const std::string& text);

    // ExplorerEvents
    void ShowSpellContextMenu(std::shared_ptr<qv::TreeViewSpell>& spell, float clientX,
                              float clientY, float screenX, float screenY,
                              bool& cancelDefault) override;
    void TopicSelected(const std::shared_ptr<qv::Topic>& topic) override;
    void OtherFileSelected(const std::shared_ptr<qv::OtherFile>& file) override;
    void FolderNodeSelected() override;
    void DoubleClick() override;
    void DesignerInitialize(const std::shared_ptr<qv::Object>& ide) override;
    void DesignerTerminate() override;
    void LoadProgress(const std::string& caption) override;
    void CaptureImageRequest() override;
    void ReCaptureImageRequest(const std::shared_ptr<qv::OtherFile>& file) override;
    void CreateImageMapRequest(const std::shared_ptr<qv::OtherFile>& file) override;
    void ImageProcessingRequest(const std::shared_ptr<qv::OtherFile>& file) override;
    void RefreshTools() override;
    void TopicDblClick(const std::shared_ptr<qv::Topic>& topic) override;

    std::ostream& out_;
    qv::PosixInstrumentation* instrumentation_;
    qv::ManualUiLoop ui_;
    qv::HeadlessWindows windows_;
    qv::HeadlessKeyboard keyboard_;
    qv::HeadlessControls controls_;
    qv::ScriptedMessageBoxes boxes_;
    qv::ScriptedFileDialogs dialogs_;
    qv::HostLibrariesImpl libraries_;
    // The options the script has set; the host's own take them at the next open, load or
    // loadoptions, as an IDE hands its options over when it (re)loads a designer.
    qv::HostOptions options_;
    std::shared_ptr<qv::IdeObject> ide_;
    std::shared_ptr<qv::Project> project_;
    std::string projectFolder_;
    std::shared_ptr<qv::ProjectExplorer> control_;
    qv::Subscription events_;
};

} // namespace qvx
