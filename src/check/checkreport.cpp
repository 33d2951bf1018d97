#include "checkreport.h"

#include <model/statuspresentation.h>

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

QString fontDetailsText(const FontStatusItem &item)
{
    QString text;
    if (item.status == FontStatus::installed) {
        for (const FontFace &face : item.faces) {
            const QString style = face.style.isEmpty() ? u"Face"_s : face.style;
            text += u"      "_s + QString(style + u':').leftJustified(12) + u" "_s + face.file +
                    (face.index > 0 ? u" (face %1)"_s.arg(face.index) : QString()) + u'\n';
        }
        text += u"      License: "_s + permissionLabel(item.permission) + u'\n';
        if (!item.permissionNote.isEmpty())
            text += u"      "_s + item.permissionNote + u'\n';
    }
    if (item.isEmbedded())
        text += u"      Embedded in the presentation ("_s + faceStylesText(item.embeddedFaces) + u")\n"_s;
    if (!item.metricTwins.isEmpty())
        text += u"      "_s + metricTwinText(item.metricTwins) + u'\n';
    return text;
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
        text += fontDetailsText(item);
    }
    text += u"  "_s + readinessPresentation(isReadyForHandoff(check.items)).title + u": "_s +
            countsSummary(check.items) + u'\n';
    return text;
}

QJsonObject checkToJson(const PresentationCheck &check)
{
    QJsonArray fonts;
    for (const FontStatusItem &item : check.items) {
        QJsonObject font{{u"name"_s, item.fontName},
                         {u"status"_s, rawValue(item.status)},
                         {u"file"_s, item.hasFile() ? QJsonValue(item.filePath()) : QJsonValue()},
                         {u"embeddedFaces"_s, QJsonArray::fromStringList(item.embeddedFaces)},
                         {u"metricTwins"_s, QJsonArray::fromStringList(item.metricTwins)}};
        if (item.hasFile()) {
            QJsonArray faces;
            for (const FontFace &face : item.faces) {
                faces.append(QJsonObject{{u"style"_s, face.style},
                                         {u"file"_s, face.file},
                                         {u"index"_s, face.index},
                                         {u"license"_s, permissionLabel(face.permission)}});
            }
            font.insert(u"faces"_s, faces);
            font.insert(u"license"_s, permissionLabel(item.permission));
            if (!item.permissionNote.isEmpty())
                font.insert(u"licenseNote"_s, item.permissionNote);
        }
        fonts.append(font);
    }
    const QJsonObject counts{{u"installed"_s, installedCount(check.items)},
                             {u"system"_s, systemCount(check.items)},
                             {u"adobe"_s, adobeCount(check.items)},
                             {u"missing"_s, missingCount(check.items)},
                             {u"unresolved"_s, unresolvedCount(check.items)}};
    return QJsonObject{{u"path"_s, check.path},
                       {u"fonts"_s, fonts},
                       {u"counts"_s, counts},
                       {u"notes"_s, QJsonArray::fromStringList(check.notes)},
                       {u"readyForHandoff"_s, isReadyForHandoff(check.items)}};
}

} // namespace kernwick
