#pragma once

#include <QWidget>
#include <memory>

class QLabel;
class QPlainTextEdit;

namespace qv {
class Project;
class TopicItem;
} // namespace qv

namespace qv::app {

// A plain-text editor of one topic's content file. A missing file opens with the project's
// topic template filled in and counts as changed; nothing reaches the disk before Save. A
// read-only file opens read-only. A file that exists but cannot be read, and anything but a
// regular file (a folder, a FIFO, a device), is refused: the constructor raises qv::Error 75
// naming the file and why, and the file is left alone.
class TopicEditor : public QWidget {
    Q_OBJECT
public:
    TopicEditor(const Project& project, std::shared_ptr<TopicItem> topic,
                QWidget* parent = nullptr);

    const std::shared_ptr<TopicItem>& Topic() const { return topic_; }
    QString Path() const { return path_; }
    QPlainTextEdit* Text() const { return text_; }
    bool Modified() const;
    // The tab caption: the topic's title, with "*" while changed.
    QString Caption() const;

    // Writes the file in one step (QSaveFile). Raises qv::Error 75 naming the file.
    void Save();

Q_SIGNALS:
    void ModifiedChanged();

private:
    std::shared_ptr<TopicItem> topic_;
    QString path_;
    QPlainTextEdit* text_;
    QLabel* info_;
};

} // namespace qv::app
