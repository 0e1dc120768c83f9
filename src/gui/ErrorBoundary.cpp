#include "gui/ErrorBoundary.h"

#include "contracts/Error.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace qv {

namespace {
GuiErrorSink& Sink() {
    static GuiErrorSink sink;
    return sink;
}

void ShowBox(QWidget* parent, const std::string& text) {
    QWidget* owner = parent ? parent : QApplication::activeWindow();
    QMessageBox::critical(owner, QStringLiteral("Application Error"), QString::fromStdString(text));
}
} // namespace

void SetGuiErrorSink(GuiErrorSink sink) {
    Sink() = std::move(sink);
}

void ReportCurrentException(QWidget* parent) {
    std::string text;
    try {
        throw;
    } catch (const Error& e) {
        text = "Error " + std::to_string(e.Number()) + ": " + e.Description();
        if (!e.Source().empty()) text += " (" + e.Source() + ")";
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = "Unknown failure";
    }
    try {
        if (Sink())
            Sink()(parent, text);
        else
            ShowBox(parent, text);
    } catch (...) {
        // The sink itself failed; there is nowhere left to show it.
    }
}

} // namespace qv
