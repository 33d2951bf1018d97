#pragma once

#include <QString>
#include <QStringView>

namespace kernwick {

// The text as it may be shown on a terminal or written into a report: control characters (C0, DEL, C1),
// the line and paragraph separators and the bidirectional embeddings, overrides and isolates become spaces,
// and lone surrogates U+FFFD. What a name, a path or a file name from outside may hold never moves the
// cursor, starts a line or turns the text around.
QString printableText(QStringView text);

} // namespace kernwick
