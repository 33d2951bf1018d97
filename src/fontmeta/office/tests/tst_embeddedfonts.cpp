// Which fonts a presentation carries inside itself, and which of their faces.
#include "testdocuments.h"
#include <fontmeta/office/embeddedfontlist.h>
#include <fontmeta/office/pptdocument.h>

#include <QTest>

using namespace Qt::StringLiterals;
using namespace kernwick::fontmeta;
using namespace kernwick::fontmeta::testing;

namespace {

QStringList described(const QList<EmbeddedFont> &fonts)
{
    QStringList lines;
    for (const EmbeddedFont &font : fonts)
        lines.append(font.fontName + u": "_s + font.faces.join(u", "_s));
    return lines;
}

} // namespace

class EmbeddedFontsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void embeddedFontList_data();
    void embeddedFontList();
    void binaryPresentation();
};

void EmbeddedFontsTest::embeddedFontList_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QStringList>("fonts");

    const QByteArray open =
        R"(<p:presentation xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main" )"
        R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)";
    const QByteArray twoFaces =
        R"(<p:embeddedFontLst><p:embeddedFont><p:font typeface="Example Sans"/>)"
        R"(<p:bold r:id="rId9"/><p:regular r:id="rId8"/></p:embeddedFont>)"
        R"(<p:embeddedFont><p:font typeface="Example Serif"/><p:boldItalic r:id="rId10"/>)"
        R"(</p:embeddedFont></p:embeddedFontLst>)";
    QTest::newRow("faces in their own order")
        << open + twoFaces + "</p:presentation>"
        << QStringList{u"Example Sans: Regular, Bold"_s, u"Example Serif: Bold Italic"_s};
    QTest::newRow("strict namespace")
        << QByteArray(R"(<p:presentation xmlns:p="http://purl.oclc.org/ooxml/presentationml/main" )"
                      R"(xmlns:r="http://purl.oclc.org/ooxml/officeDocument/relationships">)"
                      R"(<p:embeddedFontLst><p:embeddedFont><p:font typeface="Strict Sans"/>)"
                      R"(<p:italic r:id="rId3"/></p:embeddedFont></p:embeddedFontLst></p:presentation>)")
        << QStringList{u"Strict Sans: Italic"_s};
    QTest::newRow("no face, no name, face without part")
        << open + R"(<p:embeddedFontLst><p:embeddedFont><p:font typeface="Listed Only"/></p:embeddedFont>)"
                  R"(<p:embeddedFont><p:font typeface=" "/><p:regular r:id="rId2"/></p:embeddedFont>)"
                  R"(<p:embeddedFont><p:font typeface="No Part"/><p:regular r:id=""/></p:embeddedFont>)"
                  R"(</p:embeddedFontLst></p:presentation>)"
        << QStringList{};
    QTest::newRow("embedded font outside the list")
        << open + R"(<p:embeddedFont><p:font typeface="Stray"/><p:regular r:id="rId2"/></p:embeddedFont>)"
                  R"(</p:presentation>)"
        << QStringList{};
    QTest::newRow("cut short: what came before")
        << open + twoFaces.left(twoFaces.indexOf("<p:embeddedFont><p:font typeface=\"Example Serif")) +
               "<p:emb"
        << QStringList{u"Example Sans: Regular, Bold"_s};
    QTest::newRow("document type declaration")
        << "<!DOCTYPE p [<!ENTITY e \"Example\">]>" + open + twoFaces + "</p:presentation>" << QStringList{};
}

void EmbeddedFontsTest::embeddedFontList()
{
    QFETCH(QByteArray, xml);
    QFETCH(QStringList, fonts);
    QCOMPARE(described(ooxml::readEmbeddedFontList(xml)), fonts);
}

void EmbeddedFontsTest::binaryPresentation()
{
    // Each font entry is followed by one embedded-data record per face it carries; the record's instance
    // is the style.
    const auto blob = [](quint16 style) {
        return ppt::record(quint16(style << 4), 0x0FB8, "font data");
    };
    const QByteArray entries = fontEntity(u"Example Sans"_s) + blob(0) + blob(1) + fontEntity(u"Plain"_s) +
                               fontEntity(u"Example Serif"_s) + blob(3) + blob(7);
    const QByteArray textInfo = ppt::record(0x000F, 0x03F2, ppt::record(0x001F, 0x07D5, entries));
    QByteArray document =
        ppt::record(0x000F, 0x03E8, ppt::record(0x0001, 0x03E9, QByteArray(40, '\0')) + textInfo);
    const quint32 directory = quint32(document.size());
    document += persistDirectory(1, {0});
    const quint32 edit = quint32(document.size());
    document += userEdit(0, directory, 1);
    const ppt::RandomAccessStream stream{document.size(), [&document](qint64 offset, qint64 size, char *out) {
                                             if (offset < 0 || size < 0 || offset > document.size() - size)
                                                 return false;
                                             memcpy(out, document.constData() + offset, size_t(size));
                                             return true;
                                         }};
    const ppt::FontCollection fonts = ppt::readFontCollection(currentUser(edit), stream);
    QCOMPARE(fonts.names, (QStringList{u"Example Sans"_s, u"Plain"_s, u"Example Serif"_s}));
    QCOMPARE(described(fonts.embedded),
             (QStringList{u"Example Sans: Regular, Bold"_s, u"Example Serif: Bold Italic"_s}));
}

QTEST_GUILESS_MAIN(EmbeddedFontsTest)
#include "tst_embeddedfonts.moc"
