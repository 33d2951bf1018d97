#include <app/kernwickapp.h>
#include <platform/desktop/colorschemeportal.h>
#include <views/appearance.h>

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

// The application around the window: the appearance and its menu, the desktop's preference, the update
// check, and two launches of the real program.
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
        Shell shell = makeShell();
        const QList<QAction *> menus = shell.window->menuBar()->actions();
        QStringList items;
        for (const QAction *item : menus[0]->menu()->actions().mid(0, 2) + menus[1]->menu()->actions())
            items.append(item->isSeparator() ? u"—"_s : item->text() + u' ' + item->shortcut().toString());
        QCOMPARE(items,
                 (QStringList{u"About Kernwick "_s, u"Check for Updates... "_s, u"Light Ctrl+Shift+1"_s,
                              u"Dark Ctrl+Shift+2"_s, u"—"_s, u"Auto (Follow System) Ctrl+Shift+3"_s}));
        // Nothing stored: auto, following a desktop without a preference.
        QCOMPARE(checkedItems(*shell.app), QStringList{u"Auto (Follow System)"_s});
        QVERIFY(!m_appearance.isDark());

        // The shortcut turns the window dark at once; choosing it again keeps it; the choice survives a
        // restart.
        shell.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(shell.window.get()));
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

        // A choice of its own is not overruled by the desktop; auto follows the desktop's preference, also as
        // it changes.
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

        // Where updates are not offered the update item is there but disabled; without a feed it still
        // answers.
        QVERIFY(!shell.app->checkForUpdatesAction()->isEnabled());
        UpdateChecker unconfigured(QUrl(), u"0.1.0"_s);
        shell = {};
        shell = makeShell(&unconfigured);
        shell.app->setAppearanceMode(u"dark"_s);
        shell.app->checkForUpdatesAction()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(shell.app->updateMessage(), 5000);
        QCOMPARE(shell.app->updateMessage()->text(), u"Updates come from your package manager."_s);
        // The dialog is dark in the dark appearance.
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

        // The second launch ends at once and the first takes its file in: this file is gone, so the first
        // copy says so as it tries to remember it.
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

    Shell makeShell(UpdateChecker *updater = nullptr)
    {
        Shell shell;
        shell.app = std::make_unique<KernwickApp>(*m_settings, m_appearance, *m_colorScheme, updater);
        shell.window = std::make_unique<QMainWindow>();
        shell.window->setCentralWidget(new QWidget);
        shell.app->installMenus(*shell.window->menuBar(), shell.window.get());
        return shell;
    }

    static QStringList checkedItems(const KernwickApp &app)
    {
        QStringList checked;
        for (const QAction *action : {app.lightAction(), app.darkAction(), app.autoAction()}) {
            if (action->isChecked())
                checked.append(action->text());
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
