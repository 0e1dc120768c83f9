#include "FileReveal.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QUrl>
#ifdef QV_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#endif

namespace qv::app {

namespace {

#ifdef QV_HAVE_DBUS
// Asks the file manager to show the item; "" when it did, else why not.
QString ShowItemOverDBus(const QString& path) {
    static const QString kService = QStringLiteral("org.freedesktop.FileManager1");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return QObject::tr("no session bus");
    QDBusConnectionInterface* services = bus.interface();
    if (!services || (!services->isServiceRegistered(kService).value() &&
                      !services->activatableServiceNames().value().contains(kService)))
        return QObject::tr("no file manager offers %1").arg(kService);
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/FileManager1"),
                                       kService, QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage ? QString() : reply.errorMessage();
}
#endif

} // namespace

RevealOutcome RevealInFileManager(const QString& path) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    QString why;
    if (info.exists()) {
#ifdef QV_HAVE_DBUS
        why = ShowItemOverDBus(info.absoluteFilePath());
        if (why.isEmpty()) return {true, QObject::tr("file manager"), {}};
#endif
    } else if (!QFileInfo(folder).isDir()) {
        return {false,
                {},
                QObject::tr("%1 does not exist, nor does its folder")
                    .arg(QDir::toNativeSeparators(path))};
    }
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        return {true, QObject::tr("folder"), {}};
    QString problem =
        QObject::tr("No file manager could show %1").arg(QDir::toNativeSeparators(path));
    if (!why.isEmpty()) problem += " (" + why + ")";
    return {false, {}, problem};
}

} // namespace qv::app
