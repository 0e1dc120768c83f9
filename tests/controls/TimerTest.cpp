#include "contracts/Error.h"
#include "controls/ManualUiLoop.h"
#include "support/ErrorOf.h"
#include "support/EventLog.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

// Logs each tick with the loop's clock and runs an optional action.
struct Ticks : qv::TimerEvents {
    Ticks(std::string name, qvtest::EventLog& log, qv::ManualUiLoop& loop)
        : name(std::move(name)), log(log), loop(loop) {}
    void Tick() override {
        log.Add(name + "@" + std::to_string(loop.Now()));
        if (action) action();
    }
    std::string name;
    qvtest::EventLog& log;
    qv::ManualUiLoop& loop;
    std::function<void()> action;
};

class TimerTest : public ::testing::Test {
protected:
    std::shared_ptr<qv::Timer> Make(Ticks& sink, int32_t interval) {
        auto t = loop.CreateTimer();
        t->SetInterval(interval);
        subs.push_back(t->Subscribe(sink));
        return t;
    }

    qv::ManualUiLoop loop;
    qvtest::EventLog log;
    Ticks a{"a", log, loop}, b{"b", log, loop};
    std::vector<qv::Subscription> subs;
};

TEST_F(TimerTest, OneTickPerArmingAndDoEvents) {
    auto t = Make(a, 1);
    a.action = [&] { t->SetEnabled(false); };
    loop.DoEvents();
    EXPECT_EQ(log.Take(), ""); // not enabled yet
    t->SetEnabled(true);
    t->SetEnabled(true); // already enabled: still one tick
    loop.DoEvents();
    loop.DoEvents();
    EXPECT_EQ(log.Take(), "a@0\n");
    EXPECT_EQ(loop.PendingTicks(), 0);
    t->SetEnabled(true);
    t->SetEnabled(false); // a tick of a disabled timer is dropped
    loop.DoEvents();
    EXPECT_EQ(log.Take(), "");

    // Rearmed inside the tick, or left enabled, it ticks again at the next DoEvents.
    a.action = [&] {
        t->SetEnabled(false);
        t->SetEnabled(true);
    };
    t->SetEnabled(true);
    loop.DoEvents();
    EXPECT_EQ(log.Take(), "a@0\n");
    a.action = nullptr;
    loop.DoEvents();
    loop.DoEvents();
    EXPECT_EQ(log.Take(), "a@0\na@0\n");
    EXPECT_TRUE(t->Enabled());
    EXPECT_EQ(loop.PendingTicks(), 1);
}

TEST_F(TimerTest, DoEventsInsideATickRunsTheOtherTimersOnce) {
    auto ta = Make(a, 5), tb = Make(b, 10);
    a.action = [&] {
        ta->SetEnabled(false);
        loop.DoEvents();
    };
    b.action = [&] { tb->SetEnabled(false); };
    ta->SetEnabled(true);
    tb->SetEnabled(true);
    loop.DoEvents();
    EXPECT_EQ(log.Take(), "a@0\nb@0\n");
    EXPECT_EQ(loop.PendingTicks(), 0);
}

TEST_F(TimerTest, ATickMayReleaseItsOwnTimer) {
    auto t = Make(a, 1);
    std::weak_ptr<qv::Timer> watch = t;
    a.action = [&] {
        t->SetEnabled(false);
        subs.clear();
        t.reset();
    };
    t->SetEnabled(true);
    loop.DoEvents();
    EXPECT_TRUE(watch.expired());
    loop.DoEvents();
    EXPECT_EQ(log.Take(), "a@0\n");
}

TEST_F(TimerTest, AdvanceFiresTicksAtTheirDueTimes) {
    auto ta = Make(a, 30), tb = Make(b, 100);
    b.action = [&] { tb->SetEnabled(false); };
    ta->SetEnabled(true);
    tb->SetEnabled(true);
    loop.Advance(29);
    EXPECT_EQ(log.Take(), "");
    loop.Advance(71);
    EXPECT_EQ(log.Take(), "a@30\na@60\na@90\nb@100\n");
    ta->SetInterval(50); // restarts the count
    loop.Advance(49);
    ta->SetEnabled(false);
    loop.Advance(10);
    EXPECT_EQ(log.Take(), "");
    EXPECT_EQ(loop.Now(), 159);
}

TEST_F(TimerTest, BadArgumentsAreErrors) {
    auto t = loop.CreateTimer();
    EXPECT_EQ(qvtest::ErrorOf([&] { t->SetInterval(-1); }), qv::err::InvalidArgument);
    EXPECT_EQ(qvtest::ErrorOf([&] { loop.Advance(-1); }), qv::err::InvalidArgument);
    EXPECT_EQ(t->Interval(), 0);
}

} // namespace
