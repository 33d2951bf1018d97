#include "embeddedfonts.h"

#include <scan/metadataquery.h>

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
// A presentation that claims more than this says nothing useful about its fonts.
constexpr qsizetype maxEmbeddedFonts = 1000;
const QStringList knownFaces = {u"Regular"_s, u"Bold"_s, u"Italic"_s, u"Bold Italic"_s};
} // namespace

QList<EmbeddedFontFaces> parseEmbeddedFonts(const QJsonObject &document)
{
    QList<EmbeddedFontFaces> fonts;
    for (const QJsonValue entry : document[u"embedded"_s].toArray()) {
        if (fonts.size() >= maxEmbeddedFonts)
            break;
        EmbeddedFontFaces font{metadataFontName(entry[u"name"_s].toString()), {}};
        for (const QJsonValue face : entry[u"faces"_s].toArray()) {
            const QString style = face.toString();
            if (knownFaces.contains(style) && !font.faces.contains(style))
                font.faces.append(style);
        }
        if (!font.fontName.isEmpty() && !font.faces.isEmpty())
            fonts.append(font);
    }
    return fonts;
}

void markEmbeddedFonts(FontStatusItems &items, const QList<EmbeddedFontFaces> &embedded)
{
    for (FontStatusItem &item : items) {
        for (const EmbeddedFontFaces &font : embedded) {
            if (font.fontName == item.fontName) {
                item.embeddedFaces = font.faces;
                break;
            }
        }
    }
}

} // namespace kernwick
