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

void FontStatusTest::travelListAndVerdict()
{
    struct Case
    {
        bool restricted, selected, used;
        QString cell;
        bool ready;
    };
    // Ticked fonts travel whatever their licence; an unticked one stays by choice, or for its licence,
    // which keeps the deck from being ready only while text uses the font.
    const Case cases[] = {{false, true, true, u"Yes"_s, true},
                          {false, false, true, u"Left out"_s, true},
                          {true, false, true, u"Left out: licence"_s, false},
                          {true, false, false, u"Left out: licence"_s, true},
                          {true, true, true, u"Yes"_s, true}};
    for (const auto &[restricted, selected, used, cell, ready] : cases) {
        // A system font of the same licence never counts: the show computer's system has its own.
        FontStatusItem system = makeFontStatusItem(u"Sys"_s, FontStatus::system, u"/usr/share/fonts/S.ttf"_s);
        system.permission = EmbeddingPermission::restricted;
        FontStatusItem brand = makeFontStatusItem(u"Brand"_s, FontStatus::installed, u"/h/Brand.ttf"_s);
        brand.permission = restricted ? EmbeddingPermission::restricted : EmbeddingPermission::installable;
        brand.faces = {{u"/h/Brand.ttf"_s, 0, u"Regular"_s, brand.permission, {}},
                       {u"/h/Brand-Bold.ttf"_s, 0, u"Bold"_s, brand.permission, {}}};
        brand.isSelected = selected;
        const FontStatusItems items = {system, brand,
                                       makeFontStatusItem(u"Other"_s, FontStatus::installed, u"/h/O.ttf"_s)};
        const TravelList travel = makeTravelList(items);
        QVERIFY(!travel.find(system.id) && travel.fonts.size() == 2);
        QCOMPARE(travelCellText(travel.find(brand.id)->travel), cell);
        QCOMPARE(travel.find(brand.id)->files, (QStringList{u"/h/Brand.ttf"_s, u"/h/Brand-Bold.ttf"_s}));
        QCOMPARE(travel.files().size(), selected ? 3 : 1);
        QCOMPARE(travel.leftOut().size(), selected ? 0 : 1);
        const HandoffVerdict verdict =
            handoffVerdict(items, travel, [&](const QString &name) { return name != u"Brand" || used; });
        QCOMPARE(verdict.isReady, ready);
        QCOMPARE(verdict.attention, ready ? QString()
                                          : u"Brand cannot travel: its licence does not allow passing it on. "
                                            u"The show computer needs its own licensed copy."_s);
    }
}

QTEST_GUILESS_MAIN(FontStatusTest)
#include "tst_fontstatus.moc"
