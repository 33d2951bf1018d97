#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kernwick {

// What a font's licence lets it be passed on for, as its file states it (the OpenType embedding
// permission). Declared from the least to the most restrictive.
enum class EmbeddingPermission
{
    installable,     // may be passed on and installed
    editable,        // may travel inside documents that are edited
    previewAndPrint, // may travel inside documents only to be viewed and printed
    restricted,      // must not be passed on without the owner's permission
};

// "Installable", "Editable", "Preview & Print", "No Redistribution": a name of its own, which no status
// uses.
QString permissionLabel(EmbeddingPermission permission);
// What the permission means for the handoff, in plain words, for a tooltip.
QString permissionDescription(EmbeddingPermission permission);
// The stricter of the two.
EmbeddingPermission stricterPermission(EmbeddingPermission a, EmbeddingPermission b);

// One installed face of a font: a file, and the face inside it when the file is a collection.
struct FontFace
{
    QString file;
    int index = 0; // in a collection file; 0 otherwise
    QString style; // "Regular", "Bold", "Italic" or "Bold Italic"; for a PostScript name its own style
    EmbeddingPermission permission = EmbeddingPermission::installable;
    QString note; // why the permission could not be read; empty when it was
};

// The files of `faces`, each once (a collection file holds several faces), in order.
QStringList distinctFiles(const QList<FontFace> &faces);

// "Regular, Bold" for people; "Regular, Bold, Italic, Bold Italic".
QString faceStylesText(const QStringList &styles);

// "Helvetica Neue is installed, but not its Light face"; empty without a family.
QString familyWithoutFaceText(const QString &family, const QString &style);

// "Carlito is installed and has the same metrics"; "Liberation Sans and Arimo are installed and have the
// same metrics"; empty without twins.
QString metricTwinText(const QStringList &twins);

} // namespace kernwick
