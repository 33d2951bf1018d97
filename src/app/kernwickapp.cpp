#include "kernwickapp.h"

#include <platform/desktop/colorschemeportal.h>
#include <views/appearance.h>
#include <views/symbols.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QToolTip>

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
    // Menus, dialogs and tooltips are windows of their own: they follow the same appearance, those made
    // later through the application's palette, those already made (the menu bar's menus) directly.
    const QPalette palette = m_appearance.palette();
    QApplication::setPalette(palette);
    QToolTip::setPalette(palette);
    for (QWidget *window : QApplication::topLevelWidgets())
        window->setPalette(palette);
    if (m_appearanceGroup) {
        // A checkmark beside the current mode and nothing beside the others (a blank keeps the texts in
        // line): the desktop style would draw an empty box for an unchecked item.
        const QIcon check(symbolPixmap(u"checkmark"_s, 16, palette.color(QPalette::WindowText), 2));
        QPixmap blank(32, 32);
        blank.fill(Qt::transparent);
        for (const auto &[action, mode] :
             {std::pair{m_light, lightMode}, {m_dark, darkMode}, {m_auto, autoMode}}) {
            action->setChecked(m_appearanceMode == mode);
            action->setIcon(action->isChecked() ? check : QIcon(blank));
        }
    }
}

void KernwickApp::installMenus(QMenuBar &menuBar, QWidget *window)
{
    m_window = window;

    QMenu *application = menuBar.addMenu(u"Kernwick"_s);
    QAction *about = application->addAction(u"About Kernwick"_s);
    connect(about, &QAction::triggered, this, [this] {
        auto *message = new QMessageBox(m_window);
        message->setAttribute(Qt::WA_DeleteOnClose);
        message->setWindowTitle(u"About Kernwick"_s);
        message->setIconPixmap(logoPixmap(64, message->devicePixelRatioF()));
        message->setText(u"<h3>Kernwick %1</h3><p>Collects the fonts of a presentation for the machine that "
                         u"will show it.</p><p>Your files never leave your computer.</p>"_s.arg(
                             QApplication::applicationVersion()));
        message->addButton(QMessageBox::Ok);
        message->open();
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
    // The current mode carries a checkmark, not a radio bullet: the group is not exclusive, and the marks
    // are set from the stored value alone (a value other than the three checks nothing).
    m_appearanceGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
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
        message->setText(u"You’re up to date!"_s);
        message->setInformativeText(u"Kernwick %1 is currently the newest version available."_s.arg(version));
        message->addButton(QMessageBox::Ok);
        break;
    case UpdateChecker::Outcome::updateAvailable: {
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
        message->setText(u"Updates come from your package manager."_s);
        message->setInformativeText(u"This copy of Kernwick %1 has no update feed of its own: your system’s "
                                    u"package manager keeps it up to date."_s.arg(version));
        message->addButton(QMessageBox::Ok);
        break;
    case UpdateChecker::Outcome::brokenFeed:
    case UpdateChecker::Outcome::unreachable:
        message->setText(u"Update Error!"_s);
        message->setInformativeText(u"Kernwick could not check for updates: %1"_s.arg(error));
        message->addButton(QMessageBox::Ok);
        break;
    }
    // The application's own icon rather than the style's generic ones, as the desktop's dialogs show.
    message->setIconPixmap(logoPixmap(64, message->devicePixelRatioF()));
    m_updateMessage = message;
    message->open();
}

} // namespace kernwick
