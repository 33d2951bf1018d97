// kernwick-check on a deck whose master declares a font that no text uses.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testfonts.h>
#include <testsupport/testzip.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

namespace {

const QByteArray Ns = "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
                      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

QByteArray rels(const QByteArray &type, const QByteArray &target)
{
    return "<Relationships "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
           "Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" +
           type + "\" Target=\"" + target + "\"/></Relationships>";
}

} // namespace

class CheckWhereUsedTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void declaredOnlyFonts();
};

void CheckWhereUsedTest::declaredOnlyFonts()
{
    const test::TestFonts fonts;
    QVERIFY(fonts.isValid());
    QTemporaryDir folder;
    const QString deck = folder.filePath(u"Ghost.pptx"_s);
    test::TestZip zip(deck);
    zip.add(u"[Content_Types].xml"_s, "<Types/>");
    zip.add(u"_rels/.rels"_s, rels("officeDocument", "ppt/presentation.xml"));
    zip.add(u"ppt/presentation.xml"_s,
            "<p:presentation " + Ns + "><p:sldIdLst><p:sldId r:id=\"rId1\"/></p:sldIdLst></p:presentation>");
    zip.add(u"ppt/_rels/presentation.xml.rels"_s, rels("slide", "slides/slide1.xml"));
    // The slide's text draws DejaVu Sans; the master's second bullet level names a face nobody has.
    zip.add(u"ppt/slides/slide1.xml"_s, "<p:sld " + Ns +
                                            "><p:cSld><p:spTree><p:sp><p:txBody><a:p><a:r><a:rPr><a:latin "
                                            "typeface=\"DejaVu Sans\"/></a:rPr><a:t>x</a:t></a:r></a:p>"
                                            "</p:txBody></p:sp></p:spTree></p:cSld></p:sld>");
    zip.add(u"ppt/slides/_rels/slide1.xml.rels"_s, rels("slideLayout", "../slideLayouts/slideLayout1.xml"));
    zip.add(u"ppt/slideLayouts/slideLayout1.xml"_s, "<p:sldLayout " + Ns + "/>");
    zip.add(u"ppt/slideLayouts/_rels/slideLayout1.xml.rels"_s, rels("slideMaster", "../slideMasters/m1.xml"));
    zip.add(
        u"ppt/slideMasters/m1.xml"_s,
        "<p:sldMaster " + Ns +
            "><p:txStyles><p:bodyStyle><a:lvl2pPr><a:buFont typeface=\"Ghost Face\"/><a:buChar char=\"-\"/>"
            "</a:lvl2pPr></p:bodyStyle></p:txStyles></p:sldMaster>");
    QVERIFY(zip.close());

    const auto check = [&](const QStringList &arguments, int exitCode) {
        QProcess process;
        process.setProcessEnvironment(fonts.environment());
        process.start(QStringLiteral(KERNWICK_BIN_DIR "/kernwick-check"), arguments + QStringList{deck});
        process.waitForFinished(120'000);
        [&] {
            QCOMPARE(process.exitCode(), exitCode);
        }();
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    const QString text = check({}, 1);
    QVERIFY2(text.contains(u"  Ghost Face   Missing     —\n    not used by any text (slide master 1)\n"_s),
             qPrintable(text));
    QVERIFY2(text.contains(u"\n    used on slide 1\n"_s), qPrintable(text));
    QVERIFY(text.contains(u"Needs Attention: "_s));

    // Only the drawn text counts: ready, and the left-out font is still listed.
    const QString usedOnly = check({u"--used-only"_s}, 0);
    QVERIFY2(usedOnly.contains(u"Ready for Handoff: "_s) &&
                 usedOnly.contains(u"(leaving out 1 font(s) no text uses)"),
             qPrintable(usedOnly));
    QVERIFY(usedOnly.contains(u"  Ghost Face "_s));

    const QJsonObject file =
        QJsonDocument::fromJson(check({u"--json"_s}, 1).toUtf8())[u"files"_s][0].toObject();
    for (const QJsonValue font : file[u"fonts"_s].toArray()) {
        const bool ghost = font[u"name"_s] == u"Ghost Face"_s;
        QCOMPARE(font[u"used"_s].toBool(), !ghost);
        QCOMPARE(font[u"usedIn"_s].toArray(), ghost ? QJsonArray() : QJsonArray{u"slide 1"_s});
        QCOMPARE(font[u"places"_s].toArray(), QJsonArray{ghost ? u"slide master 1"_s : u"slide 1"_s});
    }
}

QTEST_GUILESS_MAIN(CheckWhereUsedTest)
#include "tst_checkwhereused.moc"
