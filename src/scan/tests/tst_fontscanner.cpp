#include "scantestcase.h"
#include <scan/fontscanner.h>

#include <QFile>

#include <future>

using namespace Qt::StringLiterals;
using namespace kernwick;

class FontScannerTest : public ScanTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void mergesTheSourcesOnceEachInCodePointOrder();
    void sourcesByExtension_data();
    void sourcesByExtension();
    void scansSideBySide();

private:
    // A metadata tool that answers with `names` for any document.
    QString tool(const QString &name, const QStringList &names);
    QString m_slideDeck;
};

QString FontScannerTest::tool(const QString &name, const QStringList &names)
{
    QByteArrayList lines;
    for (const QString &font : names)
        lines.append("    \"" + font.toUtf8() + '"');
    const QByteArray answer = names.isEmpty() ? QByteArray("kMDItemFonts = (null)\n")
                                              : "kMDItemFonts = (\n" + lines.join(",\n") + "\n)\n";
    const QString path = deckPath(name);
    test::writeFile(path, "#!/bin/sh\ncat <<'EOF'\n" + answer + "EOF\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
    return path;
}

void FontScannerTest::initTestCase()
{
    const QByteArray slide = R"(<p:sld><a:latin typeface="Arial"/><a:latin typeface="Verdana"/>)"
                             "<a:latin typeface=\"Caf\xc3\xa9\"/></p:sld>";
    m_slideDeck = makeArchive(u"deck.zip"_s, {{u"ppt/slides/slide1.xml"_s, slide}});
}

void FontScannerTest::mergesTheSourcesOnceEachInCodePointOrder()
{
    const QString deck = deckPath(u"Talk.pptx"_s);
    QVERIFY(QFile::copy(m_slideDeck, deck));
    // The metadata's "Cafe" with a combining accent is the package's composed "Café".
    const FontScanner scanner(
        MetadataQuery(tool(u"tool"_s, {u"Zapfino"_s, u"arial"_s, u"Arial"_s, u"Cafe\u0301"_s,
                                       u"\U0001D49C Script"_s, u"\uFF21 Wide"_s})));
    QCOMPARE(scanner.scanFonts(deck), (QStringList{u"Arial"_s, u"Cafe\u0301"_s, u"Verdana"_s, u"Zapfino"_s,
                                                   u"arial"_s, u"\uFF21 Wide"_s, u"\U0001D49C Script"_s}));
}

void FontScannerTest::sourcesByExtension_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QStringList>("metadata");
    QTest::addColumn<QStringList>("names");

    const QStringList fromSlides = {u"Arial"_s, u"Café"_s, u"Verdana"_s};
    QTest::newRow("upper-case extension") << u"A.PPTX"_s << QStringList() << fromSlides;
    QTest::newRow("metadata says null") << u"B.pptx"_s << QStringList() << fromSlides;
    QTest::newRow("both sources") << u"C.pptx"_s << QStringList{u"Gill Sans"_s, u"Arial"_s}
                                  << QStringList{u"Arial"_s, u"Café"_s, u"Gill Sans"_s, u"Verdana"_s};
    // A binary presentation gets no extraction, whatever it holds.
    QTest::newRow("binary presentation")
        << u"D.ppt"_s << QStringList{u"Tahoma"_s, u"Tahoma"_s} << QStringList{u"Tahoma"_s};
    QTest::newRow("binary presentation, nothing known") << u"E.ppt"_s << QStringList() << QStringList();
}

void FontScannerTest::sourcesByExtension()
{
    QFETCH(QString, fileName);
    QFETCH(QStringList, metadata);
    QFETCH(QStringList, names);
    const QString deck = deckPath(fileName);
    QVERIFY(QFile::copy(m_slideDeck, deck));
    QCOMPARE(FontScanner(MetadataQuery(tool(fileName + u".tool"_s, metadata))).scanFonts(deck), names);
}

void FontScannerTest::scansSideBySide()
{
    const FontScanner scanner{MetadataQuery()};
    auto first = std::async(std::launch::async,
                            [&] { return scanner.scanFonts(fixture(u"pptx/txt-font-typeface.pptx"_s)); });
    auto second = std::async(std::launch::async,
                             [&] { return scanner.scanFonts(fixture(u"pptx/fixture2-libreoffice.pptx"_s)); });
    QCOMPARE(first.get().size(), 4);
    QCOMPARE(second.get().size(), 2);
}

QTEST_GUILESS_MAIN(FontScannerTest)
#include "tst_fontscanner.moc"
