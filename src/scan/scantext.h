#pragma once

#include <model/missingcharacters.h>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kernwick {

// No font name is longer than a few hundred characters (PostScript names stop at 63): a longer one is
// damage or an attack, and would only cost time and memory further on.
inline constexpr qsizetype maxFontNameLength = 256;
// More distinct names than this in one presentation are not fonts either.
inline constexpr int maxFontNames = 10000;

// What a scan, or one of its sources, found: font names, and notes on what could not be read or was
// left out, one line each.
// A font that a presentation carries inside itself, as its helper reports it.
struct EmbeddedFontFaces
{
    QString fontName;
    QStringList faces; // "Regular", "Bold", "Italic", "Bold Italic"
    // The characters drawn in it that the faces it carries have no glyph for; none when not told.
    std::optional<QList<char32_t>> lacking = {};
};

// Where a document uses one of its fonts, as its helper tells it: information beside the name, which
// changes nothing of how the font is resolved, counted or packaged.
struct FontUsage
{
    QStringList places;              // where the document names it, for people: "slide master 1", "slide 3"
    bool used = true;                // text draws it; false when the document only declares it
    QStringList usedIn;              // where text draws it: "slide 3", "notes page 2"
    bool usedInKnown = false;        // false when nobody can tell where (usedIn is then empty)
    DrawnCharacters characters = {}; // where text draws it, the characters it draws there, when told
};

// Characters the scan takes from the helper for one font, all places together; a font of more distinct
// characters than any real deck draws is cut there.
inline constexpr qsizetype maxDrawnCharacters = 262144;

struct ScanResult
{
    QStringList fonts;
    QStringList notes;
    QList<EmbeddedFontFaces> embedded = {}; // which of the fonts the presentation embeds
    // By name as in `fonts`; names found only by the package extractions have no places.
    QHash<QString, FontUsage> usage = {};
    // Why the document could not be read at all (gone, not a presentation, damaged, encrypted without a
    // readable summary), in the sources' own words; empty when it could, fonts or not.
    QString failure = {};
};

// Trims the white space and line breaks of the scanning code from both ends: the Unicode space, line and
// paragraph separators, tab, U+000A to U+000D and U+0085.
QString trimScanWhitespace(QStringView text);
QStringView trimmedScanText(QStringView text);

// The text with every control character (C0, DEL, C1), line or paragraph separator and bidirectional
// override made a space and every lone surrogate made U+FFFD: what a name may hold when it is shown,
// written to a report or handed on (printableText).
QString withoutControlCharacters(QStringView text);

// The text with XML's five named entities and its character references (&#38;, &#x26;) decoded, as an XML
// parser gives an attribute's value; anything else after "&" stays as it stands.
QString decodeXmlReferences(QStringView text);

// The path without the slashes that may end it ("Talk.key/", as a shell completes a package folder), so
// that its last component is the file's name.
QString withoutTrailingSlashes(const QString &path);

// The bytes as UTF-8 text, or nothing when they are not valid UTF-8.
std::optional<QString> decodeUtf8(const QByteArray &bytes);

} // namespace kernwick
