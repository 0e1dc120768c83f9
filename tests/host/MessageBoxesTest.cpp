#include "host/MessageBoxes.h"

#include "contracts/HostServices.h"

#include <gtest/gtest.h>

namespace {

using qv::ScriptedMessageBoxes;

TEST(ScriptedMessageBoxesTest, UnansweredBoxesTakeTheirFirstButton) {
    const std::pair<int32_t, int32_t> cases[] = {
        {0, qv::mb::Ok},   {16, qv::mb::Ok},  {48, qv::mb::Ok},       {64, qv::mb::Ok},
        {1, qv::mb::Ok},   {2, 3 /*Abort*/},  {5, 4 /*Retry*/},       {3, qv::mb::Yes},
        {35, qv::mb::Yes}, {36, qv::mb::Yes}, {4 | 256, qv::mb::Yes},
    };
    ScriptedMessageBoxes boxes;
    for (const auto& [buttons, answer] : cases)
        EXPECT_EQ(boxes.Show("?", buttons, "T"), answer) << buttons;
}

TEST(ScriptedMessageBoxesTest, QueuedAnswersAreTakenInOrderAndReported) {
    ScriptedMessageBoxes boxes;
    std::vector<std::string> seen;
    boxes.SetObserver(
        [&](int32_t code, const std::string& title, const std::string& text, int32_t answer) {
            seen.push_back(std::to_string(code) + "|" + title + "|" + text + "|" +
                           std::to_string(answer));
        });
    boxes.Queue(*qv::AnswerCode("no"));
    boxes.Queue(*qv::AnswerCode("Cancel"));
    EXPECT_EQ(boxes.Pending(), 2u);

    EXPECT_EQ(boxes.Show("Delete?", 36, "Confirm Delete"), qv::mb::No);
    bool ticked = true;
    EXPECT_EQ(boxes.ShowWithOption("Copy?", 35, "Copy", "Always", ticked), qv::mb::Cancel);
    EXPECT_FALSE(ticked);
    EXPECT_EQ(boxes.Show("Done", 64, "Info"), qv::mb::Ok);

    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], "36|Confirm Delete|Delete?|7");
    EXPECT_EQ(seen[1], "35|Copy|Copy?|2");
    EXPECT_EQ(seen[2], "64|Info|Done|1");
    EXPECT_EQ(qv::AnswerWord(*qv::AnswerCode("YES")), "yes");
    EXPECT_FALSE(qv::AnswerCode("maybe"));
}

} // namespace
