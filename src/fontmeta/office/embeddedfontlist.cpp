#include "embeddedfontlist.h"

#include <QXmlStreamReader>

#include <array>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta::ooxml {

namespace {

bool isPresentationMl(QStringView ns)
{
    return ns == u"http://schemas.openxmlformats.org/presentationml/2006/main" ||
           ns == u"http://purl.oclc.org/ooxml/presentationml/main";
}

// The face elements of p:embeddedFont, in the order the faces are listed.
constexpr std::array<QStringView, 4> faceElements = {u"regular", u"bold", u"italic", u"boldItalic"};
const std::array<QString, 4> faceNames = {u"Regular"_s, u"Bold"_s, u"Italic"_s, u"Bold Italic"_s};

} // namespace

QList<EmbeddedFont> readEmbeddedFontList(const QByteArray &presentationXml,
                                         const std::function<bool(QStringView id)> &isFontPart)
{
    QList<EmbeddedFont> fonts;
    QXmlStreamReader xml(presentationXml);
    int depth = 0;
    int listDepth = 0; // of p:embeddedFontLst while inside it
    int fontDepth = 0; // of p:embeddedFont while inside it
    QString name;
    std::array<bool, 4> present = {};
    while (!xml.atEnd() && fonts.size() < MaxEmbeddedFonts) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::DTD)
            break;
        if (token == QXmlStreamReader::EndElement) {
            if (depth == fontDepth) {
                EmbeddedFont font{name.trimmed(), {}};
                for (size_t i = 0; i < faceNames.size(); ++i) {
                    if (present[i])
                        font.faces.append(faceNames[i]);
                }
                if (!font.fontName.isEmpty() && !font.faces.isEmpty())
                    fonts.append(font);
                fontDepth = 0;
            } else if (depth == listDepth) {
                listDepth = 0;
            }
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        ++depth;
        if (!isPresentationMl(xml.namespaceUri()))
            continue;
        const QStringView element = xml.name();
        if (element == u"embeddedFontLst" && !listDepth) {
            listDepth = depth;
        } else if (element == u"embeddedFont" && listDepth && depth == listDepth + 1) {
            fontDepth = depth;
            name.clear();
            present = {};
        } else if (fontDepth && depth == fontDepth + 1) {
            if (element == u"font") {
                name = xml.attributes().value(QLatin1StringView("typeface")).toString();
                continue;
            }
            // A face counts when it points at a part of the package.
            for (size_t i = 0; i < faceElements.size(); ++i) {
                if (element == faceElements[i]) {
                    for (const QXmlStreamAttribute &attribute : xml.attributes()) {
                        const QStringView id = attribute.value().trimmed();
                        if (attribute.name() == u"id" && !id.isEmpty() && (!isFontPart || isFontPart(id)))
                            present[i] = true;
                    }
                }
            }
        }
    }
    return fonts;
}

} // namespace kernwick::fontmeta::ooxml
