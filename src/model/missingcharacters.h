#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace kernwick {

// Where text draws a font, and the distinct characters it draws there: ("slide 4", "Přílišžluťoučký").
using DrawnCharacters = QList<std::pair<QString, QString>>;

// Characters that text draws in a font and that the font's file has no glyph for: the show substitutes
// them from another font. Tells nothing about the font's status.
struct MissingCharacters
{
    QString characters;  // the first maxListedMissingCharacters of them, in code-point order
    qsizetype count = 0; // all of them
    QStringList places;  // where they are drawn, in the order the document tells them

    bool isEmpty() const { return count == 0; }
};

inline constexpr qsizetype maxListedMissingCharacters = 20;

// The missing characters as a font's note tells them: `missing` (in code-point order), and the places of
// `drawn` that draw any of them.
MissingCharacters missingCharactersAt(const QList<char32_t> &missing, const DrawnCharacters &drawn);

// "7 characters not in Georgia: ř ů ľ ť ď ň ě (slides 4, 9)"; past the first 20, "… and 5 more", and
// a list of places longer than a short line ends in "…". Empty when nothing is missing.
QString missingCharactersText(const QString &fontName, const MissingCharacters &missing);

} // namespace kernwick
