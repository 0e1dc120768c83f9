#pragma once

#include "host/ErrorComponent.h"

#include <QObject>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace qv {

// The error component of a desktop program: every report the library hands to
// "VeltaError.Error" is written to a file of its own in the user's state folder
// ($XDG_STATE_HOME/Quorvel2, else ~/.local/state/Quorvel2), and each failure is shown once:
// the reports of one failure come in a burst (each level of the call chain reports, the outer
// ones as 65535), so they are gathered and shown together when the event loop next runs.
// A report that cannot be written is still shown. It becomes the component's observer.
class ErrorReportLog final : public QObject {
    Q_OBJECT
public:
    // How a gathered failure is shown: the reports (first = innermost) and their files.
    using Presenter = std::function<void(const std::vector<ErrorComponentReport>& reports,
                                         const std::vector<std::string>& files)>;

    // The component must outlive this object. folder "" means the state folder above.
    ErrorReportLog(ErrorComponent& component, std::string folder = {}, QWidget* parent = nullptr);
    ~ErrorReportLog() override;

    static std::string DefaultFolder();
    const std::string& Folder() const { return folder_; }
    // Replaces the modal "Application Error" box (for tests, and programs with their own).
    void SetPresenter(Presenter presenter) { presenter_ = std::move(presenter); }
    // The text written for a report.
    static std::string FormatReport(const ErrorComponentReport& report);
    // Shows what has been gathered now (normally the event loop does).
    void Flush();

private:
    void Receive(const ErrorComponentReport& report);

    ErrorComponent& component_;
    std::string folder_;
    QWidget* parent_;
    Presenter presenter_;
    std::vector<ErrorComponentReport> pending_;
    std::vector<std::string> pendingFiles_;
    bool flushQueued_ = false;
    unsigned sequence_ = 0;
};

} // namespace qv
