#include "places.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kernwick {

QStringList gatherPlaces(const QStringList &places)
{
    static const QRegularExpression numbered(uR"re(^(.*\S) (\d{1,9})$)re"_s);
    struct Entry
    {
        QString label;
        QList<int> numbers;
    };
    QList<Entry> entries;
    // Where each label stands in `entries`, apart (a numbered label and a plain one of the same text are
    // two entries): a deck's places run into the tens of thousands.
    QHash<QString, qsizetype> plainAt;
    QHash<QString, qsizetype> numberedAt;
    for (const QString &place : places) {
        const QRegularExpressionMatch match = numbered.match(place);
        if (!match.hasMatch()) {
            if (!plainAt.contains(place)) {
                plainAt.insert(place, entries.size());
                entries.append({place, {}});
            }
            continue;
        }
        const QString label = match.captured(1);
        auto at = numberedAt.constFind(label);
        if (at == numberedAt.cend()) {
            at = numberedAt.insert(label, entries.size());
            entries.append({label, {}});
        }
        entries[*at].numbers.append(match.captured(2).toInt());
    }

    QStringList parts;
    for (Entry &entry : entries) {
        if (entry.numbers.isEmpty()) {
            parts.append(entry.label);
            continue;
        }
        std::sort(entry.numbers.begin(), entry.numbers.end());
        entry.numbers.erase(std::unique(entry.numbers.begin(), entry.numbers.end()), entry.numbers.end());
        QStringList runs;
        for (qsizetype i = 0; i < entry.numbers.size();) {
            qsizetype j = i;
            while (j + 1 < entry.numbers.size() && entry.numbers[j + 1] == entry.numbers[j] + 1)
                ++j;
            runs.append(j == i
                            ? QString::number(entry.numbers[i])
                            : QString::number(entry.numbers[i]) + u'–' + QString::number(entry.numbers[j]));
            i = j + 1;
        }
        parts.append((entry.numbers.size() > 1 ? entry.label + u's' : entry.label) + u' ' +
                     runs.join(u", "_s));
    }
    return parts;
}

} // namespace kernwick
