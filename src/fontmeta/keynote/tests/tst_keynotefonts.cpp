// The Keynote readers on documents of every kind built here, and on hostile ones: every one must end in a
// bounded amount of work with what could be read and a note, never a crash, a hang or unbounded memory.

#include <fontmeta/keynote/fontcollector.h>
#include <fontmeta/keynote/iwacomponent.h>
#include <fontmeta/keynote/keynotefonts.h>
#include <fontmeta/keynote/testsupport/iwawriter.h>
#include <platform/ziparchive.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <snappy.h>
#include <sys/stat.h>
#include <testsupport/testzip.h>
#include <zlib.h>

#include <string>
#include <tuple>

using namespace kernwick;
using namespace kernwick::fontmeta;
using namespace Qt::StringLiterals;
using test::TestZip;

using Status = IwaStream::Status;

// Small Keynote documents with the font names they must yield.
namespace {

using Members = QList<std::pair<QString, QByteArray>>;

QByteArray documentComponent(quint32 firstType = 1)
{
    IwaWriter writer;
    writer.addObject(1, {{firstType, IwaWriter::varintField(1, 2)}});
    return writer.component();
}

// Components as Keynote writes them, with the names varying as they do between versions.
Members modernComponents()
{
    IwaWriter stylesheet;
    stylesheet.addObject(10, {{2022, IwaWriter::textStyle("GillSans")}});
    stylesheet.addObject(11, {{2021, IwaWriter::textStyle("HelveticaNeue-Bold")},
                              {2021, IwaWriter::textStyle("Avenir-Compat", 39)}});
    stylesheet.addObject(12, {{2023, IwaWriter::listStyle("ZapfDingbatsITC")}});
    stylesheet.addObject(13, {{10024, IwaWriter::textStyle("Didot")}});
    // An undo record names a font too, but only as an edit.
    stylesheet.addObject(14, {{10000, IwaWriter::textStyle("NotAStyleFont")}});
    IwaWriter table;
    table.addObject(20, {{6003, IwaWriter::tableStyle("Futura-Medium")}});
    IwaWriter slide;
    // A long object that straddles several Snappy blocks, with a style after it.
    slide.addObject(30, {{2001, QByteArray(150000, 'x')}, {2022, IwaWriter::textStyle("HiraKakuPro-W3")}});
    return {{u"Index/Document.iwa"_s, documentComponent()},
            {u"Index/DocumentStylesheet.iwa"_s, stylesheet.component()},
            {u"Index/Tables/Tile-7.iwa"_s, table.component()},
            {u"Index/Slide-8060.iwa"_s, slide.component(4096)}};
}

const QSet<QString> ModernFonts{
    u"GillSans"_s, u"HelveticaNeue-Bold"_s, u"Avenir-Compat"_s, u"ZapfDingbatsITC"_s,
    u"Didot"_s,    u"Futura-Medium"_s,      u"HiraKakuPro-W3"_s};

// A legacy index.apxl whose prefixes are not the usual ones: only the namespace URIs count.
QByteArray legacyXml(const QByteArray &fontName = "MarkerFelt-Thin")
{
    return "<?xml version=\"1.0\"?>\n"
           "<k:presentation xmlns:k=\"http://developer.apple.com/namespaces/keynote2\"\n"
           "    xmlns:s=\"http://developer.apple.com/namespaces/sf\"\n"
           "    xmlns:a=\"http://developer.apple.com/namespaces/sfa\"\n"
           "    xmlns:x=\"urn:other\">\n"
           "<s:styles><s:paragraphstyle><s:property-map>\n"
           "  <s:fontName>\n    <s:string a:string=\"GillSans\"/>\n  </s:fontName>\n"
           "  <s:fontName/>\n"
           "  <s:fontName><s:string a:string=\"\"/></s:fontName>\n"
           "</s:property-map></s:paragraphstyle>\n"
           "<s:characterstyle><s:property-map><s:fontName><s:string a:string=\"" +
           fontName +
           "\"/></s:fontName></s:property-map></s:characterstyle>\n"
           "<x:fontName><x:string a:string=\"WrongNamespace\"/></x:fontName>\n"
           "<s:fontName><s:string x:string=\"WrongAttribute\"/></s:fontName>\n"
           "</s:styles></k:presentation>\n";
}

const QSet<QString> LegacyFonts{u"GillSans"_s, u"MarkerFelt-Thin"_s};

QByteArray snappyBlock(const QByteArray &bytes)
{
    std::string compressed;
    snappy::Compress(bytes.constData(), size_t(bytes.size()), &compressed);
    return QByteArray(compressed.data(), qsizetype(compressed.size()));
}

QStringList names(const ReadResult &result)
{
    QStringList list;
    for (const FontUse &use : result.uses)
        list.append(use.fontName);
    return list;
}

QByteArray styleObject(quint64 identifier, quint32 type, const QByteArray &payload)
{
    IwaWriter writer;
    writer.addObject(identifier, {{type, payload}});
    return writer.stream();
}

// Gzip of `head`, then `fillerSize` spaces, then `tail`, compressed as it goes so that the test never
// holds the inflated size.
QByteArray gzipBomb(const QByteArray &head, qint64 fillerSize, const QByteArray &tail)
{
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    QByteArray out;
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    const auto push = [&](const QByteArray &input, int flush) {
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.constData()));
        stream.avail_in = uInt(input.size());
        do {
            stream.next_out = reinterpret_cast<Bytef *>(buffer.data());
            stream.avail_out = uInt(buffer.size());
            deflate(&stream, flush);
            out.append(buffer.constData(), buffer.size() - qsizetype(stream.avail_out));
        } while (stream.avail_out == 0);
    };
    push(head, Z_NO_FLUSH);
    const QByteArray spaces(1 << 20, ' ');
    for (qint64 done = 0; done < fillerSize; done += spaces.size())
        push(spaces, Z_NO_FLUSH);
    push(tail, Z_FINISH);
    deflateEnd(&stream);
    return out;
}

QByteArray stored(const Members &members)
{
    return TestZip::build(members, TestZip::Compression::stored);
}

} // namespace

class TestKeynoteReaders final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void documents();
    void chunks();
    void objects();
    void hostilePackageFiles();
    void slideText();
};

void TestKeynoteReaders::documents()
{
    // Each document, a zip or a package folder, is read up to small limits: what lies within them is found,
    // what cannot be read is told in a note (none expected where the note is empty).
    const auto check = [](const char *name, const ReadResult &result, const QSet<QString> &fonts,
                          const QString &note) {
        QStringList found = names(result);
        found.removeDuplicates();
        found.sort();
        QStringList expected = fonts.values();
        expected.sort();
        QCOMPARE(found, expected);
        if (note.isEmpty()) {
            QCOMPARE(result.notes, QStringList());
            // Each style's name where it occurs; the caller de-duplicates.
            QCOMPARE(result.uses.size(), fonts.size());
        } else {
            QVERIFY2(result.notes.join(u'\n').contains(note),
                     qPrintable(QLatin1StringView(name) + u": "_s + result.notes.join(u'\n')));
        }
        // Where each name was found: a list style's label, a legacy paragraph or character style.
        for (const FontUse &use : result.uses) {
            if (use.fontName == u"ZapfDingbatsITC")
                QCOMPARE(use.place, u"list style"_s);
            if (use.fontName == u"MarkerFelt-Thin")
                QCOMPARE(use.place, u"character style"_s);
        }
    };
    const KeynoteLimits limits{.maxComponentSize = 1 << 20,
                               .maxDecodedComponentSize = 2 << 20,
                               .maxTotalSize = 4 << 20,
                               .maxIndexArchiveSize = 1 << 20,
                               .maxXmlSize = 4 << 20,
                               .maxFontUses = 10,
                               .maxPackageEntries = 0};
    const auto inZip = [&](const char *name, const QByteArray &zip, const QSet<QString> &fonts,
                           const QString &note = {}) {
        const auto archive = ZipArchive::openData(zip);
        QVERIFY2(archive, name);
        check(name, readKeynoteArchiveFonts(*archive, limits), fonts, note);
    };
    const auto inFolder = [&](const char *name, const Members &folder, const QSet<QString> &fonts,
                              const QString &note = {}) {
        QTemporaryDir dir;
        for (const auto &[file, bytes] : folder)
            QVERIFY(test::writeFile(dir.filePath(u"Talk.key/"_s + file), bytes));
        check(name, readKeynotePackageFonts(dir.filePath(u"Talk.key"_s), limits), fonts, note);
    };

    const Members components = modernComponents();
    const QByteArray indexZip = stored(components);

    Members singleFile = components;
    singleFile.append({u"Data/photo-12.jpg"_s, QByteArray(1000, '\xff')});
    singleFile.append({u"preview.jpg"_s, QByteArray(100, '\xff')});
    inZip("single file, stored", stored(singleFile), ModernFonts);
    inZip("single file, deflated", TestZip::build(singleFile), ModernFonts);
    // Zipped on a Mac: the package folder, and Finder's resource forks beside it.
    inZip("zipped package",
          TestZip::build({{u"Talk.key/Index.zip"_s, indexZip},
                          {u"Talk.key/Data/a.jpg"_s, "jpeg"},
                          {u"__MACOSX/Talk.key/._Index.zip"_s, "fork"},
                          {u".DS_Store"_s, "finder"}}),
          ModernFonts);
    inZip("package contents zipped at the root", stored({{u"Index.zip"_s, indexZip}}), ModernFonts);
    Members lowerCase;
    for (const auto &[name, data] : components)
        lowerCase.append({u"talk.key/"_s + name.toLower(), data});
    inZip("zipped unpacked package, lower-case names", TestZip::build(lowerCase), ModernFonts);
    // Index.zip is found among more entries than a listing goes through.
    inFolder("package folder", {{u"Index.zip"_s, indexZip}}, ModernFonts);

    const QByteArray xml = legacyXml();
    const qsizetype split = xml.indexOf("<s:characterstyle>");
    inZip("'09 single file", TestZip::build({{u"index.apxl"_s, xml}, {u"thumbs/st0.jpg"_s, "jpeg"}}),
          LegacyFonts);
    inZip("zipped '08 package, gzip preferred",
          TestZip::build({{u"Old.key/index.apxl.gz"_s, gzipBomb(xml, 0, {})},
                          {u"Old.key/index.apxl"_s, legacyXml("NotPreferred")}}),
          LegacyFonts);
    // A gzip file of two members, as concatenated files make, inflates whole.
    inFolder("gzip of two members",
             {{u"index.apxl.gz"_s, gzipBomb(xml.first(split), 0, {}) + gzipBomb(xml.sliced(split), 0, {})}},
             LegacyFonts);
    inFolder("legacy folder", {{u"index.apxl"_s, legacyXml("NotPreferred")}},
             {u"GillSans"_s, u"NotPreferred"_s});

    inZip("a zip of pictures", stored({{u"a.jpg"_s, "jpeg"}, {u"b/c.txt"_s, "text"}}), {},
          u"not a Keynote document"_s);
    inZip("a .pptx", stored({{u"[Content_Types].xml"_s, "<Types/>"}, {u"ppt/presentation.xml"_s, "<p/>"}}),
          {}, u"not a Keynote document"_s);
    inFolder("a plain folder", {{u"readme.txt"_s, "hello"}}, {}, u"not a Keynote document"_s);
    inFolder("no folder", {}, {}, u"not a folder"_s);
    // Pages writes the same components; its Document.iwa starts with another type.
    Members pages = components;
    pages.first().second = documentComponent(10000);
    inZip("a Pages document", stored(pages), {}, u"belongs to another application"_s);
    inZip("index.apxl of another XML vocabulary",
          stored({{u"index.apxl"_s, "<presentation xmlns=\"urn:x\"><fontName/></presentation>"}}), {},
          u"is not a Keynote presentation"_s);
    inZip("components that hold no objects",
          stored({{u"Index/Document.iwa"_s, IwaWriter::chunk("\xff\xff\xff\xff\xff not Snappy")}}), {},
          u"hold no readable objects"_s);
    inFolder("Index.zip that is not a zip", {{u"Index.zip"_s, "PK\x03\x04 and then nothing"}}, {},
             u"Index.zip is not a readable zip"_s);

    // Marked by .iwpv2, in a folder and in a zip; or no marker, but not one component is plain Snappy.
    const QString locked = u"password-protected: the fonts cannot be read"_s;
    inFolder("marked, folder", {{u".iwpv2"_s, "marker"}, {u"Index.zip"_s, indexZip}}, {}, locked);
    inZip("marked, zip", stored({{u"Secret.key/.iwpv2"_s, "marker"}, {u"Secret.key/Index.zip"_s, indexZip}}),
          {}, locked);
    const QByteArray encrypted = IwaWriter::chunk(QByteArray(64, '\x5a'), 0x8c) + QByteArray(100, '\x33');
    inZip("every component encrypted",
          stored({{u"Index/Document.iwa"_s, encrypted}, {u"Index/Slide-1.iwa"_s, encrypted}}), {}, locked);
    Members mixed = components;
    mixed.append({u"Index/Collaboration.iwa"_s, IwaWriter::chunk("bvxn-compressed", 0x62)});
    inZip("some components in another codec", stored(mixed), ModernFonts, u"1 component(s) are encrypted"_s);

    Members members = components;
    members.append({u"Index/Huge.iwa"_s, QByteArray(3 << 20, '\0')});
    inZip("member inflating past its cap", TestZip::build(members), ModernFonts,
          u"Index/Huge.iwa cannot be read"_s);
    IwaWriter big;
    big.addObject(1, {{2022, IwaWriter::textStyle("Early")}});
    big.addRaw(QByteArray(3 << 20, '\0')); // empty ArchiveInfos, a byte each
    inZip("component decoding past its cap", stored({{u"Index/Big.iwa"_s, big.component()}}), {u"Early"_s},
          u"decodes to more than 2 MB"_s);
    const QByteArray paddedIndex = stored(
        {{u"Index/Document.iwa"_s, documentComponent()}, {u"Index/Pad.iwa"_s, QByteArray(2 << 20, 'p')}});
    inZip("inner Index.zip past its cap", TestZip::build({{u"Talk.key/Index.zip"_s, paddedIndex}}), {},
          u"Talk.key/Index.zip cannot be read"_s);
    members = {};
    for (int i = 0; i < 20; ++i) {
        IwaWriter part;
        part.addObject(1, {{2022, IwaWriter::textStyle("Part")}});
        part.addRaw(QByteArray(500000, '\0'));
        members.append({u"Index/Part-%1.iwa"_s.arg(i), part.component()});
    }
    inZip("components adding up past the total", stored(members), {u"Part"_s},
          u"stopped reading: the document inflates past 4 MB"_s);
    // A small document inflates only so many times its own size, whatever the total allows.
    const QByteArray deflated = TestZip::build(members);
    KeynoteLimits byRatio;
    byRatio.maxInflationRatio = 10;
    byRatio.minTotalSize = 1 << 20;
    check("components inflating past ten times the document",
          readKeynoteArchiveFonts(*ZipArchive::openData(deflated), byRatio, deflated.size()), {u"Part"_s},
          u"stopped reading: the document inflates past 1 MB"_s);
    IwaWriter many;
    for (int i = 0; i < 50; ++i)
        many.addObject(quint64(i), {{2021, IwaWriter::textStyle("Futura")}});
    inZip("more font uses than a document may report",
          stored({{u"Index/Document.iwa"_s, documentComponent()}, {u"Index/Styles.iwa"_s, many.component()}}),
          {u"Futura"_s}, u"stopped at 10 font uses"_s);

    Members damaged = components;
    damaged.append({u"Index/Slide-9.iwa"_s,
                    IwaWriter::chunked(QByteArray(styleObject(9, 2022, IwaWriter::textStyle("GillSans")) +
                                                  "\x7f\x08\x01"))});
    inZip("a damaged object", stored(damaged), ModernFonts, u"Index/Slide-9.iwa holds a damaged object"_s);
    IwaWriter odd;
    for (const QByteArray &name :
         {QByteArray("Caf\xc3\xa9"), QByteArray("Bad\xc3\x28"), QByteArray("\xff\xfe"),
          QByteArray("Gill\nSans"), QByteArray(300, 'A'), QByteArray("   "), QByteArray("Helvetica")})
        odd.addObject(1, {{2022, IwaWriter::textStyle(name)}});
    inZip("implausible names",
          stored({{u"Index/Document.iwa"_s, documentComponent()}, {u"Index/Styles.iwa"_s, odd.component()}}),
          {u"Café"_s, u"Helvetica"_s}, u"skipped 5 font name(s)"_s);

    // 256 MB of spaces between two fonts, in about 250 KB of gzip.
    const QByteArray bomb = gzipBomb(xml.first(split), qint64(256) << 20, xml.sliced(split));
    const QSet<QString> gill{u"GillSans"_s};
    inFolder("gzip bomb in a folder", {{u"index.apxl.gz"_s, bomb}}, gill,
             u"index.apxl.gz inflates past 4 MB"_s);
    inZip("gzip bomb in a zip", stored({{u"Bomb.key/index.apxl.gz"_s, bomb}}), gill, u"inflates past 4 MB"_s);
    inZip(
        "deflated index.apxl",
        TestZip::build({{u"index.apxl"_s, xml.first(split) + QByteArray(16 << 20, ' ') + xml.sliced(split)}}),
        gill, u"index.apxl cannot be read"_s);
    inFolder("gzip that breaks off", {{u"index.apxl.gz"_s, bomb.first(bomb.size() / 2)}}, gill,
             u"index.apxl.gz inflates past 4 MB"_s);
    inFolder("not gzip at all", {{u"index.apxl.gz"_s, xml}}, {}, u"index.apxl.gz is damaged"_s);

    // The XML reader refuses the whole piece it was given, not only what follows the bad bytes.
    const auto apxl = [](const QByteArray &text) {
        return TestZip::build({{u"index.apxl"_s, text}});
    };
    inZip("invalid UTF-8 in a font name",
          apxl(xml.first(split) + "<s:fontName><s:string a:string=\"Bad\xc3\x28\"/></s:fontName>" +
               xml.sliced(split)),
          {}, u"is damaged"_s);
    inZip("cut short", apxl(xml.first(split + 60)), gill, u"is damaged"_s);
    inZip("undeclared prefix",
          apxl("<k:presentation xmlns:k=\"http://developer.apple.com/namespaces/keynote2\"><sf:fontName/>"),
          {}, u"is damaged"_s);
    inZip("nested 100000 deep",
          apxl(xml.first(split) + QByteArray("<s:x>").repeated(100000) +
               QByteArray("</s:x>").repeated(100000) + xml.sliced(split)),
          gill, u"is damaged"_s);
    inZip("entities expanding a billion times",
          apxl("<?xml version=\"1.0\"?><!DOCTYPE k:presentation [<!ENTITY a \"aaaaaaaaaa\">"
               "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
               "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
               "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\"><!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">"
               "]><k:presentation xmlns:k=\"http://developer.apple.com/namespaces/keynote2\">"
               "&g;&g;&g;&g;&g;</k:presentation>"),
          {}, u"is damaged"_s);
}

void TestKeynoteReaders::chunks()
{
    // A component, what decoding it up to 100000 bytes says and how many bytes it gives.
    const QByteArray good = IwaWriter::chunk(snappyBlock("hello, world"));
    const QList<std::tuple<QByteArray, Status, qsizetype>> cases = {
        // A chunk length past the end; a length of 16 MB with no bytes.
        {good + good.first(good.size() - 1), Status::Damaged, 12},
        {QByteArray("\0\xff\xff\xff", 4), Status::Damaged, 0},
        // varint 100, then a 5-byte literal: the block promises more than it holds.
        {IwaWriter::chunk(QByteArray("\x64\x10hello", 7)), Status::Damaged, 0},
        // A block that claims 4 GB; one over 64 KiB.
        {IwaWriter::chunk(QByteArray("\xff\xff\xff\xff\x0f\x00", 6)), Status::Damaged, 0},
        {IwaWriter::chunk(snappyBlock(QByteArray(MaxIwaBlockSize + 1, 'a'))), Status::Damaged, 0},
        // varint 10, literal "a", then a copy reaching 5 bytes back into an output of 1.
        {IwaWriter::chunk(QByteArray("\x0a\x00\x61\x15\x05", 5)), Status::Damaged, 0},
        // A block of 64 KiB exactly; more than the size it is given.
        {IwaWriter::chunk(snappyBlock(QByteArray(MaxIwaBlockSize, 'a'))), Status::Complete, MaxIwaBlockSize},
        {IwaWriter::chunked(QByteArray(3 * MaxIwaBlockSize, 'z')), Status::TooLarge, MaxIwaBlockSize},
    };
    for (const auto &[component, status, decoded] : cases) {
        const IwaStream stream = decodeIwaChunks(component, 100000);
        QCOMPARE(stream.status, status);
        QCOMPARE(stream.bytes.size(), decoded);
    }
}

void TestKeynoteReaders::objects()
{
    // An object stream, the names read from it and whether it is damaged.
    const auto check = [](const char *name, const QByteArray &stream, const QStringList &fonts,
                          bool damaged) {
        FontCollector collector(1000);
        QVERIFY2(readIwaObjectFonts(stream, collector).damaged == damaged, name);
        QCOMPARE(names(collector.take()), fonts);
    };

    const QByteArray gill = styleObject(1, 2022, IwaWriter::textStyle("GillSans"));
    check("varint of 11 bytes", gill + QByteArray(10, '\xff') + "\x01", {u"GillSans"_s}, true);
    check("ArchiveInfo past the end", gill + "\x7f\x08\x01", {u"GillSans"_s}, true);
    check("payload past the end", gill.first(gill.size() - 1), {}, true);
    check("payload length of 2^64 - 1",
          IwaWriter::varint(15) + IwaWriter::varintField(1, 1) +
              IwaWriter::bytesField(2,
                                    IwaWriter::varintField(1, 2022) + IwaWriter::varintField(3, ~quint64(0))),
          {}, true);
    // A damaged payload spoils only itself: its length is known, the next object is still read.
    check("wire type 4 in a payload, after the name",
          styleObject(1, 2022, IwaWriter::textStyle("Didot") + "\x0c") + gill, {u"Didot"_s, u"GillSans"_s},
          false);
    check("text properties longer than the payload",
          styleObject(1, 2022, QByteArray("\x5a\x7f", 2) + IwaWriter::bytesField(5, "Lost")) + gill,
          {u"GillSans"_s}, false);
    check("unknown fields of every wire type",
          styleObject(1, 2022,
                      IwaWriter::varintField(99, 5) + "\x99\x06" + QByteArray(8, '\1') + "\x9d\x06" +
                          QByteArray(4, '\1') + IwaWriter::textStyle("GillSans")),
          {u"GillSans"_s}, false);
    QByteArray nested = IwaWriter::bytesField(5, "TooDeep");
    for (int depth = 0; depth < 2000; ++depth)
        nested = IwaWriter::bytesField(11, nested);
    check("text properties nested 2000 deep", styleObject(1, 2022, nested), {}, false);
    // A style whose base is itself: references are never followed, so a cycle costs nothing.
    check("style based on itself",
          styleObject(7, 2022,
                      IwaWriter::bytesField(1, IwaWriter::bytesField(3, IwaWriter::varintField(1, 7)))),
          {}, false);
    const QByteArray packedPayload = IwaWriter::textStyle("Packed");
    const QByteArray packedInfo = IwaWriter::varintField(1, 2022) + IwaWriter::bytesField(2, "\x01\x00\x05") +
                                  IwaWriter::varintField(3, quint64(packedPayload.size()));
    const QByteArray packedArchive = IwaWriter::varintField(1, 9) + IwaWriter::bytesField(2, packedInfo);
    check("empty ArchiveInfo, packed and unpacked versions",
          IwaWriter::varint(0) + gill + IwaWriter::varint(quint64(packedArchive.size())) + packedArchive +
              packedPayload,
          {u"GillSans"_s, u"Packed"_s}, false);
    // Two million empty MessageInfos: walked in step with their (empty) payloads, nothing kept per message.
    const QByteArray emptyInfo = IwaWriter::varintField(1, 5) +
                                 IwaWriter::bytesField(2, IwaWriter::varintField(1, 2022)).repeated(2000000);
    check("two million empty messages", IwaWriter::varint(quint64(emptyInfo.size())) + emptyInfo + gill,
          {u"GillSans"_s}, false);
    // A million MessageInfos of 1000 bytes each, with nothing after them.
    const QByteArray hugeInfo =
        IwaWriter::varintField(1, 5) +
        IwaWriter::bytesField(2, IwaWriter::varintField(1, 2022) + IwaWriter::varintField(3, 1000))
            .repeated(1000000);
    check("a million messages of 1000 bytes, none there",
          IwaWriter::varint(quint64(hugeInfo.size())) + hugeInfo, {}, true);
}

void TestKeynoteReaders::hostilePackageFiles()
{
    // Links and special files in a package are never followed or opened: a FIFO would block forever.
    QTemporaryDir dir;
    const QString linked = dir.filePath(u"Linked.key"_s);
    QVERIFY(QDir().mkpath(linked));
    QVERIFY(QFile::link(u"/dev/zero"_s, linked + u"/Index.zip"_s));
    QVERIFY(QFile::link(u"/dev/zero"_s, linked + u"/index.apxl.gz"_s));
    QVERIFY(::mkfifo(QFile::encodeName(linked + u"/index.apxl"_s).constData(), 0600) == 0);
    const ReadResult result = readKeynotePackageFonts(linked);
    QVERIFY(result.uses.isEmpty());
    QCOMPARE(result.notes,
             QStringList{u"not a Keynote document: the folder holds no Index.zip or index.apxl"_s});
}

void TestKeynoteReaders::slideText()
{
    // A slide's text storages: characters drawn by paragraph style, a character style over part of them, a
    // paragraph whose entry names no style keeping the one before; a storage holding only an anchored object
    // and an empty one draw nothing. Indexes count UTF-16 units.
    const auto reference = [](quint64 identifier) -> QByteArray {
        return IwaWriter::bytesField(2, IwaWriter::varintField(1, identifier));
    };
    const auto table = [&](const QList<std::pair<quint64, quint64>> &entries) -> QByteArray {
        QByteArray bytes;
        for (const auto &[index, style] : entries)
            bytes += IwaWriter::bytesField(1, IwaWriter::varintField(1, index) +
                                                  (style ? reference(style) : QByteArray()));
        return bytes;
    };
    const auto storage = [&](const QString &text, const QList<std::pair<quint64, quint64>> &paragraphs,
                             const QList<std::pair<quint64, quint64>> &characters = {}) -> QByteArray {
        return IwaWriter::bytesField(3, text.toUtf8()) + IwaWriter::bytesField(5, table(paragraphs)) +
               IwaWriter::bytesField(8, table(characters));
    };
    IwaWriter styles;
    styles.addObject(10, {{2022, IwaWriter::textStyle("Para-Face")}});
    styles.addObject(11, {{2021, IwaWriter::textStyle("Char-Face")}});
    styles.addObject(12, {{2022, IwaWriter::textStyle("Object-Face")}});
    styles.addObject(13, {{2022, IwaWriter::textStyle("Empty-Face")}});
    IwaWriter slide;
    slide.addObject(30, {{2001, storage(u"𝒜b ř\ncd"_s, {{0, 10}, {6, 0}}, {{4, 11}, {5, 0}})}});
    slide.addObject(31, {{2001, storage(u"\ufffc"_s, {{0, 12}})}});
    slide.addObject(32, {{2001, storage({}, {{0, 13}})}});
    const auto archive = ZipArchive::openData(TestZip::build({{u"Index/Document.iwa"_s, documentComponent()},
                                                              {u"Index/Styles.iwa"_s, styles.component()},
                                                              {u"Index/Slide-1.iwa"_s, slide.component()}}));
    QVERIFY(archive);
    const ReadResult result = readKeynoteArchiveFonts(*archive);
    QCOMPARE(result.drawnFonts, DrawnFonts::NamesOnly);
    QStringList drawn;
    for (const FontUse &use : result.drawnUses)
        drawn.append(use.fontName + u": "_s + use.characters);
    drawn.sort();
    QCOMPARE(drawn, (QStringList{u"Char-Face: ř"_s, u"Para-Face: bcd𝒜"_s}));
}

QTEST_GUILESS_MAIN(TestKeynoteReaders)
#include "tst_keynotefonts.moc"
