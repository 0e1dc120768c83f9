#include "controls/ManualUiLoop.h"

#include "contracts/Error.h"
#include "controls/SinkList.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace qv {

class LoopTimer;

namespace {
// Due time, then arming order: unique for every arming, so it also tells a tick that is still
// armed from one armed again since.
using ArmKey = std::pair<int64_t, uint64_t>;
} // namespace

class LoopCore {
public:
    int64_t now = 0;
    uint64_t nextArm = 1;
    std::map<ArmKey, std::weak_ptr<LoopTimer>> armed;

    // Fires the tick armed under key, if it still is.
    void Fire(const ArmKey& key);
};

// A timer of a ManualUiLoop.
class LoopTimer final : public Timer {
public:
    explicit LoopTimer(std::shared_ptr<LoopCore> core) : core_(std::move(core)) {}
    ~LoopTimer() override { Disarm(); }

    std::string TypeName() const override { return "Timer"; }
    int32_t Interval() const override { return interval_; }
    void SetInterval(int32_t milliseconds) override {
        if (milliseconds < 0)
            throw Error(err::InvalidArgument, "Invalid procedure call or argument", "Timer");
        interval_ = milliseconds;
        if (enabled_) Arm();
    }
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool value) override {
        if (value == enabled_) return;
        enabled_ = value;
        if (value)
            Arm();
        else
            Disarm();
    }
    Subscription Subscribe(TimerEvents& sink) override { return sinks_.Add(sink); }

    void Tick() {
        Disarm();
        // Whatever the handlers do, an enabled timer keeps ticking.
        struct Rearm {
            LoopTimer& t;
            ~Rearm() {
                if (t.enabled_ && !t.armed_) t.Arm();
            }
        } rearm{*this};
        sinks_.Raise([](TimerEvents& s) { s.Tick(); });
    }

    std::weak_ptr<LoopTimer> self;

private:
    void Arm() {
        Disarm();
        key_ = {core_->now + std::max(interval_, 1), core_->nextArm++};
        core_->armed.emplace(key_, self);
        armed_ = true;
    }
    void Disarm() {
        if (armed_) core_->armed.erase(key_);
        armed_ = false;
    }

    std::shared_ptr<LoopCore> core_;
    SinkList<TimerEvents> sinks_;
    int32_t interval_ = 0;
    bool enabled_ = false;
    bool armed_ = false;
    ArmKey key_{};
};

void LoopCore::Fire(const ArmKey& key) {
    auto it = armed.find(key);
    if (it == armed.end()) return;
    // Holding the timer lets a handler release the last other reference to it.
    if (std::shared_ptr<LoopTimer> timer = it->second.lock())
        timer->Tick();
    else
        armed.erase(it);
}

ManualUiLoop::ManualUiLoop() : core_(std::make_shared<LoopCore>()) {}

std::shared_ptr<Timer> ManualUiLoop::CreateTimer() {
    auto timer = std::make_shared<LoopTimer>(core_);
    timer->self = timer;
    return timer;
}

void ManualUiLoop::DoEvents() {
    std::shared_ptr<LoopCore> core = core_; // the loop itself may go away during a tick
    std::vector<ArmKey> due;
    due.reserve(core->armed.size());
    for (const auto& entry : core->armed)
        due.push_back(entry.first);
    for (const ArmKey& key : due)
        core->Fire(key);
}

void ManualUiLoop::Advance(int64_t milliseconds) {
    if (milliseconds < 0)
        throw Error(err::InvalidArgument, "Invalid procedure call or argument", "UiLoop");
    std::shared_ptr<LoopCore> core = core_;
    const int64_t target = core->now + milliseconds;
    while (!core->armed.empty() && core->armed.begin()->first.first <= target) {
        const ArmKey key = core->armed.begin()->first;
        core->now = std::max(core->now, key.first);
        core->Fire(key);
    }
    core->now = std::max(core->now, target);
}

int64_t ManualUiLoop::Now() const {
    return core_->now;
}

int32_t ManualUiLoop::PendingTicks() const {
    return static_cast<int32_t>(core_->armed.size());
}

} // namespace qv
