#include "fontfile.h"

#include <QByteArray>
#include <QFile>

#include <ft2build.h>

#include <algorithm>
#include <memory>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include <optional>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

// A FreeType library per thread: a library must not be used from two threads at once.
class FreeTypeLibrary final
{
public:
    FreeTypeLibrary()
    {
        if (FT_Init_FreeType(&m_library) != 0)
            m_library = nullptr;
    }
    ~FreeTypeLibrary()
    {
        if (m_library)
            FT_Done_FreeType(m_library);
    }
    Q_DISABLE_COPY_MOVE(FreeTypeLibrary)
    FT_Library get() const { return m_library; }

private:
    FT_Library m_library = nullptr;
};

FT_Library freeType()
{
    thread_local FreeTypeLibrary library;
    return library.get();
}

struct FaceCloser
{
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};

// The name table entry `nameId`: Windows English (United States) first, then any Windows entry, then the
// Macintosh Roman one.
std::optional<QString> sfntName(FT_Face face, FT_UShort nameId)
{
    std::optional<QString> windows;
    std::optional<QString> macintosh;
    const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName name;
        if (FT_Get_Sfnt_Name(face, i, &name) != 0 || name.name_id != nameId)
            continue;
        const auto *bytes = reinterpret_cast<const char *>(name.string);
        if (name.platform_id == TT_PLATFORM_MICROSOFT &&
            (name.encoding_id == TT_MS_ID_UNICODE_CS || name.encoding_id == TT_MS_ID_SYMBOL_CS ||
             name.encoding_id == TT_MS_ID_UCS_4)) {
            QString text;
            for (FT_UInt at = 0; at + 1 < name.string_len; at += 2)
                text.append(QChar(char16_t((quint8(bytes[at]) << 8) | quint8(bytes[at + 1]))));
            if (name.language_id == TT_MS_LANGID_ENGLISH_UNITED_STATES)
                return text;
            if (!windows)
                windows = text;
        } else if (name.platform_id == TT_PLATFORM_MACINTOSH && name.encoding_id == TT_MAC_ID_ROMAN &&
                   name.language_id == TT_MAC_LANGID_ENGLISH && !macintosh) {
            macintosh = QString::fromLatin1(bytes, name.string_len);
        }
    }
    return windows ? windows : macintosh;
}

using FacePointer = std::unique_ptr<FT_FaceRec_, FaceCloser>;

// The characters a face's character map lacks, in the order given; nothing for a map of another kind.
std::optional<QList<char32_t>> charactersNotMapped(FT_Face face, const QList<char32_t> &characters)
{
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

// A collection in a document holds a few faces; more are not looked at.
constexpr FT_Long maxFacesInData = 16;

} // namespace

std::optional<QList<char32_t>> charactersNotInFace(const QString &path, int index,
                                                   const QList<char32_t> &characters)
{
    FT_Library library = freeType();
    FT_Face rawFace = nullptr;
    if (!library || FT_New_Face(library, QFile::encodeName(path).constData(), index, &rawFace) != 0 ||
        !rawFace)
        return std::nullopt;
    const FacePointer face(rawFace);
    return charactersNotMapped(face.get(), characters);
}

std::optional<QList<char32_t>> charactersNotInFontData(const QByteArray &data,
                                                       const QList<char32_t> &characters)
{
    FT_Library library = freeType();
    if (!library)
        return std::nullopt;
    std::optional<QList<char32_t>> missing;
    FT_Long faces = 1;
    for (FT_Long index = 0; index < std::min(faces, maxFacesInData); ++index) {
        FT_Face rawFace = nullptr;
        if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte *>(data.constData()),
                               FT_Long(data.size()), index, &rawFace) != 0 ||
            !rawFace)
            continue;
        const FacePointer face(rawFace);
        faces = face->num_faces;
        // What one face maps, the font has.
        if (const std::optional<QList<char32_t>> lacked =
                charactersNotMapped(face.get(), missing ? *missing : characters))
            missing = lacked;
    }
    return missing;
}

FontFileFace readFontFileFace(const QString &path, int index)
{
    FontFileFace result;
    FT_Library library = freeType();
    FT_Face rawFace = nullptr;
    if (!library) {
        result.problem = u"the font engine could not be started"_s;
        return result;
    }
    const FT_Error error = FT_New_Face(library, QFile::encodeName(path).constData(), index, &rawFace);
    if (error != 0 || !rawFace) {
        result.problem = u"the file cannot be read as a font (FreeType error %1)"_s.arg(error);
        return result;
    }
    const std::unique_ptr<FT_FaceRec_, FaceCloser> face(rawFace);
    result.isReadable = true;
    result.family = sfntName(face.get(), TT_NAME_ID_FONT_FAMILY)
                        .value_or(QString::fromUtf8(face->family_name ? face->family_name : ""));
    result.subfamily = sfntName(face.get(), TT_NAME_ID_FONT_SUBFAMILY)
                           .value_or(QString::fromUtf8(face->style_name ? face->style_name : ""));
    result.isBold = face->style_flags & FT_STYLE_FLAG_BOLD;
    result.isItalic = face->style_flags & FT_STYLE_FLAG_ITALIC;
    result.fsType = FT_Get_FSType_Flags(face.get());
    return result;
}

} // namespace kernwick
