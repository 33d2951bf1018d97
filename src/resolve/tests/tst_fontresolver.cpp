#include <resolve/fontresolver.h>

#include <QDir>
#include <QFile>
#include <QTest>

#include <testsupport/testfonts.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

class FontResolverTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void verdictByWhereTheFileLies_data();
    void verdictByWhereTheFileLies();
    void looseMatchTakesTheFirstResemblingName();
    void installedNamesAreSortedAndDistinct();
    void fontInstalledWhileRunningIsFoundByTheNextPass();
    void typeLabel_data();
    void typeLabel();
    void locationLabel_data();
    void locationLabel();

private:
    std::unique_ptr<test::TestFonts> m_fonts;
    std::unique_ptr<FontconfigFontSource> m_source;
};

void FontResolverTest::initTestCase()
{
    m_fonts = std::make_unique<test::TestFonts>();
    QVERIFY(m_fonts->isValid());
    m_source = std::make_unique<FontconfigFontSource>();
    QVERIFY(m_source->snapshot()->faceCount() > 10);
}

void FontResolverTest::verdictByWhereTheFileLies_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<FontStatus>("status");
    QTest::addColumn<QString>("file"); // relative to the folder the status implies; empty: none

    // Exact names: PostScript, full, and family (whose regular face wins).
    QTest::newRow("PostScript name in the user's folder")
        << u"LiberationSans-Bold"_s << FontStatus::installed << u"LiberationSans-Bold.ttf"_s;
    QTest::newRow("full name") << u"Liberation Sans Bold Italic"_s << FontStatus::installed
                               << u"LiberationSans-BoldItalic.ttf"_s;
    QTest::newRow("family name picks the regular face")
        << u"Liberation Serif"_s << FontStatus::installed << u"LiberationSerif-Regular.ttf"_s;
    QTest::newRow("distribution font") << u"DejaVu Sans"_s << FontStatus::system << u"DejaVuSans.ttf"_s;
    QTest::newRow("Adobe-synced font")
        << u"LiberationMono"_s << FontStatus::adobe << u"LiberationMono-Regular.ttf"_s;
    // Loose matches: the match key ignores case, hyphens and spaces; containment works both ways.
    QTest::newRow("match key") << u"liberation sans-bold"_s << FontStatus::installed
                               << u"LiberationSans-Bold.ttf"_s;
    // LiberationSerif, the regular face's PostScript name, is the first installed name that the wanted
    // one contains.
    QTest::newRow("wanted name contains an installed one")
        << u"LiberationSerif Condensed ExtraBold"_s << FontStatus::installed
        << u"LiberationSerif-Regular.ttf"_s;
    // Never a substitute: a name no installed font resembles is missing, whatever fontconfig would offer.
    QTest::newRow("unknown") << u"Calibri"_s << FontStatus::missing << QString();
    QTest::newRow("underscore is not removed by the key")
        << u"Liberation_Sans_Bold"_s << FontStatus::missing << QString();
    QTest::newRow("serif is not sans") << u"Times New Roman"_s << FontStatus::missing << QString();
}

void FontResolverTest::verdictByWhereTheFileLies()
{
    QFETCH(QString, name);
    QFETCH(FontStatus, status);
    QFETCH(QString, file);

    FontResolver resolver(*m_source);
    const FontStatusItem item = resolver.resolveFont(name);
    QCOMPARE(item.fontName, name);
    QCOMPARE(item.status, status);
    QVERIFY(item.isSelected);
    QVERIFY(!item.id.isNull());
    if (file.isEmpty()) {
        QVERIFY(!item.hasFile());
        return;
    }
    const QString folder = status == FontStatus::system  ? test::TestFonts::systemFontFolder()
                           : status == FontStatus::adobe ? m_fonts->adobeFontFolder()
                                                         : m_fonts->userFontFolder();
    QCOMPARE(item.filePath(), QDir(folder).filePath(file));
}

void FontResolverTest::looseMatchTakesTheFirstResemblingName()
{
    // DejaVuSans-Bold, DejaVuSans-BoldOblique and DejaVuSansCondensed-Bold all contain the wanted name;
    // the first in the list's order wins and its own file is taken.
    FontResolver resolver(*m_source);
    const InstalledFonts fonts = resolver.installedFonts();
    QVERIFY(!fonts.catalog().fileForName(u"Sans-Bol"_s));
    QCOMPARE(fonts.findFontFile(u"Sans-Bol"_s).value_or(QString()),
             QDir(test::TestFonts::systemFontFolder()).filePath(u"DejaVuSans-Bold.ttf"_s));
    QVERIFY(fonts.isFontAvailable(u"dejavusans"_s));
    QVERIFY(!fonts.isFontAvailable(u"Calibri"_s));

    // Two items for the same name are two different items.
    QVERIFY(fonts.resolveFont(u"DejaVu Sans"_s).id != fonts.resolveFont(u"DejaVu Sans"_s).id);
}

void FontResolverTest::installedNamesAreSortedAndDistinct()
{
    const QStringList names = m_source->snapshot()->postScriptNames();
    QVERIFY(names.contains(u"DejaVuSans-Bold"_s));
    QVERIFY(names.contains(u"LiberationSerif-Italic"_s));
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    QCOMPARE(names, sorted);
}

void FontResolverTest::fontInstalledWhileRunningIsFoundByTheNextPass()
{
    FontResolver resolver(*m_source);
    const QString name = u"Noto Serif Georgian"_s;
    const QString file = u"/usr/share/fonts/truetype/noto/NotoSerifGeorgian-Regular.ttf"_s;
    QCOMPARE(resolver.resolveFont(name).status, FontStatus::missing);

    QVERIFY(test::TestFonts::copyFontFile(file, m_fonts->userFontFolder()));
    const FontStatusItems items = resolver.resolveFonts({name, u"DejaVu Sans"_s});
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0].status, FontStatus::installed);
    QCOMPARE(items[1].status, FontStatus::system);

    QVERIFY(QFile::remove(QDir(m_fonts->userFontFolder()).filePath(u"NotoSerifGeorgian-Regular.ttf"_s)));
    QCOMPARE(resolver.resolveFont(name).status, FontStatus::missing);
}

void FontResolverTest::typeLabel_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("label");
    QTest::newRow("ttf") << u"/f/A.ttf"_s << u"TrueType"_s;
    QTest::newRow("upper-case collection") << u"/f/Font.TTC"_s << u"TrueType"_s;
    QTest::newRow("otf") << u"/f/A.otf"_s << u"OpenType"_s;
    QTest::newRow("other extension") << u"/f/Font.dfont"_s << u"DFONT"_s;
    QTest::newRow("no extension") << u"/f/Font"_s << QString();
    QTest::newRow("no file") << QString() << u"—"_s;
}

void FontResolverTest::typeLabel()
{
    QFETCH(QString, file);
    QFETCH(QString, label);
    QCOMPARE(fontTypeLabel(makeFontStatusItem(u"A"_s, FontStatus::installed, file)), label);
}

void FontResolverTest::locationLabel_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("label");
    QTest::newRow("home folder") << u"/Users/u1/Library/Fonts/X.otf"_s << u"/Users/u1"_s
                                 << u"~/Library/Fonts"_s;
    QTest::newRow("user fonts") << u"/home/ann/.local/share/fonts/X.ttf"_s << u"/home/ann"_s
                                << u"~/.local/share/fonts"_s;
    QTest::newRow("a longer user name is not the home folder")
        << u"/home/anna/fonts/X.ttf"_s << u"/home/ann"_s << u"/home/anna/fonts"_s;
    QTest::newRow("system prefix") << u"/usr/share/fonts/truetype/dejavu/X.ttf"_s << u"/home/ann"_s
                                   << u"System"_s;
    QTest::newRow("assets prefix is a character prefix")
        << u"/System/Library/AssetsV2/X.ttf"_s << u"/home/ann"_s << u"System"_s;
    QTest::newRow("Adobe folder shows its path")
        << u"/home/ann/Library/Application Support/Adobe/CoreSync/X.otf"_s << u"/home/ann"_s
        << u"~/Library/Application Support/Adobe/CoreSync"_s;
    QTest::newRow("Adobe folder under a system prefix")
        << u"/Library/Fonts/Adobe/CoreSync/X.otf"_s << u"/home/ann"_s << u"System"_s;
    QTest::newRow("prefixes are case-sensitive")
        << u"/usr/share/Fonts/X.otf"_s << u"/home/ann"_s << u"/usr/share/Fonts"_s;
    QTest::newRow("no file") << QString() << u"/home/ann"_s << u"—"_s;
}

void FontResolverTest::locationLabel()
{
    QFETCH(QString, file);
    QFETCH(QString, home);
    QFETCH(QString, label);
    QCOMPARE(fontLocationLabel(makeFontStatusItem(u"A"_s, FontStatus::installed, file), home), label);
}

QTEST_GUILESS_MAIN(FontResolverTest)
#include "tst_fontresolver.moc"
