#include <platform/desktop/colorschemeportal.h>
#include <platform/desktop/singleinstance.h>
#include <platform/desktop/updatechecker.h>

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/desktop/testdesktop.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

// The services the application shell stands on, against real counterparts: a portal and a second
// launch on a private session bus and socket, an update feed served over loopback.
class ShellServicesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void colorSchemeFromThePortal();
    void oneRunningCopy();
    void updateFeed();

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
    const auto feed = [](const QByteArray &items) -> QByteArray {
        return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><title>Kernwick</title>)" +
               items + "</channel></rss>";
    };
    const QByteArray older = R"(<item><title>Version 0.0.9</title><sparkle:version>0.0.9</sparkle:version>
        <enclosure url="https://example.org/kernwick-0.0.9.tar.gz" length="1" type="application/octet-stream"/></item>)";
    const QByteArray newer = R"(<item><title>Version 1.2</title>
        <sparkle:releaseNotesLink>https://example.org/notes/1.2.html</sparkle:releaseNotesLink>
        <enclosure url="https://example.org/kernwick-1.2.tar.gz" sparkle:version="1.2.0" sparkle:shortVersionString="1.2"
                   length="1" type="application/octet-stream"/></item>)";
    const QByteArray newest = R"(<item><title>Version 1.10</title><sparkle:version>1.10.0</sparkle:version>
        <enclosure url="https://example.org/kernwick-1.10.tar.gz" length="1" type="application/octet-stream"/></item>)";
    // The server's status line and its answer; an empty status: nothing listens any more; "-": no feed
    // configured.
    using Outcome = UpdateChecker::Outcome;
    for (const auto &[status, body, outcome, version] :
         {std::tuple{QByteArray("200 OK"), feed(older), Outcome::upToDate, QString()},
          {"200 OK", feed(newer + older + newest), Outcome::updateAvailable, u"1.10.0"_s},
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
            QCOMPARE(update.downloadUrl, QUrl(u"https://example.org/kernwick-1.10.tar.gz"_s));
        QCOMPARE(finished.first().at(2).toString().isEmpty(),
                 outcome != Outcome::brokenFeed && outcome != Outcome::unreachable);
    }
}

QTEST_GUILESS_MAIN(ShellServicesTest)
#include "tst_shellservices.moc"
