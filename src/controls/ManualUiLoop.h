#pragma once

#include "contracts/UiLoop.h"

#include <cstdint>
#include <memory>

namespace qv {

class LoopCore;

// A UI loop without a message pump, driven by hand, with a virtual clock in milliseconds.
//
// Timers behave like the platform's: enabling one arms a tick at now + Interval (0 and 1 both
// mean "the next tick"); after a tick the timer arms itself again for as long as it stays
// enabled, so a handler that wants one tick disables its timer. Changing the interval of an
// enabled timer restarts its count. A timer may be released, or the loop destroyed, from inside
// a tick.
class ManualUiLoop final : public UiLoop {
public:
    ManualUiLoop();
    ~ManualUiLoop() = default;
    ManualUiLoop(const ManualUiLoop&) = delete;
    ManualUiLoop& operator=(const ManualUiLoop&) = delete;

    std::shared_ptr<Timer> CreateTimer() override;
    // Fires every timer armed when the call began, once, in order of due time, whatever the
    // clock says. Ticks armed meanwhile (also by a timer's own tick) wait for the next call. May
    // be called from inside a tick.
    void DoEvents() override;

    // Moves the clock forward, firing every tick that falls due on the way, at its due time.
    // Error 5 for a negative time.
    void Advance(int64_t milliseconds);
    int64_t Now() const;
    // Timers currently armed.
    int32_t PendingTicks() const;

private:
    std::shared_ptr<LoopCore> core_; // shared with the timers, which may outlive the loop
};

} // namespace qv
