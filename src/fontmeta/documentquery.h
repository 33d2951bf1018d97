#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace kernwick {
struct ZipMemberTap;
}

namespace kernwick::fontmeta {

// Why `path` cannot be read, or an empty string when it can.
QString documentReadProblem(const QString &path);

// The machine answer about one document, as `kernwick-fontmeta --query PATH` prints it: its fonts, the
// notes on what could not be read or was cut, and the fonts it embeds. `readable` tells whether the path
// could be opened at all. The tap, when given, is handed the members of an Office Open XML package as the
// reader inflates them.
QJsonObject queryDocument(const QString &path, const ZipMemberTap *tap = nullptr, bool *readable = nullptr);

// The same in the helper's printed form, for a caller that reads documents in its own process.
QByteArray queryDocumentAnswer(const QString &path, const ZipMemberTap *tap = nullptr);

} // namespace kernwick::fontmeta
