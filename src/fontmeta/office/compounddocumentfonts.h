#pragma once

#include <fontmeta/fontuse.h>

#include <QString>

namespace kernwick::fontmeta {

// The fonts named by a Compound File document: a binary PowerPoint 97 or later presentation (its
// current font collection), or an encrypted one (the font list of its document summary when that is
// readable). A password-protected Office Open XML package, a PowerPoint 95 file or anything else yields
// no names and a note saying why.
ReadResult readCompoundDocumentFonts(const QString &path);

} // namespace kernwick::fontmeta
