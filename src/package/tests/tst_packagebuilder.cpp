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

class PackageBuilderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void wholePackage();
    void presentationFolderAndNothingElse();
    void statusMessages_data();
    void statusMessages();
    void fontsThatCannotTravel();
    void sameFileNameFromTwoFolders();
    void replacingAnOlderPackage();
    void repackagingFromInsideThePackage_data();
    void repackagingFromInsideThePackage();
    void destinationThatCannotHoldAFolder();
    void destinationInsideThePresentation();
    void noticeBodies();

private:
    QString path(const QString &relative) const { return QDir(m_root->path()).filePath(relative); }
    QString font(const QString &relative, const QByteArray &bytes);
    PackageOutcome build(PackageRequest request);
    static QStringList entries(const QString &folder);

    std::unique_ptr<QTemporaryDir> m_root;
    QStringList m_log;
};

QString PackageBuilderTest::font(const QString &relative, const QByteArray &bytes)
{
    test::writeFile(path(relative), bytes);
    return path(relative);
}

PackageOutcome PackageBuilderTest::build(PackageRequest request)
{
    m_log.clear();
    return buildPackage(request, [this](const QString &line) { m_log.append(line); });
}

QStringList PackageBuilderTest::entries(const QString &folder)
{
    QStringList names;
    QDirIterator walk(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    while (walk.hasNext())
        names.append(QDir(folder).relativeFilePath(walk.next()));
    names.sort();
    return names;
}

void PackageBuilderTest::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(path(u"out"_s)));
}

void PackageBuilderTest::wholePackage()
{
    const QString deck = path(u"talks/Quarterly Review.pptx"_s);
    test::writeFile(deck, "deck bytes");
    const QString serif = font(u"fonts/Serif.ttf"_s, "serif font");
    const QString collection = font(u"fonts/Family.ttc"_s, "two faces");
    FontStatusItems items = {
        makeFontStatusItem(u"Example Serif"_s, FontStatus::installed, serif),
        makeFontStatusItem(u"Example Sans"_s, FontStatus::system, font(u"usr/Sans.ttf"_s, "system")),
        makeFontStatusItem(u"Family Regular"_s, FontStatus::installed, collection),
        // The same collection through a dot segment: one copy.
        makeFontStatusItem(u"Family Bold"_s, FontStatus::installed, path(u"fonts/./Family.ttc"_s)),
        makeFontStatusItem(u"Licensed"_s, FontStatus::adobe, font(u"Adobe Fonts/L.otf"_s, "licensed")),
        makeFontStatusItem(u"Absent"_s, FontStatus::missing),
        makeFontStatusItem(u"Unticked"_s, FontStatus::installed, font(u"fonts/Unticked.otf"_s, "unticked")),
    };
    items[6].isSelected = false;
    items[4].isSelected = true; // never honoured for a restricted font

    const PackageOutcome outcome = build({deck, path(u"out"_s), items, true, true});
    QVERIFY(outcome.isBuilt);
    QCOMPARE(outcome.packagePath, path(u"out/Quarterly Review_package"_s));
    QCOMPARE(outcome.exported, (QStringList{u"Example Serif"_s, u"Family Regular"_s}));
    QCOMPARE(outcome.duplicateCount, 1);
    QCOMPARE(outcome.statusMessage,
             u"Package created: Quarterly Review_package (2 fonts). 1 duplicate file skipped."_s);
    QCOMPARE(entries(path(u"out"_s)),
             (QStringList{u"Quarterly Review_package"_s, u"Quarterly Review_package/Fonts"_s,
                          u"Quarterly Review_package/Fonts/Family.ttc"_s,
                          u"Quarterly Review_package/Fonts/Serif.ttf"_s,
                          u"Quarterly Review_package/Quarterly Review.pptx"_s,
                          u"Quarterly Review_package/font-report.txt"_s}));
    QFile copied(path(u"out/Quarterly Review_package/Fonts/Serif.ttf"_s));
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), QByteArray("serif font"));
    QCOMPARE(m_log, (QStringList{u"[Package] Copied presentation: Quarterly Review.pptx"_s,
                                 u"[Package] Fonts to export: 2 (1 duplicates skipped)"_s,
                                 u"[Package] Copied font: Example Serif"_s,
                                 u"[Package] Copied font: Family Regular"_s,
                                 u"[Package] Done. Exported: 2, Failed: 0, Duplicates skipped: 1"_s}));

    QFile report(path(u"out/Quarterly Review_package/font-report.txt"_s));
    QVERIFY(report.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(report.readAll());
    QVERIFY(text.contains(
        u"\nSource File: Quarterly Review.pptx\n\nAll Fonts Used (7):\n- Example Serif [Installed]\n"_s));
    QVERIFY(text.contains(
        u"\nExported Fonts (2):\n- Example Serif\n- Family Regular\n\nExport Failed (0):\n\nNotes:"_s));
}

void PackageBuilderTest::presentationFolderAndNothingElse()
{
    // A Keynote package is copied whole, its links as links.
    const QString deck = path(u"Talk.key"_s);
    test::writeFile(deck + u"/Index.zip"_s, "index");
    test::writeFile(deck + u"/Data/photo.jpg"_s, "photo");
    QVERIFY(QFile::link(u"Data/photo.jpg"_s, deck + u"/preview.jpg"_s));
    FontStatusItems items = {makeFontStatusItem(u"Gone"_s, FontStatus::missing)};

    PackageOutcome outcome = build({deck, path(u"out"_s), items, true, false});
    QVERIFY(outcome.isBuilt);
    QCOMPARE(entries(outcome.packagePath),
             (QStringList{u"Fonts"_s, u"Talk.key"_s, u"Talk.key/Data"_s, u"Talk.key/Data/photo.jpg"_s,
                          u"Talk.key/Index.zip"_s, u"Talk.key/preview.jpg"_s}));
    QCOMPARE(QFileInfo(outcome.packagePath + u"/Talk.key/preview.jpg"_s).symLinkTarget(),
             outcome.packagePath + u"/Talk.key/Data/photo.jpg"_s);
    QCOMPARE(outcome.statusMessage, u"No fonts were found to export."_s);
    QCOMPARE(m_log[1], u"[Package] Fonts to export: 0 (0 duplicates skipped)"_s);

    // Neither presentation nor report: only the fonts folder, empty.
    outcome = build({deck, path(u"out"_s), items, false, false});
    QCOMPARE(entries(outcome.packagePath), QStringList{u"Fonts"_s});
}

void PackageBuilderTest::statusMessages_data()
{
    QTest::addColumn<int>("exported");
    QTest::addColumn<int>("failed");
    QTest::addColumn<int>("duplicates");
    QTest::addColumn<QString>("message");
    QTest::newRow("one") << 1 << 0 << 0 << u"Package created: Talk_package (1 font)."_s;
    QTest::newRow("mixed")
        << 1 << 2 << 1
        << u"Package created: Talk_package (1 font). 2 font(s) could not be copied. 1 duplicate file skipped."_s;
    QTest::newRow("two duplicates")
        << 3 << 1 << 2
        << u"Package created: Talk_package (3 fonts). 1 font(s) could not be copied. 2 duplicate files skipped."_s;
    QTest::newRow("nothing copied") << 0 << 1 << 3
                                    << u"No fonts were found to export. 1 font(s) could not be copied."_s;
    QTest::newRow("nothing at all") << 0 << 0 << 0 << u"No fonts were found to export."_s;
}

void PackageBuilderTest::statusMessages()
{
    QFETCH(int, exported);
    QFETCH(int, failed);
    QFETCH(int, duplicates);
    QFETCH(QString, message);
    QCOMPARE(packageStatusMessage(u"Talk_package"_s, exported, failed, duplicates), message);
    QCOMPARE(packageFolderName(u"/x/talk.final.pptx"_s), u"talk.final_package"_s);
    QCOMPARE(packageFolderName(QString()), u"My Presentation_package"_s);
}

void PackageBuilderTest::fontsThatCannotTravel()
{
    const QString deck = path(u"Talk.ppt"_s);
    test::writeFile(deck, "deck");
    const QString vanished = path(u"fonts/Vanished.ttf"_s);
    FontStatusItems items = {makeFontStatusItem(u"Vanished"_s, FontStatus::installed, vanished),
                             makeFontStatusItem(u"No File"_s, FontStatus::installed),
                             makeFontStatusItem(u"Vanished Bold"_s, FontStatus::installed, vanished)};
    const PackageOutcome outcome = build({deck, path(u"out"_s), items, false, true});
    QVERIFY(outcome.isBuilt);
    QCOMPARE(outcome.failed, (QStringList{u"Vanished"_s, u"No File"_s}));
    QCOMPARE(outcome.statusMessage, u"No fonts were found to export. 2 font(s) could not be copied."_s);
    QCOMPARE(m_log, (QStringList{u"[Package] Fonts to export: 2 (1 duplicates skipped)"_s,
                                 u"[Package][Error] Not readable: "_s + vanished,
                                 u"[Package][Warn] No fileURL for: No File"_s,
                                 u"[Package] Done. Exported: 0, Failed: 2, Duplicates skipped: 1"_s}));
}

void PackageBuilderTest::sameFileNameFromTwoFolders()
{
    // Two different files of one name: both travel, neither replaces the other.
    const QString deck = path(u"Talk.pptx"_s);
    test::writeFile(deck, "deck");
    FontStatusItems items = {
        makeFontStatusItem(u"Old Face"_s, FontStatus::installed, font(u"a/Face.otf"_s, "old")),
        makeFontStatusItem(u"New Face"_s, FontStatus::installed, font(u"b/Face.otf"_s, "new"))};
    const PackageOutcome outcome = build({deck, path(u"out"_s), items, false, false});
    QCOMPARE(outcome.exported.size(), 2);
    QCOMPARE(entries(outcome.packagePath + u"/Fonts"_s), (QStringList{u"Face 2.otf"_s, u"Face.otf"_s}));
    QFile second(outcome.packagePath + u"/Fonts/Face 2.otf"_s);
    QVERIFY(second.open(QIODevice::ReadOnly));
    QCOMPARE(second.readAll(), QByteArray("new"));
}

void PackageBuilderTest::replacingAnOlderPackage()
{
    const QString deck = path(u"Talk.pptx"_s);
    test::writeFile(deck, "deck");
    test::writeFile(path(u"out/Talk_package/Fonts/Stale.ttf"_s), "stale");
    test::writeFile(path(u"out/Talk_package/notes from last time.txt"_s), "stale");
    const FontStatusItems items = {
        makeFontStatusItem(u"Face"_s, FontStatus::installed, font(u"a/Face.otf"_s, "face"))};
    const PackageOutcome outcome = build({deck, path(u"out"_s), items, false, true});
    QVERIFY(outcome.isBuilt);
    // Replaced whole, not merged, and nothing of the build left beside it.
    QCOMPARE(entries(path(u"out"_s)),
             (QStringList{u"Talk_package"_s, u"Talk_package/Fonts"_s, u"Talk_package/Fonts/Face.otf"_s,
                          u"Talk_package/font-report.txt"_s}));
}

void PackageBuilderTest::repackagingFromInsideThePackage_data()
{
    QTest::addColumn<bool>("includePresentation");
    QTest::newRow("with the presentation") << true;
    QTest::newRow("without the presentation") << false;
}

void PackageBuilderTest::repackagingFromInsideThePackage()
{
    // The presentation is the copy inside the package that is being replaced.
    QFETCH(bool, includePresentation);
    const QString deck = path(u"out/Talk_package/Talk.pptx"_s);
    test::writeFile(deck, "the only copy");
    test::writeFile(path(u"out/Talk_package/Fonts/Old.ttf"_s), "old");
    const FontStatusItems items = {
        makeFontStatusItem(u"Face"_s, FontStatus::installed, font(u"a/Face.otf"_s, "face"))};
    const PackageOutcome outcome = build({deck, path(u"out"_s), items, includePresentation, false});
    QVERIFY(outcome.isBuilt);
    QFile survivor(deck);
    QVERIFY(survivor.open(QIODevice::ReadOnly));
    QCOMPARE(survivor.readAll(), QByteArray("the only copy"));
    QCOMPARE(entries(path(u"out"_s)),
             (QStringList{u"Talk_package"_s, u"Talk_package/Fonts"_s, u"Talk_package/Fonts/Face.otf"_s,
                          u"Talk_package/Talk.pptx"_s}));
}

void PackageBuilderTest::destinationThatCannotHoldAFolder()
{
    const QString deck = path(u"Talk.pptx"_s);
    test::writeFile(deck, "deck");
    test::writeFile(path(u"not a folder"_s), "file");
    const FontStatusItems items = {
        makeFontStatusItem(u"Face"_s, FontStatus::installed, font(u"a/Face.otf"_s, "face"))};
    const PackageOutcome outcome = build({deck, path(u"not a folder"_s), items, true, true});
    QVERIFY(!outcome.isBuilt);
    QVERIFY(outcome.statusMessage.startsWith(u"Could not create package folder: "_s));
    QCOMPARE(m_log.size(), 1);
    QVERIFY(m_log[0].startsWith(u"[Presenter][Error] "_s));
}

void PackageBuilderTest::destinationInsideThePresentation()
{
    // A package built inside a Keynote package cannot hold a copy of it; the rest is still built.
    const QString deck = path(u"Talk.key"_s);
    test::writeFile(deck + u"/Index.zip"_s, "index");
    const FontStatusItems items = {
        makeFontStatusItem(u"Face"_s, FontStatus::installed, font(u"a/Face.otf"_s, "face"))};
    const PackageOutcome outcome = build({deck, deck, items, true, false});
    QVERIFY(outcome.isBuilt);
    QCOMPARE(m_log[0],
             u"[Package][Error] Failed to copy presentation: A folder cannot be copied into itself."_s);
    QCOMPARE(outcome.exported, QStringList{u"Face"_s});
    QCOMPARE(entries(deck), (QStringList{u"Index.zip"_s, u"Talk_package"_s, u"Talk_package/Fonts"_s,
                                         u"Talk_package/Fonts/Face.otf"_s}));
}

void PackageBuilderTest::noticeBodies()
{
    QCOMPARE(packageReadyNoticeBody(u"/out/Quarterly Review_package"_s, 3),
             u"Quarterly Review_package — 3 fonts packaged."_s);
    QCOMPARE(packageReadyNoticeBody(u"/out/Talk_package"_s, 1), u"Talk_package — 1 font packaged."_s);
    QCOMPARE(packageReadyNoticeBody(u"/out/Talk_package"_s, 0), u"No fonts were exported."_s);
}

QTEST_GUILESS_MAIN(PackageBuilderTest)
#include "tst_packagebuilder.moc"
