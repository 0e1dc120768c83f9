#pragma once

#include "contracts/HostServices.h"
#include "host/DesignerHelper.h"
#include "host/ErrorComponent.h"
#include "host/FileDialogs.h"
#include "host/FileServices.h"
#include "host/HostOptions.h"
#include "host/MessageBoxes.h"

#include <memory>
#include <string>

namespace qv {

class HostSharedHelper;

// The host libraries of a headless or desktop host. The helper objects are made on first
// use and kept, so every caller sees the same ones. The services must outlive this object
// and every helper it handed out.
class HostLibrariesImpl : public HostLibraries {
public:
    HostLibrariesImpl(MessageBoxService& boxes, FileDialogs& dialogs);

    // Live options: the helpers read them at each call.
    HostOptions& Options() { return *options_; }
    // The concrete DesignerHelper, for the host to set statuses and the program folder.
    std::shared_ptr<HostDesignerHelper> Designer();
    // The one error component; set its observer to see the reports.
    qv::ErrorComponent& ErrorComponent() { return *errorComponent_; }
    MessageBoxService& MessageBoxes() { return boxes_; }

    std::shared_ptr<qv::SharedHelper> SharedHelper() override;
    std::shared_ptr<qv::DesignerHelper> DesignerHelper() override;
    // Reads the configuration location from the environment when it is first made.
    std::shared_ptr<qv::Registry> Registry() override;
    std::shared_ptr<qv::EnvironmentHelper> EnvironmentHelper() override;
    std::shared_ptr<qv::HelpAttributes> HelpAttributes() override;
    // Shows the open-file dialog of the FileDialogs service (the default extension is not
    // needed there: the filter names the extensions).
    std::shared_ptr<qv::ImageFileDialog> ImageFileDialog() override;
    std::shared_ptr<FileObject> NewFileObject() override;
    // Permanent deletes until the host gives its own service, which must outlive this object.
    qv::FileService& FileService() override { return *files_; }
    void SetFileService(qv::FileService& files) { files_ = &files; }
    // A path as the component builds it ("...icons\x.png") is tried with "/" as well.
    std::shared_ptr<Picture> LoadPicture(const std::string& path) override;
    // "VeltaError.Error" (any case) while the ErrorComponent option is set.
    std::shared_ptr<Dispatch> CreateObject(const std::string& className) override;
    int32_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) override;

private:
    MessageBoxService& boxes_;
    FileDialogs& dialogs_;
    PermanentFileService permanentFiles_;
    qv::FileService* files_ = &permanentFiles_;
    std::shared_ptr<HostOptions> options_;
    std::shared_ptr<qv::ErrorComponent> errorComponent_;
    std::shared_ptr<HostSharedHelper> shared_;
    std::shared_ptr<HostDesignerHelper> designer_;
    std::shared_ptr<qv::Registry> registry_;
    std::shared_ptr<qv::EnvironmentHelper> environment_;
    std::shared_ptr<qv::HelpAttributes> helpAttributes_;
};

} // namespace qv
