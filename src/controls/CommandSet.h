#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace qv {

// How a button presents itself on a toolbar.
enum class ToolStyle {
    Icon,           // the icon alone (menus show the caption anyway)
    Caption,        // the caption alone
    IconAndCaption, // both
};

// The design-time definition of one tool of the explorer's command bar.
struct ToolDef {
    std::string_view name;
    int32_t kind; // toolkind::Button, Field or Menu
    std::string_view caption;
    std::string_view tooltip;
    std::string_view description;
    std::string_view icon; // a short picture id; tools with the same id share the picture
    bool toggle = false;   // carries a check state
    ToolStyle style = ToolStyle::Icon;
    std::string_view shortcut = {};
    int32_t width = 0; // fields only, in layout units
};

// The design-time definition of one bar.
struct BarDef {
    std::string_view name;
    std::string_view menu; // the menu tool whose entries the bar holds; empty for a toolbar
    bool visible;
    // Tool names separated by blanks; "|" in front of a name starts a group, "(hidden)" after it
    // hides the entry.
    std::string_view entries;
};

// The explorer's tools in definition order, and its bars in band order. Both live for the whole
// program.
std::span<const ToolDef> CommandSetTools();
std::span<const BarDef> CommandSetBars();

} // namespace qv
