// Many decks at once: folders walked, decks checked side by side, one summary.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testfonts.h>
#include <testsupport/testzip.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

class BatchPreflightTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void walksAFolderTreeOnce();
    void summaryAcrossDecks();
    void unreadableFolder();
    void packagesOfSeveralDecks();

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Run check(const QStringList &arguments) const;
    QString path(const QString &relative) const { return QDir(m_folder.path()).filePath(relative); }

    std::unique_ptr<test::TestFonts> m_fonts;
    QTemporaryDir m_folder;
    QString m_ready;
    QString m_typeface;
    QString m_keynote;
};

BatchPreflightTest::Run BatchPreflightTest::check(const QStringList &arguments) const
{
    QProcess process;
    process.setProcessEnvironment(m_fonts->environment());
    process.start(QStringLiteral(KERNWICK_BIN_DIR "/kernwick-check"), arguments);
    Run run;
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void BatchPreflightTest::initTestCase()
{
    m_fonts = std::make_unique<test::TestFonts>();
    QVERIFY(m_fonts->isValid());
    // decks/ready/Ready.pptx, decks/office/Typeface.pptx, decks/keynote/Talk.key/ (a package folder), and
    // beside them what is no deck: a lock file, a hidden folder, a link back up the tree.
    QVERIFY(QDir().mkpath(path(u"decks/ready"_s)) && QDir().mkpath(path(u"decks/office/.hidden"_s)));
    m_ready = path(u"decks/ready/Ready.pptx"_s);
    test::TestZip zip(m_ready);
    zip.add(u"ppt/slides/slide1.xml"_s, R"(<p:sld><a:latin typeface="LiberationSans-Bold"/></p:sld>)");
    QVERIFY(zip.close());
    m_typeface = path(u"decks/office/Typeface.pptx"_s);
    QVERIFY(QFile::copy(QStringLiteral(KERNWICK_FIXTURES_DIR "/pptx/txt-font-typeface.pptx"), m_typeface));
    QVERIFY(QFile::copy(m_typeface, path(u"decks/office/~$Typeface.pptx"_s)));
    QVERIFY(QFile::copy(m_typeface, path(u"decks/office/.hidden/Hidden.pptx"_s)));
    m_keynote = path(u"decks/keynote/Talk.key"_s);
    QVERIFY(QDir().mkpath(path(u"decks/keynote"_s)));
    QCOMPARE(
        QProcess::execute(
            u"cp"_s, {u"-a"_s, QStringLiteral(KERNWICK_FIXTURES_DIR "/key/package-keynote6.key"), m_keynote}),
        0);
    QVERIFY(QFile::link(path(u"decks"_s), path(u"decks/office/loop"_s)));
    QVERIFY(QFile::link(m_ready, path(u"decks/office/Same.pptx"_s))); // the same deck, reached twice
}

void BatchPreflightTest::walksAFolderTreeOnce()
{
    const Run run = check({u"-j"_s, u"2"_s, path(u"decks"_s)});
    QCOMPARE(run.exitCode, 1);
    // Each deck once, the Keynote package as one document; the loop told, not followed.
    const QStringList decks = run.out.split(u'\n').filter(QRegularExpression(u"^/"_s));
    QCOMPARE(decks, (QStringList{m_keynote, path(u"decks/office/Same.pptx"_s), m_typeface}));
    QVERIFY2(run.err.contains(path(u"decks/office/loop"_s) + u": a folder walked already"_s),
             qPrintable(run.err));
    // With one worker the answer is the same.
    QCOMPARE(check({u"-j"_s, u"1"_s, path(u"decks"_s)}).out, run.out);
    QCOMPARE(check({u"-j"_s, u"0"_s, path(u"decks"_s)}).exitCode, 2);
}

void BatchPreflightTest::summaryAcrossDecks()
{
    Run run = check({m_ready, m_typeface, m_keynote});
    QCOMPARE(run.exitCode, 1);
    const QString summary = run.out.mid(run.out.indexOf(u"\nSummary: "_s) + 1);
    QVERIFY2(summary.startsWith(u"Summary: 3 presentations, 1 ready for handoff, 2 need attention\n"_s),
             qPrintable(summary));
    QVERIFY(summary.simplified().contains(u"Verdana Missing 1 presentation "_s + m_typeface));
    QVERIFY(!summary.contains(u"LiberationSans-Bold"_s)); // installed: ready

    run = check({u"--json"_s, m_ready, m_typeface, m_keynote});
    QCOMPARE(run.exitCode, 1);
    const QJsonObject result = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(result[u"files"_s].toArray().size(), 3);
    QCOMPARE(result[u"readyForHandoff"_s].toBool(true), false);
    QJsonObject gillSans;
    for (const QJsonValue font : result[u"fontsNotReady"_s].toArray()) {
        if (font[u"name"_s].toString() == u"GillSans")
            gillSans = font.toObject();
        QCOMPARE(font[u"status"_s].toString(), u"Missing"_s);
    }
    QCOMPARE(gillSans[u"presentations"_s].toArray(), QJsonArray{m_keynote});

    // Every deck ready: exit status 0.
    QCOMPARE(check({m_ready, path(u"decks/ready"_s)}).exitCode, 0);
}

void BatchPreflightTest::unreadableFolder()
{
    if (::geteuid() == 0)
        QSKIP("the superuser reads every folder");
    const QString locked = path(u"locked"_s);
    QVERIFY(QDir().mkpath(locked + u"/inner"_s));
    QVERIFY(QFile::copy(m_ready, locked + u"/inner/Deck.pptx"_s));
    QVERIFY(QFile::setPermissions(locked + u"/inner"_s, QFile::Permissions()));
    const Run run = check({locked});
    QVERIFY(
        QFile::setPermissions(locked + u"/inner"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(run.exitCode, 1); // not everything could be checked
    QVERIFY2(run.err.contains(locked + u"/inner: cannot be read"_s), qPrintable(run.err));
}

void BatchPreflightTest::packagesOfSeveralDecks()
{
    const QString destination = path(u"packages"_s);
    QVERIFY(QDir().mkpath(destination) && QDir().mkpath(path(u"other"_s)));
    QVERIFY(QFile::copy(m_ready, path(u"other/Ready.pptx"_s)));
    const Run run = check({u"--package"_s, destination, m_ready, m_typeface, path(u"other/Ready.pptx"_s)});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(QFileInfo(destination + u"/Ready_package/Fonts/LiberationSans-Bold.ttf"_s).isFile());
    QVERIFY(QFileInfo(destination + u"/Typeface_package/handoff-manifest.json"_s).isFile());
    // A second deck of the same name would replace the first one's package: it is not built.
    QVERIFY(run.err.contains(path(u"other/Ready.pptx"_s) +
                             u": another presentation's package is named Ready_package"_s));
    QCOMPARE(QFileInfo(destination + u"/Ready_package/Ready.pptx"_s).canonicalFilePath().isEmpty(), false);
}

QTEST_GUILESS_MAIN(BatchPreflightTest)
#include "tst_batchpreflight.moc"
