#include <platform/desktop/colorschemeportal.h>
#include <platform/desktop/dialogfilechooser.h>
#include <platform/desktop/portalfilechooser.h>
#include <platform/desktop/singleinstance.h>
#include <platform/desktop/updatechecker.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <testsupport/desktop/testdesktop.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

// The shell's services against real counterparts: bus portals, a second launch, a loopback feed, Qt's dialog.
class ShellServicesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void colorSchemeFromThePortal();
    void oneRunningCopy();
    void updateFeed();
    void fileChooserPortal();
    void fileDialog();

private:
    QTemporaryDir m_runtime;
};

void ShellServicesTest::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void ShellServicesTest::colorSchemeFromThePortal()
{
    // No bus to ask: no preference. (The private bus itself may start the machine's own portal on demand.)
    {
        ColorSchemePortal portal(QDBusConnection(u"nowhere"_s));
        QVERIFY(!QSignalSpy(&portal, &ColorSchemePortal::prefersDarkChanged).wait(500));
        QVERIFY(!portal.prefersDark());
    }
    test::TestSettingsPortal settings(1);
    QVERIFY(settings.registerOnSessionBus());
    ColorSchemePortal portal(QDBusConnection::sessionBus());
    QSignalSpy changed(&portal, &ColorSchemePortal::prefersDarkChanged);
    QVERIFY(changed.wait(5000));
    QVERIFY(portal.prefersDark());
    settings.setColorScheme(2);
    QVERIFY(changed.wait(5000));
    QVERIFY(!portal.prefersDark());
}

void ShellServicesTest::oneRunningCopy()
{
    SingleInstance first(u"kernwick-test"_s);
    // A socket left behind by a copy that crashed does not keep the first copy from starting.
    QVERIFY(QFile(first.socketPath()).open(QIODevice::WriteOnly));
    QVERIFY(!first.forwardToRunningCopy({}));
    QSignalSpy activated(&first, &SingleInstance::activationRequested);

    SingleInstance second(u"kernwick-test"_s);
    QVERIFY(second.forwardToRunningCopy({u"/talks/Ünïcode Talk.key"_s}));
    QVERIFY(activated.wait(5000));
    QCOMPARE(activated.first().first().toStringList(), QStringList{u"/talks/Ünïcode Talk.key"_s});

    SingleInstance third(u"kernwick-test"_s);
    QVERIFY(third.forwardToRunningCopy({}));
    QVERIFY(activated.wait(5000));
    QCOMPARE(activated.last().first().toStringList(), QStringList());

    // Another program name is another program.
    SingleInstance other(u"kernwick-other"_s);
    QVERIFY(!other.forwardToRunningCopy({}));
}

void ShellServicesTest::updateFeed()
{
    // A feed of items, each with its version and download (item forms are the parser test's).
    const auto feed = [](const QList<QByteArray> &versions) -> QByteArray {
        QByteArray items;
        for (const QByteArray &version : versions)
            items += "<item><sparkle:version>" + version +
                     "</sparkle:version><enclosure url=\"https://example.org/kernwick-" + version +
                     ".tar.gz\"/></item>";
        return R"(<?xml version="1.0" encoding="utf-8"?><rss version="2.0" )"
               R"(xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>)" +
               items + "</channel></rss>";
    };
    // The server's status and answer; empty: nothing listens; "-": no feed configured.
    using Outcome = UpdateChecker::Outcome;
    for (const auto &[status, body, outcome, version] :
         {std::tuple{QByteArray("200 OK"), feed({"0.0.9"}), Outcome::upToDate, QString()},
          {"200 OK", feed({"1.2.0", "0.0.9", "1.10.0"}), Outcome::updateAvailable, u"1.10.0"_s},
          {"200 OK", "<rss><channel><item>", Outcome::brokenFeed, {}},
          {"404 Not Found", "gone", Outcome::unreachable, {}},
          {{}, {}, Outcome::unreachable, {}},
          {"-", {}, Outcome::noFeed, {}}}) {
        // An HTTP server on loopback that answers every request with one response.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, &server, [&server, answer = status, body = body] {
            QTcpSocket *socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket, answer, body] {
                if (!socket->readAll().contains("\r\n\r\n"))
                    return;
                socket->write("HTTP/1.1 " + answer +
                              "\r\nContent-Type: application/rss+xml\r\nContent-Length: " +
                              QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
        });
        const QUrl url =
            status == "-" ? QUrl() : QUrl(u"http://127.0.0.1:%1/appcast.xml"_s.arg(server.serverPort()));
        if (status.isEmpty())
            server.close();
        UpdateChecker checker(url, u"0.1.0"_s);
        QSignalSpy finished(&checker, &UpdateChecker::finished);
        checker.checkForUpdates();
        QVERIFY2(finished.wait(10'000), status.constData());
        QCOMPARE(finished.first().at(0).value<Outcome>(), outcome);
        const AppcastItem update = finished.first().at(1).value<AppcastItem>();
        QCOMPARE(update.version, version);
        if (outcome == Outcome::updateAvailable)
            QCOMPARE(update.downloadUrl, QUrl(u"https://example.org/kernwick-1.10.0.tar.gz"_s));
        QCOMPARE(finished.first().at(2).toString().isEmpty(),
                 outcome != Outcome::brokenFeed && outcome != Outcome::unreachable);
    }
}

void ShellServicesTest::fileChooserPortal()
{
    QTemporaryDir files;
    QVERIFY(QDir(files.path()).mkpath(u"Talk.key/Data"_s));
    test::ScriptedFileChooser fallback;
    // No portal to ask: Qt's dialog answers.
    fallback.files = {u"/from/the/dialog.pptx"_s};
    PortalFileChooser unreachable(QDBusConnection(u"nowhere"_s), fallback);
    QVERIFY(!unreachable.isPortalAvailable());
    QCOMPARE(unreachable.chooseFile(u"Choose File"_s, u"Which?"_s), u"/from/the/dialog.pptx"_s);

    test::TestFileChooserPortal portal;
    QVERIFY(portal.registerOnSessionBus());
    PortalFileChooser chooser(QDBusConnection::sessionBus(), fallback);
    QVERIFY(chooser.isPortalAvailable());
    // A file; anything chosen inside a Keynote package chooses the package; cancelled; a folder.
    portal.answers = {QStringList{files.filePath(u"Deck.pptx"_s)},
                      QStringList{files.filePath(u"Talk.key/Data/image.png"_s)}, std::nullopt,
                      QStringList{files.filePath(u"Talk.key"_s)}};
    QCOMPARE(chooser.chooseFile(u"Choose File"_s, u"Which?"_s), files.filePath(u"Deck.pptx"_s));
    QCOMPARE(chooser.chooseFile(u"Choose File"_s, u"Which?"_s), files.filePath(u"Talk.key"_s));
    QCOMPARE(chooser.chooseFile(u"Choose File"_s, u"Which?"_s), std::nullopt);
    QCOMPARE(chooser.chooseFolder(u"Choose Destination Folder"_s, u"Where?"_s, files.path()),
             files.filePath(u"Talk.key"_s));
    QCOMPARE(fallback.asked.size(), 1);

    QCOMPARE(portal.requests.size(), 4);
    const QVariantMap file = portal.requests[0].options;
    QCOMPARE(portal.requests[0].title, u"Which?"_s);
    QCOMPARE(file.value(u"accept_label"_s).toString(), u"Choose File"_s);
    QVERIFY(!file.value(u"directory"_s).toBool() && file.value(u"modal"_s).toBool() &&
            file.contains(u"filters"_s));
    // The folder chooser opens in the folder it was given.
    const QVariantMap folder = portal.requests[3].options;
    QVERIFY(folder.value(u"directory"_s).toBool());
    QCOMPARE(folder.value(u"current_folder"_s).toByteArray(), QFile::encodeName(files.path()) + '\0');
}

void ShellServicesTest::fileDialog()
{
    // Accepting a selected folder opens it; a Keynote package is taken as one file; nothing: cancel.
    for (const auto &[folder, selected, expected] : {std::tuple{false, u"Talk.key"_s, u"Talk.key"_s},
                                                     {false, u"Deck.pptx"_s, u"Deck.pptx"_s},
                                                     {false, QString(), QString()},
                                                     {true, u"."_s, u"."_s},
                                                     {true, QString(), QString()}}) {
        QTemporaryDir files;
        QVERIFY(QDir(files.path()).mkpath(u"Talk.key/Data"_s));
        QFile(files.filePath(u"Deck.pptx"_s)).open(QIODevice::WriteOnly);

        const QString prompt = folder ? u"Choose Destination Folder"_s : u"Choose File"_s;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QCOMPARE(dialog->labelText(QFileDialog::Accept), prompt);
            if (selected.isEmpty())
                return dialog->reject();
            // A presentation is looked for in the documents folder, under a title, with a filter of its own.
            const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
            QCOMPARE(dialog->directory().absolutePath(),
                     folder ? files.path() : (QFileInfo(documents).isDir() ? documents : QDir::homePath()));
            if (!folder) {
                QCOMPARE(dialog->windowTitle(), u"Open Presentation"_s);
                QCOMPARE(dialog->nameFilters().value(0), u"Presentations (*.key *.pptx *.ppt)"_s);
            }
            dialog->setDirectory(files.path());
            if (selected != u".")
                dialog->selectFile(selected);
            static_cast<QDialog *>(dialog)->accept();
        });
        DialogFileChooser chooser;
        const auto answer = folder ? chooser.chooseFolder(prompt, u"Where?"_s, files.path())
                                   : chooser.chooseFile(prompt, u"Which?"_s);
        QCOMPARE(answer, expected.isEmpty() ? std::nullopt
                                            : std::optional(QDir::cleanPath(files.filePath(expected))));
    }
}

QTEST_MAIN(ShellServicesTest)
#include "tst_shellservices.moc"
