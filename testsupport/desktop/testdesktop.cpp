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
    return bus.isConnected()
           && bus.registerObject(u"/org/freedesktop/Notifications"_s, this, QDBusConnection::ExportAllSlots)
           && bus.registerService(u"org.freedesktop.Notifications"_s);
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
    return bus.isConnected()
           && bus.registerObject(u"/org/freedesktop/FileManager1"_s, this, QDBusConnection::ExportAllSlots)
           && bus.registerService(u"org.freedesktop.FileManager1"_s);
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

} // namespace kernwick::test
