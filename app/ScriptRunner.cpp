#include "ScriptRunner.h"

#include "FileReveal.h"
#include "MainWindow.h"
#include "TopicEditor.h"
#include "TopicPropertiesDialog.h"
#include "UndoMenu.h"
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
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
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

// A caption as shown: "&&" is "&", a single "&" marks the access key.
QString Shown(QString text) {
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// The visible entries of a menu: "|" a separator, "(off)" disabled, "[x]" checked, "name >" a
// submenu.
QString MenuText(const QMenu& menu) {
    QStringList items;
    for (QAction* a : menu.actions()) {
        if (!a->isVisible()) continue;
        if (a->isSeparator()) {
            items << "|";
            continue;
        }
        QString item = Shown(a->text());
        if (a->isChecked()) item = "[x] " + item;
        if (!a->isEnabled()) item += " (off)";
        if (a->menu()) item += " >";
        items << item;
    }
    return items.join(", ").replace(", |, ", " | ");
}

// The action a key runs as a shortcut of the window, as the platform finds it: enabled, with
// that shortcut, in the window (its menus included).
QAction* ShortcutAction(QWidget& window, const QKeySequence& key) {
    for (QAction* a : window.findChildren<QAction*>())
        if (a->isEnabled() && a->shortcuts().contains(key)) return a;
    return nullptr;
}

// Types text into the widget key by key, as the keyboard does.
void Type(QWidget& widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&widget, &release);
    }
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
    connect(&window_, &MainWindow::DiskChecked, this, [this](int refresh) {
        if (waiting_ && refresh > diskRefreshSeen_ &&
            (current_.startsWith("touch ") || current_.startsWith("rm ")))
            Finish();
    });
    connect(&window_, &MainWindow::Exiting, this, [this] {
        if (!current_.isEmpty() && !failed_) LogTiming();
    });
    clock_.start();
}

bool ScriptRunner::OpenProject(const QString& path) {
    current_ = "(open)";
    Begin();
    const bool opened = window_.OpenProject(path);
    // On screen: the tree is drawn before the line ends.
    window_.repaint();
    LogTiming();
    if (const qint64 ms = MsSinceProcessStart(); opened && ms >= 0)
        Log(QString("the window showed the project %1 ms after the process started").arg(ms));
    return opened;
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
    startedCpu_ = ThreadCpuNs();
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
        Ms(longestStall_) + " ms, CPU " + Ms(ThreadCpuNs() - startedCpu_) + " ms] " + current_);
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
    window_.activateWindow(); // keys go to the widget with the focus, as a person's do
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
        lineNumber_ = next_;
        Begin();
        // Each line is a gesture of its own, one undo step.
        if (UndoMenu* undo = window_.Undo()) undo->Break();
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
    if (command == "key") {
        const QKeySequence sequence(argument);
        if (sequence.isEmpty() || sequence.count() != 1) return Fail("unknown key " + argument);
        if (QAction* action = ShortcutAction(window_, sequence)) {
            action->trigger();
            return Log("key " + argument + ": " + Shown(action->text()));
        }
        QWidget* target = QApplication::activePopupWidget();
        if (!target) target = QApplication::focusWidget();
        if (!target) target = window_.focusWidget(); // the window is not the active one
        if (!target) target = &window_;
        const QString name = target->objectName().isEmpty()
                                 ? QString::fromLatin1(target->metaObject()->className())
                                 : target->objectName();
        QPointer<QWidget> guard = target;
        Press(*target, sequence[0], argument.size() == 1 ? argument : QString());
        if (guard && sequence[0].key() == Qt::Key_Menu) {
            const QPoint pos = target->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, pos, target->mapToGlobal(pos));
            QApplication::sendEvent(target, &menu);
        }
        return Log("key " + argument + " to " + name);
    }
    if (command == "type") {
        QWidget* target = QApplication::focusWidget();
        if (!target) target = window_.focusWidget();
        if (!target) return Fail("no widget has the keyboard");
        Type(*target, argument);
        return Log("typed " + argument);
    }
    if (command == "button") {
        // The windows the program shows besides its main window (the build report).
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible()) continue;
            for (QPushButton* button : top->findChildren<QPushButton*>())
                if (button->isVisible() && button->isEnabled() &&
                    button->text().remove('&') == argument) {
                    button->click();
                    return Log("clicked button " + argument);
                }
        }
        return Fail("no button " + argument);
    }
    if (!control) return Fail("no project is open");
    TreeWidget& tree = window_.Explorer()->Tree();
    auto nodeOf = [&](const QString& key) -> Node* {
        const std::string k = key.toStdString();
        return control->Tree().Nodes().Contains(k) ? &control->Tree().Nodes().Item(k) : nullptr;
    };
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
        QComboBox* field = commands.Field("FindValue");
        if (!window_.Explorer()->FocusFindField() || !field || !field->lineEdit())
            return Fail("no find field to type into");
        // The keys go where the keyboard sends them: to the field, which hands them on to
        // its line edit.
        field->lineEdit()->selectAll();
        Type(*field, argument);
        Press(*field, QKeyCombination(Qt::Key_Return));
        const QString found = SelectedKey(window_);
        Node* node = nodeOf(found);
        const QModelIndex index = node ? tree.Model().IndexOf(node) : QModelIndex();
        const QRect row = index.isValid() ? tree.visualRect(index) : QRect();
        const bool shown = row.isValid() && tree.viewport()->rect().contains(row.center());
        QWidget* focus = window_.focusWidget();
        Log("found " + found + (shown ? " (shown)" : " (hidden)") +
            (focus && (focus == field || field->isAncestorOf(focus))
                 ? ", keyboard in the find field"
                 : ", keyboard elsewhere") +
            ", " + commands.MenuButtonText("FindIn"));
    } else if (command == "drag") {
        const QStringList parts = argument.split(' ', Qt::SkipEmptyParts);
        static const QStringList places = {"into", "before", "after"};
        if (parts.size() != 4 || parts[1] != "onto" || !places.contains(parts[3]))
            return Fail("drag KEY onto KEY into|before|after, not " + argument);
        Node* source = nodeOf(parts[0]);
        Node* target = nodeOf(parts[2]);
        if (!source || !target) return Fail("no node " + (source ? parts[2] : parts[0]));
        const QModelIndex from = tree.Model().IndexOf(source);
        const QModelIndex onto = tree.Model().IndexOf(target);
        if (!tree.visualRect(from).isValid() || !tree.visualRect(onto).isValid())
            return Fail("the rows to drag between are not both shown");
        // The press that starts a drag makes the row current.
        tree.setCurrentIndex(from);
        tree.scrollTo(onto);
        const QRect rect = tree.visualRect(onto);
        const int y = parts[3] == "into"     ? rect.center().y()
                      : parts[3] == "before" ? rect.top() + 1
                                             : rect.bottom() - 1;
        const QPoint at(rect.left() + rect.width() / 4, y);
        std::unique_ptr<QMimeData> data(tree.Model().mimeData({from}));
        if (!data) return Fail("the row of " + parts[0] + " cannot be dragged");
        const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction;
        QDragEnterEvent enter(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree.viewport(), &enter);
        QDragMoveEvent move(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree.viewport(), &move);
        QDropEvent drop(QPointF(at), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree.viewport(), &drop);
        // The tree takes the drop on the next turn of the event loop.
        waiting_ = true;
        const std::string key = parts[0].toStdString();
        QTimer::singleShot(20, this, [this, control, key] {
            if (!control->Tree().Nodes().Contains(key)) {
                Log("dragged " + QString::fromStdString(key) + ": gone");
            } else {
                Node& node = control->Tree().Nodes().Item(key);
                Node* parent = node.Parent();
                Node* previous = node.PreviousSibling();
                Log("dragged " + QString::fromStdString(key) + ": in " +
                    QString::fromStdString(parent ? parent->Key() : "(top)") + ", after " +
                    QString::fromStdString(previous ? previous->Key() : "(first)") +
                    (parent && !parent->Expanded() ? ", closed" : ""));
            }
            Finish();
        });
    } else if (command == "contextmenu") {
        tree.setFocus(Qt::OtherFocusReason);
        Press(tree, QKeyCombination(Qt::ShiftModifier, Qt::Key_F10));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return Fail("no menu opened");
        QApplication::processEvents(); // drawn before its picture is taken
        QApplication::processEvents();
        const QRect selected = tree.visualRect(tree.currentIndex());
        const QPoint rowAt = tree.viewport()->mapToGlobal(selected.bottomLeft());
        const bool atRow = selected.isValid() && (menu->pos() - rowAt).manhattanLength() < 64;
        Log("contextmenu " + menu->objectName() + (atRow ? " at the selected row: " : ": ") +
            MenuText(*menu));
        if (!argument.isEmpty()) {
            // The window with the menu drawn where it shows, whatever other windows cover.
            QPixmap shot = window_.grab();
            QPainter painter(&shot);
            painter.drawPixmap(menu->pos() - window_.mapToGlobal(QPoint(0, 0)), menu->grab());
            painter.end();
            QDir().mkpath(QFileInfo(argument).absolutePath());
            if (!shot.save(argument, "PNG")) return Fail("cannot write " + argument);
            Log("screenshot " + argument);
        }
        menu->close();
    } else if (command == "expect-visible") {
        Node* node = nodeOf(argument);
        if (!node) return Fail("no node " + argument);
        const QModelIndex index = tree.Model().IndexOf(node);
        const QRect row = index.isValid() ? tree.visualRect(index) : QRect();
        const QRect view = tree.viewport()->rect();
        if (!row.isValid() || row.top() < view.top() || row.bottom() > view.bottom())
            return Fail(argument + " is not visible in the tree");
        Log("visible " + argument);
    } else if (command == "row") {
        Node* node = nodeOf(argument);
        if (!node) return Fail("no node " + argument);
        const QModelIndex index = tree.Model().IndexOf(node);
        const QRect row = tree.visualRect(index);
        const bool bold = index.data(Qt::FontRole).value<QFont>().bold();
        const QString tip = row.isValid() ? tree.ToolTipAt(row.center()) : QString();
        const QString text = index.data(Qt::DisplayRole).toString();
        Log("row " + argument + ": \"" + text + "\"" + (bold ? ", bold" : "") +
            (tip.isEmpty() ? QString() : ", tooltip \"" + tip + "\""));
    } else if (command == "menu") {
        QMenu* found = nullptr;
        for (QAction* a : window_.menuBar()->actions())
            if (a->menu() && Shown(a->text()) == argument) found = a->menu();
        if (!found) return Fail("no menu " + argument);
        Q_EMIT found->aboutToShow(); // filled as when it opens
        Log("menu " + argument + ": " + MenuText(*found));
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
        if (!argument.isEmpty() && argument != "window") return Fail("unknown edit " + argument);
        control->ClickTool(argument.isEmpty() ? "Edit" : "EditNewWindow");
        if (argument.isEmpty()) {
            TopicEditor* editor = window_.CurrentEditor();
            Node* selected = control->Tree().SelectedItem();
            // Refused (the box that said why was answered): the current editor is another topic's.
            if (!editor || !selected || "t:" + editor->Topic()->ID() != selected->Key())
                return Log("no editor opened");
            return Log("editing " + QDir::toNativeSeparators(editor->Path()));
        }
        // The keys go to the topic's window once the system has made it the active one.
        const QString key = SelectedKey(window_);
        auto active = [&]() -> TopicEditor* {
            for (TopicEditor* editor : window_.WindowEditors())
                if (editor->window() == QApplication::activeWindow() &&
                    "t:" + QString::fromStdString(editor->Topic()->ID()) == key)
                    return editor;
            return nullptr;
        };
        QElapsedTimer waited;
        waited.start();
        while (!active() && waited.elapsed() < 2000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        TopicEditor* editor = active();
        if (!editor) return Fail("no editor window of " + key + " is active");
        Log("editing " + QDir::toNativeSeparators(editor->Path()) + " in its own window, " +
            QString::number(window_.WindowEditors().size()) + " open");
    } else if (command == "close") {
        if (argument != "editor") return Fail("close editor, not close " + argument);
        const std::vector<TopicEditor*> windows = window_.WindowEditors();
        QPointer<TopicEditor> editor = windows.empty() ? window_.CurrentEditor() : windows.back();
        if (!editor) return Fail("no editor to close");
        auto* tabs = window_.findChild<QTabWidget*>("editors");
        const bool own = editor->window() != &window_;
        const QString caption =
            own ? editor->window()->windowTitle() : tabs->tabText(tabs->indexOf(editor));
        bool gone = false;
        if (own) {
            gone = editor->window()->close();
        } else {
            Q_EMIT tabs->tabCloseRequested(tabs->indexOf(editor));
            gone = !editor;
        }
        Log((gone ? "closed editor " : "kept editor ") + caption);
    } else if (command == "touch" || command == "rm") {
        const QString path = QDir(QString::fromStdString(window_.ActiveProject()->Folder()))
                                 .absoluteFilePath(argument);
        const QByteArray file = QFile::encodeName(path);
        if (command == "touch") {
            const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd < 0 || ::futimens(fd, nullptr) != 0 || ::close(fd) != 0)
                return Fail("cannot touch " + path);
        } else if (::unlink(file.constData()) != 0) {
            return Fail("cannot remove " + path);
        }
        Log((command == "touch" ? "touched " : "removed ") + path);
        diskRefreshSeen_ = window_.DiskRefreshesBegun();
        waiting_ = true;
        QTimer::singleShot(kDiskWaitMs, this, [this, line = lineNumber_] {
            if (waiting_ && lineNumber_ == line)
                Fail(QString("the tree did not catch up within %1 ms").arg(kDiskWaitMs));
        });
    } else if (command == "reveal" || command == "a11y") {
        const std::string key = argument.toStdString();
        if (!control->Tree().Nodes().Contains(key)) return Fail("no node " + argument);
        Node& node = control->Tree().Nodes().Item(key);
        node.EnsureVisible();
        if (command == "reveal") {
            tree.Tree().Click(&node);
            tree.SyncFromTree();
            QString path;
            const RevealOutcome outcome = window_.RevealSelected(path);
            if (!outcome.shown) return Fail("reveal: " + outcome.problem);
            return Log("revealed " + path + " (" + outcome.how + ")");
        }
        // As a screen reader walks the view: its rows are the cells of its one column.
        const QModelIndex index = tree.Model().IndexOf(&node);
        QAccessibleInterface* view = QAccessible::queryAccessibleInterface(&tree);
        QAccessibleTableInterface* table = view ? view->tableInterface() : nullptr;
        if (!table) return Fail("the tree view offers no accessible table");
        if (!index.isValid()) return Fail("no row for " + argument);
        int row = 0; // among the rows the view shows
        for (QModelIndex above = tree.indexAbove(index); above.isValid();
             above = tree.indexAbove(above))
            ++row;
        QAccessibleInterface* cell = table->cellAt(row, 0);
        if (!cell) return Fail("no accessible row for " + argument);
        Log("a11y " + cell->text(QAccessible::Name) + " | " + cell->text(QAccessible::Description));
    } else if (command == "undo" || command == "redo") {
        UndoMenu& menu = *window_.Undo();
        const QString step = command == "undo" ? menu.Undo() : menu.Redo();
        if (step.isEmpty()) return Fail("nothing to " + command);
        Log((command == "undo" ? "undone " : "redone ") + step);
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
        // A note the window still shows while the box waits (none should outlast its gesture).
        if (const QString under = window_.statusBar()->currentMessage(); !under.isEmpty())
            Log("note (under the box) " + under);
        if (QAbstractButton* button = box->defaultButton())
            button->click();
        else
            box->reject();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        // Labels as they show: with a buddy the "&" marks the access key, without one it is
        // drawn as it stands.
        QStringList labels;
        for (QLabel* label : dialog->findChildren<QLabel*>())
            if (label->isVisible() && !label->text().isEmpty())
                labels << (label->buddy() ? Shown(label->text()) : label->text());
        QString keyboard = "no default button";
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->isDefault()) keyboard = "default " + Shown(button->text());
        Log("dialog " + dialog->windowTitle() + " [" + labels.join(" | ") + "] (" + keyboard +
            ") cancelled");
        dialog->reject();
    }
}

} // namespace qv::app
