#pragma once

#include <model/fontstatusitem.h>

#include <QString>
#include <QStringList>

#include <optional>

namespace kernwick {

// The text of "font-report.txt": every font the presentation uses with its verdict, the font files put
// into the package, those that failed, and three notes. Lines end in a line feed, the last one does not.
// Only the file name of `sourcePath` is written.
QString makeFontReport(const std::optional<QString> &sourcePath, const FontStatusItems &items,
                       const QStringList &exported, const QStringList &failed);

} // namespace kernwick
