#pragma once

#include <fontmeta/fontuse.h>

#include <QJsonArray>
#include <QString>

namespace kernwick::fontmeta {

// The "embedded" field of the JSON forms: [{"name": "…", "faces": ["Regular", "Bold"], "lacking": "…"}, …],
// "lacking" only where the faces could be read: the characters drawn in the font that they have no glyph for.
QJsonArray embeddedFontsToJson(const QList<EmbeddedFont> &fonts);

// For people, one line per font the document carries:
// "  Embedded in the presentation: Example Sans (Regular, Bold)".
QString embeddedFontsForPeople(const QList<EmbeddedFont> &fonts);

} // namespace kernwick::fontmeta
