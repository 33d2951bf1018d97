#include "dbusservices.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDesktopServices>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
const QString notificationsService = u"org.freedesktop.Notifications"_s;
const QString fileManagerService = u"org.freedesktop.FileManager1"_s;

bool offersService(const QDBusConnection &connection, const QString &service)
{
    const QDBusConnectionInterface *bus = connection.interface();
    if (!bus)
        return false;
    if (bus->isServiceRegistered(service))
        return true;
    const QDBusReply<QStringList> activatable = bus->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(service);
}
} // namespace

DBusNotifier::DBusNotifier(QDBusConnection connection, QString applicationName, QString iconName)
    : m_connection(std::move(connection))
    , m_applicationName(std::move(applicationName))
    , m_iconName(std::move(iconName))
{}

void DBusNotifier::postNotice(const QString &title, const QString &body)
{
    if (!m_connection.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        notificationsService, u"/org/freedesktop/Notifications"_s, notificationsService, u"Notify"_s);
    const QVariantMap hints{{u"sound-name"_s, u"message-new-instant"_s},
                            {u"urgency"_s, QVariant::fromValue(uchar(1))}};
    // Replacing notice 0 means a new notice every time; -1 leaves its lifetime to the desktop.
    call << m_applicationName << 0u << m_iconName << title << body << QStringList() << hints << -1;
    // The answer is not waited for: a desktop without notifications simply shows none.
    m_connection.asyncCall(call);
}

DBusFileRevealer::DBusFileRevealer(QDBusConnection connection, FolderOpener openFolder)
    : m_connection(std::move(connection))
    , m_openFolder(openFolder ? std::move(openFolder)
                              : [](const QUrl &folder) { QDesktopServices::openUrl(folder); })
{}

void DBusFileRevealer::revealItem(const QString &path, const QString &containingFolder)
{
    const QUrl folder = QUrl::fromLocalFile(containingFolder);
    if (!m_connection.isConnected() || !offersService(m_connection, fileManagerService)) {
        m_openFolder(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(fileManagerService, u"/org/freedesktop/FileManager1"_s,
                                                       fileManagerService, u"ShowItems"_s);
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, folder, openFolder = m_openFolder] {
                         if (watcher->isError())
                             openFolder(folder);
                         watcher->deleteLater();
                     });
}

} // namespace kernwick
