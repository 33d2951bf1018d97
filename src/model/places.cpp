#include "places.h"

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
    for (const QString &place : places) {
        const QRegularExpressionMatch match = numbered.match(place);
        if (!match.hasMatch()) {
            if (std::none_of(entries.cbegin(), entries.cend(),
                             [&](const Entry &e) { return e.label == place; }))
                entries.append({place, {}});
            continue;
        }
        const QString label = match.captured(1);
        auto entry = std::find_if(entries.begin(), entries.end(),
                                  [&](const Entry &e) { return e.label == label && !e.numbers.isEmpty(); });
        if (entry == entries.end()) {
            entries.append({label, {}});
            entry = entries.end() - 1;
        }
        entry->numbers.append(match.captured(2).toInt());
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
