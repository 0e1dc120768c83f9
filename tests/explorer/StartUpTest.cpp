#include "contracts/HostServices.h"
#include "explorer/TypeInfo.h"
#include "support/ExplorerHarness.h"

#include <gtest/gtest.h>

namespace qvtest {
namespace {

constexpr const char* kOptionsKey = "Software\\Veltrane\\Quorvel2\\ProjectExplorer";

TEST(StartUpTest, DesignTimeLeavesEverythingAsDesigned) {
    ExplorerHarness h(/*userMode=*/false);
    EXPECT_EQ(h.control->Images().Count(), 20);
    EXPECT_TRUE(h.Dock().Item("AddTopic").Enabled());
}

TEST(StartUpTest, WithoutStatusesOnlyTheBuiltInImagesAndTopicVariantsExist) {
    ExplorerHarness probe;
    probe.libraries.Designer()->SetTopicStatuses(std::nullopt);
    // A second control made after the host changed its list.
    qv::ManualUiLoop ui;
    qv::Site site{probe.controls, probe.libraries, ui, probe.windows, probe.keyboard, true};
    auto control = qv::ProjectExplorer::Create(site);
    EXPECT_EQ(control->Images().Count(), 22);
    EXPECT_TRUE(control->Dock().Item("Status").List().empty());
}

struct FindOptionCase {
    const char* stored; // nullptr: no value
    int16_t checked;
};

class FindOptionsTest : public ::testing::TestWithParam<FindOptionCase> {};

// Only the exact text "False" unchecks; anything else, or nothing, checks.
TEST_P(FindOptionsTest, StoredTextDecidesTheCheck) {
    ExplorerHarness h;
    h.control->ShowOnlyFindBar(); // so that the first control's end stores nothing
    if (GetParam().stored)
        h.libraries.Registry()->SetValue(qv::hive::CurrentUser, kOptionsKey, "FindInCaption",
                                         GetParam().stored);
    h.Restart();
    EXPECT_EQ(h.Dock().StateItem("FindInCaption").Checked(), GetParam().checked);
}

INSTANTIATE_TEST_SUITE_P(Values, FindOptionsTest,
                         ::testing::Values(FindOptionCase{nullptr, 1}, FindOptionCase{"false", 1},
                                           FindOptionCase{"False", 0}));

} // namespace
} // namespace qvtest
