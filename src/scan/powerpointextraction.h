#pragma once

#include <scan/fontmatching.h>
#include <scan/scantext.h>

#include <QString>

namespace kernwick {

// The fonts that a .pptx names in the Latin font elements of its presentation part, slides and slide
// masters, theme placeholders and other non-names dropped. Unsorted, may hold duplicates; a document
// that cannot be read gives no names.
ScanResult powerPointPackageFonts(const QString &presentationPath, const ScanLimits &limits = {});

} // namespace kernwick
