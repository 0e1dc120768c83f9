#include "ScriptRunner.h"

#include "MainWindow.h"
#include "TopicEditor.h"
#include "TopicPropertiesDialog.h"
#include "explorer/ProjectExplorer.h"
#include "gui/CommandBarWidget.h"
#include "gui/ExplorerWidget.h"
#include "gui/TreeWidget.h"
#include "gui/WarningBarWidget.h"
#include "model/Project.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <cstdio>

namespace qv::app {

namespace {

QString SelectedKey(MainWindow& window) {
    ProjectExplorer* control = window.Control();
    Node* node = control ? control->Tree().SelectedItem() : nullptr;
    return node ? QString::fromStdString(node->Key()) : QString();
}

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
        try {
            Run(command, argument);
        } catch (const std::exception& e) {
            Fail(QString::fromUtf8(e.what()));
        }
        // Let the window catch up with the step before the next one.
        if (!failed_) QTimer::singleShot(50, this, &ScriptRunner::Next);
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
        QApplication::exit(0);
        return;
    }
    if (command == "screenshot") {
        QString problem;
        if (!SaveScreenshot(window_, argument, problem)) return Fail(problem);
        Log("screenshot " + argument);
        return;
    }
    if (!control) return Fail("no project is open");
    if (command == "select" || command == "expect") {
        const std::string key = argument.toStdString();
        if (!control->Tree().Nodes().Contains(key)) return Fail("no node " + argument);
        if (command == "select") {
            Node& node = control->Tree().Nodes().Item(key);
            node.EnsureVisible();
            window_.Explorer()->Tree().Tree().Click(&node);
            window_.Explorer()->Tree().SyncFromTree();
        }
        if (SelectedKey(window_) != argument)
            return Fail("selected: " + SelectedKey(window_) + ", expected " + argument);
        Log("selected " + argument);
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
        control->ClickTool("Build");
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
