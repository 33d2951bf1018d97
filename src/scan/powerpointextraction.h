#pragma once

#include <QString>
#include <QStringList>

namespace kernwick {

// The fonts that a .pptx names in the Latin font elements of its presentation part, slides and slide
// masters, theme placeholders and other non-names dropped. Unsorted, may hold duplicates; a document
// that cannot be read gives an empty list.
QStringList powerPointPackageFonts(const QString &presentationPath);

} // namespace kernwick
