#include "contracts/HostServices.h"
#include "explorer/TypeInfo.h"
#include "support/ExplorerHarness.h"

#include <gtest/gtest.h>

namespace qvtest {
namespace {

constexpr const char* kOptionsKey = "Software\\Veltrane\\Quorvel2\\ProjectExplorer";

std::string ImageKeys(qv::ImageList& images) {
    std::string out;
    for (int32_t i = 1; i <= images.Count(); ++i)
        out += images.Key(i) + " ";
    return out;
}

TEST(StartUpTest, RunModeAddsTheStatusImagesWithTheirVariants) {
    ExplorerHarness h;
    const std::string keys = ImageKeys(h.control->Images());
    EXPECT_NE(keys.find("topic_readonly topic_checkedout topicstatusDraft "
                        "topicstatusDraft_readonly topicstatusDraft_checkedout "
                        "topicstatusInProgress "),
              std::string::npos)
        << keys;
    EXPECT_EQ(h.Dock().Item("Status").List().size(), 4u);
    EXPECT_EQ(h.Dock().Item("Status").List()[2].text, "Ready for Review");
    EXPECT_EQ(h.Tree().OLEDragFormat(), "TopicNode"); // what a drag of a topic node carries
}

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

TEST(StartUpTest, FindOptionsAreSavedAtTheEndAndComeBackAtTheNextStart) {
    ExplorerHarness h;
    h.control->ClickTool("FindInCaption"); // checked at the start: now unchecked
    h.Restart();
    EXPECT_EQ(h.Dock().StateItem("FindInCaption").Checked(), 0);
    EXPECT_EQ(h.Dock().StateItem("FindInName").Checked(), 1);
}

} // namespace
} // namespace qvtest
