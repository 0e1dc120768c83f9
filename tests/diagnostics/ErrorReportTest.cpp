#include "diagnostics/ErrorReport.h"

#include "diagnostics/Globals.h"
#include "support/ExplorerHarness.h"

#include <gtest/gtest.h>
#include <new>
#include <stdexcept>
#include <string>

namespace {

using qv::diag::ErrorContext;
using qv::diag::ErrorReporter;
using qv::diag::Procedure;
using qv::diag::Var;

// The report's layout, the component's arguments and the chain of procedures are checked by the
// explorer's and the scenario tests; here what they cannot reach: the dumps of a failing
// procedure's own variables and failures that are not run-time errors.
class ErrorReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        qv::diag::ThreadGlobals() = qv::diag::Globals{};
        h.log.Clear();
    }
    static std::string Failure() {
        const auto& g = qv::diag::ThreadGlobals();
        return std::to_string(g.vbfmErrorNumber) + "|" + g.vbfmErrorDescription + "|" +
               g.vbfmErrorSource + "|" + std::to_string(g.vbfmErrorLine);
    }

    qvtest::ExplorerHarness h;
    ErrorReporter reporter{h.libraries};
    ErrorContext context{reporter, "ProjectExplorer", nullptr};
};

TEST_F(ErrorReportTest, AProcedureWithoutVariablesReportsNoneEverywhere) {
    h.libraries.Options().errorComponent = true;
    Procedure p(context, "Refresh");
    p.line = 4;
    EXPECT_THROW(p.Run([] { throw qv::Error(91, "not set", "QVLiteObjects2"); }), qv::Error);
    ASSERT_EQ(h.reports.size(), 1u);
    EXPECT_EQ(h.reports[0].text, ErrorReporter::ReportText("{None}", "{None}", "{None}"));
    EXPECT_EQ(Failure(), "91|not set|QVLiteObjects2|4");
    EXPECT_EQ(qv::diag::ThreadGlobals().vbfmVariableDump, "{None}");
    // The globals dump in the report shows the failure just captured.
    EXPECT_NE(h.reports[0].text.find("<vbfmErrorNumber>91</vbfmErrorNumber>"), std::string::npos);
}

TEST_F(ErrorReportTest, VariablesAreReadAtTheMomentOfFailure) {
    h.libraries.Options().errorComponent = true;
    context.moduleDump = [] { return std::string("<mPosting>True</mPosting>\r\n"); };
    int32_t count = 1;
    std::string key = "t:1";
    bool found = false;
    Procedure p(context, "FindNode", {Var("Key", key), Var::UdtParameter("Command")},
                {Var("count", count), Var::ExternalUdt("pic"), Var("found", found)});
    count = 5;
    key = "t:2";
    EXPECT_THROW(p.Run([&] {
        found = true;
        throw qv::Error(35601, "Element not found");
    }),
                 qv::Error);
    ASSERT_EQ(h.reports.size(), 1u);
    const std::string locals =
        "<count>5</count>\r\n<pic>{Cannot dump external UDTs}</pic><found>True</found>\r\n";
    EXPECT_EQ(h.reports[0].text,
              ErrorReporter::ReportText(locals, "<mPosting>True</mPosting>\r\n",
                                        "<Key>t:2</Key>\r\n"
                                        "<Command>{Can't dump UDT parameters}</Command>"));
    EXPECT_EQ(qv::diag::ThreadGlobals().vbfmVariableDump, locals);
}

TEST_F(ErrorReportTest, FailuresThatAreNotRunTimeErrorsGetNumbers) {
    Procedure p(context, "P");
    p.Run([] { throw std::runtime_error("boom"); });
    EXPECT_EQ(Failure(), "51|Internal error: boom|QVLiteControls2|0");
    p.Run([] { throw std::bad_alloc(); });
    EXPECT_EQ(Failure(), "7|Out of memory|QVLiteControls2|0");
    p.Run([] { throw 42; });
    EXPECT_EQ(qv::diag::ThreadGlobals().vbfmErrorNumber, 51);
    const std::string log = h.log.Take();
    std::size_t boxes = 0;
    for (std::size_t at = 0; (at = log.find("msgbox 16 Application Error: ", at)) != log.npos; ++at)
        ++boxes;
    EXPECT_EQ(boxes, 3u) << log;
}

} // namespace
