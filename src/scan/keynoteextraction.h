#pragma once

#include <QString>
#include <QStringList>

namespace kernwick {

// The fonts that a Keynote package folder names in the XML, APXL or JSON text of its index file, its
// index archive and its top level. Unsorted, may hold duplicates; a single-file document, or a folder
// that cannot be read, gives an empty list.
QStringList keynotePackageFonts(const QString &presentationPath);

} // namespace kernwick
