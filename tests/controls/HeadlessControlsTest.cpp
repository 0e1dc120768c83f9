#include "controls/HeadlessControls.h"

#include "contracts/SpellChecker.h"
#include "controls/WarningBar.h"

#include <gtest/gtest.h>

namespace {

TEST(HeadlessControlsTest, MakesIndependentControls) {
    qv::HeadlessControls factory;
    auto images = factory.CreateImageList();
    EXPECT_EQ(images->Count(), 20);
    images->Remove("missing");
    EXPECT_EQ(factory.CreateImageList()->Count(), 20);
    auto surface = factory.CreateSurface();
    EXPECT_EQ(factory.CreateCommandBar(*surface)->ToolCount(), 39);
    EXPECT_FALSE(factory.CreateWarningBar(*surface)->Visible());
    EXPECT_NE(factory.CreateTreeView(*surface), nullptr);
    auto spell = factory.CreateTreeViewSpell();
    ASSERT_NE(spell, nullptr);
    EXPECT_NE(spell, factory.CreateTreeViewSpell());
    EXPECT_EQ(spell->NextNodeToCheck(nullptr), nullptr); // unbound until Init
}

TEST(HeadlessControlsTest, AWarningBarRaisesClicksOnlyWhenShown) {
    struct Clicks : qv::WarningBarEvents {
        int count = 0;
        void Click() override { ++count; }
    } clicks;
    qv::HeadlessWarningBar bar;
    qv::Subscription sub = bar.Subscribe(clicks);
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
