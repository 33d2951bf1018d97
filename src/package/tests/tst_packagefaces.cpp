// Every face of a family travels with its font name; the names are still what the package counts.
#include <package/packagebuilder.h>
#include <resolve/fontresolver.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testfontfiles.h>
#include <testsupport/testfonts.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

class PackageFacesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFaceOnceNamesCounted();
};

void PackageFacesTest::everyFaceOnceNamesCounted()
{
    test::TestFonts world;
    QVERIFY(world.isValid());
    const QString user = world.userFontFolder();
    const QString crosextra = u"/usr/share/fonts/truetype/crosextra/"_s;
    // Liberation Sans gets its italic twice, in two folders; Caladea's italics share a collection file.
    QVERIFY(test::TestFonts::copyLiberationFont(u"LiberationSans-Italic.ttf"_s, user));
    QVERIFY(QDir().mkpath(user + u"/more"_s));
    QVERIFY(test::TestFonts::copyLiberationFont(u"LiberationSans-Italic.ttf"_s, user + u"/more"_s));
    for (const QString &font : {u"Caladea-Regular.ttf"_s, u"Caladea-Bold.ttf"_s})
        QVERIFY(test::TestFonts::copyFontFile(crosextra + font, user));
    QVERIFY(
        test::writeCollection({crosextra + u"Caladea-Italic.ttf"_s, crosextra + u"Caladea-BoldItalic.ttf"_s},
                              user + u"/Caladea-Italics.ttc"_s));

    FontconfigFontSource source;
    FontResolver resolver(source);
    FontStatusItems items = resolver.resolveFonts(
        {u"Caladea"_s, u"Liberation Sans"_s, u"LiberationSans-Bold"_s, u"Liberation Serif"_s},
        FontNaming::family);
    // Keynote names one face: only that face travels.
    items += resolver.resolveFonts({u"LiberationSerif-Italic"_s}, FontNaming::postScript);
    items[3].isSelected = false; // Liberation Serif's regular face stays home
    // A face that vanished since the scan stays out; its font still travels.
    QVERIFY(QFile::remove(user + u"/Caladea-Bold.ttf"_s));

    QTemporaryDir destination;
    QStringList log;
    const PackageOutcome outcome = buildPackage({{}, destination.path(), items, false, true},
                                                [&log](const QString &line) { log.append(line); });
    QVERIFY(outcome.isBuilt);
    QCOMPARE(outcome.exported, (QStringList{u"Caladea"_s, u"Liberation Sans"_s, u"LiberationSans-Bold"_s,
                                            u"LiberationSerif-Italic"_s}));
    QCOMPARE(outcome.statusMessage, u"Package created: My Presentation_package (4 fonts)."_s);
    QVERIFY(log.contains(u"[Package][Warn] Face of 'Caladea' left out: "_s + user + u"/Caladea-Bold.ttf"_s));
    QCOMPARE(QDir(outcome.packagePath + u"/Fonts"_s).entryList(QDir::Files, QDir::Name),
             (QStringList{u"Caladea-Italics.ttc"_s, u"Caladea-Regular.ttf"_s, u"LiberationSans-Bold.ttf"_s,
                          u"LiberationSans-BoldItalic.ttf"_s, u"LiberationSans-Italic 2.ttf"_s,
                          u"LiberationSans-Italic.ttf"_s, u"LiberationSans-Regular.ttf"_s,
                          u"LiberationSerif-Italic.ttf"_s}));
    // The report names fonts, one line each, as it always has.
    QFile report(outcome.packagePath + u"/font-report.txt"_s);
    QVERIFY(report.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(report.readAll());
    QVERIFY(text.contains(u"Exported Fonts (4):\n- Caladea\n- Liberation Sans\n- LiberationSans-Bold\n"
                          u"- LiberationSerif-Italic\n\n"_s));
    QVERIFY(!text.contains(u".ttf"_s));
}

QTEST_GUILESS_MAIN(PackageFacesTest)
#include "tst_packagefaces.moc"
