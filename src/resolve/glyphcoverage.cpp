#include "glyphcoverage.h"

#include <platform/fontfile.h>

#include <QSet>

#include <algorithm>

namespace kernwick {

std::optional<QList<char32_t>> missingCharacters(const QString &fontFile, int faceIndex,
                                                 const QList<char32_t> &characters)
{
    return charactersNotInFace(fontFile, std::max(faceIndex, 0), characters);
}

MissingCharacters findMissingCharacters(const FontStatusItem &item, const DrawnCharacters &drawn)
{
    if (!item.hasFile() || drawn.isEmpty())
        return {};
    const QString file = item.filePath();
    int faceIndex = 0;
    for (const FontFace &face : item.faces) {
        if (face.file == file) {
            faceIndex = face.index;
            break;
        }
    }
    QSet<char32_t> distinct;
    for (const auto &[place, characters] : drawn) {
        for (const char32_t c : characters.toUcs4())
            distinct.insert(c);
    }
    QList<char32_t> sorted(distinct.cbegin(), distinct.cend());
    std::sort(sorted.begin(), sorted.end());
    const std::optional<QList<char32_t>> missing = missingCharacters(file, faceIndex, sorted);
    return missing ? missingCharactersAt(*missing, drawn) : MissingCharacters();
}

} // namespace kernwick
