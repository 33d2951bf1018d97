#include "testdocuments.h"
#include <fontmeta/office/ooxmlfonts.h>
#include <platform/ziparchive.h>

#include <QDir>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace kernwick;
using namespace kernwick::fontmeta;
using namespace kernwick::fontmeta::testing;

namespace {

const QByteArray Pml = "http://schemas.openxmlformats.org/presentationml/2006/main";
const QByteArray Dml = "http://schemas.openxmlformats.org/drawingml/2006/main";
const QByteArray Rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

QByteArray rels(const QList<std::array<const char *, 3>> &relationships)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const auto &[id, type, target] : relationships) {
        xml += "<Relationship Id=\"" + QByteArray(id) + "\" Type=\"" + Rel + '/' + type + "\" Target=\"" +
               target + "\"/>";
    }
    return xml + "</Relationships>";
}

// A part of PresentationML whose body is DrawingML text (prefixes p: and a:, relationships r:).
QByteArray part(const char *root, const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:" + QByteArray(root) + " xmlns:p=\"" + Pml +
           "\" xmlns:a=\"" + Dml + "\" xmlns:r=\"" + Rel + "\">" + body + "</p:" + root + '>';
}

QByteArray run(const QByteArray &typefaces)
{
    return "<p:cSld><p:spTree><p:sp><p:txBody><a:p><a:r><a:rPr>" + typefaces +
           "</a:rPr><a:t>x</a:t></a:r></a:p></p:txBody></p:sp></p:spTree></p:cSld>";
}

QByteArray theme(const QByteArray &major, const QByteArray &minor, const QByteArray &minorEa = {})
{
    return "<a:theme xmlns:a=\"" + Dml +
           "\" name=\"T\"><a:themeElements><a:fontScheme name=\"F\">"
           "<a:majorFont><a:latin typeface=\"" +
           major +
           "\"/><a:ea typeface=\"\"/><a:cs typeface=\"\"/>"
           "<a:font script=\"Jpan\" typeface=\"Supplemental Major\"/></a:majorFont>"
           "<a:minorFont><a:latin typeface=\"" +
           minor + "\"/><a:ea typeface=\"" + minorEa +
           "\"/><a:cs typeface=\"\"/>"
           "<a:font script=\"Hang\" typeface=\"Supplemental Minor\"/></a:minorFont>"
           "</a:fontScheme></a:themeElements>"
           "<a:objectDefaults><a:txDef><a:bodyPr/><a:lstStyle/><a:p><a:pPr><a:defRPr><a:latin "
           "typeface=\"Theme Default\"/>"
           "</a:defRPr></a:pPr></a:p></a:txDef></a:objectDefaults></a:theme>";
}

// Two masters with their own themes, layouts, slides on each, notes, a chart with a theme override.
Members themedPackage()
{
    return {
        {u"[Content_Types].xml"_s,
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {u"_rels/.rels"_s, rels({{"rId1", "officeDocument", "ppt/presentation.xml"}})},
        {u"ppt/presentation.xml"_s,
         part(
             "presentation",
             "<p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" r:id=\"rId1\"/>"
             "<p:sldMasterId id=\"2147483650\" r:id=\"rId2\"/></p:sldMasterIdLst>"
             "<p:notesMasterIdLst><p:notesMasterId r:id=\"rId5\"/></p:notesMasterIdLst>"
             "<p:sldIdLst><p:sldId id=\"256\" r:id=\"rId4\"/><p:sldId id=\"257\" r:id=\"rId3\"/></p:sldIdLst>"
             "<p:embeddedFontLst><p:embeddedFont><p:font typeface=\"Embedded Face\"/><p:regular "
             "r:id=\"rId9\"/>"
             "</p:embeddedFont></p:embeddedFontLst>"
             "<p:defaultTextStyle><a:lvl1pPr><a:defRPr><a:latin typeface=\"+mn-lt\"/></a:defRPr></a:lvl1pPr>"
             "</p:defaultTextStyle>")},
        {u"ppt/_rels/presentation.xml.rels"_s,
         rels({{"rId1", "slideMaster", "slideMasters/slideMaster1.xml"},
               {"rId2", "slideMaster", "/ppt/slideMasters/slideMaster2.xml"},
               {"rId3", "slide", "slides/slide1.xml"},
               {"rId4", "slide", "slides/slide2.xml"},
               {"rId5", "notesMaster", "notesMasters/notesMaster1.xml"},
               {"rId6", "theme", "theme/theme1.xml"},
               {"rId7", "tableStyles", "tableStyles.xml"}})},
        {u"ppt/theme/theme1.xml"_s, theme("Major One", "Minor One")},
        {u"ppt/theme/theme2.xml"_s, theme("Major Two", "Minor Two", "EA Two")},
        {u"ppt/theme/theme3.xml"_s, theme("Notes Major", "Notes Minor")},
        {u"ppt/theme/themeOverride1.xml"_s,
         "<a:themeOverride xmlns:a=\"" + Dml +
             "\"><a:fontScheme name=\"O\"><a:majorFont><a:latin typeface=\"Override Major\"/>"
             "</a:majorFont><a:minorFont><a:latin typeface=\"Override "
             "Minor\"/></a:minorFont></a:fontScheme></a:themeOverride>"},
        {u"ppt/slideMasters/slideMaster1.xml"_s,
         part("sldMaster",
              "<p:txStyles><p:titleStyle><a:lvl1pPr><a:buFont typeface=\"Bullet One\"/><a:defRPr>"
              "<a:latin typeface=\"+mj-lt\"/></a:defRPr></a:lvl1pPr></p:titleStyle></p:txStyles>"
              "<p:sldLayoutIdLst><p:sldLayoutId r:id=\"rId2\"/></p:sldLayoutIdLst>")},
        {u"ppt/slideMasters/_rels/slideMaster1.xml.rels"_s,
         rels({{"rId1", "theme", "../theme/theme1.xml"},
               {"rId2", "slideLayout", "../slideLayouts/slideLayout1.xml"}})},
        {u"ppt/slideMasters/slideMaster2.xml"_s,
         part("sldMaster", run("<a:latin typeface=\"Master Two Face\"/>"))},
        {u"ppt/slideMasters/_rels/slideMaster2.xml.rels"_s,
         rels({{"rId1", "theme", "../theme/theme2.xml"},
               {"rId2", "slideLayout", "../slideLayouts/slideLayout2.xml"}})},
        {u"ppt/slideLayouts/slideLayout1.xml"_s, part("sldLayout", run("<a:cs typeface=\"Layout Face\"/>"))},
        {u"ppt/slideLayouts/_rels/slideLayout1.xml.rels"_s,
         rels({{"rId1", "slideMaster", "../slideMasters/slideMaster1.xml"}})},
        {u"ppt/slideLayouts/slideLayout2.xml"_s, part("sldLayout", "")},
        {u"ppt/slideLayouts/_rels/slideLayout2.xml.rels"_s,
         rels({{"rId1", "slideMaster", "../slideMasters/slideMaster2.xml"}})},
        // The first slide shown uses the second master, through its layout.
        {u"ppt/slides/slide2.xml"_s,
         part("sld",
              run("<a:latin typeface=\"+mn-lt\"/><a:ea typeface=\"+mn-ea\"/><a:cs typeface=\"+mn-cs\"/>"
                  "<a:sym typeface=\"Symbol Face\"/><a:latin typeface=\"\"/><a:latin typeface=\"+mj-zz\"/>"
                  "<a:latin typeface=\"Caf&#233; &amp; Bar\"/><a:ea typeface=\"ＭＳ Ｐゴシック\"/>") +
                  "<p:style><a:fontRef idx=\"major\"/></p:style>")},
        {u"ppt/slides/_rels/slide2.xml.rels"_s,
         rels({{"rId1", "slideLayout", "../slideLayouts/slideLayout2.xml"},
               {"rId2", "chart", "../charts/chart1.xml"},
               {"rId3", "notesSlide", "../notesSlides/notesSlide1.xml"},
               {"rId4", "slide", "slide1.xml"}})},
        {u"ppt/slides/slide1.xml"_s, part("sld", run("<a:latin typeface=\"+mj-lt\"/>"))},
        {u"ppt/slides/_rels/slide1.xml.rels"_s,
         rels({{"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"}})},
        {u"ppt/charts/chart1.xml"_s,
         "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" xmlns:a=\"" + Dml +
             "\"><c:txPr><a:p><a:pPr><a:defRPr><a:latin "
             "typeface=\"+mn-lt\"/></a:defRPr></a:pPr></a:p></c:txPr>"
             "</c:chartSpace>"},
        {u"ppt/charts/_rels/chart1.xml.rels"_s,
         rels({{"rId1", "themeOverride", "../theme/themeOverride1.xml"}})},
        {u"ppt/notesSlides/notesSlide1.xml"_s, part("notes", run("<a:latin typeface=\"+mn-lt\"/>"))},
        {u"ppt/notesSlides/_rels/notesSlide1.xml.rels"_s,
         rels({{"rId1", "notesMaster", "../notesMasters/notesMaster1.xml"}})},
        {u"ppt/notesMasters/notesMaster1.xml"_s, part("notesMaster", "")},
        {u"ppt/notesMasters/_rels/notesMaster1.xml.rels"_s, rels({{"rId1", "theme", "../theme/theme3.xml"}})},
        {u"ppt/tableStyles.xml"_s,
         "<a:tblStyleLst xmlns:a=\"" + Dml +
             "\"><a:tblStyle><a:wholeTbl><a:tcTxStyle><a:font><a:latin typeface=\"Table Face\"/>"
             "</a:font></a:tcTxStyle></a:wholeTbl></a:tblStyle></a:tblStyleLst>"},
        {u"ppt/media/image1.png"_s, "<a:latin typeface=\"Not A Part\"/>"},
    };
}

const QList<std::pair<QString, QString>> ThemedPackageUses = {
    {u"Embedded Face"_s, u"embedded font list"_s},
    {u"Minor One"_s, u"default text style (theme minor font)"_s},
    {u"Bullet One"_s, u"slide master 1"_s},
    {u"Major One"_s, u"slide master 1 (theme major font)"_s},
    {u"Layout Face"_s, u"slide layout 1"_s},
    {u"Master Two Face"_s, u"slide master 2"_s},
    {u"Minor Two"_s, u"slide 1 (theme minor font)"_s},
    {u"EA Two"_s, u"slide 1 (theme minor font)"_s},
    {u"Symbol Face"_s, u"slide 1"_s},
    {u"Café & Bar"_s, u"slide 1"_s},
    {u"ＭＳ Ｐゴシック"_s, u"slide 1"_s},
    {u"Major Two"_s, u"slide 1 (theme major font)"_s},
    {u"Notes Minor"_s, u"notes slide 1 (theme minor font)"_s},
    {u"Override Minor"_s, u"chart 1 (theme minor font)"_s},
    {u"Major One"_s, u"slide 2 (theme major font)"_s},
    {u"Table Face"_s, u"table styles"_s},
};

Members strict(Members members)
{
    for (auto &[name, data] : members) {
        data.replace(Pml, "http://purl.oclc.org/ooxml/presentationml/main");
        data.replace(Dml, "http://purl.oclc.org/ooxml/drawingml/main");
        data.replace("http://schemas.openxmlformats.org/drawingml/2006/chart",
                     "http://purl.oclc.org/ooxml/drawingml/chart");
        data.replace(Rel, "http://purl.oclc.org/ooxml/officeDocument/relationships");
    }
    return members;
}

Members replaced(Members members, const QString &name, const QByteArray &data)
{
    for (auto &[memberName, memberData] : members) {
        if (memberName == name)
            memberData = data;
    }
    return members;
}

ReadResult readPackage(const Members &members, bool store = false)
{
    const auto archive = ZipArchive::openData(buildZip(members, store));
    if (!archive)
        return {};
    return readOoxmlFonts(*archive);
}

QList<std::pair<QString, QString>> usePairs(const ReadResult &result)
{
    QList<std::pair<QString, QString>> pairs;
    for (const FontUse &use : result.uses)
        pairs.append({use.fontName, use.place});
    return pairs;
}

QSet<QString> names(const ReadResult &result)
{
    QSet<QString> set;
    for (const FontUse &use : result.uses)
        set.insert(use.fontName);
    return set;
}

bool noteMentions(const ReadResult &result, QStringView text)
{
    for (const QString &note : result.notes) {
        if (note.contains(text))
            return true;
    }
    return false;
}

} // namespace

class TestOoxmlFonts final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fixtures_data();
    void fixtures();
    void themeResolution_data();
    void themeResolution();
    void relationshipCycles();
    void oversizedPartIsSkipped();
    void brokenParts_data();
    void brokenParts();
    void damagedArchives();
};

void TestOoxmlFonts::fixtures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("yields");
    QTest::addColumn<QStringList>("never");
    QTest::newRow("typeface") << u"txt-font-typeface.pptx"_s
                              << QStringList{u"Arial"_s,         u"Arial Black"_s,
                                             u"Calibri"_s,       u"Hiragino Sans GB W3"_s,
                                             u"Lucida Grande"_s, u"Verdana"_s}
                              << QStringList{u"ＭＳ Ｐゴシック"_s, u"맑은 고딕"_s, u"宋体"_s, u"新細明體"_s};
    QTest::newRow("shapes") << u"shp-shapes.pptx"_s << QStringList{u"Arial"_s, u"Calibri"_s}
                            << QStringList{u"ＭＳ Ｐゴシック"_s, u"宋体"_s};
    QTest::newRow("notes") << u"sld-notes.pptx"_s << QStringList{u"Arial"_s, u"Calibri"_s}
                           << QStringList{u"ＭＳ Ｐゴシック"_s};
    QTest::newRow("office365") << u"fixture-office365.pptx"_s
                               << QStringList{u"Arial"_s, u"Calibri"_s, u"Segoe UI"_s, u"Segoe UI Light"_s}
                               << QStringList{};
    QTest::newRow("2007") << u"embedded-simple-2007.pptx"_s << QStringList{u"Arial"_s, u"Calibri"_s}
                          << QStringList{u"ＭＳ Ｐゴシック"_s, u"맑은 고딕"_s, u"宋体"_s, u"新細明體"_s,
                                         u"Times New Roman"_s};
    QTest::newRow("libreoffice") << u"fixture2-libreoffice.pptx"_s
                                 << QStringList{u"Arial"_s, u"Symbol"_s, u"Times New Roman"_s, u"Wingdings"_s}
                                 << QStringList{};
}

void TestOoxmlFonts::fixtures()
{
    QFETCH(QString, file);
    QFETCH(QStringList, yields);
    QFETCH(QStringList, never);
    const auto archive =
        ZipArchive::openFile(QDir(QStringLiteral(KERNWICK_FIXTURES_DIR)).filePath(u"pptx/"_s + file));
    QVERIFY(archive);
    const ReadResult result = readOoxmlFonts(*archive);
    QStringList found = names(result).values();
    found.sort();
    QCOMPARE(found, yields);
    for (const QString &name : std::as_const(never))
        QVERIFY(!found.contains(name));
    for (const FontUse &use : result.uses)
        QVERIFY(!use.place.isEmpty());
    QVERIFY2(result.notes.isEmpty(), qPrintable(result.notes.join(u'\n')));
}

void TestOoxmlFonts::themeResolution_data()
{
    QTest::addColumn<Members>("members");
    QTest::newRow("transitional") << themedPackage();
    QTest::newRow("strict") << strict(themedPackage());
    // Part names in Open Packaging are case-insensitive, and targets are URIs.
    QTest::newRow("odd names") << replaced(themedPackage(), u"_rels/.rels"_s,
                                           rels({{"rId1", "officeDocument", "/PPT/%70resentation.xml"}}));
}

void TestOoxmlFonts::themeResolution()
{
    QFETCH(Members, members);
    const ReadResult result = readPackage(members);
    QCOMPARE(usePairs(result), ThemedPackageUses);
    QVERIFY2(result.notes.isEmpty(), qPrintable(result.notes.join(u'\n')));
}

void TestOoxmlFonts::relationshipCycles()
{
    Members members = themedPackage();
    // Every chain loops back: a layout whose master is itself, a master whose theme is a slide, a slide
    // that is its own layout and notes, a presentation that lists itself as a slide.
    members = replaced(members, u"ppt/slideLayouts/_rels/slideLayout1.xml.rels"_s,
                       rels({{"rId1", "slideMaster", "slideLayout1.xml"}}));
    members = replaced(members, u"ppt/slideMasters/_rels/slideMaster1.xml.rels"_s,
                       rels({{"rId1", "theme", "../slides/slide1.xml"},
                             {"rId2", "slideLayout", "../slideLayouts/slideLayout1.xml"},
                             {"rId3", "slideLayout", "slideMaster1.xml"}}));
    members = replaced(members, u"ppt/slides/_rels/slide1.xml.rels"_s,
                       rels({{"rId1", "slideLayout", "slide1.xml"},
                             {"rId2", "notesSlide", "slide1.xml"},
                             {"rId3", "chart", "../presentation.xml"},
                             {"rId4", "slideLayout", "../../../x.xml"}}));
    members.append({u"ppt/slides/slide3.xml"_s, part("sld", run("<a:latin typeface=\"Third\"/>"))});
    members = replaced(members, u"ppt/_rels/presentation.xml.rels"_s,
                       rels({{"rId1", "slideMaster", "slideMasters/slideMaster1.xml"},
                             {"rId3", "slide", "slides/slide1.xml"},
                             {"rId4", "slide", "presentation.xml"},
                             {"rId5", "slide", "slides/slide3.xml"},
                             {"rId6", "slide", "slides/slide3.xml"}}));
    const ReadResult result = readPackage(members);
    const QSet<QString> found = names(result);
    QVERIFY(found.contains(u"Bullet One"_s));
    QVERIFY(found.contains(u"Layout Face"_s));
    QVERIFY(found.contains(u"Third"_s));
    QVERIFY(!found.contains(u"Major One"_s)); // no theme can be reached any more
}

void TestOoxmlFonts::oversizedPartIsSkipped()
{
    // Inflates past the per-part cap from a small archive; the rest of the deck is still read.
    const QByteArray huge = part("sld", run("<a:latin typeface=\"Huge\"/>") + QByteArray(40 << 20, ' '));
    const ReadResult result = readPackage(replaced(themedPackage(), u"ppt/slides/slide1.xml"_s, huge));
    QVERIFY(!names(result).contains(u"Huge"_s));
    QVERIFY(names(result).contains(u"Major One"_s));
    QVERIFY2(noteMentions(result, u"ppt/slides/slide1.xml: skipped"), qPrintable(result.notes.join(u'\n')));
}

void TestOoxmlFonts::brokenParts_data()
{
    QTest::addColumn<QByteArray>("slide");
    QTest::addColumn<QString>("note");
    QTest::addColumn<bool>("keepsEarlierFonts");
    QByteArray nested = part("sld", run("<a:latin typeface=\"Before\"/>"));
    nested.insert(nested.lastIndexOf("</p:sld>"), QByteArray("<a:p>").repeated(200000));
    QTest::newRow("deeply nested") << nested << u"elements nested too deeply"_s << true;
    QTest::newRow("truncated") << part("sld", run("<a:latin typeface=\"Before\"/>")).left(400)
                               << u"not well-formed"_s << true;
    // Qt rejects a wrongly encoded part as a whole.
    QTest::newRow("not UTF-8")
        << part("sld", run("<a:latin typeface=\"Before\"/><a:latin typeface=\"\xff\xfe\x80\"/>"))
        << u"not well-formed"_s << false;
    const QByteArray laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE p:sld [<!ENTITY a \"aaaaaaaaaa\">"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>";
    QTest::newRow("entities")
        << laughs + part("sld", run("<a:latin typeface=\"Before\"/><a:latin typeface=\"&c;\"/>")).mid(38)
        << u"document type declarations are not allowed"_s << false;
    QTest::newRow("garbage") << QByteArray("\x00\x01garbage<<<>>>&&&", 17) << u"not well-formed"_s << false;
}

void TestOoxmlFonts::brokenParts()
{
    QFETCH(QByteArray, slide);
    QFETCH(QString, note);
    QFETCH(bool, keepsEarlierFonts);
    const ReadResult result = readPackage(replaced(themedPackage(), u"ppt/slides/slide1.xml"_s, slide));
    QVERIFY2(noteMentions(result, QString(u"ppt/slides/slide1.xml: "_s + note)),
             qPrintable(result.notes.join(u'\n')));
    const QSet<QString> found = names(result);
    QVERIFY(found.contains(u"Major One"_s)); // the other parts are still read
    QCOMPARE(found.contains(u"Before"_s), keepsEarlierFonts);
    for (const QString &name : found)
        QVERIFY(!name.contains(u"aaaa"));
}

void TestOoxmlFonts::damagedArchives()
{
    const QByteArray zip = buildZip(themedPackage());
    QVERIFY(ZipArchive::openData(zip));
    // Truncations and flipped bytes anywhere in the archive: whatever opens is read without harm.
    QRandomGenerator random(20240611);
    for (int round = 0; round < 200; ++round) {
        QByteArray damaged = zip.left(random.bounded(zip.size()));
        if (round % 2) {
            damaged = zip;
            for (int flips = 0; flips < 8; ++flips)
                damaged[random.bounded(damaged.size())] = char(random.bounded(256));
        }
        if (const auto archive = ZipArchive::openData(damaged))
            readOoxmlFonts(*archive);
    }
    QVERIFY(!ZipArchive::openData(QByteArray("PK\x03\x04 not really a zip")));
}

QTEST_GUILESS_MAIN(TestOoxmlFonts)
#include "tst_ooxmlfonts.moc"
