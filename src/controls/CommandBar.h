#pragma once

#include "contracts/CommandBar.h"
#include "contracts/Surface.h"
#include "controls/CommandSet.h"
#include "controls/SinkList.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv {

class HeadlessCommandBar;
class HeadlessBar;
class HeadlessTool;

// What a view of a HeadlessCommandBar is told. Calls come on the bar's thread; the observer must
// not change the command bar from inside a call. Changed may come many times in a row (every
// tool a selection touches): a view should gather them and redraw once.
class CommandBarObserver {
public:
    // A tool (enabled, visible, checked, text, list, images), an entry, a bar or the position.
    virtual void Changed() {}
    // PopupMenu was called with this menu tool: show its entries at the mouse.
    virtual void PopupRequested(HeadlessTool& /*menu*/) {}

protected:
    ~CommandBarObserver() = default;
};

class HeadlessTool final : public Tool {
public:
    explicit HeadlessTool(const ToolDef& def);

    std::string TypeName() const override { return "Tool"; }
    std::string Name() const override { return name_; }
    int32_t Kind() const override { return kind_; }
    std::string Caption() const override { return caption_; }
    std::string Tooltip() const override { return tooltip_; }
    std::string Description() const override { return description_; }
    std::string Shortcut() const override { return shortcut_; }
    int32_t Width() const override { return width_; }
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool value) override { Set(enabled_, value); }
    bool Visible() const override { return visible_; }
    void SetVisible(bool value) override { Set(visible_, value); }
    int16_t Checked() const override { return checked_; }
    void SetChecked(int16_t value) override { Set(checked_, value); }
    // Writing the text is the program's own act: it raises no CommandChange.
    std::string Text() const override { return text_; }
    void SetText(const std::string& text) override { Set(text_, text); }
    const std::vector<ListItem>& List() const override { return list_; }
    void AddListItem(ListItem item) override;
    bool HasImage(const std::string& key) const override { return images_.contains(key); }
    // Error 35602 for a key already present, 5 for no picture.
    void AddImage(const std::string& key, std::shared_ptr<const Picture> picture) override;
    Bar* SubBand() const override;
    // Same as SetVisible(false).
    void Hide() override { SetVisible(false); }
    // Gives a tool without a tooltip its description as tooltip; tooltips of their own stay.
    void SyncTooltip() override;

    // Design-time presentation.
    bool Toggle() const { return toggle_; }
    ToolStyle Style() const { return style_; }
    const std::string& Icon() const { return icon_; }                   // picture id; "" for none
    std::shared_ptr<const Picture> Image(const std::string& key) const; // nullptr when absent

private:
    friend class HeadlessCommandBar;
    friend class HeadlessEntry;
    template <class T, class V> void Set(T& field, const V& value) {
        if (field == value) return;
        field = value;
        NotifyChanged();
    }
    void NotifyChanged() const;

    HeadlessCommandBar* owner_ = nullptr; // nullptr once the command bar is gone
    std::string name_, caption_, tooltip_, description_, shortcut_, icon_;
    int32_t kind_;
    int32_t width_;
    bool toggle_;
    ToolStyle style_;
    bool enabled_ = true;
    bool visible_ = true;
    int16_t checked_ = 0;
    std::string text_;
    std::vector<ListItem> list_;
    std::unordered_map<std::string, std::shared_ptr<const Picture>> images_;
    HeadlessBar* subBand_ = nullptr;
};

class HeadlessEntry final : public Entry {
public:
    HeadlessEntry(HeadlessTool& tool, bool beginGroup, bool visible)
        : tool_(&tool), beginGroup_(beginGroup), visible_(visible) {}

    std::string TypeName() const override { return "Entry"; }
    qv::Tool& Tool() const override { return *tool_; }
    bool Visible() const override { return visible_; }
    void SetVisible(bool value) override;
    // The override once one was set (even ""), else the tool's caption.
    std::string Caption() const override { return caption_ ? *caption_ : tool_->Caption(); }
    void SetCaption(const std::string& caption) override;
    bool BeginGroup() const override { return beginGroup_; }

private:
    HeadlessTool* tool_;
    bool beginGroup_;
    bool visible_;
    std::optional<std::string> caption_;
};

class HeadlessBar final : public Bar {
public:
    HeadlessBar(HeadlessCommandBar& owner, std::string name, HeadlessTool* menu, bool visible)
        : owner_(&owner), name_(std::move(name)), menu_(menu), visible_(visible) {}

    std::string TypeName() const override { return "Bar"; }
    std::string Name() const override { return name_; }
    bool Visible() const override { return visible_; }
    // A toolbar's visibility changes the client area (ClientResize).
    void SetVisible(bool value) override;
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool value) override;
    int32_t EntryCount() const override { return static_cast<int32_t>(entries_.size()); }
    Entry& EntryAt(int32_t index) const override; // error 9 out of range

    // The menu tool whose entries the bar holds; nullptr for a toolbar.
    HeadlessTool* Menu() const { return menu_; }

private:
    friend class HeadlessCommandBar;
    HeadlessCommandBar* owner_; // nullptr once the command bar is gone
    std::string name_;
    HeadlessTool* menu_;
    bool visible_;
    bool enabled_ = true;
    std::vector<std::shared_ptr<HeadlessEntry>> entries_;
};

// The explorer's docking command bar without a screen: the fixed layout of the command set,
// field texts and lists, the client area left by the visible toolbars, and the user gestures
// that raise its events. Tools, bars and entries are owned by the command bar; references to
// them stay valid for its life.
class HeadlessCommandBar final : public CommandBar {
public:
    // Height in twips of each visible toolbar, stacked from the top.
    static constexpr int32_t ToolbarHeight = 390;

    HeadlessCommandBar();
    ~HeadlessCommandBar() override;
    HeadlessCommandBar(const HeadlessCommandBar&) = delete;
    HeadlessCommandBar& operator=(const HeadlessCommandBar&) = delete;

    std::string TypeName() const override { return "CommandBar"; }
    int32_t ToolCount() const override { return static_cast<int32_t>(tools_.size()); }
    Tool& ToolAt(int32_t index) const override; // error 9 out of range
    Tool& Item(const std::string& name) const override { return Find(name); }
    Tool& StateItem(const std::string& name) const override { return Find(name); }
    int32_t BandCount() const override { return static_cast<int32_t>(bars_.size()); }
    Bar& Band(int32_t index) const override;           // error 9 out of range
    Bar& Band(const std::string& name) const override; // the first of that name; error 5
    // Redraw coming back tells the observer Changed.
    void SetRedraw(bool value) override;
    int32_t BorderStyle() const override { return borderStyle_; }
    void SetBorderStyle(int32_t value) override { borderStyle_ = value; }
    void SetClientAreaFlat(int32_t value) override { clientAreaFlat_ = value; }
    Rect ClientArea() const override;
    // Records the menu as shown (error 5 for a tool that is not a menu).
    void PopupMenu(Tool& menu) override;
    // Raises ClientResize when the client area's size changes; error 5 for a negative size.
    void SetFocus() override { focused_ = true; }
    // Whether SetFocus was called (the headless bar has no other focus).
    bool Focused() const { return focused_; }
    void Move(int32_t left, int32_t top, int32_t width, int32_t height) override;
    Rect Position() const override { return position_; }
    Subscription Subscribe(CommandBarEvents& sink) override { return sinks_.Add(sink); }

    // The one view observer (nullptr: none); not owned, it must stay alive while set.
    void SetObserver(CommandBarObserver* observer) { observer_ = observer; }
    // Tells the observer Changed (not while Redraw is false).
    void NotifyChanged() const {
        if (observer_ && redraw_) observer_->Changed();
    }

    // The tool of that exact name; error 5 when there is none.
    HeadlessTool& Find(const std::string& name) const;
    bool Redraw() const { return redraw_; }
    int32_t ClientAreaFlat() const { return clientAreaFlat_; }
    // The menu tool last given to PopupMenu; "" before the first.
    const std::string& LastPopup() const { return lastPopup_; }
    // The entries of a menu tool's bar that are visible and whose tool is visible, in order.
    std::vector<HeadlessEntry*> VisibleMenuEntries(const std::string& menuName) const;

    // The control surface the bar stands on (nullptr: none); it must outlive the bar.
    void SetParentSurface(const Surface* surface) { surface_ = surface; }

    // User gestures. A click on a disabled or hidden tool, or while the surface is disabled,
    // does nothing and returns false.
    bool UserClick(const std::string& name);
    // Raises CommandChange with the new text, then sets it unless a handler cancelled; returns
    // whether it was set. Disabled fields are not refused. Error 5 for a tool that is no field.
    bool UserSetFieldText(const std::string& name, const std::string& text);
    // Raises CommandKeyDown; returns the key code as the handlers left it.
    int16_t UserKeyDown(const std::string& name, int16_t keyCode, int16_t shift);

private:
    friend class HeadlessBar;
    void RaiseResizeIfChanged(const Rect& before);

    std::vector<std::shared_ptr<HeadlessTool>> tools_;
    std::unordered_map<std::string, HeadlessTool*> byName_;
    std::vector<std::shared_ptr<HeadlessBar>> bars_;
    SinkList<CommandBarEvents> sinks_;
    CommandBarObserver* observer_ = nullptr;
    const Surface* surface_ = nullptr;
    Rect position_;
    bool redraw_ = true;
    int32_t borderStyle_ = 1;
    int32_t clientAreaFlat_ = 0;
    std::string lastPopup_;
    bool focused_ = false;
};

} // namespace qv
