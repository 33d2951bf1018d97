// A package made in one font world, verified and installed in another: the show machine.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testfonts.h>
#include <testsupport/testprocess.h>
#include <testsupport/testverify.h>
#include <testsupport/testzip.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

class ShowMachineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void verifiesAndInstallsOnTheShowMachine();
    void hostilePackages_data();
    void hostilePackages();
    void packagesOfOneNameAndTheUsersDataFolder();

private:
    static test::ProgramRun check(const QProcessEnvironment &world, const QStringList &arguments)
    {
        return test::runProgram(QStringLiteral(KERNWICK_BIN_DIR "/kernwick-check"), arguments, world);
    }
    QString path(const QString &relative) const { return QDir(m_folder.path()).filePath(relative); }
    // The hash the manifest of `package` gives Liberation Sans Bold's file.
    static QByteArray fontHash(const QString &package)
    {
        const QJsonDocument manifest =
            QJsonDocument::fromJson(test::readFile(package + u"/handoff-manifest.json"_s));
        return manifest[u"fonts"_s][1][u"files"_s][0][u"sha256"_s].toString().toLatin1();
    }

    std::unique_ptr<test::TestFonts> m_maker;
    std::unique_ptr<test::TestFonts> m_show;
    QProcessEnvironment m_makerWorld;
    QProcessEnvironment m_showWorld;
    QTemporaryDir m_folder;
    QString m_package;
};

void ShowMachineTest::initTestCase()
{
    // The maker has the Liberation fonts installed; the show machine only the system's DejaVu.
    m_maker = std::make_unique<test::TestFonts>();
    QVERIFY(m_maker->isValid());
    m_makerWorld = m_maker->environment();
    // Liberation Sans Bold alone in its family, so that the one file travels without sister faces.
    for (const QString &face : {u"LiberationSans-Regular.ttf"_s, u"LiberationSans-Italic.ttf"_s,
                                u"LiberationSans-BoldItalic.ttf"_s})
        QFile::remove(m_maker->userFontFolder() + u'/' + face);
    m_show = std::make_unique<test::TestFonts>();
    QVERIFY(m_show->isValid());
    m_showWorld = m_show->environment();
    QVERIFY(QDir(m_show->userFontFolder()).removeRecursively() && QDir().mkpath(m_show->userFontFolder()));

    const QString deck = path(u"Talk.pptx"_s);
    const QByteArray slide =
        R"(<p:sld><a:latin typeface="DejaVu Sans"/><a:latin typeface="LiberationSans-Bold"/></p:sld>)";
    QVERIFY(test::writeFile(deck, test::TestZip::build({{u"ppt/slides/slide1.xml"_s, slide}})));
    const QString destination = path(u"out"_s);
    QVERIFY(QDir().mkpath(destination));
    const test::ProgramRun built = check(m_makerWorld, {u"--package"_s, destination, deck});
    QCOMPARE(built.exitCode, 0);
    m_package = destination + u"/Talk_package"_s;
    // The manifest records whether text uses each font (this deck does not say on which slide).
    const QJsonValue liberation =
        QJsonDocument::fromJson(test::readFile(m_package + u"/handoff-manifest.json"_s))[u"fonts"_s][1];
    QCOMPARE(liberation[u"name"_s].toString(), u"LiberationSans-Bold"_s);
    QCOMPARE(liberation[u"used"_s].toBool(false), true);
}

void ShowMachineTest::verifiesAndInstallsOnTheShowMachine()
{
    const QString font = u"LiberationSans-Bold.ttf"_s;
    const QString folder = m_show->userFontFolder() + u"/Talk_package"_s; // where the fonts are installed
    const QString installed = folder + u'/' + font;
    test::ProgramRun run = check(m_showWorld, {u"--verify"_s, m_package});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    KERNWICK_VERIFY_CONTAINS(run.out, u"  Presentation: Talk.pptx (hash right)\n"_s);
    QVERIFY(run.out.contains(
        u"  DejaVu Sans          Installed here  /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf\n"_s));
    KERNWICK_VERIFY_CONTAINS(run.out, u"  LiberationSans-Bold  In the package  Fonts/"_s + font + u'\n');
    // Brought but not installed yet: ready once installed, and how.
    QVERIFY2(run.out.endsWith(u"  Ready once its fonts are installed (kernwick-check --install-fonts "_s +
                              m_package + u")\n"_s),
             qPrintable(run.out));

    // Installed once, then found there already; a different file of the same name is never replaced.
    for (const QString &told : {u"Installed: "_s, u"Already present: "_s}) {
        run = check(m_showWorld, {u"--install-fonts"_s, m_package});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, folder + u"\n  "_s + told + font + u'\n');
    }

    // Fontconfig knows it at once: the verdict names the installed file.
    run = check(m_showWorld, {u"--json"_s, u"--verify"_s, m_package});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.json()[u"readyOnThisMachine"_s].toBool(), true);
    QCOMPARE(run.json()[u"verdict"_s].toString(), u"Ready on this machine"_s);
    const QJsonValue liberation = run.json()[u"fonts"_s][1];
    QCOMPARE(liberation[u"place"_s].toString(), u"Installed here"_s);
    QCOMPARE(liberation[u"installedFile"_s].toString(), installed);
    QCOMPARE(liberation[u"sourceStatus"_s].toString(), u"Installed"_s);

    // Uninstalled exactly, twice; the package's fonts are then brought by the package again.
    run = check(m_showWorld, {u"--uninstall-fonts"_s, m_package});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, folder + u"\n  Removed: "_s + font + u'\n');
    QVERIFY(!QFileInfo::exists(folder));
    run = check(m_showWorld, {u"--uninstall-fonts"_s, m_package});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.endsWith(u"  No fonts of this package are installed.\n"_s));
    QVERIFY(check(m_showWorld, {u"--verify"_s, m_package}).out.contains(u"In the package"_s));

    // The user's own file of that name stays, and so does anything of theirs beside what was installed.
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(test::TestFonts::copyLiberationFont(u"LiberationSerif-Regular.ttf"_s, folder));
    QVERIFY(QFile::rename(folder + u"/LiberationSerif-Regular.ttf"_s, installed));
    run = check(m_showWorld, {u"--install-fonts"_s, m_package});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.contains(u"Not done: "_s + font + u": a different file of that name is installed"_s));
    run = check(m_showWorld, {u"--uninstall-fonts"_s, m_package});
    QVERIFY(QFileInfo::exists(installed));
    QVERIFY(QDir(folder).removeRecursively());
}

void ShowMachineTest::hostilePackages_data()
{
    QTest::addColumn<QString>("spoil"); // what is done to a copy of the package
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("told");      // in the verdict
    QTest::addColumn<QStringList>("installed"); // what --install-fonts puts into the user's font folder

    const QString font = u"LiberationSans-Bold.ttf"_s;
    const QStringList damaged = {u"Problem: Fonts/"_s + font + u" is damaged or changed"_s};
    const QStringList nothing;
    QTest::newRow("damaged font") << u"damage"_s << 1 << damaged << nothing;
    QTest::newRow("manifest lies about the hash") << u"lie-hash"_s << 1 << damaged << nothing;
    QTest::newRow("manifest names files outside")
        << u"lie-path"_s << 1
        << QStringList{u"names a place outside the package: ../../outside.ttf"_s,
                       u"names a place outside the package: /etc/passwd"_s}
        << nothing;
    QTest::newRow("font is a link out of the package")
        << u"link"_s << 1 << QStringList{u"Problem: Fonts/"_s + font + u" is not a regular file"_s}
        << nothing;
    QTest::newRow("manifest is not JSON")
        << u"not-json"_s << 1 << QStringList{u"Problem: the manifest is not JSON"_s, u"In the package"_s}
        << nothing;
    QTest::newRow("presentation changed")
        << u"presentation"_s << 1 << QStringList{u"Problem: the presentation has changed"_s}
        << QStringList{font};
    QTest::newRow("font left out by the maker")
        << u"left-out"_s << 1
        << QStringList{u"LiberationSans-Bold  Missing         left out of the package: Left out by choice\n"_s,
                       u"Not ready on this machine"_s}
        << nothing;
    QTest::newRow("no manifest, fonts told by their names")
        << u"no-manifest"_s << 0
        << QStringList{u"Note: no manifest"_s, u"LiberationSans-Bold  In the package  Fonts/"_s + font}
        << QStringList{font};
    QTest::newRow("empty font list beside font files")
        << u"empty-list"_s << 1
        << QStringList{u"Problem: the manifest lists no fonts, yet Fonts holds files"_s} << nothing;
    QTest::newRow("one font listed 12,000 times")
        << u"many-entries"_s << 1
        << QStringList{u"Problem: the manifest lists 12000 fonts; only the first 10000 are read"_s}
        << QStringList{font};
    QTest::newRow("names too long to be fonts, names cut")
        << u"long-names"_s << 1
        << QStringList{u"Problem: 1 font name(s) in the manifest longer than 256 characters are not read"_s,
                       u"  "_s + QString(59, u'B') + u"…  Missing"_s}
        << QStringList{font};
    QTest::newRow("a sparse 16 GB file beside the fonts")
        << u"sparse"_s << 0 << QStringList{u"Note: Fonts/Huge.ttf is not in the manifest"_s}
        << QStringList{font};
}

void ShowMachineTest::hostilePackages()
{
    QFETCH(QString, spoil);
    QFETCH(int, exitCode);
    QFETCH(QStringList, told);
    QFETCH(QStringList, installed);
    // A copy of the package, spoilt.
    const QString package = path(spoil + u"_package"_s);
    QCOMPARE(QProcess::execute(u"cp"_s, {u"-a"_s, m_package, package}), 0);
    const QString fontPath = package + u"/Fonts/LiberationSans-Bold.ttf"_s;
    const QString manifestPath = package + u"/handoff-manifest.json"_s;
    QByteArray manifest = test::readFile(manifestPath);
    QJsonObject root = QJsonDocument::fromJson(manifest).object();
    QJsonArray fonts = root[u"fonts"_s].toArray();
    if (spoil == u"damage") {
        QFile file(fontPath);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(2000) && file.write("spoilt") == 6);
    } else if (spoil == u"lie-hash") {
        manifest.replace(fontHash(package), QByteArray(64, 'a'));
    } else if (spoil == u"lie-path") {
        manifest.replace("\"LiberationSans-Bold.ttf\"", "\"../../outside.ttf\"");
        manifest.replace("\"Talk.pptx\"", "\"/etc/passwd\"");
    } else if (spoil == u"link") {
        QVERIFY(QFile::remove(fontPath));
        QVERIFY(QFile::link(m_maker->userFontFolder() + u"/LiberationSans-Bold.ttf"_s, fontPath));
    } else if (spoil == u"not-json") {
        manifest = "{\"manifestVersion\": 1, \"fonts\": [";
    } else if (spoil == u"left-out") {
        QJsonObject font = fonts[1].toObject();
        font[u"files"_s] = QJsonArray();
        font[u"leftOut"_s] = u"Left out by choice"_s;
        fonts[1] = font;
    } else if (spoil == u"empty-list") {
        fonts = {};
    } else if (spoil == u"many-entries") {
        while (fonts.size() < 12'000)
            fonts.append(fonts[1]);
    } else if (spoil == u"long-names") {
        for (const auto &[letter, length] : {std::pair{u'A', 300}, {u'B', 100}})
            fonts.append(QJsonObject{{u"name"_s, QString(length, letter)},
                                     {u"status"_s, u"Missing"_s},
                                     {u"files"_s, QJsonArray()}});
    } else if (spoil == u"sparse") {
        QFile huge(package + u"/Fonts/Huge.ttf"_s);
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(16) << 30));
    } else if (spoil == u"presentation") {
        QFile deck(package + u"/Talk.pptx"_s);
        QVERIFY(deck.open(QIODevice::Append) && deck.write("tail") == 4);
    }
    if (fonts != root[u"fonts"_s].toArray()) {
        root[u"fonts"_s] = fonts;
        manifest = QJsonDocument(root).toJson();
    }
    QVERIFY(spoil == u"no-manifest" ? QFile::remove(manifestPath) : test::writeFile(manifestPath, manifest));

    const test::ProgramRun verified = check(m_showWorld, {u"--verify"_s, package});
    QCOMPARE(verified.exitCode, exitCode);
    for (const QString &text : told)
        KERNWICK_VERIFY_CONTAINS(verified.out, text);

    // Only what the package brings intact is installed, and only into the package's own folder.
    const test::ProgramRun install = check(m_showWorld, {u"--install-fonts"_s, package});
    // A package that brings nothing to install has nothing to refuse either.
    QVERIFY2(install.exitCode == (installed.isEmpty() ? 1 : 0) || spoil == u"not-json" ||
                 spoil == u"left-out",
             qPrintable(install.out));
    const QDir folder(m_show->userFontFolder() + u'/' + spoil + u"_package"_s);
    QCOMPARE(folder.entryList(QDir::Files), installed);
    QCOMPARE(QDir(m_show->userFontFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             installed.isEmpty() ? QStringList() : QStringList{spoil + u"_package"_s});
    QCOMPARE(check(m_showWorld, {u"--uninstall-fonts"_s, package}).exitCode, 0);
    QVERIFY(!folder.exists());
}

void ShowMachineTest::packagesOfOneNameAndTheUsersDataFolder()
{
    // Another package of the same name brings another file under the font's file name.
    const QString other = path(u"other/Talk_package"_s);
    QVERIFY(QDir().mkpath(QFileInfo(other).path()));
    QCOMPARE(QProcess::execute(u"cp"_s, {u"-a"_s, m_package, other}), 0);
    const QString font = u"LiberationSans-Bold.ttf"_s;
    QVERIFY(QFile::remove(other + u"/Fonts/"_s + font));
    QVERIFY(test::TestFonts::copyLiberationFont(u"LiberationSerif-Regular.ttf"_s, other + u"/Fonts"_s));
    QVERIFY(QFile::rename(other + u"/Fonts/LiberationSerif-Regular.ttf"_s, other + u"/Fonts/"_s + font));
    const QByteArray newHash =
        QCryptographicHash::hash(test::readFile(other + u"/Fonts/"_s + font), QCryptographicHash::Sha256)
            .toHex();
    QVERIFY(test::writeFile(
        other + u"/handoff-manifest.json"_s,
        test::readFile(other + u"/handoff-manifest.json"_s).replace(fontHash(m_package), newHash)));

    // The install record is the installing package's: the other neither installs over, claims nor removes it.
    const QString installed = m_show->userFontFolder() + u"/Talk_package/"_s + font;
    QCOMPARE(check(m_showWorld, {u"--install-fonts"_s, m_package}).exitCode, 0);
    const QByteArray bytes = test::readFile(installed);
    test::ProgramRun run = check(m_showWorld, {u"--install-fonts"_s, other});
    QCOMPARE(run.exitCode, 1);
    KERNWICK_VERIFY_CONTAINS(run.err, u"holds the fonts of another package of the same name"_s);
    run = check(m_showWorld, {u"--verify"_s, other});
    KERNWICK_VERIFY_CONTAINS(run.out, u"  LiberationSans-Bold  In the package  Fonts/"_s + font);
    QVERIFY(run.out.contains(installed + u" is installed from another package of this name"_s));
    QCOMPARE(check(m_showWorld, {u"--uninstall-fonts"_s, other}).exitCode, 1);
    QCOMPARE(test::readFile(installed), bytes);
    QCOMPARE(check(m_showWorld, {u"--uninstall-fonts"_s, m_package}).exitCode, 0);
    QVERIFY(!QFileInfo::exists(installed));

    // With XDG_DATA_HOME set, fonts go to its fonts folder, where fontconfig's own rule looks.
    QProcessEnvironment world = m_showWorld;
    const QString data = path(u"data"_s);
    const QString config = path(u"data.conf"_s);
    QVERIFY(QDir().mkpath(data));
    QVERIFY(test::writeFile(config, "<?xml version=\"1.0\"?>\n<fontconfig>\n  <include>" +
                                        world.value(u"FONTCONFIG_FILE"_s).toUtf8() + "</include>\n  <dir>" +
                                        data.toUtf8() + "/fonts</dir>\n</fontconfig>\n"));
    world.insert(u"XDG_DATA_HOME"_s, data);
    world.insert(u"FONTCONFIG_FILE"_s, config);
    run = check(world, {u"--install-fonts"_s, m_package});
    QCOMPARE(run.out, data + u"/fonts/Talk_package\n  Installed: "_s + font + u'\n');
    run = check(world, {u"--json"_s, u"--verify"_s, m_package});
    QCOMPARE(run.json()[u"fonts"_s][1][u"installedFile"_s].toString(),
             data + u"/fonts/Talk_package/"_s + font);
    QCOMPARE(check(world, {u"--uninstall-fonts"_s, m_package}).exitCode, 0);

    // A folder that is no package has no fonts to install.
    run = check(m_showWorld, {u"--install-fonts"_s, data});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains(u"not a handoff package"_s));
}

QTEST_GUILESS_MAIN(ShowMachineTest)
#include "tst_showmachine.moc"
