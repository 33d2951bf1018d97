#include "testdesktop.h"

#include <QDBusMessage>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace kernwick::test {

namespace {
// Services answer on a connection apart from the one the code under test uses, as another program would.
QDBusConnection serviceConnection()
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"kernwick-test-services"_s);
}

// Registers `object` at `path` under the name `service`, on the services' connection.
bool registerService(QObject *object, const QString &path, const QString &service,
                     QDBusConnection::RegisterOptions options = QDBusConnection::ExportAllSlots)
{
    QDBusConnection bus = serviceConnection();
    return bus.isConnected() && bus.registerObject(path, object, options) && bus.registerService(service);
}
} // namespace

bool TestNotificationService::registerOnSessionBus()
{
    return registerService(this, u"/org/freedesktop/Notifications"_s, u"org.freedesktop.Notifications"_s);
}

uint TestNotificationService::Notify(const QString &, uint, const QString &, const QString &summary,
                                     const QString &body, const QStringList &, const QVariantMap &, int)
{
    notices.append(summary + u'|' + body);
    Q_EMIT noticeReceived();
    return ++m_lastId;
}

bool TestFileManagerService::registerOnSessionBus()
{
    return registerService(this, u"/org/freedesktop/FileManager1"_s, u"org.freedesktop.FileManager1"_s);
}

bool TestSettingsPortal::registerOnSessionBus()
{
    return registerService(this, u"/org/freedesktop/portal/desktop"_s, u"org.freedesktop.portal.Desktop"_s,
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
}

void TestSettingsPortal::setColorScheme(uint colorScheme)
{
    m_colorScheme = colorScheme;
    Q_EMIT SettingChanged(u"org.freedesktop.appearance"_s, u"color-scheme"_s, QDBusVariant(colorScheme));
}

QDBusVariant TestSettingsPortal::ReadOne(const QString &group, const QString &key)
{
    if (group == u"org.freedesktop.appearance" && key == u"color-scheme")
        return QDBusVariant(m_colorScheme);
    return QDBusVariant(QVariant());
}

bool TestFileChooserPortal::registerOnSessionBus()
{
    return registerService(this, u"/org/freedesktop/portal/desktop"_s, u"org.freedesktop.portal.Desktop"_s,
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
}

QDBusObjectPath TestFileChooserPortal::OpenFile(const QString &, const QString &title,
                                                const QVariantMap &options)
{
    requests.append({title, options});
    // The request's path as the portal makes it: the caller's name and its token.
    QString sender = message().service().mid(1);
    sender.replace(u'.', u'_');
    const QString handle = u"/org/freedesktop/portal/desktop/request/"_s + sender + u'/' +
                           options.value(u"handle_token"_s).toString();
    const std::optional<QStringList> answer = answers.isEmpty() ? std::nullopt : answers.takeFirst();
    // The answer comes once the dialog has been "used", after the call has returned.
    QTimer::singleShot(0, this, [handle, answer] {
        QStringList uris;
        for (const QString &file : answer.value_or(QStringList()))
            uris.append(QUrl::fromLocalFile(file).toString());
        QDBusMessage response =
            QDBusMessage::createSignal(handle, u"org.freedesktop.portal.Request"_s, u"Response"_s);
        response << uint(answer ? 0 : 1) << QVariantMap{{u"uris"_s, uris}};
        serviceConnection().send(response);
    });
    return QDBusObjectPath(handle);
}

} // namespace kernwick::test
