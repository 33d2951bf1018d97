#include "testdocuments.h"
#include <fontmeta/office/compounddocumentfonts.h>
#include <fontmeta/office/compounddocumentreader.h>
#include <fontmeta/office/documentsummary.h>
#include <fontmeta/office/pptdocument.h>

#include <QDir>
#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;
using namespace kernwick::fontmeta;
using namespace kernwick::fontmeta::testing;

namespace {

QStringList names(const ReadResult &result)
{
    QStringList list;
    for (const FontUse &use : result.uses)
        list.append(use.fontName);
    return list;
}

ReadResult readCompoundData(const QByteArray &bytes)
{
    return ppt::CompoundDocumentReader::fromData(bytes).read();
}

ppt::FontCollection readStreams(const QByteArray &currentUser, const QByteArray &document)
{
    const ppt::RandomAccessStream stream{document.size(), [&document](qint64 offset, qint64 size, char *out) {
                                             if (offset < 0 || size < 0 || offset > document.size() - size)
                                                 return false;
                                             memcpy(out, document.constData() + offset, size_t(size));
                                             return true;
                                         }};
    return ppt::readFontCollection(currentUser, stream);
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
    QByteArray document = QByteArray(8000, '\0') + documentContainer({u"Old Face"_s});
    const quint32 oldDirectory = quint32(document.size());
    document += persistDirectory(1, {8000});
    const quint32 oldEdit = quint32(document.size());
    document += userEdit(0, oldDirectory, 1);
    document += QByteArray(300, '\0');
    const quint32 newContainer = quint32(document.size());
    document += documentContainer(SampleFonts);
    const quint32 newDirectory = quint32(document.size());
    document += persistDirectory(1, {newContainer});
    const quint32 newEdit = quint32(document.size());
    document += userEdit(oldEdit, newDirectory, 1);
    return {document, currentUser(newEdit)};
}

} // namespace

class TestCompoundDocumentFonts final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fixtures_data();
    void fixtures();
    void builtDocuments_data();
    void builtDocuments();
    void documentSummaryStrings();
    void hostileRecords_data();
    void hostileRecords();
    void hostileCompoundFiles_data();
    void hostileCompoundFiles();
    void damagedCompoundFiles();
};

void TestCompoundDocumentFonts::fixtures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("yields");
    QTest::newRow("2007") << u"ppt/embedded-simple-2007.ppt"_s << QStringList{u"Arial"_s, u"Calibri"_s};
    QTest::newRow("mac 2011") << u"ppt/raw_text.ppt"_s
                              << QStringList{u"Arial"_s, u"Calibri"_s, u"ＭＳ Ｐゴシック"_s};
    QTest::newRow("gap") << u"ppt/plain.ppt"_s << QStringList{u"Arial"_s, u"Calibri"_s, u"Calibri Light"_s};
    QTest::newRow("libreoffice") << u"ppt/filetype-libreoffice.ppt"_s
                                 << QStringList{u"Arial"_s, u"DejaVu Sans"_s, u"Droid Sans Fallback"_s,
                                                u"Times New Roman"_s, u"WenQuanYi Zen Hei"_s};
    QTest::newRow("encrypted ppt") << u"ppt/encrypted.ppt"_s << QStringList{};
    QTest::newRow("encrypted pptx") << u"pptx/encrypted.pptx"_s << QStringList{};
}

void TestCompoundDocumentFonts::fixtures()
{
    QFETCH(QString, file);
    QFETCH(QStringList, yields);
    const ReadResult result =
        readCompoundDocumentFonts(QDir(QStringLiteral(KERNWICK_FIXTURES_DIR)).filePath(file));
    QStringList found = names(result);
    found.sort();
    QCOMPARE(found, yields);
    for (const FontUse &use : result.uses)
        QCOMPARE(use.place, u"font collection"_s);
    if (yields.isEmpty())
        QCOMPARE(result.notes,
                 QStringList{u"the document is password-protected; its fonts cannot be read"_s});
    else
        QVERIFY(result.notes.isEmpty());
}

void TestCompoundDocumentFonts::builtDocuments_data()
{
    QTest::addColumn<Members>("streams");
    QTest::addColumn<QStringList>("yields");
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("note");

    const auto [document, user] = presentationStreams(SampleFonts);
    QTest::newRow("plain") << Members{{u"Current User"_s, user}, {u"PowerPoint Document"_s, document}}
                           << SampleFonts << u"font collection"_s << QString();
    const auto [savedTwice, savedTwiceUser] = incrementallySaved();
    QTest::newRow("saved twice") << Members{{u"Current User"_s, savedTwiceUser},
                                            {u"PowerPoint Document"_s, savedTwice}}
                                 << SampleFonts << u"font collection"_s << QString();
    const auto [oldDocument, oldUser] = presentationStreams({u"Old Face"_s});
    QTest::newRow("dual storage") << Members{{u"PP40"_s, "old"},
                                             {u"Current User"_s, oldUser},
                                             {u"PowerPoint Document"_s, oldDocument},
                                             {u"PP97_DUALSTORAGE/PowerPoint Document"_s, document},
                                             {u"PP97_DUALSTORAGE/Current User"_s, user}}
                                  << SampleFonts << u"font collection"_s << QString();
    QTest::newRow("PowerPoint 95") << Members{{u"PP40"_s, QByteArray(600, 'x')},
                                              {u"PowerPoint Document"_s, oldDocument}}
                                   << QStringList{} << QString()
                                   << u"PowerPoint 95 documents are not supported"_s;
    const QByteArray encryptedUser = currentUser(getU32(user, 16), 0xF3D1C4DF);
    QTest::newRow("encrypted, summary readable")
        << Members{{u"Current User"_s, encryptedUser},
                   {u"PowerPoint Document"_s, QByteArray(5000, '\x5a')},
                   {u"\005DocumentSummaryInformation"_s,
                    documentSummary(u"Fonts Used"_s, {u"Arial"_s, u"Tahoma"_s}, false)}}
        << QStringList{u"Arial"_s, u"Tahoma"_s} << u"document summary"_s << u"password-protected"_s;
    QTest::newRow("encrypted, no summary")
        << Members{{u"Current User"_s, encryptedUser}, {u"PowerPoint Document"_s, QByteArray(5000, '\x5a')}}
        << QStringList{} << QString() << u"password-protected; its fonts cannot be read"_s;
    QTest::newRow("encrypted package") << Members{{u"EncryptionInfo"_s, QByteArray(200, '\1')},
                                                  {u"EncryptedPackage"_s, QByteArray(9000, '\2')}}
                                       << QStringList{} << QString() << u"password-protected"_s;
    QTest::newRow("word document") << Members{{u"WordDocument"_s, QByteArray(9000, '\2')}} << QStringList{}
                                   << QString() << u"holds no PowerPoint presentation"_s;
    QTest::newRow("not PowerPoint 97")
        << Members{{u"Current User"_s, currentUser(0, 0x12345678)}, {u"PowerPoint Document"_s, document}}
        << QStringList{} << QString() << u"not a PowerPoint 97"_s;
}

void TestCompoundDocumentFonts::builtDocuments()
{
    QFETCH(Members, streams);
    QFETCH(QStringList, yields);
    QFETCH(QString, place);
    QFETCH(QString, note);
    const QByteArray file = buildCompoundFile(streams);
    QVERIFY(file.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1")));

    // Through a file too, as kernwick-fontmeta reads it.
    QTemporaryDir folder;
    QFile out(folder.filePath(u"built.ppt"_s));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    out.close();
    for (const ReadResult &result : {readCompoundData(file), readCompoundDocumentFonts(out.fileName())}) {
        QCOMPARE(names(result), yields);
        for (const FontUse &use : result.uses)
            QCOMPARE(use.place, place);
        if (note.isEmpty())
            QVERIFY(result.notes.isEmpty());
        else
            QVERIFY2(result.notes.size() == 1 && result.notes[0].contains(note),
                     qPrintable(result.notes.join(u'\n')));
    }
}

void TestCompoundDocumentFonts::documentSummaryStrings()
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

void TestCompoundDocumentFonts::hostileRecords_data()
{
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("yields");

    const auto [document, user] = presentationStreams(SampleFonts);
    const quint32 edit = getU32(user, 16);
    const qint64 directory = getU32(document, edit + 8 + 12);

    QByteArray selfLoop = document;
    putU32(&selfLoop, edit + 8 + 8, edit); // the edit names itself as the previous one
    QTest::newRow("edit names itself") << user << selfLoop << SampleFonts;

    QByteArray twoEdits = document + userEdit(edit, quint32(directory), 1);
    putU32(&twoEdits, edit + 8 + 8, quint32(document.size())); // ... and the older one points forward
    QTest::newRow("edits point at each other")
        << currentUser(quint32(document.size())) << twoEdits << SampleFonts;

    QByteArray hugeLength = document;
    putU32(&hugeLength, 4, 0xFFFFFFFF); // the document container claims 4 GB
    QTest::newRow("huge record length") << user << hugeLength << SampleFonts;

    QByteArray hugeCount = document;
    putU32(&hugeCount, directory + 8, 1 | (0xFFFu << 20)); // 4095 offsets, 1 present
    QTest::newRow("huge persist count") << user << hugeCount << SampleFonts;

    QByteArray missingDocument = document;
    putU32(&missingDocument, directory + 12, 0xFFFFFF00);
    QTest::newRow("document beyond the stream") << user << missingDocument << QStringList{};
    QTest::newRow("edit beyond the stream") << currentUser(0xFFFFFFF0) << document << QStringList{};
    QTest::newRow("short current user") << user.left(19) << document << QStringList{};
    QTest::newRow("truncated document") << user << document.left(edit + 12) << QStringList{};

    QByteArray atomNotContainer = document;
    atomNotContainer[0] = '\0';
    QTest::newRow("document record is an atom") << user << atomNotContainer << QStringList{};

    // A name that fills all 32 units without a NUL is cut there; an empty one is kept for the caller to drop.
    const auto [odd, oddUser] =
        presentationStreams({u"0123456789012345678901234567890123"_s, u"Short"_s, QString()});
    QTest::newRow("odd names") << oddUser << odd
                               << QStringList{u"01234567890123456789012345678901"_s, u"Short"_s, QString()};
}

void TestCompoundDocumentFonts::hostileRecords()
{
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, document);
    QFETCH(QStringList, yields);
    const ppt::FontCollection fonts = readStreams(user, document);
    QCOMPARE(fonts.names, yields);
    QCOMPARE(fonts.status == ppt::FontCollection::Status::Read, !yields.isEmpty());
}

void TestCompoundDocumentFonts::hostileCompoundFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    const auto [document, user] = incrementallySaved(); // large enough for the big-sector FAT
    CompoundLayout good{buildCompoundFile({{u"Current User"_s, user}, {u"PowerPoint Document"_s, document}})};
    const int documentEntry = good.findEntry(u"PowerPoint Document"_s);
    const int userEntry = good.findEntry(u"Current User"_s);
    QTest::newRow("intact") << good.bytes;

    const quint32 documentStart = getU32(good.bytes, good.directoryEntry(documentEntry) + 0x74);
    CompoundLayout fatCycle = good;
    putU32(&fatCycle.bytes, fatCycle.fatEntry(documentStart + 3), documentStart);
    QTest::newRow("FAT cycle") << fatCycle.bytes;

    CompoundLayout directoryCycle = good;
    putU32(&directoryCycle.bytes, directoryCycle.directoryEntry(documentEntry) + 0x44, 0);
    putU32(&directoryCycle.bytes, directoryCycle.directoryEntry(documentEntry) + 0x48,
           quint32(documentEntry));
    putU32(&directoryCycle.bytes, directoryCycle.directoryEntry(userEntry) + 0x44, quint32(documentEntry));
    putU32(&directoryCycle.bytes, directoryCycle.directoryEntry(userEntry) + 0x48, quint32(userEntry));
    QTest::newRow("directory cycle") << directoryCycle.bytes;

    CompoundLayout miniCycle = good;
    const qint64 miniFat = CompoundLayout::sector(getU32(good.bytes, 0x3C));
    for (int entry = 0; entry < 128; ++entry)
        putU32(&miniCycle.bytes, miniFat + 4 * entry, quint32(entry));
    QTest::newRow("mini FAT cycle") << miniCycle.bytes;

    CompoundLayout hugeSizes = good;
    putU32(&hugeSizes.bytes, hugeSizes.directoryEntry(documentEntry) + 0x78, 0xFFFFFFF0);
    putU32(&hugeSizes.bytes, hugeSizes.directoryEntry(userEntry) + 0x78, 0x7FFFFFF0);
    QTest::newRow("huge stream sizes") << hugeSizes.bytes;

    CompoundLayout hugeCounts = good;
    putU32(&hugeCounts.bytes, 0x2C, 0x7FFFFFFF); // FAT sectors
    putU32(&hugeCounts.bytes, 0x40, 0x7FFFFFFF); // mini FAT sectors
    putU32(&hugeCounts.bytes, 0x48, 0x7FFFFFFF); // DIFAT sectors
    QTest::newRow("huge counts") << hugeCounts.bytes;

    CompoundLayout chainOutside = good;
    putU32(&chainOutside.bytes, chainOutside.directoryEntry(documentEntry) + 0x74, 0x00FFFFFF);
    putU32(&chainOutside.bytes, 0x30, 0xFFFFFFF0);
    QTest::newRow("chains outside the file") << chainOutside.bytes;
}

void TestCompoundDocumentFonts::hostileCompoundFiles()
{
    QFETCH(QByteArray, file);
    const ReadResult result = readCompoundData(file);
    if (qstrcmp(QTest::currentDataTag(), "intact") == 0)
        QCOMPARE(names(result), SampleFonts);
    // Whatever survives the damage is read; nothing else may happen.
    QVERIFY(!result.notes.isEmpty() || !result.uses.isEmpty());
    for (const FontUse &use : result.uses)
        QVERIFY(SampleFonts.contains(use.fontName));
}

void TestCompoundDocumentFonts::damagedCompoundFiles()
{
    const auto [document, user] = incrementallySaved();
    const QByteArray file =
        buildCompoundFile({{u"Current User"_s, user}, {u"PowerPoint Document"_s, document}});
    QRandomGenerator random(7);
    for (int round = 0; round < 400; ++round) {
        QByteArray damaged = file.left(random.bounded(file.size()));
        if (round % 2) {
            damaged = file;
            for (int flips = 0; flips < 6; ++flips) {
                // Mostly in the header, FAT and directory, where damage matters.
                const int where = random.bounded(8) ? random.bounded(std::min<qsizetype>(file.size(), 2048))
                                                    : random.bounded(file.size());
                damaged[where] = char(random.bounded(256));
            }
        }
        readCompoundData(damaged);
    }
    QCOMPARE(readCompoundData(QByteArray()).notes.size(), 1);
    QCOMPARE(readCompoundDocumentFonts(u"/nonexistent/file.ppt"_s).notes.size(), 1);
}

QTEST_GUILESS_MAIN(TestCompoundDocumentFonts)
#include "tst_compounddocumentfonts.moc"
