#pragma once

#include "contracts/Surface.h"

#include <functional>

namespace qv {

// The headless control's surface: an enabled state that the headless child controls made on it
// consult before they act on a user's gesture. One observer (the GUI's widget) hears each
// change.
class HeadlessSurface final : public Surface {
public:
    std::string TypeName() const override { return "UserControl"; }
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool value) override;

    // Called after the enabled state changed; replaces any earlier observer.
    void SetObserver(std::function<void()> observer) { observer_ = std::move(observer); }

private:
    bool enabled_ = true;
    std::function<void()> observer_;
};

} // namespace qv
