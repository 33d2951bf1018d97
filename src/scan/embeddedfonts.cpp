#include "embeddedfonts.h"

#include <scan/metadataquery.h>

#include <QJsonArray>

#include <algorithm>

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
        if (const QJsonValue lacking = entry[u"lacking"_s]; lacking.isString()) {
            const QList<uint> characters =
                lacking.toString()
                    .first(std::min<qsizetype>(lacking.toString().size(), maxDrawnCharacters))
                    .toUcs4();
            font.lacking = QList<char32_t>(characters.cbegin(), characters.cend());
        }
        if (!font.fontName.isEmpty() && !font.faces.isEmpty())
            fonts.append(font);
    }
    return fonts;
}

void markEmbeddedFonts(FontStatusItems &items, const QList<EmbeddedFontFaces> &embedded,
                       const QHash<QString, FontUsage> &usage)
{
    for (FontStatusItem &item : items) {
        for (const EmbeddedFontFaces &font : embedded) {
            if (font.fontName == item.fontName) {
                item.embeddedFaces = font.faces;
                // Without a file of its own here, the font draws from the faces that travel in the deck.
                if (!item.hasFile() && font.lacking) {
                    const DrawnCharacters drawn = usage.value(item.fontName).characters;
                    QList<char32_t> lacking = *font.lacking;
                    std::sort(lacking.begin(), lacking.end());
                    lacking.erase(std::unique(lacking.begin(), lacking.end()), lacking.end());
                    item.missingCharacters = missingCharactersAt(lacking, drawn);
                }
                break;
            }
        }
    }
}

} // namespace kernwick
