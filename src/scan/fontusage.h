#pragma once

#include <scan/scantext.h>

#include <QString>
#include <QStringList>

namespace kernwick {

// Places for people, numbered ones of a kind gathered at the first one's position: "slide 2", "slide 5",
// "slide 6", "slide 7", "notes page 3", "slide master 1" read "slides 2, 5–7 · notes page 3 · slide
// master 1".
QString describePlaces(const QStringList &places);

// One short line on where a font is used: "used on slides 2, 5–7 · notes page 3", "used (places not
// known)" when the document does not say where, "not used by any text (slide master 1)" for a font it only
// declares; empty when nothing is known. At most about `maxLength` characters, cut with an ellipsis.
QString describeUsage(const FontUsage &usage, qsizetype maxLength = 100);

} // namespace kernwick
