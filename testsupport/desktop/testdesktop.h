#pragma once

#include <platform/desktopservices.h>

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace kernwick::test {

// Answers the file and folder choosers as a person would click, from a script of answers.
class ScriptedFileChooser final : public FileChooser
{
public:
    QList<std::optional<QString>> files;   // answers to chooseFile, in order; nothing means cancel
    QList<std::optional<QString>> folders; // answers to chooseFolder
    QStringList asked;                     // "prompt|message" of every question, in order
    QStringList startFolders;              // where each folder chooser opened

    std::optional<QString> chooseFile(const QString &prompt, const QString &message) override
    {
        asked.append(prompt + u'|' + message);
        return files.isEmpty() ? std::nullopt : files.takeFirst();
    }
    std::optional<QString> chooseFolder(const QString &prompt, const QString &message,
                                        const QString &startFolder) override
    {
        asked.append(prompt + u'|' + message);
        startFolders.append(startFolder);
        return folders.isEmpty() ? std::nullopt : folders.takeFirst();
    }
};

// A notification service on the session bus, org.freedesktop.Notifications, that keeps what it is sent.
class TestNotificationService final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    // Registers on a connection of its own; false when the bus cannot be reached or the name is taken.
    bool registerOnSessionBus();
    QStringList notices; // "summary|body" of every notice, in order

public Q_SLOTS:
    uint Notify(const QString &applicationName, uint replacesId, const QString &icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints, int timeout);

Q_SIGNALS:
    void noticeReceived();

private:
    uint m_lastId = 0;
};

// A file manager on the session bus, org.freedesktop.FileManager1, that keeps what it is asked to show.
class TestFileManagerService final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    bool registerOnSessionBus();
    QList<QStringList> shownItems;

public Q_SLOTS:
    void ShowItems(const QStringList &uris, const QString & /*startupId*/)
    {
        shownItems.append(uris);
        Q_EMIT itemsShown();
    }

Q_SIGNALS:
    void itemsShown();
};

// The desktop portal's Settings interface on the session bus, answering for the colour-scheme preference
// (0 no preference, 1 dark, 2 light), which a test can change while the program runs.
class TestSettingsPortal final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    explicit TestSettingsPortal(uint colorScheme = 0)
        : m_colorScheme(colorScheme)
    {}
    bool registerOnSessionBus();
    // Changes the preference and says so on the bus, as the desktop does.
    void setColorScheme(uint colorScheme);

public Q_SLOTS:
    QDBusVariant ReadOne(const QString &group, const QString &key);

Q_SIGNALS:
    void SettingChanged(const QString &group, const QString &key, const QDBusVariant &value);

private:
    uint m_colorScheme;
};

// The desktop portal's file chooser on the session bus, org.freedesktop.portal.FileChooser, answering as a
// person would from a script of answers (a list of chosen files; nothing means cancel), and keeping what
// it was asked.
class TestFileChooserPortal final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.FileChooser")
    Q_PROPERTY(uint version READ version)

public:
    struct Request
    {
        QString title;
        QVariantMap options;
    };

    bool registerOnSessionBus();
    uint version() const { return 3; }
    QList<std::optional<QStringList>> answers;
    QList<Request> requests;

public Q_SLOTS:
    QDBusObjectPath OpenFile(const QString &parentWindow, const QString &title, const QVariantMap &options);
};

} // namespace kernwick::test
