#include "scantestcase.h"
#include <scan/powerpointextraction.h>

#include <QElapsedTimer>

using namespace Qt::StringLiterals;
using namespace kernwick;

class PowerPointExtractionTest : public ScanTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void namesInSlides_data();
    void namesInSlides();
    void partsReadAndPartsLeftAlone();
    void realDocuments_data();
    void realDocuments();
    void documentsThatAreNotArchives_data();
    void documentsThatAreNotArchives();
    void hostileNamesAndLinks();
    void memberThatInflatesToGigabytes();
    void largeAndHostileSlides();
};

namespace {
QByteArray slide(const QByteArray &body)
{
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
           R"(<p:sld xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><p:cSld><p:spTree>)" +
           body + "</p:spTree></p:cSld></p:sld>";
}
} // namespace

void PowerPointExtractionTest::namesInSlides_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("other attributes around typeface")
        << QByteArray(R"(<a:latin pitchFamily="34" typeface="Avenir Next" charset="0"/>)")
        << QStringList{u"Avenir Next"_s};
    QTest::newRow("element across lines")
        << QByteArray("<a:latin\n  panose=\"020B0604\"\n  typeface=\"Gill Sans\"/>")
        << QStringList{u"Gill Sans"_s};
    QTest::newRow("theme references")
        << QByteArray(R"(<a:latin typeface="+mn-lt"/><a:latin typeface="+mj-lt"/>)") << QStringList();
    QTest::newRow("theme tokens dropped, names kept")
        << QByteArray(R"(<a:latin typeface="dk1"/><a:latin typeface="font2"/><a:latin typeface="Font2"/>)"
                      R"(<a:latin typeface="abcdef1"/>)")
        << QStringList{u"Font2"_s, u"abcdef1"_s};
    QTest::newRow("null in any case")
        << QByteArray(R"(<a:latin typeface="Null"/><a:latin typeface="NULL"/>)") << QStringList();
    QTest::newRow("caret spoils the element")
        << QByteArray(R"(<a:latin typeface="Bad^Name"/>)") << QStringList();
    QTest::newRow("references stay verbatim")
        << QByteArray(R"(<a:latin typeface="Times&#160;New&#160;Roman"/>)")
        << QStringList{u"Times&#160;New&#160;Roman"_s};
    QTest::newRow("no-break spaces become spaces")
        << QByteArray("<a:latin typeface=\"Times\xc2\xa0New\xc2\xa0Roman\xc2\xa0\"/>")
        << QStringList{u"Times New Roman"_s};
    QTest::newRow("two on one line") << QByteArray(
                                            R"(<a:latin typeface="Arial"/><a:latin typeface="Verdana"/>)")
                                     << QStringList{u"Arial"_s, u"Verdana"_s};
    QTest::newRow("other scripts are not read")
        << QByteArray(R"(<a:ea typeface="MS Gothic"/><a:cs typeface="Mangal"/><a:sym typeface="Wingdings"/>)")
        << QStringList();
    QTest::newRow("white space only") << QByteArray("<a:latin typeface=\" \t\"/>") << QStringList();
    QTest::newRow("localized name") << QByteArray("<a:latin typeface=\"ＭＳ Ｐゴシック\"/>")
                                    << QStringList{u"ＭＳ Ｐゴシック"_s};
}

void PowerPointExtractionTest::namesInSlides()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, names);
    const QString deck = makeArchive(u"deck.pptx"_s, {{u"ppt/slides/slide1.xml"_s, slide(body)}});
    QCOMPARE(sorted(powerPointPackageFonts(deck)), sorted(names));
}

void PowerPointExtractionTest::partsReadAndPartsLeftAlone()
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
    QCOMPARE(sorted(powerPointPackageFonts(deck)),
             (QStringList{u"FromHiddenSlide"_s, u"FromMaster"_s, u"FromPresentation"_s, u"FromSlide"_s}));
}

void PowerPointExtractionTest::realDocuments_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("Mac PowerPoint") << u"pptx/txt-font-typeface.pptx"_s
                                    << QStringList{u"Arial"_s, u"Arial Black"_s, u"Lucida Grande"_s,
                                                   u"Verdana"_s};
    QTest::newRow("LibreOffice") << u"pptx/fixture2-libreoffice.pptx"_s
                                 << QStringList{u"Arial"_s, u"Times New Roman"_s};
    // These name their faces only in themes, layouts or through theme references.
    for (const char *file : {"pptx/shp-shapes.pptx", "pptx/sld-notes.pptx", "pptx/fixture-office365.pptx",
                             "pptx/embedded-simple-2007.pptx"}) {
        QTest::newRow(file) << QString::fromLatin1(file) << QStringList();
    }
}

void PowerPointExtractionTest::realDocuments()
{
    QFETCH(QString, file);
    QFETCH(QStringList, names);
    QCOMPARE(sorted(powerPointPackageFonts(fixture(file))), names);
}

void PowerPointExtractionTest::documentsThatAreNotArchives_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("password-protected (a compound file)") << fixture(u"pptx/encrypted.pptx"_s);
    QTest::newRow("binary presentation") << fixture(u"ppt/plain.ppt"_s);
    QTest::newRow("package folder") << fixture(u"key/package-keynote6.key"_s);
    QTest::newRow("no such file") << deckPath(u"absent.pptx"_s);

    QTest::newRow("plain text") << deckPath(u"text.pptx"_s);
    test::writeFile(deckPath(u"text.pptx"_s), "<a:latin typeface=\"Arial\"/>");

    // The end of a real archive cut off: its directory is gone.
    QFile whole(fixture(u"pptx/txt-font-typeface.pptx"_s));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    test::writeFile(deckPath(u"truncated.pptx"_s), bytes.left(bytes.size() / 2));
    QTest::newRow("truncated archive") << deckPath(u"truncated.pptx"_s);
    test::writeFile(deckPath(u"empty.pptx"_s), {});
    QTest::newRow("empty file") << deckPath(u"empty.pptx"_s);
}

void PowerPointExtractionTest::documentsThatAreNotArchives()
{
    QFETCH(QString, path);
    QCOMPARE(powerPointPackageFonts(path), QStringList());
}

void PowerPointExtractionTest::hostileNamesAndLinks()
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
        // A link that the slide reading would follow out of the scan folder, and a folder link that a
        // later member would be written through.
        zip.addLink(u"ppt/slides/slide1.xml"_s, fixture(u"pptx/txt-font-typeface.pptx"_s));
        zip.addLink(u"ppt/slideMasters"_s, outside);
        zip.add(u"ppt/slideMasters/slideMaster1.xml"_s, slide(R"(<a:latin typeface="Master"/>)"));
        zip.add(u"ppt/slides/slide2.xml"_s, slide(R"(<a:latin typeface="Inside"/>)"));
        QVERIFY(zip.close());
    }
    QCOMPARE(sorted(powerPointPackageFonts(path)), (QStringList{u"Inside"_s, u"Master"_s}));
    QVERIFY(!QFileInfo::exists(outside));
    const QStringList besideTheDecks =
        QDir(deckPath(QString())).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QVERIFY(!besideTheDecks.contains(u"ppt"_s));
    QVERIFY(!besideTheDecks.contains(u"x.xml"_s));
}

void PowerPointExtractionTest::memberThatInflatesToGigabytes()
{
    const QString path = deckPath(u"bomb.pptx"_s);
    {
        test::TestZip zip(path);
        zip.add(u"ppt/slides/slide1.xml"_s, slide(R"(<a:latin typeface="Before"/>)"));
        zip.addGenerated(u"ppt/slides/slide2.xml"_s, qint64(2) << 30,
                         [](char *chunk, qint64 length) { std::fill_n(chunk, length, ' '); });
        zip.add(u"ppt/slides/slide3.xml"_s, slide(R"(<a:latin typeface="After"/>)"));
        QVERIFY(zip.close());
    }
    QVERIFY(QFileInfo(path).size() < (qint64(64) << 20));
    QCOMPARE(sorted(powerPointPackageFonts(path)), (QStringList{u"After"_s, u"Before"_s}));
}

void PowerPointExtractionTest::largeAndHostileSlides()
{
    // A 50 MB slide is still read whole.
    QByteArray large =
        slide(QByteArray(R"(<a:r><a:rPr><a:latin typeface="Common"/></a:rPr><a:t>text</a:t></a:r>)")
                  .repeated(760'000) +
              R"(<a:latin typeface="AtTheEnd"/>)");
    QVERIFY(large.size() > 50'000'000);
    // Unclosed elements that make a naive pattern search go back over the rest of the text from every
    // start. They still match as the pattern says: one match from the first element to the last quote
    // whose value can close.
    const QByteArray unclosed = QByteArray("<a:latin typeface=\"").repeated(200'000) +
                                QByteArray("<a:latin typeface").repeated(200'000) + "=\"";
    const QString deck =
        makeArchive(u"large.pptx"_s, {{u"ppt/slides/slide1.xml"_s, large},
                                      {u"ppt/slides/slide2.xml"_s, unclosed},
                                      {u"ppt/slides/slide3.xml"_s, QByteArray(5'000'000, '<')}});
    large.clear();
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(sorted(powerPointPackageFonts(deck)),
             (QStringList{u"<a:latin typeface"_s.repeated(200'000) + u'=', u"AtTheEnd"_s, u"Common"_s}));
    qInfo() << "read a 50 MB slide and hostile ones in" << timer.elapsed() << "ms";
}

QTEST_GUILESS_MAIN(PowerPointExtractionTest)
#include "tst_powerpointextraction.moc"
