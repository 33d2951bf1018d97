#pragma once

#include <model/fontstatusitem.h>

#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>

namespace kernwick {

// Whether an installed font goes into the handoff package, and if not, why. Fonts of every other status
// never travel: the show computer has them (system), must license them itself (Adobe) or nobody has them.
enum class Travel
{
    inPackage,       // ticked: its files are copied into Fonts/
    leftOutByChoice, // the user unticked it
    heldByLicence,   // its licence does not allow passing it on, and nobody ticked it
};

struct TravellingFont
{
    QUuid id;
    QString fontName;
    Travel travel = Travel::inPackage;
    QStringList files; // what it takes into Fonts/ when it travels: its own file first, then its faces'
};

// What travels: every installed font of a list, in the list's order, with its fate. The one answer that
// the table, the package preview, the builder, the report and the manifest all give.
struct TravelList
{
    QList<TravellingFont> fonts;

    // The entry of an item; nothing for a font that is not installed.
    const TravellingFont *find(const QUuid &id) const;
    const TravellingFont *find(const QString &fontName) const;
    // The fonts that go into the package, and how many distinct files they take along.
    qsizetype travellingCount() const;
    QStringList files() const;
    // The fonts left out, by choice or by licence, in order.
    QList<TravellingFont> leftOut() const;
};

TravelList makeTravelList(const FontStatusItems &items);

// The In Package cell: "Yes", "Left out", "Left out: licence".
QString travelCellText(Travel travel);
// Why a font stays out, for the report, the manifest and the package result: "Left out by choice", "its
// licence does not allow passing it on (No Redistribution)". Empty for a font that travels.
QString leftOutReason(Travel travel);

// The verdict on a list as the show computer will meet it: the readiness rule of the five statuses, and
// besides it every font that text uses but that may not travel for its licence (system fonts aside).
struct HandoffVerdict
{
    bool isReady = false;
    QStringList heldByLicence; // used fonts whose licence keeps them out of the package
    // Why it is not ready when a licence stands in the way; empty otherwise.
    QString attention;
};

// `isUsed` tells whether text draws a font (by name); every font counts as used without it.
HandoffVerdict handoffVerdict(const FontStatusItems &items, const TravelList &travel,
                              const std::function<bool(const QString &)> &isUsed = {});

} // namespace kernwick
