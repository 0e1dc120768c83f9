#include "explorer/EventSinks.h"

namespace qv {

using diag::Procedure;

void ProjectExplorer::StartLabelEdit() {
    Procedure p(errors_, "StartLabelEdit");
    p.Run([&] {
        // A start already pending covers this request too.
        if (mStartLabelEdit) return;
        mStartLabelEdit = site_.ui.CreateTimer();
        timerSubscription_ = mStartLabelEdit->Subscribe(sinks_->Timer());
        mStartLabelEdit->SetInterval(1);
        mStartLabelEdit->SetEnabled(true);
    });
}

void ProjectExplorer::mStartLabelEdit_Timer() {
    diag::IgnoreErrors([&] { mStartLabelEdit->SetEnabled(false); });
    diag::IgnoreErrors([&] {
        timerSubscription_.Reset();
        mStartLabelEdit.reset();
    });
    diag::IgnoreErrors([&] { tvw->SetFocus(); });
    diag::IgnoreErrors([&] { tvw->StartLabelEdit(); });
}

} // namespace qv
