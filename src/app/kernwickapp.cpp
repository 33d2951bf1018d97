#include "kernwickapp.h"

#include "messagedialog.h"
#include <platform/desktop/colorschemeportal.h>
#include <views/appearance.h>
#include <views/symbols.h>

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenuBar>
#include <QSettings>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
const QString appearanceModeKey = u"appearanceMode"_s;
const QString autoMode = u"auto"_s;
const QString lightMode = u"light"_s;
const QString darkMode = u"dark"_s;
const QString recentFilesKey = u"recentFiles"_s;
constexpr qsizetype maximumRecentFiles = 10;
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

void KernwickApp::installMenus(QMenuBar &menuBar, QWidget *window, FileActions fileActions)
{
    m_window = window;
    m_fileActions = std::move(fileActions);
    const auto call = [](const std::function<void()> &action) {
        return [action] {
            if (action)
                action();
        };
    };

    QMenu *file = menuBar.addMenu(u"&File"_s);
    m_open = file->addAction(u"&Open…"_s);
    m_open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(m_open, &QAction::triggered, this, call(m_fileActions.open));
    m_recentMenu = file->addMenu(u"Open &Recent"_s);
    connect(m_recentMenu, &QMenu::aboutToShow, this, &KernwickApp::fillRecentMenu);
    fillRecentMenu();
    file->addSeparator();
    m_close = file->addAction(u"&Close"_s);
    m_close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(m_close, &QAction::triggered, this, call(m_fileActions.close));
    m_quit = file->addAction(u"&Quit"_s);
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quit->setMenuRole(QAction::QuitRole);
    connect(m_quit, &QAction::triggered, qApp, &QApplication::quit, Qt::QueuedConnection);

    QMenu *view = menuBar.addMenu(u"&View"_s);
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
    m_light = addMode(u"&Light"_s, lightMode, QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_1));
    m_dark = addMode(u"&Dark"_s, darkMode, QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_2));
    view->addSeparator();
    m_auto = addMode(u"&Auto (Follow System)"_s, autoMode, QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_3));

    QMenu *help = menuBar.addMenu(u"&Help"_s);
    m_help = help->addAction(u"Kernwick &Help"_s);
    m_help->setShortcut(QKeySequence(Qt::Key_F1));
    connect(m_help, &QAction::triggered, this,
            [] { QDesktopServices::openUrl(helpUrl(QStringLiteral(KERNWICK_HELP_FILE))); });
    if (const QUrl report(QStringLiteral(KERNWICK_REPORT_ADDRESS)); report.isValid() && !report.isEmpty()) {
        m_reportProblem = help->addAction(u"&Report a Problem…"_s);
        connect(m_reportProblem, &QAction::triggered, this, [report] { QDesktopServices::openUrl(report); });
    }
    help->addSeparator();
    m_checkForUpdates = help->addAction(u"Check for &Updates…"_s);
    m_checkForUpdates->setEnabled(m_updater != nullptr);
    connect(m_checkForUpdates, &QAction::triggered, this, &KernwickApp::checkForUpdates);
    m_about = help->addAction(u"&About Kernwick"_s);
    m_about->setMenuRole(QAction::AboutRole);
    connect(m_about, &QAction::triggered, this, &KernwickApp::showAbout);
    applyAppearance();
}

QUrl KernwickApp::helpUrl(const QString &installedReadme)
{
    if (!installedReadme.isEmpty() && QFileInfo(installedReadme).isFile())
        return QUrl::fromLocalFile(installedReadme);
    return QUrl(u"man:kernwick(1)"_s);
}

void KernwickApp::noteOpened(const QString &path)
{
    if (path.isEmpty())
        return;
    QStringList recent = recentFiles();
    recent.removeAll(path);
    recent.prepend(path);
    m_settings.setValue(recentFilesKey, QStringList(recent.mid(0, maximumRecentFiles)));
    m_settings.sync();
    if (m_recentMenu)
        fillRecentMenu();
}

QStringList KernwickApp::recentFiles() const
{
    return m_settings.value(recentFilesKey).toStringList().mid(0, maximumRecentFiles);
}

void KernwickApp::fillRecentMenu()
{
    m_recentMenu->clear();
    const QStringList recent = recentFiles();
    for (qsizetype index = 0; index < recent.size(); ++index) {
        const QString &path = recent[index];
        // "&1 Talk.pptx" to "1&0 …": a digit to press for each; the folder in the status tip.
        const QString number = QString::number(index + 1);
        const QString shortcut =
            index < 9 ? QString(u"&"_s + number) : QString(number.left(1) + u"&"_s + number.mid(1));
        const QString text = shortcut + u' ' + QFileInfo(path).fileName().replace(u'&', u"&&"_s);
        QAction *action = m_recentMenu->addAction(text);
        action->setData(path);
        action->setStatusTip(path);
        action->setToolTip(path);
        action->setEnabled(QFileInfo::exists(path));
        connect(action, &QAction::triggered, this, [this, path] {
            if (m_fileActions.openPath)
                m_fileActions.openPath(path);
        });
    }
    if (recent.isEmpty()) {
        m_recentMenu->addAction(u"No Recent Presentations"_s)->setEnabled(false);
        return;
    }
    m_recentMenu->addSeparator();
    connect(m_recentMenu->addAction(u"C&lear Menu"_s), &QAction::triggered, this, [this] {
        m_settings.remove(recentFilesKey);
        fillRecentMenu();
    });
}

void KernwickApp::showAbout()
{
    if (m_aboutDialog) {
        m_aboutDialog->raise();
        m_aboutDialog->activateWindow();
        return;
    }
    auto *dialog = new MessageDialog(
        m_appearance, u"Kernwick %1"_s.arg(QApplication::applicationVersion()),
        u"Collects the fonts of a presentation for the machine that will show it. Your files never leave "
        u"your computer."_s,
        m_window);
    dialog->setWindowTitle(u"About Kernwick"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->addButton(u"OK"_s, true);
    m_aboutDialog = dialog;
    dialog->open();
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
    const QString version = QApplication::applicationVersion();
    QString title;
    QString text;
    switch (outcome) {
    case UpdateChecker::Outcome::upToDate:
        title = u"You’re up to date!"_s;
        text = u"Kernwick %1 is currently the newest version available."_s.arg(version);
        break;
    case UpdateChecker::Outcome::updateAvailable:
        title = u"A new version of Kernwick is available!"_s;
        text = u"Kernwick %1 is now available — you have %2. Would you like to download it now?"_s.arg(
            update.shortVersionString, version);
        break;
    case UpdateChecker::Outcome::noFeed:
        title = u"Updates come from your package manager."_s;
        text = u"This copy of Kernwick %1 has no update feed of its own: your system’s package manager keeps "
               u"it up to date."_s.arg(version);
        break;
    case UpdateChecker::Outcome::brokenFeed:
    case UpdateChecker::Outcome::unreachable:
        title = u"Update Error!"_s;
        text = u"Kernwick could not check for updates: %1"_s.arg(error);
        break;
    }
    auto *message = new MessageDialog(m_appearance, title, text, m_window);
    message->setWindowTitle(u"Software Update"_s);
    message->setAttribute(Qt::WA_DeleteOnClose);
    if (outcome == UpdateChecker::Outcome::updateAvailable) {
        connect(message->addButton(u"Download"_s, true), &QAbstractButton::clicked, this,
                [url = update.downloadUrl] { QDesktopServices::openUrl(url); });
        message->addButton(u"Later"_s);
        if (update.releaseNotesLink.isValid() && !update.releaseNotesLink.isEmpty()) {
            connect(message->addButton(u"Release Notes"_s), &QAbstractButton::clicked, this,
                    [url = update.releaseNotesLink] { QDesktopServices::openUrl(url); });
        }
    } else {
        message->addButton(u"OK"_s, true);
    }
    m_updateMessage = message;
    message->open();
}

} // namespace kernwick
