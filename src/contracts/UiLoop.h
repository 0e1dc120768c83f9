#pragma once

#include "contracts/Object.h"
#include "contracts/Subscription.h"

#include <cstdint>
#include <memory>

namespace qv {

class TimerEvents {
public:
    virtual void Tick() {}

protected:
    ~TimerEvents() = default;
};

// A timer on the UI loop. Enabling it arms one tick after the interval; a tick that fires
// while the timer is disabled is dropped.
class Timer : public virtual Object {
public:
    virtual int32_t Interval() const = 0; // milliseconds
    virtual void SetInterval(int32_t milliseconds) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool value) = 0;
    virtual Subscription Subscribe(TimerEvents& sink) = 0;

protected:
    ~Timer() override = default;
};

// The host's single UI thread: timers, and running the work that is due.
class UiLoop {
public:
    virtual std::shared_ptr<Timer> CreateTimer() = 0;
    // Runs every timer tick that is due (the platform's DoEvents).
    virtual void DoEvents() = 0;

protected:
    ~UiLoop() = default;
};

} // namespace qv
