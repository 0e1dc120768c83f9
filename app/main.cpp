#include "AppSettings.h"
#include "MainWindow.h"
#include "ScriptRunner.h"
#include "gui/ErrorBoundary.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace {

int Run(QApplication& app) {
    QApplication::setOrganizationName("Veltrane");
    QApplication::setApplicationName("Quorvel");
    QApplication::setApplicationVersion("1.0");

    QCommandLineParser parser;
    parser.setApplicationDescription("Quorvel: the explorer of a help project.");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption screenshot("screenshot",
                                  "Save the window as a PNG after start, then quit "
                                  "(after the script, when one is given).",
                                  "file");
    QCommandLineOption script("script", "Run the gestures in the file (see ScriptRunner.h).",
                              "file");
    parser.addOption(screenshot);
    parser.addOption(script);
    parser.addPositionalArgument("project", "A project file (.qvproj) or a folder holding one.");
    parser.process(app);

    qv::app::AppSettings settings;
    qv::app::MainWindow window(settings);
    window.show();

    QStringList lines;
    if (parser.isSet(script)) {
        QFile file(parser.value(script));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            std::fprintf(stderr, "quorvel: cannot read the script %s\n",
                         parser.value(script).toUtf8().constData());
            return 2;
        }
        lines = QString::fromUtf8(file.readAll()).split('\n');
    }
    if (parser.isSet(screenshot)) lines << "screenshot " + parser.value(screenshot) << "quit";
    // Without a person, boxes that come up while the project opens are answered too.
    qv::app::ScriptRunner* runner =
        lines.isEmpty() ? nullptr : new qv::app::ScriptRunner(window, lines);
    if (runner) runner->WatchModals();

    const QStringList args = parser.positionalArguments();
    QString project = args.isEmpty() ? QString() : args.front();
    if (project.isEmpty() && !settings.RecentProjects().isEmpty())
        project = settings.RecentProjects().front();
    // The project opens once the window is on the screen, so that the author sees its progress
    // (the window itself shows within a few turns of the event loop; one second at most).
    auto* waiting = new QTimer(&window);
    waiting->setInterval(5);
    QElapsedTimer waited;
    waited.start();
    QObject::connect(waiting, &QTimer::timeout, &window, [&, waiting] {
        const QWindow* handle = window.windowHandle();
        if ((!handle || !handle->isExposed()) && waited.elapsed() < 1000) return;
        // Once: a question the open asks runs an event loop of its own.
        waiting->stop();
        waiting->deleteLater();
        window.repaint();
        if (!project.isEmpty()) {
            const bool opened = runner ? runner->OpenProject(project) : window.OpenProject(project);
            if (!opened && runner) {
                qv::app::ScriptRunner::Log("FAILED the project could not be opened");
                QApplication::exit(1);
                return;
            }
        }
        // Give the window a moment to be laid out and drawn before the first gesture.
        if (runner) QTimer::singleShot(300, runner, &qv::app::ScriptRunner::Start);
    });
    waiting->start();
    window.EndProcess(app.exec()); // saves, ends the component, then the process at once
}

} // namespace

// A failure in an event handler goes to the error box (GuardedApplication) and the program
// goes on; one outside the event loop (while the window is made) ends it with a message.
int main(int argc, char** argv) {
    qv::GuardedApplication app(argc, argv);
    try {
        return Run(app);
    } catch (...) {
        std::fprintf(stderr, "quorvel: %s\n", qv::CurrentExceptionText().c_str());
        qv::ReportCurrentException(nullptr);
        return 1;
    }
}
