#include "ProfileDialog.h"

#include "model/ProfileItem.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qv::app {

ProfileDialog::ProfileDialog(std::shared_ptr<ProfileItem> profile, QString projectFolder,
                             QWidget* parent)
    : QDialog(parent), profile_(std::move(profile)), projectFolder_(std::move(projectFolder)),
      name_(new QLineEdit(this)), title_(new QLineEdit(this)), folder_(new QLineEdit(this)) {
    setWindowTitle(tr("Build Profile"));
    name_->setText(QString::fromStdString(profile_->Name()));
    title_->setText(QString::fromStdString(profile_->Title()));
    folder_->setText(QString::fromStdString(profile_->OutputFolderInFile()));

    auto* browse = new QPushButton(tr("&Browse..."), this);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(
            this, tr("Output Folder"), QString::fromStdString(profile_->OutputFolder()));
        if (chosen.isEmpty()) return;
        const QString relative = QDir(projectFolder_).relativeFilePath(chosen);
        // Below the project folder the path is kept relative, as the project file writes it.
        folder_->setText(relative.startsWith("..") ? chosen : QString(relative).replace('/', '\\'));
    });
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse);

    auto* form = new QFormLayout(this);
    form->addRow(tr("&Name:"), name_);
    form->addRow(tr("&Title:"), title_);
    // A row of a field and a button gets no buddy from the form: its label is given one, so
    // that Alt+O reaches the folder and the "&" does not show.
    auto* folderLabel = new QLabel(tr("&Output folder:"), this);
    folderLabel->setBuddy(folder_);
    form->addRow(folderLabel, folderRow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setMinimumWidth(460);
}

bool ProfileDialog::Apply() {
    const std::string name = name_->text().toStdString();
    const std::string title = title_->text().toStdString();
    const std::string folder = folder_->text().toStdString();
    bool changed = false;
    // The folder first: it is the one value the model may refuse.
    if (folder != profile_->OutputFolderInFile()) profile_->SetOutputFolder(folder), changed = true;
    if (name != profile_->Name()) profile_->SetName(name), changed = true;
    if (title != profile_->Title()) profile_->SetTitle(title), changed = true;
    return changed;
}

} // namespace qv::app
