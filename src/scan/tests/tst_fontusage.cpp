// Where-used as the metadata query carries it and as people read it.
#include <scan/fontusage.h>
#include <scan/metadataquery.h>

#include <QTest>

using namespace Qt::StringLiterals;
using namespace kernwick;

class FontUsageTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answerCarriesUsage();
    void usageForPeople_data();
    void usageForPeople();
};

void FontUsageTest::answerCarriesUsage()
{
    const MetadataAnswer answer = parseMetadataAnswer(
        R"({"fonts": [{"name": "Used", "places": ["slide 1"], "used": true, "usedIn": ["slide 1", "notes page 2"]},
                      {"name": "Ghost", "places": ["slide master 1"], "used": false, "usedIn": []},
                      {"name": "Somewhere", "places": ["font collection"], "used": true, "usedIn": null},
                      {"name": "Older\u0007Helper", "places": []}]})");
    QCOMPARE(answer.fonts.size(), 4);
    QCOMPARE(answer.fonts[0].usedIn, (QStringList{u"slide 1"_s, u"notes page 2"_s}));
    QVERIFY(answer.fonts[0].used && answer.fonts[0].usedInKnown);
    QVERIFY(!answer.fonts[1].used && answer.fonts[1].usedInKnown);
    QVERIFY(answer.fonts[2].used && !answer.fonts[2].usedInKnown);
    // An answer without the usage fields counts every font as used, places unknown.
    QCOMPARE(answer.fonts[3].name, u"Older Helper"_s);
    QVERIFY(answer.fonts[3].used && !answer.fonts[3].usedInKnown);
}

void FontUsageTest::usageForPeople_data()
{
    QTest::addColumn<FontUsage>("usage");
    QTest::addColumn<QString>("line");
    const auto slides = [](std::initializer_list<int> numbers) {
        QStringList places;
        for (const int number : numbers)
            places.append(u"slide %1"_s.arg(number));
        return places;
    };
    QTest::newRow("slides and notes")
        << FontUsage{{}, true, slides({7, 2, 5, 6}) + QStringList{u"notes page 3"_s}, true}
        << u"used on slides 2, 5–7 · notes page 3"_s;
    QTest::newRow("declared only, qualifiers dropped")
        << FontUsage{{u"slide master 1 (theme minor font)"_s, u"slide layout 2"_s,
                      u"slide layout 3 (theme minor font)"_s},
                     false,
                     {},
                     true}
        << u"not used by any text (slide master 1 · slide layouts 2–3)"_s;
    QTest::newRow("used, places unknown")
        << FontUsage{{u"font collection"_s}, true, {}, false} << u"used (places not known)"_s;
    QTest::newRow("nothing known") << FontUsage{} << QString();
    QTest::newRow("long, cut")
        << FontUsage{{},
                     true,
                     slides({1,  3,  5,  7,  9,  11, 13, 15, 17, 19, 21, 23, 25,
                             27, 29, 31, 33, 35, 37, 39, 41, 43, 45, 47, 49}),
                     true}
        << u"used on slides 1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31, 33, 35, 37, 39, 41, 43, 4…"_s;
}

void FontUsageTest::usageForPeople()
{
    QFETCH(FontUsage, usage);
    QFETCH(QString, line);
    QCOMPARE(describeUsage(usage), line);
}

QTEST_GUILESS_MAIN(FontUsageTest)
#include "tst_fontusage.moc"
