#include "controls/WarningBar.h"

#include <gtest/gtest.h>

namespace {

struct Clicks : qv::WarningBarEvents {
    int count = 0;
    void Click() override { ++count; }
};

TEST(WarningBarTest, StartsHiddenAndRaisesClicksOnlyWhenShown) {
    qv::HeadlessWarningBar bar;
    Clicks clicks;
    qv::Subscription sub = bar.Subscribe(clicks);
    EXPECT_FALSE(bar.Visible());
    EXPECT_TRUE(bar.CloseButton());
    EXPECT_EQ(bar.Height(), 390);
    EXPECT_FALSE(bar.UserClick());
    bar.SetVisible(true);
    bar.SetCaption("read-only");
    bar.SetCloseButton(false);
    bar.Place(0, 0, 7200);
    EXPECT_TRUE(bar.UserClick());
    sub.Reset();
    bar.UserClick();
    EXPECT_EQ(clicks.count, 1);
    EXPECT_EQ(bar.Width(), 7200);
    EXPECT_FALSE(bar.CloseButton());
    EXPECT_EQ(bar.Caption(), "read-only");
}

} // namespace
