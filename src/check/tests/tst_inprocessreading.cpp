// Reading a document in process, with the helper's readers and the extraction fed from their reads, gives
// the same scan as asking the helper program: on every test deck and on packages made to tell them apart.
#include <fontmeta/documentquery.h>
#include <scan/fontscanner.h>
#include <scan/powerpointextraction.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testzip.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

namespace {

QString describe(const ScanResult &result)
{
    QStringList lines{u"fonts: "_s + result.fonts.join(u" | "_s), u"notes: "_s + result.notes.join(u" | "_s),
                      u"failure: "_s + result.failure};
    for (const EmbeddedFontFaces &font : result.embedded)
        lines.append(u"embedded: "_s + font.fontName + u" "_s + font.faces.join(u","_s));
    QStringList names = result.usage.keys();
    names.sort();
    for (const QString &name : std::as_const(names)) {
        const FontUsage &usage = result.usage[name];
        lines.append(u"usage %1: %2 / %3 / %4 / %5"_s.arg(
            name, usage.places.join(u","_s), usage.used ? u"used"_s : u"declared"_s,
            usage.usedIn.join(u","_s), usage.usedInKnown ? u"known"_s : u"unknown"_s));
        for (const auto &[place, drawn] : usage.characters)
            lines.append(u"  drawn at %1: %2"_s.arg(place, drawn));
    }
    return lines.join(u'\n');
}

} // namespace

class TestInProcessReading : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    QString makeDeck(const QString &name, const QList<QPair<QString, QByteArray>> &parts)
    {
        const QString path = m_folder.filePath(name);
        test::TestZip zip(path);
        zip.add(u"[Content_Types].xml"_s,
                "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>");
        zip.add(
            u"ppt/presentation.xml"_s,
            "<p:presentation xmlns:p=\"p\" xmlns:r=\"r\"><p:sldIdLst><p:sldId r:id=\"rId2\"/></p:sldIdLst>"
            "</p:presentation>");
        zip.add(u"ppt/_rels/presentation.xml.rels"_s,
                "<Relationships><Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/"
                "officeDocument/2006/relationships/slide\" Target=\"slides/slide1.xml\"/></Relationships>");
        for (const auto &[member, bytes] : parts)
            zip.add(member, bytes);
        zip.close();
        return path;
    }

private Q_SLOTS:
    void sameAnswers_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString &kind : {u"pptx"_s, u"ppt"_s, u"key"_s}) {
            const QDir folder(QStringLiteral(KERNWICK_FIXTURES_DIR) + u'/' + kind);
            for (const QString &name : folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name))
                QTest::newRow(qPrintable(kind + u'/' + name)) << folder.filePath(name);
        }
        QVERIFY(m_folder.isValid());
        const QByteArray slide =
            "<p:sld xmlns:a=\"a\" xmlns:p=\"p\"><p:cSld><p:spTree><p:sp><p:txBody><a:p><a:r>"
            "<a:rPr><a:latin typeface=\"Probe Sans\"/></a:rPr><a:t>Hi</a:t></a:r></a:p>"
            "</p:txBody></p:sp></p:spTree></p:cSld></p:sld>";
        // The reader follows the slide list; the extraction reads every slide part, even one not XML.
        QTest::newRow("unlisted slide") << makeDeck(
            u"unlisted.pptx"_s, {{u"ppt/slides/slide1.xml"_s, slide},
                                 {u"ppt/slides/.slide9.xml"_s, "<a:latin typeface=\"Hidden Face\"/>"}});
        QTest::newRow("damaged slide") << makeDeck(
            u"damaged.pptx"_s,
            {{u"ppt/slides/slide1.xml"_s, "<p:sld><a:latin typeface=\"Broken&#xA0;Sans\"/><a:p>"}});
        QTest::newRow("no-break space") << makeDeck(
            u"nbsp.pptx"_s,
            {{u"ppt/slides/slide1.xml"_s, QByteArray(slide).replace("Probe Sans", "Probe\xC2\xA0Sans")},
             {u"ppt/slideMasters/slideMaster1.xml"_s, "<a:latin typeface=\"Master&amp;Face\"/>"}});
        QTest::newRow("gone") << m_folder.filePath(u"gone.pptx"_s);
    }

    void sameAnswers()
    {
        QFETCH(QString, path);
        // With the scan's limits, and ones cutting parts and bytes short, the reader's parts count as reads.
        for (const ScanLimits limits :
             {ScanLimits{}, ScanLimits{600, 400, 3}, ScanLimits{1 << 20, 4096, 65536}}) {
            const FontScanner helper(MetadataQuery(QStringLiteral(KERNWICK_BIN_DIR "/kernwick-fontmeta")),
                                     limits);
            const FontScanner inProcess(MetadataQuery(DocumentReader(&fontmeta::queryDocumentAnswer)),
                                        limits);
            const ScanResult expected = helper.scan(path);
            QVERIFY(!expected.fonts.isEmpty() || !expected.failure.isEmpty() || !expected.notes.isEmpty());
            QCOMPARE(describe(inProcess.scan(path)), describe(expected));
        }
    }

    // The parts the reader inflates reach the extraction, which then does not inflate them again.
    void partsInflatedOnce()
    {
        const QString deck = QStringLiteral(KERNWICK_FIXTURES_DIR "/pptx/shp-shapes.pptx");
        PowerPointExtraction extraction;
        int handed = 0;
        const ZipMemberTap counting{extraction.tap().wanted,
                                    [&](int index, QStringView name, const QByteArray &bytes) {
                                        ++handed;
                                        extraction.tap().take(index, name, bytes);
                                    }};
        fontmeta::queryDocumentAnswer(deck, &counting);
        QVERIFY(handed > 0);
        QCOMPARE(extraction.finish(deck).fonts, powerPointPackageFonts(deck).fonts);
    }
};

QTEST_GUILESS_MAIN(TestInProcessReading)
#include "tst_inprocessreading.moc"
