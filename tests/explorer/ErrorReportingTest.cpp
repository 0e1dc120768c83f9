#include "contracts/Error.h"
#include "support/ExplorerHarness.h"

#include <gtest/gtest.h>

namespace qvtest {
namespace {

// Topics whose status has no icon in the image list cannot be drawn (the boxes and the chain of
// reports: the status_without_icon scenarios).
class StatusWithoutIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        p = h.NewProject();
        p->AddTopic("T1", "Good", "Good", "", "Draft");
        p->AddTopic("T2", "Odd", "Odd", "", "Retired");
    }
    ExplorerHarness h;
    std::shared_ptr<qv::Project> p;
};

TEST_F(StatusWithoutIconTest, TheReportNamesLocalsFieldsGlobalsAndParameters) {
    h.libraries.Options().errorComponent = true;
    EXPECT_THROW(h.control->LoadQVProjectEx(p), qv::Error);
    ASSERT_GE(h.reports.size(), 2u);
    const std::string& text = h.reports[1].text; // AddTopic's
    const std::string head =
        "<Variables>\r\n<LocalVariables>\r\n<TitleText></TitleText>\r\n"
        "<ParentNode>{Node}</ParentNode>\r\n<TopicIndex>0</TopicIndex>\r\n"
        "<BeforeTopic>{Nothing}</BeforeTopic>\r\n</LocalVariables>\r\n"
        "<ModuleVariables>\r\n<mDynamicHelpHost>{Nothing}</mDynamicHelpHost>\r\n"
        "<mQVProject>{QVProject}</mQVProject>\r\n";
    EXPECT_EQ(text.rfind(head, 0), 0u) << text;
    for (const char* piece :
         {"<mPosting>True</mPosting>\r\n",
          "<mStartLabelEdit>{Nothing}</mStartLabelEdit>\r\n"
          "</ModuleVariables>\r\n<GlobalVariables>\r\n",
          "<vbfmDebugClient>{Cannot dump external UDTs}</vbfmDebugClient>",
          "</GlobalVariables>\r\n</Variables>\r\n<Parameters>\r\n<Topic>{Topic}</Topic>\r\n"
          "</Parameters>"})
        EXPECT_NE(text.find(piece), std::string::npos) << piece;
    EXPECT_EQ(h.reports[1].version, "1.0.0");
}

TEST(ErrorReportingTest, AnUnknownToolIsReportedWithTheCommandAsAFixedText) {
    ExplorerHarness h;
    h.libraries.Options().errorComponent = true;
    EXPECT_THROW(h.control->ClickTool("NoSuchTool"), qv::Error);
    ASSERT_EQ(h.reports.size(), 2u);
    EXPECT_EQ(h.reports[0].procedure, "Dock_CommandClick");
    EXPECT_NE(h.reports[0].text.find("<Command>{Can't dump UDT parameters}</Command></Parameters>"),
              std::string::npos);
    EXPECT_EQ(h.reports[1].procedure, "ClickTool");
}

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

TEST(ErrorReportingTest, AToolStatusOfAnUnknownToolReportsAndAnswersFalse) {
    ExplorerHarness h;
    EXPECT_FALSE(h.control->ToolStatus("Nope"));
    EXPECT_NE(h.log.Text().find("Procedure: ToolStatus"), std::string::npos);
}

} // namespace
} // namespace qvtest
