#include "fontmatching.h"

#include <scan/scantext.h>

using namespace Qt::StringLiterals;

namespace kernwick {

QRegularExpression fontPattern(const QString &pattern)
{
    return QRegularExpression(pattern, QRegularExpression::UseUnicodePropertiesOption);
}

void collectFontMatches(const QString &text, const QRegularExpression &pattern, CaptureGroups groups,
                        QSet<QString> &collected)
{
    if (!pattern.isValid())
        return;
    const int lastGroup = groups == CaptureGroups::all ? pattern.captureCount() : std::min(1, pattern.captureCount());
    for (auto it = pattern.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        for (int group = 1; group <= lastGroup; ++group) {
            if (match.capturedStart(group) < 0)
                continue;
            const QString name = trimScanWhitespace(match.capturedView(group));
            if (!name.isEmpty() && !name.startsWith(u'+'))
                collected.insert(name);
        }
    }
}

QStringList cleanFontNames(const QSet<QString> &collected)
{
    QStringList names;
    names.reserve(collected.size());
    for (QString name : collected)
        names.append(trimScanWhitespace(name.replace(QChar(0x00A0), u' ')));
    return names;
}

} // namespace kernwick
