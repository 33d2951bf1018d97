#include "fontstatusitem.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kernwick {

FontStatusItem makeFontStatusItem(const QString &fontName, FontStatus status, const QString &filePath)
{
    FontStatusItem item;
    item.id = QUuid::createUuid();
    item.fontName = fontName;
    item.status = status;
    if (!filePath.isEmpty())
        item.fileURL = QUrl::fromLocalFile(filePath);
    return item;
}

QStringList travellingFiles(const FontStatusItem &item)
{
    QStringList files;
    if (item.hasFile())
        files.append(item.filePath());
    for (const QString &face : distinctFiles(item.faces)) {
        if (!files.contains(face))
            files.append(face);
    }
    return files;
}

bool isSelectedByDefault(const FontStatusItem &item)
{
    return item.status == FontStatus::installed && !item.isRestricted();
}

qsizetype countWithStatus(const FontStatusItems &items, FontStatus status)
{
    return std::count_if(items.begin(), items.end(),
                         [status](const FontStatusItem &item) { return item.status == status; });
}

bool isReadyForHandoff(const FontStatusItems &items)
{
    return !items.isEmpty() && missingCount(items) == 0;
}

QString countsSummary(const FontStatusItems &items)
{
    // In the words of the summary tiles, so that the line and the tiles above it say the same.
    return u"Found: "_s + QString::number(installedCount(items)) + u" | System: "_s +
           QString::number(systemCount(items)) + u" | Restricted: "_s + QString::number(adobeCount(items)) +
           u" | Missing: "_s + QString::number(missingCount(items)) + u" | Needs Review: "_s +
           QString::number(unresolvedCount(items));
}

} // namespace kernwick
