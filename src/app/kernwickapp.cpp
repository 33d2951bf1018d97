#include "kernwickapp.h"

#include <platform/desktop/colorschemeportal.h>
#include <views/appearance.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
const QString appearanceModeKey = u"appearanceMode"_s;
const QString autoMode = u"auto"_s;
const QString lightMode = u"light"_s;
const QString darkMode = u"dark"_s;
} // namespace

KernwickApp::KernwickApp(QSettings &settings, Appearance &appearance, ColorSchemePortal &portal,
                         UpdateChecker *updater, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_appearance(appearance)
    , m_portal(portal)
    , m_updater(updater)
    , m_appearanceMode(settings.value(appearanceModeKey, autoMode).toString())
{
    connect(&m_portal, &ColorSchemePortal::prefersDarkChanged, this, &KernwickApp::applyAppearance);
    if (m_updater)
        connect(m_updater, &UpdateChecker::finished, this, &KernwickApp::showUpdateOutcome);
    applyAppearance();
}

void KernwickApp::setAppearanceMode(const QString &mode)
{
    if (m_appearanceMode == mode)
        return;
    m_appearanceMode = mode;
    m_settings.setValue(appearanceModeKey, mode);
    m_settings.sync();
    applyAppearance();
    Q_EMIT appearanceModeChanged();
}

void KernwickApp::applyAppearance()
{
    const bool dark =
        m_appearanceMode == darkMode || (m_appearanceMode != lightMode && m_portal.prefersDark());
    m_appearance.setColorScheme(dark ? Appearance::ColorScheme::dark : Appearance::ColorScheme::light);
    if (m_appearanceGroup) {
        m_light->setChecked(m_appearanceMode == lightMode);
        m_dark->setChecked(m_appearanceMode == darkMode);
        m_auto->setChecked(m_appearanceMode == autoMode);
    }
}

void KernwickApp::installMenus(QMenuBar &menuBar, QWidget *window)
{
    m_window = window;

    QMenu *application = menuBar.addMenu(u"Kernwick"_s);
    QAction *about = application->addAction(u"About Kernwick"_s);
    connect(about, &QAction::triggered, this, [this] {
        QMessageBox::about(
            m_window, u"About Kernwick"_s,
            u"<h3>Kernwick %1</h3><p>Collects the fonts of a presentation for the machine that will "
            u"show it.</p><p>Your files never leave your computer.</p>"_s.arg(
                QApplication::applicationVersion()));
    });
    m_checkForUpdates = application->addAction(u"Check for Updates..."_s);
    m_checkForUpdates->setEnabled(m_updater != nullptr);
    connect(m_checkForUpdates, &QAction::triggered, this, &KernwickApp::checkForUpdates);
    application->addSeparator();
    QAction *quit = application->addAction(u"Quit Kernwick"_s);
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, qApp, &QApplication::quit);

    QMenu *view = menuBar.addMenu(u"View"_s);
    m_appearanceGroup = new QActionGroup(this);
    // A stored value other than the three checks nothing, so the group may stand with none checked.
    m_appearanceGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const auto addMode = [&](const QString &text, const QString &mode, const QKeySequence &shortcut) {
        QAction *action = view->addAction(text);
        action->setCheckable(true);
        action->setShortcut(shortcut);
        action->setActionGroup(m_appearanceGroup);
        connect(action, &QAction::triggered, this, [this, mode] {
            setAppearanceMode(mode);
            applyAppearance(); // choosing the checked item again must not clear its mark
        });
        return action;
    };
    m_light = addMode(u"Light"_s, lightMode, QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_1));
    m_dark = addMode(u"Dark"_s, darkMode, QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_2));
    view->addSeparator();
    m_auto = addMode(u"Auto (Follow System)"_s, autoMode, QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_3));
    applyAppearance();
}

void KernwickApp::checkForUpdates()
{
    if (m_updater)
        m_updater->checkForUpdates();
}

void KernwickApp::showUpdateOutcome(UpdateChecker::Outcome outcome, const AppcastItem &update,
                                    const QString &error)
{
    if (m_updateMessage)
        m_updateMessage->close();
    auto *message = new QMessageBox(m_window);
    message->setAttribute(Qt::WA_DeleteOnClose);
    const QString version = QApplication::applicationVersion();
    switch (outcome) {
    case UpdateChecker::Outcome::upToDate:
        message->setIcon(QMessageBox::Information);
        message->setText(u"You’re up to date!"_s);
        message->setInformativeText(u"Kernwick %1 is currently the newest version available."_s.arg(version));
        message->addButton(QMessageBox::Ok);
        break;
    case UpdateChecker::Outcome::updateAvailable: {
        message->setIcon(QMessageBox::Information);
        message->setText(u"A new version of Kernwick is available!"_s);
        message->setInformativeText(
            u"Kernwick %1 is now available — you have %2. Would you like to download it now?"_s.arg(
                update.shortVersionString, version));
        QPushButton *download = message->addButton(u"Download"_s, QMessageBox::AcceptRole);
        connect(download, &QPushButton::clicked, this,
                [url = update.downloadUrl] { QDesktopServices::openUrl(url); });
        if (update.releaseNotesLink.isValid() && !update.releaseNotesLink.isEmpty()) {
            QPushButton *notes = message->addButton(u"Release Notes"_s, QMessageBox::HelpRole);
            connect(notes, &QPushButton::clicked, this,
                    [url = update.releaseNotesLink] { QDesktopServices::openUrl(url); });
        }
        message->addButton(u"Later"_s, QMessageBox::RejectRole);
        break;
    }
    case UpdateChecker::Outcome::noFeed:
        message->setIcon(QMessageBox::Information);
        message->setText(u"Updates come from your package manager."_s);
        message->setInformativeText(u"This copy of Kernwick %1 has no update feed of its own: your system’s "
                                    u"package manager keeps it up to date."_s.arg(version));
        message->addButton(QMessageBox::Ok);
        break;
    case UpdateChecker::Outcome::brokenFeed:
    case UpdateChecker::Outcome::unreachable:
        message->setIcon(QMessageBox::Warning);
        message->setText(u"Update Error!"_s);
        message->setInformativeText(u"Kernwick could not check for updates: %1"_s.arg(error));
        message->addButton(QMessageBox::Ok);
        break;
    }
    m_updateMessage = message;
    message->open();
}

} // namespace kernwick
