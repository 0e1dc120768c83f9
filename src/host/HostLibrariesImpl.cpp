#include "host/HostLibrariesImpl.h"

#include "contracts/Error.h"
#include "host/EnvironmentHelper.h"
#include "host/HelpContext.h"
#include "host/Pictures.h"
#include "host/Registry.h"
#include "host/SharedHelper.h"
#include "model/FileObject.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace qv {

namespace {
constexpr int32_t kInvalidPicture = 481;

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}
} // namespace

HostLibrariesImpl::HostLibrariesImpl(MessageBoxService& boxes, FileDialogs& dialogs)
    : boxes_(boxes), dialogs_(dialogs), options_(std::make_shared<HostOptions>()),
      errorComponent_(std::make_shared<qv::ErrorComponent>()) {}

std::shared_ptr<HostDesignerHelper> HostLibrariesImpl::Designer() {
    if (!designer_) designer_ = std::make_shared<HostDesignerHelper>(options_, Registry(), boxes_);
    return designer_;
}

std::shared_ptr<qv::SharedHelper> HostLibrariesImpl::SharedHelper() {
    if (!shared_) shared_ = std::make_shared<HostSharedHelper>(options_, dialogs_);
    return shared_;
}

std::shared_ptr<qv::DesignerHelper> HostLibrariesImpl::DesignerHelper() {
    return Designer();
}

std::shared_ptr<qv::Registry> HostLibrariesImpl::Registry() {
    if (!registry_) registry_ = std::make_shared<HostRegistry>();
    return registry_;
}

std::shared_ptr<qv::EnvironmentHelper> HostLibrariesImpl::EnvironmentHelper() {
    if (!environment_) environment_ = std::make_shared<HostEnvironmentHelper>();
    return environment_;
}

std::shared_ptr<FileObject> HostLibrariesImpl::NewFileObject() {
    return MakeFileObject();
}

std::shared_ptr<Picture> HostLibrariesImpl::LoadPicture(const std::string& path) {
    std::string file = path;
    if (!Exists(file)) std::replace(file.begin(), file.end(), '\\', '/');
    if (file.empty() || !Exists(file)) throw Error(err::FileNotFound, "File not found");
    auto picture = LoadIconPicture(file);
    if (!picture) throw Error(kInvalidPicture, "Invalid picture");
    return picture;
}

std::shared_ptr<Dispatch> HostLibrariesImpl::CreateObject(const std::string& className) {
    if (options_->errorComponent &&
        AsciiLower(className) == AsciiLower(qv::ErrorComponent::kClassName))
        return errorComponent_;
    throw Error(err::CannotCreateObject, "ActiveX component can't create object");
}

int32_t HostLibrariesImpl::MsgBox(const std::string& prompt, int32_t buttons,
                                  const std::string& title) {
    return boxes_.Show(prompt, buttons, title);
}

namespace {
class DialogImageFileDialog final : public ImageFileDialog {
public:
    explicit DialogImageFileDialog(FileDialogs& dialogs) : dialogs_(dialogs) {}
    std::string TypeName() const override { return "ImageFileDialog"; }
    std::vector<std::string> BrowseForImages(const std::string& title, const std::string& filter,
                                             const std::string&, const std::string& startFolder,
                                             bool multiSelect) override {
        return dialogs_.OpenFiles(title, filter, startFolder, multiSelect);
    }

private:
    FileDialogs& dialogs_;
};
} // namespace

std::shared_ptr<qv::HelpAttributes> HostLibrariesImpl::HelpAttributes() {
    if (!helpAttributes_) helpAttributes_ = std::make_shared<HostHelpAttributes>();
    return helpAttributes_;
}

std::shared_ptr<qv::ImageFileDialog> HostLibrariesImpl::ImageFileDialog() {
    return std::make_shared<DialogImageFileDialog>(dialogs_);
}

} // namespace qv
