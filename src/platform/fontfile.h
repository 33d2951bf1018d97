#pragma once

#include <QString>

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

} // namespace kernwick
