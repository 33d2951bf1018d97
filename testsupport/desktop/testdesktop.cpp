#include "testdesktop.h"

using namespace Qt::StringLiterals;

namespace kernwick::test {

namespace {
// Services answer on a connection apart from the one the code under test uses, as another program would.
QDBusConnection serviceConnection()
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"kernwick-test-services"_s);
}

std::optional<QString> takeFirst(QList<std::optional<QString>> &answers)
{
    return answers.isEmpty() ? std::nullopt : answers.takeFirst();
}
} // namespace

std::optional<QString> ScriptedFileChooser::chooseFile(const QString &prompt, const QString &message)
{
    asked.append(prompt + u'|' + message);
    return takeFirst(files);
}

std::optional<QString> ScriptedFileChooser::chooseFolder(const QString &prompt, const QString &message)
{
    asked.append(prompt + u'|' + message);
    return takeFirst(folders);
}

bool TestNotificationService::registerOnSessionBus()
{
    QDBusConnection bus = serviceConnection();
    return bus.isConnected() &&
           bus.registerObject(u"/org/freedesktop/Notifications"_s, this, QDBusConnection::ExportAllSlots) &&
           bus.registerService(u"org.freedesktop.Notifications"_s);
}

uint TestNotificationService::Notify(const QString &applicationName, uint replacesId, const QString &,
                                     const QString &summary, const QString &body, const QStringList &,
                                     const QVariantMap &hints, int)
{
    notices.append({applicationName, replacesId, summary, body, hints});
    Q_EMIT noticeReceived();
    return ++m_lastId;
}

QStringList TestNotificationService::GetCapabilities()
{
    return {u"body"_s, u"sound"_s};
}

bool TestFileManagerService::registerOnSessionBus()
{
    QDBusConnection bus = serviceConnection();
    return bus.isConnected() &&
           bus.registerObject(u"/org/freedesktop/FileManager1"_s, this, QDBusConnection::ExportAllSlots) &&
           bus.registerService(u"org.freedesktop.FileManager1"_s);
}

void TestFileManagerService::ShowItems(const QStringList &uris, const QString &)
{
    shownItems.append(uris);
    Q_EMIT itemsShown();
}

void TestFileManagerService::ShowFolders(const QStringList &uris, const QString &)
{
    shownItems.append(uris);
    Q_EMIT itemsShown();
}

TestSettingsPortal::TestSettingsPortal(uint colorScheme)
    : m_colorScheme(colorScheme)
{}

bool TestSettingsPortal::registerOnSessionBus()
{
    QDBusConnection bus = serviceConnection();
    return bus.isConnected() &&
           bus.registerObject(u"/org/freedesktop/portal/desktop"_s, this,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
           bus.registerService(u"org.freedesktop.portal.Desktop"_s);
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

QDBusVariant TestSettingsPortal::Read(const QString &group, const QString &key)
{
    // The older method wraps the value once more.
    return QDBusVariant(QVariant::fromValue(ReadOne(group, key)));
}

} // namespace kernwick::test
