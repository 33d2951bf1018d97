#pragma once

#include <model/fontstatusitem.h>

#include <QJsonObject>
#include <QString>

namespace kernwick {

// The check of one presentation: its path and the verdict on every font it uses.
struct PresentationCheck
{
    QString path;
    FontStatusItems items;
};

// The lines under a font's line: the faces that travel and the license of an installed font, the faces
// the presentation embeds, the metric twins of a missing font.
QString fontDetailsText(const FontStatusItem &item);

// One line per font (name, status word, file or "—") with its details, then the verdict with the counts.
QString formatCheckText(const PresentationCheck &check);
QJsonObject checkToJson(const PresentationCheck &check);

} // namespace kernwick
