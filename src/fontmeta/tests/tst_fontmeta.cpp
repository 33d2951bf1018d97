#include <fontmeta/documentreader.h>
#include <fontmeta/fontlist.h>
#include <fontmeta/office/tests/testdocuments.h>
#include <scan/fontscanner.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace kernwick;
using namespace kernwick::fontmeta;

// The helper program as the scan driver and people use it, on every real document.
class FontMetaTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void placesForPeople_data();
    void placesForPeople();
    void hostileNamesRoundTrip();
    void everyRealDocument_data();
    void everyRealDocument();
    void kindDecidedByContent_data();
    void kindDecidedByContent();
    void commandLine();

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    static Run run(const QStringList &arguments);
    static QString helper() { return QStringLiteral(KERNWICK_BIN_DIR "/kernwick-fontmeta"); }
    static QString fixture(const QString &path)
    {
        return QDir(QStringLiteral(KERNWICK_FIXTURES_DIR)).filePath(path);
    }
    QTemporaryDir m_folder;
};

FontMetaTest::Run FontMetaTest::run(const QStringList &arguments)
{
    QProcess process;
    process.start(helper(), arguments);
    Run result;
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void FontMetaTest::placesForPeople_data()
{
    QTest::addColumn<QStringList>("places");
    QTest::addColumn<QString>("summary");
    QTest::newRow("a run") << QStringList{u"slide 1"_s, u"slide 2"_s, u"slide 3"_s} << u"slides 1–3"_s;
    QTest::newRow("gaps, order and repeats") << QStringList{u"slide 9"_s, u"theme minor font"_s, u"slide 1"_s,
                                                            u"slide 2"_s, u"slide 9"_s,          u"slide 4"_s}
                                             << u"slides 1–2, 4, 9, theme minor font"_s;
    QTest::newRow("kinds apart") << QStringList{u"slide master 1"_s, u"slide 2"_s, u"slide master 2"_s}
                                 << u"slide masters 1–2, slide 2"_s;
}

void FontMetaTest::placesForPeople()
{
    QFETCH(QStringList, places);
    QFETCH(QString, summary);
    QCOMPARE(summarizePlaces(places), summary);
}

void FontMetaTest::hostileNamesRoundTrip()
{
    // Names a binary presentation may hold, as the helper and the query hand them on: each arrives as it
    // is, on its own, unless a filter of the query drops it; no control character reaches a name.
    const QStringList fonts =
        u"Anchor|Gill Sans\", \"Injected|kMDItemFonts = (null)|Bodoni 72, Book|Font (Pro) \"Q\"|"
        u"Fonts/Evil|Deck.key|Report.PPTX|NULL|Null Sans|Gill\nSans|\x1b[31mRed\x1b[0m|"
        u"Lone \xd800 Half"_s.split(u'|');
    const QStringList names =
        u"Anchor|Gill Sans\", \"Injected|kMDItemFonts = (null)|Bodoni 72, Book|Font (Pro) \"Q\"|"
        u"Null Sans|Gill Sans|[31mRed [0m|Lone \uFFFD Half"_s.split(u'|');
    const auto [document, user] = testing::presentationStreams(fonts);
    const QString path = QDir(m_folder.path()).filePath(u"hostile.ppt"_s);
    QFile file(path);
    const QByteArray bytes =
        testing::buildCompoundFile({{u"Current User"_s, user}, {u"PowerPoint Document"_s, document}});
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    const MetadataAnswer answer = MetadataQuery(helper()).query(path);
    QCOMPARE(answer.names(), names);
    QCOMPARE(answer.notes, QStringList());
}

void FontMetaTest::everyRealDocument_data()
{
    // The lists of testdata/presentations/README.md: what the helper yields, and what the scan's own
    // extractions find without it.
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("names");     // separated by |
    QTest::addColumn<QString>("extracted"); // the same
    const QString keynoteSix = u"GillSans|Helvetica|Helvetica-Bold|Helvetica-Light|HelveticaNeue|"
                               u"LucidaGrande|MarkerFelt-Thin"_s;
    const QString keynoteNine = u"GillSans|LucidaGrande|MarkerFelt-Thin"_s;
    QTest::newRow("txt-font-typeface.pptx")
        << u"pptx/txt-font-typeface.pptx"_s
        << u"Arial|Arial Black|Calibri|Hiragino Sans GB W3|Lucida Grande|Verdana"_s
        << u"Arial|Arial Black|Lucida Grande|Verdana"_s;
    QTest::newRow("shp-shapes.pptx") << u"pptx/shp-shapes.pptx"_s << u"Arial|Calibri"_s << QString();
    QTest::newRow("sld-notes.pptx") << u"pptx/sld-notes.pptx"_s << u"Arial|Calibri"_s << QString();
    QTest::newRow("fixture-office365.pptx")
        << u"pptx/fixture-office365.pptx"_s << u"Arial|Calibri|Segoe UI|Segoe UI Light"_s << QString();
    QTest::newRow("embedded-simple-2007.pptx")
        << u"pptx/embedded-simple-2007.pptx"_s << u"Arial|Calibri"_s << QString();
    QTest::newRow("fixture2-libreoffice.pptx")
        << u"pptx/fixture2-libreoffice.pptx"_s << u"Arial|Symbol|Times New Roman|Wingdings"_s
        << u"Arial|Times New Roman"_s;
    QTest::newRow("encrypted.pptx") << u"pptx/encrypted.pptx"_s << QString() << QString();
    QTest::newRow("embedded-simple-2007.ppt")
        << u"ppt/embedded-simple-2007.ppt"_s << u"Arial|Calibri"_s << QString();
    QTest::newRow("raw_text.ppt") << u"ppt/raw_text.ppt"_s << u"Arial|Calibri|ＭＳ Ｐゴシック"_s << QString();
    QTest::newRow("plain.ppt") << u"ppt/plain.ppt"_s << u"Arial|Calibri|Calibri Light"_s << QString();
    QTest::newRow("encrypted.ppt") << u"ppt/encrypted.ppt"_s << QString() << QString();
    QTest::newRow("filetype-libreoffice.ppt")
        << u"ppt/filetype-libreoffice.ppt"_s
        << u"Arial|DejaVu Sans|Droid Sans Fallback|Times New Roman|WenQuanYi Zen Hei"_s << QString();
    QTest::newRow("simple-oneslide.key")
        << u"key/simple-oneslide.key"_s
        << u"GillSans|Helvetica|Helvetica-Light|HelveticaNeue|HelveticaNeue-Bold|HelveticaNeue-Italic|"
           u"HelveticaNeue-Light|HelveticaNeue-Medium|HelveticaNeue-Thin"_s
        << QString();
    QTest::newRow("package-keynote6.key") << u"key/package-keynote6.key"_s << keynoteSix << QString();
    QTest::newRow("zipped-package.key") << u"key/zipped-package.key"_s << keynoteSix << QString();
    QTest::newRow("osaka09-01.key") << u"key/osaka09-01.key"_s << keynoteNine << QString();
    QTest::newRow("legacy-package.key") << u"key/legacy-package.key"_s << keynoteNine << QString();
}

void FontMetaTest::everyRealDocument()
{
    QFETCH(QString, file);
    QFETCH(QString, names);
    QFETCH(QString, extracted);
    // The readers themselves: every use has a place; only the encrypted documents say something.
    const ReadResult result = readDocumentFonts(fixture(file));
    for (const FontUse &use : result.uses)
        QVERIFY(!use.place.isEmpty());
    if (names.isEmpty())
        QVERIFY2(result.notes.join(u'\n').contains(u"password-protected"), qPrintable(file));
    else
        QCOMPARE(result.notes, QStringList());
    // The scan driver merges the helper's names with the document's own extraction.
    QCOMPARE(FontScanner(MetadataQuery(helper())).scanFonts(fixture(file)),
             names.split(u'|', Qt::SkipEmptyParts));
    QCOMPARE(FontScanner(MetadataQuery()).scanFonts(fixture(file)),
             extracted.split(u'|', Qt::SkipEmptyParts));
}

void FontMetaTest::kindDecidedByContent_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("disguise");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("an Office package named .ppt")
        << u"pptx/sld-notes.pptx"_s << u"Notes.ppt"_s << QStringList{u"Calibri"_s, u"Arial"_s};
    QTest::newRow("a binary presentation named .pptx")
        << u"ppt/plain.ppt"_s << u"Plain.pptx"_s << QStringList{u"Calibri"_s, u"Arial"_s, u"Calibri Light"_s};
    QTest::newRow("a Keynote file named .pptx")
        << u"key/osaka09-01.key"_s << u"Osaka.pptx"_s
        << QStringList{u"GillSans"_s, u"MarkerFelt-Thin"_s, u"LucidaGrande"_s};
    QTest::newRow("a picture named .key")
        << u"key/legacy-package.key/thumbs/st0.jpg"_s << u"Photo.key"_s << QStringList();
}

void FontMetaTest::kindDecidedByContent()
{
    QFETCH(QString, source);
    QFETCH(QString, disguise);
    QFETCH(QStringList, names);
    const QString path = QDir(m_folder.path()).filePath(disguise);
    QVERIFY(QFile::copy(fixture(source), path));
    QStringList found = MetadataQuery(helper()).metadataFonts(path);
    std::sort(found.begin(), found.end());
    std::sort(names.begin(), names.end());
    QCOMPARE(found, names);
}

void FontMetaTest::commandLine()
{
    // For people: where each font was found; notes on standard error.
    Run result = run({fixture(u"pptx/txt-font-typeface.pptx"_s), fixture(u"ppt/encrypted.ppt"_s)});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.out.contains(u"\n  Verdana\tslide 1\n"_s));
    QVERIFY(result.out.contains(u"encrypted.ppt\n  (no fonts found)\n"_s));
    QVERIFY(result.err.contains(u"encrypted.ppt: the document is password-protected"_s));

    // Unknown options, missing files and what cannot be read: one line on standard error.
    result = run({u"--frobnicate"_s, fixture(u"ppt/plain.ppt"_s)});
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(result.err, u"kernwick-fontmeta: unknown option --frobnicate (see --help)\n"_s);
    result = run({u"/nonexistent/Talk.key"_s});
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(result.err, u"kernwick-fontmeta: /nonexistent/Talk.key: no such file or folder\n"_s);
    const QString pipe = QDir(m_folder.path()).filePath(u"pipe.ppt"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    result = run({u"--json"_s, pipe, fixture(u"ppt/plain.ppt"_s)});
    QCOMPARE(result.exitCode, 2);
    const QJsonArray files = QJsonDocument::fromJson(result.out.toUtf8())[u"files"_s].toArray();
    QCOMPARE(files[0][u"error"_s].toString(), u"not a file or a package folder"_s);
    QCOMPARE(files[1][u"fonts"_s].toArray().size(), 3);

    // The old metadata form prints only its answer, whatever happens: its callers read both streams as one.
    for (const QString &path : {u"/nonexistent/Talk.key"_s, fixture(u"pptx/encrypted.pptx"_s)}) {
        result = run({u"-name"_s, u"kMDItemFonts"_s, path});
        QCOMPARE(result.out, u"kMDItemFonts = (null)\n"_s);
        QCOMPARE(result.err, QString());
    }
}

QTEST_GUILESS_MAIN(FontMetaTest)
#include "tst_fontmeta.moc"
