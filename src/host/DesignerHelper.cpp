#include "host/DesignerHelper.h"

#include "contracts/Error.h"
#include "contracts/TreeView.h"
#include "host/Pictures.h"
#include "host/SystemColors.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace qv {

namespace {

class HostDesignerOptions : public DesignerOptions {
public:
    explicit HostDesignerOptions(const HostOptions& o) : options_(o) {}
    std::string TypeName() const override { return "DesignerOptions"; }
    bool ShowBitmapsAsIcons() const override { return options_.showBitmapsAsIcons; }
    int32_t ToolbarStyle() const override { return options_.toolbarStyle; }
    bool CheckSpelling() const override { return options_.checkSpelling; }

private:
    HostOptions options_;
};

std::string ProgramFolder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::filesystem::path folder = ec ? std::filesystem::current_path(ec) : exe.parent_path();
    std::string out = folder.string();
    if (out.empty() || out.back() != '/') out += '/';
    return out;
}

bool IsAnswerCode(int32_t code) {
    return code >= mb::Ok && code <= mb::No;
}

} // namespace

HostDesignerHelper::HostDesignerHelper(std::shared_ptr<const HostOptions> options,
                                       std::shared_ptr<qv::Registry> registry,
                                       MessageBoxService& boxes)
    : options_(std::move(options)), registry_(std::move(registry)), boxes_(boxes),
      statuses_(DefaultTopicStatuses()) {}

std::vector<TopicStatus> HostDesignerHelper::DefaultTopicStatuses() {
    return {{"Draft", "Draft", "status-draft.png"},
            {"InProgress", "In Progress", "status-inprogress.png"},
            {"Review", "Ready for Review", "status-review.png"},
            {"Complete", "Complete", "status-complete.png"}};
}

void HostDesignerHelper::SetTopicStatuses(std::optional<std::vector<TopicStatus>> statuses) {
    statuses_ = std::move(statuses);
}

void HostDesignerHelper::SetAppFolder(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    appFolder_ = std::move(folder);
}

std::shared_ptr<DesignerOptions> HostDesignerHelper::Options() {
    return std::make_shared<HostDesignerOptions>(*options_);
}

int32_t HostDesignerHelper::WarningBarStyle() const {
    return options_->warningBarStyle;
}

std::string HostDesignerHelper::ColorToHex(int32_t color) const {
    const std::optional<uint32_t> bgr = TranslateColor(color);
    if (!bgr) throw Error(err::InvalidArgument, "Invalid procedure call or argument");
    // Six digits always (a colour has 24 bits), written by hand: a load asks once for every
    // topic left out of the output, and snprintf costs ten times as much.
    std::string text = "&H000000&";
    uint32_t digits = *bgr;
    for (std::size_t i = 7; i >= 2; --i, digits >>= 4)
        text[i] = "0123456789ABCDEF"[digits & 0xF];
    return text;
}

std::shared_ptr<Picture> HostDesignerHelper::FilePicture(const std::string& path,
                                                         bool /*smallIcon*/, int32_t maskColor,
                                                         std::string& message,
                                                         int32_t /*backColor*/) {
    message.clear();
    std::error_code ec;
    std::string file = path;
    if (!std::filesystem::exists(file, ec)) std::replace(file.begin(), file.end(), '\\', '/');
    if (file.empty() || !std::filesystem::exists(file, ec)) {
        message = "File not found: " + path;
        return nullptr;
    }
    if (auto picture = LoadIconPicture(file, TranslateColor(maskColor))) return picture;
    std::string extension = std::filesystem::path(file).extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    return DocumentPicture(extension);
}

const std::vector<TopicStatus>* HostDesignerHelper::TopicStatuses() const {
    return statuses_ ? &*statuses_ : nullptr;
}

std::string HostDesignerHelper::AppFolder() const {
    return appFolder_.empty() ? ProgramFolder() : appFolder_;
}

void HostDesignerHelper::ConfirmTopicDelete(const std::shared_ptr<Topic>& /*topic*/,
                                            bool& /*cancel*/, bool& /*noPrompt*/) {}

int32_t HostDesignerHelper::MsgBoxWithAutoOption(const std::string& prompt, int32_t buttons,
                                                 const std::string& title,
                                                 const std::string& valueName,
                                                 const std::string& optionText) {
    if (!valueName.empty()) {
        try {
            const Variant stored =
                registry_->GetValue(hive::CurrentUser, kAutoOptionsKey, valueName);
            if (!stored.IsEmpty()) {
                const int32_t code = stored.ToLong();
                if (IsAnswerCode(code)) return code;
            }
        } catch (const Error&) {
            // An unreadable remembered answer is asked again.
        }
    }

    bool remember = false;
    const int32_t answer = boxes_.ShowWithOption(prompt, buttons, title, optionText, remember);
    if (remember && !valueName.empty() && answer != mb::Cancel) {
        registry_->CreateKey(hive::CurrentUser, kAutoOptionsKey);
        registry_->SetValue(hive::CurrentUser, kAutoOptionsKey, valueName, Variant(answer));
    }
    return answer;
}

int32_t HostDesignerHelper::DragDataType(const DataObject& data) const {
    try {
        const Variant format(kTypeFormat);
        if (data.GetFormat(format)) {
            const Variant value = data.GetData(format);
            if (!value.IsEmpty()) {
                const int32_t code = value.ToLong();
                if (code >= 1 && code <= 3) return code;
            }
        }
    } catch (const std::exception&) {
        // Data in our format that cannot be read counts as no type.
    }
    try {
        if (!data.Files().empty()) return 2;
    } catch (const std::exception&) {
        // Data without a file list.
    }
    return 4;
}

void HostDesignerHelper::SetDragItem(DataObject& data, const std::string& id) {
    data.SetData(Variant(id), Variant(kItemFormat));
}

void HostDesignerHelper::SetDragType(DataObject& data, int32_t type) {
    data.SetData(Variant(type), Variant(kTypeFormat));
}

void HostDesignerHelper::ApplyToolbarStyle(CommandBar& dock, int32_t style) {
    appliedStyle_ = style;
    if (styler_) styler_(dock, style);
}

} // namespace qv
