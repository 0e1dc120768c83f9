#include "host/Registry.h"

#include "contracts/Error.h"

#include <QDir>
#include <QMimeDatabase>
#include <QSettings>
#include <QStringList>
#include <cstdlib>

namespace qv {

namespace {

constexpr int32_t kPermissionDenied = 70;
constexpr int32_t kPathFileAccessError = 75;
constexpr const char* kDefaultValueName = "(Default)";
constexpr std::string_view kDefaultIconSuffix = "\\defaulticon";

QString ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return QString::fromLocal8Bit(xdg);
    return QDir::homePath() + QStringLiteral("/.config");
}

// "Software\Veltrane\X" -> "Software/Veltrane/X"; empty parts are dropped.
QString GroupPath(const std::string& key) {
    QStringList parts;
    QString part;
    for (QChar c : QString::fromStdString(key)) {
        if (c == u'\\' || c == u'/') {
            if (!part.isEmpty()) parts << part;
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.isEmpty()) parts << part;
    return parts.join(u'/');
}

// Value names may hold any character; the settings file reserves the separators.
QString ValuePath(const std::string& key, const std::string& valueName) {
    QString name = valueName.empty() ? QString::fromLatin1(kDefaultValueName)
                                     : QString::fromStdString(valueName);
    name.replace(u'%', QStringLiteral("%25"));
    name.replace(u'/', QStringLiteral("%2F"));
    name.replace(u'\\', QStringLiteral("%5C"));
    const QString group = GroupPath(key);
    return group.isEmpty() ? name : group + u'/' + name;
}

void CheckHive(int32_t hive) {
    if (hive != hive::ClassesRoot && hive != hive::CurrentUser)
        throw Error(err::InvalidArgument, "Invalid procedure call or argument");
}

bool EndsWithNoCase(const std::string& s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char c = s[s.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

Variant ClassesRootValue(const std::string& key, const std::string& valueName) {
    if (!valueName.empty() || key.empty()) return {};
    QMimeDatabase db;
    if (key[0] == '.') {
        if (key.size() == 1) return {};
        const QList<QMimeType> types =
            db.mimeTypesForFileName(QStringLiteral("file") + QString::fromStdString(key));
        if (types.isEmpty()) return {};
        return Variant(types.first().name().toStdString());
    }
    if (EndsWithNoCase(key, kDefaultIconSuffix)) {
        const std::string typeName = key.substr(0, key.size() - kDefaultIconSuffix.size());
        const QMimeType type = db.mimeTypeForName(QString::fromStdString(typeName));
        if (!type.isValid()) return {};
        return Variant(type.name().startsWith(QStringLiteral("image/")) ? "%1" : "");
    }
    return {};
}

} // namespace

HostRegistry::HostRegistry()
    : filePath_((ConfigHome() + QStringLiteral("/Veltrane/Quorvel2.ini")).toStdString()) {}

Variant HostRegistry::GetValue(int32_t hive, const std::string& key,
                               const std::string& valueName) const {
    CheckHive(hive);
    if (hive == hive::ClassesRoot) return ClassesRootValue(key, valueName);

    QSettings settings(QString::fromStdString(filePath_), QSettings::IniFormat);
    const QVariant value = settings.value(ValuePath(key, valueName));
    if (!value.isValid()) return {};
    // A hand-edited value with unquoted commas reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return Variant(value.toStringList().join(QStringLiteral(", ")).toStdString());
    return Variant(value.toString().toStdString());
}

void HostRegistry::SetValue(int32_t hive, const std::string& key, const std::string& valueName,
                            const Variant& value) {
    CheckHive(hive);
    if (hive == hive::ClassesRoot) throw Error(kPermissionDenied, "Permission denied");

    const QString text = QString::fromStdString(value.ToString());
    QSettings settings(QString::fromStdString(filePath_), QSettings::IniFormat);
    const QString path = ValuePath(key, valueName);
    // Each write replaces the file and flushes it to disk; a value that is already there (the
    // find options saved at every end) costs nothing.
    const QVariant stored = settings.value(path);
    if (stored.typeId() == QMetaType::QString && stored.toString() == text) return;
    settings.setValue(path, text);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw Error(kPathFileAccessError, "Path/File access error: " + filePath_);
}

void HostRegistry::CreateKey(int32_t hive, const std::string& /*key*/) {
    CheckHive(hive);
    if (hive == hive::ClassesRoot) throw Error(kPermissionDenied, "Permission denied");
    // A group exists as soon as it holds a value; there is nothing to make beforehand.
}

} // namespace qv
