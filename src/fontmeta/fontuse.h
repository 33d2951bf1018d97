#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kernwick::fontmeta {

// One place where a document names a font its text can use.
struct FontUse
{
    QString fontName; // as the document spells it, never empty
    QString place;    // for people: "slide 3", "theme minor font", "slide master 1", "embedded font list"
    QString characters = {}; // of a drawn use: the distinct characters drawn there, in code-point order
};

// A font that the document carries inside itself, and which of its faces.
struct EmbeddedFont
{
    QString fontName;
    QStringList faces; // "Regular", "Bold", "Italic", "Bold Italic", in that order
    // The characters that text draws in the font and none of the faces it carries has a glyph for, in
    // code-point order; none when the faces could not be read and nothing can be told.
    std::optional<QString> lacking = {};
};

// How far a reader can tell which fonts the text draws.
enum class DrawnFonts
{
    WithPlaces, // the uses that draw say which fonts and where
    NamesOnly,  // they say which fonts; their places are not known
    Unknown,    // the document does not say: every font counts as drawn
};

// What a reader found in one document.
struct ReadResult
{
    QList<FontUse> uses; // in document order; a name may occur many times
    QStringList notes;   // one line each, for standard error: "encrypted: the fonts cannot be read"
    QList<EmbeddedFont> embedded = {};
    // Where text draws a font, named there or inherited from a layout, master or style: "slide 3",
    // "notes page 2"; the place is empty when the reader knows the font but not where.
    QList<FontUse> drawnUses = {};
    DrawnFonts drawnFonts = DrawnFonts::Unknown;
};

} // namespace kernwick::fontmeta
