#include "controls/HeadlessControls.h"

#include "contracts/Error.h"

#include <gtest/gtest.h>

namespace {

TEST(HeadlessControlsTest, MakesIndependentControls) {
    qv::HeadlessControls factory;
    auto images = factory.CreateImageList();
    EXPECT_EQ(images->Count(), 20);
    images->Remove("missing");
    EXPECT_EQ(factory.CreateImageList()->Count(), 20);
    EXPECT_EQ(factory.CreateCommandBar()->ToolCount(), 39);
    EXPECT_FALSE(factory.CreateWarningBar()->Visible());
    EXPECT_NE(factory.CreateTreeView(), nullptr);
    try {
        factory.CreateTreeViewSpell();
        FAIL() << "a spell checker was made";
    } catch (const qv::Error& e) {
        EXPECT_EQ(e.Number(), qv::err::CannotCreateObject);
    }
}

} // namespace
