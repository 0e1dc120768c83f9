#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"

namespace qv {

using diag::Procedure;
using diag::Var;

namespace {
constexpr int16_t kEnter = 13;
constexpr int16_t kF2 = 113;
constexpr int16_t kF4 = 115;
constexpr int16_t kShift = 1;
} // namespace

void ProjectExplorer::tvw_ContextMenu(float clientX, float clientY, float screenX, float screenY,
                                      const std::string& key) {
    bool cancelDefault = false;
    Procedure p(errors_, "tvw_ContextMenu",
                {{"ClientX", clientX},
                 {"ClientY", clientY},
                 {"ScreenX", screenX},
                 {"ScreenY", screenY},
                 {"Key", key}},
                {{"CancelDefault", cancelDefault}});
    p.Run([&] {
        if (mReadOnly) return;
        auto spell = mTreeViewSpell;
        Raise(&ExplorerEvents::ShowSpellContextMenu, spell, clientX, clientY, screenX, screenY,
              cancelDefault);
        if (!cancelDefault) Dock_->PopupMenu(Dock_->Item("popContext"));
    });
}

void ProjectExplorer::tvw_KeyDown(int16_t& keyCode, int16_t shift) {
    Procedure p(errors_, "tvw_KeyDown", {{"KeyCode", keyCode}, {"Shift", shift}});
    p.Run([&] {
        if ((keyCode == kEnter || keyCode == kF4) && !mLabelEditInProgress) {
            const int64_t focus = site_.windows.GetFocus();
            if (focus != tvw->hWnd() && IsChildWindow(focus, tvw->hWnd()).IsEmpty()) return;
            Node* selected = tvw->SelectedItem();
            if (!selected || KeyType(selected->Key()) == "c") return;
            Dock_CommandClick(&Dock_->Item((shift & kShift) ? "Properties" : "Edit"));
        } else if (keyCode == kF2) {
            StartLabelEdit();
        }
    });
}

void ProjectExplorer::tvw_KeyUp(int16_t&, int16_t) {}

void ProjectExplorer::tvw_LostFocus() {
    mLabelEditInProgress = false;
}

void ProjectExplorer::tvw_MouseUp(float x, float y, int16_t, int16_t) {
    Procedure p(errors_, "tvw_MouseUp",
                {{"X", x}, {"Y", y}, Var::UdtParameter("Button"), Var::UdtParameter("Shift")});
    p.Run([&] { tvw->SetFocus(); });
}

} // namespace qv
