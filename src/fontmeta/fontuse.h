#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kernwick::fontmeta {

// One place where a document names a font its text can use.
struct FontUse
{
    QString fontName; // as the document spells it, never empty
    QString place;    // for people: "slide 3", "theme minor font", "slide master 1", "embedded font list"
};

// A font that the document carries inside itself, and which of its faces.
struct EmbeddedFont
{
    QString fontName;
    QStringList faces; // "Regular", "Bold", "Italic", "Bold Italic", in that order
};

// What a reader found in one document.
struct ReadResult
{
    QList<FontUse> uses; // in document order; a name may occur many times
    QStringList notes;   // one line each, for standard error: "encrypted: the fonts cannot be read"
    QList<EmbeddedFont> embedded = {};
};

} // namespace kernwick::fontmeta
