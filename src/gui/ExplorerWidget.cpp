#include "gui/ExplorerWidget.h"

#include "controls/CommandBar.h"
#include "controls/HeadlessSurface.h"
#include "controls/TreeView.h"
#include "controls/WarningBar.h"
#include "explorer/ProjectExplorer.h"
#include "gui/CommandBarWidget.h"
#include "gui/ErrorBoundary.h"
#include "gui/KeyboardMoves.h"
#include "gui/TreeFilter.h"
#include "gui/TreeModel.h"
#include "gui/TreeWidget.h"
#include "gui/WarningBarWidget.h"

#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QResizeEvent>
#include <QTimer>
#include <algorithm>
#include <stdexcept>

namespace qv {

namespace {
template <class Headless, class Contract> Headless& HeadlessOf(Contract& control) {
    auto* own = dynamic_cast<Headless*>(&control);
    if (!own) throw std::invalid_argument("ExplorerWidget needs the headless controls");
    return *own;
}
} // namespace

ExplorerWidget::ExplorerWidget(std::shared_ptr<ProjectExplorer> control, QWidget* parent)
    : QWidget(parent), control_(std::move(control)),
      warning_(new WarningBarWidget(HeadlessOf<HeadlessWarningBar>(control_->Warning()), this)),
      commands_(new CommandBarWidget(HeadlessOf<HeadlessCommandBar>(control_->Dock()), this)),
      tree_(new TreeWidget(HeadlessOf<HeadlessTreeView>(control_->Tree()), this)),
      filter_(new TreeFilter(*tree_, this)), moves_(new KeyboardMoves(*control_, *tree_, this)) {
    connect(warning_, &WarningBarWidget::layoutChanged, this, &ExplorerWidget::SchedulePlace);
    connect(commands_, &CommandBarWidget::layoutChanged, this, &ExplorerWidget::SchedulePlace);
    connect(&tree_->Model(), &TreeModel::stateChanged, this, &ExplorerWidget::SchedulePlace);
    connect(commands_, &CommandBarWidget::userCommand, this, &ExplorerWidget::UserCommand);
    commands_->SetPopupPosition([this] { return tree_->MenuAnchor().value_or(QCursor::pos()); });
    setFocusProxy(tree_);
    tree_->setAccessibleName(tr("Project explorer"));
    // The control's surface is this widget: disabling it disables every child widget while
    // each keeps its own enabled state, as the headless controls do.
    auto& surface = HeadlessOf<HeadlessSurface>(control_->ControlSurface());
    surface.SetObserver([this, &surface] { setEnabled(surface.Enabled()); });
    setEnabled(surface.Enabled());
    PlaceChildren();
}

ExplorerWidget::~ExplorerWidget() {
    // The widgets observe the control's children: they go first.
    HeadlessOf<HeadlessSurface>(control_->ControlSurface()).SetObserver(nullptr);
    delete moves_;
    delete filter_;
    delete tree_;
    delete commands_;
    delete warning_;
}

void ExplorerWidget::Relayout() {
    const TwipsScale scale = Scale();
    const int32_t width = scale.ToTwipsX(this->width());
    const int32_t height = scale.ToTwipsY(std::max(0, this->height() - FilterHeight()));
    Guarded(this, [&] { control_->SetSize(width, height); });
    PlaceChildren();
}

void ExplorerWidget::SchedulePlace() {
    if (placePending_) return;
    placePending_ = true;
    QTimer::singleShot(0, this, [this] {
        if (placePending_) PlaceChildren();
    });
}

int ExplorerWidget::FilterHeight() const {
    return filter_->Field().sizeHint().height();
}

void ExplorerWidget::PlaceChildren() {
    placePending_ = false;
    const int top = FilterHeight();
    filter_->Field().setGeometry(0, 0, width(), top);
    const TwipsScale s = Scale();
    const auto& bar = static_cast<const HeadlessWarningBar&>(control_->Warning());
    if (bar.Visible())
        warning_->setGeometry(s.ToPixelsX(bar.Left()), top + s.ToPixelsY(bar.Top()),
                              s.ToPixelsX(bar.Width()), s.ToPixelsY(bar.Height()));
    warning_->setVisible(bar.Visible());
    const Rect dock = control_->Dock().Position();
    commands_->setGeometry(s.ToPixelsX(dock.left), top + s.ToPixelsY(dock.top),
                           s.ToPixelsX(dock.width), s.ToPixelsY(dock.height));
    // The tree lies in the command bar's client area: its bounds are relative to the bar.
    const auto& bounds = static_cast<const HeadlessTreeView&>(control_->Tree()).Bounds();
    tree_->setGeometry(s.ToPixelsX(dock.left + bounds.left),
                       top + s.ToPixelsY(dock.top + bounds.top), s.ToPixelsX(bounds.width),
                       s.ToPixelsY(bounds.height));
    tree_->raise();
}

void ExplorerWidget::UserCommand(const QString& toolName) {
    if (toolName != QLatin1String("FindNow") && toolName != QLatin1String("FindValue")) return;
    tree_->RevealSelection();
    if (QComboBox* field = commands_->Field("FindValue"); field && field->isVisible())
        field->setFocus(Qt::OtherFocusReason);
}

bool ExplorerWidget::FocusFindField() {
    QComboBox* field = commands_->Field("FindValue");
    if (!field) return false;
    if (!control_->Dock().Band("FindBar").Visible()) {
        Guarded(this, [&] { control_->ClickTool("Find"); });
        commands_->Refresh();
        PlaceChildren();
    }
    if (!field->isVisibleTo(this) || !field->isEnabled()) return false;
    field->setFocus(Qt::ShortcutFocusReason);
    if (field->lineEdit()) field->lineEdit()->selectAll();
    return true;
}

void ExplorerWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

} // namespace qv
