#pragma once

#include <model/fontstatusitem.h>
#include <model/travel.h>
#include <scan/scantext.h>

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace kernwick {

// The check of one presentation: its path, the verdict on every font it uses, and what the scan could
// not read or left out.
struct PresentationCheck
{
    QString path;
    FontStatusItems items;
    QStringList notes;
    QHash<QString, FontUsage> usage = {}; // where each font is used, by name
    bool usedOnly = false;                // the verdict leaves out fonts that no text uses
    QString failure = {};                 // why the deck could not be read at all; empty when it was

    // The fonts the verdict and the counts are about.
    FontStatusItems judgedItems() const;
    // The verdict on them, with the fonts a licence keeps out of the package.
    HandoffVerdict verdict() const;
};

// Names longer than this are cut in the text form, with an ellipsis, so that one absurd name cannot widen
// every row; the JSON form keeps them whole.
inline constexpr qsizetype maxShownNameLength = 60;

// The lines under a font's line: the faces that travel and the license of an installed font, the faces
// the presentation embeds, the metric twins of a missing font.
QString fontDetailsText(const FontStatusItem &item);

// One line per font (name, status in the window's words, file or "—") with its details, under it one short
// line on where it is used when that is known, then the verdict with the counts.
QString formatCheckText(const PresentationCheck &check);
// {"characters": the first ones, "count", "places", "text": for people} of characters its file lacks.
QJsonObject missingCharactersToJson(const FontStatusItem &item);
QJsonObject checkToJson(const PresentationCheck &check);

} // namespace kernwick
