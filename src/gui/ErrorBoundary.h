#pragma once

#include <QApplication>
#include <exception>
#include <functional>
#include <string>

class QWidget;

namespace qv {

// Where the GUI sends a failure it caught at a Qt boundary (slot, event handler, model call).
// The default shows a modal "Application Error" box over parent; tests and programs may set
// their own (an empty function restores the default). Not thread-safe: UI thread only.
using GuiErrorSink = std::function<void(QWidget* parent, const std::string& text)>;
void SetGuiErrorSink(GuiErrorSink sink);
// The text of the exception being handled: a qv::Error's number and description, "Out of
// memory" for lack of memory, else its what(). Call it only inside a catch block.
std::string CurrentExceptionText();
// Hands that text to the sink. Call it only inside a catch block.
void ReportCurrentException(QWidget* parent);

// Runs f; nothing it throws gets past this call: the failure goes to the error sink. Returns
// whether f finished normally.
template <class F> bool Guarded(QWidget* parent, F&& f) {
    try {
        f();
        return true;
    } catch (...) {
        ReportCurrentException(parent);
        return false;
    }
}

// The application object of a program with a GUI: a failure that leaves an event handler
// (a slot, a paint, a timer; lack of memory included) goes to the error sink instead of
// ending the program; the event counts as not handled.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace qv
