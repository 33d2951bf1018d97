// The scan library: the helper's answers and calls, the driver, the extractions, and where-used for people.
#include <scan/fontmatching.h>
#include <scan/fontscanner.h>
#include <scan/fontusage.h>
#include <scan/keynoteextraction.h>
#include <scan/metadataquery.h>
#include <scan/powerpointextraction.h>
#include <scan/presentationwalk.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <testsupport/testverify.h>
#include <testsupport/testzip.h>
#include <unistd.h>

#include <algorithm>
#include <tuple>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using namespace kernwick;
using test::fixture;

// Decks are built in a folder of their own; every scan must leave its temporary folder empty.
class FontScannerTest : public QObject
{
    Q_OBJECT

public:
    FontScannerTest() { qputenv("TMPDIR", QFile::encodeName(m_scratch.path())); }

    QString deckPath(const QString &name) const { return QDir(m_decks.path()).filePath(name); }

    // A .pptx-like archive with the given members.
    QString makeArchive(const QString &name, const QList<std::pair<QString, QByteArray>> &members) const
    {
        const QString path = deckPath(name);
        return test::writeFile(path, test::TestZip::build(members)) ? path : QString();
    }

    static QStringList sorted(QStringList names)
    {
        std::sort(names.begin(), names.end());
        return names;
    }

private Q_SLOTS:
    void cleanup()
    {
        QCOMPARE(QDir(m_scratch.path())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList());
    }
    void recordedAnswers();
    void askingTheTool();
    void findingTheHelper();
    void helperStartedAhead();
    void answerCarriesUsage();
    void usageForPeople();
    void sourcesByExtension();

    void namesInSlides();
    void partsReadAndPartsLeftAlone();
    void documentsThatAreNotArchives();
    void documentsThatWereNotRead();
    void hostileMembersAndSlides();
    void namesInTopLevelText();
    void hostileKeynotePackages();
    void extractionBudgets();
    void latinPassAgreesWithThePattern();
    void walkingAFolder();

private:
    // A shell script that runs `body`.
    QString script(const QString &name, const QByteArray &body)
    {
        const QString path = deckPath(name);
        if (!test::writeFile(path, "#!/bin/sh\n" + body))
            return {};
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    // A metadata tool that answers with `names` for any document.
    QString tool(const QString &name, const QStringList &names)
    {
        QJsonArray fonts;
        for (const QString &font : names)
            fonts.append(QJsonObject{{u"name"_s, font}});
        return script(name,
                      "cat <<'EOF'\n" +
                          QJsonDocument(QJsonObject{{u"fonts"_s, fonts}}).toJson(QJsonDocument::Compact) +
                          "\nEOF\n");
    }
    // A Keynote package folder holding `files`.
    QString makePackage(const QString &name, const QList<std::pair<QString, QByteArray>> &files)
    {
        const QString package = deckPath(name);
        QDir(package).removeRecursively();
        for (const auto &[file, contents] : files)
            test::writeFile(QDir(package).filePath(file), contents);
        return package;
    }
    QTemporaryDir m_decks;
    QTemporaryDir m_scratch;
};

void FontScannerTest::recordedAnswers()
{
    const QStringList unreadable{
        u"kernwick-fontmeta gave no readable answer: the fonts the document lists itself are not included"_s};
    // Answers, the names read from them and the notes.
    const QList<std::tuple<QByteArray, QStringList, QStringList>> cases = {
        // Names in order, twice kept.
        {R"({"fonts": [{"name": "Arial", "places": ["slide 1"]}, {"name": "Gill Sans"}, {"name": "Arial"}],)"
         R"( "notes": []})",
         {u"Arial"_s, u"Gill Sans"_s, u"Arial"_s},
         {}},
        // Each name filtered on its own.
        {R"({"fonts": [{"name": " \u00a0Padded\n"}, {"name": "NULL"}, {"name": "Null Sans"},)"
         R"( {"name": "/Users/x/Deck.key"}, {"name": "old.PPT"}, {"name": ""}, {"name": 7},)"
         R"( {"name": "Bell\u0007\u001b[2JRing"}, {"name": "Lone\ud800"}]})",
         {u"Padded"_s, u"Null Sans"_s, u"Bell  [2JRing"_s, u"Lone\uFFFD"_s},
         {u"left out “/Users/x/Deck.key”: a path or a presentation's file name, not a font name"_s,
          u"left out “old.PPT”: a path or a presentation's file name, not a font name"_s}},
        // Notes passed on, made printable.
        {R"({"fonts": [], "notes": ["encrypted", "slide\u001b[31m1: damaged"]})",
         {},
         {u"encrypted"_s, u"slide [31m1: damaged"_s}},
        // A name longer than any font name.
        {"{\"fonts\": [{\"name\": \"" + QByteArray(300, 'A') + "\"}, {\"name\": \"Arial\"}]}",
         {u"Arial"_s},
         {u"left out 1 font name(s) longer than 256 characters"_s}},
        // Nothing, the old text form (not read), an answer cut short.
        {QByteArray(), {}, unreadable},
        {"kMDItemFonts = (\n    \"Arial\"\n)\n", {}, unreadable},
        {R"({"fonts": [{"name": "Arial"})", {}, unreadable},
    };
    for (const auto &[answer, names, notes] : cases) {
        const MetadataAnswer parsed = parseMetadataAnswer(answer);
        QCOMPARE(parsed.names(), names);
        QCOMPARE(parsed.notes, notes);
    }
}

void FontScannerTest::askingTheTool()
{
    // The two arguments arrive as they are, the path with its spaces.
    const QString tool = script(u"tool"_s, R"([ "$#" = 2 ] && [ "$1" = --query ] && [ -f "$2" ] || exit 1
echo '{"fonts": [{"name": "Arial"},'
echo '  {"name": "Gill Sans"}]}'
)");
    const QString deck = deckPath(u"My Talk (final).pptx"_s);
    QFile(deck).open(QIODevice::WriteOnly);
    QCOMPARE(MetadataQuery(tool).metadataFonts(deck), (QStringList{u"Arial"_s, u"Gill Sans"_s}));

    // A long answer is read while the tool writes it; past the number of names any deck has, it is cut.
    const QString chatty = script(u"chatty"_s, R"(echo '{"fonts": ['
i=0; while [ $i -lt 12000 ]; do echo "{\"name\": \"Font Number $i\"},"; i=$((i+1)); done
echo '{"name": "Last"}]}'
)");
    const MetadataAnswer many = MetadataQuery(chatty).query(deck);
    QCOMPARE(many.fonts.size(), 10000);
    QCOMPARE(many.notes, QStringList{u"stopped at 10000 font names: 2001 more are not listed"_s});

    // No tool, or none there.
    QCOMPARE(MetadataQuery().query(deck).notes, QStringList());
    QVERIFY(MetadataQuery(deckPath(u"absent"_s)).metadataFonts(deck).isEmpty());

    // A tool that never ends, or never stops talking, is stopped; a half answer is not trusted.
    const QString stuck = script(u"stuck"_s, "echo '{\"fonts\": [{\"name\": \"Arial\"}]}'\nexec sleep 600\n");
    QVERIFY(MetadataQuery(stuck, {300ms, 1 << 20}).metadataFonts(deck).isEmpty());
    const QString endless = script(u"endless"_s, "echo '{\"fonts\": ['\nexec yes '{\"name\": \"Arial\"},'\n");
    QVERIFY(MetadataQuery(endless, {60s, 1 << 20}).metadataFonts(deck).isEmpty());
    // The exit status plays no part.
    const QString failing = script(u"failing"_s, "echo '{\"fonts\": [{\"name\": \"Arial\"}]}'\nexit 3\n");
    QCOMPARE(MetadataQuery(failing).metadataFonts(deck), QStringList{u"Arial"_s});
}

void FontScannerTest::helperStartedAhead()
{
    // Started ahead, the helper gives every document the answer it gives when started for it, the
    // package read beside it; each document gets a helper of its own, and one started only when none waits.
    const QString helper = QStringLiteral(KERNWICK_BIN_DIR "/kernwick-fontmeta");
    const FontScanner once{MetadataQuery(helper)};
    const FontScanner ahead{MetadataQuery(helper)};
    const QString hostile =
        makeArchive(u"Hostile deck\nname.pptx"_s, {{u"ppt/slides/slide1.xml"_s, "<p:sld"}});
    for (const QString &deck :
         {fixture(u"pptx/fixture2-libreoffice.pptx"_s), fixture(u"ppt/plain.ppt"_s),
          fixture(u"key/zipped-package.key"_s), fixture(u"pptx/encrypted.pptx"_s), hostile}) {
        for (const bool started : {true, false}) {
            if (started)
                ahead.startHelperAhead();
            const ScanResult expected = once.scan(deck);
            const ScanResult result = ahead.scan(deck);
            QCOMPARE(result.fonts, expected.fonts);
            QCOMPARE(result.notes, expected.notes);
            QCOMPARE(result.failure, expected.failure);
            QVERIFY(!result.fonts.isEmpty() || !result.notes.isEmpty());
            for (const QString &font : std::as_const(result.fonts)) {
                QCOMPARE(result.usage.value(font).usedIn, expected.usage.value(font).usedIn);
                QCOMPARE(result.usage.value(font).characters, expected.usage.value(font).characters);
            }
        }
    }

    // Waiting, the helper has loaded only what every format needs: libgsf comes with a Compound File.
    QProcess waiting;
    waiting.start(helper, {u"--wait-for-query"_s});
    QVERIFY(waiting.waitForStarted());
    const QString process = u"/proc/%1/"_s.arg(waiting.processId());
    QTRY_VERIFY(test::readFile(process + u"syscall"_s).startsWith("0 0x0 ")); // reading its input
    const QByteArray libraries = test::readFile(process + u"maps"_s);
    QVERIFY(libraries.contains("libQt6Core") && !libraries.contains("libgsf"));
    waiting.write(QFile::encodeName(fixture(u"ppt/plain.ppt"_s)));
    waiting.closeWriteChannel();
    QVERIFY(waiting.waitForFinished());
    QVERIFY(waiting.readAllStandardOutput().contains("\"Calibri Light\""));

    // The path reaches a helper started ahead whole (a line break in it); its limits count from then: one
    // that hangs on its document, or never stops talking, is stopped, and the document gets the note.
    const QString deck = deckPath(u"Two\nLines.pptx"_s);
    QVERIFY(test::writeFile(deck, "PK"));
    const MetadataQuery whole(script(u"whole"_s, "[ \"$1\" = --wait-for-query ] && [ \"$(cat)\" = '" +
                                                     deck.toUtf8() +
                                                     "' ] && echo '{\"fonts\": [{\"name\": \"Whole\"}]}'\n"));
    whole.startHelperAhead();
    QCOMPARE(whole.metadataFonts(deck), QStringList{u"Whole"_s});
    const QString stopped = u"kernwick-fontmeta could not be run, or was stopped: the fonts the document "
                            u"lists itself are not included"_s;
    for (const QByteArray &body : {QByteArray("cat >/dev/null\nexec sleep 600\n"),
                                   QByteArray("cat >/dev/null\nexec yes '{\"name\": \"Arial\"},'\n")}) {
        const MetadataQuery runaway(script(u"runaway"_s, body), {300ms, 1 << 20});
        runaway.startHelperAhead();
        QCOMPARE(runaway.query(deck).notes, QStringList{stopped});
    }
}

void FontScannerTest::findingTheHelper()
{
    const QDir folder(m_decks.path());
    QVERIFY(folder.mkpath(u"prefix/bin"_s) && folder.mkpath(u"prefix/lib/kernwick"_s) &&
            folder.mkpath(u"configured"_s));
    const auto locate = [&folder] {
        return MetadataQuery::locateHelper(folder.filePath(u"prefix/bin"_s), u"../lib/kernwick"_s,
                                           folder.filePath(u"configured"_s));
    };
    QCOMPARE(locate(), QString());
    const QString configured = script(u"configured/kernwick-fontmeta"_s, "exit 0\n");
    QCOMPARE(locate(), configured);
    const QString moved = script(u"prefix/lib/kernwick/kernwick-fontmeta"_s, "exit 0\n");
    QCOMPARE(QFileInfo(locate()).canonicalFilePath(), QFileInfo(moved).canonicalFilePath());
    const QString beside = script(u"prefix/bin/kernwick-fontmeta"_s, "exit 0\n");
    QCOMPARE(locate(), beside);
}

void FontScannerTest::answerCarriesUsage()
{
    const MetadataAnswer answer = parseMetadataAnswer(
        R"({"fonts": [{"name": "Used", "places": ["slide 1"], "used": true, "usedIn": ["slide 1", "notes page 2"],
                       "characters": {"slide 1": "ab\u0007ř", "notes page 2": "c"}},
                      {"name": "Ghost", "places": ["slide master 1"], "used": false, "usedIn": []},
                      {"name": "Somewhere", "places": ["font collection"], "used": true, "usedIn": null},
                      {"name": "Older\u0007Helper", "places": []}]})");
    QCOMPARE(answer.fonts.size(), 4);
    QCOMPARE(answer.fonts[0].usedIn, (QStringList{u"slide 1"_s, u"notes page 2"_s}));
    QVERIFY(answer.fonts[0].used && answer.fonts[0].usedInKnown);
    // The characters drawn at each place, controls made spaces (which draw nothing).
    QCOMPARE(answer.fonts[0].characters,
             (DrawnCharacters{{u"notes page 2"_s, u"c"_s}, {u"slide 1"_s, u"ab ř"_s}}));
    QVERIFY(answer.fonts[1].characters.isEmpty());
    QVERIFY(!answer.fonts[1].used && answer.fonts[1].usedInKnown);
    QVERIFY(answer.fonts[2].used && !answer.fonts[2].usedInKnown);
    // An answer without the usage fields counts every font as used, places unknown.
    QCOMPARE(answer.fonts[3].name, u"Older Helper"_s);
    QVERIFY(answer.fonts[3].used && !answer.fonts[3].usedInKnown);
}

void FontScannerTest::usageForPeople()
{
    FontUsage everyOtherSlide{{}, true, {}, true};
    for (int slide = 1; slide < 50; slide += 2)
        everyOtherSlide.usedIn.append(u"slide %1"_s.arg(slide));
    // Declared only: the qualifiers are dropped.
    const FontUsage declaredOnly{
        {u"slide master 1 (theme minor font)"_s, u"slide layout 2"_s, u"slide layout 3 (theme minor font)"_s},
        false,
        {},
        true};
    const QList<std::pair<FontUsage, QString>> cases = {
        {{{}, true, {u"slide 7"_s, u"slide 2"_s, u"slide 5"_s, u"slide 6"_s, u"notes page 3"_s}, true},
         u"used on slides 2, 5–7 · notes page 3"_s},
        {declaredOnly, u"not used by any text (slide master 1 · slide layouts 2–3)"_s},
        {{{u"font collection"_s}, true, {}, false}, u"used (places not known)"_s},
        {FontUsage{}, QString()},
        // Long, cut.
        {everyOtherSlide,
         u"used on slides 1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31, 33, 35, 37, 39, 41, 43, 4…"_s},
    };
    for (const auto &[usage, line] : cases)
        QCOMPARE(describeUsage(usage), line);
}

void FontScannerTest::sourcesByExtension()
{
    // The deck's slides name Arial, Café and Verdana; the tool answers with the metadata's names.
    const QString slideDeck =
        makeArchive(u"deck.zip"_s, {{u"ppt/slides/slide1.xml"_s,
                                     "<p:sld><a:latin typeface=\"Arial\"/><a:latin typeface=\"Verdana\"/>"
                                     "<a:latin typeface=\"Caf\xc3\xa9\"/></p:sld>"}});
    const QStringList fromSlides = {u"Arial"_s, u"Café"_s, u"Verdana"_s};
    const QList<std::tuple<QString, QStringList, QStringList>> cases = {
        {u"A.PPTX"_s, {}, fromSlides},
        {u"C.pptx"_s, {u"Gill Sans"_s, u"Arial"_s}, {u"Arial"_s, u"Café"_s, u"Gill Sans"_s, u"Verdana"_s}},
        // Once each in code-point order, first spelling kept: "Cafe"+U+0301 is "Café", "arial" is "Arial".
        {u"F.pptx"_s,
         {u"Zapfino"_s, u"arial"_s, u"Arial"_s, u"Cafe\u0301"_s, u"\U0001D49C Script"_s, u"\uFF21 Wide"_s},
         {u"Cafe\u0301"_s, u"Verdana"_s, u"Zapfino"_s, u"arial"_s, u"\uFF21 Wide"_s, u"\U0001D49C Script"_s}},
        // A binary presentation gets no extraction, whatever it holds.
        {u"D.ppt"_s, {u"Tahoma"_s, u"Tahoma"_s}, {u"Tahoma"_s}},
        {u"E.ppt"_s, {}, {}},
    };
    for (const auto &[fileName, metadata, names] : cases) {
        const QString deck = deckPath(fileName);
        QVERIFY(QFile::copy(slideDeck, deck));
        QCOMPARE(FontScanner(MetadataQuery(tool(fileName + u".tool"_s, metadata))).scanFonts(deck), names);
    }
}

namespace {
QByteArray slide(const QByteArray &body)
{
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
           R"(<p:sld xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><p:cSld><p:spTree>)" +
           body + "</p:spTree></p:cSld></p:sld>";
}
} // namespace

void FontScannerTest::namesInSlides()
{
    const QList<std::pair<QByteArray, QStringList>> cases = {
        // Names as written, however the element is laid out; entities and references decoded, as an XML
        // parser gives the value, and anything else after "&" as it stands.
        {"<a:latin pitchFamily=\"34\" typeface=\"Avenir Next\" charset=\"0\"/>"
         "<a:latin\n  panose=\"020B0604\"\n  typeface=\"Gill Sans\"/>"
         "<a:latin typeface=\"Arial\"/><a:latin typeface=\"ＭＳ Ｐゴシック\"/>"
         "<a:latin typeface=\"Times&#160;New&#xA0;Roman\"/><a:latin typeface=\"Probe &amp; Sans\"/>"
         "<a:latin typeface=\"&lt;Q&gt; &quot;&apos;&#x1F600;&#0;&bogus;&#x110000;\"/>"
         "<a:latin typeface=\"&#43;mn-lt\"/><a:latin typeface=\"Probe & Sans\"/>",
         {u"Avenir Next"_s, u"Gill Sans"_s, u"Arial"_s, u"ＭＳ Ｐゴシック"_s, u"Times New Roman"_s,
          u"Probe & Sans"_s, u"<Q> \"'\U0001F600&#0;&bogus;&#x110000;"_s}},
        // Theme references and tokens, null in any case, other scripts and blanks are left out.
        {R"(<a:latin typeface="+mn-lt"/><a:latin typeface="+mj-lt"/><a:latin typeface="dk1"/>)"
         R"(<a:latin typeface="font2"/><a:latin typeface="Font2"/><a:latin typeface="abcdef1"/>)"
         R"(<a:latin typeface="Null"/><a:latin typeface="NULL"/><a:ea typeface="MS Gothic"/>)"
         R"(<a:cs typeface="Mangal"/><a:sym typeface="Wingdings"/>)"
         "<a:latin typeface=\" \t\"/><a:latin typeface=\"\xc2\xa0\"/>",
         {u"Font2"_s, u"abcdef1"_s}},
        // A caret spoils the element.
        {R"(<a:latin typeface="Bad^Name"/>)", {}},
        // Every kind of space trimmed, no-break spaces become spaces.
        {"<a:latin typeface=\"Times\xc2\xa0New\xc2\xa0Roman\xc2\xa0\"/>"
         "<a:latin typeface=\" \xe2\x80\xa8Gill Sans\xe3\x80\x80\"/>",
         {u"Times New Roman"_s, u"Gill Sans"_s}},
    };
    for (const auto &[body, names] : cases) {
        const QString deck = makeArchive(u"deck.pptx"_s, {{u"ppt/slides/slide1.xml"_s, slide(body)}});
        QCOMPARE(sorted(powerPointPackageFonts(deck).fonts), sorted(names));
    }
}

void FontScannerTest::partsReadAndPartsLeftAlone()
{
    const auto latin = [](const char *name) {
        return slide("<a:latin typeface=\"" + QByteArray(name) + "\"/>");
    };
    const QString deck =
        makeArchive(u"parts.pptx"_s, {{u"ppt/presentation.xml"_s, latin("FromPresentation")},
                                      {u"ppt/slides/slide1.xml"_s, latin("FromSlide")},
                                      {u"ppt/slides/.hidden.XML"_s, latin("FromHiddenSlide")},
                                      {u"ppt/slideMasters/slideMaster1.xml"_s, latin("FromMaster")},
                                      {u"ppt/slides/_rels/slide1.xml.rels"_s, latin("FromRelationships")},
                                      {u"ppt/slides/nested/slide9.xml"_s, latin("FromNestedFolder")},
                                      {u"ppt/slideLayouts/slideLayout1.xml"_s, latin("FromLayout")},
                                      {u"ppt/theme/theme1.xml"_s, latin("FromTheme")},
                                      {u"ppt/notesSlides/notesSlide1.xml"_s, latin("FromNotes")},
                                      {u"ppt/slides/slide2.xml"_s, "\xff\xfe<a:latin typeface=\"NotUtf8\"/>"},
                                      {u"ppt/media/image1.png"_s, QByteArray(1024, 'x')}});
    QCOMPARE(sorted(powerPointPackageFonts(deck).fonts),
             (QStringList{u"FromHiddenSlide"_s, u"FromMaster"_s, u"FromPresentation"_s, u"FromSlide"_s}));
}

void FontScannerTest::documentsThatAreNotArchives()
{
    test::writeFile(deckPath(u"text.pptx"_s), "<a:latin typeface=\"Arial\"/>");
    // The end of a real archive cut off: its directory is gone.
    const QByteArray bytes = test::readFile(fixture(u"pptx/txt-font-typeface.pptx"_s));
    test::writeFile(deckPath(u"truncated.pptx"_s), bytes.left(bytes.size() / 2));
    test::writeFile(deckPath(u"empty.pptx"_s), {});
    // A binary presentation, a package folder, no such file, plain text, a truncated archive, an empty file.
    for (const QString &path :
         {fixture(u"ppt/plain.ppt"_s), fixture(u"key/package-keynote6.key"_s), deckPath(u"absent.pptx"_s),
          deckPath(u"text.pptx"_s), deckPath(u"truncated.pptx"_s), deckPath(u"empty.pptx"_s)})
        QCOMPARE(powerPointPackageFonts(path).fonts, QStringList());

    // A file too small to be a deck, or a .pptx that is no zip archive, is told so without the helper.
    const QString runs = deckPath(u"runs"_s);
    const FontScanner scanner(MetadataQuery(
        script(u"counting"_s, "echo run >> '" + runs.toUtf8() + "'\necho '{\"fonts\": []}'\n")));
    const QString tiny = deckPath(u"tiny.ppt"_s);
    test::writeFile(tiny, "PK");
    for (const auto &[path, note] :
         {std::pair{deckPath(u"empty.pptx"_s), u"the file is too small to be a presentation"_s},
          {tiny, u"the file is too small to be a presentation"_s},
          {deckPath(u"text.pptx"_s), u"not a zip archive, so not a .pptx presentation"_s}})
        QCOMPARE(scanner.scan(path).notes, QStringList{note});
    QVERIFY(!QFileInfo::exists(runs));
    scanner.scan(deckPath(u"truncated.pptx"_s));
    QCOMPARE(test::readFile(runs), QByteArray("run\n"));
}

void FontScannerTest::documentsThatWereNotRead()
{
    // The helper's reason is the scan's; no names, or names with notes, is no failure.
    const QString notRead = script(u"not-read"_s, "echo '{\"fonts\": [], \"notes\": [\"the document is "
                                                  "password-protected; its fonts cannot be read\"]}'\n");
    const QString silent = tool(u"silent"_s, {});
    const QString noted = script(u"noted"_s, "echo '{\"fonts\": [{\"name\": \"Arial\"}], \"notes\": "
                                             "[\"slide 2: damaged\"]}'\n");
    const QString empty = makeArchive(u"empty.pptx"_s, {{u"ppt/presentation.xml"_s, "<p:presentation/>"}});
    const QList<std::tuple<QString, QString, QString>> cases = {
        {notRead, empty, u"the document is password-protected; its fonts cannot be read"_s},
        {silent, empty, QString()},
        {noted, empty, QString()},
        {silent, deckPath(u"gone.pptx"_s), u"no such file or folder"_s},
    };
    for (const auto &[helper, deck, failure] : cases)
        QCOMPARE(FontScanner(MetadataQuery(helper)).scan(deck).failure, failure);
}

void FontScannerTest::hostileMembersAndSlides()
{
    const QString outside = deckPath(u"outside"_s);
    const QByteArray body = slide(R"(<a:latin typeface="Escaped"/>)");
    const QString path = deckPath(u"hostile.pptx"_s);
    {
        test::TestZip zip(path);
        zip.add(u"../ppt/slides/slide1.xml"_s, body);
        zip.add(u"ppt/slides/../../../x.xml"_s, body);
        zip.add(outside + u"/ppt/slides/slide1.xml"_s, body);
        zip.add(u"ppt\\slides\\slide3.xml"_s, body);
        // A link the reading would follow out of the scan folder; a folder link to write members through.
        zip.addLink(u"ppt/slides/slide1.xml"_s, fixture(u"pptx/txt-font-typeface.pptx"_s));
        zip.addLink(u"ppt/slideMasters"_s, outside);
        zip.add(u"ppt/slideMasters/slideMaster1.xml"_s, slide(R"(<a:latin typeface="Master"/>)"));
        zip.add(u"ppt/slides/slide2.xml"_s, slide(R"(<a:latin typeface="Inside"/>)"));
        // A member that inflates to gigabytes is cut where the part cap lies; the others are read.
        zip.addGenerated(u"ppt/slides/slide4.xml"_s, qint64(2) << 30,
                         [](char *chunk, qint64 length) { std::fill_n(chunk, length, ' '); });
        zip.add(u"ppt/slides/slide5.xml"_s, slide(R"(<a:latin typeface="After"/>)"));
        QVERIFY(zip.close());
    }
    QCOMPARE(sorted(powerPointPackageFonts(path).fonts), (QStringList{u"After"_s, u"Inside"_s, u"Master"_s}));
    QVERIFY(!QFileInfo::exists(outside));
    QVERIFY(!QFileInfo(deckPath(u"ppt"_s)).exists() && !QFileInfo(deckPath(u"x.xml"_s)).exists());

    // A 50 MB slide is still read whole.
    QByteArray large =
        slide(QByteArray(R"(<a:r><a:rPr><a:latin typeface="Common"/></a:rPr><a:t>text</a:t></a:r>)")
                  .repeated(760'000) +
              R"(<a:latin typeface="AtTheEnd"/>)");
    QVERIFY(large.size() > 50'000'000);
    // Unclosed elements that make a naive pattern search go back over the rest of the text from every
    // start. They still match as the pattern says: one match from the first element to the last quote
    // whose value can close, a "name" far longer than any font name, which is left out.
    const QByteArray unclosed = QByteArray("<a:latin typeface=\"").repeated(200'000) +
                                QByteArray("<a:latin typeface").repeated(200'000) + "=\"";
    const QString deck =
        makeArchive(u"large.pptx"_s, {{u"ppt/slides/slide1.xml"_s, large},
                                      {u"ppt/slides/slide2.xml"_s, unclosed},
                                      {u"ppt/slides/slide3.xml"_s, QByteArray(5'000'000, '<')}});
    large.clear();
    const ScanResult result = powerPointPackageFonts(deck);
    QCOMPARE(sorted(result.fonts), (QStringList{u"AtTheEnd"_s, u"Common"_s}));
    QCOMPARE(result.notes, QStringList{u"left out 1 font name(s) longer than 256 characters"_s});
}

void FontScannerTest::namesInTopLevelText()
{
    // A file at the top of a package, the text in it, the names found.
    const QList<std::tuple<QString, QByteArray, QStringList>> cases = {
        {u"index.apxl"_s,
         "<sf:p fontName=\"Gill Sans\"/><x fontName \n=\"Optima\"/><x fontName=\"null\"/>"
         "<y fontName=\"\xc2\xa0"
         "Big\xc2\xa0"
         "Caslon\"/>",
         {u"Big Caslon"_s, u"Gill Sans"_s, u"Optima"_s}},
        {u"doc.json"_s, R"({"fontName" : "Futura Medium", "size": 3})", {u"Futura Medium"_s}},
        {u"index.apxl"_s,
         R"(<sf:p fontName="Probe &amp; Sans"/><x fontName="Probe & Sans"/>)",
         {u"Probe & Sans"_s}},
        {u"theme.XML"_s, R"(<a:latin typeface="dk1"/><a:ea typeface="+mn-ea"/>)", {u"dk1"_s}},
        // A list is one name; a quoted one gives nothing there.
        {u"style.xml"_s,
         "<s>font-family: Avenir, Helvetica; color: red</s>"
         "<s style='font-family: \"Avenir Next\"'/>font-family:\n  Baskerville  \n",
         {u"Avenir, Helvetica"_s, u"Baskerville"_s}},
        // Other extensions are not read.
        {u"notes.txt"_s, R"(fontName="Hidden")", {}},
    };
    for (const auto &[file, text, names] : cases)
        QCOMPARE(sorted(keynotePackageFonts(makePackage(u"Talk.key"_s, {{file, text}})).fonts), names);
}

void FontScannerTest::hostileKeynotePackages()
{
    // The index file, the index archive whole but for its hostile members, and the package's top level.
    const QString package =
        makePackage(u"Whole.key"_s, {{u"index.apxl"_s, R"(<k fontName="FromIndex"/><k fontName="Shared"/>)"},
                                     {u"extra.json"_s, R"({"fontName":"TopLevel"})"},
                                     {u"Data/deeper.xml"_s, R"(<k fontName="NotTopLevel"/>)"}});
    test::TestZip zip(package + u"/index.zip"_s);
    zip.add(u"index.apxl"_s, R"(<k fontName="FromArchive"/><k fontName="Shared"/>)");
    zip.add(u"deep/nested/folder/part.xml"_s, R"(<k fontName="Nested"/>)");
    zip.add(u"Index/Slide.iwa"_s, R"(fontName="BinaryMember")");
    zip.add(u"Data/image.png"_s, R"(fontName="Media")", test::TestZip::Compression::stored);
    zip.add(u"../escaped.xml"_s, R"(<k fontName="Escaped"/>)");
    zip.add(u"/tmp/absolute.xml"_s, R"(<k fontName="Absolute"/>)");
    zip.addLink(u"linked.xml"_s, fixture(u"README.md"_s));
    zip.addGenerated(u"huge.xml"_s, qint64(1) << 30,
                     [](char *chunk, qint64 length) { std::fill_n(chunk, length, 'x'); });
    QVERIFY(zip.close());
    QCOMPARE(sorted(keynotePackageFonts(package).fonts),
             (QStringList{u"FromArchive"_s, u"FromIndex"_s, u"Nested"_s, u"Shared"_s, u"TopLevel"_s}));
    QVERIFY(!QFileInfo::exists(deckPath(u"escaped.xml"_s)));
    QVERIFY(!QFileInfo::exists(u"/tmp/absolute.xml"_s));

    // Packages that cannot be read, or hold what must not be read.
    QCOMPARE(keynotePackageFonts(deckPath(u"absent.key"_s)).fonts, QStringList());

    // Entries that are not regular files are never read: a pipe would never end.
    const QString odd = makePackage(u"Odd.key"_s, {{u"good.xml"_s, R"(<k fontName="Readable"/>)"}});
    QVERIFY(QDir(odd).mkpath(u"index.apxl"_s));
    QVERIFY(QDir(odd).mkpath(u"index.zip"_s));
    QCOMPARE(::mkfifo(QFile::encodeName(QDir(odd).filePath(u"pipe.xml"_s)).constData(), 0600), 0);
    QVERIFY(QFile::link(QDir(odd).filePath(u"absent"_s), QDir(odd).filePath(u"dangling.json"_s)));
    QCOMPARE(keynotePackageFonts(odd).fonts, QStringList{u"Readable"_s});

    // A package whose index archive is not an archive.
    const QString broken = makePackage(u"Broken.key"_s, {{u"index.zip"_s, "PK\x03\x04 not really"}});
    QCOMPARE(keynotePackageFonts(broken).fonts, QStringList());

    if (::geteuid() == 0)
        QSKIP("permissions do not keep the superuser out of a folder");
    const QString locked = makePackage(u"Locked.key"_s, {{u"index.apxl"_s, R"(<k fontName="Locked"/>)"}});
    QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
    const QStringList names = keynotePackageFonts(locked).fonts;
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(names, QStringList());
}

void FontScannerTest::extractionBudgets()
{
    const auto fontNames = [](int first, int count) {
        QByteArray text;
        for (int i = first; i < first + count; ++i)
            text += "<k fontName=\"Face " + QByteArray::number(i) + "\"/>";
        return text;
    };
    ScanLimits small;
    small.maxBytes = 4 << 20;

    // Links out of a package are not followed, inner ones are; a file streams until the bytes are spent.
    const QString outside = deckPath(u"private.xml"_s);
    test::writeFile(outside, R"(<k fontName="Private"/>)");
    const QByteArray filler = QByteArray("<x/>").repeated(256 * 1024);
    const QString package = makePackage(
        u"Budget.key"_s, {{u"Data/inner.xml"_s, R"(<k fontName="Inner"/>)"},
                          {u"index.apxl"_s, fontNames(0, 1) + filler + fontNames(1, 1) + filler +
                                                fontNames(2, 1) + filler.repeated(4) + fontNames(3, 1)}});
    QVERIFY(QFile::link(outside, package + u"/styles.xml"_s));
    QVERIFY(QFile::link(u"Data/inner.xml"_s, package + u"/inner.xml"_s));
    ScanResult result = keynotePackageFonts(package + u'/', small);
    QCOMPARE(sorted(result.fonts), (QStringList{u"Face 0"_s, u"Face 1"_s, u"Face 2"_s}));
    QCOMPARE(result.notes, (QStringList{u"stopped reading after 4 MB: the rest of the document is not read"_s,
                                        u"left out styles.xml: a link to a file outside the package"_s}));
    result = FontScanner(MetadataQuery()).scan(package + u'/');
    QCOMPARE(result.fonts, (QStringList{u"Face 0"_s, u"Face 1"_s, u"Face 2"_s, u"Face 3"_s, u"Inner"_s}));
    QCOMPARE(result.notes, QStringList{u"left out styles.xml: a link to a file outside the package"_s});

    // More names than a deck has; a part larger than one part may be.
    small.maxMemberSize = 1 << 20;
    const QString many = makeArchive(
        u"many.pptx"_s,
        {{u"ppt/slides/slide1.xml"_s, fontNames(0, 10050).replace("<k fontName", "<a:latin typeface")},
         {u"ppt/slides/slide2.xml"_s, slide(filler)}});
    result = powerPointPackageFonts(many, small);
    QCOMPARE(result.fonts.size(), 10000);
    QCOMPARE(result.notes, (QStringList{u"ppt/slides/slide2.xml is larger than 1 MB: left out"_s,
                                        u"stopped at 10000 font names: the others are not listed"_s}));

    // An archive that lists more entries than any document holds is refused before they are listed.
    const QString crowded = deckPath(u"crowded.pptx"_s);
    {
        test::TestZip zip(crowded);
        for (int i = 0; i <= int(ZipArchive::maxEntries); ++i)
            zip.add(QString::number(i), {}, test::TestZip::Compression::stored);
        QVERIFY(zip.close());
    }
    result = powerPointPackageFonts(crowded);
    QCOMPARE(result.fonts, QStringList());
    QCOMPARE(result.notes, QStringList{u"the archive lists 100001 entries, more than any document holds"_s});
}

// The pass that finds <a:latin> names against the pattern it stands in for.
namespace {
QStringList byPattern(const QString &text)
{
    ScanCollector collected;
    collectFontMatches(text, fontPattern(uR"re(<a:latin[^>]*typeface=\"([^^\"]+)\")re"_s),
                       CaptureGroups::first, collected);
    return collected.names();
}

QStringList byPass(const QString &text)
{
    ScanCollector collected;
    collectLatinTypefaces(text, collected);
    return collected.names();
}
} // namespace

void FontScannerTest::latinPassAgreesWithThePattern()
{
    const QStringList texts = {
        uR"(<a:latin typeface="Arial" pitchFamily="34"/>)"_s,
        // The last attribute before the bracket wins.
        uR"(<a:latin typeface="First" typeface="Second"/>)"_s,
        // A later value that cannot close.
        uR"(<a:latin typeface="Good" typeface="Ba^d"/>)"_s,
        // A value that runs over a bracket, an attribute after the bracket, an empty value.
        uR"(<a:latin typeface="A>B"/>)"_s,
        uR"(<a:latin><x typeface="Late"/>)"_s,
        uR"(<a:latin typeface=""/><a:latin typeface="Next"/>)"_s,
        // Nested starts, no closing quote, a longer element name, line breaks, text ending in the run.
        uR"(<a:latin <a:latin typeface="Inner"/>)"_s,
        uR"(<a:latin typeface="Open)"_s,
        uR"(<a:latinx typeface="Prefix"/>)"_s,
        u"<a:latin\r\n typeface=\"Multi\nLine\"/>"_s,
        u"<a:latin typeface"_s,
    };
    for (const QString &text : texts)
        QVERIFY2(byPass(text) == byPattern(text), qPrintable(u"differs on: "_s + text));

    // Texts made of the pieces that matter, in every order: the pass must find what the pattern finds.
    const QStringList pieces = {u"<a:latin"_s, u" typeface=\""_s, u"typeface="_s, u"\""_s, u"^"_s, u">"_s,
                                u"/>"_s,       u"Name"_s,         u" "_s,         u"\n"_s, u"<"_s, u"x"_s};
    QRandomGenerator random(20261206);
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int count = random.bounded(1, 40);
        for (int i = 0; i < count; ++i)
            text += pieces[random.bounded(qsizetype(pieces.size()))];
        const QStringList expected = byPattern(text);
        if (byPass(text) != expected)
            QFAIL(qPrintable(u"differs on: "_s + text));
    }
}

namespace {
// The notes of an ordinary user's walk of `folder` ("incomplete" last if so), run in a child process.
QStringList notesOfAnOrdinaryUsersWalk(const QString &folder)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return {u"no pipe"_s};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(1);
        const PresentationWalk walk = findPresentations(folder);
        const QByteArray answer =
            (walk.notes + (walk.isComplete ? QStringList() : QStringList{u"incomplete"_s}))
                .join(u'\n')
                .toUtf8();
        ::_exit(::write(channel[1], answer.constData(), size_t(answer.size())) == answer.size() ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray answer;
    char buffer[4096];
    for (ssize_t count; (count = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, count);
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    return QString::fromUtf8(answer).split(u'\n', Qt::SkipEmptyParts);
}
} // namespace

void FontScannerTest::walkingAFolder()
{
    // Links are followed only while they stay inside the folder given; the others are noted.
    const QString root = deckPath(u"walk"_s);
    QVERIFY(QDir().mkpath(root + u"/inside"_s) && QDir().mkpath(deckPath(u"outside"_s)));
    QVERIFY(test::writeFile(root + u"/inside/A.pptx"_s, "a") &&
            test::writeFile(deckPath(u"outside/B.pptx"_s), "b"));
    for (const auto &[target, link] :
         {std::pair<QString, QString>{root + u"/inside/A.pptx"_s, u"Again.pptx"_s},
          {deckPath(u"outside"_s), u"elsewhere"_s},
          {deckPath(u"outside/B.pptx"_s), u"B.pptx"_s},
          {u"/"_s, u"everything"_s}})
        QVERIFY(QFile::link(target, root + u'/' + link));
    const PresentationWalk walk = findPresentations(root);
    QCOMPARE(walk.presentations, QStringList{root + u"/Again.pptx"_s});
    QCOMPARE(sorted(walk.notes),
             (QStringList{root + u"/B.pptx: a link out of the folder, not followed"_s,
                          root + u"/elsewhere: a link out of the folder, not followed"_s,
                          root + u"/everything: a link out of the folder, not followed"_s}));
    QVERIFY(walk.isComplete);

    // A folder that may be listed but not searched hides its decks: it is told, and the walk incomplete.
    const QString unsearchable = deckPath(u"unsearchable/sub"_s);
    QVERIFY(QDir().mkpath(unsearchable) && test::writeFile(unsearchable + u"/C.pptx"_s, "c"));
    QVERIFY(::chmod(QFile::encodeName(m_decks.path()).constData(), 0755) == 0 &&
            ::chmod(QFile::encodeName(unsearchable).constData(), 0644) == 0);
    const QStringList notes = notesOfAnOrdinaryUsersWalk(deckPath(u"unsearchable"_s));
    QVERIFY(::chmod(QFile::encodeName(unsearchable).constData(), 0755) == 0);
    QCOMPARE(notes, (QStringList{unsearchable + u": its entries cannot be looked at (Permission denied)"_s,
                                 u"incomplete"_s}));
}

QTEST_GUILESS_MAIN(FontScannerTest)
#include "tst_fontscanner.moc"
