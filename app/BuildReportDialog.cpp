#include "BuildReportDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace qv::app {

namespace {
constexpr int kLinesPerTurn = 2000;
}

BuildReportDialog::BuildReportDialog(const BuildReport& report, QString summary,
                                     std::function<void(const QString&)> open, QWidget* parent)
    : QDialog(parent), counts_(new QLabel(this)), details_(new QPlainTextEdit(this)),
      summary_(std::move(summary)) {
    setObjectName("buildReport");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Build %1").arg(QString::fromStdString(report.profileName)));
    // At a glance above the text: what was written, and what was not.
    QString glance = QString::fromStdString(report.Headline());
    if (const auto n = report.problems.size(); n > 0)
        glance += "\n" + (n == 1 ? tr("The skipped item is named below.")
                                 : tr("%L1 skipped items are named below.").arg(n));
    if (const auto n = report.leftOut.size(); n > 0)
        glance += "\n" + (n == 1 ? tr("The file left out is named below.")
                                 : tr("%L1 files left out are named below.").arg(n));
    counts_->setText(glance);
    counts_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    counts_->setWordWrap(true);
    QFont bold = counts_->font();
    bold.setBold(true);
    counts_->setFont(bold);

    details_->setReadOnly(true);
    details_->setLineWrapMode(QPlainTextEdit::NoWrap);
    details_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* contents = buttons->addButton(tr("Open Contents"), QDialogButtonBox::ActionRole);
    contents->setEnabled(!report.indexPage.empty());
    copy_ = buttons->addButton(tr("Copy All"), QDialogButtonBox::ActionRole);
    copy_->setEnabled(false);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setDefault(true);
    const QString index = QString::fromStdString(report.indexPage);
    connect(contents, &QPushButton::clicked, this,
            [index, open = std::move(open)] { open(index); });
    connect(copy_, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(details_->toPlainText()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(counts_);
    layout->addWidget(details_, 1);
    layout->addWidget(buttons);
    resize(720, 480);
    ShowMore();
}

void BuildReportDialog::ShowMore() {
    // The end of the next kLinesPerTurn lines: the last one's line break, or the text's end.
    qsizetype end = shown_ - 1;
    for (int lines = 0; lines < kLinesPerTurn; ++lines) {
        end = summary_.indexOf('\n', end + 1);
        if (end < 0) {
            end = summary_.size();
            break;
        }
    }
    // Each piece ends before a line break; appending starts a new line.
    const QString piece = summary_.mid(shown_, end - shown_);
    if (shown_ == 0)
        details_->setPlainText(piece);
    else
        details_->appendPlainText(piece);
    shown_ = end + 1;
    if (Complete()) {
        copy_->setEnabled(true);
        return;
    }
    QTimer::singleShot(0, this, [this] { ShowMore(); });
}

} // namespace qv::app
