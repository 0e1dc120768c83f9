#pragma once

#include <QDialog>
#include <memory>

class QLineEdit;

namespace qv {
class ProfileItem;
}

namespace qv::app {

// Name, title and output folder of a build profile; Apply() writes what changed through the
// model. The output folder is shown as the project file keeps it (relative or absolute).
class ProfileDialog : public QDialog {
    Q_OBJECT
public:
    ProfileDialog(std::shared_ptr<ProfileItem> profile, QString projectFolder,
                  QWidget* parent = nullptr);

    // Returns whether anything changed. Raises qv::Error 5 for an output folder the model
    // refuses; nothing is written then.
    bool Apply();

private:
    std::shared_ptr<ProfileItem> profile_;
    QString projectFolder_;
    QLineEdit* name_;
    QLineEdit* title_;
    QLineEdit* folder_;
};

} // namespace qv::app
