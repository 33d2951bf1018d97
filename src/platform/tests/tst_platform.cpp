#include <platform/appcast.h>
#include <platform/filenamealiases.h>
#include <platform/volume.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <testsupport/testzip.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

class PlatformTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void updateFeedItems();
    void removableVolumes();
    void namesInAnOlderEncoding();
};

void PlatformTest::updateFeedItems()
{
    // Numbers, not text; further components; pre-releases first, in order; leading zeros; builds.
    for (const auto &[older, newer] : {std::pair{u"1.9"_s, u"1.10"_s},
                                       {u"1.0"_s, u"1.0.1"_s},
                                       {u"2.0b1"_s, u"2.0"_s},
                                       {u"2.0b2"_s, u"2.0b10"_s},
                                       {u"1.02"_s, u"1.3"_s},
                                       {u"99"_s, u"100"_s}}) {
        QVERIFY2(compareVersions(older, newer) < 0 && compareVersions(newer, older) > 0, qPrintable(older));
        QCOMPARE(compareVersions(newer, newer), 0);
    }

    // Items of a feed, one without a version left out; the newest above the running version is offered.
    const QByteArray feed =
        R"(<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>
    <item>
      <sparkle:releaseNotesLink>https://example.org/notes/1.2</sparkle:releaseNotesLink>
      <enclosure url="https://example.org/k-1.2.tar.gz" sparkle:version="120" sparkle:shortVersionString="1.2"/>
    </item>
    <item><title>Without a version</title><enclosure url="https://example.org/k.tar.gz"/></item>
    <item><sparkle:version>1.1</sparkle:version></item>
</channel></rss>)";
    const auto items = parseAppcast(feed);
    QVERIFY(items && items->size() == 2);
    QCOMPARE(items->at(0).version, u"120"_s);
    QCOMPARE(items->at(0).shortVersionString, u"1.2"_s);
    QCOMPARE(items->at(0).releaseNotesLink, QUrl(u"https://example.org/notes/1.2"_s));
    QCOMPARE(items->at(0).downloadUrl, QUrl(u"https://example.org/k-1.2.tar.gz"_s));
    QCOMPARE(items->at(1).shortVersionString, u"1.1"_s);
    QCOMPARE(newestUpdate(*items, u"119"_s)->version, u"120"_s);
    QVERIFY(!newestUpdate(*items, u"120"_s));
    for (const QByteArray &broken : {QByteArray("<rss><channel><item>"), QByteArray("<html/>"), QByteArray()})
        QVERIFY(!parseAppcast(broken));
    QCOMPARE(parseAppcast("<rss><channel/></rss>")->size(), 0);
}

void PlatformTest::removableVolumes()
{
    // The device's place in the tree, whether the file is on a partition, its removable flag (if any).
    for (const auto &[name, device, partition, removable, expected] :
         {std::tuple{"internal disk", u"devices/pci0000:00/0000:00:1f.2/ata1/host0/block/sda"_s, true,
                     QByteArray("0\n"), false},
          {"card reader", u"devices/pci0000:00/0000:00:14.0/mmc0/block/mmcblk0"_s, true, "1\n", true},
          {"disk on USB that calls itself fixed",
           u"devices/pci0000:00/0000:00:14.0/usb2/2-1/host6/block/sdb"_s, false, "0\n", true},
          {"no word about it", u"devices/virtual/block/dm-0"_s, false, {}, false}}) {
        // A device tree laid out as the kernel lays out /sys, for the device that holds this very file.
        QTemporaryDir sysfs;
        const QString file = sysfs.filePath(u"probe"_s);
        QVERIFY(test::writeFile(file, {}));
        struct stat info = {};
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &info), 0);
        const QString disk = sysfs.filePath(device);
        const QString target = partition ? disk + u"/part1"_s : disk;
        QVERIFY(QDir().mkpath(target) && QDir().mkpath(sysfs.filePath(u"dev/block"_s)));
        QVERIFY(!partition || test::writeFile(target + u"/partition"_s, {}));
        QVERIFY(removable.isEmpty() || test::writeFile(disk + u"/removable"_s, removable));
        const QString block = u"dev/block/%1:%2"_s.arg(major(info.st_dev)).arg(minor(info.st_dev));
        QVERIFY(QFile::link(target, sysfs.filePath(block)));
        QVERIFY2(isOnRemovableVolume(file, sysfs.path()) == expected, name);
        // Where nothing can be read, the volume counts as fixed.
        QVERIFY(!isOnRemovableVolume(file, sysfs.filePath(u"nowhere"_s)));
    }
}

namespace {

bool writeNative(const QByteArray &path, const QByteArray &bytes)
{
    const int file = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    const bool written = file >= 0 && ::write(file, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(file) == 0 && written;
}

QByteArray readThrough(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(cannot be read)");
}

} // namespace

void PlatformTest::namesInAnOlderEncoding()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid() && QDir(folder.path()).mkdir(u"links"_s));
    const QByteArray base = QFile::encodeName(folder.path());
    // Two Latin-1 names alike once decoded, in a Latin-1 folder, with a UTF-8 package folder inside.
    const QByteArray dossier = base + "/Dossi\xe9r";
    const QByteArray cafe = dossier + "/Caf\xe9.pptx";
    const QByteArray cafeGrave = dossier + "/Caf\xe8.pptx";
    QVERIFY(::mkdir(dossier.constData(), 0755) == 0 &&
            ::mkdir(QByteArray(dossier + "/Talk.key").constData(), 0755) == 0);
    QVERIFY(writeNative(cafe, "acute") && writeNative(cafeGrave, "grave") &&
            writeNative(dossier + "/Talk.key/Index.zip", "index"));

    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(folder.filePath(u"links"_s)));
    const auto restoreTemp = qScopeGuard([&] { qputenv("TMPDIR", oldTemp); });
    {
        FileNameAliases aliases;
        const QString acute = aliases.pathFor(cafe);
        const QString grave = aliases.pathFor(cafeGrave);
        QVERIFY(acute != grave && aliases.isAlias(acute) && aliases.isAlias(grave));
        QCOMPARE(QFileInfo(acute).fileName(), u"Caf\uFFFD.pptx"_s);
        QCOMPARE(readThrough(acute), "acute");
        QCOMPARE(readThrough(grave), "grave");
        QCOMPARE(aliases.pathFor(cafe), acute);
        QCOMPARE(aliases.shownPath(acute), folder.path() + u"/Dossi\uFFFDr/Caf\uFFFD.pptx"_s);
        QCOMPARE(aliases.nativePath(grave), cafeGrave);
        // A URL keeps the bytes: it comes back to the same link.
        QVERIFY(aliases.urlFor(acute).toEncoded().endsWith("/Dossi%E9r/Caf%E9.pptx"));
        QCOMPARE(aliases.pathForUrl(aliases.urlFor(acute)), acute);

        // What lies inside a linked folder is reached and shown through it.
        const QString talk = aliases.pathFor(dossier + "/Talk.key/");
        QCOMPARE(QFileInfo(talk).fileName(), u"Talk.key"_s);
        QCOMPARE(readThrough(talk + u"/Index.zip"_s), "index");
        QCOMPARE(aliases.shownPath(talk + u"/Index.zip"_s),
                 folder.path() + u"/Dossi\uFFFDr/Talk.key/Index.zip"_s);
        QCOMPARE(aliases.nativePath(talk + u"/Index.zip"_s), dossier + "/Talk.key/Index.zip");

        // A path as a file dialog shows it is matched, part by part, to the one name on disk that reads so;
        // two names that read alike are not guessed between.
        const QString shownTalk = folder.path() + u"/Dossi\uFFFDr/Talk.key"_s;
        QCOMPARE(aliases.pathForShown(shownTalk), talk);
        QCOMPARE(aliases.pathForShown(aliases.shownPath(acute)), aliases.shownPath(acute));

        // A long name, each of its bytes shown in three, is cut before its extension to fit a file name.
        const QByteArray longName = dossier + '/' + QByteArray(240, '\xe9') + ".pptx";
        QVERIFY(writeNative(longName, "long"));
        const QString cut = aliases.pathFor(longName);
        QVERIFY(cut.endsWith(u"\uFFFD.pptx"_s) && QFile::encodeName(QFileInfo(cut).fileName()).size() <= 255);
        QCOMPARE(readThrough(cut), "long");

        // UTF-8 names pass as they are; a name that is not there gets no link, and says why.
        QCOMPARE(aliases.pathFor(base + "/links"), folder.filePath(u"links"_s));
        QVERIFY(!aliases.isAlias(folder.filePath(u"links"_s)));
        QCOMPARE(aliases.shownPath(folder.filePath(u"links"_s)), folder.filePath(u"links"_s));
        QString error;
        QVERIFY(aliases.pathFor(dossier + "/Gone\xe9.pptx", &error).isEmpty());
        QCOMPARE(error, u"No such file or directory"_s);
    }
    // The links are gone with their owner; the files they stood for are as they were.
    QVERIFY(
        QDir(folder.filePath(u"links"_s)).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    struct stat status = {};
    QVERIFY(::stat(cafe.constData(), &status) == 0 && status.st_size == 5);
    QVERIFY(::stat(QByteArray(dossier + "/Talk.key/Index.zip").constData(), &status) == 0);
}

QTEST_GUILESS_MAIN(PlatformTest)
#include "tst_platform.moc"
