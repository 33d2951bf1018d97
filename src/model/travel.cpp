#include "travel.h"

#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kernwick {

const TravellingFont *TravelList::find(const QUuid &id) const
{
    const auto found =
        std::find_if(fonts.begin(), fonts.end(), [&](const TravellingFont &f) { return f.id == id; });
    return found == fonts.end() ? nullptr : &*found;
}

const TravellingFont *TravelList::find(const QString &fontName) const
{
    const auto found = std::find_if(fonts.begin(), fonts.end(),
                                    [&](const TravellingFont &f) { return f.fontName == fontName; });
    return found == fonts.end() ? nullptr : &*found;
}

qsizetype TravelList::travellingCount() const
{
    return std::count_if(fonts.begin(), fonts.end(),
                         [](const TravellingFont &font) { return font.travel == Travel::inPackage; });
}

QStringList TravelList::files() const
{
    QStringList files;
    QSet<QString> seen;
    for (const TravellingFont &font : fonts) {
        if (font.travel != Travel::inPackage)
            continue;
        for (const QString &file : font.files) {
            if (!seen.contains(file)) {
                seen.insert(file);
                files.append(file);
            }
        }
    }
    return files;
}

QList<TravellingFont> TravelList::leftOut() const
{
    QList<TravellingFont> left;
    std::copy_if(fonts.begin(), fonts.end(), std::back_inserter(left),
                 [](const TravellingFont &font) { return font.travel != Travel::inPackage; });
    return left;
}

TravelList makeTravelList(const FontStatusItems &items)
{
    TravelList list;
    for (const FontStatusItem &item : items) {
        if (item.status != FontStatus::installed)
            continue;
        // A ticked font travels, whatever its licence says: whoever ticked it has the owner's leave.
        const Travel travel = item.isSelected       ? Travel::inPackage
                              : item.isRestricted() ? Travel::heldByLicence
                                                    : Travel::leftOutByChoice;
        list.fonts.append({item.id, item.fontName, travel, travellingFiles(item)});
    }
    return list;
}

QString travelCellText(Travel travel)
{
    switch (travel) {
    case Travel::inPackage:
        return u"Yes"_s;
    case Travel::leftOutByChoice:
        return u"Left out"_s;
    case Travel::heldByLicence:
        return u"Left out: licence"_s;
    }
    return {};
}

QString leftOutReason(Travel travel)
{
    switch (travel) {
    case Travel::inPackage:
        return {};
    case Travel::leftOutByChoice:
        return u"Left out by choice"_s;
    case Travel::heldByLicence:
        return u"its licence does not allow passing it on ("_s +
               permissionLabel(EmbeddingPermission::restricted) + u')';
    }
    return {};
}

HandoffVerdict handoffVerdict(const FontStatusItems &items, const TravelList &travel,
                              const std::function<bool(const QString &)> &isUsed)
{
    HandoffVerdict verdict;
    for (const TravellingFont &font : travel.fonts) {
        if (font.travel == Travel::heldByLicence && (!isUsed || isUsed(font.fontName)))
            verdict.heldByLicence.append(font.fontName);
    }
    verdict.isReady = isReadyForHandoff(items) && verdict.heldByLicence.isEmpty();
    if (!verdict.heldByLicence.isEmpty()) {
        const bool one = verdict.heldByLicence.size() == 1;
        verdict.attention = verdict.heldByLicence.join(u", "_s) +
                            (one ? u" cannot travel: its"_s : u" cannot travel: their"_s) +
                            u" licence does not allow passing "_s + (one ? u"it"_s : u"them"_s) +
                            u" on. The show computer needs its own licensed copy."_s;
    }
    return verdict;
}

} // namespace kernwick
