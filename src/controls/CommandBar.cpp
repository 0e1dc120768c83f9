#include "controls/CommandBar.h"

#include "contracts/Error.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace qv {
namespace {

constexpr const char* kSource = "CommandBar";

[[noreturn]] void InvalidArgument() {
    throw Error(err::InvalidArgument, "Invalid procedure call or argument", kSource);
}

[[noreturn]] void OutOfRange() {
    throw Error(err::SubscriptOutOfRange, "Subscript out of range", kSource);
}

struct EntryDef {
    std::string_view name;
    bool beginGroup;
    bool visible;
};

// Splits the compact entry notation of BarDef::entries.
std::vector<EntryDef> ParseEntries(std::string_view text) {
    constexpr std::string_view hidden = "(hidden)";
    std::vector<EntryDef> out;
    size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == ' ') {
            ++pos;
            continue;
        }
        size_t end = text.find(' ', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view word = text.substr(pos, end - pos);
        EntryDef def{word, false, true};
        if (def.name.starts_with('|')) {
            def.beginGroup = true;
            def.name.remove_prefix(1);
        }
        if (def.name.ends_with(hidden)) {
            def.visible = false;
            def.name.remove_suffix(hidden.size());
        }
        out.push_back(def);
        pos = end;
    }
    return out;
}

} // namespace

HeadlessTool::HeadlessTool(const ToolDef& def)
    : name_(def.name), caption_(def.caption), tooltip_(def.tooltip), description_(def.description),
      shortcut_(def.shortcut), icon_(def.icon), kind_(def.kind), width_(def.width),
      toggle_(def.toggle), style_(def.style) {}

void HeadlessTool::NotifyChanged() const {
    if (owner_) owner_->NotifyChanged();
}

void HeadlessTool::AddListItem(ListItem item) {
    list_.push_back(std::move(item));
    NotifyChanged();
}

void HeadlessTool::AddImage(const std::string& key, std::shared_ptr<const Picture> picture) {
    if (!picture) InvalidArgument();
    if (!images_.emplace(key, std::move(picture)).second)
        throw Error(err::KeyNotUnique, "Key is not unique in collection", kSource);
    NotifyChanged();
}

void HeadlessEntry::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    tool_->NotifyChanged();
}

void HeadlessEntry::SetCaption(const std::string& caption) {
    if (caption_ && *caption_ == caption) return;
    caption_ = caption;
    tool_->NotifyChanged();
}

std::shared_ptr<const Picture> HeadlessTool::Image(const std::string& key) const {
    auto it = images_.find(key);
    return it == images_.end() ? nullptr : it->second;
}

Bar* HeadlessTool::SubBand() const {
    return subBand_;
}

void HeadlessTool::SyncTooltip() {
    if (!tooltip_.empty()) return;
    tooltip_ = description_;
    NotifyChanged();
}

void HeadlessBar::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    if (owner_) owner_->NotifyChanged();
}

void HeadlessBar::SetVisible(bool value) {
    if (!owner_ || menu_) {
        visible_ = value;
        return;
    }
    const Rect before = owner_->ClientArea();
    const bool changed = value != visible_;
    visible_ = value;
    if (changed) owner_->NotifyChanged();
    owner_->RaiseResizeIfChanged(before);
}

Entry& HeadlessBar::EntryAt(int32_t index) const {
    if (index < 1 || index > EntryCount()) OutOfRange();
    return *entries_[index - 1];
}

HeadlessCommandBar::HeadlessCommandBar() {
    for (const ToolDef& def : CommandSetTools()) {
        auto tool = std::make_shared<HeadlessTool>(def);
        tool->owner_ = this;
        if (!byName_.emplace(tool->name_, tool.get()).second)
            throw std::logic_error("duplicate tool " + tool->name_);
        tools_.push_back(std::move(tool));
    }
    for (const BarDef& def : CommandSetBars()) {
        HeadlessTool* menu = def.menu.empty() ? nullptr : &Find(std::string(def.menu));
        auto bar = std::make_shared<HeadlessBar>(*this, std::string(def.name), menu, def.visible);
        if (menu) menu->subBand_ = bar.get();
        for (const EntryDef& e : ParseEntries(def.entries)) {
            HeadlessTool& tool = Find(std::string(e.name));
            bar->entries_.push_back(std::make_shared<HeadlessEntry>(tool, e.beginGroup, e.visible));
        }
        bars_.push_back(std::move(bar));
    }
}

HeadlessCommandBar::~HeadlessCommandBar() {
    for (auto& bar : bars_)
        bar->owner_ = nullptr;
    for (auto& tool : tools_)
        tool->owner_ = nullptr;
}

void HeadlessCommandBar::SetRedraw(bool value) {
    if (value == redraw_) return;
    redraw_ = value;
    NotifyChanged();
}

HeadlessTool& HeadlessCommandBar::Find(const std::string& name) const {
    auto it = byName_.find(name);
    if (it == byName_.end()) InvalidArgument();
    return *it->second;
}

Tool& HeadlessCommandBar::ToolAt(int32_t index) const {
    if (index < 1 || index > ToolCount()) OutOfRange();
    return *tools_[index - 1];
}

Bar& HeadlessCommandBar::Band(int32_t index) const {
    if (index < 1 || index > BandCount()) OutOfRange();
    return *bars_[index - 1];
}

Bar& HeadlessCommandBar::Band(const std::string& name) const {
    for (const auto& bar : bars_)
        if (bar->Name() == name) return *bar;
    InvalidArgument();
}

Rect HeadlessCommandBar::ClientArea() const {
    int32_t stacked = 0;
    for (const auto& bar : bars_)
        if (!bar->Menu() && bar->Visible()) stacked += ToolbarHeight;
    return {0, stacked, position_.width, std::max(0, position_.height - stacked)};
}

void HeadlessCommandBar::PopupMenu(Tool& menu) {
    if (menu.Kind() != toolkind::Menu) InvalidArgument();
    lastPopup_ = menu.Name();
    if (observer_) observer_->PopupRequested(Find(lastPopup_));
}

void HeadlessCommandBar::Move(int32_t left, int32_t top, int32_t width, int32_t height) {
    if (width < 0 || height < 0) InvalidArgument();
    const Rect before = ClientArea();
    const Rect now{left, top, width, height};
    const bool changed = now != position_;
    position_ = now;
    if (changed) NotifyChanged();
    RaiseResizeIfChanged(before);
}

void HeadlessCommandBar::RaiseResizeIfChanged(const Rect& before) {
    if (ClientArea() != before) sinks_.Raise([](CommandBarEvents& s) { s.ClientResize(); });
}

std::vector<HeadlessEntry*>
HeadlessCommandBar::VisibleMenuEntries(const std::string& menuName) const {
    HeadlessTool& menu = Find(menuName);
    std::vector<HeadlessEntry*> out;
    if (!menu.subBand_) return out;
    for (const auto& entry : menu.subBand_->entries_)
        if (entry->Visible() && entry->Tool().Visible()) out.push_back(entry.get());
    return out;
}

bool HeadlessCommandBar::UserClick(const std::string& name) {
    HeadlessTool& tool = Find(name);
    if (!tool.Enabled() || !tool.Visible() || (surface_ && !surface_->Enabled())) return false;
    sinks_.Raise([&tool](CommandBarEvents& s) { s.CommandClick(tool); });
    return true;
}

bool HeadlessCommandBar::UserSetFieldText(const std::string& name, const std::string& text) {
    HeadlessTool& tool = Find(name);
    if (tool.Kind() != toolkind::Field) InvalidArgument();
    bool cancel = false;
    sinks_.Raise([&](CommandBarEvents& s) { s.CommandChange(tool, text, cancel); });
    if (cancel) return false;
    tool.SetText(text);
    return true;
}

int16_t HeadlessCommandBar::UserKeyDown(const std::string& name, int16_t keyCode, int16_t shift) {
    HeadlessTool& tool = Find(name);
    sinks_.Raise([&](CommandBarEvents& s) { s.CommandKeyDown(tool, keyCode, shift); });
    return keyCode;
}

} // namespace qv
