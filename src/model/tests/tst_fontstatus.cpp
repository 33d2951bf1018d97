#include <model/fontstatusitem.h>
#include <model/travel.h>

#include <QTest>

#include <algorithm>
#include <tuple>

using namespace Qt::StringLiterals;
using namespace kernwick;

class FontStatusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusesCountsAndReadiness();
    void travelListAndVerdict();
    void missingCharactersForPeople();
};

void FontStatusTest::statusesCountsAndReadiness()
{
    QCOMPARE(fontStatusFromRawValue(u"Installed"), FontStatus::installed);
    QCOMPARE(fontStatusFromRawValue(u"Adobe"), FontStatus::adobe);
    for (const QStringView text : {u"installed", u"System ", u""})
        QVERIFY2(!fontStatusFromRawValue(text), qPrintable(text.toString()));
    for (const FontStatus status : allFontStatuses)
        QCOMPARE(fontStatusFromRawValue(rawValue(status)), status);

    // Sorting by status: installed, missing, unresolved, system, Adobe.
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
    // Ticked fonts travel; an unticked one held by its licence spoils readiness only while text uses it.
    // Restricted, ticked, used by text; the cell the table shows, whether the deck is ready.
    const std::tuple<bool, bool, bool, QString, bool> cases[] = {
        {false, true, true, u"Yes"_s, true},
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

void FontStatusTest::missingCharactersForPeople()
{
    QStringList slides;
    for (int slide = 1; slide <= 40; slide += 2)
        slides.append(u"slide %1"_s.arg(slide));
    const QList<std::pair<MissingCharacters, QString>> cases = {
        {{}, {}},
        {{u"ř"_s, 1, {u"slide 4"_s}}, u"1 character not in Georgia: ř (slide 4)"_s},
        {{u"řůľ"_s, 3, {u"slide 9"_s, u"slide 4"_s, u"notes page 2"_s}},
         u"3 characters not in Georgia: ř ů ľ (slides 4, 9, notes page 2)"_s},
        // A combining mark on a dotted circle; only the first twenty are listed.
        {{u"\u0301abcdefghijklmnopqrs"_s, 25, {u"slide 1"_s}},
         u"25 characters not in Georgia: \u25cc\u0301 a b c d e f g h i j k l m n o p q r s … and 5 more "
         u"(slide 1)"_s},
        {{u"ř"_s, 1, slides},
         u"1 character not in Georgia: ř (slides 1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, …)"_s},
    };
    for (const auto &[missing, text] : cases)
        QCOMPARE(missingCharactersText(u"Georgia"_s, missing), text);
}

QTEST_GUILESS_MAIN(FontStatusTest)
#include "tst_fontstatus.moc"
