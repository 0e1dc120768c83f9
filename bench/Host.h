#pragma once

#include "controls/HeadlessControls.h"
#include "controls/HeadlessPlatform.h"
#include "controls/ManualUiLoop.h"
#include "explorer/ProjectExplorer.h"
#include "host/FileDialogs.h"
#include "host/HostLibrariesImpl.h"
#include "host/IdeObject.h"
#include "host/MessageBoxes.h"

#include <memory>
#include <string>

namespace qvbench {

// A headless host as qvx wires one: the real controls, host libraries and IDE object, with
// message boxes and dialogs answered by script. The control must not outlive the host.
class Host {
public:
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // A control created by the container and initialised as a designer (Initialize,
    // LoadOptions), with no project yet.
    std::shared_ptr<qv::ProjectExplorer> CreateDesigner();
    const std::shared_ptr<qv::IdeObject>& Ide() const { return ide_; }
    // The IDE options, read by the designer's LoadOptions (CheckSpelling ...).
    qv::HostOptions& Options() { return libraries_.Options(); }

    // Message boxes shown since the host was made: the component reports its failures in one,
    // so a benchmark that sees any measured a failure, not a load.
    int BoxesShown() const { return boxesShown_; }
    const std::string& LastBox() const { return lastBox_; }

private:
    qv::HeadlessWindows windows_;
    qv::HeadlessKeyboard keyboard_;
    qv::ScriptedMessageBoxes boxes_;
    qv::ScriptedFileDialogs dialogs_;
    qv::HostLibrariesImpl libraries_;
    qv::HeadlessControls controls_;
    qv::ManualUiLoop ui_;
    std::shared_ptr<qv::IdeObject> ide_;
    int boxesShown_ = 0;
    std::string lastBox_;
};

} // namespace qvbench
