#pragma once

#include <model/fontstatusitem.h>
#include <scan/scantext.h>

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace kernwick {

// The "embedded" field of the helper's JSON answer; names are cleaned as the metadata query cleans the
// names of fonts, and entries left without a name or without a face are dropped.
QList<EmbeddedFontFaces> parseEmbeddedFonts(const QJsonObject &document);

// Gives each item whose name a font of `embedded` has the faces the presentation carries of it, and to
// one without a file here the characters that text draws in it (`usage` tells where) and those faces
// lack. Only information: statuses stay as they are.
void markEmbeddedFonts(FontStatusItems &items, const QList<EmbeddedFontFaces> &embedded,
                       const QHash<QString, FontUsage> &usage = {});

} // namespace kernwick
