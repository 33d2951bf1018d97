// The Keynote readers on real documents and on documents of every kind built here.

#include "keynotedocuments.h"
#include <fontmeta/keynote/keynotefonts.h>
#include <platform/ziparchive.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

using namespace kernwick;
using namespace kernwick::fontmeta;
using namespace kernwick::fontmeta::testing;
using namespace Qt::StringLiterals;

namespace {

QSet<QString> fontSet(const ReadResult &result)
{
    QSet<QString> names;
    for (const FontUse &use : result.uses)
        names.insert(use.fontName);
    return names;
}

ReadResult readPath(const QString &path)
{
    if (QFileInfo(path).isDir())
        return readKeynotePackageFonts(path);
    const auto archive = ZipArchive::openFile(path);
    if (!archive)
        return {{}, {u"not a zip"_s}};
    return readKeynoteArchiveFonts(*archive);
}

ReadResult readBytes(const QByteArray &zipBytes)
{
    const auto archive = ZipArchive::openData(zipBytes);
    if (!archive)
        return {{}, {u"not a zip"_s}};
    return readKeynoteArchiveFonts(*archive);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray gzip(const QByteArray &bytes)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(bytes.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

bool hasNote(const ReadResult &result, QStringView text)
{
    for (const QString &note : result.notes) {
        if (note.contains(text))
            return true;
    }
    return false;
}

} // namespace

class TestKeynoteFonts final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fixtures_data();
    void fixtures();
    void modernForms_data();
    void modernForms();
    void legacyForms_data();
    void legacyForms();
    void packageFolders();
    void notKeynote_data();
    void notKeynote();
    void passwordProtected();
};

void TestKeynoteFonts::fixtures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("fonts");
    const QStringList keynote6{u"GillSans"_s,        u"Helvetica"_s,     u"Helvetica-Bold"_s,
                               u"Helvetica-Light"_s, u"HelveticaNeue"_s, u"LucidaGrande"_s,
                               u"MarkerFelt-Thin"_s};
    const QStringList legacy{u"GillSans"_s, u"LucidaGrande"_s, u"MarkerFelt-Thin"_s};
    QTest::newRow("modern single file") << u"simple-oneslide.key"_s
                                        << QStringList{u"GillSans"_s,
                                                       u"Helvetica"_s,
                                                       u"Helvetica-Light"_s,
                                                       u"HelveticaNeue"_s,
                                                       u"HelveticaNeue-Bold"_s,
                                                       u"HelveticaNeue-Italic"_s,
                                                       u"HelveticaNeue-Light"_s,
                                                       u"HelveticaNeue-Medium"_s,
                                                       u"HelveticaNeue-Thin"_s};
    QTest::newRow("modern package folder") << u"package-keynote6.key"_s << keynote6;
    QTest::newRow("zipped package") << u"zipped-package.key"_s << keynote6;
    QTest::newRow("legacy '09 single file") << u"osaka09-01.key"_s << legacy;
    QTest::newRow("legacy package folder") << u"legacy-package.key"_s << legacy;
}

void TestKeynoteFonts::fixtures()
{
    QFETCH(QString, file);
    QFETCH(QStringList, fonts);
    const ReadResult result = readPath(QStringLiteral(KERNWICK_FIXTURES_DIR "/key/") + file);
    QCOMPARE(fontSet(result), QSet<QString>(fonts.cbegin(), fonts.cend()));
    QCOMPARE(result.notes, QStringList());
    const QSet<QString> places{u"paragraph style"_s, u"character style"_s, u"list style"_s,
                               u"table style"_s,     u"drop-cap style"_s,  u"style sheet"_s};
    for (const FontUse &use : result.uses)
        QVERIFY2(places.contains(use.place), qPrintable(use.place));
}

void TestKeynoteFonts::modernForms_data()
{
    QTest::addColumn<QByteArray>("zip");
    const Members components = modernComponents();
    Members singleFile = components;
    singleFile.append({u"Data/photo-12.jpg"_s, QByteArray(1000, '\xff')});
    singleFile.append({u"preview.jpg"_s, QByteArray(100, '\xff')});
    QTest::newRow("single file, stored")
        << test::TestZip::build(singleFile, test::TestZip::Compression::stored);
    QTest::newRow("single file, deflated") << test::TestZip::build(singleFile);
    // Zipped on a Mac: the package folder, and Finder's resource forks beside it.
    const QByteArray indexZip = test::TestZip::build(components, test::TestZip::Compression::stored);
    QTest::newRow("zipped package") << test::TestZip::build({{u"Talk.key/Index.zip"_s, indexZip},
                                                             {u"Talk.key/Data/a.jpg"_s, "jpeg"},
                                                             {u"__MACOSX/Talk.key/._Index.zip"_s, "fork"},
                                                             {u".DS_Store"_s, "finder"}});
    QTest::newRow("package contents zipped at the root")
        << test::TestZip::build({{u"Index.zip"_s, indexZip}}, test::TestZip::Compression::stored);
    Members lowerCase;
    for (const auto &[name, data] : components)
        lowerCase.append({u"talk.key/"_s + name.toLower(), data});
    QTest::newRow("zipped unpacked package, lower-case names") << test::TestZip::build(lowerCase);
}

void TestKeynoteFonts::modernForms()
{
    QFETCH(QByteArray, zip);
    const ReadResult result = readBytes(zip);
    QCOMPARE(fontSet(result), modernFonts());
    QCOMPARE(result.notes, QStringList());
    // Each style's name is kept where it occurs; the caller de-duplicates.
    QCOMPARE(result.uses.size(), modernFonts().size());
    const auto listUse = std::find_if(result.uses.cbegin(), result.uses.cend(),
                                      [](const FontUse &use) { return use.fontName == u"ZapfDingbatsITC"; });
    QCOMPARE(listUse->place, u"list style"_s);
}

void TestKeynoteFonts::legacyForms_data()
{
    QTest::addColumn<QByteArray>("zip");
    QTest::newRow("'09 single file") << test::TestZip::build(
        {{u"index.apxl"_s, legacyXml()}, {u"thumbs/st0.jpg"_s, "jpeg"}});
    QTest::newRow("zipped '08 package, gzip preferred")
        << test::TestZip::build({{u"Old.key/index.apxl.gz"_s, gzip(legacyXml())},
                                 {u"Old.key/index.apxl"_s, legacyXml("NotPreferred")}});
}

void TestKeynoteFonts::legacyForms()
{
    QFETCH(QByteArray, zip);
    const ReadResult result = readBytes(zip);
    QCOMPARE(fontSet(result), legacyFonts());
    QCOMPARE(result.notes, QStringList());
    QCOMPARE(result.uses.first().place, u"paragraph style"_s);
    QCOMPARE(result.uses.last().place, u"character style"_s);
}

void TestKeynoteFonts::packageFolders()
{
    QTemporaryDir dir;
    const QString modern = dir.filePath(u"Modern.key"_s);
    QVERIFY(writeFile(modern + u"/Index.zip"_s, test::TestZip::build(modernComponents())));
    QVERIFY(writeFile(modern + u"/Data/a.jpg"_s, "jpeg"));
    ReadResult result = readKeynotePackageFonts(modern);
    QCOMPARE(fontSet(result), modernFonts());
    QCOMPARE(result.notes, QStringList());

    const QString legacy = dir.filePath(u"Legacy.key"_s);
    QVERIFY(writeFile(legacy + u"/index.apxl.gz"_s, gzip(legacyXml())));
    QVERIFY(writeFile(legacy + u"/index.apxl"_s, legacyXml("NotPreferred")));
    result = readKeynotePackageFonts(legacy);
    QCOMPARE(fontSet(result), legacyFonts());

    QVERIFY(QFile::remove(legacy + u"/index.apxl.gz"_s));
    result = readKeynotePackageFonts(legacy);
    QCOMPARE(fontSet(result), (QSet<QString>{u"GillSans"_s, u"NotPreferred"_s}));
    QCOMPARE(result.notes, QStringList());

    QVERIFY(writeFile(dir.filePath(u"Plain/readme.txt"_s), "hello"));
    QVERIFY(hasNote(readKeynotePackageFonts(dir.filePath(u"Plain"_s)), u"not a Keynote document"));
    QVERIFY(hasNote(readKeynotePackageFonts(dir.filePath(u"Missing.key"_s)), u"not a folder"));
}

void TestKeynoteFonts::notKeynote_data()
{
    QTest::addColumn<QByteArray>("zip");
    QTest::addColumn<QString>("note");
    QTest::newRow("a zip of pictures") << test::TestZip::build({{u"a.jpg"_s, "jpeg"}, {u"b/c.txt"_s, "text"}},
                                                               test::TestZip::Compression::stored)
                                       << u"not a Keynote document"_s;
    QTest::newRow("a .pptx") << test::TestZip::build({{u"[Content_Types].xml"_s, "<Types/>"},
                                                      {u"ppt/presentation.xml"_s, "<p/>"}},
                                                     test::TestZip::Compression::stored)
                             << u"not a Keynote document"_s;
    // Pages writes the same components; its Document.iwa starts with another type.
    Members pages = modernComponents();
    pages.first().second = documentComponent(10000);
    QTest::newRow("a Pages document") << test::TestZip::build(pages, test::TestZip::Compression::stored)
                                      << u"belongs to another application"_s;
    QTest::newRow("index.apxl of another XML vocabulary")
        << test::TestZip::build(
               {{u"index.apxl"_s, "<presentation xmlns=\"urn:x\"><fontName/></presentation>"}},
               test::TestZip::Compression::stored)
        << u"is not a Keynote presentation"_s;
    QTest::newRow("components that hold no objects")
        << test::TestZip::build(
               {{u"Index/Document.iwa"_s, IwaWriter::chunk("\xff\xff\xff\xff\xff not Snappy")}},
               test::TestZip::Compression::stored)
        << u"hold no readable objects"_s;
}

void TestKeynoteFonts::notKeynote()
{
    QFETCH(QByteArray, zip);
    QFETCH(QString, note);
    const ReadResult result = readBytes(zip);
    QVERIFY(result.uses.isEmpty());
    QVERIFY2(hasNote(result, note), qPrintable(result.notes.join(u'\n')));
}

void TestKeynoteFonts::passwordProtected()
{
    const QByteArray encrypted = IwaWriter::chunk(QByteArray(64, '\x5a'), 0x8c) + QByteArray(100, '\x33');
    Members components;
    for (const QString &name : {u"Index/Document.iwa"_s, u"Index/Slide-1.iwa"_s})
        components.append({name, encrypted});

    // Marked by .iwpv2, in a folder and in a zip.
    QTemporaryDir dir;
    const QString package = dir.filePath(u"Secret.key"_s);
    QVERIFY(writeFile(package + u"/.iwpv2"_s, "marker"));
    QVERIFY(writeFile(package + u"/Index.zip"_s,
                      test::TestZip::build(modernComponents(), test::TestZip::Compression::stored)));
    ReadResult result = readKeynotePackageFonts(package);
    QVERIFY(result.uses.isEmpty());
    QCOMPARE(result.notes, QStringList{u"password-protected: the fonts cannot be read"_s});
    result = readBytes(
        test::TestZip::build({{u"Secret.key/.iwpv2"_s, "marker"},
                              {u"Secret.key/Index.zip"_s,
                               test::TestZip::build(modernComponents(), test::TestZip::Compression::stored)}},
                             test::TestZip::Compression::stored));
    QVERIFY(result.uses.isEmpty());
    QCOMPARE(result.notes, QStringList{u"password-protected: the fonts cannot be read"_s});

    // No marker, but not one component is plain Snappy.
    result = readBytes(test::TestZip::build(components, test::TestZip::Compression::stored));
    QVERIFY(result.uses.isEmpty());
    QCOMPARE(result.notes, QStringList{u"password-protected: the fonts cannot be read"_s});

    // Some components in another codec: the others are still read.
    Members mixed = modernComponents();
    mixed.append({u"Index/Collaboration.iwa"_s, IwaWriter::chunk("bvxn-compressed", 0x62)});
    result = readBytes(test::TestZip::build(mixed, test::TestZip::Compression::stored));
    QCOMPARE(fontSet(result), modernFonts());
    QVERIFY(hasNote(result, u"1 component(s) are encrypted"));
}

QTEST_GUILESS_MAIN(TestKeynoteFonts)
#include "tst_keynotefonts.moc"
