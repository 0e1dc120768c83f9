#include "TopicEditor.h"

#include "contracts/Error.h"
#include "host/TopicTemplate.h"
#include "model/ModelErrors.h"
#include "model/Project.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QVBoxLayout>

namespace qv::app {

TopicEditor::TopicEditor(const Project& project, std::shared_ptr<TopicItem> topic, QWidget* parent)
    : QWidget(parent), topic_(std::move(topic)), path_(QString::fromStdString(topic_->DiskPath())),
      text_(new QPlainTextEdit(this)), info_(new QLabel(this)) {
    setObjectName("topicEditor");
    text_->setObjectName("topicText");
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(info_);
    layout->addWidget(text_, 1);

    QFile file(path_);
    if (path_.isEmpty()) {
        info_->setText(tr("This topic names no content file."));
        text_->setReadOnly(true);
    } else if (file.open(QIODevice::ReadOnly)) {
        text_->setPlainText(QString::fromUtf8(file.readAll()));
        const bool readOnly = topic_->ReadOnly();
        text_->setReadOnly(readOnly);
        info_->setText(QDir::toNativeSeparators(path_) + (readOnly ? tr("  (read-only)") : ""));
    } else {
        text_->setPlainText(QString::fromStdString(
            TopicTemplate::Fill(TopicTemplate::For(project), topic_->Title())));
        info_->setText(QDir::toNativeSeparators(path_) + tr("  (new: saved on request)"));
        text_->document()->setModified(true);
    }
    connect(text_->document(), &QTextDocument::modificationChanged, this,
            &TopicEditor::ModifiedChanged);
}

bool TopicEditor::Modified() const {
    return !text_->isReadOnly() && text_->document()->isModified();
}

QString TopicEditor::Caption() const {
    return QString::fromStdString(topic_->Title()) + (Modified() ? "*" : "");
}

void TopicEditor::Save() {
    if (!Modified()) return;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile file(path_);
    const QByteArray data = text_->toPlainText().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw Error(err::PathFileAccess,
                    "Cannot save " + path_.toStdString() + ": " + file.errorString().toStdString());
    text_->document()->setModified(false);
}

} // namespace qv::app
