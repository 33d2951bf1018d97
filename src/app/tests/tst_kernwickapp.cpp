#include <app/kernwickapp.h>
#include <app/messagedialog.h>
#include <platform/desktop/colorschemeportal.h>
#include <views/appearance.h>
#include <views/filledbutton.h>

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/desktop/testdesktop.h>
#include <testsupport/testprocess.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

// The application around the window: appearance, the desktop's preference, updates, two real launches.
class KernwickAppTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        QVERIFY(m_portal.registerOnSessionBus());
        m_colorScheme = std::make_unique<ColorSchemePortal>(QDBusConnection::sessionBus());
    }

    void init()
    {
        QFile::remove(m_folder.filePath(u"settings.ini"_s));
        m_settings = std::make_unique<QSettings>(m_folder.filePath(u"settings.ini"_s), QSettings::IniFormat);
        if (m_colorScheme->prefersDark()) {
            QSignalSpy changed(m_colorScheme.get(), &ColorSchemePortal::prefersDarkChanged);
            m_portal.setColorScheme(0);
            QVERIFY(changed.wait(5000));
        }
    }

    void menusSettingAndTheDesktop()
    {
        QStringList opened;
        Shell shell = makeShell(nullptr, {[&] { opened.append(u"chooser"_s); },
                                          [&](const QString &path) { opened.append(path); },
                                          [&] {
                                              opened.append(u"closed"_s);
                                          }});
        const QList<QAction *> menus = shell.window->menuBar()->actions();
        QStringList items;
        for (const QAction *menu : menus) {
            items.append(menu->text() + u':');
            QString mnemonics;
            for (const QAction *item : menu->menu()->actions()) {
                items.append(item->isSeparator() ? u"—"_s
                                                 : item->text() + u' ' + item->shortcut().toString());
                // Every item has a letter of its own to press.
                const qsizetype amp = item->text().indexOf(u'&');
                QVERIFY2(item->isSeparator() || amp >= 0, qPrintable(item->text()));
                if (amp >= 0) {
                    QVERIFY2(!mnemonics.contains(item->text()[amp + 1].toLower()), qPrintable(item->text()));
                    mnemonics += item->text()[amp + 1].toLower();
                }
            }
        }
        QCOMPARE(
            items,
            (QStringList{u"&File:"_s, u"&Open… Ctrl+O"_s, u"Open &Recent "_s, u"—"_s, u"&Close Ctrl+W"_s,
                         u"&Quit Ctrl+Q"_s, u"&View:"_s, u"&Light Ctrl+Shift+1"_s, u"&Dark Ctrl+Shift+2"_s,
                         u"—"_s, u"&Auto (Follow System) Ctrl+Shift+3"_s, u"&Help:"_s, u"Kernwick &Help F1"_s,
                         u"—"_s, u"Check for &Updates… "_s, u"&About Kernwick "_s}));
        // No report address: no such item. Help leads to the installed README, else the manual page.
        QVERIFY(!shell.app->reportProblemAction());
        QCOMPARE(KernwickApp::helpUrl(m_folder.filePath(u"nothing.md"_s)), QUrl(u"man:kernwick(1)"_s));
        QCOMPARE(KernwickApp::helpUrl(QStringLiteral(KERNWICK_FIXTURES_DIR "/README.md")),
                 QUrl::fromLocalFile(QStringLiteral(KERNWICK_FIXTURES_DIR "/README.md")));

        // The shortcuts reach the window's presentation.
        shell.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(shell.window.get()));
        QTest::keyClick(shell.window.get(), Qt::Key_O, Qt::ControlModifier);
        QTest::keyClick(shell.window.get(), Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(opened, (QStringList{u"chooser"_s, u"closed"_s}));

        // Open Recent: the last ten presentations taken in, newest first, each once; a gone file is greyed.
        QStringList decks;
        for (int index = 0; index < 12; ++index) {
            decks.append(m_folder.filePath(u"Deck %1 & more.pptx"_s.arg(index)));
            if (index != 11)
                QVERIFY(QFile(decks.last()).open(QIODevice::WriteOnly));
            shell.app->noteOpened(decks.last());
        }
        shell.app->noteOpened(decks[5]);
        QMenu *recent = shell.app->recentMenu();
        Q_EMIT recent->aboutToShow();
        QCOMPARE(shell.app->recentFiles().size(), 10);
        QCOMPARE(shell.app->recentFiles().mid(0, 3), (QStringList{decks[5], decks[11], decks[10]}));
        QCOMPARE(recent->actions()[0]->text(), u"&1 Deck 5 && more.pptx"_s);
        QCOMPARE(recent->actions()[9]->text(), u"1&0 Deck 2 && more.pptx"_s);
        QVERIFY(recent->actions()[0]->isEnabled() && !recent->actions()[1]->isEnabled());
        recent->actions()[2]->trigger();
        QCOMPARE(opened.last(), decks[10]);
        recent->actions().last()->trigger(); // "Clear Menu"
        QVERIFY(shell.app->recentFiles().isEmpty());
        QCOMPARE(recent->actions().size(), 1);
        QVERIFY(!recent->actions()[0]->isEnabled());

        // Nothing stored: auto, following a desktop without a preference.
        QCOMPARE(checkedItems(*shell.app), QStringList{u"Auto (Follow System)"_s});
        QVERIFY(!m_appearance.isDark());

        // The shortcut turns the window dark at once; choosing it again keeps it; it survives a restart.
        QTest::keyClick(shell.window.get(), Qt::Key_2, Qt::ShiftModifier | Qt::ControlModifier);
        QVERIFY(m_appearance.isDark());
        shell.app->darkAction()->trigger();
        QCOMPARE(checkedItems(*shell.app), QStringList{u"Dark"_s});
        // The menu follows, and marks the mode with a checkmark, not a radio bullet.
        QVERIFY(!shell.app->darkAction()->actionGroup()->isExclusive());
        const QImage menu = menus[1]->menu()->grab().toImage();
        QVERIFY(menu.pixelColor(menu.width() - 4, menu.height() / 2).lightness() < 90);
        shell = {};
        m_appearance.setColorScheme(Appearance::ColorScheme::light);
        shell = makeShell();
        QVERIFY(m_appearance.isDark());
        QCOMPARE(checkedItems(*shell.app), QStringList{u"Dark"_s});

        // A stored value other than the three checks nothing and follows the desktop, until one is chosen.
        shell = {};
        m_settings->setValue(u"appearanceMode"_s, u"sepia"_s);
        shell = makeShell();
        QCOMPARE(checkedItems(*shell.app), QStringList());
        QVERIFY(!m_appearance.isDark());
        shell.app->autoAction()->trigger();
        QCOMPARE(checkedItems(*shell.app), QStringList{u"Auto (Follow System)"_s});
        QCOMPARE(m_settings->value(u"appearanceMode"_s).toString(), u"auto"_s);

        // A choice of its own beats the desktop's; auto follows the desktop's preference as it changes.
        QSignalSpy changed(m_colorScheme.get(), &ColorSchemePortal::prefersDarkChanged);
        shell.app->setAppearanceMode(u"light"_s);
        m_portal.setColorScheme(1);
        QVERIFY(changed.wait(5000));
        QVERIFY(!m_appearance.isDark());
        shell.app->setAppearanceMode(u"auto"_s);
        QVERIFY(m_appearance.isDark());
        m_portal.setColorScheme(0);
        QVERIFY(changed.wait(5000));
        QVERIFY(!m_appearance.isDark());

        // Where updates are not offered the item is disabled; without a feed it still answers.
        QVERIFY(!shell.app->checkForUpdatesAction()->isEnabled());
        UpdateChecker unconfigured(QUrl(), u"0.1.0"_s);
        shell = {};
        shell = makeShell(&unconfigured);
        shell.app->setAppearanceMode(u"dark"_s);
        shell.app->checkForUpdatesAction()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(shell.app->updateMessage(), 5000);
        QCOMPARE(shell.app->updateMessage()->title(), u"Updates come from your package manager."_s);
        // The dialog is dark in the dark appearance, its one button the window's own filled one.
        QCOMPARE(shell.app->updateMessage()->buttons().size(), 1);
        QVERIFY(qobject_cast<FilledButton *>(shell.app->updateMessage()->buttons()[0]));
        shell.app->aboutAction()->trigger();
        QVERIFY(shell.app->aboutDialog());
        QCOMPARE(shell.app->aboutDialog()->title(), u"Kernwick "_s + QCoreApplication::applicationVersion());
        const QImage dialog = shell.app->updateMessage()->grab().toImage();
        QVERIFY(dialog.pixelColor(4, dialog.height() / 2).lightness() < 90);
    }

    void secondLaunchHandsItsFileToTheFirst()
    {
        const QString program = QStringLiteral(KERNWICK_BIN_DIR "/kernwick");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString runtime = m_folder.filePath(u"runtime"_s);
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
        environment.insert(u"XDG_CONFIG_HOME"_s, m_folder.filePath(u"config"_s));
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);

        QProcess first;
        first.setProcessEnvironment(environment);
        first.start(program, {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(!QDir(runtime).entryList({u"kernwick-*.socket"_s}, QDir::System).isEmpty(),
                                 20'000);

        // The second launch ends at once; the first takes its file in and, the file being gone, says so.
        const QString gone = m_folder.filePath(u"Gone Talk.key"_s);
        QCOMPARE(test::runProgram(program, {gone}, environment).exitCode, 0);
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += first.readAllStandardOutput())
                                     .contains("[Drop] Bookmark failed: The file “Gone Talk.key”"),
                                 20'000);
        QCOMPARE(first.state(), QProcess::Running);

        first.terminate();
        QVERIFY(first.waitForFinished(20'000));

        // Help and version need no display.
        environment.remove(u"DISPLAY"_s);
        environment.remove(u"WAYLAND_DISPLAY"_s);
        environment.remove(u"QT_QPA_PLATFORM"_s);
        for (const auto &[option, answer] :
             {std::pair{u"--help"_s, u"Usage: "_s}, {u"--version"_s, u"Kernwick "_s}}) {
            const test::ProgramRun run = test::runProgram(program, {option}, environment);
            QCOMPARE(run.exitCode, 0);
            QVERIFY2(run.out.startsWith(answer), qPrintable(run.out + run.err));
        }
    }

private:
    struct Shell
    {
        std::unique_ptr<KernwickApp> app;
        std::unique_ptr<QMainWindow> window;
    };

    Shell makeShell(UpdateChecker *updater = nullptr, FileActions fileActions = {})
    {
        Shell shell;
        shell.app = std::make_unique<KernwickApp>(*m_settings, m_appearance, *m_colorScheme, updater);
        shell.window = std::make_unique<QMainWindow>();
        shell.window->setCentralWidget(new QWidget);
        shell.app->installMenus(*shell.window->menuBar(), shell.window.get(), std::move(fileActions));
        return shell;
    }

    static QStringList checkedItems(const KernwickApp &app)
    {
        QStringList checked;
        for (const QAction *action : {app.lightAction(), app.darkAction(), app.autoAction()}) {
            if (action->isChecked())
                checked.append(action->text().remove(u'&'));
        }
        return checked;
    }

    QTemporaryDir m_folder;
    std::unique_ptr<QSettings> m_settings;
    test::TestSettingsPortal m_portal{0};
    std::unique_ptr<ColorSchemePortal> m_colorScheme;
    Appearance m_appearance;
};

QTEST_MAIN(KernwickAppTest)
#include "tst_kernwickapp.moc"
