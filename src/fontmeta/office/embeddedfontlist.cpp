#include "embeddedfontlist.h"

#include <QXmlStreamReader>
#include <QtEndian>

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

bool isFontFile(QByteArrayView data)
{
    static const QByteArrayView signatures[] = {QByteArrayView("\0\1\0\0", 4), "OTTO", "true", "ttcf"};
    return std::any_of(std::begin(signatures), std::end(signatures),
                       [data](QByteArrayView signature) { return data.startsWith(signature); });
}

// Embedded OpenType: a little-endian header (total size, font data size, version, flags, …, a magic number
// at offset 34, then names of varying length) with the font data at its end.
constexpr qsizetype EotFixedHeader = 84; // up to the family name's size
constexpr quint16 EotMagic = 0x504c;
constexpr quint32 EotCompressed = 0x4;
constexpr quint32 EotXored = 0x10000000;

} // namespace

std::optional<QByteArray> fontInEmbeddedPart(const QByteArray &part)
{
    if (isFontFile(part))
        return part;
    if (part.size() < EotFixedHeader)
        return std::nullopt;
    const auto *bytes = reinterpret_cast<const uchar *>(part.constData());
    const quint32 eotSize = qFromLittleEndian<quint32>(bytes);
    const quint32 fontSize = qFromLittleEndian<quint32>(bytes + 4);
    const quint32 flags = qFromLittleEndian<quint32>(bytes + 12);
    if (qFromLittleEndian<quint16>(bytes + 34) != EotMagic || eotSize > quint64(part.size()) ||
        eotSize < EotFixedHeader || fontSize == 0 || fontSize > eotSize - EotFixedHeader ||
        (flags & EotCompressed))
        return std::nullopt;
    QByteArray font = part.mid(eotSize - fontSize, fontSize);
    if (flags & EotXored) {
        for (char &byte : font)
            byte = char(byte ^ 0x50);
    }
    if (!isFontFile(font))
        return std::nullopt;
    return font;
}

QList<EmbeddedFont> readEmbeddedFontList(const QByteArray &presentationXml,
                                         const std::function<bool(QStringView id)> &isFontPart,
                                         QList<QStringList> *faceIds)
{
    QList<EmbeddedFont> fonts;
    QXmlStreamReader xml(presentationXml);
    int depth = 0;
    int listDepth = 0; // of p:embeddedFontLst while inside it
    int fontDepth = 0; // of p:embeddedFont while inside it
    QString name;
    std::array<QString, 4> present = {}; // the relationship id of each face
    while (!xml.atEnd() && fonts.size() < MaxEmbeddedFonts) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::DTD)
            break;
        if (token == QXmlStreamReader::EndElement) {
            if (depth == fontDepth) {
                EmbeddedFont font{name.trimmed(), {}};
                QStringList ids;
                for (size_t i = 0; i < faceNames.size(); ++i) {
                    if (!present[i].isEmpty()) {
                        font.faces.append(faceNames[i]);
                        ids.append(present[i]);
                    }
                }
                if (!font.fontName.isEmpty() && !font.faces.isEmpty()) {
                    fonts.append(font);
                    if (faceIds)
                        faceIds->append(ids);
                }
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
                            present[i] = id.toString();
                    }
                }
            }
        }
    }
    return fonts;
}

} // namespace kernwick::fontmeta::ooxml
