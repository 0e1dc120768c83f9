#pragma once

#include "contracts/Object.h"
#include "contracts/Picture.h"
#include "contracts/Subscription.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class Bar;

namespace toolkind {
inline constexpr int32_t Button = 0;
inline constexpr int32_t Field = 2;
inline constexpr int32_t Menu = 4;
} // namespace toolkind

// One item of a field's drop-down list.
struct ListItem {
    std::string text;
    std::string name;
    std::string image;
};

// A named command. A tool is shared by every bar that shows it.
class Tool : public virtual Object {
public:
    virtual std::string Name() const = 0;
    virtual int32_t Kind() const = 0;
    virtual std::string Caption() const = 0;
    virtual std::string Tooltip() const = 0;
    virtual std::string Description() const = 0;
    virtual std::string Shortcut() const = 0; // "Ctrl+T" or ""
    virtual int32_t Width() const = 0;        // fields only; layout units
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool value) = 0;
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool value) = 0; // hides or shows the tool on every bar
    virtual int16_t Checked() const = 0;     // 1 checked, 0 not
    virtual void SetChecked(int16_t value) = 0;
    // Fields: the text in the box, the drop-down list and its pictures.
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual const std::vector<ListItem>& List() const = 0;
    virtual void AddListItem(ListItem item) = 0;
    virtual bool HasImage(const std::string& key) const = 0;
    virtual void AddImage(const std::string& key, std::shared_ptr<const Picture> picture) = 0;
    // The bar that holds a menu tool's entries; nullptr for other kinds.
    virtual Bar* SubBand() const = 0;
    // The no-argument tool operation: the tool leaves every bar and menu but stays
    // addressable by name.
    virtual void Hide() = 0;
    // Start-up bookkeeping: the tooltip shown for the tool is taken from its description.
    virtual void SyncTooltip() = 0;

protected:
    ~Tool() override = default;
};

// One place of a tool on a bar, with its own visibility and caption.
class Entry : public virtual Object {
public:
    virtual qv::Tool& Tool() const = 0;
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool value) = 0;
    virtual std::string Caption() const = 0; // the tool's caption unless overridden
    virtual void SetCaption(const std::string& caption) = 0;
    virtual bool BeginGroup() const = 0;

protected:
    ~Entry() override = default;
};

class Bar : public virtual Object {
public:
    virtual std::string Name() const = 0;
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool value) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool value) = 0;
    virtual int32_t EntryCount() const = 0;
    virtual Entry& EntryAt(int32_t index) const = 0; // 1-based

protected:
    ~Bar() override = default;
};

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Events of the command bar; handlers may throw, the failure goes back to the raiser.
class CommandBarEvents {
public:
    virtual void CommandClick(Tool&) {}
    virtual void CommandKeyDown(Tool&, int16_t& /*keyCode*/, int16_t /*shift*/) {}
    virtual void CommandChange(Tool&, const std::string& /*fieldText*/, bool& /*cancel*/) {}
    virtual void ClientResize() {}

protected:
    ~CommandBarEvents() = default;
};

// The docking command bar. Its layout (tools, bars, entries) is fixed at creation.
class CommandBar : public virtual Object {
public:
    virtual int32_t ToolCount() const = 0;
    virtual Tool& ToolAt(int32_t index) const = 0;         // 1-based, definition order
    virtual Tool& Item(const std::string& name) const = 0; // exact name; error 5 unknown
    virtual Tool& StateItem(const std::string& name) const = 0;
    virtual int32_t BandCount() const = 0;
    virtual Bar& Band(int32_t index) const = 0; // 1-based
    virtual Bar& Band(const std::string& name) const = 0;
    virtual void SetRedraw(bool value) = 0;
    virtual int32_t BorderStyle() const = 0;
    virtual void SetBorderStyle(int32_t value) = 0;
    virtual void SetClientAreaFlat(int32_t value) = 0;
    virtual Rect ClientArea() const = 0;
    virtual void PopupMenu(Tool& menu) = 0;
    virtual void Move(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
    virtual Rect Position() const = 0;
    virtual void SetFocus() = 0;

    virtual Subscription Subscribe(CommandBarEvents& sink) = 0;

protected:
    ~CommandBar() override = default;
};

} // namespace qv
