#pragma once

#include <platform/appcast.h>
#include <platform/desktop/updatechecker.h>

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QAction;
class QActionGroup;
class QMenuBar;
class QSettings;

namespace kernwick {

class Appearance;
class ColorSchemePortal;

// The application around the window: the stored appearance with its "View" menu, following the desktop's
// light or dark preference in "auto", and the application menu with "Check for Updates...".
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

    // Fills a window's menu bar: the application menu and the "View" menu.
    void installMenus(QMenuBar &menuBar, QWidget *window);

    QAction *lightAction() const { return m_light; }
    QAction *darkAction() const { return m_dark; }
    QAction *autoAction() const { return m_auto; }
    QAction *checkForUpdatesAction() const { return m_checkForUpdates; }

    void checkForUpdates();
    // The answer of the last check, while it is on screen.
    QMessageBox *updateMessage() const { return m_updateMessage; }

Q_SIGNALS:
    void appearanceModeChanged();

private:
    void applyAppearance();
    void showUpdateOutcome(UpdateChecker::Outcome outcome, const AppcastItem &update, const QString &error);

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
    QPointer<QMessageBox> m_updateMessage;
};

} // namespace kernwick
