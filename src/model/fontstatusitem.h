#pragma once

#include <model/fontface.h>
#include <model/fontstatus.h>
#include <model/missingcharacters.h>

#include <QList>
#include <QString>
#include <QUrl>
#include <QUuid>

namespace kernwick {

// One font found in a presentation: the unit the whole window works from.
struct FontStatusItem
{
    QUuid id;         // fresh for every item, even for two items of the same name
    QString fontName; // as the scan delivered it: trimmed, never empty
    FontStatus status = FontStatus::missing;
    QUrl fileURL;           // the font file; empty exactly when the status is missing or unresolved
    bool isSelected = true; // to be copied into the package (only ever honoured for installed fonts)

    // What the resolver tells besides the verdict; none of it changes the status, the counts or readiness.
    QList<FontFace> faces; // with a file: the installed faces that travel with the font, the file's first
    EmbeddingPermission permission = EmbeddingPermission::installable; // the strictest of the faces'
    QString permissionNote;  // why a file's permission could not be read; empty when every one was
    QStringList metricTwins; // missing: installed families that fontconfig binds to it with the same metrics
    // Missing, though its family is installed: the family as installed and the style of the face the name
    // asks for, which the family lacks ("Helvetica Neue", "Light").
    QString familyWithoutFace;
    QString missingFaceStyle;
    QStringList embeddedFaces; // the faces the presentation carries itself ("Regular", "Bold", …)
    MissingCharacters missingCharacters = {}; // drawn in it by the text, but not in its file

    bool isEmbedded() const { return !embeddedFaces.isEmpty(); }
    bool isRestricted() const { return permission == EmbeddingPermission::restricted; }

    bool hasFile() const { return !fileURL.isEmpty(); }
    QString filePath() const { return fileURL.toLocalFile(); }
};

// Makes an item with a fresh id, selected. `filePath` may be empty.
FontStatusItem makeFontStatusItem(const QString &fontName, FontStatus status, const QString &filePath = {});

using FontStatusItems = QList<FontStatusItem>;

// The files a package takes along for an installed font: its own file first, then the other files of the
// faces that travel with it, each once.
QStringList travellingFiles(const FontStatusItem &item);

// Whether a fresh item goes into the package until the user says otherwise: installed fonts whose
// license allows passing them on.
bool isSelectedByDefault(const FontStatusItem &item);

qsizetype countWithStatus(const FontStatusItems &items, FontStatus status);
inline qsizetype installedCount(const FontStatusItems &items)
{
    return countWithStatus(items, FontStatus::installed);
}
inline qsizetype systemCount(const FontStatusItems &items)
{
    return countWithStatus(items, FontStatus::system);
}
inline qsizetype missingCount(const FontStatusItems &items)
{
    return countWithStatus(items, FontStatus::missing);
}
inline qsizetype unresolvedCount(const FontStatusItems &items)
{
    return countWithStatus(items, FontStatus::unresolved);
}
inline qsizetype adobeCount(const FontStatusItems &items)
{
    return countWithStatus(items, FontStatus::adobe);
}

// A list is ready for handoff when it holds fonts and none of them is missing; fonts that need review or
// are restricted do not stand in the way.
bool isReadyForHandoff(const FontStatusItems &items);

// The one-line summary of the five counts: "Found: 4 | System: 7 | Restricted: 1 | Missing: 2 |
// Needs Review: 0".
QString countsSummary(const FontStatusItems &items);

} // namespace kernwick
