#pragma once

#include "controls/WarningBar.h"

#include <QFrame>

class QLabel;

namespace qv {

// The warning bar on screen: a banner with the bar's caption, shown while the headless bar is
// visible. Its place is the ExplorerWidget's business; a click is the bar's UserClick.
class WarningBarWidget final : public QFrame, private WarningBarObserver {
    Q_OBJECT
public:
    // The bar must outlive the widget; the widget is its only view.
    explicit WarningBarWidget(HeadlessWarningBar& bar, QWidget* parent = nullptr);
    ~WarningBarWidget() override;

    HeadlessWarningBar& Bar() const { return bar_; }
    QString Caption() const;
    // Shows the bar's caption, style and visibility now.
    void Refresh();

Q_SIGNALS:
    // Visibility or place changed: the layout around the bar needs doing.
    void layoutChanged();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Changed() override;

    HeadlessWarningBar& bar_;
    QLabel* label_;
};

} // namespace qv
