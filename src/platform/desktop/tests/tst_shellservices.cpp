#include <platform/desktop/colorschemeportal.h>
#include <platform/desktop/singleinstance.h>
#include <platform/desktop/updatechecker.h>

#include <QDir>
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
    void updateFeed_data();
    void updateFeed();

private:
    QTemporaryDir m_runtime;
};

namespace {

// An HTTP server on loopback that answers every request with one response.
class FeedServer final : public QTcpServer
{
public:
    QByteArray status = "200 OK";
    QByteArray body;

    QUrl url() const { return QUrl(u"http://127.0.0.1:%1/appcast.xml"_s.arg(serverPort())); }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            if (!socket->readAll().contains("\r\n\r\n"))
                return;
            socket->write("HTTP/1.1 " + status + "\r\nContent-Type: application/rss+xml\r\nContent-Length: " +
                          QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    }
};

QByteArray feed(const QByteArray &items)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><title>Kernwick</title>)" +
           items + "</channel></rss>";
}

} // namespace

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

void ShellServicesTest::updateFeed_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<UpdateChecker::Outcome>("outcome");
    QTest::addColumn<QString>("version");

    const QByteArray older = R"(<item><title>Version 0.0.9</title><sparkle:version>0.0.9</sparkle:version>
        <enclosure url="https://example.org/kernwick-0.0.9.tar.gz" length="1" type="application/octet-stream"/></item>)";
    const QByteArray newer = R"(<item><title>Version 1.2</title>
        <sparkle:releaseNotesLink>https://example.org/notes/1.2.html</sparkle:releaseNotesLink>
        <enclosure url="https://example.org/kernwick-1.2.tar.gz" sparkle:version="1.2.0" sparkle:shortVersionString="1.2"
                   length="1" type="application/octet-stream"/></item>)";
    const QByteArray newest = R"(<item><title>Version 1.10</title><sparkle:version>1.10.0</sparkle:version>
        <enclosure url="https://example.org/kernwick-1.10.tar.gz" length="1" type="application/octet-stream"/></item>)";
    QTest::newRow("up to date") << QByteArray("200 OK") << feed(older) << UpdateChecker::Outcome::upToDate
                                << QString();
    QTest::newRow("newer versions") << QByteArray("200 OK") << feed(newer + older + newest)
                                    << UpdateChecker::Outcome::updateAvailable << u"1.10.0"_s;
    QTest::newRow("broken feed") << QByteArray("200 OK") << QByteArray("<rss><channel><item>")
                                 << UpdateChecker::Outcome::brokenFeed << QString();
    QTest::newRow("not found") << QByteArray("404 Not Found") << QByteArray("gone")
                               << UpdateChecker::Outcome::unreachable << QString();
    QTest::newRow("server down") << QByteArray() << QByteArray() << UpdateChecker::Outcome::unreachable
                                 << QString();
    QTest::newRow("no feed") << QByteArray("-") << QByteArray() << UpdateChecker::Outcome::noFeed
                             << QString();
}

void ShellServicesTest::updateFeed()
{
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, body);
    QFETCH(UpdateChecker::Outcome, outcome);
    QFETCH(QString, version);

    // An empty status: nothing listens any more; "-": no feed configured.
    FeedServer server;
    server.status = status;
    server.body = body;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QUrl url = status == "-" ? QUrl() : server.url();
    if (status.isEmpty())
        server.close();
    UpdateChecker checker(url, u"0.1.0"_s);
    QSignalSpy finished(&checker, &UpdateChecker::finished);
    checker.checkForUpdates();
    QVERIFY(finished.wait(10'000));
    QCOMPARE(finished.first().at(0).value<UpdateChecker::Outcome>(), outcome);
    const AppcastItem update = finished.first().at(1).value<AppcastItem>();
    QCOMPARE(update.version, version);
    if (outcome == UpdateChecker::Outcome::updateAvailable)
        QCOMPARE(update.downloadUrl, QUrl(u"https://example.org/kernwick-1.10.tar.gz"_s));
    QCOMPARE(finished.first().at(2).toString().isEmpty(),
             outcome != UpdateChecker::Outcome::brokenFeed && outcome != UpdateChecker::Outcome::unreachable);
}

QTEST_GUILESS_MAIN(ShellServicesTest)
#include "tst_shellservices.moc"
