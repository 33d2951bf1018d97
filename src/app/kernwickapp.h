#pragma once

#include <app/messagedialog.h>
#include <platform/appcast.h>
#include <platform/desktop/updatechecker.h>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QSettings;

namespace kernwick {

class Appearance;
class ColorSchemePortal;

// What the File menu does with the window's presentation.
struct FileActions
{
    std::function<void()> open;                        // asks for a presentation
    std::function<void(const QString &path)> openPath; // takes in a presentation of the recent list
    std::function<void()> close;                       // puts the presentation away
};

// The application around the window: its menus (File with the recent presentations, View with the stored
// appearance, following the desktop's light or dark preference in "auto", and Help with the manual,
// "Check for Updates…" and "About Kernwick"), and their dialogs.
class KernwickApp final : public QObject
{
    Q_OBJECT

public:
    // `updater` is null where updates are not offered (a copy run from a removable volume); the menu
    // item is then there but disabled.
    KernwickApp(QSettings &settings, Appearance &appearance, ColorSchemePortal &portal,
                UpdateChecker *updater, QObject *parent = nullptr);

    // "auto", "light" or "dark"; any other stored text behaves as "auto" and checks no menu item.
    QString appearanceMode() const { return m_appearanceMode; }
    void setAppearanceMode(const QString &mode);

    // Fills a window's menu bar: "File", "View" and "Help".
    void installMenus(QMenuBar &menuBar, QWidget *window, FileActions fileActions = {});

    // Puts a presentation that was taken in at the head of the recent list (at most ten, newest first).
    void noteOpened(const QString &path);
    QStringList recentFiles() const;
    QMenu *recentMenu() const { return m_recentMenu; }
    QAction *openAction() const { return m_open; }
    QAction *closeAction() const { return m_close; }
    QAction *quitAction() const { return m_quit; }
    QAction *helpAction() const { return m_help; }
    // Null where the build names no address for reports.
    QAction *reportProblemAction() const { return m_reportProblem; }
    QAction *aboutAction() const { return m_about; }

    // Where "Kernwick Help" leads: the installed README, else the manual page.
    static QUrl helpUrl(const QString &installedReadme);

    QAction *lightAction() const { return m_light; }
    QAction *darkAction() const { return m_dark; }
    QAction *autoAction() const { return m_auto; }
    QAction *checkForUpdatesAction() const { return m_checkForUpdates; }

    void checkForUpdates();
    // The answer of the last check, while it is on screen.
    MessageDialog *updateMessage() const { return m_updateMessage; }
    MessageDialog *aboutDialog() const { return m_aboutDialog; }

Q_SIGNALS:
    void appearanceModeChanged();

private:
    void applyAppearance();
    void showUpdateOutcome(UpdateChecker::Outcome outcome, const AppcastItem &update, const QString &error);
    void showAbout();
    void fillRecentMenu();

    QSettings &m_settings;
    Appearance &m_appearance;
    ColorSchemePortal &m_portal;
    UpdateChecker *m_updater;
    QString m_appearanceMode;
    QPointer<QWidget> m_window;
    QAction *m_light = nullptr;
    QAction *m_dark = nullptr;
    QAction *m_auto = nullptr;
    QActionGroup *m_appearanceGroup = nullptr;
    QAction *m_checkForUpdates = nullptr;
    QAction *m_open = nullptr;
    QAction *m_close = nullptr;
    QAction *m_quit = nullptr;
    QAction *m_help = nullptr;
    QAction *m_reportProblem = nullptr;
    QAction *m_about = nullptr;
    QMenu *m_recentMenu = nullptr;
    FileActions m_fileActions;
    QPointer<MessageDialog> m_updateMessage;
    QPointer<MessageDialog> m_aboutDialog;
};

} // namespace kernwick
