#pragma once

#include <model/fontstatusitem.h>
#include <scan/metadataquery.h>

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace kernwick {

// A font that a presentation carries inside itself, as its helper reports it.
struct EmbeddedFontFaces
{
    QString fontName;
    QStringList faces; // "Regular", "Bold", "Italic", "Bold Italic"
};

// The "embedded" field of one document in the helper's JSON answer; entries without a name or without
// faces are left out, and every text is cleaned as the scan cleans names.
QList<EmbeddedFontFaces> parseEmbeddedFonts(const QJsonObject &document);

// Asks the helper which fonts the presentation embeds. Nothing when it cannot tell.
QList<EmbeddedFontFaces> queryEmbeddedFonts(const MetadataQuery &query, const QString &presentationPath);

// Gives each item whose name a font of `embedded` has the faces the presentation carries of it. Only
// information: statuses stay as they are.
void markEmbeddedFonts(FontStatusItems &items, const QList<EmbeddedFontFaces> &embedded);

} // namespace kernwick
