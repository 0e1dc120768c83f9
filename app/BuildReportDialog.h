#pragma once

#include "host/ProfileBuilder.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace qv::app {

// The outcome of a build, shown without blocking the window: the counts first, then every
// skipped item by name, in a read-only text the author can scroll, search and copy. Its size
// does not grow with the report.
class BuildReportDialog final : public QDialog {
    Q_OBJECT
public:
    // The summary is the report's Summary(), made on the build's thread: 100,000 skipped items
    // make megabytes of text. Open Contents hands the contents page to open, which shows its
    // own failures.
    BuildReportDialog(const BuildReport& report, QString summary,
                      std::function<void(const QString&)> open, QWidget* parent);

    QPlainTextEdit* Details() const { return details_; }
    QLabel* Glance() const { return counts_; }
    // Whether the whole summary is in the text yet.
    bool Complete() const { return shown_ >= summary_.size(); }

private:
    // Adds the next lines. Laying out 100,000 lines at once would hold the event loop for a
    // third of a second, so the text is filled a few thousand lines per turn.
    void ShowMore();

    QLabel* counts_;
    QPlainTextEdit* details_;
    QPushButton* copy_;
    QString summary_;
    qsizetype shown_ = 0;
};

} // namespace qv::app
