#include "controls/HeadlessControls.h"

#include "contracts/SpellChecker.h"

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

} // namespace
