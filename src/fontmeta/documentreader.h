#pragma once

#include <fontmeta/fontuse.h>

#include <QString>

namespace kernwick {
struct ZipMemberTap;
}

namespace kernwick::fontmeta {

// The fonts a presentation names, read by the reader its content calls for, whatever its name says: a
// folder is a Keynote package; a compound file is a binary PowerPoint document (or an encrypted Office
// package); a zip is an Office Open XML package when it has a content-types part, else a Keynote
// document. Anything else yields no names and a note.
// The tap, when given, is handed the members of an Office Open XML package as the reader inflates them.
ReadResult readDocumentFonts(const QString &path, const ZipMemberTap *tap = nullptr);

} // namespace kernwick::fontmeta
