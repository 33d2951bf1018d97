#pragma once

#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

namespace kernwick {

// The limits on what one package extraction reads: documents are untrusted, and a slide of tens of
// megabytes is still read whole.
inline constexpr qint64 maxScannedFileSize = qint64(64) << 20;
inline constexpr qint64 maxScannedArchiveSize = qint64(512) << 20;

// A pattern in the form the extractions use it.
QRegularExpression fontPattern(const QString &pattern);

enum class CaptureGroups { first, all };

// Adds to `collected` the captured text of every non-overlapping match of `pattern` in `text`, trimmed,
// unless it is empty or begins with "+".
void collectFontMatches(const QString &text, const QRegularExpression &pattern, CaptureGroups groups,
                        QSet<QString> &collected);

// The collected names with no-break spaces made ordinary spaces, trimmed.
QStringList cleanFontNames(const QSet<QString> &collected);

} // namespace kernwick
