#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"

#include <cmath>

namespace qv {

using diag::Procedure;

void ProjectExplorer::ConfigureWarningBar() {
    Procedure p(errors_, "ConfigureWarningBar");
    p.Run([&] {
        p.line = 1;
        if (!mQVProject || !mQVProject->ReadOnly()) {
            mWarningBarVisible = false;
        } else {
            p.line = 2;
            mWarningBarVisible = true;
            WarningBar_->SetCaption(WarningBarCaption(
                Need(mQVProject->ProjectFile()).LocalSpec(),
                "You cannot add or remove items in this Project as the Project "));
            WarningBar_->SetCloseButton(false);
        }
        p.line = 3;
        tvw->SetHideSelection(false);
        tvw->SetMode(mWarningBarVisible ? 0 : 2);
        p.line = 4;
        UserControl_Resize();
        p.line = 5;
        if (Node* selected = tvw->SelectedItem()) NodeClick(selected);
    });
}

std::string ProjectExplorer::WarningBarCaption(const std::string& localSpec,
                                               const std::string& prefix) {
    std::string result;
    Procedure p(errors_, "WarningBarCaption", {{"LocalSpec", localSpec}, {"Prefix", prefix}});
    p.Run([&] { result = prefix + "the file (" + localSpec + ") is read-only"; });
    return result;
}

void ProjectExplorer::UserControl_Resize() {
    // Layout never fails: a control that cannot be placed keeps its place.
    int32_t heightOffset = 0;
    const auto pixel = [&] {
        return static_cast<int32_t>(std::lround(site_.windows.TwipsPerPixelY()));
    };
    if (mWarningBarVisible) {
        diag::IgnoreErrors([&] { WarningBar_->Place(0, 0, width_); });
        diag::IgnoreErrors([&] { heightOffset = WarningBar_->Height() + pixel(); });
        diag::IgnoreErrors([&] { WarningBar_->SetVisible(true); });
    } else {
        if (mShowToolbar) diag::IgnoreErrors([&] { heightOffset = pixel(); });
        diag::IgnoreErrors([&] { WarningBar_->SetVisible(false); });
    }
    diag::IgnoreErrors([&] { Dock_->Move(0, heightOffset, width_, height_ - heightOffset); });
}

} // namespace qv
