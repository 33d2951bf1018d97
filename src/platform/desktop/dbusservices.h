#pragma once

#include <platform/desktopservices.h>

#include <QDBusConnection>
#include <QUrl>

#include <functional>

namespace kernwick {

// Notices through org.freedesktop.Notifications on the session bus. Where no notification service
// answers, nothing is shown and nothing is said.
class DBusNotifier final : public Notifier
{
public:
    DBusNotifier(QDBusConnection connection, QString applicationName, QString iconName);

    void postNotice(const QString &title, const QString &body) override;

private:
    QDBusConnection m_connection;
    QString m_applicationName;
    QString m_iconName;
};

// Reveals through org.freedesktop.FileManager1.ShowItems on the session bus; where no file manager
// offers that, or the call fails, the folder that holds the item is opened instead.
class DBusFileRevealer final : public FileRevealer
{
public:
    using FolderOpener = std::function<void(const QUrl &folder)>;

    // `openFolder` defaults to the desktop's handler for folders.
    explicit DBusFileRevealer(QDBusConnection connection, FolderOpener openFolder = {});

    void revealItem(const QString &path, const QString &containingFolder) override;

private:
    QDBusConnection m_connection;
    FolderOpener m_openFolder;
};

} // namespace kernwick
