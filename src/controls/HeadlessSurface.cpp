#include "controls/HeadlessSurface.h"

namespace qv {

void HeadlessSurface::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    if (observer_) observer_();
}

} // namespace qv
