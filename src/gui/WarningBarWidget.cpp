#include "gui/WarningBarWidget.h"

#include "gui/ErrorBoundary.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>

namespace qv {

WarningBarWidget::WarningBarWidget(HeadlessWarningBar& bar, QWidget* parent)
    : QFrame(parent), bar_(bar), label_(new QLabel(this)) {
    setObjectName(QStringLiteral("WarningBar"));
    setAccessibleName(tr("Warning bar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0xFF, 0xF4, 0xC2)); // a pale warning yellow
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 0, 4, 0);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    row->addWidget(icon);
    label_->setTextFormat(Qt::PlainText);
    row->addWidget(label_, 1);
    bar_.SetObserver(this);
    Refresh();
}

WarningBarWidget::~WarningBarWidget() {
    bar_.SetObserver(nullptr);
}

QString WarningBarWidget::Caption() const {
    return label_->text();
}

void WarningBarWidget::Refresh() {
    label_->setText(QString::fromStdString(bar_.Caption()));
    label_->setToolTip(label_->text());
    setAccessibleDescription(label_->text());
    setVisible(bar_.Visible());
}

void WarningBarWidget::Changed() {
    Refresh();
    Q_EMIT layoutChanged();
}

void WarningBarWidget::mouseReleaseEvent(QMouseEvent* event) {
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) Guarded(this, [&] { bar_.UserClick(); });
}

} // namespace qv
