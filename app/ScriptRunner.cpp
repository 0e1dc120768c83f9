#include "ScriptRunner.h"

#include "MainWindow.h"
#include "TopicEditor.h"
#include "TopicPropertiesDialog.h"
#include "explorer/ProjectExplorer.h"
#include "gui/CommandBarWidget.h"
#include "gui/ExplorerWidget.h"
#include "gui/KeyboardMoves.h"
#include "gui/TreeFilter.h"
#include "gui/TreeModel.h"
#include "gui/TreeWidget.h"
#include "gui/WarningBarWidget.h"
#include "model/Project.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace qv::app {

namespace {

QString SelectedKey(MainWindow& window) {
    ProjectExplorer* control = window.Control();
    Node* node = control ? control->Tree().SelectedItem() : nullptr;
    return node ? QString::fromStdString(node->Key()) : QString();
}

// A key pressed and released in the widget, as the keyboard sends it.
void Press(QWidget& widget, QKeyCombination key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key.key(), key.keyboardModifiers(), text);
    QApplication::sendEvent(&widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key.key(), key.keyboardModifiers(), text);
    QApplication::sendEvent(&widget, &release);
}

// Since the kernel started this process (its start time has a resolution of one clock tick,
// 10 ms); -1 when the system does not tell.
qint64 MsSinceProcessStart() {
    QFile stat("/proc/self/stat");
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command name, which is in parentheses and may hold blanks.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    timespec now{};
    if (fields.size() < 20 || ::clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1;
    const qint64 ticks = fields[19].toLongLong(); // field 22: start time after boot
    const qint64 hz = ::sysconf(_SC_CLK_TCK);
    return now.tv_sec * 1000 + now.tv_nsec / 1000000 - ticks * 1000 / hz;
}

// CPU time of the calling thread: what a gesture cost, whatever else the machine ran.
qint64 ThreadCpuNs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// Milliseconds with one decimal.
QString Ms(qint64 ns) {
    return QString::number(static_cast<double>(ns) / 1e6, 'f', 1);
}

// The event loop's heartbeat while a line runs: short enough to see a stall of 100 ms clearly.
constexpr int kBeatMs = 5;

} // namespace

bool SaveScreenshot(QWidget& window, const QString& file, QString& problem) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    const QPixmap shot = window.grab();
    if (shot.isNull()) {
        problem = "the window could not be drawn";
        return false;
    }
    if (!shot.save(file, "PNG")) {
        problem = "cannot write " + file;
        return false;
    }
    return true;
}

ScriptRunner::ScriptRunner(MainWindow& window, QStringList lines)
    : QObject(&window), window_(window), lines_(std::move(lines)) {
    modalWatcher_.setInterval(50);
    connect(&modalWatcher_, &QTimer::timeout, this, &ScriptRunner::AnswerModal);
    window_.SetLog([](const QString& text) { Log("note " + text); });
    heartbeat_.setTimerType(Qt::PreciseTimer);
    heartbeat_.setInterval(kBeatMs);
    connect(&heartbeat_, &QTimer::timeout, this, &ScriptRunner::Beat);
    connect(&window_, &MainWindow::BuildEnded, this, [this] {
        if (waiting_ && current_.startsWith("build")) Finish();
    });
    connect(&window_, &MainWindow::Exiting, this, [this] {
        if (!current_.isEmpty() && !failed_) LogTiming();
    });
    clock_.start();
    // The project of the command line opens before the event loop first turns; its first turn
    // ends the line.
    current_ = "(open)";
    Begin();
    QTimer::singleShot(0, this, [this] {
        if (current_ != "(open)") return;
        LogTiming();
        if (const qint64 ms = MsSinceProcessStart(); ms >= 0)
            Log(QString("the window showed the project %1 ms after the process started").arg(ms));
    });
}

void ScriptRunner::WatchModals() {
    if (modalWatcher_.isActive()) return;
    modalWatcher_.start();
    // A box is answered as soon as it shows, so that the timings hold the program's work only;
    // the watcher's beat stays for boxes shown before the filter.
    qApp->installEventFilter(this);
}

bool ScriptRunner::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow())
        QTimer::singleShot(0, this, &ScriptRunner::AnswerModal);
    return QObject::eventFilter(watched, event);
}

void ScriptRunner::Begin() {
    started_ = lastTurn_ = clock_.nsecsElapsed();
    longestStall_ = 0;
    heartbeat_.start();
}

void ScriptRunner::Beat() {
    const qint64 now = clock_.nsecsElapsed();
    longestStall_ = std::max(longestStall_, now - lastTurn_);
    lastTurn_ = now;
}

void ScriptRunner::LogTiming() {
    Beat();
    heartbeat_.stop();
    Log("[took " + Ms(clock_.nsecsElapsed() - started_) + " ms, longest stall " +
        Ms(longestStall_) + " ms] " + current_);
    current_.clear();
}

void ScriptRunner::Finish() {
    waiting_ = false;
    if (failed_) return;
    LogTiming();
    // Let the window catch up with the step before the next one.
    QTimer::singleShot(50, this, &ScriptRunner::Next);
}

void ScriptRunner::Log(const QString& text) {
    std::fprintf(stdout, "script: %s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

void ScriptRunner::Start() {
    WatchModals();
    QTimer::singleShot(0, this, &ScriptRunner::Next);
}

void ScriptRunner::Next() {
    while (!failed_ && next_ < lines_.size()) {
        const QString line = lines_[next_++].trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        const int space = line.indexOf(' ');
        const QString command = space < 0 ? line : line.left(space);
        const QString argument = space < 0 ? QString() : line.mid(space + 1).trimmed();
        Log("> " + line);
        current_ = line;
        Begin();
        try {
            Run(command, argument);
        } catch (const std::exception& e) {
            Fail(QString::fromUtf8(e.what()));
        }
        if (!waiting_) Finish();
        return;
    }
    if (!failed_) Log("done");
}

void ScriptRunner::Fail(const QString& why) {
    if (failed_) return;
    failed_ = true;
    Log("FAILED " + why);
    QApplication::exit(1);
}

void ScriptRunner::Run(const QString& command, const QString& argument) {
    ProjectExplorer* control = window_.Control();
    if (command == "quit") {
        // Ends in MainWindow::EndProcess, which tells Exiting.
        waiting_ = true;
        if (!window_.close()) {
            waiting_ = false;
            return Fail("the window did not close");
        }
        return;
    }
    if (command == "open") {
        if (!window_.OpenProject(argument)) return Fail("could not open " + argument);
        // On screen: the tree is drawn before the line ends.
        window_.repaint();
        Log("opened " + argument);
        return;
    }
    if (command == "screenshot") {
        QString problem;
        if (!SaveScreenshot(window_, argument, problem)) return Fail(problem);
        Log("screenshot " + argument);
        return;
    }
    if (!control) return Fail("no project is open");
    TreeWidget& tree = window_.Explorer()->Tree();
    if (command == "select" || command == "expect" || command == "delete") {
        const std::string key = argument.toStdString();
        if (!control->Tree().Nodes().Contains(key)) return Fail("no node " + argument);
        if (command != "expect") {
            Node& node = control->Tree().Nodes().Item(key);
            node.EnsureVisible();
            window_.Explorer()->Tree().Tree().Click(&node);
            window_.Explorer()->Tree().SyncFromTree();
        }
        if (SelectedKey(window_) != argument)
            return Fail("selected: " + SelectedKey(window_) + ", expected " + argument);
        if (command != "delete") return Log("selected " + argument);
        Press(tree, QKeyCombination(Qt::Key_Delete));
        Log((control->Tree().Nodes().Contains(key) ? "kept " : "deleted ") + argument);
    } else if (command == "cut" || command == "paste") {
        const std::string key = argument.toStdString();
        if (!control->Tree().Nodes().Contains(key)) return Fail("no node " + argument);
        KeyboardMoves& moves = window_.Explorer()->Moves();
        const std::string source = moves.CutKey();
        Node& node = control->Tree().Nodes().Item(key);
        node.EnsureVisible();
        tree.Tree().Click(&node);
        tree.SyncFromTree();
        if (command == "cut") {
            Press(tree, QKeyCombination(Qt::ControlModifier, Qt::Key_X));
            if (moves.CutKey() != key) return Fail("nothing was cut at " + argument);
            return Log("cut " + argument);
        }
        if (source.empty()) return Fail("nothing to paste");
        Press(tree, QKeyCombination(Qt::ControlModifier, Qt::Key_V));
        const bool moved = moves.CutKey().empty();
        Log(QString(moved ? "moved %1 into %2" : "not moved %1 into %2")
                .arg(QString::fromStdString(source), argument));
    } else if (command == "filter") {
        TreeFilter& filter = window_.Explorer()->Filter();
        QLineEdit& field = filter.Field();
        const int before = filter.ShownRows();
        // Clicking into the field: the filter reads the rows' texts now, not on the first key.
        qint64 cpu = ThreadCpuNs();
        field.setFocus(Qt::MouseFocusReason);
        const qint64 focusCpu = ThreadCpuNs() - cpu;
        // Each key with what it costs on screen: the layout and the rows drawn.
        qint64 slowest = 0, slowestCpu = 0, totalCpu = 0;
        auto press = [&](QKeyCombination key, const QString& text) {
            QElapsedTimer clock;
            clock.start();
            cpu = ThreadCpuNs();
            Press(field, key, text);
            tree.viewport()->repaint();
            slowest = std::max(slowest, clock.nsecsElapsed());
            slowestCpu = std::max(slowestCpu, ThreadCpuNs() - cpu);
            totalCpu += ThreadCpuNs() - cpu;
        };
        if (argument.isEmpty()) {
            press(QKeyCombination(Qt::Key_Escape), {});
            return Log(QString("filter cleared: %1 rows shown (%2 before); took %3 ms (CPU %4 ms)")
                           .arg(filter.ShownRows())
                           .arg(before)
                           .arg(Ms(slowest), Ms(slowestCpu)));
        }
        field.selectAll(); // the first key replaces what the field held
        for (const QChar c : argument)
            press(QKeyCombination(Qt::Key(c.toUpper().unicode())), QString(c));
        // The floor: the view laying out the rows it now shows, with nothing changed.
        cpu = ThreadCpuNs();
        tree.doItemsLayout();
        const qint64 layoutCpu = ThreadCpuNs() - cpu;
        Log(QString("filter %1: %2 items match, %3 rows shown (%4 before); focus CPU %5 ms; "
                    "keystroke: slowest %6 ms (CPU %7 ms), mean CPU %8 ms; the view's layout "
                    "alone CPU %9 ms")
                .arg(argument)
                .arg(filter.Matches())
                .arg(filter.ShownRows())
                .arg(before)
                .arg(Ms(focusCpu), Ms(slowest), Ms(slowestCpu), Ms(totalCpu / argument.size()),
                     Ms(layoutCpu)));
    } else if (command == "press") {
        const QKeySequence sequence(argument);
        if (sequence.isEmpty() || sequence.count() != 1) return Fail("unknown key " + argument);
        Press(tree, sequence[0], argument.size() == 1 ? argument : QString());
        Log("pressed " + argument);
    } else if (command == "expand" || command == "collapse") {
        const std::string key = argument.toStdString();
        if (!control->Tree().Nodes().Contains(key)) return Fail("no node " + argument);
        Node& node = control->Tree().Nodes().Item(key);
        const QModelIndex index = tree.Model().IndexOf(&node);
        if (!index.isValid()) return Fail("no row for " + argument);
        const bool expand = command == "expand";
        if (expand)
            tree.expand(index);
        else
            tree.collapse(index);
        if (node.Expanded() != expand && node.FirstChild())
            return Fail(argument + (expand ? " did not expand" : " did not collapse"));
        Log((node.Expanded() ? "expanded " : "collapsed ") + argument);
    } else if (command == "properties") {
        pendingTitle_ = argument;
        control->ClickTool("Properties");
        if (!pendingTitle_.isEmpty()) return Fail("no properties dialog came up");
        Log("properties done");
    } else if (command == "find") {
        CommandBarWidget& commands = window_.Explorer()->Commands();
        HeadlessCommandBar& bar = commands.Bar();
        if (bar.StateItem("Find").Checked() != 1) {
            if (QAction* find = commands.Action("Find"))
                find->trigger();
            else
                bar.UserClick("Find");
        }
        if (QComboBox* field = commands.Field("FindValue")) field->setEditText(argument);
        if (bar.Item("FindValue").Text() != argument.toStdString())
            bar.UserSetFieldText("FindValue", argument.toStdString());
        if (QAction* now = commands.Action("FindNow"))
            now->trigger();
        else
            bar.UserClick("FindNow");
        Log("found " + SelectedKey(window_));
    } else if (command == "warning") {
        const WarningBarWidget& bar = window_.Explorer()->Warning();
        Log(QString(bar.isVisible() ? "warning shown " : "warning hidden ") + bar.Caption());
    } else if (command == "click") {
        control->ClickTool(argument.toStdString());
        Log("clicked " + argument);
    } else if (command == "build") {
        if (!argument.isEmpty() && argument != "cancel") return Fail("unknown build " + argument);
        control->ClickTool("Build");
        // Not running: it could not start, and the box that said why was answered.
        if (!window_.Building()) return;
        waiting_ = true;
        if (argument == "cancel") window_.CancelBuild();
    } else if (command == "edit") {
        control->ClickTool("Edit");
        TopicEditor* editor = window_.CurrentEditor();
        if (!editor) return Fail("no editor opened");
        Log("editing " + QDir::toNativeSeparators(editor->Path()));
    } else if (command == "save") {
        if (!window_.SaveAll()) return Fail("save failed");
        if (window_.Modified()) return Fail("still modified after saving");
        Log("saved");
    } else {
        Fail("unknown command " + command);
    }
}

void ScriptRunner::AnswerModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (auto* dialog = qobject_cast<TopicPropertiesDialog*>(modal)) {
        if (pendingTitle_.isEmpty()) {
            Log("properties dialog cancelled");
            dialog->reject();
            return;
        }
        dialog->TitleField()->setText(pendingTitle_);
        pendingTitle_.clear();
        dialog->accept();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        Log("message " + box->windowTitle() + ": " + QString(box->text()).replace('\n', " | "));
        if (QAbstractButton* button = box->defaultButton())
            button->click();
        else
            box->reject();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        Log("dialog " + dialog->windowTitle() + " cancelled");
        dialog->reject();
    }
}

} // namespace qv::app
