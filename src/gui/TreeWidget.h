#pragma once

#include "controls/TreeView.h"
#include "gui/Twips.h"

#include <QPersistentModelIndex>
#include <QTreeView>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qv {

class LabelDelegate;
class TreeModel;

// The tree on screen: a QTreeView over a TreeModel of the headless tree, with virtualised rows
// (uniform row heights, no widget per row). It holds no state of its own beyond the screen's:
// the user's input becomes the headless tree's gestures, and the view follows the tree.
//
// Input:
// - a click or keyboard move of the current row: Click(node) (the tree raises NodeClicked);
// - a double click: DoubleClick(node) (after the view's own expand/collapse);
// - a key: KeyDown(VirtualKey, ShiftState) first, for every key with a virtual-key code; the
//   navigation keys (arrows, Home, End, Page Up/Down, +, -, *) then move in the view; KeyUp on
//   release. Enter, F2, F4, Insert, Delete, Escape are the tree's alone;
// - a right click: the node under the mouse is clicked, then RightClick(x, y) in twips of the
//   tree's client area (the component asks the command bar for its popContext menu);
// - Shift+F10 and the Menu key: the selected row is scrolled into view and RightClick(x, y)
//   raised at it; while that call runs, MenuAnchor() says where a menu shown for it belongs;
// - a mouse button release: MouseUp(x, y, button 1/2/4, shift) in twips;
// - losing the focus to a widget outside the tree (its label editor is inside): LoseFocus;
// - a label edit the tree opened (F2, the component's timer, Insert) opens the line editor;
//   Enter or leaving the editor commits (FinishLabelEdit), Escape cancels (CancelLabelEdit);
// - expanding or collapsing a row sets the node's Expanded;
// - a drop: the model's drop, with the point it fell on in twips (the tree's drag events tell it);
// - the vertical scroll position is the tree's TopRow; HitTest answers with the row drawn at
//   the point (the view's rows are taller than the tree's own 16 pixels).
// Output: selection, expansion, label edit and focus follow the tree's observer calls. A row
// too narrow for its label shows it cut with "…" and the whole label as its tooltip; a tooltip
// provider adds what the program knows of a node (a file's full path).
// Failures raised by a gesture go to the GUI error sink; none leaves an event handler.
class TreeWidget final : public QTreeView {
    Q_OBJECT
public:
    // The tree must outlive the widget. The widget makes the tree's hWnd its own handle
    // (QtWindowSystem::HandleOf) and is the tree's only view.
    explicit TreeWidget(HeadlessTreeView& tree, QWidget* parent = nullptr);
    ~TreeWidget() override;

    HeadlessTreeView& Tree() const { return tree_; }
    TreeModel& Model() const { return *model_; }
    TwipsScale Scale() const { return TwipsScale::Of(*this); }

    // The platform's virtual-key code of a Qt key (Enter 13, F2 113, Delete 46, 'A' 65 ...);
    // 0 for a key without one.
    static int16_t VirtualKey(int qtKey);
    // The platform's shift state: 1 Shift, 2 Ctrl, 4 Alt.
    static int16_t ShiftState(Qt::KeyboardModifiers modifiers);
    // The misspelt word of the label under the point (viewport coordinates), if any.
    std::optional<std::string> MisspeltWordAt(const QPoint& viewportPos) const;
    // The first misspelt word of the node's label, if any.
    std::optional<std::string> FirstMisspeltWord(const HeadlessNode& node) const;
    // Makes the view match the tree again: expansion, current row, scroll, label edit.
    void SyncFromTree();
    // Opens the selected node's ancestors (Node::EnsureVisible) and scrolls its row into view.
    void RevealSelection();
    // Raises the tree's ContextMenu for the selected row, as Shift+F10 does.
    void ContextMenuFromKeyboard();
    // Global point where a menu opened from the keyboard shows (below the selected row's
    // label); empty unless such a ContextMenu is being raised.
    const std::optional<QPoint>& MenuAnchor() const { return menuAnchor_; }
    // A tooltip of the program's for a node ("" for none); it is shown instead of the label.
    void SetToolTipProvider(std::function<QString(const HeadlessNode&)> provider) {
        toolTips_ = std::move(provider);
    }
    // The tooltip of the row at the point (viewport coordinates): the provider's, else the
    // label when the row shows it cut; "" for none.
    QString ToolTipAt(const QPoint& viewportPos) const;
    // The row drawn faded (a node cut for pasting); it follows the row as it moves. An invalid
    // index: none.
    void SetFadedRow(const QModelIndex& index);
    QModelIndex FadedRow() const { return faded_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    void RaiseContextMenu(QPoint pos, bool keyboard);
    void ShowSelection(const QModelIndex& selected);
    void ShowExpansion(const QModelIndex& index, bool expanded);
    void ShowLabelEdit(const QModelIndex& editing);
    void ApplyState();
    void ExpandFromTree(HeadlessNode* parent);
    // Every ancestor of the node shows its children on screen (scrolling to it opens none).
    bool AncestorsOpen(const HeadlessNode* node) const;
    float TwipsX(int pixels) const;
    float TwipsY(int pixels) const;

    HeadlessTreeView& tree_;
    TreeModel* model_;
    LabelDelegate* delegate_;
    int syncing_ = 0; // the view is being set from the tree: its signals are not gestures
    QPersistentModelIndex editing_;
    std::optional<QPoint> menuAnchor_;
    std::function<QString(const HeadlessNode&)> toolTips_;
    QPersistentModelIndex faded_;
};

} // namespace qv
