#include "Host.h"

#include <cstdlib>
#include <filesystem>

namespace qvbench {

namespace {
// The status icons live in the source tree's resources; QV_RESOURCES overrides.
std::string ResourceFolder() {
    if (const char* env = std::getenv("QV_RESOURCES")) return env;
    return (std::filesystem::path(__FILE__).parent_path().parent_path() / "resources").string();
}
} // namespace

class Host::Windows final : public qv::WindowSystem {
public:
    int64_t GetFocus() const override { return 0; }
    int64_t GetParent(int64_t) const override { return 0; }
    int64_t GetDesktopWindow() const override { return 1; }
    int32_t TwipsPerPixelX() const override { return 15; }
    int32_t TwipsPerPixelY() const override { return 15; }
};

class Host::Keyboard final : public qv::KeyboardState {
public:
    bool IsKeyDown(int32_t) const override { return false; }
};

Host::Host()
    : windows_(std::make_unique<Windows>()), keyboard_(std::make_unique<Keyboard>()),
      libraries_(boxes_, dialogs_) {
    boxes_.SetObserver([this](int32_t, const std::string& title, const std::string& text, int32_t) {
        ++boxesShown_;
        lastBox_ = title + ": " + text;
    });
    libraries_.Designer()->SetAppFolder(ResourceFolder());
    ide_ = std::make_shared<qv::IdeObject>(libraries_.Designer());
}

Host::~Host() = default;

std::shared_ptr<qv::ProjectExplorer> Host::CreateDesigner() {
    qv::Site site{controls_, libraries_, ui_, *windows_, *keyboard_, true};
    auto control = qv::ProjectExplorer::Create(site);
    control->SetSize(4800, 7200);
    control->Designer().Initialize(ide_);
    control->Designer().LoadOptions();
    return control;
}

} // namespace qvbench
