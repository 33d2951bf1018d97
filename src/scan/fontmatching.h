#pragma once

#include <platform/ziparchive.h>

#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

namespace kernwick {

// What one package extraction reads at most: documents are untrusted, and a slide of tens of megabytes
// is still read whole.
inline constexpr ZipLimits scannedArchiveLimits{qint64(64) << 20, qint64(512) << 20, 65536};
inline constexpr qint64 maxScannedFileSize = scannedArchiveLimits.maxMemberSize;

// A pattern in the form the extractions use it.
QRegularExpression fontPattern(const QString &pattern);

enum class CaptureGroups
{
    first,
    all
};

// Adds to `collected` the captured text of every non-overlapping match of `pattern` in `text`, trimmed,
// unless it is empty or begins with "+".
void collectFontMatches(const QString &text, const QRegularExpression &pattern, CaptureGroups groups,
                        QSet<QString> &collected);

// The same for the Latin font element pattern <a:latin[^>]*typeface=\"([^^\"]+)\" and its group 1, in
// one pass over the text: a deck's slides hold tens of thousands of these elements, and a pattern engine
// spends most of its time stepping back over each one.
void collectLatinTypefaces(QStringView text, QSet<QString> &collected);

// The collected names with no-break spaces made ordinary spaces, trimmed.
QStringList cleanFontNames(const QSet<QString> &collected);

} // namespace kernwick
