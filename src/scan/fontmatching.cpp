#include "fontmatching.h"

#include <scan/scantext.h>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
void collectName(QStringView captured, QSet<QString> &collected)
{
    const QString name = trimScanWhitespace(captured);
    if (!name.isEmpty() && !name.startsWith(u'+'))
        collected.insert(name);
}
} // namespace

QRegularExpression fontPattern(const QString &pattern)
{
    return QRegularExpression(pattern, QRegularExpression::UseUnicodePropertiesOption);
}

void collectFontMatches(const QString &text, const QRegularExpression &pattern, CaptureGroups groups,
                        QSet<QString> &collected)
{
    if (!pattern.isValid())
        return;
    const int lastGroup =
        groups == CaptureGroups::all ? pattern.captureCount() : std::min(1, pattern.captureCount());
    for (auto it = pattern.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        for (int group = 1; group <= lastGroup; ++group) {
            if (match.capturedStart(group) < 0)
                continue;
            collectName(match.capturedView(group), collected);
        }
    }
}

void collectLatinTypefaces(QStringView text, QSet<QString> &collected)
{
    // The pattern, read as the engine matches it: from each "<a:latin", the greedy run [^>]* ends at the
    // last `typeface="` before the next ">" whose value closes, that is, whose first ^ or quote after it
    // is a quote with at least one character before it. A start with no such candidate fails, and so does
    // every later start before the same ">" (its candidates are a subset), so the search goes on after
    // it. Each candidate is looked at a bounded number of times: the pass is linear.
    constexpr QStringView element = u"<a:latin";
    constexpr QStringView attribute = u"typeface=\"";
    const qsizetype length = text.size();
    qsizetype position = 0;
    while (position < length) {
        const qsizetype start = text.indexOf(element, position);
        if (start < 0)
            return;
        const qsizetype runStart = start + element.size();
        qsizetype end = text.indexOf(u'>', runStart);
        if (end < 0)
            end = length;

        bool matched = false;
        for (qsizetype candidate = text.lastIndexOf(attribute, end - 1);
             candidate >= runStart && candidate + attribute.size() <= end;
             candidate = candidate > runStart ? text.lastIndexOf(attribute, candidate - 1) : -1) {
            const qsizetype value = candidate + attribute.size();
            qsizetype close = value;
            while (close < length && text[close] != u'"' && text[close] != u'^')
                ++close;
            if (close < length && text[close] == u'"' && close > value) {
                collectName(text.sliced(value, close - value), collected);
                position = close + 1;
                matched = true;
                break;
            }
        }
        if (!matched)
            position = end;
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
