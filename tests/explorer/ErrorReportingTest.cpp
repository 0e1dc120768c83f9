#include "contracts/Error.h"
#include "support/ExplorerHarness.h"

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

} // namespace
} // namespace qvtest
