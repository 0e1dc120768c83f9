#include "contracts/Error.h"
#include "diagnostics/InstanceCounting.h"
#include "explorer/ProjectExplorer.h"

namespace qv {

using diag::Procedure;
using diag::Var;

namespace {
constexpr const char* kOptionsKey = "Software\\Veltrane\\Quorvel2\\ProjectExplorer";
constexpr const char* kFindOptions[] = {"FindInName", "FindInCaption", "FindInImageName"};
} // namespace

void ProjectExplorer::UserControl_Initialize() {
    // The library starts on this thread before its first control does.
    diag::StartLibrary(site_.instrumentation, site_.libraries);
    Procedure p(errors_, "UserControl_Initialize");
    p.Run([&] {
        p.line = 1;
        diag::RegisterInstance(diag::kProjectExplorerComponent);
        p.line = 2;
        // The second format is the one the tree offers; both names stay registered.
        tvw->SetOLEDragFormat("Quorvel.Topic");
        tvw->SetOLEDragFormat("TopicNode");
        p.line = 3;
        tvw->SetFullRowSelect(true);
        tvw->SetMode(2);
    });
}

void ProjectExplorer::UserControl_ReadProperties() {
    Procedure p(errors_, "UserControl_ReadProperties", {Var::UdtParameter("PropBag")},
                {Var::ExternalUdt("c")});
    p.Run([&] {
        if (!site_.userMode) return;
        p.line = 1;
        mUserMode = true;
        p.line = 2;
        CreateAlternateImages("topic");
        p.line = 3;
        const std::vector<TopicStatus>* statuses = DesignerHelp().TopicStatuses();
        const std::string iconFolder = DesignerHelp().AppFolder() + "icons/";
        if (statuses) {
            for (const auto& status : *statuses) {
                img16x16->Add("topicstatus" + status.name,
                              site_.libraries.LoadPicture(iconFolder + status.iconFile));
                CreateAlternateImages("topicstatus" + status.name);
            }
        }
        p.line = 4;
        tvw->SetImageList(img16x16.get());
        p.line = 5;
        Dock_->SetRedraw(false);
        p.line = 6;
        if (statuses) {
            Tool& field = Dock_->Item("Status");
            for (const auto& status : *statuses) {
                if (!field.HasImage(status.name))
                    field.AddImage(status.name,
                                   site_.libraries.LoadPicture(iconFolder + status.iconFile));
                field.AddListItem({status.text, status.name, status.name});
            }
        }
        p.line = 7;
        for (int32_t i = 1; i <= Dock_->ToolCount(); ++i) {
            Tool& tool = Dock_->ToolAt(i);
            tool.SyncTooltip();
            tool.SetEnabled(false);
        }
        p.line = 8;
        for (const char* name : kFindOptions) {
            Variant value = RegistryObject().GetValue(hive::CurrentUser, kOptionsKey, name);
            bool unchecked = value.Type() == VarType::String && value.ToString() == "False";
            Dock_->StateItem(name).SetChecked(unchecked ? 0 : 1);
        }
        p.line = 9;
        Dock_->SetRedraw(true);
    });
}

// Runs inside the control's end, where every step is allowed to fail on its own.
void ProjectExplorer::SaveFindOptions() {
    diag::IgnoreErrors([&] { RegistryObject().CreateKey(hive::CurrentUser, kOptionsKey); });
    for (const char* name : kFindOptions)
        diag::IgnoreErrors([&] {
            RegistryObject().SetValue(hive::CurrentUser, kOptionsKey, name,
                                      Dock_->StateItem(name).Checked() == 1 ? "True" : "False");
        });
}

} // namespace qv
