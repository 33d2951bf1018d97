#include <model/fontstatusitem.h>

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace kernwick;

class FontStatusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusTextAndOrder();
    void countsAndReadiness();
};

void FontStatusTest::statusTextAndOrder()
{
    QCOMPARE(fontStatusFromRawValue(u"Installed"), FontStatus::installed);
    QCOMPARE(fontStatusFromRawValue(u"Adobe"), FontStatus::adobe);
    QVERIFY(!fontStatusFromRawValue(u"installed"));
    QVERIFY(!fontStatusFromRawValue(u"System "));
    QVERIFY(!fontStatusFromRawValue(u""));
    for (const FontStatus status : allFontStatuses)
        QCOMPARE(fontStatusFromRawValue(rawValue(status)), status);

    // Sorting by status keeps the order within a status, either way.
    const FontStatusItems items = {makeFontStatusItem(u"adobe"_s, FontStatus::adobe),
                                   makeFontStatusItem(u"sys"_s, FontStatus::system),
                                   makeFontStatusItem(u"first"_s, FontStatus::installed),
                                   makeFontStatusItem(u"miss"_s, FontStatus::missing),
                                   makeFontStatusItem(u"review"_s, FontStatus::unresolved),
                                   makeFontStatusItem(u"second"_s, FontStatus::installed)};
    const auto sortedNames = [&items](bool ascending) {
        FontStatusItems sorted = items;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [ascending](const FontStatusItem &a, const FontStatusItem &b) {
                             return ascending ? statusSortKey(a.status) < statusSortKey(b.status)
                                              : statusSortKey(a.status) > statusSortKey(b.status);
                         });
        QStringList names;
        for (const FontStatusItem &item : sorted)
            names.append(item.fontName);
        return names;
    };
    QCOMPARE(sortedNames(true),
             (QStringList{u"first"_s, u"second"_s, u"miss"_s, u"review"_s, u"sys"_s, u"adobe"_s}));
    QCOMPARE(sortedNames(false),
             (QStringList{u"adobe"_s, u"sys"_s, u"review"_s, u"miss"_s, u"first"_s, u"second"_s}));
}

void FontStatusTest::countsAndReadiness()
{
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
