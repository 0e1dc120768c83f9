#pragma once

#include "contracts/HostServices.h"
#include "host/HostOptions.h"
#include "host/MessageBoxes.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// The host's DesignerHelper. The message-box service must outlive the helper.
class HostDesignerHelper : public DesignerHelper {
public:
    // Where remembered answers of MsgBoxWithAutoOption live (CurrentUser), one value per
    // value name holding the answer code.
    static constexpr const char* kAutoOptionsKey = "Software\\Veltrane\\Quorvel2\\AutoOptions";
    static constexpr int32_t kItemFormat = 0x7101;
    static constexpr int32_t kTypeFormat = 0x7102;

    HostDesignerHelper(std::shared_ptr<const HostOptions> options,
                       std::shared_ptr<qv::Registry> registry, MessageBoxService& boxes);

    // Draft, InProgress, Review, Complete with their status-*.png icons.
    static std::vector<TopicStatus> DefaultTopicStatuses();
    // nullopt: the host has no status list. A pointer from TopicStatuses() stays valid until
    // the next call of this.
    void SetTopicStatuses(std::optional<std::vector<TopicStatus>> statuses);
    // "" restores the default: the folder of the running program.
    void SetAppFolder(std::string folder);
    // Draws the command bar in a style; a headless bar has no styles, so the default does
    // nothing but remember the number.
    using ToolbarStyler = std::function<void(CommandBar& dock, int32_t style)>;
    void SetToolbarStyler(ToolbarStyler styler) { styler_ = std::move(styler); }
    // The style of the last ApplyToolbarStyle; -1 before the first.
    int32_t AppliedToolbarStyle() const { return appliedStyle_; }

    std::string TypeName() const override { return "DesignerHelper"; }

    // A snapshot of the options at the time of the call.
    std::shared_ptr<DesignerOptions> Options() override;
    int32_t WarningBarStyle() const override;
    // A system colour is translated to its RGB first; one outside the known table raises 5.
    std::string ColorToHex(int32_t color) const override;
    // An image file: its own picture (maskColor drawn transparent). Any other existing file
    // or folder: a page icon coloured after the extension. backColor is not needed: pictures
    // carry transparency.
    std::shared_ptr<Picture> FilePicture(const std::string& path, bool smallIcon, int32_t maskColor,
                                         std::string& message, int32_t backColor) override;
    const std::vector<TopicStatus>* TopicStatuses() const override;
    std::string AppFolder() const override;
    // Asks nothing; Cancel and NoPrompt stay as they are.
    void ConfirmTopicDelete(const std::shared_ptr<Topic>& topic, bool& cancel,
                            bool& noPrompt) override;
    // A remembered answer is returned without asking. Otherwise the box is shown with the
    // "do this automatically" choice; when the user takes it, the answer is remembered
    // unless it is Cancel. An empty valueName never remembers.
    int32_t MsgBoxWithAutoOption(const std::string& prompt, int32_t buttons,
                                 const std::string& title, const std::string& valueName,
                                 const std::string& optionText) override;
    // Numbers below 0x8000, so they read the same as 16- and 32-bit integers.
    int32_t ItemFormat() const override { return kItemFormat; }
    int32_t TypeFormat() const override { return kTypeFormat; }
    // The type code stored by SetDragType when it is 1, 2 or 3; else 2 when the data holds
    // files; else 4.
    int32_t DragDataType(const DataObject& data) const override;
    void SetDragItem(DataObject& data, const std::string& id) override;
    void SetDragType(DataObject& data, int32_t type) override;
    void ApplyToolbarStyle(CommandBar& dock, int32_t style) override;

private:
    std::shared_ptr<const HostOptions> options_;
    std::shared_ptr<qv::Registry> registry_;
    MessageBoxService& boxes_;
    std::optional<std::vector<TopicStatus>> statuses_;
    std::string appFolder_;
    ToolbarStyler styler_;
    int32_t appliedStyle_ = -1;
};

} // namespace qv
