#include "gui/TreeWidget.h"

#include "controls/LabelMarkup.h"
#include "gui/ErrorBoundary.h"
#include "gui/LabelDelegate.h"
#include "gui/QtPlatform.h"
#include "gui/TreeModel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <cmath>
#include <vector>

namespace qv {

namespace {

struct KeyCode {
    int qt;
    int16_t vk;
};
constexpr KeyCode kKeys[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},        {Qt::Key_Return, 13}, {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17},   {Qt::Key_Alt, 18},    {Qt::Key_Pause, 19},
    {Qt::Key_Escape, 27},   {Qt::Key_Space, 32},     {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},      {Qt::Key_Home, 36},      {Qt::Key_Left, 37},   {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},    {Qt::Key_Down, 40},      {Qt::Key_Insert, 45}, {Qt::Key_Delete, 46},
    {Qt::Key_Menu, 93},     {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},  {Qt::Key_Minus, 109},
};

// Keys the tree gets alone; every other key also moves or searches in the view.
bool TreeOnly(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
    case Qt::Key_F4:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

int16_t ButtonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

} // namespace

TreeWidget::TreeWidget(HeadlessTreeView& tree, QWidget* parent)
    : QTreeView(parent), tree_(tree), model_(new TreeModel(tree, this)),
      delegate_(new LabelDelegate(this)) {
    setModel(model_);
    setItemDelegate(delegate_);
    setHeaderHidden(true);
    header()->setStretchLastSection(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setExpandsOnDoubleClick(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setIconSize(QSize(16, 16));
    setAnimated(false);
    setFocusPolicy(Qt::StrongFocus);
    tree_.SetHWnd(QtWindowSystem::HandleOf(this));
    // The component's points are this view's pixels, so the rows it asks about are the ones
    // drawn here.
    tree_.viewHitTest = [this](float x, float y) -> Node* {
        const TwipsScale scale = Scale();
        if (!(x < 1e9f && y < 1e9f)) return nullptr;
        const QPoint at(scale.ToPixelsX(static_cast<int32_t>(std::lround(x))),
                        scale.ToPixelsY(static_cast<int32_t>(std::lround(y))));
        return model_->NodeOf(indexAt(at));
    };

    connect(model_, &TreeModel::selectionMoved, this, &TreeWidget::ShowSelection);
    connect(model_, &TreeModel::expansionChanged, this, &TreeWidget::ShowExpansion);
    connect(model_, &TreeModel::labelEditChanged, this, &TreeWidget::ShowLabelEdit);
    // Taking the focus can make an open editor commit, which changes the tree: not from inside
    // the tree's call. The label editor already counts as the tree's focus.
    connect(
        model_, &TreeModel::focusRequested, this,
        [this] {
            QWidget* now = QApplication::focusWidget();
            if (now != this && !(now && isAncestorOf(now))) setFocus(Qt::OtherFocusReason);
        },
        Qt::QueuedConnection);
    connect(model_, &TreeModel::stateChanged, this, &TreeWidget::ApplyState);
    connect(model_, &TreeModel::rebuilt, this, &TreeWidget::SyncFromTree);
    connect(model_, &TreeModel::dropShown, this, [this](const QModelIndex& index) {
        if (AncestorsOpen(model_->NodeOf(index))) scrollTo(index);
    });
    // What the view expands or collapses on its own is the user's doing (the expander, the
    // keys, a double click): the tree's gestures, whose collapse takes a hidden selection along.
    auto expansion = [this](const QModelIndex& index, bool expanded) {
        if (syncing_ || model_->Notifying()) return;
        HeadlessNode* node = model_->NodeOf(index);
        if (!node) return;
        model_->SetClosedOnScreen(*node, !expanded); // kept through the filter's next keys
        if (node->Expanded() == expanded) {
            // The view was behind the tree: what shows now follows the tree.
            if (expanded) ShowExpansion(index, true);
            return;
        }
        Guarded(this, [&] {
            if (expanded)
                tree_.Expand(node);
            else
                tree_.Collapse(node);
        });
    };
    connect(this, &QTreeView::expanded, this,
            [expansion](const QModelIndex& index) { expansion(index, true); });
    connect(this, &QTreeView::collapsed, this,
            [expansion](const QModelIndex& index) { expansion(index, false); });
    SyncFromTree();
}

bool TreeWidget::AncestorsOpen(const HeadlessNode* node) const {
    for (const HeadlessNode* p = node ? node->ParentNode() : nullptr; p; p = p->ParentNode())
        if (!model_->ExpandedOnScreen(*p)) return false;
    return true;
}

TreeWidget::~TreeWidget() {
    tree_.viewHitTest = nullptr;
    // The model goes before the view's own teardown: the tree forgets its observer at once.
    setModel(nullptr);
    delete model_;
}

// ---- Keys --------------------------------------------------------------------------------

int16_t TreeWidget::VirtualKey(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return static_cast<int16_t>(48 + qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return static_cast<int16_t>(65 + qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return static_cast<int16_t>(112 + qtKey - Qt::Key_F1);
    for (const KeyCode& k : kKeys)
        if (k.qt == qtKey) return k.vk;
    return 0;
}

int16_t TreeWidget::ShiftState(Qt::KeyboardModifiers modifiers) {
    int16_t shift = 0;
    if (modifiers & Qt::ShiftModifier) shift |= 1;
    if (modifiers & Qt::ControlModifier) shift |= 2;
    if (modifiers & Qt::AltModifier) shift |= 4;
    return shift;
}

void TreeWidget::keyPressEvent(QKeyEvent* event) {
    if (state() == QAbstractItemView::EditingState) {
        QTreeView::keyPressEvent(event);
        return;
    }
    const int16_t vk = VirtualKey(event->key());
    const int16_t shift = ShiftState(event->modifiers());
    if (vk != 0) Guarded(this, [&] { tree_.KeyDown(vk, shift); });
    // The Menu key comes back from the platform as a context-menu event; Shift+F10 does not.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        event->accept();
        ContextMenuFromKeyboard();
        return;
    }
    if (TreeOnly(event->key()))
        event->accept();
    else
        QTreeView::keyPressEvent(event);
}

void TreeWidget::keyReleaseEvent(QKeyEvent* event) {
    const int16_t vk = VirtualKey(event->key());
    if (vk != 0 && !event->isAutoRepeat() && state() != QAbstractItemView::EditingState) {
        const int16_t shift = ShiftState(event->modifiers());
        Guarded(this, [&] { tree_.KeyUp(vk, shift); });
    }
    QTreeView::keyReleaseEvent(event);
}

// ---- Mouse -------------------------------------------------------------------------------

float TreeWidget::TwipsX(int pixels) const {
    return static_cast<float>(Scale().ToTwipsX(pixels));
}

float TreeWidget::TwipsY(int pixels) const {
    return static_cast<float>(Scale().ToTwipsY(pixels));
}

void TreeWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPersistentModelIndex index = indexAt(event->position().toPoint());
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton) return;
    if (HeadlessNode* node = model_->NodeOf(index)) Guarded(this, [&] { tree_.DoubleClick(node); });
}

void TreeWidget::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    const QPoint pos = event->position().toPoint();
    const int16_t button = ButtonCode(event->button());
    const int16_t shift = ShiftState(event->modifiers());
    Guarded(this, [&] { tree_.MouseUp(TwipsX(pos.x()), TwipsY(pos.y()), button, shift); });
}

void TreeWidget::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard)
        ContextMenuFromKeyboard();
    else
        RaiseContextMenu(event->pos(), false);
}

void TreeWidget::ContextMenuFromKeyboard() {
    QPoint pos(0, 0);
    const QModelIndex current = model_->IndexOf(tree_.SelectedItem());
    if (current.isValid() && AncestorsOpen(model_->NodeOf(current))) {
        scrollTo(current);
        pos = visualRect(current).center();
    }
    RaiseContextMenu(pos, true);
}

void TreeWidget::RaiseContextMenu(QPoint pos, bool keyboard) {
    if (keyboard) {
        // Below the start of the row's label, where the eye already is.
        const QModelIndex current = indexAt(pos);
        const QRect row = current.isValid() ? visualRect(current) : QRect(pos, pos);
        menuAnchor_ =
            viewport()->mapToGlobal(QPoint(row.left() + iconSize().width(), row.bottom()));
    }
    Guarded(this, [&] {
        HeadlessNode* node = model_->NodeOf(indexAt(pos));
        if (!keyboard && node && node != tree_.SelectedItem()) tree_.Click(node);
        tree_.RightClick(TwipsX(pos.x()), TwipsY(pos.y()));
    });
    menuAnchor_.reset();
}

void TreeWidget::dropEvent(QDropEvent* event) {
    const QPoint at = event->position().toPoint();
    model_->SetDropPoint(TwipsX(at.x()), TwipsY(at.y()));
    QTreeView::dropEvent(event);
    model_->SetDropPoint(0, 0);
}

// ---- Focus, current row, editor ----------------------------------------------------------

void TreeWidget::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    tree_.SetHasFocus(true);
}

void TreeWidget::focusOutEvent(QFocusEvent* event) {
    QTreeView::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason) return;
    QWidget* now = QApplication::focusWidget();
    if (now && isAncestorOf(now)) return; // into the label editor
    Guarded(this, [&] { tree_.LoseFocus(); });
}

void TreeWidget::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    // The view scrolls to a new current row, opening its ancestors; a row the tree selected
    // under a closed parent stays hidden. Nor does it scroll to a row Qt makes current itself
    // while the tree removes the current one: its layout may still hold rows gone in the same
    // change, and the tree's new selection is shown once the change is over.
    const bool scroll =
        hasAutoScroll() && !model_->Notifying() && AncestorsOpen(model_->NodeOf(current));
    const bool autoScrolling = hasAutoScroll();
    setAutoScroll(scroll);
    QTreeView::currentChanged(current, previous);
    setAutoScroll(autoScrolling);
    if (syncing_ || model_->Notifying()) return;
    HeadlessNode* node = model_->NodeOf(current);
    if (!node || node == tree_.SelectedItem()) return;
    Guarded(this, [&] { tree_.Click(node); });
}

void TreeWidget::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTreeView::closeEditor(editor, hint);
    const bool cancelled = hint == QAbstractItemDelegate::RevertModelCache;
    editing_ = QPersistentModelIndex();
    if (cancelled && !syncing_ && tree_.LabelEditOpen())
        Guarded(this, [&] { tree_.CancelLabelEdit(); });
}

void TreeWidget::scrollContentsBy(int dx, int dy) {
    QTreeView::scrollContentsBy(dx, dy);
    tree_.SetTopRow(verticalScrollBar()->value());
}

bool TreeWidget::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QTreeView::viewportEvent(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), text, viewport(), visualRect(indexAt(help->pos())));
    return true;
}

QString TreeWidget::ToolTipAt(const QPoint& viewportPos) const {
    const QModelIndex index = indexAt(viewportPos);
    HeadlessNode* node = model_->NodeOf(index);
    if (!node) return {};
    if (toolTips_) {
        QString text;
        Guarded(nullptr, [&] { text = toolTips_(*node); });
        if (!text.isEmpty()) return text;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return delegate_->Elided(option, index) ? index.data(Qt::DisplayRole).toString() : QString();
}

void TreeWidget::RevealSelection() {
    HeadlessNode* node = static_cast<HeadlessNode*>(tree_.SelectedItem());
    if (!node) return;
    Guarded(this, [&] { node->EnsureVisible(); });
    const QModelIndex index = model_->IndexOf(node);
    if (index.isValid() && AncestorsOpen(node)) scrollTo(index);
}

// ---- Following the tree ------------------------------------------------------------------

void TreeWidget::ShowSelection(const QModelIndex& selected) {
    ++syncing_;
    if (!selected.isValid()) {
        selectionModel()->clear();
    } else {
        selectionModel()->setCurrentIndex(selected, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
        // Scrolling would expand the ancestors, which selecting must not do.
        if (AncestorsOpen(model_->NodeOf(selected))) scrollTo(selected);
    }
    --syncing_;
}

void TreeWidget::ShowExpansion(const QModelIndex& index, bool expanded) {
    if (!index.isValid()) return;
    ++syncing_;
    if (expanded)
        ExpandFromTree(model_->NodeOf(index)); // its children show now: they follow the tree
    else
        setExpanded(index, false);
    --syncing_;
}

void TreeWidget::ShowLabelEdit(const QModelIndex& editing) {
    // The editor opens and closes once the current event is done: the tree may be in the
    // middle of a commit the editor itself started.
    const QPersistentModelIndex target = editing;
    QTimer::singleShot(0, this, [this, target] {
        HeadlessNode* node = tree_.EditingNode() ? model_->NodeOf(target) : nullptr;
        if (node && node == tree_.EditingNode()) {
            if (editing_ == target && indexWidget(target)) return;
            ++syncing_;
            if (AncestorsOpen(node)) scrollTo(target);
            editing_ = target;
            edit(target);
            --syncing_;
        } else if (!tree_.LabelEditOpen() && editing_.isValid()) {
            QWidget* editor = indexWidget(editing_);
            ++syncing_;
            if (editor) QTreeView::closeEditor(editor, QAbstractItemDelegate::NoHint);
            editing_ = QPersistentModelIndex();
            --syncing_;
        }
    });
}

void TreeWidget::ApplyState() {
    setEnabled(tree_.Enabled());
}

void TreeWidget::ExpandFromTree(HeadlessNode* parent) {
    // The folders that show only: below a closed one the view's state is set when it opens
    // (ShowExpansion).
    auto visit = [&](HeadlessNode* node) {
        const bool open = model_->ExpandedOnScreen(*node);
        setExpanded(model_->IndexOf(node), open);
        return open;
    };
    if (!parent) {
        // The model's list of folders spares a walk through every row shown (100,000 topics
        // in open categories of a large project).
        for (HeadlessNode* folder : model_->Folders())
            if (AncestorsOpen(folder)) visit(folder);
        return;
    }
    std::vector<HeadlessNode*> pending;
    if (parent->ChildCount() > 0 && visit(parent)) pending.push_back(parent);
    while (!pending.empty()) {
        HeadlessNode* node = pending.back();
        pending.pop_back();
        for (int32_t i = 0, count = model_->RowCountOf(node); i < count; ++i)
            if (HeadlessNode* child = model_->RowAt(node, i);
                child->ChildCount() > 0 && visit(child))
                pending.push_back(child);
    }
}

void TreeWidget::SyncFromTree() {
    ++syncing_;
    ExpandFromTree(nullptr);
    ShowSelection(model_->IndexOf(tree_.SelectedItem()));
    ApplyState();
    --syncing_;
    if (tree_.EditingNode()) ShowLabelEdit(model_->IndexOf(tree_.EditingNode()));
}

std::optional<std::string> TreeWidget::FirstMisspeltWord(const HeadlessNode& node) const {
    if (node.TextRef().find(kSpellErrorOpen) == std::string_view::npos) return std::nullopt;
    for (const LabelRun& run : ParseLabelMarkup(node.TextRef()))
        if (run.spellerror) return run.text;
    return std::nullopt;
}

void TreeWidget::SetFadedRow(const QModelIndex& index) {
    faded_ = index;
    viewport()->update();
}

void TreeWidget::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    const bool faded = faded_.isValid() && faded_ == index;
    if (faded) {
        painter->save();
        painter->setOpacity(0.4);
    }
    QTreeView::drawRow(painter, option, index);
    if (faded) painter->restore();
}

std::optional<std::string> TreeWidget::MisspeltWordAt(const QPoint& viewportPos) const {
    const QModelIndex index = indexAt(viewportPos);
    HeadlessNode* node = model_->NodeOf(index);
    if (!node || node->TextRef().find(kSpellErrorOpen) == std::string_view::npos)
        return std::nullopt;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    const QRect textRect = delegate_->TextRect(option, index);
    const int x = viewportPos.x() - textRect.left();
    for (const LabelPiece& piece : LayoutLabel(node->TextRef(), QFontMetrics(option.font)))
        if (piece.wavy && x >= piece.x && x < piece.x + piece.width)
            return piece.text.toStdString();
    return std::nullopt;
}

} // namespace qv
