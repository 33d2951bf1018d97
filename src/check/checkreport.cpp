#include "checkreport.h"

#include <model/statuspresentation.h>
#include <scan/fontusage.h>

#include <QJsonArray>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
QString shownName(const QString &name)
{
    if (name.size() <= maxShownNameLength)
        return name;
    qsizetype end = maxShownNameLength - 1;
    if (name[end - 1].isHighSurrogate())
        --end;
    return name.first(end) + u'…';
}
} // namespace

FontStatusItems PresentationCheck::judgedItems() const
{
    if (!usedOnly)
        return items;
    FontStatusItems judged;
    for (const FontStatusItem &item : items) {
        if (usage.value(item.fontName).used)
            judged.append(item);
    }
    return judged;
}

QString formatCheckText(const PresentationCheck &check)
{
    QString text = check.path + u'\n';
    if (check.items.isEmpty())
        text += u"  No fonts found.\n"_s;
    qsizetype nameWidth = 0;
    for (const FontStatusItem &item : check.items)
        nameWidth = std::max(nameWidth, std::min(item.fontName.size(), maxShownNameLength));
    constexpr int statusWidth = 10; // "Unresolved"
    for (const FontStatusItem &item : check.items) {
        text += u"  "_s + shownName(item.fontName).leftJustified(nameWidth) + u"  "_s +
                rawValue(item.status).leftJustified(statusWidth) + u"  "_s +
                (item.hasFile() ? item.filePath() : u"—"_s) + u'\n';
        if (const QString usage = describeUsage(check.usage.value(item.fontName)); !usage.isEmpty())
            text += u"    "_s + usage + u'\n';
    }
    const FontStatusItems judged = check.judgedItems();
    text +=
        u"  "_s + readinessPresentation(isReadyForHandoff(judged)).title + u": "_s + countsSummary(judged);
    if (judged.size() < check.items.size())
        text += u" (leaving out %1 font(s) no text uses)"_s.arg(check.items.size() - judged.size());
    text += u'\n';
    return text;
}

QJsonObject checkToJson(const PresentationCheck &check)
{
    QJsonArray fonts;
    for (const FontStatusItem &item : check.items) {
        const FontUsage usage = check.usage.value(item.fontName);
        fonts.append(
            QJsonObject{{u"name"_s, item.fontName},
                        {u"status"_s, rawValue(item.status)},
                        {u"file"_s, item.hasFile() ? QJsonValue(item.filePath()) : QJsonValue()},
                        {u"places"_s, QJsonArray::fromStringList(usage.places)},
                        {u"used"_s, usage.used},
                        {u"usedIn"_s, usage.usedInKnown ? QJsonValue(QJsonArray::fromStringList(usage.usedIn))
                                                        : QJsonValue()}});
    }
    const FontStatusItems judged = check.judgedItems();
    const QJsonObject counts{{u"installed"_s, installedCount(judged)},
                             {u"system"_s, systemCount(judged)},
                             {u"adobe"_s, adobeCount(judged)},
                             {u"missing"_s, missingCount(judged)},
                             {u"unresolved"_s, unresolvedCount(judged)}};
    return QJsonObject{{u"path"_s, check.path},         {u"fonts"_s, fonts},
                       {u"counts"_s, counts},           {u"notes"_s, QJsonArray::fromStringList(check.notes)},
                       {u"usedOnly"_s, check.usedOnly}, {u"readyForHandoff"_s, isReadyForHandoff(judged)}};
}

} // namespace kernwick
