#pragma once

#include <scan/fontmatching.h>
#include <scan/scantext.h>

#include <QString>

namespace kernwick {

// The fonts that a Keynote package folder names in the XML, APXL or JSON text of its index file, its
// index archive and its top level. Unsorted, may hold duplicates; a single-file document, or a folder
// that cannot be read, gives no names. Links that lead out of the package are not followed, and files
// are read in a stream, so that a large legacy index costs no more memory than a small one.
ScanResult keynotePackageFonts(const QString &presentationPath, const ScanLimits &limits = {});

} // namespace kernwick
