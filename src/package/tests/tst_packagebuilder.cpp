// Handoff packages: what travels, the report and manifest, builds that fail or meet hostile folders.
#include <package/completionnotice.h>
#include <package/fontinstaller.h>
#include <package/fontreport.h>
#include <package/manifest.h>
#include <package/packagebuilder.h>
#include <package/packagecontents.h>
#include <resolve/fontresolver.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <testsupport/testfontfiles.h>
#include <testsupport/testfonts.h>
#include <testsupport/testverify.h>
#include <testsupport/testzip.h>
#include <unistd.h>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace kernwick;

namespace {

// Every entry under `folder`, hidden too: a file's bytes, "-> target" for a link, "/" for a folder.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> found;
    QDirIterator walk(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QFileInfo entry(walk.next());
        found[QDir(folder).relativeFilePath(entry.filePath())] =
            entry.isSymLink() ? "-> " + QFile::encodeName(entry.symLinkTarget())
            : entry.isDir()   ? QByteArray("/")
                              : test::readFile(entry.filePath());
    }
    return found;
}

// Builds in a child process (size-limited or killed); gives waitpid's status, the message in `answer`.
int buildInChild(const PackageRequest &request, rlim_t sizeLimit, const WriteFunction &write,
                 const QString &answer)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit = {sizeLimit, sizeLimit};
        if (sizeLimit > 0)
            ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_DFL); // as a program starts
        const PackageOutcome outcome = buildPackage(
            request, [](const QString &) {}, write);
        ::_exit(test::writeFile(answer, outcome.statusMessage.toUtf8()) && !outcome.isBuilt ? 1 : 0);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return status;
}

// Makes `path` unremovable or removable again: immutable as root, else in a read-only folder.
bool setUnremovable(const QString &path, bool unremovable)
{
    if (::geteuid() != 0)
        return ::chmod(QFile::encodeName(QFileInfo(path).path()).constData(), unremovable ? 0555 : 0755) == 0;
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    int flags = 0;
    bool done = descriptor >= 0 && ::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0;
    flags = unremovable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(descriptor, FS_IOC_SETFLAGS, &flags) == 0;
    if (descriptor >= 0)
        ::close(descriptor);
    return done;
}

} // namespace

class PackageBuilderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void wholePackage();
    void linksAndWhatIsNoFile();
    void failedWritesLeaveTheOldPackage_data();
    void failedWritesLeaveTheOldPackage();
    void replacingAnOlderPackage();
    void onlyAnOlderPackageIsReplacedNothingOfTheUsersLost();
    void anOldPackageThatCannotBeRemoved();
    void destinations();
    void installingUnderAttack();
    void everyFaceOnceNamesCounted();
    void reportForAnyShowComputer();

private:
    QString path(const QString &relative) const { return QDir(m_root->path()).filePath(relative); }
    QString file(const QString &relative, const QByteArray &bytes)
    {
        return test::writeFile(path(relative), bytes) ? path(relative) : QString();
    }
    // One installed font with a file of its own.
    FontStatusItems oneFace()
    {
        return {makeFontStatusItem(u"Face"_s, FontStatus::installed, file(u"a/Face.otf"_s, "face"))};
    }
    // What the destination folder holds, hidden entries too.
    QStringList inOut() const
    {
        return QDir(path(u"out"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
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
    // The Trash, and the fonts folder, are the test's own.
    QVERIFY(QDir().mkpath(path(u"home/.local/share"_s)));
    qputenv("HOME", QFile::encodeName(path(u"home"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(u"home/.local/share"_s)));
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
        // Its licence keeps it home: unticked by default, left out with its reason.
        makeFontStatusItem(u"Held"_s, FontStatus::installed, file(u"fonts/Held.otf"_s, "held")),
        makeFontStatusItem(u"Vanished"_s, FontStatus::installed, vanished),
        makeFontStatusItem(u"No File"_s, FontStatus::unresolved),
        makeFontStatusItem(u"No File"_s, FontStatus::installed),
        makeFontStatusItem(u"Vanished Bold"_s, FontStatus::installed, vanished),
        // Two different files of one name both travel: the later one under a name of its own.
        makeFontStatusItem(u"ＭＳ Ｐゴシック"_s, FontStatus::installed, file(u"b/Serif.ttf"_s, "other")),
    };
    items[6].isSelected = false;
    items[7].permission = EmbeddingPermission::restricted;
    items[7].isSelected = false;
    items[4].isSelected = true;                               // never honoured for a restricted font
    items[1].missingCharacters = {u"ř"_s, 1, {u"slide 4"_s}}; // told, whatever the font's status

    const PackageOutcome outcome = build({deck, path(u"out"_s), items, true, true});
    QVERIFY(outcome.isBuilt);
    QCOMPARE(outcome.packagePath, path(u"out/Quarterly Review_package"_s));
    QCOMPARE(outcome.statusMessage,
             u"Package created: Quarterly Review_package (3 fonts). 2 font(s) could "
             u"not be copied. 2 duplicate files skipped. 2 fonts left out: Unticked (by "
             u"choice), Held (licence)."_s);
    QCOMPARE(outcome.files, (QStringList{u"Family.ttc"_s, u"Serif 2.ttf"_s, u"Serif.ttf"_s}));
    QCOMPARE(snapshot(outcome.packagePath).keys(),
             (QStringList{u"Fonts"_s, u"Fonts/Family.ttc"_s, u"Fonts/Serif 2.ttf"_s, u"Fonts/Serif.ttf"_s,
                          u"Quarterly Review.pptx"_s, u"font-report.txt"_s, u"handoff-manifest.json"_s}));
    QCOMPARE(test::readFile(outcome.packagePath + u"/Fonts/Serif 2.ttf"_s), QByteArray("other"));
    // The manifest names each font's file in Fonts/ (one collection for two names), with its hash.
    QString error;
    QStringList unsafe;
    const std::optional<Manifest> manifest =
        parseManifest(test::readFile(outcome.packagePath + u"/handoff-manifest.json"_s), &error, &unsafe);
    QVERIFY2(manifest && unsafe.isEmpty(), qPrintable(error));
    QCOMPARE(manifest->presentationSha256, sha256OfItem(outcome.packagePath + u"/Quarterly Review.pptx"_s));
    QStringList travelling;
    for (const ManifestFont &font : manifest->fonts) {
        QCOMPARE(font.missingCharacters,
                 font.name == u"Sans"_s ? u"1 character not in Sans: ř (slide 4)"_s : QString());
        for (const ManifestFile &packaged : font.files)
            travelling.append(font.name + u" → "_s + packaged.name + u' ' + packaged.sha256.left(8));
    }
    QCOMPARE(
        travelling,
        (QStringList{u"Serif → Serif.ttf "_s + sha256OfItem(path(u"fonts/Serif.ttf"_s)).left(8),
                     u"Family → Family.ttc "_s + sha256OfItem(path(u"fonts/Family.ttc"_s)).left(8),
                     u"Family Bold → Family.ttc "_s + sha256OfItem(path(u"fonts/Family.ttc"_s)).left(8),
                     u"ＭＳ Ｐゴシック → Serif 2.ttf "_s + sha256OfItem(path(u"b/Serif.ttf"_s)).left(8)}));
    QCOMPARE(m_log, (QStringList{u"[Package] Copied presentation: Quarterly Review.pptx"_s,
                                 u"[Package] Fonts to export: 5 (2 duplicates skipped)"_s,
                                 u"[Package] Copied font: Serif"_s, u"[Package] Copied font: Family"_s,
                                 u"[Package][Error] Not readable: "_s + vanished,
                                 u"[Package][Warn] No fileURL for: No File"_s,
                                 u"[Package] Copied font: ＭＳ Ｐゴシック"_s,
                                 u"[Package] Done. Exported: 3, Failed: 2, Duplicates skipped: 2"_s}));
    // Each font that does not travel says why; the report follows the same list (checked below).
    QStringList reasons;
    for (const ManifestFont &font : manifest->fonts) {
        if (!font.leftOut.isEmpty())
            reasons.append(font.name + u": "_s + font.leftOut);
    }
    QCOMPARE(reasons, (QStringList{u"Unticked: Left out by choice"_s,
                                   u"Held: its licence does not allow passing it on (No Redistribution)"_s,
                                   u"Vanished: could not be copied"_s, u"No File: could not be copied"_s}));
    const QString report = QString::fromUtf8(test::readFile(outcome.packagePath + u"/font-report.txt"_s));
    KERNWICK_VERIFY_CONTAINS(report,
                             u"\nExported Fonts (4):\n- Serif: Fonts/Serif.ttf\n- Family: Fonts/Family.ttc\n"
                             u"- Family Bold: Fonts/Family.ttc\n- ＭＳ Ｐゴシック: Fonts/Serif 2.ttf\n"_s);
    KERNWICK_VERIFY_CONTAINS(report, u"kernwick-check --install-fonts 'Quarterly Review_package'"_s);
    KERNWICK_VERIFY_CONTAINS(report, u"\n- Sans [System]\n    1 character not in Sans: ř (slide 4)\n"_s);

    // The status message's singular forms, the plural ones being this package's; the notice and the folder.
    QCOMPARE(packageStatusMessage(u"T_package"_s, 1, 0, 1),
             u"Package created: T_package (1 font). 1 duplicate file skipped."_s);
    QCOMPARE(packageStatusMessage(u"T_package"_s, 0, 1, 3),
             u"No fonts were found to export. 1 font(s) could not be copied."_s);
    // Nothing copied because everything was left out is no package without fonts.
    QCOMPARE(packageStatusMessage(u"T_package"_s, 0, 0, 0, {{u"Held"_s, {}, Travel::heldByLicence}}),
             u"Package created: T_package (0 fonts). 1 font left out: Held (licence)."_s);
    QCOMPARE(packageReadyNoticeBody(u"/out/T_package"_s, 1), u"T_package — 1 font packaged."_s);
    QCOMPARE(packageReadyNoticeBody(u"/out/T_package"_s, 2), u"T_package — 2 fonts packaged."_s);
    QCOMPARE(packageReadyNoticeBody(u"/out/T_package"_s, 0), u"No fonts were exported."_s);
    QCOMPARE(packageFolderName(u"/x/talk.final.pptx"_s), u"talk.final_package"_s);
}

void PackageBuilderTest::linksAndWhatIsNoFile()
{
    // A Keynote package given by a path relative to the working folder, with links inside, out of it and to
    // nothing, and entries that are no files: the copy holds real files only, what a link inside points to.
    const QString deck = file(u"Talk.key/Index.zip"_s, "index").chopped(10);
    file(u"Talk.key/Data/photo.jpg"_s, "photo");
    file(u"secret.txt"_s, "private");
    for (const auto &[name, target] : {std::pair{u"preview.jpg"_s, u"Data/photo.jpg"_s},
                                       {u"Data/again"_s, u"../Data"_s}, // a loop, followed once
                                       {u"secret"_s, u"../secret.txt"_s},
                                       {u"gone"_s, u"nowhere"_s}})
        QVERIFY(QFile::link(target, deck + u'/' + name));
    QCOMPARE(::mkfifo(QFile::encodeName(deck + u"/pipe"_s).constData(), 0600), 0);
    const bool device = ::mknod(QFile::encodeName(deck + u"/null"_s).constData(), S_IFCHR | 0600,
                                makedev(1, 3)) == 0; // only where device nodes may be made
    QVERIFY(!file(u"a/Face.otf"_s, "face").isEmpty() && QFile::link(u"Face.otf"_s, path(u"a/Linked.otf"_s)));
    QVERIFY(::mkfifo(QFile::encodeName(path(u"a/Pipe.otf"_s)).constData(), 0600) == 0);
    const FontStatusItems items = {
        makeFontStatusItem(u"Linked"_s, FontStatus::installed, path(u"a/Linked.otf"_s)),
        makeFontStatusItem(u"Pipe"_s, FontStatus::installed, path(u"a/Pipe.otf"_s)),
        makeFontStatusItem(u"Device"_s, FontStatus::installed, u"/dev/zero"_s),
        makeFontStatusItem(u"Read Error"_s, FontStatus::installed, u"/proc/self/mem"_s)};

    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_root->path()));
    PackageOutcome outcome = build({u"Talk.key"_s, u"out"_s, items, true, false});
    QVERIFY(QDir::setCurrent(previous));
    QVERIFY2(outcome.isBuilt, qPrintable(outcome.statusMessage));
    QCOMPARE(outcome.packagePath, path(u"out/Talk_package"_s));
    const QMap<QString, QByteArray> copy = snapshot(outcome.packagePath);
    QCOMPARE(copy.keys(), (QStringList{u"Fonts"_s, u"Fonts/Linked.otf"_s, u"Talk.key"_s, u"Talk.key/Data"_s,
                                       u"Talk.key/Data/again"_s, u"Talk.key/Data/again/photo.jpg"_s,
                                       u"Talk.key/Data/photo.jpg"_s, u"Talk.key/Index.zip"_s,
                                       u"Talk.key/preview.jpg"_s, u"handoff-manifest.json"_s}));
    QCOMPARE(copy[u"Fonts/Linked.otf"_s], QByteArray("face"));
    QCOMPARE(copy[u"Talk.key/preview.jpg"_s], QByteArray("photo"));
    // The photo reached three ways is copied once: the others are hard links to that copy.
    struct stat photo = {};
    QVERIFY(::stat(QFile::encodeName(outcome.packagePath + u"/Talk.key/Data/photo.jpg"_s).constData(),
                   &photo) == 0);
    QCOMPARE(photo.st_nlink, nlink_t(3));
    const QString leftOut = u"[Package][Warn] Left out of the presentation copy: "_s;
    for (const QString &line : QStringList{
             leftOut + u"Data/again/again (a folder link inside a linked folder)"_s,
             leftOut + u"secret (a link out of the folder)"_s, leftOut + u"gone (a link to nothing)"_s,
             leftOut + u"pipe (not a regular file or folder)"_s,
             u"[Package][Error] Not readable: "_s + path(u"a/Pipe.otf"_s),
             u"[Package][Error] Not readable: /dev/zero"_s,
             u"[Package][Error] Failed to copy 'Read Error': Input/output error"_s})
        QVERIFY2(m_log.contains(line), qPrintable(line));
    QCOMPARE(m_log.contains(leftOut + u"null (not a regular file or folder)"_s), device);

    // A presentation chosen through a link travels as the file it points to.
    QVERIFY(QFile::link(u"Talk.key"_s, path(u"Shortcut.key"_s)));
    outcome = build({path(u"Shortcut.key"_s), path(u"out"_s), {}, true, false});
    QCOMPARE(snapshot(outcome.packagePath).value(u"Shortcut.key/Index.zip"_s), QByteArray("index"));
}

void PackageBuilderTest::failedWritesLeaveTheOldPackage_data()
{
    QTest::addColumn<qint64>("roomFor"); // bytes that fit before the disk is full; -1: no limit of that kind
    QTest::addColumn<int>("sizeLimit");  // a file-size limit on the build's process
    QTest::addColumn<bool>("killed");    // the build's process is killed half-way
    QTest::addColumn<QString>("message");
    QTest::newRow("disk full at a font")
        << qint64(10'000) << 0 << false << u"Fonts/Face.otf: No space left on device"_s;
    QTest::newRow("disk full at the report")
        << qint64(10'004) << 0 << false << u"font-report.txt: No space left on device"_s;
    QTest::newRow("file-size limit") << qint64(-1) << 4096 << false << u"Talk.pptx: File too large"_s;
    QTest::newRow("killed") << qint64(-1) << 0 << true << QString();
}

void PackageBuilderTest::failedWritesLeaveTheOldPackage()
{
    QFETCH(qint64, roomFor);
    QFETCH(int, sizeLimit);
    QFETCH(bool, killed);
    QFETCH(QString, message);
    const QString deck = file(u"Talk.pptx"_s, QByteArray(10'000, 'd'));
    const FontStatusItems items = oneFace();
    QVERIFY(build({deck, path(u"out"_s), items, false, true}).isBuilt);
    const QMap<QString, QByteArray> old = snapshot(path(u"out/Talk_package"_s));

    qint64 written = 0;
    const WriteFunction write = [&](int descriptor, const void *data, size_t size) -> ssize_t {
        if (killed && written > 0)
            ::raise(SIGKILL);
        if (roomFor >= 0 && written + qint64(size) > roomFor)
            return errno = ENOSPC, -1;
        written += qint64(size);
        return ::write(descriptor, data, size);
    };
    const int status =
        buildInChild({deck, path(u"out"_s), items, true, true}, rlim_t(sizeLimit), write, path(u"answer"_s));
    QVERIFY(killed ? WIFSIGNALED(status) : WIFEXITED(status) && WEXITSTATUS(status) == 1);
    if (!killed)
        QCOMPARE(QString::fromUtf8(test::readFile(path(u"answer"_s))),
                 u"Could not create package folder: Talk_package/"_s + message);
    QCOMPARE(snapshot(path(u"out/Talk_package"_s)), old);         // byte for byte
    QCOMPARE(inOut() == QStringList{u"Talk_package"_s}, !killed); // nothing of a failed build beside it

    // The next build cleans up what a killed one left behind.
    QVERIFY(build({deck, path(u"out"_s), items, true, true}).isBuilt);
    QCOMPARE(inOut(), QStringList{u"Talk_package"_s});
}

void PackageBuilderTest::replacingAnOlderPackage()
{
    // Replaced whole, nothing left beside it, the deck kept wherever it lies; manifest without report.
    const FontStatusItems items = oneFace();
    const QStringList fontsOnly = {u"Fonts"_s, u"Fonts/Face.otf"_s};
    const QString manifest = u"handoff-manifest.json"_s;
    QVERIFY(build({file(u"Talk.pptx"_s, "the only copy"), path(u"out"_s), items, false, false}).isBuilt);
    for (const auto &[presentation, includePresentation, package] :
         {std::tuple{u"Talk.pptx"_s, false, fontsOnly + QStringList{manifest}},
          {u"out/Talk_package/Talk.pptx"_s, true, fontsOnly + QStringList{u"Talk.pptx"_s, manifest}},
          {u"out/Talk_package/Talk.pptx"_s, false, fontsOnly + QStringList{u"Talk.pptx"_s, manifest}}}) {
        const QString deck = file(presentation, "the only copy");
        file(u"out/Talk_package/Fonts/Stale.ttf"_s, "stale");
        const PackageOutcome outcome = build({deck, path(u"out"_s), items, includePresentation, false});
        QVERIFY(outcome.isBuilt);
        QCOMPARE(inOut(), QStringList{u"Talk_package"_s});
        QCOMPARE(snapshot(outcome.packagePath).keys(), package);
        QCOMPARE(test::readFile(deck), QByteArray("the only copy"));
    }
}

void PackageBuilderTest::onlyAnOlderPackageIsReplacedNothingOfTheUsersLost()
{
    const FontStatusItems items = oneFace();
    const QString deck = file(u"Talk.pptx"_s, "deck");
    const QString package = path(u"out/Talk_package"_s);
    // A file, or a folder without a manifest or font report, of the package's name is the user's.
    for (const bool isFolder : {false, true}) {
        QVERIFY(removeItem(package, nullptr));
        if (isFolder)
            QVERIFY(!file(u"out/Talk_package/photo.jpg"_s, "photo").isEmpty() &&
                    !file(u"out/Talk_package/Fonts/Mine.ttf"_s, "mine").isEmpty());
        else
            QVERIFY(!file(u"out/Talk_package"_s, "my notes").isEmpty());
        const QMap<QString, QByteArray> before = snapshot(path(u"out"_s));
        const PackageOutcome outcome = build({deck, path(u"out"_s), items, true, true});
        QVERIFY(!outcome.isBuilt);
        QCOMPARE(outcome.statusMessage,
                 u"Could not create package folder: Talk_package: Talk_package is a "_s +
                     (isFolder ? u"folder without a manifest or font report, not a package"_s
                               : u"file that is not a package"_s) +
                     u"; it is left as it is."_s);
        QCOMPARE(snapshot(path(u"out"_s)), before);
    }

    // What the technician added to an older package goes to the Trash, byte for byte, and is told.
    QVERIFY(removeItem(package, nullptr));
    QVERIFY(build({deck, path(u"out"_s), items, true, true}).isBuilt);
    const QMap<QString, QByteArray> added = {
        {u"notes.txt"_s, "notes"}, {u"video/clip.mov"_s, "clip"}, {u"Fonts/Extra.ttf"_s, "extra"}};
    for (auto it = added.begin(); it != added.end(); ++it)
        file(u"out/Talk_package/"_s + it.key(), it.value());
    PackageOutcome outcome = build({deck, path(u"out"_s), items, true, true});
    QVERIFY2(outcome.isClean(), qPrintable(outcome.statusMessage));
    QCOMPARE(outcome.trashed, (QStringList{u"notes.txt"_s, u"video"_s, u"Fonts/Extra.ttf"_s}));
    QVERIFY(outcome.statusMessage.endsWith(
        u" Moved to the Trash from the old package: notes.txt, video, Fonts/Extra.ttf."_s));
    const QString trash = path(u"home/.local/share/Trash/files/"_s);
    for (const auto &[inTrash, bytes] : {std::pair{u"notes.txt"_s, QByteArray("notes")},
                                         {u"video/clip.mov"_s, QByteArray("clip")},
                                         {u"Extra.ttf"_s, QByteArray("extra")}})
        QCOMPARE(test::readFile(trash + inTrash), bytes);
    QCOMPARE(snapshot(package).keys(), (QStringList{u"Fonts"_s, u"Fonts/Face.otf"_s, u"Talk.pptx"_s,
                                                    u"font-report.txt"_s, u"handoff-manifest.json"_s}));

    // Where there is no Trash, the build is refused and the old package stays as it is.
    file(u"out/Talk_package/notes.txt"_s, "notes");
    const QMap<QString, QByteArray> before = snapshot(path(u"out"_s));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(u"no such folder/share"_s)));
    outcome = build({deck, path(u"out"_s), items, true, true});
    QVERIFY(!outcome.isBuilt);
    QCOMPARE(
        outcome.statusMessage,
        u"Could not create package folder: Talk_package/notes.txt: Cannot be moved to the Trash, and the "
        u"old package holding it is not replaced."_s);
    QCOMPARE(snapshot(path(u"out"_s)), before);
    QVERIFY(!QFileInfo::exists(u"files"_s) && !QFileInfo::exists(u"info"_s)); // nor into the working folder
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(u"home/.local/share"_s)));

    // A Keynote deck kept in the old package moves into the new one whole, its outward link too.
    QVERIFY(removeItem(package + u"/notes.txt"_s, nullptr));
    const QString keynote = file(u"out/Talk_package/Talk.key/Index.zip"_s, "index").chopped(10);
    QVERIFY(QDir().mkpath(keynote + u"/Data"_s));
    QVERIFY(QFile::link(file(u"movies/clip.mov"_s, "movie"), keynote + u"/Data/clip.mov"_s));
    const QMap<QString, QByteArray> original = snapshot(keynote);
    outcome = build({keynote, path(u"out"_s), items, true, true});
    QVERIFY2(outcome.isClean(), qPrintable(outcome.statusMessage));
    QCOMPARE(snapshot(package + u"/Talk.key"_s), original);
    QVERIFY(!QFileInfo::exists(package + u"/Talk.pptx"_s));
}

void PackageBuilderTest::anOldPackageThatCannotBeRemoved()
{
    // The new package takes its place; the old one is told of, and the next build removes it.
    const FontStatusItems items = oneFace();
    const QString deck = file(u"Talk.pptx"_s, "deck");
    QVERIFY(build({deck, path(u"out"_s), items, true, true}).isBuilt);
    if (!setUnremovable(path(u"out/Talk_package/Fonts/Face.otf"_s), true))
        QSKIP("this file system cannot keep a file from being removed");
    PackageOutcome outcome = build({deck, path(u"out"_s), items, true, true});
    const QString leftOver = outcome.leftOver;
    QVERIFY(setUnremovable(leftOver + u"/Fonts/Face.otf"_s, false));
    QVERIFY(outcome.isBuilt && !outcome.isClean());
    QVERIFY2(
        outcome.statusMessage.contains(u" The old package could not be removed ("_s) &&
            outcome.statusMessage.endsWith(u"); it is left in "_s + QFileInfo(leftOver).fileName() + u'.'),
        qPrintable(outcome.statusMessage));
    QVERIFY(QFileInfo::exists(leftOver));
    QVERIFY(build({deck, path(u"out"_s), items, true, true}).isClean());
    QCOMPARE(inOut(), QStringList{u"Talk_package"_s});
}

void PackageBuilderTest::installingUnderAttack()
{
    test::TestFonts world;
    QVERIFY(world.isValid());
    const QString home = world.homeFolder();
    const QString folder = world.userFontFolder() + u"/Talk_package"_s;
    QCOMPARE(userFontFolder(home), world.userFontFolder());
    // A real font, and a script that begins as a font does: its hash is right, but it is no font.
    QVERIFY(QDir().mkpath(path(u"fonts"_s)) &&
            test::TestFonts::copyLiberationFont(u"LiberationSans-Bold.ttf"_s, path(u"fonts"_s)));
    const FontStatusItems items = {
        makeFontStatusItem(u"LiberationSans-Bold"_s, FontStatus::installed,
                           path(u"fonts/LiberationSans-Bold.ttf"_s)),
        makeFontStatusItem(u"Evil"_s, FontStatus::installed, file(u"fonts/Evil.ttf"_s, "true; rm -rf ~\n"))};
    const PackageOutcome built = build({file(u"Talk.pptx"_s, "deck"), path(u"out"_s), items, false, false});
    QVERIFY(built.isBuilt);
    QVERIFY(test::writeFile(home + u"/notes.txt"_s, "the user's notes"));
    const QMap<QString, QByteArray> before = snapshot(home);

    // A full disk when the install record is written: the install fails and nothing stays installed.
    const WriteFunction fullAtRecord = [](int descriptor, const void *data, size_t size) -> ssize_t {
        if (size > 0 && *static_cast<const char *>(data) == '{')
            return errno = ENOSPC, -1;
        return ::write(descriptor, data, size);
    };
    FontInstallOutcome outcome = installPackageFonts(readPackage(built.packagePath), home, fullAtRecord);
    KERNWICK_VERIFY_CONTAINS(outcome.error, u"No space left on device"_s);
    QVERIFY(outcome.installed.isEmpty());
    QCOMPARE(snapshot(home), before);

    // A link planted at the install record is replaced, never written through.
    QVERIFY(QDir().mkpath(folder) &&
            QFile::link(home + u"/notes.txt"_s, folder + u"/.kernwick-installed.json"_s));
    outcome = installPackageFonts(readPackage(built.packagePath), home);
    QCOMPARE(outcome.installed, QStringList{u"LiberationSans-Bold.ttf"_s});
    QCOMPARE(outcome.refused, QStringList{u"Evil.ttf: not a font file"_s});
    QCOMPARE(test::readFile(home + u"/notes.txt"_s), QByteArray("the user's notes"));
    QVERIFY(!QFileInfo(folder + u"/.kernwick-installed.json"_s).isSymLink());
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
             (QStringList{u".kernwick-installed.json"_s, u"LiberationSans-Bold.ttf"_s}));
    outcome = uninstallPackageFonts(u"Talk_package"_s, readPackage(built.packagePath).identity, home);
    QCOMPARE(outcome.installed, QStringList{u"LiberationSans-Bold.ttf"_s});
    QCOMPARE(snapshot(home), before);
}

void PackageBuilderTest::destinations()
{
    // A destination that is no folder stops the build with one message and one line.
    const FontStatusItems items = oneFace();
    PackageOutcome outcome =
        build({file(u"Talk.pptx"_s, "deck"), file(u"not a folder"_s, ""), items, true, true});
    QCOMPARE(outcome.statusMessage, u"Could not create package folder: Talk_package: Not a directory"_s);
    QCOMPARE(m_log,
             QStringList{u"[Presenter][Error] "_s + path(u"not a folder/Talk_package: Not a directory"_s)});

    // No package inside the presentation's own Keynote package, however the destination is reached.
    const QString deck = file(u"Talk.key/Data/Index.zip"_s, "index").chopped(15);
    QVERIFY(QFile::link(deck + u"/Data"_s, path(u"out/into"_s)));
    const QMap<QString, QByteArray> original = snapshot(deck);
    for (const QString &destination : {deck, path(u"out/into"_s)}) {
        outcome = build({deck, destination, items, false, false});
        QCOMPARE(
            outcome.statusMessage,
            u"Could not create package folder: Talk_package: The destination lies inside the presentation."_s);
    }
    QCOMPARE(snapshot(deck), original);

    // An old package that links to a folder holding the deck is replaced as a link; nothing there changes.
    const QString elsewhere = file(u"elsewhere/Talk.pptx"_s, "the only copy").chopped(10);
    file(u"elsewhere/notes.txt"_s, "notes");
    QVERIFY(QFile::link(elsewhere, path(u"out/Talk_package"_s)));
    const QMap<QString, QByteArray> before = snapshot(elsewhere);
    outcome = build({elsewhere + u"/Talk.pptx"_s, path(u"out"_s), items, false, true});
    QVERIFY(outcome.isBuilt && !QFileInfo(outcome.packagePath).isSymLink());
    QCOMPARE(snapshot(elsewhere), before);

    // A name near the longest a file may have: 78 characters of three bytes each.
    const QString name = QString(78, QChar(0x65E5)) + u".pptx"_s;
    outcome = build({file(name, "deck"), path(u"out"_s), items, true, true});
    QVERIFY2(outcome.isBuilt, qPrintable(outcome.statusMessage));
    QCOMPARE(test::readFile(outcome.packagePath + u'/' + name), QByteArray("deck"));
    // One of 254 bytes: the package folder's name is cut to fit, at a character.
    const QString longest = QString(83, QChar(0x65E5));
    outcome = build({file(longest + u".pptx"_s, "deck"), path(u"out"_s), items, true, true});
    QVERIFY2(outcome.isBuilt, qPrintable(outcome.statusMessage));
    QCOMPARE(QFileInfo(outcome.packagePath).fileName(), longest.chopped(1) + u"_package"_s);
    // Two fonts of one name of 254 bytes: the second's own name is cut to fit.
    const QString face = QString(83, QChar(0x65E5)) + u"x.otf"_s;
    const FontStatusItems sameName = {
        makeFontStatusItem(u"A"_s, FontStatus::installed, file(u"a/"_s + face, "a")),
        makeFontStatusItem(u"B"_s, FontStatus::installed, file(u"b/"_s + face, "b")),
    };
    outcome = build({file(u"Faces.pptx"_s, "deck"), path(u"out"_s), sameName, false, false});
    QVERIFY2(outcome.isBuilt && outcome.exported.size() == 2, qPrintable(outcome.statusMessage));
    QCOMPARE(test::readFile(outcome.packagePath + u"/Fonts/"_s + QString(83, QChar(0x65E5)) + u" 2.otf"_s),
             QByteArray("b"));
}

void PackageBuilderTest::everyFaceOnceNamesCounted()
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

    const PackageOutcome outcome = build({{}, path(u"out"_s), items, false, true});
    QVERIFY(outcome.isBuilt);
    QCOMPARE(outcome.exported, (QStringList{u"Caladea"_s, u"Liberation Sans"_s, u"LiberationSans-Bold"_s,
                                            u"LiberationSerif-Italic"_s}));
    QCOMPARE(outcome.statusMessage,
             u"Package created: My Presentation_package (4 fonts). 1 font left out: Liberation Serif (by "
             u"choice)."_s);
    QVERIFY(
        m_log.contains(u"[Package][Warn] Face of 'Caladea' left out: "_s + user + u"/Caladea-Bold.ttf"_s));
    QCOMPARE(QDir(outcome.packagePath + u"/Fonts"_s).entryList(QDir::Files, QDir::Name),
             (QStringList{u"Caladea-Italics.ttc"_s, u"Caladea-Regular.ttf"_s, u"LiberationSans-Bold.ttf"_s,
                          u"LiberationSans-BoldItalic.ttf"_s, u"LiberationSans-Italic 2.ttf"_s,
                          u"LiberationSans-Italic.ttf"_s, u"LiberationSans-Regular.ttf"_s,
                          u"LiberationSerif-Italic.ttf"_s}));
    // The report names each file in Fonts/ once with what it serves; fonts sharing a file are exported.
    const QString text = QString::fromUtf8(test::readFile(outcome.packagePath + u"/font-report.txt"_s));
    for (const QString &line :
         {u"\n- LiberationSans-Bold: Fonts/LiberationSans-Bold.ttf, Fonts/LiberationSans-Regular.ttf, "_s,
          u"\nFiles in Fonts/ (8):\n"_s,
          u"\n- LiberationSans-Bold.ttf: Liberation Sans Bold · licence: Installable · for Liberation Sans, "
          u"LiberationSans-Bold\n"_s,
          u"\nLeft Out (1):\n- Liberation Serif: Left out by choice\n"_s})
        QVERIFY2(text.contains(line), qPrintable(line));
    QVERIFY(text.contains(u"\nExported Fonts (4):\n- Caladea: Fonts/Caladea-Regular.ttf, "_s));
}

void PackageBuilderTest::reportForAnyShowComputer()
{
    // The whole text, from a package's manifest: where each font is used, every file with what it serves.
    FontStatusItems items = {makeFontStatusItem(u"Serif"_s, FontStatus::installed, u"/f/Serif.ttf"_s),
                             makeFontStatusItem(u"Serif Bold"_s, FontStatus::installed, u"/f/Serif.ttf"_s),
                             makeFontStatusItem(u"Held"_s, FontStatus::installed, u"/f/Held.otf"_s),
                             makeFontStatusItem(u"Gone"_s, FontStatus::missing)};
    Manifest manifest;
    manifest.presentationName = u"Talk.key"_s;
    const ManifestFile serif{u"Serif.ttf"_s, {u"Serif Regular"_s, u"Serif Bold"_s}, {}, u"Installable"_s};
    manifest.fonts = {
        {u"Serif"_s, u"Installed"_s, {serif}, FontPlaces{true, {u"slide 2"_s, u"slide 3"_s}}},
        {u"Serif Bold"_s, u"Installed"_s, {serif}, FontPlaces{false, {}}},
        {u"Held"_s, u"Installed"_s, {}, {}, u"No Redistribution"_s, {}, leftOutReason(Travel::heldByLicence)},
        {u"Gone"_s, u"Missing"_s, {}, FontPlaces{true, {u"notes page 1"_s}}}};
    const HandoffVerdict verdict{false, {u"Held"_s}, u"Held cannot travel: …"_s};
    const QString text = makeFontReport({u"/x/Talk.key"_s,
                                         u"Talk_package"_s,
                                         items,
                                         manifest,
                                         {},
                                         verdict,
                                         QDateTime(QDate(2026, 12, 6), QTime(21, 5), Qt::UTC),
                                         u"0.1.0"_s});
    const qsizetype notes = text.indexOf(u"Notes:\n"_s);
    QCOMPARE(
        text.left(notes),
        u"Presentation Font Handoff Report\n================================\n\n"
        u"Source File: Talk.key\n\n"
        u"Verdict: Needs Attention (Found: 3 | System: 0 | Restricted: 0 | Missing: 1 | Needs Review: 0)\n"
        u"  Held cannot travel: …\n"
        u"Made: 2026-12-06 21:05 UTC by Kernwick 0.1.0\n\n"
        u"All Fonts Used (4):\n- Serif [Installed]\n    used on slides 2–3\n- Serif Bold [Installed]\n"
        u"    not used by any text\n- Held [Installed]\n- Gone [Missing]\n    used on notes page 1\n\n"
        u"Exported Fonts (2):\n- Serif: Fonts/Serif.ttf\n- Serif Bold: Fonts/Serif.ttf\n\n"
        u"Files in Fonts/ (1):\n- Serif.ttf: Serif Regular, Serif Bold · licence: Installable · for Serif, "
        u"Serif Bold\n\n"
        u"Left Out (1):\n- Held: its licence does not allow passing it on (No Redistribution)\n\n"
        u"Export Failed (0):\n\n"_s);
    // The notes name no platform for the show computer, and give the steps on each.
    for (const QString &step :
         {u"\n  Linux: kernwick-check --install-fonts Talk_package "_s, u"\n  macOS: "_s, u"\n  Windows: "_s,
          u"the show computer needs its own licensed copy"_s})
        QVERIFY2(text.indexOf(step) > notes, qPrintable(step));
    QVERIFY(!text.contains(u"Mac"_s) && text.endsWith(u"(or Install).\n"_s));
}

QTEST_GUILESS_MAIN(PackageBuilderTest)
#include "tst_packagebuilder.moc"
