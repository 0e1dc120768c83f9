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
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::app {

namespace {
[[noreturn]] void CannotEdit(const QString& path, const std::string& why) {
    throw Error(err::PathFileAccess, "Cannot edit " + QDir::toNativeSeparators(path).toStdString() +
                                         ": " + why + "; the file was left as it is");
}

// The content file's text; false when there is no file at the path (a new topic). Opened
// without blocking and read only when it is a regular file: a FIFO or a device would hold the
// window until something wrote to it. Any other failure raises 75, so that a file that exists
// but cannot be read is never taken for a new one and replaced by the template on Save.
bool ReadContent(const QString& path, std::string& text) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return false;
        CannotEdit(path, std::strerror(errno));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) CannotEdit(path, std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        CannotEdit(path, S_ISDIR(st.st_mode)    ? "it is a folder, not a file"
                         : S_ISFIFO(st.st_mode) ? "it is a pipe (FIFO), not a regular file"
                         : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)
                             ? "it is a device, not a regular file"
                             : "it is not a regular file");
    text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    for (;;) {
        if (got == text.size()) text.resize(text.size() + 4096); // grew since the fstat
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) CannotEdit(path, std::strerror(errno));
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return true;
}
} // namespace

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

    std::string content;
    if (path_.isEmpty()) {
        info_->setText(tr("This topic names no content file."));
        text_->setReadOnly(true);
    } else if (ReadContent(path_, content)) {
        text_->setPlainText(
            QString::fromUtf8(content.data(), static_cast<qsizetype>(content.size())));
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
