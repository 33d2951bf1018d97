#pragma once

#include <fontmeta/fontuse.h>

namespace kernwick {
class ZipArchive;
}

namespace kernwick::fontmeta {

// Every font the text of an Office Open XML presentation (.pptx, .ppsx, .potx, .pptm) can use: the
// typefaces its slides, layouts, masters, notes, charts, SmartArt, table styles and presentation part
// name, with theme references resolved against the theme that applies to each part. Parts that cannot
// be read are skipped with a note; the archive's members are read with a cap on what they inflate to.
ReadResult readOoxmlFonts(const ZipArchive &archive);

} // namespace kernwick::fontmeta
