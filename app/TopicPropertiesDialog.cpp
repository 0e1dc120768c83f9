#include "TopicPropertiesDialog.h"

#include "model/TopicItem.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace qv::app {

TopicPropertiesDialog::TopicPropertiesDialog(std::shared_ptr<TopicItem> topic,
                                             const std::vector<TopicStatus>& statuses,
                                             QWidget* parent)
    : QDialog(parent), topic_(std::move(topic)), title_(new QLineEdit(this)),
      caption_(new QLineEdit(this)), status_(new QComboBox(this)) {
    setWindowTitle(tr("Topic Properties"));
    setObjectName("topicProperties");
    title_->setObjectName("title");
    caption_->setObjectName("caption");
    status_->setObjectName("status");

    title_->setText(QString::fromStdString(topic_->Title()));
    caption_->setText(QString::fromStdString(topic_->Caption()));
    const QString current = QString::fromStdString(topic_->Status());
    for (const TopicStatus& s : statuses)
        status_->addItem(QString::fromStdString(s.text.empty() ? s.name : s.text),
                         QString::fromStdString(s.name));
    if (status_->findData(current) < 0) status_->addItem(current, current);
    status_->setCurrentIndex(status_->findData(current));

    auto* form = new QFormLayout(this);
    form->addRow(tr("ID:"), new QLabel(QString::fromStdString(topic_->ID()), this));
    form->addRow(tr("Name:"), new QLabel(QString::fromStdString(topic_->Name()), this));
    form->addRow(tr("&Title:"), title_);
    form->addRow(tr("&Caption:"), caption_);
    form->addRow(tr("&Status:"), status_);
    form->addRow(
        tr("Content file:"),
        new QLabel(QString::fromStdString(std::string(topic_->File())).replace('\\', '/'), this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setMinimumWidth(420);
}

bool TopicPropertiesDialog::Apply() {
    bool changed = false;
    const std::string title = title_->text().toStdString();
    const std::string caption = caption_->text().toStdString();
    const std::string status = status_->currentData().toString().toStdString();
    if (title != topic_->Title()) topic_->SetTitle(title), changed = true;
    if (caption != topic_->Caption()) topic_->SetCaption(caption), changed = true;
    if (status != topic_->Status()) topic_->SetStatus(status), changed = true;
    return changed;
}

} // namespace qv::app
