#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kernwick::test {

// Font files made for tests out of real ones.

// Sets the embedding permission bits (fsType) of a TrueType or OpenType file in place, and the checksum
// of its OS/2 table, as a font tool would.
bool setEmbeddingBits(const QString &path, quint16 fsType);

// The names and style that a renamed copy of a font gives itself.
struct FontNames
{
    QString family;                    // the legacy family (name ID 1)
    QString subfamily;                 // its style (name ID 2): "Regular", "Bold", "Italic" or "Bold Italic"
    QString fullName;                  // name ID 4
    QString postScriptName;            // name ID 6
    QString typographicFamily = {};    // name ID 16; none when empty
    QString typographicSubfamily = {}; // name ID 17; none when empty
    int weightClass = 0;               // OS/2 usWeightClass; 0 keeps the source's
    int widthClass = 0;                // OS/2 usWidthClass (5 normal, 3 condensed); 0 keeps the source's
    std::optional<bool> isItalic = {}; // the italic bits of OS/2 and head; none keeps the source's
};

// Writes a copy of the TrueType or OpenType font `source` to `target` that names itself as `names` says,
// as a font tool renaming it would.
bool writeRenamedFont(const QString &source, const QString &target, const FontNames &names);

// An Embedded OpenType file of the font's bytes, XOR-ed with 0x50 under flag 0x10000000 (never compressed).
QByteArray embeddedOpenType(const QByteArray &font, quint32 flags = 0);

// Writes a TrueType collection holding the faces of the single-face `fonts`, in order.
bool writeCollection(const QStringList &fonts, const QString &path);

} // namespace kernwick::test
