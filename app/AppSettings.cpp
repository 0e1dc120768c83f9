#include "AppSettings.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace qv::app {

AppSettings::AppSettings()
    : settings_(QSettings::IniFormat, QSettings::UserScope, "Veltrane", "QuorvelDesktop") {}

bool AppSettings::Flush() {
    settings_.sync();
    return settings_.status() == QSettings::NoError;
}

QStringList AppSettings::RecentProjects() const {
    return settings_.value("recentProjects").toStringList();
}

void AppSettings::AddRecentProject(const QString& projectFile) {
    QStringList list = RecentProjects();
    list.removeAll(projectFile);
    list.prepend(projectFile);
    while (list.size() > kMaxRecent)
        list.removeLast();
    settings_.setValue("recentProjects", list);
}

void AppSettings::RemoveRecentProject(const QString& projectFile) {
    QStringList list = RecentProjects();
    list.removeAll(projectFile);
    settings_.setValue("recentProjects", list);
}

QByteArray AppSettings::WindowGeometry() const {
    return settings_.value("window/geometry").toByteArray();
}

void AppSettings::SetWindowGeometry(const QByteArray& geometry) {
    settings_.setValue("window/geometry", geometry);
}

QByteArray AppSettings::SplitterState() const {
    return settings_.value("window/splitter").toByteArray();
}

void AppSettings::SetSplitterState(const QByteArray& state) {
    settings_.setValue("window/splitter", state);
}

// Project paths hold "/" and other characters that QSettings would read as groups, so each
// project has a group named by a hash of its path, with the path kept inside for people.
QString AppSettings::ProjectGroup(const QString& projectFile) {
    const QByteArray hash =
        QCryptographicHash::hash(projectFile.toUtf8(), QCryptographicHash::Sha1).toHex();
    return "projects/" + QString::fromLatin1(hash.left(16));
}

QStringList AppSettings::ExpandedNodes(const QString& projectFile) const {
    return settings_.value(ProjectGroup(projectFile) + "/expanded").toStringList();
}

void AppSettings::SetExpandedNodes(const QString& projectFile, const QStringList& keys) {
    const QString group = ProjectGroup(projectFile);
    settings_.setValue(group + "/path", projectFile);
    settings_.setValue(group + "/expanded", keys);
}

} // namespace qv::app
