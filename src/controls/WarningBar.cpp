#include "controls/WarningBar.h"

#include "contracts/Error.h"

namespace qv {

void HeadlessWarningBar::Place(int32_t left, int32_t top, int32_t width) {
    if (width < 0)
        throw Error(err::InvalidArgument, "Invalid procedure call or argument", "WarningBar");
    const bool changed = left != left_ || top != top_ || width != width_;
    left_ = left;
    top_ = top;
    width_ = width;
    if (changed && observer_) observer_->Changed();
}

bool HeadlessWarningBar::UserClick() {
    if (!visible_) return false;
    sinks_.Raise([](WarningBarEvents& s) { s.Click(); });
    return true;
}

} // namespace qv
