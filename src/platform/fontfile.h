#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace kernwick {

// What one face of a font file says about itself, read with FreeType: its legacy family and subfamily
// (the names that Office's style linking goes by), its style bits and its embedding permission.
struct FontFileFace
{
    bool isReadable = false; // false: the file could not be opened as a font, and the rest is empty
    QString problem;         // why not, for people
    QString family;          // name ID 1
    QString subfamily;       // name ID 2
    bool isBold = false;
    bool isItalic = false;
    quint16 fsType = 0; // the OS/2 embedding bits; 0 (installable) when the font has none
};

// Reads face `index` of the font file at `path`. Never fails: a truncated file, a file that is no font
// or a collection whose offsets lead nowhere gives a face that is not readable.
FontFileFace readFontFileFace(const QString &path, int index);

// The characters among `characters` that face `index` of the font file at `path` has no glyph for (by its
// character map), in the order given; nothing when the file cannot be read as a font or its character map
// is of another kind. A face with only a symbol character map has the characters it maps at U+F020–F0FF
// and, as the show finds them, the characters U+0020–00FF there too.
std::optional<QList<char32_t>> charactersNotInFace(const QString &path, int index,
                                                   const QList<char32_t> &characters);

// The same for a font file held in memory (a TrueType or OpenType font or collection): the characters
// that none of its faces has a glyph for; nothing when no face can be read.
std::optional<QList<char32_t>> charactersNotInFontData(const QByteArray &data,
                                                       const QList<char32_t> &characters);

} // namespace kernwick
