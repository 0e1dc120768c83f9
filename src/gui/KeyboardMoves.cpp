#include "gui/KeyboardMoves.h"

#include "explorer/ProjectExplorer.h"
#include "gui/ErrorBoundary.h"
#include "gui/TreeModel.h"
#include "gui/TreeWidget.h"

#include <QKeyEvent>

namespace qv {

namespace {

enum class Gesture { None, Up, Down, Cut, Paste };

Gesture GestureOf(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::AltModifier) {
        if (key.key() == Qt::Key_Up) return Gesture::Up;
        if (key.key() == Qt::Key_Down) return Gesture::Down;
    } else if (modifiers == Qt::ControlModifier) {
        if (key.key() == Qt::Key_X) return Gesture::Cut;
        if (key.key() == Qt::Key_V) return Gesture::Paste;
    }
    return Gesture::None;
}

} // namespace

void KeyboardMoves::ShowSelection() {
    // Scrolling to a row in a closed folder would open the folder, which a move must not do.
    Node* node = tree_.Tree().SelectedItem();
    for (Node* p = node ? node->Parent() : nullptr; p; p = p->Parent())
        if (!p->Expanded()) return;
    if (node) tree_.scrollTo(tree_.Model().IndexOf(node));
}

KeyboardMoves::KeyboardMoves(ProjectExplorer& control, TreeWidget& tree, QObject* parent)
    : QObject(parent), control_(control), tree_(tree) {
    tree_.installEventFilter(this);
    // The faded row goes with its node; a node that left the tree is not pasted.
    TreeModel& model = tree_.Model();
    connect(&model, &TreeModel::rowsRemoved, this, [this] {
        if (!cutKey_.empty() && !tree_.FadedRow().isValid()) ForgetCut();
    });
    connect(&model, &TreeModel::rebuilt, this, [this] {
        if (cutKey_.empty()) return;
        HeadlessTreeView& t = tree_.Tree();
        if (t.Nodes().Contains(cutKey_))
            tree_.SetFadedRow(tree_.Model().IndexOf(&t.Nodes().Item(cutKey_)));
        else
            ForgetCut();
    });
}

bool KeyboardMoves::Move(bool up) {
    const std::string tool = up ? "MoveUp" : "MoveDown";
    bool enabled = false;
    Guarded(&tree_, [&] { enabled = control_.ToolStatus(tool); });
    if (!enabled) {
        Q_EMIT notice(up ? tr("This item cannot move up.") : tr("This item cannot move down."));
        return false;
    }
    const bool ran = Guarded(&tree_, [&] { control_.ClickTool(tool); });
    ShowSelection();
    return ran;
}

bool KeyboardMoves::Cut() {
    HeadlessTreeView& tree = tree_.Tree();
    Node* node = tree.SelectedItem();
    if (!node || node->Key().empty() || !node->AllowDrag() || tree.Locked()) {
        Q_EMIT notice(tr("Nothing to cut here."));
        return false;
    }
    cutKey_ = node->Key();
    tree_.SetFadedRow(tree_.Model().IndexOf(node));
    return true;
}

bool KeyboardMoves::Paste() {
    if (cutKey_.empty()) return false;
    HeadlessTreeView& tree = tree_.Tree();
    qv::Nodes& nodes = tree.Nodes();
    if (!nodes.Contains(cutKey_)) {
        ForgetCut();
        return false;
    }
    Node& source = nodes.Item(cutKey_);
    Node* target = tree.SelectedItem();
    if (!target || target == &source || source.Parent() == target) return false;
    const std::string targetKey = target->Key();
    auto label = [this](Node& node) {
        return tree_.Model().IndexOf(&node).data(Qt::DisplayRole).toString();
    };
    const QString what = label(source), where = label(*target);
    Guarded(&tree_, [&] { tree.Drag(&source, target, rel::Child); });
    // The explorer's handlers may have removed either node meanwhile.
    const bool moved = nodes.Contains(cutKey_) && nodes.Contains(targetKey) &&
                       nodes.Item(cutKey_).Parent() == &nodes.Item(targetKey);
    if (moved) {
        ForgetCut();
        ShowSelection();
    } else {
        Q_EMIT notice(tr("%1 was not moved into %2.").arg(what, where));
    }
    return moved;
}

void KeyboardMoves::ForgetCut() {
    cutKey_.clear();
    if (tree_.FadedRow().isValid()) tree_.SetFadedRow({});
}

bool KeyboardMoves::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched != &tree_ || (type != QEvent::KeyPress && type != QEvent::ShortcutOverride))
        return false;
    if (tree_.Tree().LabelEditOpen()) return false; // the editor's keys, also those it passes on
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (type == QEvent::KeyPress && key.key() == Qt::Key_Escape) {
        ForgetCut();
        return false;
    }
    const Gesture gesture = GestureOf(key);
    if (gesture == Gesture::None) return false;
    event->accept();
    if (type == QEvent::ShortcutOverride) return true; // the key press comes to the tree
    switch (gesture) {
    case Gesture::Up:
    case Gesture::Down:
        Move(gesture == Gesture::Up);
        break;
    case Gesture::Cut:
        Cut();
        break;
    case Gesture::Paste:
        Paste();
        break;
    case Gesture::None:
        break;
    }
    return true;
}

} // namespace qv
