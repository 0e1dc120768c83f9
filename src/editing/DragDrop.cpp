#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"

namespace qv {

using diag::Procedure;
using diag::Var;

namespace {
constexpr int32_t kTopic = 1;
constexpr int32_t kOtherFile = 2;
constexpr int32_t kCategory = 3;
constexpr int32_t kNothingUsable = 4;
} // namespace

bool ProjectExplorer::IsFileFolderNode(const Node& node) {
    const std::string key = node.Key();
    return key == "other" || key == "images" ||
           (node.Tag().Type() == VarType::String && node.Tag().ToString() == "FileSystemFolder");
}

void ProjectExplorer::tvw_OLEStartDrag(DataObject& data, int32_t& allowedEffects) {
    Procedure p(errors_, "tvw_OLEStartDrag",
                {Var::Interface("Data", data), Var::UdtParameter("AllowedEffects")});
    p.Run([&] {
        if (!mWarningBarVisible) allowedEffects = 3;
        // The data itself is supplied on request (OLESetData).
        data.SetData(Variant(), DesignerHelp().ItemFormat());
        data.SetData(Variant(), DesignerHelp().TypeFormat());
    });
}

void ProjectExplorer::tvw_OLESetData(DataObject& data, Variant& dataFormat) {
    Procedure p(errors_, "tvw_OLESetData",
                {Var::Interface("Data", data), {"DataFormat", dataFormat}});
    p.Run([&] {
        const int32_t format = dataFormat.ToLong();
        const bool item = format == DesignerHelp().ItemFormat();
        const bool type =
            static_cast<int16_t>(format) == static_cast<int16_t>(DesignerHelp().TypeFormat());
        if (!item && !type) return;
        Node* selected = tvw->SelectedItem();
        if (!selected) return;
        const std::string kind = KeyType(selected->Key());
        const int32_t code = kind == "t"   ? kTopic
                             : kind == "c" ? kCategory
                             : kind == "o" ? kOtherFile
                                           : 0;
        if (code == 0) return;
        if (item)
            DesignerHelp().SetDragItem(data, KeyValue(selected->Key()));
        else
            DesignerHelp().SetDragType(data, code);
    });
}

void ProjectExplorer::tvw_NodeBeforeDropHighlight(DataObject& data, Node* node,
                                                  int32_t& dropHighlightRelationship) {
    int32_t DataType = 0;
    Procedure p(errors_, "tvw_NodeBeforeDropHighlight",
                {Var::Interface("Data", data),
                 {"Node", node},
                 Var::UdtParameter("DropHighlightRelationship")},
                {Var::ExternalUdt("DataType"), Var::ExternalUdt("DropTarget")});
    p.Run([&] {
        Node& target = Need(node);
        const int32_t r = dropHighlightRelationship;
        const std::string kind = KeyType(target.Key());
        DataType = DesignerHelp().DragDataType(data);
        int32_t allow = drop::None;
        if (DataType == kNothingUsable) {
            allow = drop::None;
        } else if (DataType == kCategory) {
            if (kind == "c" && r != 4) allow = r == 2 ? drop::After : drop::Before;
        } else if (DataType == kTopic) {
            if (kind == "c")
                allow = r == 4 ? drop::Into : drop::None;
            else if (kind == "t" && r != 4)
                allow = r == 2 ? drop::After : drop::Before;
        } else {
            int32_t files = 0;
            diag::IgnoreErrors([&] { files = static_cast<int32_t>(data.Files().size()); });
            if (files > 0 && r == 4 && IsFileFolderNode(target)) allow = drop::Into;
        }
        target.SetAllowDrop(allow);
    });
}

void ProjectExplorer::tvw_OLEDragOver(Node* node, DataObject& data, float x, float y,
                                      int32_t& effect, int16_t, int16_t, int16_t) {
    Procedure p(errors_, "tvw_OLEDragOver",
                {{"Node", node},
                 Var::Interface("Data", data),
                 {"X", x},
                 {"Y", y},
                 Var::UdtParameter("Effect"),
                 Var::UdtParameter("Button"),
                 Var::UdtParameter("Shift"),
                 Var::UdtParameter("State")});
    p.Run([&] {
        if (!node || mWarningBarVisible)
            effect = 0;
        else if (IsFileFolderNode(*node))
            effect = node->AllowDrop() != 0 ? 1 : 0;
        else
            effect = node->AllowDrop() != 0 ? 2 : 0;
        if (effect == 0) tvw->SetDropHighlight(nullptr);
    });
}

void ProjectExplorer::tvw_OLECompleteDrag(int32_t&) {}

void ProjectExplorer::tvw_ExternalOLEDragDrop(DataObject& data, float x, float y, int32_t&, int16_t,
                                              int16_t) {
    bool autoCopy = false;
    bool cancel = false;
    Procedure p(errors_, "tvw_ExternalOLEDragDrop",
                {Var::Interface("Data", data),
                 {"X", x},
                 {"Y", y},
                 Var::UdtParameter("Effect"),
                 Var::UdtParameter("Button"),
                 Var::UdtParameter("Shift")},
                {{"AutoCopy", autoCopy}, {"Cancel", cancel}});
    p.Run([&] {
        if (mReadOnly) return;
        std::vector<std::string> files;
        diag::IgnoreErrors([&] { files = data.Files(); });
        for (const auto& file : files) {
            Node* target = tvw->DropHighlight();
            if (target && target->Tag().Type() == VarType::String &&
                target->Tag().ToString() == "FileSystemFolder") {
                bool copy = true;
                CreateNewOtherFile(file, copy, cancel, GetFolderName(target));
            } else {
                CreateNewOtherFile(file, autoCopy, cancel, "");
            }
        }
    });
}

} // namespace qv
