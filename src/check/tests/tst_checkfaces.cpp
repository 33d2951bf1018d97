// kernwick-check on faces, licenses, embedded fonts and metric twins.
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testfontfiles.h>
#include <testsupport/testfonts.h>
#include <testsupport/testzip.h>

using namespace Qt::StringLiterals;

class CheckFacesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void facesLicensesEmbeddedAndTwins();
    void json();
    void realDocumentNamesGetTwins();
    void restrictedFontsStayOutOfThePackage();

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
    };
    Run check(const QStringList &arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(m_fonts->environment());
        process.start(QStringLiteral(KERNWICK_BIN_DIR "/kernwick-check"), arguments);
        Run run;
        if (process.waitForFinished(120'000) && process.exitStatus() == QProcess::NormalExit) {
            run.exitCode = process.exitCode();
            // Where each font is used is the where-used test's to check.
            QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n');
            if (!arguments.contains(u"--json"_s)) {
                lines.removeIf([](const QString &line) {
                    return line.startsWith(u"    "_s) && !line.startsWith(u"      "_s);
                });
            }
            run.out = lines.join(u'\n');
        }
        return run;
    }
    QString userFont(const QString &name) const { return QDir(m_fonts->userFontFolder()).filePath(name); }

    std::unique_ptr<kernwick::test::TestFonts> m_fonts;
    QTemporaryDir m_folder;
    QString m_deck;
};

void CheckFacesTest::initTestCase()
{
    using kernwick::test::TestFonts;
    m_fonts = std::make_unique<TestFonts>();
    QVERIFY(m_fonts->isValid());
    const QString user = m_fonts->userFontFolder();
    const QString crosextra = u"/usr/share/fonts/truetype/crosextra/"_s;
    QVERIFY(TestFonts::copyLiberationFont(u"LiberationSans-Italic.ttf"_s, user));
    for (const QString &font : {u"Carlito-Regular.ttf"_s, u"Caladea-Regular.ttf"_s, u"Caladea-Bold.ttf"_s})
        QVERIFY(TestFonts::copyFontFile(crosextra + font, user));
    QVERIFY(kernwick::test::setEmbeddingBits(userFont(u"Caladea-Regular.ttf"_s), 0x0002));

    // A deck that embeds two faces of Liberation Sans and names a restricted and a missing font.
    m_deck = QDir(m_folder.path()).filePath(u"Show.pptx"_s);
    kernwick::test::TestZip zip(m_deck);
    zip.add(u"[Content_Types].xml"_s,
            R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Override )"
            R"(PartName="/ppt/presentation.xml" ContentType="application/vnd.openxmlformats-officedocument.)"
            R"(presentationml.presentation.main+xml"/></Types>)");
    zip.add(
        u"_rels/.rels"_s,
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
        R"(<Relationship Id="rId1" Target="ppt/presentation.xml" Type="http://schemas.openxmlformats.org/)"
        R"(officeDocument/2006/relationships/officeDocument"/></Relationships>)");
    zip.add(
        u"ppt/presentation.xml"_s,
        R"(<p:presentation xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main" )"
        R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" )"
        R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
        R"(<p:embeddedFontLst><p:embeddedFont><p:font typeface="Liberation Sans"/><p:regular r:id="rId8"/>)"
        R"(<p:bold r:id="rId9"/></p:embeddedFont></p:embeddedFontLst><p:defaultTextStyle><a:defRPr>)"
        R"(<a:latin typeface="Caladea"/><a:ea typeface="Calibri"/></a:defRPr></p:defaultTextStyle>)"
        R"(</p:presentation>)");
    zip.add(u"ppt/fonts/font1.fntdata"_s, "regular");
    zip.add(u"ppt/fonts/font2.fntdata"_s, "bold");
    QVERIFY(zip.close());
}

void CheckFacesTest::facesLicensesEmbeddedAndTwins()
{
    const Run run = check({m_deck});
    QVERIFY2(run.exitCode == 1, qPrintable(run.out)); // Calibri is missing, twin or not
    const QString user = m_fonts->userFontFolder();
    const QString expected =
        m_deck +
        u"\n"
        u"  Caladea          Installed   "_s +
        user +
        u"/Caladea-Regular.ttf\n"
        u"      Regular:     "_s +
        user +
        u"/Caladea-Regular.ttf\n"
        u"      Bold:        "_s +
        user +
        u"/Caladea-Bold.ttf\n"
        u"      License: Restricted License\n"
        u"  Calibri          Missing     —\n"
        u"      Carlito is installed and has the same metrics\n"
        u"  Liberation Sans  Installed   "_s +
        user +
        u"/LiberationSans-Regular.ttf\n"
        u"      Regular:     "_s +
        user +
        u"/LiberationSans-Regular.ttf\n"
        u"      Bold:        "_s +
        user +
        u"/LiberationSans-Bold.ttf\n"
        u"      Italic:      "_s +
        user +
        u"/LiberationSans-Italic.ttf\n"
        u"      Bold Italic: "_s +
        user +
        u"/LiberationSans-BoldItalic.ttf\n"
        u"      License: Installable\n"
        u"      Embedded in the presentation (Regular, Bold)\n"
        u"  Needs Attention: Installed: 2 | System: 0 | Restricted: 0 | Missing: 1 | Unresolved: 0\n"_s;
    QCOMPARE(run.out, expected);
}

void CheckFacesTest::json()
{
    const Run run = check({u"--json"_s, m_deck});
    const QJsonArray fonts = QJsonDocument::fromJson(run.out.toUtf8())[u"files"_s][0][u"fonts"_s].toArray();
    QCOMPARE(fonts.size(), 3);
    QCOMPARE(fonts[0][u"license"_s].toString(), u"Restricted License"_s);
    QCOMPARE(fonts[0][u"faces"_s].toArray().size(), 2);
    QCOMPARE(fonts[1][u"metricTwins"_s].toArray(), QJsonArray{u"Carlito"_s});
    QVERIFY(!fonts[1].toObject().contains(u"faces"_s));
    QCOMPARE(fonts[2][u"embeddedFaces"_s].toArray(), (QJsonArray{u"Regular"_s, u"Bold"_s}));
    QCOMPARE(fonts[2][u"faces"_s][3][u"style"_s].toString(), u"Bold Italic"_s);
}

void CheckFacesTest::realDocumentNamesGetTwins()
{
    const Run run = check({QStringLiteral(KERNWICK_FIXTURES_DIR "/pptx/fixture-office365.pptx")});
    QVERIFY2(run.out.contains(u"  "_s + u"Arial"_s.leftJustified(14) + u"  Missing     —\n"_s +
                              u"      Liberation Sans is installed and has the same metrics\n"_s),
             qPrintable(run.out));
    QVERIFY(run.out.contains(u"Carlito is installed and has the same metrics"_s));
    QVERIFY(!run.out.contains(u"Segoe UI Light is installed"_s));
}

void CheckFacesTest::restrictedFontsStayOutOfThePackage()
{
    const QString destination = QDir(m_folder.path()).filePath(u"out"_s);
    QVERIFY(QDir().mkpath(destination));
    const QDir fonts(destination + u"/Show_package/Fonts"_s);

    Run run = check({u"--package"_s, destination, m_deck});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains(
        u"Left out, its license restricts passing it on: Caladea (--include-restricted puts it in)\n"_s));
    QVERIFY(!fonts.entryList().join(u' ').contains(u"Caladea"_s));

    run = check({u"--package"_s, destination, u"--include-restricted"_s, m_deck});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!run.out.contains(u"Left out"_s));
    QVERIFY(fonts.exists(u"Caladea-Regular.ttf"_s));
}

QTEST_GUILESS_MAIN(CheckFacesTest)
#include "tst_checkfaces.moc"
