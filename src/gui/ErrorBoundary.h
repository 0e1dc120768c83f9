#pragma once

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
// Hands the text of the exception being handled (qv::Error: number and description) to the
// sink. Call it only inside a catch block.
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

} // namespace qv
