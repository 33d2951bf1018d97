#pragma once

#include <model/fontstatusitem.h>
#include <model/missingcharacters.h>

#include <QList>
#include <QString>

#include <optional>

namespace kernwick {

// The characters among `characters` that face `faceIndex` of the font file has no glyph for (by its
// character map), in the order given; nothing when the file cannot be read as a font. A face with only a
// symbol character map has the characters it maps at U+F020–F0FF and, as the show finds them, the
// characters U+0020–00FF there too.
std::optional<QList<char32_t>> missingCharacters(const QString &fontFile, int faceIndex,
                                                 const QList<char32_t> &characters);

// For a font with a file: the characters that text draws in it and its face lacks, and where. Nothing for
// a font without a file or whose file cannot be read.
MissingCharacters findMissingCharacters(const FontStatusItem &item, const DrawnCharacters &drawn);

} // namespace kernwick
