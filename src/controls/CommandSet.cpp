#include "controls/CommandSet.h"

#include "contracts/CommandBar.h"

namespace qv {
namespace {

constexpr int32_t Button = toolkind::Button;
constexpr int32_t Field = toolkind::Field;
constexpr int32_t Menu = toolkind::Menu;
constexpr bool Toggle = true;
constexpr bool Plain = false;

// clang-format off
constexpr ToolDef kTools[] = {
    // name, kind, caption, tooltip, description, icon [, toggle, style, shortcut, width]
    {"AddCategory", Button, "New &Category", "Add a new category",
        "Add a new category to the project", "new category"},
    {"AddTopic", Button, "New &Topic...", "Add a new topic",
        "Add a new topic to the project", "new topic", Plain, ToolStyle::Icon, "Ctrl+T"},
    {"AddOtherFile", Button, "Add &Other File to Project...", "",
        "Add an external file to the project", "add other file"},
    {"Delete", Button, "&Delete", "Delete the selected item",
        "Delete the selected item", "delete"},
    {"MoveUp", Button, "Move &Up", "", "Move the selected item up", "up arrow"},
    {"MoveDown", Button, "Mo&ve Down", "", "Move the selected item down", "down arrow"},
    {"MoveLeft", Button, "Move &Left", "", "Move the selected item up a level in the tree", ""},
    {"MoveRight", Button, "Move &Right", "", "Move the selected item to the right in the tree",
        ""},
    {"popContext", Menu, "", "", "", ""},
    {"Properties", Button, "&Properties...", "Item Properties",
        "Edit the properties of the selected item", ""},
    {"AddImage", Button, "Add &Image to Project...", "Add one or more Image files to the project",
        "Add one or more Image files to the project", "add image"},
    {"Status", Field, "&Status:", "", "", "", Plain, ToolStyle::Icon, "", 100},
    {"Edit", Button, "&Edit", "", "Edit the selected item", "edit"},
    {"CheckIn", Button, "Check &In", "", "Check this Topic in to SourceSafe", "check in"},
    {"CheckOut", Button, "Check &Out", "", "Check this Topic out of SourceSafe", "check out"},
    {"UndoCheckOut", Button, "&Undo Check Out", "",
        "Undo the Check Out, losing changes since this item was Checked Out of Sourcesafe",
        "undo check out"},
    {"GetLatestVersion", Button, "Get &Latest Version", "", "", "get latest version"},
    {"FindValue", Field, "Look for:", "", "", "", Plain, ToolStyle::Icon, "", 73},
    {"FindInName", Button, "Topic Name", "", "", "", Toggle},
    {"FindInCaption", Button, "Topic Title", "", "", "", Toggle},
    {"FindNow", Button, "Find Now", "", "", "", Plain, ToolStyle::Caption},
    {"Find", Button, "Find", "", "", "find", Toggle, ToolStyle::IconAndCaption},
    {"FindInImageName", Button, "Image Names", "", "", "", Toggle},
    {"ReCaptureImage", Button, "&Re-Capture Image...", "", "", "refresh capture"},
    {"CaptureImage", Button, "&Capture Image...", "Capture a new image", "Capture a new image",
        "new capture"},
    {"CreateImageMap", Button, "Create User Interface &Map...",
        "Create a new image map for this image", "Create a new User Interface Map or this image",
        "image map"},
    {"FindIn", Menu, "Search In", "", "", ""},
    {"OpenImageProcessing", Button, "&Image Editor...", "Open the Image Processing Tool",
        "Open the Image Editor", "image processing"},
    {"RenameCategory", Button, "&Rename", "", "", ""},
    {"LocateNode", Button, "&Locate Topic in TOC Editor", "", "", "node"},
    {"IncludeInOutput", Button, "Include in Output", "", "", "", Toggle},
    {"IncludeInBookletOutput", Button, "Include in Booklet Output", "", "", ""},
    {"AddBuildProfile", Button, "New Build &Profile", "", "Add a new Build Profile to the project",
        "new build profile"},
    {"AddBuildFlag", Button, "New Build &Flag", "", "", "new build flag"},
    {"AddBooklet", Button, "New &Booklet", "", "Add a new Booklet to the project", "new booklet"},
    {"Build", Button, "Build this Build Profile", "", "", "build"},
    {"MakeThumbnail", Button, "&Create Thumbnail", "", "", "thumbnail"},
    {"EditNewWindow", Button, "Edit in New &Window", "", "", "edit"},
    {"AutoGenerateCategoryIndex", Button, "Generate &Index Entries for this Category", "", "", "",
        Toggle},
};

// CaptureImage stands on no bar: only ClickTool reaches it.
constexpr BarDef kBars[] = {
    {"Tools", "", true,
        "|Edit Delete |MoveUp MoveDown |Find MoveLeft(hidden) MoveRight(hidden)"},
    {"FindBar", "", false, "FindValue FindIn |FindNow"},
    {"CommandBar", "popContext", true,
        "AddCategory AddTopic AddImage AddOtherFile "
        "|AddBuildProfile AddBuildFlag AddBooklet MoveUp MoveDown "
        "|Edit EditNewWindow LocateNode "
        "|RenameCategory "
        "|MakeThumbnail OpenImageProcessing ReCaptureImage CreateImageMap Status "
        "|Delete "
        "|CheckIn "
        "|CheckOut GetLatestVersion UndoCheckOut "
        "|Properties "
        "|IncludeInOutput IncludeInBookletOutput "
        "|Build AutoGenerateCategoryIndex"},
    {"CommandBar", "FindIn", true, "FindInName FindInCaption FindInImageName"},
};
// clang-format on

} // namespace

std::span<const ToolDef> CommandSetTools() {
    return kTools;
}
std::span<const BarDef> CommandSetBars() {
    return kBars;
}

} // namespace qv
