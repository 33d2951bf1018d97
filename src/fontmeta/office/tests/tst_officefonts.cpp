#include "testdocuments.h"
#include <fontmeta/office/compounddocumentfonts.h>
#include <fontmeta/office/compounddocumentreader.h>
#include <fontmeta/office/documentsummary.h>
#include <fontmeta/office/embeddedfontlist.h>
#include <fontmeta/office/ooxmlfonts.h>
#include <fontmeta/office/pptdocument.h>
#include <platform/ziparchive.h>

#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;
using namespace kernwick;
using namespace kernwick::fontmeta;
using namespace kernwick::fontmeta::testing;

namespace {

QByteArray run(const QByteArray &typefaces)
{
    return "<p:cSld><p:spTree><p:sp><p:txBody><a:p><a:r><a:rPr>" + typefaces +
           "</a:rPr><a:t>x</a:t></a:r></a:p></p:txBody></p:sp></p:spTree></p:cSld>";
}

QByteArray theme(const QByteArray &major, const QByteArray &minor, const QByteArray &minorEa = {})
{
    return "<a:theme xmlns:a=\"" + Dml + "\" name=\"T\"><a:themeElements><a:fontScheme name=\"F\">" +
           "<a:majorFont><a:latin typeface=\"" + major + "\"/><a:ea typeface=\"\"/><a:cs typeface=\"\"/>" +
           "<a:font script=\"Jpan\" typeface=\"Supplemental Major\"/></a:majorFont>" +
           "<a:minorFont><a:latin typeface=\"" + minor + "\"/><a:ea typeface=\"" + minorEa + "\"/>" +
           "<a:cs typeface=\"\"/><a:font script=\"Hang\" typeface=\"Supplemental Minor\"/></a:minorFont>" +
           "</a:fontScheme></a:themeElements><a:objectDefaults><a:txDef><a:bodyPr/><a:lstStyle/>" +
           "<a:p><a:pPr><a:defRPr><a:latin typeface=\"Theme Default\"/></a:defRPr></a:pPr></a:p>" +
           "</a:txDef></a:objectDefaults></a:theme>";
}

// Two masters with their own themes, layouts, slides on each, notes, a chart with a theme override.
Members themedPackage()
{
    return {
        {u"[Content_Types].xml"_s,
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {u"_rels/.rels"_s, rels("rId1 officeDocument ppt/presentation.xml")},
        {u"ppt/presentation.xml"_s,
         part("presentation",
              "<p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" r:id=\"rId1\"/>"
              "<p:sldMasterId id=\"2147483650\" r:id=\"rId2\"/></p:sldMasterIdLst><p:notesMasterIdLst>"
              "<p:notesMasterId r:id=\"rId5\"/></p:notesMasterIdLst><p:sldIdLst>"
              "<p:sldId id=\"256\" r:id=\"rId4\"/><p:sldId id=\"257\" r:id=\"rId3\"/></p:sldIdLst>"
              "<p:embeddedFontLst><p:embeddedFont><p:font typeface=\"Embedded Face\"/>"
              "<p:regular r:id=\"rId9\"/></p:embeddedFont></p:embeddedFontLst><p:defaultTextStyle><a:lvl1pPr>"
              "<a:defRPr><a:latin typeface=\"+mn-lt\"/></a:defRPr></a:lvl1pPr></p:defaultTextStyle>")},
        {u"ppt/_rels/presentation.xml.rels"_s,
         rels(
             "rId1 slideMaster slideMasters/slideMaster1.xml; "
             "rId2 slideMaster /ppt/slideMasters/slideMaster2.xml; rId3 slide slides/slide1.xml; "
             "rId4 slide slides/slide2.xml; rId5 notesMaster notesMasters/notesMaster1.xml; "
             "rId6 theme theme/theme1.xml; rId7 tableStyles tableStyles.xml; rId9 font fonts/font1.fntdata")},
        {u"ppt/fonts/font1.fntdata"_s, "font data"},
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
         rels("rId1 theme ../theme/theme1.xml; rId2 slideLayout ../slideLayouts/slideLayout1.xml")},
        {u"ppt/slideMasters/slideMaster2.xml"_s,
         part("sldMaster", run("<a:latin typeface=\"Master Two Face\"/>"))},
        {u"ppt/slideMasters/_rels/slideMaster2.xml.rels"_s,
         rels("rId1 theme ../theme/theme2.xml; rId2 slideLayout ../slideLayouts/slideLayout2.xml")},
        {u"ppt/slideLayouts/slideLayout1.xml"_s, part("sldLayout", run("<a:cs typeface=\"Layout Face\"/>"))},
        {u"ppt/slideLayouts/_rels/slideLayout1.xml.rels"_s,
         rels("rId1 slideMaster ../slideMasters/slideMaster1.xml")},
        {u"ppt/slideLayouts/slideLayout2.xml"_s, part("sldLayout", "")},
        {u"ppt/slideLayouts/_rels/slideLayout2.xml.rels"_s,
         rels("rId1 slideMaster ../slideMasters/slideMaster2.xml")},
        // The first slide shown uses the second master, through its layout.
        {u"ppt/slides/slide2.xml"_s,
         part("sld",
              run("<a:latin typeface=\"+mn-lt\"/><a:ea typeface=\"+mn-ea\"/><a:cs typeface=\"+mn-cs\"/>"
                  "<a:sym typeface=\"Symbol Face\"/><a:latin typeface=\"\"/><a:latin typeface=\"+mj-zz\"/>"
                  "<a:latin typeface=\"Caf&#233; &amp; Bar\"/><a:ea typeface=\"ＭＳ Ｐゴシック\"/>") +
                  "<p:style><a:fontRef idx=\"major\"/></p:style>")},
        {u"ppt/slides/_rels/slide2.xml.rels"_s,
         rels("rId1 slideLayout ../slideLayouts/slideLayout2.xml; rId2 chart ../charts/chart1.xml; "
              "rId3 notesSlide ../notesSlides/notesSlide1.xml; rId4 slide slide1.xml")},
        {u"ppt/slides/slide1.xml"_s, part("sld", run("<a:latin typeface=\"+mj-lt\"/>"))},
        {u"ppt/slides/_rels/slide1.xml.rels"_s, rels("rId1 slideLayout ../slideLayouts/slideLayout1.xml")},
        {u"ppt/charts/chart1.xml"_s,
         "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" xmlns:a=\"" + Dml +
             "\"><c:txPr><a:p><a:pPr><a:defRPr><a:latin typeface=\"+mn-lt\"/></a:defRPr></a:pPr></a:p>"
             "</c:txPr></c:chartSpace>"},
        {u"ppt/charts/_rels/chart1.xml.rels"_s, rels("rId1 themeOverride ../theme/themeOverride1.xml")},
        {u"ppt/notesSlides/notesSlide1.xml"_s, part("notes", run("<a:latin typeface=\"+mn-lt\"/>"))},
        {u"ppt/notesSlides/_rels/notesSlide1.xml.rels"_s,
         rels("rId1 notesMaster ../notesMasters/notesMaster1.xml")},
        {u"ppt/notesMasters/notesMaster1.xml"_s, part("notesMaster", "")},
        {u"ppt/notesMasters/_rels/notesMaster1.xml.rels"_s, rels("rId1 theme ../theme/theme3.xml")},
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

ReadResult readPackage(const Members &members)
{
    const auto archive = ZipArchive::openData(buildZip(members));
    return archive ? readOoxmlFonts(*archive) : ReadResult{};
}

QList<std::pair<QString, QString>> usePairs(const ReadResult &result)
{
    QList<std::pair<QString, QString>> pairs;
    for (const FontUse &use : result.uses)
        pairs.append({use.fontName, use.place});
    return pairs;
}

ReadResult readCompoundData(const QByteArray &bytes)
{
    return ppt::CompoundDocumentReader::fromData(bytes).read();
}

void putU32(QByteArray *bytes, qint64 offset, quint32 value)
{
    qToLittleEndian(value, bytes->data() + offset);
}

quint32 getU32(const QByteArray &bytes, qint64 offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

// Just enough of the Compound File layout (version 3, one FAT sector in the header) to damage a file
// libgsf wrote in chosen places.
struct CompoundLayout
{
    QByteArray bytes;

    static qint64 sector(quint32 number) { return (qint64(number) + 1) * 512; }
    qint64 fatEntry(quint32 number) const { return sector(getU32(bytes, 0x4C)) + 4 * number; }
    qint64 directoryEntry(int index) const
    {
        quint32 current = getU32(bytes, 0x30);
        for (int skip = index / 4; skip > 0; --skip)
            current = getU32(bytes, fatEntry(current));
        return sector(current) + 128 * (index % 4);
    }
    int findEntry(const QString &name) const
    {
        for (int index = 0; index < 64; ++index) {
            const qint64 entry = directoryEntry(index);
            const int length = qFromLittleEndian<quint16>(bytes.constData() + entry + 0x40);
            if (length >= 2 &&
                QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + entry),
                                   length / 2 - 1) == name)
                return index;
        }
        return -1;
    }
};

const QStringList SampleFonts = {u"Alpha Sans"_s, u"ＭＳ Ｐゴシック"_s, u"맑은 고딕"_s,
                                 u"A Face Name Of Thirty-One Chars"_s};

// A document saved twice: the newer edit maps the document record to a newer copy with other fonts,
// and a run of zero bytes sits between records, as in files patched by tools.
std::pair<QByteArray, QByteArray> incrementallySaved()
{
    QByteArray document = QByteArray(8000, '\0') + documentContainer(fontEntity(u"Old Face"_s));
    const quint32 oldDirectory = quint32(document.size());
    document += persistDirectory(1, {8000});
    const quint32 oldEdit = quint32(document.size());
    document += userEdit(0, oldDirectory, 1);
    document += QByteArray(300, '\0');
    const quint32 newContainer = quint32(document.size());
    document += documentContainer(fontEntities(SampleFonts));
    const quint32 newDirectory = quint32(document.size());
    document += persistDirectory(1, {newContainer});
    const quint32 newEdit = quint32(document.size());
    document += userEdit(oldEdit, newDirectory, 1);
    return {document, currentUser(newEdit)};
}

QStringList described(const QList<EmbeddedFont> &fonts)
{
    QStringList lines;
    for (const EmbeddedFont &font : fonts)
        lines.append(font.fontName + u": "_s + font.faces.join(u", "_s));
    return lines;
}

} // namespace

// The Office readers on packages and Compound Files built here, hostile ones included.
class TestOfficeFonts final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void themeResolution();
    void relationshipCycles();
    void brokenParts();
    void namespaceDeclarations();
    void builtDocuments();
    void documentSummaryStrings();
    void hostileCompoundFiles();
    void damagedFiles();
    void embeddedFontList();
    void embeddedInBinaryPresentation();
};

void TestOfficeFonts::themeResolution()
{
    // As written, in the strict namespaces, and with odd names: part names in Open Packaging are
    // case-insensitive, and targets are URIs.
    for (const Members &members :
         {themedPackage(), strict(themedPackage()),
          replaced(themedPackage(), u"_rels/.rels"_s, rels("rId1 officeDocument /PPT/%70resentation.xml"))}) {
        const ReadResult result = readPackage(members);
        QCOMPARE(usePairs(result), ThemedPackageUses);
        QCOMPARE(described(result.embedded), QStringList{u"Embedded Face: Regular"_s});
        QVERIFY2(result.notes.isEmpty(), qPrintable(result.notes.join(u'\n')));
    }
}

void TestOfficeFonts::relationshipCycles()
{
    Members members = themedPackage();
    // Every chain loops back: a layout whose master is itself, a master whose theme is a slide, a slide
    // that is its own layout and notes, a presentation that lists itself as a slide.
    members = replaced(members, u"ppt/slideLayouts/_rels/slideLayout1.xml.rels"_s,
                       rels("rId1 slideMaster slideLayout1.xml"));
    members =
        replaced(members, u"ppt/slideMasters/_rels/slideMaster1.xml.rels"_s,
                 rels("rId1 theme ../slides/slide1.xml; rId2 slideLayout ../slideLayouts/slideLayout1.xml; "
                      "rId3 slideLayout slideMaster1.xml"));
    members = replaced(members, u"ppt/slides/_rels/slide1.xml.rels"_s,
                       rels("rId1 slideLayout slide1.xml; rId2 notesSlide slide1.xml; "
                            "rId3 chart ../presentation.xml; rId4 slideLayout ../../../x.xml"));
    members.append({u"ppt/slides/slide3.xml"_s, part("sld", run("<a:latin typeface=\"Third\"/>"))});
    members = replaced(members, u"ppt/_rels/presentation.xml.rels"_s,
                       rels("rId1 slideMaster slideMasters/slideMaster1.xml; rId3 slide slides/slide1.xml; "
                            "rId4 slide presentation.xml; rId5 slide slides/slide3.xml; "
                            "rId6 slide slides/slide3.xml"));
    // No theme can be reached any more, nor the embedded face's part.
    const ReadResult result = readPackage(members);
    QCOMPARE(names(result), (QStringList{u"Embedded Face"_s, u"Bullet One"_s, u"Layout Face"_s, u"Third"_s}));
    QVERIFY(result.embedded.isEmpty());
}

void TestOfficeFonts::brokenParts()
{
    // A first slide that cannot be read whole: a note names it, the other parts are still read, and the
    // fonts before the damage are kept where the reader got that far.
    const auto check = [](const char *name, const QByteArray &slide, const QString &note,
                          bool keepsEarlierFonts) {
        const ReadResult result = readPackage(replaced(themedPackage(), u"ppt/slides/slide1.xml"_s, slide));
        QVERIFY2(result.notes.join(u'\n').contains(u"ppt/slides/slide1.xml: "_s + note),
                 qPrintable(QLatin1StringView(name) + u": "_s + result.notes.join(u'\n')));
        const QStringList found = names(result);
        QVERIFY2(found.contains(u"Major One"_s), name);
        QCOMPARE(found.contains(u"Before"_s), keepsEarlierFonts);
        for (const QString &font : found)
            QVERIFY2(!font.contains(u"aaaa"), name);
    };
    const QByteArray before = part("sld", run("<a:latin typeface=\"Before\"/>"));
    QByteArray nested = before;
    nested.insert(nested.lastIndexOf("</p:sld>"), QByteArray("<a:p>").repeated(200000));
    check("deeply nested", nested, u"elements nested too deeply"_s, true);
    check("truncated", before.left(400), u"not well-formed"_s, true);
    // Qt rejects a wrongly encoded part as a whole.
    check("not UTF-8", part("sld", run("<a:latin typeface=\"Before\"/><a:latin typeface=\"\xff\xfe\x80\"/>")),
          u"not well-formed"_s, false);
    const QByteArray laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE p:sld [<!ENTITY a \"aaaaaaaaaa\">"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>";
    check("entities",
          laughs + part("sld", run("<a:latin typeface=\"Before\"/><a:latin typeface=\"&c;\"/>")).mid(38),
          u"document type declarations are not allowed"_s, false);
    check("garbage", QByteArray("\x00\x01garbage<<<>>>&&&", 17), u"not well-formed"_s, false);
    check("empty", QByteArray(), u"not well-formed"_s, false);
    // Inflates past the per-part cap from a small archive.
    check("oversized", part("sld", run("<a:latin typeface=\"Before\"/>") + QByteArray(40 << 20, ' ')),
          u"skipped"_s, false);
}

void TestOfficeFonts::namespaceDeclarations()
{
    // Prefixes bound anywhere in a part, after text and values that spell "xmlns", or in a start tag cut
    // short: a face counts, and draws its run's text, only where its element is DrawingML.
    const QByteArray dml = '"' + Dml + '"';
    const auto paragraph = [](const QByteArray &prefix, const QByteArray &declaration,
                              const QByteArray &face) {
        return QByteArray("<@p%><@r><@rPr><@latin typeface=\"$\"/></@rPr><@t>xmlns x</@t></@r></@p>")
            .replace('%', declaration)
            .replace('$', face)
            .replace('@', prefix);
    };
    const auto faces =
        [ours = QStringList{u"N"_s, u"D"_s, u"F"_s, u"B"_s, u"L"_s, u"xmlns"_s}](QStringList found) {
            found.removeIf([&](const QString &face) { return !ours.contains(face); });
            found.sort();
            return found;
        };
    const std::pair<QByteArray, QStringList> cases[] = {
        {paragraph("d:", " xmlns:d=" + dml, "N"), {u"N"_s}},
        {paragraph("", " xmlns=" + dml, "D"), {u"D"_s}},
        {paragraph("a:", " xmlns:a=\"urn:other\"", "F") + paragraph("a:", "", "B"), {u"B"_s}},
        {paragraph("a:", " lang=\"xmlns\"", "xmlns") + paragraph("z:", " xmlns:z=" + dml, "L"),
         {u"L"_s, u"xmlns"_s}},
        {paragraph("q:", " a=\"xmlns:q\" xmlns:q=" + dml, "L"), {u"L"_s}},
    };
    for (const auto &[paragraphs, drawn] : cases) {
        const ReadResult result =
            readPackage(replaced(themedPackage(), u"ppt/slides/slide1.xml"_s,
                                 part("sld", "<p:cSld><p:spTree><p:sp><p:txBody>" + paragraphs +
                                                 "</p:txBody></p:sp></p:spTree></p:cSld>")));
        QStringList drawnHere;
        for (const FontUse &use : result.drawnUses) {
            if (use.place == u"slide 2" && !use.characters.isEmpty())
                drawnHere.append(use.fontName);
        }
        QCOMPARE(faces(names(result)), drawn);
        QCOMPARE(faces(drawnHere), drawn);
    }
    const QByteArray cut = part("sld", "<p:cSld><d:latin xmlns:d=" + dml + " typeface=\"N\" lang");
    QCOMPARE(faces(names(readPackage(replaced(themedPackage(), u"ppt/slides/slide1.xml"_s, cut)))),
             QStringList{u"N"_s});
}

void TestOfficeFonts::builtDocuments()
{
    // The streams of a Compound File: the names read from it, where each was found, and the one note
    // expected (none where it is empty).
    const auto check = [](const char *name, const Members &streams, const QStringList &yields,
                          const QString &place, const QString &note) {
        const ReadResult result = readCompoundData(buildCompoundFile(streams));
        QCOMPARE(names(result), yields);
        for (const FontUse &use : result.uses)
            QCOMPARE(use.place, place);
        const QString notes = QLatin1StringView(name) + u": "_s + result.notes.join(u'\n');
        if (note.isEmpty())
            QVERIFY2(result.notes.isEmpty(), qPrintable(notes));
        else
            QVERIFY2(result.notes.size() == 1 && result.notes[0].contains(note), qPrintable(notes));
    };
    // The records of one presentation, damaged: what can be read is, or a note says what cannot.
    const auto checkRecords = [&check](const char *name, const QByteArray &document, const QByteArray &user,
                                       const QStringList &yields, const QString &note = {}) {
        check(name, presentationMembers(document, user), yields, u"font collection"_s, note);
    };
    const auto [document, user] = presentationStreams(fontEntities(SampleFonts));
    checkRecords("plain", document, user, SampleFonts);
    const auto [savedTwice, savedTwiceUser] = incrementallySaved();
    checkRecords("saved twice", savedTwice, savedTwiceUser, SampleFonts);

    const quint32 edit = getU32(user, 16);
    const qint64 directory = getU32(document, edit + 8 + 12);
    QByteArray selfLoop = document;
    putU32(&selfLoop, edit + 8 + 8, edit); // the edit names itself as the previous one
    checkRecords("edit names itself", selfLoop, user, SampleFonts);
    QByteArray twoEdits = document + userEdit(edit, quint32(directory), 1);
    putU32(&twoEdits, edit + 8 + 8, quint32(document.size())); // ... and the older one points forward
    checkRecords("edits point at each other", twoEdits, currentUser(quint32(document.size())), SampleFonts);
    QByteArray hugeLength = document;
    putU32(&hugeLength, 4, 0xFFFFFFFF); // the document container claims 4 GB
    checkRecords("huge record length", hugeLength, user, SampleFonts);
    QByteArray hugeCount = document;
    putU32(&hugeCount, directory + 8, 1 | (0xFFFu << 20)); // 4095 offsets, 1 present
    checkRecords("huge persist count", hugeCount, user, SampleFonts);
    const QString noDocument = u"the document record cannot be found"_s;
    const QString noEdit = u"the document's current edit cannot be found"_s;
    QByteArray missingDocument = document;
    putU32(&missingDocument, directory + 12, 0xFFFFFF00);
    checkRecords("document beyond the stream", missingDocument, user, {}, noDocument);
    checkRecords("edit beyond the stream", document, currentUser(0xFFFFFFF0), {}, noEdit);
    checkRecords("short current user", document, user.left(19), {},
                 u"the Current User stream holds no current user record"_s);
    checkRecords("truncated document", document.left(edit + 12), user, {}, noEdit);
    QByteArray atomNotContainer = document;
    atomNotContainer[0] = '\0';
    checkRecords("document record is an atom", atomNotContainer, user, {}, noDocument);
    // A name that fills all 32 units without a NUL is cut there; an empty one is dropped.
    const auto [odd, oddUser] =
        presentationStreams(fontEntities({u"0123456789012345678901234567890123"_s, u"Short"_s, QString()}));
    checkRecords("odd names", odd, oddUser, {u"01234567890123456789012345678901"_s, u"Short"_s});

    const auto [oldDocument, oldUser] = presentationStreams(fontEntity(u"Old Face"_s));
    // Other members beside the records, or in their place.
    check("dual storage",
          Members{{u"PP40"_s, "old"}} + presentationMembers(oldDocument, oldUser) +
              Members{{u"PP97_DUALSTORAGE/PowerPoint Document"_s, document},
                      {u"PP97_DUALSTORAGE/Current User"_s, user}},
          SampleFonts, u"font collection"_s, {});
    const Members powerPoint95{{u"PP40"_s, QByteArray(600, 'x')}};
    check("PowerPoint 95", powerPoint95 + Members{{u"PowerPoint Document"_s, oldDocument}}, {}, {},
          u"PowerPoint 95 documents are not supported"_s);
    // Records that cannot be walked: the summary still lists the fonts.
    const Members summary{{u"\005DocumentSummaryInformation"_s,
                           documentSummary(u"Fonts Used"_s, {u"Arial"_s, u"Tahoma"_s}, false)}};
    const QStringList summaryFonts{u"Arial"_s, u"Tahoma"_s};
    const QString fromSummary = u"taken from the document summary"_s;
    check("PowerPoint 95, summary readable", powerPoint95 + summary, summaryFonts, u"document summary"_s,
          fromSummary);
    check("damaged records, summary readable", presentationMembers(QByteArray(5000, '\x5a'), user) + summary,
          summaryFonts, u"document summary"_s, fromSummary);
    const QByteArray encryptedUser = currentUser(edit, 0xF3D1C4DF);
    check("encrypted, summary readable",
          presentationMembers(QByteArray(5000, '\x5a'), encryptedUser) + summary, summaryFonts,
          u"document summary"_s, u"password-protected"_s);
    checkRecords("encrypted, no summary", QByteArray(5000, '\x5a'), encryptedUser, {},
                 u"password-protected; its fonts cannot be read"_s);
    check("encrypted package",
          {{u"EncryptionInfo"_s, QByteArray(200, '\1')}, {u"EncryptedPackage"_s, QByteArray(9000, '\2')}}, {},
          {}, u"password-protected"_s);
    check("word document", {{u"WordDocument"_s, QByteArray(9000, '\2')}}, {}, {},
          u"holds no PowerPoint presentation"_s);
    checkRecords("not PowerPoint 97", document, currentUser(0, 0x12345678), {}, u"not a PowerPoint 97"_s);
}

void TestOfficeFonts::documentSummaryStrings()
{
    const QStringList fonts{u"Arial"_s, u"Times New Roman"_s, u"Wingdings"_s};
    // Lengths chosen so that padding changes every following offset.
    QCOMPARE(ppt::fontsFromDocumentSummary(documentSummary(u"Verwendete Schriftarten"_s, fonts, false)),
             fonts);
    QCOMPARE(ppt::fontsFromDocumentSummary(documentSummary(u"Fonts Used"_s, fonts, true)), fonts);
    QByteArray summary = documentSummary(u"Fonts Used"_s, fonts, false);
    QCOMPARE(ppt::fontsFromDocumentSummary(summary.left(summary.size() - 3)), QStringList{});
    putU32(&summary, 52, 0x7FFFFFFF); // property count
    QCOMPARE(ppt::fontsFromDocumentSummary(summary), QStringList{});
    QCOMPARE(ppt::fontsFromDocumentSummary(QByteArray(48, '\xff')), QStringList{});
}

void TestOfficeFonts::hostileCompoundFiles()
{
    const auto [document, user] = incrementallySaved(); // large enough for the big-sector FAT
    const CompoundLayout good{buildCompoundFile(presentationMembers(document, user))};
    QCOMPARE(names(readCompoundData(good.bytes)), SampleFonts);
    // Each damaged file is the intact one with 32-bit words written at these offsets. Whatever survives the
    // damage is read; nothing else may happen.
    const auto checkDamaged = [&good](const char *name, const QList<std::pair<qint64, quint32>> &words) {
        QByteArray bytes = good.bytes;
        for (const auto &[offset, value] : words)
            putU32(&bytes, offset, value);
        const ReadResult result = readCompoundData(bytes);
        QVERIFY2(!result.notes.isEmpty() || !result.uses.isEmpty(), name);
        for (const FontUse &use : result.uses)
            QVERIFY2(SampleFonts.contains(use.fontName), name);
    };
    const int documentEntry = good.findEntry(u"PowerPoint Document"_s);
    const int userEntry = good.findEntry(u"Current User"_s);
    const qint64 documentDirectory = good.directoryEntry(documentEntry);
    const qint64 userDirectory = good.directoryEntry(userEntry);
    const quint32 documentStart = getU32(good.bytes, documentDirectory + 0x74);
    checkDamaged("FAT cycle", {{good.fatEntry(documentStart + 3), documentStart}});
    checkDamaged("directory cycle", {{documentDirectory + 0x44, 0},
                                     {documentDirectory + 0x48, quint32(documentEntry)},
                                     {userDirectory + 0x44, quint32(documentEntry)},
                                     {userDirectory + 0x48, quint32(userEntry)}});
    QList<std::pair<qint64, quint32>> miniCycle;
    const qint64 miniFat = CompoundLayout::sector(getU32(good.bytes, 0x3C));
    for (quint32 entry = 0; entry < 128; ++entry)
        miniCycle.append({miniFat + 4 * entry, entry});
    checkDamaged("mini FAT cycle", miniCycle);
    checkDamaged("huge stream sizes",
                 {{documentDirectory + 0x78, 0xFFFFFFF0}, {userDirectory + 0x78, 0x7FFFFFF0}});
    // The counts of FAT, mini FAT and DIFAT sectors.
    checkDamaged("huge counts", {{0x2C, 0x7FFFFFFF}, {0x40, 0x7FFFFFFF}, {0x48, 0x7FFFFFFF}});
    checkDamaged("chains outside the file", {{documentDirectory + 0x74, 0x00FFFFFF}, {0x30, 0xFFFFFFF0}});
}

void TestOfficeFonts::damagedFiles()
{
    // Truncations and flipped bytes, mostly where damage matters (headers, tables, directories):
    // whatever opens is read without harm.
    const auto [document, user] = incrementallySaved();
    const QByteArray compound = buildCompoundFile(presentationMembers(document, user));
    const QByteArray zip = buildZip(themedPackage());
    QRandomGenerator random(7);
    for (int round = 0; round < 600; ++round) {
        const QByteArray &file = round % 3 ? compound : zip;
        QByteArray damaged = file.left(random.bounded(file.size()));
        if (round % 2) {
            damaged = file;
            for (int flips = 0; flips < 6; ++flips) {
                const int where = random.bounded(8) ? random.bounded(std::min<qsizetype>(file.size(), 2048))
                                                    : random.bounded(file.size());
                damaged[where] = char(random.bounded(256));
            }
        }
        if (&file == &compound)
            readCompoundData(damaged);
        else if (const auto archive = ZipArchive::openData(damaged))
            readOoxmlFonts(*archive);
    }
    QCOMPARE(readCompoundData(QByteArray()).notes.size(), 1);
    QCOMPARE(readCompoundDocumentFonts(u"/nonexistent/file.ppt"_s).notes.size(), 1);
}

void TestOfficeFonts::embeddedFontList()
{
    const auto read = [](const QByteArray &xml) {
        return described(ooxml::readEmbeddedFontList(xml));
    };
    const QByteArray twoFaces = part(
        "presentation", R"(<p:embeddedFontLst><p:embeddedFont><p:font typeface="Example Sans"/>)"
                        R"(<p:bold r:id="rId9"/><p:regular r:id="rId8"/></p:embeddedFont>)"
                        R"(<p:embeddedFont><p:font typeface="Example Serif"/><p:boldItalic r:id="rId10"/>)"
                        R"(</p:embeddedFont></p:embeddedFontLst>)");
    // Faces in their own order.
    QCOMPARE(read(twoFaces),
             (QStringList{u"Example Sans: Regular, Bold"_s, u"Example Serif: Bold Italic"_s}));
    QCOMPARE(read(R"(<p:presentation xmlns:p="http://purl.oclc.org/ooxml/presentationml/main" )"
                  R"(xmlns:r="http://purl.oclc.org/ooxml/officeDocument/relationships">)"
                  R"(<p:embeddedFontLst><p:embeddedFont><p:font typeface="Strict Sans"/>)"
                  R"(<p:italic r:id="rId3"/></p:embeddedFont></p:embeddedFontLst></p:presentation>)"),
             QStringList{u"Strict Sans: Italic"_s});
    // No face, no name, a face without a part; an embedded font outside the list.
    QCOMPARE(
        read(part("presentation",
                  R"(<p:embeddedFontLst><p:embeddedFont><p:font typeface="Listed Only"/></p:embeddedFont>)"
                  R"(<p:embeddedFont><p:font typeface=" "/><p:regular r:id="rId2"/></p:embeddedFont>)"
                  R"(<p:embeddedFont><p:font typeface="No Part"/><p:regular r:id=""/></p:embeddedFont>)"
                  R"(</p:embeddedFontLst>)")),
        QStringList{});
    QCOMPARE(
        read(part("presentation",
                  R"(<p:embeddedFont><p:font typeface="Stray"/><p:regular r:id="rId2"/></p:embeddedFont>)")),
        QStringList{});
    // Cut short: what came before.
    QCOMPARE(read(twoFaces.left(twoFaces.indexOf("<p:embeddedFont><p:font typeface=\"Example Serif") + 6)),
             QStringList{u"Example Sans: Regular, Bold"_s});
    // A document type declaration after the XML declaration.
    QCOMPARE(read(QByteArray(twoFaces).insert(38, "<!DOCTYPE p [<!ENTITY e \"Example\">]>")), QStringList{});
}

void TestOfficeFonts::embeddedInBinaryPresentation()
{
    // Each font entry is followed by one embedded-data record per face it carries; the record's instance
    // is the style.
    const auto blob = [](quint16 style) {
        return ppt::record(quint16(style << 4), 0x0FB8, "font data");
    };
    const auto [document, user] =
        presentationStreams(fontEntity(u"Example Sans"_s) + blob(0) + blob(1) + fontEntity(u"Plain"_s) +
                            fontEntity(u"Example Serif"_s) + blob(3) + blob(7));
    const ReadResult result = readCompoundData(buildCompoundFile(presentationMembers(document, user)));
    QCOMPARE(names(result), (QStringList{u"Example Sans"_s, u"Plain"_s, u"Example Serif"_s}));
    QCOMPARE(described(result.embedded),
             (QStringList{u"Example Sans: Regular, Bold"_s, u"Example Serif: Bold Italic"_s}));
}

QTEST_GUILESS_MAIN(TestOfficeFonts)
#include "tst_officefonts.moc"
