// Which fonts documents use and where: documents made here, the real documents, and the helper program as
// the scan driver and people use it.
#include <fontmeta/documentreader.h>
#include <fontmeta/fontlist.h>
#include <fontmeta/office/ooxmlfonts.h>
#include <fontmeta/office/tests/testdocuments.h>
#include <platform/ziparchive.h>
#include <scan/fontscanner.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <testsupport/testprocess.h>
#include <testsupport/testzip.h>

#include <tuple>

using namespace Qt::StringLiterals;
using namespace kernwick;
using namespace kernwick::fontmeta;
using namespace kernwick::fontmeta::testing;

namespace {

QByteArray shapes(const QByteArray &body)
{
    return "<p:cSld><p:spTree>" + body + "</p:spTree></p:cSld>";
}

// A shape: a placeholder when `placeholder` is given ("type=\"title\""), its paragraphs as given.
QByteArray shape(const QByteArray &placeholder, const QByteArray &paragraphs)
{
    const QByteArray ph = placeholder.isNull() ? QByteArray() : "<p:ph " + placeholder + "/>";
    return "<p:sp><p:nvSpPr><p:nvPr>" + ph + "</p:nvPr></p:nvSpPr><p:txBody>" + paragraphs +
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
        {u"_rels/.rels"_s, rels("rId1 officeDocument ppt/presentation.xml")},
        {u"ppt/presentation.xml"_s,
         part("presentation", "<p:sldMasterIdLst><p:sldMasterId r:id=\"rId1\"/></p:sldMasterIdLst>"
                              "<p:notesMasterIdLst><p:notesMasterId r:id=\"rId4\"/></p:notesMasterIdLst>"
                              "<p:sldIdLst><p:sldId r:id=\"rId2\"/><p:sldId r:id=\"rId3\"/></p:sldIdLst>"
                              "<p:defaultTextStyle>" +
                                  level(1, latin("+mn-lt")) + "</p:defaultTextStyle>")},
        {u"ppt/_rels/presentation.xml.rels"_s,
         rels("rId1 slideMaster slideMasters/slideMaster1.xml; rId2 slide slides/slide1.xml; "
              "rId3 slide slides/slide2.xml; rId4 notesMaster notesMasters/notesMaster1.xml")},
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
         rels("rId1 theme ../theme/theme1.xml; rId2 slideLayout ../slideLayouts/slideLayout1.xml")},
        {u"ppt/slideLayouts/slideLayout1.xml"_s,
         part("sldLayout", shapes(shape("type=\"title\"", {}) + shape("idx=\"1\"", {})))},
        {u"ppt/slideLayouts/_rels/slideLayout1.xml.rels"_s,
         rels("rId1 slideMaster ../slideMasters/slideMaster1.xml")},
        // Text without a font of its own: the title from the master's title style (the theme's major
        // font), the body from its body style, with its bullet.
        {u"ppt/slides/slide1.xml"_s,
         part("sld", shapes(shape("type=\"title\"", PlainRun) + shape("idx=\"1\"", PlainRun)))},
        {u"ppt/slides/_rels/slide1.xml.rels"_s, rels("rId1 slideLayout ../slideLayouts/slideLayout1.xml")},
        // A text box with a run of its own, an empty shape whose style names the minor font, a chart.
        {u"ppt/slides/slide2.xml"_s,
         part("sld",
              shapes(shape({}, "<a:p><a:r><a:rPr><a:latin typeface=\"Slide Face\"/></a:rPr><a:t>y</a:t>"
                               "</a:r></a:p>") +
                     "<p:sp><p:style><a:fontRef idx=\"major\"/></p:style></p:sp>"))},
        {u"ppt/slides/_rels/slide2.xml.rels"_s,
         rels("rId1 slideLayout ../slideLayouts/slideLayout1.xml; rId2 chart ../charts/chart1.xml; "
              "rId3 notesSlide ../notesSlides/notesSlide1.xml")},
        {u"ppt/charts/chart1.xml"_s,
         "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart/>"
         "</c:chartSpace>"},
        {u"ppt/notesMasters/notesMaster1.xml"_s,
         part("notesMaster", shapes(shape("type=\"body\" idx=\"1\"", {})) + "<p:notesStyle>" +
                                 level(1, latin("+mn-lt")) + "</p:notesStyle>")},
        {u"ppt/notesMasters/_rels/notesMaster1.xml.rels"_s, rels("rId1 theme ../theme/theme2.xml")},
        {u"ppt/notesSlides/notesSlide1.xml"_s,
         part("notes",
              shapes(shape("type=\"body\" idx=\"1\"",
                           PlainRun +
                               "<a:p><a:r><a:rPr><a:latin typeface=\"Notes Only\"/></a:rPr></a:r></a:p>")))},
        {u"ppt/notesSlides/_rels/notesSlide1.xml.rels"_s,
         rels("rId1 notesMaster ../notesMasters/notesMaster1.xml")},
    };
}

// A run of `text` with these properties ("<a:latin typeface=\"X\"/>") and attributes ("lang=\"ja-JP\"").
QByteArray textRun(const QByteArray &text, const QByteArray &faces = {}, const QByteArray &attributes = {})
{
    return "<a:r><a:rPr " + attributes + '>' + faces + "</a:rPr><a:t>" + text + "</a:t></a:r>";
}

QByteArray face(const char *slot, const char *typeface)
{
    return "<a:" + QByteArray(slot) + " typeface=\"" + typeface + "\"/>";
}

// One master (title and body placeholders, a text box drawn behind the slides that show it), one layout
// (a text box of its own), the slides given (their shape trees), a table style, and a theme whose minor
// font leaves the East Asian and complex-script slots to its per-script faces. Members in `extra` are
// added or take the place of those of the same name.
Members slotDeck(const QList<QByteArray> &slides, const Members &extra = {})
{
    QByteArray slideList;
    QByteArray slideRels;
    Members members{
        {u"[Content_Types].xml"_s,
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {u"_rels/.rels"_s, rels("rId1 officeDocument ppt/presentation.xml")},
        {u"ppt/theme/theme1.xml"_s,
         "<a:theme xmlns:a=\"" + Dml +
             "\"><a:themeElements><a:fontScheme><a:majorFont><a:latin typeface=\"Major Face\"/></a:majorFont>"
             "<a:minorFont><a:latin typeface=\"Minor Face\"/><a:ea typeface=\"\"/><a:cs typeface=\"\"/>"
             "<a:font script=\"Jpan\" typeface=\"Gothic Face\"/><a:font script=\"Hans\" typeface=\"Song "
             "Face\"/>"
             "<a:font script=\"Arab\" typeface=\"Arabic Face\"/></a:minorFont></a:fontScheme>"
             "</a:themeElements></a:theme>"},
        {u"ppt/slideMasters/slideMaster1.xml"_s,
         part("sldMaster", shapes(shape("type=\"title\"", {}) + shape("type=\"body\" idx=\"1\"", {}) +
                                  shape({}, "<a:p>" + textRun("©", face("latin", "Master Box")) + "</a:p>")) +
                               "<p:txStyles><p:titleStyle>" + level(1, latin("+mj-lt")) +
                               "</p:titleStyle><p:bodyStyle>" +
                               level(1, "<a:buFont typeface=\"Bullet Face\"/><a:buChar char=\"•\"/>") +
                               "</p:bodyStyle></p:txStyles>")},
        {u"ppt/slideMasters/_rels/slideMaster1.xml.rels"_s,
         rels("rId1 theme ../theme/theme1.xml; rId2 slideLayout ../slideLayouts/slideLayout1.xml")},
        {u"ppt/slideLayouts/slideLayout1.xml"_s,
         part("sldLayout",
              shapes(shape("type=\"title\"", {}) + shape("idx=\"1\"", {}) +
                     shape({}, "<a:p>" + textRun("L", face("latin", "Layout Box")) + "</a:p>")))},
        {u"ppt/slideLayouts/_rels/slideLayout1.xml.rels"_s,
         rels("rId1 slideMaster ../slideMasters/slideMaster1.xml")},
        {u"ppt/tableStyles.xml"_s,
         "<a:tblStyleLst xmlns:a=\"" + Dml +
             "\"><a:tblStyle styleId=\"{S1}\"><a:wholeTbl><a:tcTxStyle><a:font>" +
             face("latin", "Table Face") +
             "</a:font></a:tcTxStyle></a:wholeTbl><a:firstRow><a:tcTxStyle><a:fontRef idx=\"major\"/>"
             "</a:tcTxStyle></a:firstRow></a:tblStyle></a:tblStyleLst>"},
    };
    for (qsizetype index = 0; index < slides.size(); ++index) {
        const QByteArray number = QByteArray::number(index + 1);
        slideList += "<p:sldId r:id=\"rId" + QByteArray::number(index + 10) + "\"/>";
        slideRels += "; rId" + QByteArray::number(index + 10) + " slide slides/slide" + number + ".xml";
        QByteArray slide = part("sld", slides[index]);
        if (slides[index].startsWith("<!--hidden-->"))
            slide.replace("<p:sld ", "<p:sld showMasterSp=\"0\" ");
        members.append({u"ppt/slides/slide"_s + QString::number(index + 1) + u".xml"_s, slide});
        members.append(
            {u"ppt/slides/_rels/slide"_s + QString::number(index + 1) + u".xml.rels"_s,
             rels("rId1 slideLayout ../slideLayouts/slideLayout1.xml; rId2 chart ../charts/chart1.xml")});
    }
    members.append(
        {u"ppt/presentation.xml"_s,
         part("presentation", "<p:sldMasterIdLst><p:sldMasterId r:id=\"rId1\"/></p:sldMasterIdLst>"
                              "<p:sldIdLst>" +
                                  slideList + "</p:sldIdLst><p:defaultTextStyle>" +
                                  level(1, "<a:defRPr>" + face("latin", "+mn-lt") + face("ea", "+mn-ea") +
                                               face("cs", "+mn-cs") + "</a:defRPr>") +
                                  "</p:defaultTextStyle>")});
    members.append({u"ppt/_rels/presentation.xml.rels"_s,
                    rels("rId1 slideMaster slideMasters/slideMaster1.xml; rId2 tableStyles tableStyles.xml" +
                         slideRels)});
    for (const auto &[name, data] : extra) {
        const auto same = std::find_if(members.begin(), members.end(),
                                       [&name](const auto &member) { return member.first == name; });
        if (same != members.end())
            same->second = data;
        else
            members.append({name, data});
    }
    return members;
}

// Each font that text draws: "Name: places [characters]", sorted.
QStringList drawnFonts(const Members &members)
{
    const auto archive = ZipArchive::openData(buildZip(members));
    if (!archive)
        return {u"(no archive)"_s};
    QStringList drawn;
    for (const ListedFont &font : listFonts(readOoxmlFonts(*archive))) {
        if (!font.used)
            continue;
        QString characters;
        for (const auto &[place, text] : font.characters)
            characters += u" ["_s + place + u": "_s + text + u']';
        drawn.append(font.name + u": "_s + font.usedIn.join(u", "_s) + characters);
    }
    drawn.sort();
    return drawn;
}

QStringList split(const QString &names)
{
    return names.split(u'|', Qt::SkipEmptyParts);
}

} // namespace

class FontMetaTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void placesForPeople();
    void hostileNamesRoundTrip();
    void madeDeck();
    void drawnText_data();
    void drawnText();
    void realDocuments_data();
    void realDocuments();
    void kindDecidedByContent();
    void commandLine();

private:
    static test::ProgramRun run(const QStringList &arguments)
    {
        return test::runProgram(helper(), arguments, QProcessEnvironment::systemEnvironment());
    }
    static QString helper() { return QStringLiteral(KERNWICK_BIN_DIR "/kernwick-fontmeta"); }
    static QString fixture(const QString &path)
    {
        return QDir(QStringLiteral(KERNWICK_FIXTURES_DIR)).filePath(path);
    }
    QTemporaryDir m_folder;
};

void FontMetaTest::placesForPeople()
{
    const QList<std::pair<QStringList, QString>> cases = {
        {{u"slide 1"_s, u"slide 2"_s, u"slide 3"_s}, u"slides 1–3"_s},
        // Gaps, order and repeats.
        {{u"slide 9"_s, u"theme minor font"_s, u"slide 1"_s, u"slide 2"_s, u"slide 9"_s, u"slide 4"_s},
         u"slides 1–2, 4, 9, theme minor font"_s},
        {{u"slide master 1"_s, u"slide 2"_s, u"slide master 2"_s}, u"slide masters 1–2, slide 2"_s},
    };
    for (const auto &[places, summary] : cases)
        QCOMPARE(summarizePlaces(places), summary);
}

void FontMetaTest::hostileNamesRoundTrip()
{
    // Names a binary presentation may hold, as the helper and the query hand them on: each arrives as it
    // is, on its own, unless a filter of the query drops it; no control character reaches a name.
    const QStringList fonts =
        u"Anchor|Gill Sans\", \"Injected|kMDItemFonts = (null)|Bodoni 72, Book|Font (Pro) \"Q\"|"
        u"Fonts/Evil|Deck.key|Report.PPTX|NULL|Null Sans|Gill\nSans|\x1b[31mRed\x1b[0m|"
        u"Lone \xd800 Half|Evil\u202Egnp.exe|Line\u2028Break"_s.split(u'|');
    const QStringList names =
        u"Anchor|Gill Sans\", \"Injected|kMDItemFonts = (null)|Bodoni 72, Book|Font (Pro) \"Q\"|"
        u"Null Sans|Gill Sans|[31mRed [0m|Lone \uFFFD Half|Evil gnp.exe|Line Break"_s.split(u'|');
    const auto [document, user] = presentationStreams(fontEntities(fonts));
    const QString path = QDir(m_folder.path()).filePath(u"hostile.ppt"_s);
    QVERIFY(test::writeFile(path, buildCompoundFile(presentationMembers(document, user))));
    const MetadataAnswer answer = MetadataQuery(helper()).query(path);
    QCOMPARE(answer.names(), names);
    // What the query's filter drops is said.
    const QString dropped = u"left out “%1”: a path or a presentation's file name, not a font name"_s;
    QCOMPARE(answer.notes, (QStringList{dropped.arg(u"Fonts/Evil"_s), dropped.arg(u"Deck.key"_s),
                                        dropped.arg(u"Report.PPTX"_s)}));
}

void FontMetaTest::madeDeck()
{
    const auto archive = ZipArchive::openData(buildZip(deckMembers()));
    QVERIFY(archive);
    const ReadResult result = readOoxmlFonts(*archive);
    QVERIFY2(result.notes.isEmpty(), qPrintable(result.notes.join(u'\n')));
    // Each font the deck names, and where text draws it (nowhere: declared only). The notes theme's major
    // font is named by nothing.
    QStringList listed;
    for (const ListedFont &font : listFonts(result)) {
        QVERIFY(!font.places.isEmpty());
        QCOMPARE(font.used, !font.usedIn.isEmpty());
        listed.append(font.name + u": "_s + font.usedIn.join(u", "_s));
    }
    QCOMPARE(listed, (QStringList{
                         u"Minor Face: slide 1"_s,       // inherited by body text (the chart holds none)
                         u"Major Face: slide 1"_s,       // only inherited by a title
                         u"Bullet One: slide 1"_s,       // the bullet of the level the slide uses
                         u"Ghost Bullet: "_s,            // the bullet of a level no slide uses
                         u"Other Face: "_s,              // a style no slide text reaches
                         u"Slide Face: slide 2"_s,       // a run's own face
                         u"Notes Minor: notes page 2"_s, // a notes page inherits its master's theme
                         u"Notes Only: "_s,              // a face only an empty run of a notes page names
                     }));
}

void FontMetaTest::drawnText_data()
{
    // Slides of a deck whose master and layout each draw a text box behind them, and the fonts drawn, each
    // with the characters drawn in it; fonts the deck only names are not listed.
    QTest::addColumn<QList<QByteArray>>("slides");
    QTest::addColumn<Members>("extra");
    QTest::addColumn<QStringList>("drawn");
    const QString behind = u"Layout Box: slide 1 [slide 1: L]|Master Box: slide 1 [slide 1: ©]|"_s;
    const auto add = [](const char *name, const QList<QByteArray> &slides, const QString &drawn,
                        const Members &extra = {}) {
        QStringList fonts = drawn.split(u'|', Qt::SkipEmptyParts);
        fonts.sort();
        QTest::newRow(name) << slides << extra << fonts;
    };
    const auto box = [](const QByteArray &paragraphs) {
        return shapes(shape({}, paragraphs));
    };
    add("each character in the slot of its script",
        {box("<a:p>" +
             textRun("Ab漢かעب\uf041", face("latin", "L Face") + face("ea", "E Face") + face("cs", "C Face") +
                                           face("sym", "S Face")) +
             textRun("only Latin", face("latin", "L Face") + face("ea", "Unused EA")) + "</a:p>")},
        behind + u"C Face: slide 1 [slide 1: \u05e2\u0628]|E Face: slide 1 [slide 1: か漢]|"
                 u"L Face: slide 1 [slide 1: ALabilnoty]|S Face: slide 1 [slide 1: \uf041]"_s);
    add("a private-use character without a symbol face is Latin",
        {box("<a:p>" + textRun("\uf041", face("latin", "L Face")) + "</a:p>")},
        behind + u"L Face: slide 1 [slide 1: \uf041]"_s);
    add("empty theme slots fall back to the face for the language's script",
        {box("<a:p>" + textRun("漢字", {}, "lang=\"zh-CN\"") + textRun("漢字", {}, "lang=\"ja-JP\"") +
             textRun("مرحبا", {}, "lang=\"ar-SA\"") + textRun("かな") + "</a:p>")},
        behind + u"Arabic Face: slide 1 [slide 1: ابحرم]|Gothic Face: slide 1 [slide 1: かな字漢]|"
                 u"Song Face: slide 1 [slide 1: 字漢]"_s);
    add("layout and master boxes are drawn on the slides that show them",
        {box(PlainRun), "<!--hidden-->" + box(PlainRun), box(PlainRun)},
        u"Layout Box: slide 1, slide 3 [slide 1: L] [slide 3: L]|Master Box: slide 1, slide 3 [slide 1: ©] "
        u"[slide 3: ©]|Minor Face: slide 1, slide 2, slide 3 [slide 1: x] [slide 2: x] [slide 3: x]"_s);
    add("a layout that hides the master's shapes", {box(PlainRun)},
        u"Layout Box: slide 1 [slide 1: L]|Minor Face: slide 1 [slide 1: x]"_s,
        {{u"ppt/slideLayouts/slideLayout1.xml"_s,
          part("sldLayout", shapes(shape({}, "<a:p>" + textRun("L", face("latin", "Layout Box")) + "</a:p>")))
              .replace("<p:sldLayout ", "<p:sldLayout showMasterSp=\"0\" ")}});
    add("table cells take the table style's faces, the first row its own",
        {"<p:cSld><p:spTree><p:graphicFrame><a:graphic><a:graphicData><a:tbl><a:tblPr firstRow=\"1\">"
         "<a:tableStyleId>{S1}</a:tableStyleId></a:tblPr><a:tr><a:tc><a:txBody><a:p>" +
         textRun("H") + "</a:p></a:txBody></a:tc></a:tr><a:tr><a:tc><a:txBody><a:p>" + textRun("v") +
         "</a:p></a:txBody></a:tc><a:tc><a:txBody><a:p>" + textRun("w", face("latin", "Own Face")) +
         "</a:p></a:txBody></a:tc></a:tr></a:tbl></a:graphicData></a:graphic></p:graphicFrame>"
         "</p:spTree></p:cSld>"},
        behind + u"Major Face: slide 1 [slide 1: H]|Own Face: slide 1 [slide 1: w]|Table Face: slide 1 "
                 u"[slide 1: v]"_s);
    add("placeholders inherit their master's styles and bullets",
        {shapes(shape("type=\"title\"", "<a:p>" + textRun("T") + "</a:p>") +
                shape("idx=\"1\"", "<a:p>" + textRun("b") + "</a:p>"))},
        behind + u"Bullet Face: slide 1 [slide 1: •]|Major Face: slide 1 [slide 1: T]|"
                 u"Minor Face: slide 1 [slide 1: b]"_s);
    add("what draws no glyph",
        {"<!--hidden-->" +
         shapes(shape({}, "<a:lstStyle>" + level(2, latin("Unreached Level")) + "</a:lstStyle><a:p>" +
                              textRun("x") + "<a:br><a:rPr>" + face("latin", "Break Face") +
                              "</a:rPr></a:br>" + textRun({}, face("latin", "Empty Run")) + "<a:endParaRPr>" +
                              face("latin", "End Mark") +
                              "</a:endParaRPr></a:p><a:p><a:pPr>"
                              "<a:buFont typeface=\"Off Bullet\"/><a:buNone/></a:pPr>" +
                              textRun("y") +
                              "</a:p><a:p><a:pPr><a:buFont typeface=\"Empty Bullet\"/><a:buChar char=\"-\"/>"
                              "</a:pPr></a:p>"))},
        u"Minor Face: slide 1 [slide 1: xy]"_s,
        {{u"ppt/charts/chart1.xml"_s,
          "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" xmlns:a=\"" +
              Dml + "\"><c:txPr><a:p><a:pPr><a:defRPr>" + face("latin", "Chart Face") +
              "</a:defRPr></a:pPr></a:p></c:txPr></c:chartSpace>"}});
    add("a table inside a paragraph is read as the paragraph's text",
        {"<!--hidden-->" + box("<a:p><a:tbl><a:tr><a:tc><a:txBody>" + textRun("x", face("latin", "X Face")) +
                               "</a:txBody></a:tc></a:tr></a:tbl></a:p>")},
        u"X Face: slide 1 [slide 1: x]"_s);
    add("a chart with text draws it in the faces it names", {"<!--hidden-->" + box({})},
        u"Chart Face: slide 1 [slide 1: 12Q]"_s,
        {{u"ppt/charts/chart1.xml"_s,
          "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" xmlns:a=\"" +
              Dml +
              "\"><c:chart><c:tx><c:rich><a:p><a:r><a:t>Q1</a:t></a:r></a:p></c:rich></c:tx><c:v>2</c:v>"
              "</c:chart><c:txPr><a:p><a:pPr><a:defRPr>" +
              face("latin", "Chart Face") + "</a:defRPr></a:pPr></a:p></c:txPr></c:chartSpace>"}});
}

void FontMetaTest::drawnText()
{
    QFETCH(QList<QByteArray>, slides);
    QFETCH(Members, extra);
    QFETCH(QStringList, drawn);
    QCOMPARE(drawnFonts(slotDeck(slides, extra)), drawn);
}

void FontMetaTest::realDocuments_data()
{
    // The lists of testdata/presentations/README.md, names separated by |: the fonts the text draws, those
    // the document only declares, and what the scan's own extractions find without the helper.
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("used");
    QTest::addColumn<QString>("declaredOnly");
    QTest::addColumn<QString>("extracted");
    const auto add = [](const QString &file, const QString &used, const QString &declaredOnly = {},
                        const QString &extracted = {}) {
        QTest::addRow("%s", qPrintable(file)) << file << used << declaredOnly << extracted;
    };
    // Arial is the Latin face of a run of Chinese text only: its characters are drawn in the East Asian face.
    add(u"pptx/txt-font-typeface.pptx"_s, u"Arial Black|Calibri|Hiragino Sans GB W3|Lucida Grande|Verdana"_s,
        u"Arial"_s, u"Arial|Arial Black|Lucida Grande|Verdana"_s);
    add(u"pptx/shp-shapes.pptx"_s, u"Arial|Calibri"_s);
    add(u"pptx/sld-notes.pptx"_s, u"Calibri"_s, u"Arial"_s);
    // PowerPoint's own list (docProps/app.xml) names the declared ones too: it lists the faces its masters'
    // styles name, bullet levels 2-9 and the body style's minor font, whether or not any text uses them.
    add(u"pptx/fixture-office365.pptx"_s, u"Calibri|Segoe UI Light"_s, u"Arial|Segoe UI"_s);
    add(u"pptx/embedded-simple-2007.pptx"_s, u"Arial|Calibri"_s);
    add(u"pptx/fixture2-libreoffice.pptx"_s, u"Arial"_s, u"Symbol|Times New Roman|Wingdings"_s,
        u"Arial|Times New Roman"_s);
    add(u"pptx/encrypted.pptx"_s, {});
    // Binary documents: the document summary's list decides, where PowerPoint wrote one.
    add(u"ppt/embedded-simple-2007.ppt"_s, u"Arial|Calibri"_s);
    add(u"ppt/raw_text.ppt"_s, u"Arial|Calibri|ＭＳ Ｐゴシック"_s);
    add(u"ppt/plain.ppt"_s, u"Arial|Calibri|Calibri Light"_s);
    add(u"ppt/encrypted.ppt"_s, {});
    add(u"ppt/filetype-libreoffice.ppt"_s,
        u"Arial|DejaVu Sans|Droid Sans Fallback|Times New Roman|WenQuanYi Zen Hei"_s);
    // Keynote: the styles in which the slides' text storages draw characters; a storage holding only an
    // anchored object or nothing draws no glyph. The legacy format is not followed that far.
    add(u"key/simple-oneslide.key"_s, u"HelveticaNeue|HelveticaNeue-Medium"_s,
        u"GillSans|Helvetica|Helvetica-Light|HelveticaNeue-Bold|HelveticaNeue-Italic|HelveticaNeue-Light|"
        u"HelveticaNeue-Thin"_s);
    const QString keynoteSixDeclared =
        u"Helvetica|Helvetica-Bold|Helvetica-Light|HelveticaNeue|LucidaGrande|MarkerFelt-Thin"_s;
    add(u"key/package-keynote6.key"_s, u"GillSans"_s, keynoteSixDeclared);
    add(u"key/zipped-package.key"_s, u"GillSans"_s, keynoteSixDeclared);
    add(u"key/osaka09-01.key"_s, u"GillSans|LucidaGrande|MarkerFelt-Thin"_s);
    add(u"key/legacy-package.key"_s, u"GillSans|LucidaGrande|MarkerFelt-Thin"_s);
}

void FontMetaTest::realDocuments()
{
    QFETCH(QString, file);
    QFETCH(QString, used);
    QFETCH(QString, declaredOnly);
    QFETCH(QString, extracted);
    const QString path = fixture(file);
    // The readers themselves: every use has a place; only the encrypted documents say something.
    const ReadResult result = readDocumentFonts(path);
    for (const FontUse &use : result.uses)
        QVERIFY(!use.place.isEmpty());
    if (used.isEmpty())
        QVERIFY2(result.notes.join(u'\n').contains(u"password-protected"), qPrintable(file));
    else
        QCOMPARE(result.notes, QStringList());
    QStringList usedNames;
    QStringList declaredNames;
    for (const ListedFont &font : listFonts(result)) {
        (font.used ? usedNames : declaredNames).append(font.name);
        if (file.endsWith(u".pptx"))
            QVERIFY(font.usedInKnown);
    }
    usedNames.sort();
    declaredNames.sort();
    QCOMPARE(usedNames, split(used));
    QCOMPARE(declaredNames, split(declaredOnly));

    if (file.endsWith(u".ppt") && !used.isEmpty()) {
        // The document summary's own list, where PowerPoint wrote one; LibreOffice writes none: then every
        // font counts as used, places unknown.
        QCOMPARE(result.drawnFonts,
                 file.contains(u"libreoffice") ? DrawnFonts::Unknown : DrawnFonts::NamesOnly);
    }

    // The scan driver merges the helper's names, used or declared, with the document's own extraction.
    QStringList names = split(used) + split(declaredOnly);
    names.sort();
    QCOMPARE(FontScanner(MetadataQuery(helper())).scanFonts(path), names);
    QCOMPARE(FontScanner(MetadataQuery()).scanFonts(path), split(extracted));
}

void FontMetaTest::kindDecidedByContent()
{
    // A copy of each document under a name that says another kind: the helper goes by what the file holds.
    const QList<std::tuple<QString, QString, QString>> cases = {
        {u"pptx/sld-notes.pptx"_s, u"Notes.ppt"_s, u"Arial|Calibri"_s},
        {u"ppt/plain.ppt"_s, u"Plain.pptx"_s, u"Arial|Calibri|Calibri Light"_s},
        {u"key/osaka09-01.key"_s, u"Osaka.pptx"_s, u"GillSans|LucidaGrande|MarkerFelt-Thin"_s},
        {u"key/legacy-package.key/thumbs/st0.jpg"_s, u"Photo.key"_s, QString()},
    };
    for (const auto &[source, disguise, names] : cases) {
        const QString path = QDir(m_folder.path()).filePath(disguise);
        QVERIFY(QFile::copy(fixture(source), path));
        QStringList found = MetadataQuery(helper()).metadataFonts(path);
        found.sort();
        QCOMPARE(found, split(names));
    }
}

void FontMetaTest::commandLine()
{
    // For people: where each font was found; notes on standard error.
    test::ProgramRun result =
        run({fixture(u"pptx/txt-font-typeface.pptx"_s), fixture(u"ppt/encrypted.ppt"_s)});
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
    const QJsonArray files = result.json()[u"files"_s].toArray();
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
