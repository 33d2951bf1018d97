#include "glyphcoverage.h"

#include <QFile>
#include <QSet>

#include <ft2build.h>

#include <algorithm>
#include FT_FREETYPE_H

namespace kernwick {

namespace {

// One library per call: checks run side by side on worker threads.
class FaceHandle
{
public:
    FaceHandle(const QString &fontFile, int faceIndex)
    {
        if (FT_Init_FreeType(&m_library) != 0) {
            m_library = nullptr;
            return;
        }
        if (FT_New_Face(m_library, QFile::encodeName(fontFile).constData(), faceIndex, &m_face) != 0)
            m_face = nullptr;
    }
    ~FaceHandle()
    {
        if (m_face)
            FT_Done_Face(m_face);
        if (m_library)
            FT_Done_FreeType(m_library);
    }
    Q_DISABLE_COPY_MOVE(FaceHandle)

    FT_Face face() const { return m_face; }

private:
    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
};

} // namespace

std::optional<QList<char32_t>> missingCharacters(const QString &fontFile, int faceIndex,
                                                 const QList<char32_t> &characters)
{
    const FaceHandle handle(fontFile, std::max(faceIndex, 0));
    const FT_Face face = handle.face();
    if (!face)
        return std::nullopt;
    const bool unicode = FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0;
    const bool symbol = !unicode && FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0;
    if (!unicode && !symbol)
        return std::nullopt; // a character map of another kind tells nothing about these characters
    QList<char32_t> missing;
    for (const char32_t c : characters) {
        bool found = FT_Get_Char_Index(face, c) != 0;
        if (!found && symbol && c >= 0x20 && c <= 0xff)
            found = FT_Get_Char_Index(face, 0xf000 + c) != 0;
        if (!found)
            missing.append(c);
    }
    return missing;
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
    if (!missing || missing->isEmpty())
        return {};
    MissingCharacters result;
    result.count = missing->size();
    const QList<char32_t> listed = missing->first(std::min(result.count, maxListedMissingCharacters));
    result.characters = QString::fromUcs4(listed.constData(), listed.size());
    const QSet<char32_t> lacking(missing->cbegin(), missing->cend());
    for (const auto &[place, characters] : drawn) {
        const QList<uint> here = characters.toUcs4();
        if (std::any_of(here.cbegin(), here.cend(),
                        [&lacking](uint c) { return lacking.contains(char32_t(c)); }) &&
            !place.isEmpty() && !result.places.contains(place))
            result.places.append(place);
    }
    return result;
}

} // namespace kernwick
