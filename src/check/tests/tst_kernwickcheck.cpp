#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testfonts.h>
#include <testsupport/testzip.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

class KernwickCheckTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void textAndJson();
    void longNamesNotesAndPaths();
    void usageErrorsAndUnreadableArguments_data();
    void usageErrorsAndUnreadableArguments();
    void packagesForTheShow();

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Run check(const QStringList &arguments) const;
    static QString fixture(const QString &path)
    {
        return QDir(QStringLiteral(KERNWICK_FIXTURES_DIR)).filePath(path);
    }

    std::unique_ptr<test::TestFonts> m_fonts;
    QTemporaryDir m_folder;
    QString m_readyDeck;
};

KernwickCheckTest::Run KernwickCheckTest::check(const QStringList &arguments) const
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

void KernwickCheckTest::initTestCase()
{
    m_fonts = std::make_unique<test::TestFonts>();
    QVERIFY(m_fonts->isValid());
    m_readyDeck = QDir(m_folder.path()).filePath(u"Ready Talk.pptx"_s);
    test::TestZip zip(m_readyDeck);
    zip.add(u"ppt/slides/slide1.xml"_s,
            R"(<p:sld><a:latin typeface="DejaVu Sans"/><a:latin typeface="LiberationSans-Bold"/></p:sld>)");
    QVERIFY(zip.close());
}

void KernwickCheckTest::textAndJson()
{
    Run run = check({m_readyDeck});
    QCOMPARE(run.exitCode, 0);
    // The lines under each font (faces, license) are the faces test's to check.
    QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    lines.removeIf([](const QString &line) { return line.startsWith(u"      "_s); });
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], m_readyDeck);
    QCOMPARE(lines[1].simplified(), u"DejaVu Sans System /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"_s);
    QCOMPARE(lines[2].simplified(),
             u"LiberationSans-Bold Installed "_s + m_fonts->userFontFolder() + u"/LiberationSans-Bold.ttf"_s);
    QCOMPARE(lines[3].trimmed(),
             u"Ready for Handoff: Installed: 1 | System: 1 | Restricted: 0 | Missing: 0 | Unresolved: 0"_s);

    run = check({fixture(u"pptx/txt-font-typeface.pptx"_s), m_readyDeck});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.contains(u" Missing     —\n"_s));
    QVERIFY(run.out.contains(u"  Needs Attention: "_s));

    run = check({u"--json"_s, m_readyDeck, fixture(u"pptx/txt-font-typeface.pptx"_s)});
    QCOMPARE(run.exitCode, 1);
    QJsonParseError error;
    const QJsonObject result = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(result[u"readyForHandoff"_s].toBool(true), false);
    const QJsonArray files = result[u"files"_s].toArray();
    QCOMPARE(files.size(), 2);
    const QJsonObject ready = files[0].toObject();
    QCOMPARE(ready[u"path"_s].toString(), m_readyDeck);
    QCOMPARE(ready[u"readyForHandoff"_s].toBool(), true);
    QCOMPARE(ready[u"counts"_s].toObject()[u"system"_s].toInt(), 1);
    QCOMPARE(ready[u"fonts"_s].toArray()[0][u"status"_s].toString(), u"System"_s);
    for (const QJsonValue font : files[1][u"fonts"_s].toArray()) {
        if (font[u"status"_s].toString() == u"Missing")
            QVERIFY(font[u"file"_s].isNull());
    }
}

void KernwickCheckTest::longNamesNotesAndPaths()
{
    // A long name is cut in the text, whole in JSON; one longer than any font name, and what else the
    // scan leaves out, is told on standard error.
    const QString longName = u"Long "_s.repeated(20).trimmed();
    const QString deck = QDir(m_folder.path()).filePath(u"Long.pptx"_s);
    test::TestZip zip(deck);
    zip.add(u"ppt/slides/slide1.xml"_s, "<a:latin typeface=\"" + longName.toUtf8() +
                                            "\"/><a:latin typeface=\"" + QByteArray(300, 'X') + "\"/>");
    QVERIFY(zip.close());
    Run run = check({deck});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.contains(u"\n  "_s + longName.first(59) + u"…  Missing"_s));
    QVERIFY2(run.err.contains(deck + u": left out 1 font name(s) longer than 256 characters\n"_s),
             qPrintable(run.err));
    run = check({u"--json"_s, deck});
    const QJsonObject file = QJsonDocument::fromJson(run.out.toUtf8())[u"files"_s][0].toObject();
    QCOMPARE(file[u"fonts"_s][0][u"name"_s].toString(), longName);
    QVERIFY(file[u"notes"_s].toArray().contains(u"left out 1 font name(s) longer than 256 characters"_s));

    // A package folder named with the slash that completion adds.
    run = check({fixture(u"key/package-keynote6.key/"_s)});
    QVERIFY2(run.exitCode == 0 || run.exitCode == 1, qPrintable(run.err));
    QVERIFY(run.out.contains(u"  MarkerFelt-Thin "_s));
}

void KernwickCheckTest::usageErrorsAndUnreadableArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing to check") << QStringList() << u"no presentation given"_s;
    QTest::newRow("unknown option") << QStringList{u"--frobnicate"_s, m_readyDeck} << u"frobnicate"_s;
    QTest::newRow("no such file") << QStringList{m_readyDeck + u".gone.pptx"_s}
                                  << u"no such file or folder"_s;
    QTest::newRow("not a presentation") << QStringList{fixture(u"README.md"_s)} << u"not a presentation"_s;
    QTest::newRow("a folder without presentations")
        << QStringList{fixture(u"licenses"_s)} << u"no presentations in this folder"_s;
    QTest::newRow("one bad among good ones") << QStringList{m_readyDeck, u"/nonexistent/Talk.key"_s}
                                             << u"/nonexistent/Talk.key: no such file or folder"_s;
}

void KernwickCheckTest::usageErrorsAndUnreadableArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run run = check(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    if (arguments.contains(m_readyDeck) && !arguments.contains(u"--frobnicate"_s))
        QVERIFY(run.out.contains(u"Ready for Handoff"_s));
}

void KernwickCheckTest::packagesForTheShow()
{
    const QString destination = QDir(m_folder.path()).filePath(u"show"_s);
    QVERIFY(QDir().mkpath(destination));
    Run run = check({u"--package"_s, destination, m_readyDeck});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, m_readyDeck + u"\n"
                                    u"[Presenter] Begin handoff package export...\n"
                                    u"[Package] Copied presentation: Ready Talk.pptx\n"
                                    u"[Package] Fonts to export: 1 (0 duplicates skipped)\n"
                                    u"[Package] Copied font: LiberationSans-Bold\n"
                                    u"[Package] Done. Exported: 1, Failed: 0, Duplicates skipped: 0\n"
                                    u"Package created: Ready Talk_package (1 font).\n"_s);
    const QDir package(destination + u"/Ready Talk_package"_s);
    QCOMPARE(
        package.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
        (QStringList{u"Fonts"_s, u"Ready Talk.pptx"_s, u"font-report.txt"_s, u"handoff-manifest.json"_s}));

    // Built again without the presentation and the report: replaced whole.
    run = check({u"--package"_s, destination, u"--no-presentation"_s, u"--no-report"_s, m_readyDeck});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(package.entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             (QStringList{u"Fonts"_s, u"handoff-manifest.json"_s}));

    // A deck without fonts has nothing to package; a destination that is not a folder is a usage error.
    run = check({u"--package"_s, destination, fixture(u"ppt/encrypted.ppt"_s)});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.endsWith(u"[Presenter] Begin handoff package export...\nNo font data available.\n"_s));
    run = check({u"--package"_s, destination + u"/absent"_s, m_readyDeck});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains(u"the destination must be an existing folder"_s));
}

QTEST_GUILESS_MAIN(KernwickCheckTest)
#include "tst_kernwickcheck.moc"
