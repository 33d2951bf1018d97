#pragma once

#include <platform/fontcatalog.h>

#include <QList>
#include <QString>
#include <QStringList>

namespace kernwick {

// Every face in the font file at `path` (a collection holds several), as fontconfig would list it; empty
// when it is not a font file FreeType can read.
QList<FontCatalog::Face> readFontFileFaces(const QString &path);

// Makes fontconfig's caches of `folders` (font folders that have just changed, or their parents) up to
// date at once, so that every program asking fontconfig from now on sees the change; true when every
// folder's cache could be written.
bool refreshFontCaches(const QStringList &folders);

} // namespace kernwick
