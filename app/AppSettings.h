#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>

namespace qv::app {

// The desktop program's own settings, in the user's configuration directory
// ($XDG_CONFIG_HOME/Veltrane/QuorvelDesktop.ini). The component's registry values are kept
// apart, in the registry file of the host libraries.
class AppSettings {
public:
    static constexpr int kMaxRecent = 8;

    AppSettings();

    QString FilePath() const { return settings_.fileName(); }

    // Most recent first, without duplicates; at most kMaxRecent.
    QStringList RecentProjects() const;
    void AddRecentProject(const QString& projectFile);
    void RemoveRecentProject(const QString& projectFile);

    QByteArray WindowGeometry() const;
    void SetWindowGeometry(const QByteArray& geometry);
    QByteArray SplitterState() const;
    void SetSplitterState(const QByteArray& state);

    // Writes what was changed to the file now; false when it could not be written.
    bool Flush();

    // The keys of the expanded tree nodes of one project, in tree order.
    QStringList ExpandedNodes(const QString& projectFile) const;
    void SetExpandedNodes(const QString& projectFile, const QStringList& keys);

private:
    static QString ProjectGroup(const QString& projectFile);

    mutable QSettings settings_;
};

} // namespace qv::app
