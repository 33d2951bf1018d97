#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kernwick {

// The names of one face in a font file, as the file itself gives them.
struct FontFileNames
{
    QString fullName;       // "Liberation Sans Bold"
    QString postScriptName; // "LiberationSans-Bold"
    QStringList families;   // "Liberation Sans"
};

// Every face in the font file at `path` (a collection holds several); empty when it is not a font file
// FreeType can read.
QList<FontFileNames> readFontFileFaces(const QString &path);

// Makes fontconfig's caches of `folders` (font folders that have just changed, or their parents) up to
// date at once, so that every program asking fontconfig from now on sees the change; true when every
// folder's cache could be written.
bool refreshFontCaches(const QStringList &folders);

} // namespace kernwick
