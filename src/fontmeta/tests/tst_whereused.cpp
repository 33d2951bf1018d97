// Which fonts text draws and where, against documents made here and against the real documents with the
// presentation programs' own lists of the fonts they use.
#include "../office/tests/testdocuments.h"
#include <fontmeta/documentreader.h>
#include <fontmeta/fontlist.h>
#include <fontmeta/office/ooxmlfonts.h>
#include <platform/ziparchive.h>

#include <QDir>
#include <QTest>
#include <QXmlStreamReader>

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
    QByteArray xml = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const auto &[id, type, target] : relationships)
        xml += "<Relationship Id=\"" + QByteArray(id) + "\" Type=\"" + Rel + '/' + type + "\" Target=\"" +
               target + "\"/>";
    return xml + "</Relationships>";
}

QByteArray part(const char *root, const QByteArray &body)
{
    return "<p:" + QByteArray(root) + " xmlns:p=\"" + Pml + "\" xmlns:a=\"" + Dml + "\" xmlns:r=\"" + Rel +
           "\">" + body + "</p:" + root + '>';
}

QByteArray shapes(const QByteArray &body)
{
    return "<p:cSld><p:spTree>" + body + "</p:spTree></p:cSld>";
}

// A shape: a placeholder when `placeholder` is given ("type=\"title\""), its paragraphs as given.
QByteArray shape(const QByteArray &placeholder, const QByteArray &paragraphs, const QByteArray &style = {})
{
    const QByteArray ph = placeholder.isNull() ? QByteArray() : "<p:ph " + placeholder + "/>";
    return "<p:sp><p:nvSpPr><p:nvPr>" + ph + "</p:nvPr></p:nvSpPr>" + style + "<p:txBody>" + paragraphs +
           "</p:txBody></p:sp>";
}

QByteArray level(int number, const QByteArray &properties)
{
    const QByteArray name = "a:lvl" + QByteArray::number(number) + "pPr";
    return '<' + name + '>' + properties + "</" + name + '>';
}

QByteArray latin(const char *typeface)
{
    return "<a:defRPr><a:latin typeface=\"" + QByteArray(typeface) + "\"/></a:defRPr>";
}

QByteArray theme(const char *major, const char *minor)
{
    return "<a:theme xmlns:a=\"" + Dml +
           "\"><a:themeElements><a:fontScheme><a:majorFont><a:latin typeface=\"" + major +
           "\"/></a:majorFont><a:minorFont><a:latin typeface=\"" + minor +
           "\"/></a:minorFont></a:fontScheme></a:themeElements></a:theme>";
}

const QByteArray PlainRun = "<a:p><a:r><a:rPr lang=\"en-US\"/><a:t>x</a:t></a:r></a:p>";

// A master whose title and body inherit the theme fonts and whose second bullet level names a font
// that no slide reaches; two slides, one with a chart; notes on the second.
Members deckMembers()
{
    return {
        {u"[Content_Types].xml"_s,
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {u"_rels/.rels"_s, rels({{"rId1", "officeDocument", "ppt/presentation.xml"}})},
        {u"ppt/presentation.xml"_s,
         part("presentation", "<p:sldMasterIdLst><p:sldMasterId r:id=\"rId1\"/></p:sldMasterIdLst>"
                              "<p:notesMasterIdLst><p:notesMasterId r:id=\"rId4\"/></p:notesMasterIdLst>"
                              "<p:sldIdLst><p:sldId r:id=\"rId2\"/><p:sldId r:id=\"rId3\"/></p:sldIdLst>"
                              "<p:defaultTextStyle>" +
                                  level(1, latin("+mn-lt")) + "</p:defaultTextStyle>")},
        {u"ppt/_rels/presentation.xml.rels"_s,
         rels({{"rId1", "slideMaster", "slideMasters/slideMaster1.xml"},
               {"rId2", "slide", "slides/slide1.xml"},
               {"rId3", "slide", "slides/slide2.xml"},
               {"rId4", "notesMaster", "notesMasters/notesMaster1.xml"}})},
        {u"ppt/theme/theme1.xml"_s, theme("Major Face", "Minor Face")},
        {u"ppt/theme/theme2.xml"_s, theme("Notes Major", "Notes Minor")},
        {u"ppt/slideMasters/slideMaster1.xml"_s,
         part("sldMaster",
              shapes(shape("type=\"title\"", {}) + shape("type=\"body\" idx=\"1\"", {})) +
                  "<p:txStyles><p:titleStyle>" + level(1, latin("+mj-lt")) + "</p:titleStyle><p:bodyStyle>" +
                  level(1, "<a:buFont typeface=\"Bullet One\"/><a:buChar char=\"*\"/>" + latin("+mn-lt")) +
                  level(2, "<a:buFont typeface=\"Ghost Bullet\"/><a:buChar char=\"-\"/>") +
                  "</p:bodyStyle><p:otherStyle>" + level(1, latin("Other Face")) +
                  "</p:otherStyle></p:txStyles>")},
        {u"ppt/slideMasters/_rels/slideMaster1.xml.rels"_s,
         rels({{"rId1", "theme", "../theme/theme1.xml"},
               {"rId2", "slideLayout", "../slideLayouts/slideLayout1.xml"}})},
        {u"ppt/slideLayouts/slideLayout1.xml"_s,
         part("sldLayout", shapes(shape("type=\"title\"", {}) + shape("idx=\"1\"", {})))},
        {u"ppt/slideLayouts/_rels/slideLayout1.xml.rels"_s,
         rels({{"rId1", "slideMaster", "../slideMasters/slideMaster1.xml"}})},
        // Text without a font of its own: the title from the master's title style (the theme's major
        // font), the body from its body style, with its bullet.
        {u"ppt/slides/slide1.xml"_s,
         part("sld", shapes(shape("type=\"title\"", PlainRun) + shape("idx=\"1\"", PlainRun)))},
        {u"ppt/slides/_rels/slide1.xml.rels"_s,
         rels({{"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"}})},
        // A text box with a run of its own, an empty shape whose style names the minor font, a chart.
        {u"ppt/slides/slide2.xml"_s,
         part("sld",
              shapes(shape({}, "<a:p><a:r><a:rPr><a:latin typeface=\"Slide Face\"/></a:rPr><a:t>y</a:t>"
                               "</a:r></a:p>") +
                     "<p:sp><p:style><a:fontRef idx=\"major\"/></p:style></p:sp>"))},
        {u"ppt/slides/_rels/slide2.xml.rels"_s,
         rels({{"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"},
               {"rId2", "chart", "../charts/chart1.xml"},
               {"rId3", "notesSlide", "../notesSlides/notesSlide1.xml"}})},
        {u"ppt/charts/chart1.xml"_s,
         "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart/>"
         "</c:chartSpace>"},
        {u"ppt/notesMasters/notesMaster1.xml"_s,
         part("notesMaster", shapes(shape("type=\"body\" idx=\"1\"", {})) + "<p:notesStyle>" +
                                 level(1, latin("+mn-lt")) + "</p:notesStyle>")},
        {u"ppt/notesMasters/_rels/notesMaster1.xml.rels"_s, rels({{"rId1", "theme", "../theme/theme2.xml"}})},
        {u"ppt/notesSlides/notesSlide1.xml"_s,
         part("notes",
              shapes(shape("type=\"body\" idx=\"1\"",
                           PlainRun +
                               "<a:p><a:r><a:rPr><a:latin typeface=\"Notes Only\"/></a:rPr></a:r></a:p>")))},
        {u"ppt/notesSlides/_rels/notesSlide1.xml.rels"_s,
         rels({{"rId1", "notesMaster", "../notesMasters/notesMaster1.xml"}})},
    };
}

QMap<QString, ListedFont> byName(const QList<ListedFont> &fonts)
{
    QMap<QString, ListedFont> map;
    for (const ListedFont &font : fonts)
        map.insert(font.name, font);
    return map;
}

QStringList usedNames(const QList<ListedFont> &fonts, bool used)
{
    QStringList names;
    for (const ListedFont &font : fonts) {
        if (font.used == used)
            names.append(font.name);
    }
    names.sort();
    return names;
}

// The first group of docProps/app.xml's heading pairs when its heading says it lists fonts.
QStringList fontsUsedFromAppProperties(const QString &path)
{
    static const QStringList headings{u"Fonts Used"_s, u"Gebruikte lettertypen"_s,
                                      u"Verwendete Schriftarten"_s};
    const auto archive = ZipArchive::openFile(path);
    const int index = archive ? archive->indexOf(u"docProps/app.xml"_s) : -1;
    if (index < 0)
        return {};
    QXmlStreamReader xml(archive->read(index, 1 << 20).value_or(QByteArray()));
    QStringList headingPairs;
    QStringList titles;
    QStringList *into = nullptr;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"HeadingPairs")
            into = &headingPairs;
        else if (xml.name() == u"TitlesOfParts")
            into = &titles;
        else if (into && (xml.name() == u"lpstr" || xml.name() == u"i4"))
            into->append(xml.readElementText());
    }
    if (headingPairs.size() < 2 || !headings.contains(headingPairs[0]))
        return {};
    QStringList fonts = titles.mid(0, headingPairs[1].toInt());
    fonts.sort();
    return fonts;
}

} // namespace

class WhereUsedTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void madeDeck_data();
    void madeDeck();
    void realDocuments_data();
    void realDocuments();
};

void WhereUsedTest::madeDeck_data()
{
    QTest::addColumn<QString>("font");
    QTest::addColumn<QStringList>("usedIn"); // empty: declared only
    QTest::newRow("theme major font, only inherited by a title")
        << u"Major Face"_s << QStringList{u"slide 1"_s};
    QTest::newRow("minor font: inherited body text, a chart")
        << u"Minor Face"_s << QStringList{u"slide 1"_s, u"slide 2"_s};
    QTest::newRow("bullet of the level the slide uses") << u"Bullet One"_s << QStringList{u"slide 1"_s};
    QTest::newRow("bullet of a level no slide uses") << u"Ghost Bullet"_s << QStringList{};
    QTest::newRow("style no slide text reaches") << u"Other Face"_s << QStringList{};
    QTest::newRow("a run's own face") << u"Slide Face"_s << QStringList{u"slide 2"_s};
    QTest::newRow("notes page inherits its master's theme")
        << u"Notes Minor"_s << QStringList{u"notes page 2"_s};
    QTest::newRow("a face only a notes page uses") << u"Notes Only"_s << QStringList{u"notes page 2"_s};
}

void WhereUsedTest::madeDeck()
{
    QFETCH(QString, font);
    QFETCH(QStringList, usedIn);
    const auto archive = ZipArchive::openData(buildZip(deckMembers()));
    QVERIFY(archive);
    const ReadResult result = readOoxmlFonts(*archive);
    QVERIFY2(result.notes.isEmpty(), qPrintable(result.notes.join(u'\n')));
    const QMap<QString, ListedFont> fonts = byName(listFonts(result));
    QVERIFY2(fonts.contains(font), qPrintable(fonts.keys().join(u", ")));
    QCOMPARE(fonts[font].usedIn, usedIn);
    QCOMPARE(fonts[font].used, !usedIn.isEmpty());
    QVERIFY(!fonts[font].places.isEmpty());
    QVERIFY(!fonts.contains(u"Notes Major"_s)); // a theme slot that nothing names
}

void WhereUsedTest::realDocuments_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("used");
    QTest::addColumn<QStringList>("declaredOnly");
    // What the program's own list has beyond what the text draws: PowerPoint lists the faces its masters'
    // styles name (bullet levels 2-9, the body style's minor font) whether or not any text uses them.
    QTest::addColumn<QStringList>("listedButUnused");
    const QStringList none;
    QTest::newRow("pptx/fixture-office365.pptx")
        << u"pptx/fixture-office365.pptx"_s << QStringList{u"Calibri"_s, u"Segoe UI Light"_s}
        << QStringList{u"Arial"_s, u"Segoe UI"_s} << QStringList{u"Arial"_s, u"Segoe UI"_s};
    QTest::newRow("pptx/txt-font-typeface.pptx")
        << u"pptx/txt-font-typeface.pptx"_s
        << QStringList{u"Arial"_s,         u"Arial Black"_s, u"Calibri"_s, u"Hiragino Sans GB W3"_s,
                       u"Lucida Grande"_s, u"Verdana"_s}
        << none << none;
    QTest::newRow("pptx/shp-shapes.pptx")
        << u"pptx/shp-shapes.pptx"_s << QStringList{u"Arial"_s, u"Calibri"_s} << none << none;
    QTest::newRow("pptx/sld-notes.pptx")
        << u"pptx/sld-notes.pptx"_s << QStringList{u"Calibri"_s} << QStringList{u"Arial"_s} << none;
    QTest::newRow("pptx/embedded-simple-2007.pptx")
        << u"pptx/embedded-simple-2007.pptx"_s << QStringList{u"Arial"_s, u"Calibri"_s} << none << none;
    QTest::newRow("pptx/fixture2-libreoffice.pptx")
        << u"pptx/fixture2-libreoffice.pptx"_s << QStringList{u"Arial"_s}
        << QStringList{u"Symbol"_s, u"Times New Roman"_s, u"Wingdings"_s} << none;
    // Binary documents: the document summary's list decides, where PowerPoint wrote one.
    QTest::newRow("ppt/embedded-simple-2007.ppt")
        << u"ppt/embedded-simple-2007.ppt"_s << QStringList{u"Arial"_s, u"Calibri"_s} << none << none;
    QTest::newRow("ppt/raw_text.ppt")
        << u"ppt/raw_text.ppt"_s << QStringList{u"Arial"_s, u"Calibri"_s, u"ＭＳ Ｐゴシック"_s} << none
        << none;
    QTest::newRow("ppt/filetype-libreoffice.ppt")
        << u"ppt/filetype-libreoffice.ppt"_s
        << QStringList{u"Arial"_s, u"DejaVu Sans"_s, u"Droid Sans Fallback"_s, u"Times New Roman"_s,
                       u"WenQuanYi Zen Hei"_s}
        << none << none;
    // Keynote: the styles the slides' text storages reach; the legacy format is not followed that far.
    const QStringList keynote6Declared{u"Helvetica"_s, u"Helvetica-Bold"_s, u"Helvetica-Light"_s,
                                       u"HelveticaNeue"_s, u"MarkerFelt-Thin"_s};
    QTest::newRow("key/simple-oneslide.key")
        << u"key/simple-oneslide.key"_s
        << QStringList{u"HelveticaNeue"_s, u"HelveticaNeue-Medium"_s, u"HelveticaNeue-Thin"_s}
        << QStringList{u"GillSans"_s,
                       u"Helvetica"_s,
                       u"Helvetica-Light"_s,
                       u"HelveticaNeue-Bold"_s,
                       u"HelveticaNeue-Italic"_s,
                       u"HelveticaNeue-Light"_s}
        << none;
    QTest::newRow("key/package-keynote6.key")
        << u"key/package-keynote6.key"_s << QStringList{u"GillSans"_s, u"LucidaGrande"_s} << keynote6Declared
        << none;
    QTest::newRow("key/zipped-package.key")
        << u"key/zipped-package.key"_s << QStringList{u"GillSans"_s, u"LucidaGrande"_s} << keynote6Declared
        << none;
    QTest::newRow("key/osaka09-01.key")
        << u"key/osaka09-01.key"_s << QStringList{u"GillSans"_s, u"LucidaGrande"_s, u"MarkerFelt-Thin"_s}
        << none << none;
    QTest::newRow("ppt/plain.ppt") << u"ppt/plain.ppt"_s
                                   << QStringList{u"Arial"_s, u"Calibri"_s, u"Calibri Light"_s} << none
                                   << none;
}

void WhereUsedTest::realDocuments()
{
    QFETCH(QString, file);
    QFETCH(QStringList, used);
    QFETCH(QStringList, declaredOnly);
    QFETCH(QStringList, listedButUnused);
    const QString path = QDir(QStringLiteral(KERNWICK_FIXTURES_DIR)).filePath(file);
    const ReadResult result = readDocumentFonts(path);
    const QList<ListedFont> fonts = listFonts(result);
    QCOMPARE(usedNames(fonts, true), used);
    QCOMPARE(usedNames(fonts, false), declaredOnly);

    QStringList ownList;
    if (file.endsWith(u".pptx")) {
        ownList = fontsUsedFromAppProperties(path);
        for (const ListedFont &font : fonts)
            QCOMPARE(font.usedInKnown, true);
    } else if (file.endsWith(u".ppt")) {
        // LibreOffice writes no list: then every font counts as used, places unknown.
        QCOMPARE(result.drawnFonts,
                 file.contains(u"libreoffice") ? DrawnFonts::Unknown : DrawnFonts::NamesOnly);
        for (const FontUse &use : result.drawnUses)
            ownList.append(use.fontName);
        ownList.sort();
    }
    if (!ownList.isEmpty()) {
        QStringList expected = used + listedButUnused;
        expected.sort();
        QCOMPARE(ownList, expected);
    }
}

QTEST_GUILESS_MAIN(WhereUsedTest)
#include "tst_whereused.moc"
