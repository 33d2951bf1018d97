#include "fontusage.h"

#include <model/places.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kernwick {

QString describePlaces(const QStringList &places)
{
    QStringList plain;
    plain.reserve(places.size());
    for (const QString &qualified : places) {
        // "slide layout 2 (theme minor font)": how the place names it is left to the full list.
        plain.append(qualified.endsWith(u')') && qualified.contains(u" (")
                         ? qualified.left(qualified.lastIndexOf(u" ("))
                         : qualified);
    }
    return gatherPlaces(plain).join(u" · "_s);
}

QString describeUsage(const FontUsage &usage, qsizetype maxLength)
{
    QString text;
    if (!usage.used) {
        text = u"not used by any text"_s;
        if (!usage.places.isEmpty())
            text += u" ("_s + describePlaces(usage.places) + u')';
    } else if (usage.usedInKnown && !usage.usedIn.isEmpty()) {
        text = u"used on "_s + describePlaces(usage.usedIn);
    } else if (!usage.places.isEmpty()) {
        text = u"used (places not known)"_s;
    }
    if (text.size() > maxLength) {
        qsizetype end = std::max<qsizetype>(maxLength - 1, 1);
        if (text[end - 1].isHighSurrogate())
            --end;
        text = text.first(end) + u'…';
    }
    return text;
}

} // namespace kernwick
