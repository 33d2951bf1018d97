#pragma once

#include <platform/desktopservices.h>

#include <QDBusConnection>
#include <QStringList>
#include <QVariantMap>

class QWidget;

namespace kernwick {

class FileNameAliases;

// The desktop's own file chooser, through the desktop portal (org.freedesktop.portal.FileChooser): the
// dialog that people know from the rest of their desktop. A Keynote package is a folder, which the portal
// cannot offer as a file: opening the package and choosing anything inside it chooses the package. Where
// no portal offers a file chooser, or it fails, the fallback chooser answers instead.
class PortalFileChooser final : public FileChooser
{
public:
    // Files named in an older encoding than UTF-8 are handed back through `aliases`, when given.
    PortalFileChooser(QDBusConnection connection, FileChooser &fallback, QWidget *window = nullptr,
                      FileNameAliases *aliases = nullptr);

    std::optional<QString> chooseFile(const QString &prompt, const QString &message) override;
    std::optional<QString> chooseFolder(const QString &prompt, const QString &message,
                                        const QString &startFolder) override;

    // A file chooser portal answers on the bus.
    bool isPortalAvailable() const;
    // The Keynote package that holds `path`, or `path` itself when none does.
    static QString enclosingPackage(const QString &path);

private:
    struct Answer
    {
        bool answered = false; // false: the portal could not be asked
        QStringList files;     // empty: cancelled
    };
    Answer ask(const QString &title, QVariantMap options);

    QDBusConnection m_connection;
    FileChooser &m_fallback;
    QWidget *m_window;
    FileNameAliases *m_aliases;
    int m_requests = 0;
};

} // namespace kernwick
