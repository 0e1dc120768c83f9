#include "diagnostics/ErrorReport.h"

#include "diagnostics/Globals.h"
#include "support/ErrorOf.h"
#include "support/FakeHostLibraries.h"

#include <gtest/gtest.h>
#include <new>
#include <stdexcept>
#include <string>

namespace {

using qv::Variant;
using qv::VarType;
using qv::diag::ErrorContext;
using qv::diag::ErrorReporter;
using qv::diag::Procedure;
using qv::diag::Var;

const char* const kBoxHead =
    "QVLiteControls2 has encountered a problem. We are sorry for the inconvenience.\r\n\r\n";

class ErrorReportTest : public ::testing::Test {
protected:
    void SetUp() override { qv::diag::ThreadGlobals() = qv::diag::Globals{}; }

    // The eight arguments of the only report.
    const std::vector<Variant>& OnlyReport() {
        auto& comps = libs.components;
        EXPECT_EQ(comps.size(), 1u);
        EXPECT_EQ(comps.at(0)->reports.size(), 1u);
        return comps.at(0)->reports.at(0);
    }
    // The arguments but the report text, "|"-separated, each Long marked "#".
    static std::string Args(const std::vector<Variant>& args) {
        std::string out;
        for (std::size_t i = 0; i < args.size(); ++i)
            if (i != 6)
                out += (out.empty() ? "" : "|") +
                       std::string(args[i].Type() == VarType::Long ? "#" : "") + args[i].ToString();
        return out;
    }
    static std::string Failure() {
        const auto& g = qv::diag::ThreadGlobals();
        return std::to_string(g.vbfmErrorNumber) + "|" + g.vbfmErrorDescription + "|" +
               g.vbfmErrorSource + "|" + std::to_string(g.vbfmErrorLine);
    }

    qvtest::FakeHostLibraries libs;
    ErrorReporter reporter{libs};
    ErrorContext context{reporter, "ProjectExplorer", nullptr};
};

TEST_F(ErrorReportTest, ReportTextLayout) {
    EXPECT_EQ(ErrorReporter::ReportText("{None}", "<mPosting>False</mPosting>\r\n", "{None}"),
              "<Variables>\r\n<LocalVariables>\r\n{None}</LocalVariables>\r\n"
              "<ModuleVariables>\r\n<mPosting>False</mPosting>\r\n</ModuleVariables>\r\n"
              "<GlobalVariables>\r\n" +
                  qv::diag::DumpGlobalVariables() +
                  "</GlobalVariables>\r\n</Variables>\r\n"
                  "<Parameters>\r\n{None}</Parameters>");
}

TEST_F(ErrorReportTest, TheComponentGetsEightArgumentsAndTheErrorIsPassedOn) {
    libs.errorComponent = true;
    std::string passedOn = "nothing";
    try {
        reporter.HandleError(53, "frmBitmapContainer", "Form_Load", "File not found", 7,
                             "<i>1</i>\r\n", "{None}", "<p>x</p>\r\n");
    } catch (const qv::Error& e) {
        passedOn = std::to_string(e.Number()) + "|" + e.Description() + "|" + e.Source();
    }
    EXPECT_EQ(passedOn, "65535|Application-defined or object-defined error|QVLiteControls2");
    EXPECT_TRUE(libs.msgBoxes.empty());
    const auto& args = OnlyReport();
    ASSERT_EQ(args.size(), 8u);
    EXPECT_EQ(Args(args),
              "#53|QVLiteControls2|frmBitmapContainer|Form_Load|File not found|#7|1.0.0");
    EXPECT_EQ(args[6].ToString(),
              ErrorReporter::ReportText("<i>1</i>\r\n", "{None}", "<p>x</p>\r\n"));
    EXPECT_EQ(libs.components[0]->members, (std::vector<std::string>{"ErrorHandler", "Action"}));

    // A failure inside the component leaves as it is.
    libs.handlerError = 70;
    EXPECT_EQ(qvtest::ErrorOf(
                  [&] { reporter.HandleError(5, "M", "P", "d", 0, "{None}", "{None}", "{None}"); }),
              70);
}

TEST_F(ErrorReportTest, AProcedureWithoutVariablesReportsNoneEverywhere) {
    libs.errorComponent = true;
    Procedure p(context, "Refresh");
    p.line = 4;
    EXPECT_THROW(p.Run([] { throw qv::Error(91, "not set", "QVLiteObjects2"); }), qv::Error);
    const auto& args = OnlyReport();
    EXPECT_EQ(Args(args), "#91|QVLiteControls2|ProjectExplorer|Refresh|not set|#4|1.0.0");
    const std::string text = args[6].ToString();
    EXPECT_NE(text.find("<LocalVariables>\r\n{None}</LocalVariables>"), std::string::npos);
    EXPECT_NE(text.find("<ModuleVariables>\r\n{None}</ModuleVariables>"), std::string::npos);
    EXPECT_NE(text.find("<Parameters>\r\n{None}</Parameters>"), std::string::npos);

    EXPECT_EQ(Failure(), "91|not set|QVLiteObjects2|4");
    EXPECT_EQ(qv::diag::ThreadGlobals().vbfmVariableDump, "{None}");
    // The globals dump in the report shows the failure just captured.
    EXPECT_NE(text.find("<vbfmErrorNumber>91</vbfmErrorNumber>"), std::string::npos);
}

TEST_F(ErrorReportTest, VariablesAreReadAtTheMomentOfFailure) {
    libs.errorComponent = true;
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
    const auto& args = OnlyReport();
    const std::string locals =
        "<count>5</count>\r\n<pic>{Cannot dump external UDTs}</pic><found>True</found>\r\n";
    EXPECT_EQ(args[6].ToString(),
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
    EXPECT_EQ(libs.msgBoxes.size(), 3u);
}

// Outer calls Middle calls Inner, which fails.
struct Chain {
    ErrorContext& context;
    bool outerWentOn = false;
    bool middleWentOn = false;

    void Inner() {
        Procedure p(context, "Inner");
        p.line = 3;
        p.Run([] { throw qv::Error(9, "Subscript out of range"); });
    }
    void Middle() {
        Procedure p(context, "Middle");
        p.line = 2;
        p.Run([&] {
            Inner();
            middleWentOn = true;
        });
    }
    void Outer() {
        Procedure p(context, "Outer");
        p.line = 1;
        p.Run([&] {
            Middle();
            outerWentOn = true;
        });
    }
};

TEST_F(ErrorReportTest, WithTheComponentEveryLevelReportsOnce) {
    libs.errorComponent = true;
    Chain chain{context};
    EXPECT_EQ(qvtest::ErrorOf([&] { chain.Outer(); }), 65535); // the outermost hands it back
    std::string reports;
    for (const auto& r : libs.ErrorReports())
        reports += Args(r) + "\n";
    const std::string passedOn = "|Application-defined or object-defined error|#";
    EXPECT_EQ(reports, "#9|QVLiteControls2|ProjectExplorer|Inner|Subscript out of range|#3|1.0.0\n"
                       "#65535|QVLiteControls2|ProjectExplorer|Middle" +
                           passedOn +
                           "2|1.0.0\n"
                           "#65535|QVLiteControls2|ProjectExplorer|Outer" +
                           passedOn + "1|1.0.0\n");
    EXPECT_FALSE(chain.middleWentOn);
    EXPECT_FALSE(chain.outerWentOn);
    EXPECT_TRUE(libs.msgBoxes.empty());
}

TEST_F(ErrorReportTest, WithoutTheComponentOneBoxAndTheCallerGoesOn) {
    Chain chain{context};
    chain.Outer();
    ASSERT_EQ(libs.msgBoxes.size(), 1u);
    EXPECT_EQ(libs.msgBoxes[0].prompt, std::string(kBoxHead) + "Module: ProjectExplorer\r\n"
                                                               "Procedure: Inner\r\n"
                                                               "Line Number: 3\r\n\r\n"
                                                               "Subscript out of range (9)");
    EXPECT_EQ(libs.msgBoxes[0].buttons, 16);
    EXPECT_EQ(libs.msgBoxes[0].title, "Application Error");
    EXPECT_TRUE(chain.middleWentOn);
    EXPECT_TRUE(chain.outerWentOn);
    EXPECT_TRUE(libs.ErrorReports().empty());
}

} // namespace
