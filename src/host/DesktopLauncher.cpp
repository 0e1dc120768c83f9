#include "host/DesktopLauncher.h"

#include <QProcess>
#include <QStandardPaths>
#include <memory>

namespace qv {

namespace {
// Enough of the launcher's standard error to say why; a runaway one is cut.
constexpr qsizetype kMaxReason = 600;
} // namespace

void OpenWithDesktop(const std::string& path, QObject& context,
                     std::function<void(const std::string& why)> failed) {
    const QString launcher = QStandardPaths::findExecutable("xdg-open");
    if (launcher.isEmpty()) {
        failed("No program is set up to open files on this desktop (xdg-open, of the package "
               "xdg-utils, is not installed), so " +
               path + " was not opened.");
        return;
    }
    auto* process = new QProcess(&context);
    process->setProgram(launcher);
    process->setArguments({QString::fromStdString(path)});
    process->setStandardOutputFile(QProcess::nullDevice());
    // Shared by both outcomes: a launcher that cannot start reports an error and no finish.
    auto report = std::make_shared<std::function<void(const std::string&)>>(std::move(failed));
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, report, path](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart || !*report) return;
                         (*report)("The desktop's launcher " + process->program().toStdString() +
                                   " could not be started (" +
                                   process->errorString().toStdString() + "), so " + path +
                                   " was not opened.");
                         *report = nullptr;
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, report, path](int code, QProcess::ExitStatus status) {
                         process->deleteLater();
                         if ((status == QProcess::NormalExit && code == 0) || !*report) return;
                         QString words =
                             QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
                         if (words.size() > kMaxReason) words = words.left(kMaxReason) + "...";
                         std::string why = "The desktop could not open " + path + ".";
                         if (!words.isEmpty())
                             why += "\n\n" + words.toStdString();
                         else if (status == QProcess::NormalExit)
                             why += "\n\nxdg-open ended with status " + std::to_string(code) + ".";
                         (*report)(why);
                         *report = nullptr;
                     });
    process->start();
}

} // namespace qv
