#include <package/fontreport.h>

#include <QTest>

using namespace Qt::StringLiterals;
using namespace kernwick;

class FontReportTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeReport();
    void withoutSourceOrFonts();
    void namesAreWrittenAsTheyAre();
};

namespace {
const QString notes =
    u"Notes:\n"
    u"- System fonts usually do not need to be provided to another Mac.\n"
    u"- Adobe Creative Cloud fonts cannot be redistributed. The receiving Mac needs its own "
    u"Adobe CC subscription with those fonts activated.\n"
    u"- Some fonts may fail due to macOS restrictions or licensing."_s;
}

void FontReportTest::wholeReport()
{
    const FontStatusItems items = {
        makeFontStatusItem(u"Example Sans"_s, FontStatus::system, u"/usr/share/fonts/s.ttf"_s),
        makeFontStatusItem(u"Example Serif"_s, FontStatus::installed, u"/h/s.otf"_s),
        makeFontStatusItem(u"Example Mono"_s, FontStatus::missing),
        makeFontStatusItem(u"Example Review"_s, FontStatus::unresolved),
        makeFontStatusItem(u"Example Cloud"_s, FontStatus::adobe, u"/a/Adobe Fonts/c.otf"_s)};
    const QString report = makeFontReport(u"/Users/me/Talks/Quarterly Review.key"_s, items,
                                          {u"Example Serif"_s}, {u"Broken One"_s, u"Broken Two"_s});
    QCOMPARE(report, u"Presentation Font Handoff Report\n"
                     u"================================\n"
                     u"\n"
                     u"Source File: Quarterly Review.key\n"
                     u"\n"
                     u"All Fonts Used (5):\n"
                     u"- Example Sans [System]\n"
                     u"- Example Serif [Installed]\n"
                     u"- Example Mono [Missing]\n"
                     u"- Example Review [Unresolved]\n"
                     u"- Example Cloud [Adobe]\n"
                     u"\n"
                     u"Exported Fonts (1):\n"
                     u"- Example Serif\n"
                     u"\n"
                     u"Export Failed (2):\n"
                     u"- Broken One\n"
                     u"- Broken Two\n"
                     u"\n"_s +
                         notes);
}

void FontReportTest::withoutSourceOrFonts()
{
    QCOMPARE(makeFontReport(std::nullopt, {}, {}, {}), u"Presentation Font Handoff Report\n"
                                                       u"================================\n"
                                                       u"\n"
                                                       u"All Fonts Used (0):\n"
                                                       u"\n"
                                                       u"Exported Fonts (0):\n"
                                                       u"\n"
                                                       u"Export Failed (0):\n"
                                                       u"\n"_s +
                                                           notes);
}

void FontReportTest::namesAreWrittenAsTheyAre()
{
    const QString report =
        makeFontReport(std::nullopt, {makeFontStatusItem(u"Odd [Name]\nTwo"_s, FontStatus::missing)}, {},
                       {u"ＭＳ Ｐゴシック"_s});
    QVERIFY(report.contains(u"\n- Odd [Name]\nTwo [Missing]\n"_s));
    QVERIFY(report.contains(u"\n- ＭＳ Ｐゴシック\n"_s));
    QVERIFY(report.endsWith(u"licensing."_s));
}

QTEST_GUILESS_MAIN(FontReportTest)
#include "tst_fontreport.moc"
