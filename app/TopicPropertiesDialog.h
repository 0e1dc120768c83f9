#pragma once

#include "contracts/HostServices.h"

#include <QDialog>
#include <memory>
#include <vector>

class QComboBox;
class QLineEdit;

namespace qv {
class TopicItem;
}

namespace qv::app {

// Title, caption and status of one topic. Apply() writes the changed values into the topic
// through the model, so the tree follows by the project's events; values left as they were
// are not written (no event, the project stays clean).
class TopicPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    // statuses: the host's topic statuses; the topic's own status is offered even when the
    // list does not know it.
    TopicPropertiesDialog(std::shared_ptr<TopicItem> topic,
                          const std::vector<TopicStatus>& statuses, QWidget* parent = nullptr);

    QLineEdit* TitleField() const { return title_; }
    QLineEdit* CaptionField() const { return caption_; }
    QComboBox* StatusField() const { return status_; }

    // Returns whether anything changed. May raise qv::Error from the model.
    bool Apply();

private:
    std::shared_ptr<TopicItem> topic_;
    QLineEdit* title_;
    QLineEdit* caption_;
    QComboBox* status_;
};

} // namespace qv::app
