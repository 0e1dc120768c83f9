#include "GuiTestSupport.h"
#include "gui/ErrorBoundary.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace qvtest {

std::vector<std::string>& ModelTesterFailures() {
    static std::vector<std::string> failures;
    return failures;
}

std::vector<std::string>& GuiErrors() {
    static std::vector<std::string> errors;
    return errors;
}

namespace {
void Collect(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtDebugMsg && context.category && std::string(context.category) == "qt.modeltest")
        ModelTesterFailures().push_back(message.toStdString());
}
} // namespace

} // namespace qvtest

// Widgets need an application object for the whole run; the test list is read without a
// display, so the offscreen platform is the default.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qv::GuardedApplication app(argc, argv);
    qInstallMessageHandler(qvtest::Collect);
    qv::SetGuiErrorSink(
        [](QWidget*, const std::string& text) { qvtest::GuiErrors().push_back(text); });
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
