#include "Host.h"

#include <cstdlib>

namespace qvbench {

namespace {
// The status icons live in the source tree's resources; QV_RESOURCES overrides. The source
// folder comes from the build, not __FILE__, which a compiler cache may make relative.
std::string ResourceFolder() {
    if (const char* env = std::getenv("QV_RESOURCES")) return env;
    return std::string(QV_SOURCE_DIR) + "/resources";
}
} // namespace

Host::Host() : libraries_(boxes_, dialogs_) {
    boxes_.SetObserver([this](int32_t, const std::string& title, const std::string& text, int32_t) {
        ++boxesShown_;
        lastBox_ = title + ": " + text;
    });
    libraries_.Designer()->SetAppFolder(ResourceFolder());
    ide_ = std::make_shared<qv::IdeObject>(libraries_.Designer());
}

Host::~Host() = default;

std::shared_ptr<qv::ProjectExplorer> Host::CreateDesigner() {
    qv::Site site{controls_, libraries_, ui_, windows_, keyboard_, true};
    auto control = qv::ProjectExplorer::Create(site);
    control->SetSize(4800, 7200);
    control->Designer().Initialize(ide_);
    control->Designer().LoadOptions();
    return control;
}

} // namespace qvbench
