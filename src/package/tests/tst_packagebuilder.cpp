#include <package/completionnotice.h>
#include <package/packagebuilder.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testzip.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

namespace {

QStringList entries(const QString &folder)
{
    QStringList names;
    QDirIterator walk(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    while (walk.hasNext())
        names.append(QDir(folder).relativeFilePath(walk.next()));
    names.sort();
    return names;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

class PackageBuilderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void wholePackage();
    void presentationFolderAndNothingElse();
    void messages();
    void replacingAnOlderPackage_data();
    void replacingAnOlderPackage();
    void destinations();

private:
    QString path(const QString &relative) const { return QDir(m_root->path()).filePath(relative); }
    QString file(const QString &relative, const QByteArray &bytes)
    {
        return test::writeFile(path(relative), bytes) ? path(relative) : QString();
    }
    PackageOutcome build(const PackageRequest &request)
    {
        m_log.clear();
        return buildPackage(request, [this](const QString &line) { m_log.append(line); });
    }

    std::unique_ptr<QTemporaryDir> m_root;
    QStringList m_log;
};

void PackageBuilderTest::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(path(u"out"_s)));
}

void PackageBuilderTest::wholePackage()
{
    // Every way a font can travel or not, in one build, and the report that tells it.
    const QString deck = file(u"talks/Quarterly Review.pptx"_s, "deck bytes");
    const QString vanished = path(u"fonts/Vanished.ttf"_s);
    FontStatusItems items = {
        makeFontStatusItem(u"Serif"_s, FontStatus::installed, file(u"fonts/Serif.ttf"_s, "serif")),
        makeFontStatusItem(u"Sans"_s, FontStatus::system, file(u"usr/Sans.ttf"_s, "system")),
        makeFontStatusItem(u"Family"_s, FontStatus::installed, file(u"fonts/Family.ttc"_s, "faces")),
        // The same collection through a dot segment: one copy.
        makeFontStatusItem(u"Family Bold"_s, FontStatus::installed, path(u"fonts/./Family.ttc"_s)),
        makeFontStatusItem(u"Licensed"_s, FontStatus::adobe, file(u"Adobe Fonts/L.otf"_s, "licensed")),
        makeFontStatusItem(u"Absent"_s, FontStatus::missing),
        makeFontStatusItem(u"Unticked"_s, FontStatus::installed, file(u"fonts/Unticked.otf"_s, "unticked")),
        makeFontStatusItem(u"Vanished"_s, FontStatus::installed, vanished),
        makeFontStatusItem(u"No File"_s, FontStatus::unresolved),
        makeFontStatusItem(u"No File"_s, FontStatus::installed),
        makeFontStatusItem(u"Vanished Bold"_s, FontStatus::installed, vanished),
        // Two different files of one name both travel: the later one under a name of its own.
        makeFontStatusItem(u"ＭＳ Ｐゴシック"_s, FontStatus::installed, file(u"b/Serif.ttf"_s, "other")),
    };
    items[6].isSelected = false;
    items[4].isSelected = true; // never honoured for a restricted font

    const PackageOutcome outcome = build({deck, path(u"out"_s), items, true, true});
    QVERIFY(outcome.isBuilt);
    QCOMPARE(outcome.packagePath, path(u"out/Quarterly Review_package"_s));
    QCOMPARE(outcome.statusMessage, u"Package created: Quarterly Review_package (3 fonts). 2 font(s) could "
                                    u"not be copied. 2 duplicate files skipped."_s);
    QCOMPARE(entries(outcome.packagePath),
             (QStringList{u"Fonts"_s, u"Fonts/Family.ttc"_s, u"Fonts/Serif 2.ttf"_s, u"Fonts/Serif.ttf"_s,
                          u"Quarterly Review.pptx"_s, u"font-report.txt"_s}));
    QCOMPARE(contents(outcome.packagePath + u"/Fonts/Serif 2.ttf"_s), QByteArray("other"));
    QCOMPARE(m_log, (QStringList{u"[Package] Copied presentation: Quarterly Review.pptx"_s,
                                 u"[Package] Fonts to export: 5 (2 duplicates skipped)"_s,
                                 u"[Package] Copied font: Serif"_s, u"[Package] Copied font: Family"_s,
                                 u"[Package][Error] Not readable: "_s + vanished,
                                 u"[Package][Warn] No fileURL for: No File"_s,
                                 u"[Package] Copied font: ＭＳ Ｐゴシック"_s,
                                 u"[Package] Done. Exported: 3, Failed: 2, Duplicates skipped: 2"_s}));
    QCOMPARE(contents(outcome.packagePath + u"/font-report.txt"_s),
             u"Presentation Font Handoff Report\n================================\n\n"
             u"Source File: Quarterly Review.pptx\n\nAll Fonts Used (12):\n- Serif [Installed]\n"
             u"- Sans [System]\n- Family [Installed]\n- Family Bold [Installed]\n- Licensed [Adobe]\n"
             u"- Absent [Missing]\n- Unticked [Installed]\n- Vanished [Installed]\n- No File [Unresolved]\n"
             u"- No File [Installed]\n- Vanished Bold [Installed]\n- ＭＳ Ｐゴシック [Installed]\n\n"
             u"Exported Fonts (3):\n- Serif\n- Family\n- ＭＳ Ｐゴシック\n\nExport Failed (2):\n"
             u"- Vanished\n- No File\n\nNotes:\n"
             u"- System fonts usually do not need to be provided to another Mac.\n"
             u"- Adobe Creative Cloud fonts cannot be redistributed. The receiving Mac needs its own "
             u"Adobe CC subscription with those fonts activated.\n"
             u"- Some fonts may fail due to macOS restrictions or licensing."_s.toUtf8());
}

void PackageBuilderTest::presentationFolderAndNothingElse()
{
    // A Keynote package is copied whole, its links as links.
    const QString deck = file(u"Talk.key/Index.zip"_s, "index").chopped(10);
    file(u"Talk.key/Data/photo.jpg"_s, "photo");
    QVERIFY(QFile::link(u"Data/photo.jpg"_s, deck + u"/preview.jpg"_s));
    const FontStatusItems items = {makeFontStatusItem(u"Gone"_s, FontStatus::missing)};

    PackageOutcome outcome = build({deck, path(u"out"_s), items, true, false});
    QVERIFY(outcome.isBuilt);
    QCOMPARE(entries(outcome.packagePath),
             (QStringList{u"Fonts"_s, u"Talk.key"_s, u"Talk.key/Data"_s, u"Talk.key/Data/photo.jpg"_s,
                          u"Talk.key/Index.zip"_s, u"Talk.key/preview.jpg"_s}));
    QCOMPARE(QFileInfo(outcome.packagePath + u"/Talk.key/preview.jpg"_s).symLinkTarget(),
             outcome.packagePath + u"/Talk.key/Data/photo.jpg"_s);

    // Neither presentation nor report: only the fonts folder, empty.
    outcome = build({deck, path(u"out"_s), items, false, false});
    QCOMPARE(entries(outcome.packagePath), QStringList{u"Fonts"_s});
}

void PackageBuilderTest::messages()
{
    // The singular forms; the plural ones are the whole package's.
    QCOMPARE(packageStatusMessage(u"T_package"_s, 1, 0, 1),
             u"Package created: T_package (1 font). 1 duplicate file skipped."_s);
    QCOMPARE(packageStatusMessage(u"T_package"_s, 0, 1, 3),
             u"No fonts were found to export. 1 font(s) could not be copied."_s);
    QCOMPARE(packageReadyNoticeBody(u"/out/T_package"_s, 1), u"T_package — 1 font packaged."_s);
    QCOMPARE(packageReadyNoticeBody(u"/out/T_package"_s, 2), u"T_package — 2 fonts packaged."_s);
    QCOMPARE(packageReadyNoticeBody(u"/out/T_package"_s, 0), u"No fonts were exported."_s);
    QCOMPARE(packageFolderName(u"/x/talk.final.pptx"_s), u"talk.final_package"_s);
    QCOMPARE(packageFolderName(QString()), u"My Presentation_package"_s);
}

void PackageBuilderTest::replacingAnOlderPackage_data()
{
    // Where the presentation lies, and whether the package takes a copy of it.
    QTest::addColumn<QString>("presentation");
    QTest::addColumn<bool>("includePresentation");
    QTest::addColumn<QStringList>("package");
    const QStringList fontsOnly = {u"Fonts"_s, u"Fonts/Face.otf"_s};
    QTest::newRow("beside it") << u"Talk.pptx"_s << false << fontsOnly;
    QTest::newRow("inside it, copied")
        << u"out/Talk_package/Talk.pptx"_s << true << fontsOnly + QStringList{u"Talk.pptx"_s};
    QTest::newRow("inside it, left out")
        << u"out/Talk_package/Talk.pptx"_s << false << fontsOnly + QStringList{u"Talk.pptx"_s};
}

void PackageBuilderTest::replacingAnOlderPackage()
{
    QFETCH(QString, presentation);
    QFETCH(bool, includePresentation);
    QFETCH(QStringList, package);
    const QString deck = file(presentation, "the only copy");
    file(u"out/Talk_package/Fonts/Stale.ttf"_s, "stale");
    const FontStatusItems items = {
        makeFontStatusItem(u"Face"_s, FontStatus::installed, file(u"a/Face.otf"_s, "face"))};
    const PackageOutcome outcome = build({deck, path(u"out"_s), items, includePresentation, false});
    QVERIFY(outcome.isBuilt);
    // Replaced whole, not merged, nothing of the build left beside it, and the presentation kept.
    QCOMPARE(QDir(path(u"out"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"Talk_package"_s});
    QCOMPARE(entries(outcome.packagePath), package);
    QCOMPARE(contents(deck), QByteArray("the only copy"));
}

void PackageBuilderTest::destinations()
{
    // A destination that is no folder stops the build with one message and one line.
    const FontStatusItems items = {
        makeFontStatusItem(u"Face"_s, FontStatus::installed, file(u"a/Face.otf"_s, "face"))};
    PackageOutcome outcome =
        build({file(u"Talk.pptx"_s, "deck"), file(u"not a folder"_s, ""), items, true, true});
    QVERIFY(!outcome.isBuilt);
    QVERIFY(outcome.statusMessage.startsWith(u"Could not create package folder: "_s));
    QVERIFY(m_log.size() == 1 && m_log[0].startsWith(u"[Presenter][Error] "_s));

    // A package built inside a Keynote package cannot hold a copy of it; the rest is still built.
    const QString deck = file(u"Talk.key/Index.zip"_s, "index").chopped(10);
    outcome = build({deck, deck, items, true, false});
    QVERIFY(outcome.isBuilt);
    QCOMPARE(m_log[0],
             u"[Package][Error] Failed to copy presentation: A folder cannot be copied into itself."_s);
    QCOMPARE(entries(deck), (QStringList{u"Index.zip"_s, u"Talk_package"_s, u"Talk_package/Fonts"_s,
                                         u"Talk_package/Fonts/Face.otf"_s}));
}

QTEST_GUILESS_MAIN(PackageBuilderTest)
#include "tst_packagebuilder.moc"
