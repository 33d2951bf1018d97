#pragma once

// Small Keynote documents that the tests build, with the font names they must yield.

#include <fontmeta/keynote/testsupport/iwawriter.h>

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <testsupport/testzip.h>

#include <utility>

namespace kernwick::fontmeta::testing {

using namespace Qt::StringLiterals;

using Members = QList<std::pair<QString, QByteArray>>;

inline QByteArray documentComponent(quint32 firstType = 1)
{
    IwaWriter writer;
    writer.addObject(1, {{firstType, IwaWriter::varintField(1, 2)}});
    return writer.component();
}

// Components as Keynote writes them, with the names varying as they do between versions.
inline Members modernComponents()
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

inline QSet<QString> modernFonts()
{
    return {u"GillSans"_s, u"HelveticaNeue-Bold"_s, u"Avenir-Compat"_s, u"ZapfDingbatsITC"_s,
            u"Didot"_s,    u"Futura-Medium"_s,      u"HiraKakuPro-W3"_s};
}

// A legacy index.apxl whose prefixes are not the usual ones: only the namespace URIs count.
inline QByteArray legacyXml(const QByteArray &fontName = "MarkerFelt-Thin")
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

inline QSet<QString> legacyFonts()
{
    return {u"GillSans"_s, u"MarkerFelt-Thin"_s};
}

} // namespace kernwick::fontmeta::testing
