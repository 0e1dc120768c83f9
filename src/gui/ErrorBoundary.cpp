#include "gui/ErrorBoundary.h"

#include "contracts/Error.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <new>

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

std::string CurrentExceptionText() {
    try {
        throw;
    } catch (const Error& e) {
        std::string text = "Error " + std::to_string(e.Number()) + ": " + e.Description();
        if (!e.Source().empty()) text += " (" + e.Source() + ")";
        return text;
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown failure";
    }
}

void ReportCurrentException(QWidget* parent) {
    try {
        const std::string text = CurrentExceptionText();
        if (Sink())
            Sink()(parent, text);
        else
            ShowBox(parent, text);
    } catch (...) {
        // The sink itself failed; there is nowhere left to show it.
    }
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportCurrentException(nullptr);
        return false;
    }
}

} // namespace qv
