#include "gui/ErrorReportLog.h"

#include <QApplication>
#include <QDateTime>
#include <QMessageBox>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace qv {

namespace {
std::string NormalLines(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Head(const ErrorComponentReport& r) {
    return "Error " + std::to_string(r.number) + " in " + r.module + "." + r.procedure + " (line " +
           std::to_string(r.line) + "): " + r.description;
}
} // namespace

ErrorReportLog::ErrorReportLog(ErrorComponent& component, std::string folder, QWidget* parent)
    : component_(component), folder_(folder.empty() ? DefaultFolder() : std::move(folder)),
      parent_(parent) {
    component_.SetObserver([this](const ErrorComponentReport& r) { Receive(r); });
}

ErrorReportLog::~ErrorReportLog() {
    component_.SetObserver(nullptr);
}

std::string ErrorReportLog::DefaultFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state) return std::string(state) + "/Quorvel2";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/state/Quorvel2";
}

std::string ErrorReportLog::FormatReport(const ErrorComponentReport& r) {
    std::string out = Head(r) + "\n";
    out += "Source: " + r.source + "\n";
    out += "Version: " + r.version + "\n\n";
    out += NormalLines(r.text);
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out;
}

void ErrorReportLog::Receive(const ErrorComponentReport& report) {
    std::string file;
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    const std::string stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString();
    const std::string path = folder_ + "/error-" + stamp + "-" + std::to_string(::getpid()) + "-" +
                             std::to_string(++sequence_) + ".txt";
    if (std::ofstream out(path, std::ios::binary); out) {
        out << FormatReport(report);
        if (out.flush()) file = path;
    }
    pending_.push_back(report);
    pendingFiles_.push_back(file);
    if (flushQueued_) return;
    flushQueued_ = true;
    QTimer::singleShot(0, this, [this] { Flush(); });
}

void ErrorReportLog::Flush() {
    flushQueued_ = false;
    if (pending_.empty()) return;
    std::vector<ErrorComponentReport> reports;
    std::vector<std::string> files;
    reports.swap(pending_);
    files.swap(pendingFiles_);
    if (presenter_) {
        presenter_(reports, files);
        return;
    }
    std::string text = Head(reports.front());
    std::string details;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        details += FormatReport(reports[i]);
        details += files[i].empty() ? "(the report could not be written)\n\n"
                                    : "Written to " + files[i] + "\n\n";
    }
    if (!files.front().empty()) text += "\n\nThe report was written to " + files.front() + ".";
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"),
                    QString::fromStdString(text), QMessageBox::Ok,
                    parent_ ? parent_ : QApplication::activeWindow());
    box.setDetailedText(QString::fromStdString(details));
    box.exec();
}

} // namespace qv
