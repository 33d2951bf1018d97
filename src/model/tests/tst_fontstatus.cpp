#include <model/fontstatusitem.h>

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace kernwick;

class FontStatusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusesCountsAndReadiness();
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
    QCOMPARE(countsSummary(items),
             u"Installed: 2 | System: 1 | Restricted: 1 | Missing: 1 | Unresolved: 1"_s);
}

QTEST_GUILESS_MAIN(FontStatusTest)
#include "tst_fontstatus.moc"
