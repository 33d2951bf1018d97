#include <model/fontstatusitem.h>
#include <model/travel.h>

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace kernwick;

class FontStatusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusesCountsAndReadiness();
    void travelListAndVerdict_data();
    void travelListAndVerdict();
};

void FontStatusTest::statusesCountsAndReadiness()
{
    QCOMPARE(fontStatusFromRawValue(u"Installed"), FontStatus::installed);
    QCOMPARE(fontStatusFromRawValue(u"Adobe"), FontStatus::adobe);
    for (const QStringView text : {u"installed", u"System ", u""})
        QVERIFY2(!fontStatusFromRawValue(text), qPrintable(text.toString()));
    for (const FontStatus status : allFontStatuses)
        QCOMPARE(fontStatusFromRawValue(rawValue(status)), status);

    // Sorting by status: installed, missing, unresolved, system, Adobe. (The font table's own test sorts
    // a window's list by it, both ways.)
    QList<FontStatus> order(std::begin(allFontStatuses), std::end(allFontStatuses));
    std::ranges::stable_sort(order, {}, statusSortKey);
    QCOMPARE(order, (QList{FontStatus::installed, FontStatus::missing, FontStatus::unresolved,
                           FontStatus::system, FontStatus::adobe}));

    FontStatusItems items;
    QVERIFY(!isReadyForHandoff(items));
    // Fonts that need review or are restricted do not stand in the way; one missing font does.
    items.append(makeFontStatusItem(u"A"_s, FontStatus::unresolved));
    items.append(makeFontStatusItem(u"B"_s, FontStatus::adobe, u"/x/Adobe Fonts/B.otf"_s));
    QVERIFY(isReadyForHandoff(items));
    items.append(makeFontStatusItem(u"C"_s, FontStatus::missing));
    QVERIFY(!isReadyForHandoff(items));

    items.append(makeFontStatusItem(u"D"_s, FontStatus::installed, u"/h/D.ttf"_s));
    items.append(makeFontStatusItem(u"E"_s, FontStatus::installed, u"/h/E.ttf"_s));
    items.append(makeFontStatusItem(u"F"_s, FontStatus::system, u"/usr/share/fonts/F.ttf"_s));
    QCOMPARE(countsSummary(items), u"Found: 2 | System: 1 | Restricted: 1 | Missing: 1 | Needs Review: 1"_s);
}

namespace {
FontStatusItem installedFont(const QString &name, bool restricted, bool selected)
{
    FontStatusItem item = makeFontStatusItem(name, FontStatus::installed, u"/h/"_s + name + u".ttf"_s);
    const auto permission = restricted ? EmbeddingPermission::restricted : EmbeddingPermission::installable;
    item.faces = {{u"/h/"_s + name + u".ttf"_s, 0, u"Regular"_s, permission, {}},
                  {u"/h/"_s + name + u"-Bold.ttf"_s, 0, u"Bold"_s, permission, {}}};
    item.permission = restricted ? EmbeddingPermission::restricted : EmbeddingPermission::installable;
    item.isSelected = selected;
    return item;
}
} // namespace

void FontStatusTest::travelListAndVerdict_data()
{
    QTest::addColumn<bool>("restricted");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("used");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<bool>("ready");
    QTest::newRow("ticked") << false << true << true << u"Yes"_s << true;
    QTest::newRow("unticked by the user") << false << false << true << u"Left out"_s << true;
    QTest::newRow("held by its licence") << true << false << true << u"Left out: licence"_s << false;
    QTest::newRow("held, but no text uses it") << true << false << false << u"Left out: licence"_s << true;
    QTest::newRow("ticked despite its licence") << true << true << true << u"Yes"_s << true;
}

void FontStatusTest::travelListAndVerdict()
{
    QFETCH(bool, restricted);
    QFETCH(bool, selected);
    QFETCH(bool, used);
    QFETCH(QString, cell);
    QFETCH(bool, ready);
    // A system font of the same licence never counts: the show computer's system has its own.
    FontStatusItem system = makeFontStatusItem(u"Sys"_s, FontStatus::system, u"/usr/share/fonts/Sys.ttf"_s);
    system.permission = EmbeddingPermission::restricted;
    system.isSelected = false;
    const FontStatusItems items = {system, installedFont(u"Brand"_s, restricted, selected),
                                   installedFont(u"Other"_s, false, true)};
    const TravelList travel = makeTravelList(items);
    QCOMPARE(travel.fonts.size(), 2);
    QVERIFY(!travel.find(system.id));
    const TravellingFont *brand = travel.find(items[1].id);
    QVERIFY(brand);
    QCOMPARE(travelCellText(brand->travel), cell);
    QCOMPARE(brand->files, (QStringList{u"/h/Brand.ttf"_s, u"/h/Brand-Bold.ttf"_s}));
    QCOMPARE(travel.travellingCount(), selected ? 2 : 1);
    QCOMPARE(travel.files().size(), selected ? 4 : 2);
    QCOMPARE(travel.leftOut().size(), selected ? 0 : 1);
    QCOMPARE(leftOutReason(brand->travel).isEmpty(), selected);

    const HandoffVerdict verdict =
        handoffVerdict(items, travel, [used](const QString &name) { return name != u"Brand" || used; });
    QCOMPARE(verdict.isReady, ready);
    QCOMPARE(verdict.attention.isEmpty(), ready);
    if (!ready) {
        QCOMPARE(verdict.heldByLicence, QStringList{u"Brand"_s});
        QCOMPARE(verdict.attention,
                 u"Brand cannot travel: its licence does not allow passing it on. The show "
                 u"computer needs its own licensed copy."_s);
    }
}

QTEST_GUILESS_MAIN(FontStatusTest)
#include "tst_fontstatus.moc"
