#include "contracts/Error.h"
#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"
#include "explorer/Text.h"

namespace qv {

using diag::Procedure;
using diag::Var;

void ProjectExplorer::Dock_CommandClick(Tool* command) {
    std::string NodeKey;
    std::string CommandName;
    std::string NodeType;
    std::string NodeValue;
    Procedure p(errors_, "Dock_CommandClick", {Var::UdtParameter("Command")},
                {{"NodeKey", NodeKey},
                 {"CommandName", CommandName},
                 {"NodeType", NodeType},
                 {"NodeValue", NodeValue}});
    p.Run([&] {
        p.line = 1;
        Node* selected = tvw->SelectedItem();
        diag::IgnoreErrors([&] {
            if (selected) NodeKey = selected->Key();
        });
        p.line = 2;
        CommandName = text::Lower(Need(command).Name());
        NodeType = KeyType(NodeKey);
        NodeValue = KeyValue(NodeKey);
        const std::string& name = CommandName;
        const std::string& T = NodeType;
        auto project = [&]() -> QVProject& { return Need(mQVProject); };
        p.line = 3;
        if (name == "addtopic") {
            std::string categoryId;
            if (selected) {
                if (T == "c")
                    categoryId = NodeValue;
                else if (T == "t")
                    categoryId = KeyValue(Need(selected->Parent()).Key());
            }
            if (categoryId == "uncategorized") categoryId.clear();
            CallHost("CreateTopic", {"<New Topic>", "", categoryId});
        } else if (name == "addcategory") {
            auto category = CallHost("CreateCategory", {"<New Category>"}).As<TopicCategory>();
            if (!category) return;
            tvw->SetSelectedItem(&tvw->Nodes().Item("c:" + category->ID()));
            StartLabelEdit();
        } else if (name == "addimage" || name == "addotherfile") {
            AddFiles(*command, NodeKey);
        } else if (name == "addbuildprofile") {
            auto profile = CallHost("CreateBuildProfile", {}).As<BuildProfile>();
            if (!profile) return;
            tvw->Nodes().Item("bp:" + profile->ID()).SetSelected(true);
        } else if (name == "delete") {
            tvw->ExecuteCommand("DeleteItem");
        } else if (name == "moveup" || name == "movedown") {
            tvw->ExecuteCommand(command->Name());
        } else if (name == "properties") {
            if (selected && T == "t")
                CallHost("ShowTopicProperties", {project().Topics()->Item(NodeValue)});
        } else if (name == "edit" || name == "editnewwindow") {
            if (!selected || !mQVProject) return;
            if (T == "t") {
                auto topic = project().Topics()->Item(NodeValue);
                const bool newWindow = command->Name() == "EditNewWindow" || CtrlKeyPressed();
                CallHost("edittopic", {topic, Variant::Missing(), newWindow});
            } else if (T == "o") {
                CallHost("EditOtherFile", {project().OtherFiles()->Item(NodeValue)});
            } else if (T == "bp") {
                CallHost("EditBuildProfile", {project().BuildProfiles()->Item(NodeValue)});
            } else if (T == "c") {
                StartLabelEdit();
            }
        } else if (name == "find") {
            Tool& tool = Dock_->StateItem(command->Name());
            if (tool.Checked() == 1) {
                tool.SetChecked(0);
                Dock_->Band("FindBar").SetVisible(false);
            } else {
                tool.SetChecked(1);
                Dock_->Band("FindBar").SetVisible(true);
            }
        } else if (name == "findnow") {
            FindNow();
        } else if (name == "recaptureimage") {
            ReCaptureImage();
        } else if (name == "captureimage") {
            CaptureImage();
        } else if (name == "createimagemap") {
            CreateImageMap();
        } else if (name == "openimageprocessing") {
            ImageProcessing();
        } else if (name == "makethumbnail") {
            if (selected && T == "o")
                CallHost("CreateThumbnail", {project().OtherFiles()->Item(NodeValue), true});
        } else if (name == "renamecategory") {
            StartLabelEdit();
        } else if (name == "locatenode") {
            CallHost("LocateTopicInTOCEditor", {project().Topics()->Item(NodeValue), true});
        } else if (name == "includeinoutput") {
            std::shared_ptr<Topic> topic;
            std::shared_ptr<OtherFile> file;
            if (T == "t")
                topic = project().Topics()->Item(NodeValue);
            else if (T == "o")
                file = project().OtherFiles()->Item(NodeValue);
            else
                return;
            const bool include = command->Checked() != 1;
            command->SetChecked(include ? 1 : 0);
            if (topic) topic->SetIncludeInOutput(include);
            if (file) file->SetIncludeInOutput(include);
        } else if (name == "build") {
            if (T == "bp") {
                auto profiles = project().BuildProfiles();
                for (int32_t i = 1, n = profiles->Count(); i <= n; ++i) {
                    auto profile = profiles->Item(i);
                    profile->SetCurrent(profile->ID() == NodeValue);
                }
            }
            CallHost("Build", {false});
        } else if (name == "autogeneratecategoryindex") {
            if (T != "c" || NodeKey == "c:uncategorized") return;
            auto category = project().TopicCategories()->Item(NodeValue);
            Tool& tool = Dock_->StateItem(command->Name());
            const bool generate = tool.Checked() != 1;
            tool.SetChecked(generate ? 1 : 0);
            category->SetAutoGenerateIndex(generate);
        } else if (text::Left(command->Name(), 6) == "FindIn" &&
                   command->Kind() == toolkind::Button) {
            // Where the search looks; the "FindIn" drop-down itself is a menu.
            Tool& tool = Dock_->StateItem(command->Name());
            tool.SetChecked(tool.Checked() == 1 ? 0 : 1);
        }
    });
}

void ProjectExplorer::Dock_CommandKeyDown(Tool& command, int16_t keyCode, int16_t shift) {
    Procedure p(errors_, "Dock_CommandKeyDown",
                {Var::UdtParameter("Command"), {"KeyCode", keyCode}, {"Shift", shift}});
    p.Run([&] {
        if (keyCode == 13 && command.Name() == "FindValue")
            Dock_CommandClick(&Dock_->Item("FindNow"));
    });
}

void ProjectExplorer::Dock_CommandChange(Tool& command, const std::string& fieldText,
                                         bool& cancel) {
    std::shared_ptr<Topic> topic;
    Procedure p(errors_, "Dock_CommandChange",
                {Var::UdtParameter("Command"), {"Field", fieldText}, {"Cancel", cancel}},
                {{"Topic", topic}});
    p.Run([&] {
        if (text::Lower(command.Name()) != "status" || mPosting) return;
        Node* selected = tvw->SelectedItem();
        topic = Need(mQVProject).Topics()->Item(KeyValue(Need(selected).Key()));
        topic->SetStatus(fieldText);
    });
}

void ProjectExplorer::Dock_ClientResize() {
    diag::IgnoreErrors([&] {
        const Rect area = Dock_->ClientArea();
        tvw->Move(area.left, area.top, area.width, area.height);
    });
}

Variant ProjectExplorer::IsChildWindow(int64_t window, int64_t ancestor) {
    Variant result;
    const double windowHandle = static_cast<double>(window);
    const double ancestorHandle = static_cast<double>(ancestor);
    Procedure p(errors_, "IsChildWindow", {{"Window", windowHandle}, {"Ancestor", ancestorHandle}});
    p.Run([&] {
        for (int64_t current = window;;) {
            if (current == 0 || current == site_.windows.GetDesktopWindow()) return;
            if (current == ancestor) {
                result = true;
                return;
            }
            current = site_.windows.GetParent(current);
        }
    });
    return result;
}

} // namespace qv
