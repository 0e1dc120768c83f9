#include "UndoMenu.h"

#include "contracts/Error.h"
#include "host/UndoHistory.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <new>

namespace qv::app {

UndoMenu::UndoMenu(QMenu& menu, QWidget& window)
    : QObject(&window), window_(window), undo_(menu.addAction(tr("&Undo"))),
      redo_(menu.addAction(tr("&Redo"))) {
    undo_->setObjectName("undo");
    redo_->setObjectName("redo");
    undo_->setShortcut(QKeySequence::Undo);
    redo_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(undo_, &QAction::triggered, this, [this] { Undo(); });
    connect(redo_, &QAction::triggered, this, [this] { Redo(); });
    connect(&menu, &QMenu::aboutToShow, this, [this] { Refresh(); });
    qApp->installEventFilter(this);
    Refresh();
}

UndoMenu::~UndoMenu() = default;

void UndoMenu::Open(const std::shared_ptr<Project>& project, TrashFileService& trash) {
    history_ = std::make_unique<UndoHistory>(project, &trash);
    history_->SetObserver([this] { QueueRefresh(); });
    Refresh();
}

void UndoMenu::Close() {
    history_.reset();
    Refresh();
}

void UndoMenu::Break() {
    if (history_) history_->Break();
}

void UndoMenu::MarkSaved() {
    if (history_) history_->MarkSaved();
}

QString UndoMenu::Undo() {
    return Run(true);
}

QString UndoMenu::Redo() {
    return Run(false);
}

QString UndoMenu::Run(bool undo) {
    if (!history_) return {};
    history_->Break();
    const QString name = QString::fromStdString(undo ? history_->UndoName() : history_->RedoName());
    if (name.isEmpty()) return {};
    QString failure;
    try {
        undo ? history_->Undo() : history_->Redo();
    } catch (const Error& e) {
        failure = QString::fromStdString(e.Description());
    } catch (const std::bad_alloc&) {
        failure = tr("Out of memory");
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    }
    Refresh();
    Q_EMIT Applied(QString::fromStdString(history_->ShownKey()));
    if (!failure.isEmpty())
        QMessageBox::warning(&window_, undo ? tr("Undo %1").arg(name) : tr("Redo %1").arg(name),
                             (undo ? tr("Not everything could be undone.\n\n%1")
                                   : tr("Not everything could be done again.\n\n%1"))
                                 .arg(failure));
    return name;
}

namespace {

// The keys typed into a label's editor belong to the gesture that opened it (F2, or a new
// category or topic, whose name is typed next), so that the item and its name are one step.
bool TypingALabel(QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const QWidget* editor = QApplication::focusWidget();
    const QWidget* viewport = editor ? editor->parentWidget() : nullptr;
    return viewport && qobject_cast<const QAbstractItemView*>(viewport->parentWidget());
}

} // namespace

bool UndoMenu::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        if (TypingALabel(event)) break;
        [[fallthrough]];
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Drop:
        // Inside a modal dialog the gesture that opened it goes on.
        if (history_ && !QApplication::activeModalWidget()) history_->Break();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void UndoMenu::QueueRefresh() {
    if (refreshQueued_) return;
    refreshQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshQueued_ = false;
            Refresh();
        },
        Qt::QueuedConnection);
}

void UndoMenu::Refresh() {
    const QString undoName = history_ ? QString::fromStdString(history_->UndoName()) : QString();
    const QString redoName = history_ ? QString::fromStdString(history_->RedoName()) : QString();
    undo_->setText(undoName.isEmpty() ? tr("&Undo") : tr("&Undo %1").arg(undoName));
    redo_->setText(redoName.isEmpty() ? tr("&Redo") : tr("&Redo %1").arg(redoName));
    undo_->setEnabled(!undoName.isEmpty());
    redo_->setEnabled(!redoName.isEmpty());
}

} // namespace qv::app
