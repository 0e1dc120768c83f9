#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qv::typeinfo {

// Identity of the library and the control; hosts bind to these and they never change.
inline constexpr std::string_view kLibraryName = "QVLiteControls2";
inline constexpr std::string_view kLibraryDescription = "Veltrane Quorvel Lite Controls";
inline constexpr int kLibraryMajor = 1;
inline constexpr int kLibraryMinor = 0;
inline constexpr int32_t kLocale = 0x409;
inline constexpr std::string_view kProgId = "QVLiteControls2.ProjectExplorer";
inline constexpr std::string_view kLibraryGuid = "{D961908F-3B59-40A4-9954-245202C7C52A}";
inline constexpr std::string_view kClassGuid = "{1EBA0607-27A1-4319-9BD8-1DAE89166F74}";
inline constexpr std::string_view kDefaultInterfaceGuid = "{33CF81FE-3FB1-487A-B018-7BCE43C56376}";
inline constexpr std::string_view kEventInterfaceGuid = "{61E05FF1-4CC9-4C11-980D-E08F5E4B0614}";
inline constexpr std::string_view kDefaultInterface = "_ProjectExplorer";
inline constexpr std::string_view kEventInterface = "__ProjectExplorer";

struct Member {
    std::string_view name;
    int32_t dispid;
    bool property;
    // How many arguments a call (a property's read) takes at most; a write takes one more.
    int8_t parameters = 0;
    // Only a property can be written, and only one that is not read-only.
    bool writable = false;
};

// The public members of _ProjectExplorer with their DISPIDs.
inline constexpr std::array<Member, 25> kMembers{{
    {"Enabled", 0x68030006, true, 0, true},
    {"QVIDE", 0x68030005, true, 0, true},
    {"ReadOnly", 0x68030004, true, 0, true},
    {"ShowToolbar", 0x68030003, true, 0, true},
    {"SelectedItem", 0x68030002, true, 0, true},
    {"Nodes", 0x68030001, true},
    {"TreeViewSpell", 0x68030000, true},
    {"LoadQVProject", 0x6003005B, false, 4},
    {"LoadQVProjectEx", 0x6003005E, false, 7},
    {"ToolStatus", 0x60030066, false, 1},
    {"ClickTool", 0x60030067, false, 1},
    {"HitTest", 0x6003006E, false, 2},
    {"SpellCheckNode", 0x6003006F, false, 1},
    {"SpellCheckCurrentNode", 0x60030070, false},
    {"InitSpell", 0x60030072, false},
    {"Terminate", 0x60030073, false},
    {"RedoSpellCheck", 0x60030075, false},
    {"RemoveBadWord", 0x60030076, false, 1},
    {"HideEditControls", 0x60030077, false},
    {"ShowOnlyFindBar", 0x60030078, false},
    {"AddFileImage", 0x6003007A, false, 1},
    {"RemoveAllFileImages", 0x6003007B, false},
    {"AddExtensionImage", 0x6003007C, false, 1},
    {"CtrlKeyPressed", 0x6003007D, false},
    {"SetToolbarStyle", 0x6003007E, false, 1},
}};

// The events of __ProjectExplorer; the number is both the DISPID and the raising index.
namespace event {
inline constexpr int32_t ShowSpellContextMenu = 1;
inline constexpr int32_t TopicSelected = 2;
inline constexpr int32_t OtherFileSelected = 3;
inline constexpr int32_t FolderNodeSelected = 4;
inline constexpr int32_t DoubleClick = 5;
inline constexpr int32_t DesignerInitialize = 6;
inline constexpr int32_t DesignerTerminate = 7;
inline constexpr int32_t LoadProgress = 8;
inline constexpr int32_t CaptureImageRequest = 9;
inline constexpr int32_t ReCaptureImageRequest = 10;
inline constexpr int32_t CreateImageMapRequest = 11;
inline constexpr int32_t ImageProcessingRequest = 12;
inline constexpr int32_t RefreshTools = 13;
inline constexpr int32_t TopicDblClick = 14;
} // namespace event

inline constexpr std::array<std::string_view, 15> kEventNames{
    "",
    "ShowSpellContextMenu",
    "TopicSelected",
    "OtherFileSelected",
    "FolderNodeSelected",
    "DoubleClick",
    "DesignerInitialize",
    "DesignerTerminate",
    "LoadProgress",
    "CaptureImageRequest",
    "ReCaptureImageRequest",
    "CreateImageMapRequest",
    "ImageProcessingRequest",
    "RefreshTools",
    "TopicDblClick",
};

} // namespace qv::typeinfo
