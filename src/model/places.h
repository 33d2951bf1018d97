#pragma once

#include <QStringList>

namespace kernwick {

// Places in a document for people: numbered places of one kind ("slide 3") gather into one entry at the
// first one's position, runs of numbers written as ranges, every other place once. "slide 2", "slide 5",
// "slide 6", "slide 7", "notes page 3" give "slides 2, 5–7" and "notes page 3".
QStringList gatherPlaces(const QStringList &places);

} // namespace kernwick
