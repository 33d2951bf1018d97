#include "checkreport.h"

#include <model/printabletext.h>
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

QJsonObject missingCharactersToJson(const FontStatusItem &item)
{
    const MissingCharacters &missing = item.missingCharacters;
    return QJsonObject{{u"characters"_s, missing.characters},
                       {u"count"_s, missing.count},
                       {u"places"_s, QJsonArray::fromStringList(missing.places)},
                       {u"text"_s, missingCharactersText(item.fontName, missing)}};
}

QString fontDetailsText(const FontStatusItem &item)
{
    QString text;
    if (item.status == FontStatus::installed) {
        for (const FontFace &face : item.faces) {
            const QString style = face.style.isEmpty() ? u"Face"_s : face.style;
            text += u"      "_s + QString(style + u':').leftJustified(12) + u" "_s + face.file +
                    (face.index > 0 ? u" (face %1)"_s.arg(face.index) : QString()) + u'\n';
        }
        text += u"      Licence: "_s + permissionLabel(item.permission) + u'\n';
        // The package leaves it out unless asked to: say so where the font is named.
        if (!item.isSelected)
            text += u"      In package: "_s +
                    travelCellText(item.isRestricted() ? Travel::heldByLicence : Travel::leftOutByChoice) +
                    u'\n';
        if (!item.permissionNote.isEmpty())
            text += u"      "_s + item.permissionNote + u'\n';
    }
    if (item.isEmbedded())
        text += u"      Embedded in the presentation ("_s + faceStylesText(item.embeddedFaces) + u")\n"_s;
    if (!item.familyWithoutFace.isEmpty())
        text += u"      "_s + familyWithoutFaceText(item.familyWithoutFace, item.missingFaceStyle) + u'\n';
    if (!item.metricTwins.isEmpty())
        text += u"      "_s + metricTwinText(item.metricTwins) + u'\n';
    return text;
}

HandoffVerdict PresentationCheck::verdict() const
{
    const FontStatusItems judged = judgedItems();
    return handoffVerdict(judged, makeTravelList(judged),
                          [this](const QString &name) { return usage.value(name).used; });
}

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
    QString text = printableText(check.path) + u'\n';
    if (check.items.isEmpty())
        text += u"  No fonts found.\n"_s;
    qsizetype nameWidth = 0;
    for (const FontStatusItem &item : check.items)
        nameWidth = std::max(nameWidth, std::min(item.fontName.size(), maxShownNameLength));
    constexpr int statusWidth = 12; // "Needs Review"
    for (const FontStatusItem &item : check.items) {
        text += u"  "_s + shownName(item.fontName).leftJustified(nameWidth) + u"  "_s +
                statusPresentation(item.status).badgeText.leftJustified(statusWidth) + u"  "_s +
                (item.hasFile() ? item.filePath() : u"—"_s) + u'\n';
        if (const QString usage = describeUsage(check.usage.value(item.fontName)); !usage.isEmpty())
            text += u"    "_s + usage + u'\n';
        if (const QString missing = missingCharactersText(shownName(item.fontName), item.missingCharacters);
            !missing.isEmpty())
            text += u"    "_s + missing + u'\n';
        text += fontDetailsText(item);
    }
    const FontStatusItems judged = check.judgedItems();
    const HandoffVerdict verdict = check.verdict();
    text += u"  "_s + readinessPresentation(verdict.isReady).title + u": "_s + countsSummary(judged);
    if (judged.size() < check.items.size())
        text += u" (leaving out %1 font(s) no text uses)"_s.arg(check.items.size() - judged.size());
    text += u'\n';
    if (!verdict.attention.isEmpty())
        text += u"  "_s + verdict.attention + u'\n';
    return text;
}

QJsonObject checkToJson(const PresentationCheck &check)
{
    const TravelList travel = makeTravelList(check.items);
    QJsonArray fonts;
    for (const FontStatusItem &item : check.items) {
        const FontUsage usage = check.usage.value(item.fontName);
        QJsonObject font{{u"name"_s, item.fontName},
                         {u"status"_s, rawValue(item.status)},
                         {u"file"_s, item.hasFile() ? QJsonValue(item.filePath()) : QJsonValue()},
                         {u"places"_s, QJsonArray::fromStringList(usage.places)},
                         {u"used"_s, usage.used},
                         {u"usedIn"_s, usage.usedInKnown
                                           ? QJsonValue(QJsonArray::fromStringList(usage.usedIn))
                                           : QJsonValue()},
                         {u"embeddedFaces"_s, QJsonArray::fromStringList(item.embeddedFaces)},
                         {u"metricTwins"_s, QJsonArray::fromStringList(item.metricTwins)}};
        if (!item.familyWithoutFace.isEmpty()) {
            font.insert(u"installedFamily"_s, item.familyWithoutFace);
            font.insert(u"missingFace"_s, item.missingFaceStyle);
        }
        if (item.hasFile()) {
            QJsonArray faces;
            for (const FontFace &face : item.faces) {
                faces.append(QJsonObject{{u"style"_s, face.style},
                                         {u"file"_s, face.file},
                                         {u"index"_s, face.index},
                                         {u"permission"_s, permissionLabel(face.permission)}});
            }
            font.insert(u"faces"_s, faces);
            font.insert(u"permission"_s, permissionLabel(item.permission));
            if (!item.permissionNote.isEmpty())
                font.insert(u"permissionNote"_s, item.permissionNote);
        }
        if (travel.find(item.id))
            font.insert(u"inPackage"_s, travelCellText(travel.find(item.id)->travel));
        if (!item.missingCharacters.isEmpty())
            font.insert(u"missingCharacters"_s, missingCharactersToJson(item));
        fonts.append(font);
    }
    const FontStatusItems judged = check.judgedItems();
    const HandoffVerdict verdict = check.verdict();
    const QJsonObject counts{{u"installed"_s, installedCount(judged)},
                             {u"system"_s, systemCount(judged)},
                             {u"adobe"_s, adobeCount(judged)},
                             {u"missing"_s, missingCount(judged)},
                             {u"unresolved"_s, unresolvedCount(judged)}};
    return QJsonObject{{u"path"_s, check.path},
                       {u"fonts"_s, fonts},
                       {u"counts"_s, counts},
                       {u"notes"_s, QJsonArray::fromStringList(check.notes)},
                       {u"usedOnly"_s, check.usedOnly},
                       {u"readyForHandoff"_s, verdict.isReady},
                       {u"heldByLicence"_s, QJsonArray::fromStringList(verdict.heldByLicence)},
                       {u"attention"_s, verdict.attention}};
}

} // namespace kernwick
