#include "contracts/Error.h"
#include "support/ExplorerHarness.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace qvtest {
namespace {

TEST(ErrorReportingTest, ADropHandlerDumpsItsDataObjectAmongTheParametersInOrder) {
    ExplorerHarness h;
    h.Open(h.TwoCategoryProject());
    h.control->Designer().Terminate(); // the tree stays; the project it names is gone
    h.libraries.Options().errorComponent = true;
    try {
        h.Tree().DropFiles(&h.NodeAt("images"), {h.dir.Write("drop.png", "picture")});
    } catch (const qv::Error& e) {
        EXPECT_EQ(e.Number(), 65535);
    }
    ASSERT_FALSE(h.reports.empty());
    EXPECT_EQ(h.reports.back().procedure, "tvw_ExternalOLEDragDrop");
    EXPECT_NE(h.reports.back().text.find(
                  "<Parameters>\r\n<Data>{DataObject}</Data>\r\n<X>0</X>\r\n<Y>0</Y>\r\n"
                  "<Effect>{Can't dump UDT parameters}</Effect>"
                  "<Button>{Can't dump UDT parameters}</Button>"
                  "<Shift>{Can't dump UDT parameters}</Shift></Parameters>"),
              std::string::npos)
        << h.reports.back().text;
}

// A find that meets a node whose topic is not in the project stops there, with the topic it
// tested before still in t; a match before that node is found without a report.
TEST(ErrorReportingTest, AFindStoppedByANodeWithoutItsTopicShowsTheTopicTestedBefore) {
    ExplorerHarness h;
    h.Open(h.TwoCategoryProject());
    h.Tree().Nodes().Add("c:C2", qv::rel::Child, "t:gone", "Zzz");
    h.libraries.Options().errorComponent = true;
    h.Dock().UserSetFieldText("FindValue", "no such words");
    try {
        h.Dock().UserKeyDown("FindValue", 13, 0);
    } catch (const qv::Error& e) {
        EXPECT_EQ(e.Number(), 65535);
    }
    const auto report = std::find_if(h.reports.begin(), h.reports.end(),
                                     [](const auto& r) { return r.procedure == "FindNow"; });
    ASSERT_NE(report, h.reports.end());
    EXPECT_EQ(report->number, 9);
    EXPECT_NE(report->text.find("<LocalVariables>\r\n<n>{Node}</n>\r\n<FindInName>True</FindInName>"
                                "\r\n<FindInCaption>True</FindInCaption>\r\n<FindInImageName>True"
                                "</FindInImageName>\r\n<FindValue>no such words</FindValue>\r\n"
                                "<t>{Topic}</t>\r\n<o>{Nothing}</o>\r\n<StartNode>{Nothing}"
                                "</StartNode>\r\n</LocalVariables>"),
              std::string::npos)
        << report->text;
    h.reports.clear();
    h.Dock().UserSetFieldText("FindValue", "deep");
    h.Dock().UserKeyDown("FindValue", 13, 0);
    EXPECT_EQ(h.Tree().SelectedItem(), &h.NodeAt("t:T3"));
    EXPECT_TRUE(h.reports.empty());
}

} // namespace
} // namespace qvtest
