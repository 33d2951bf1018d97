#include "scantestcase.h"
#include <scan/keynoteextraction.h>

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

class KeynoteExtractionTest : public ScanTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void namesInTopLevelText_data();
    void namesInTopLevelText();
    void indexFileArchiveAndTopLevel();
    void realDocuments_data();
    void realDocuments();
    void packagesThatCannotBeRead();
    void hostileIndexArchive();

private:
    QString makePackage(const QString &name, const QList<std::pair<QString, QByteArray>> &files);
};

QString KeynoteExtractionTest::makePackage(const QString &name,
                                           const QList<std::pair<QString, QByteArray>> &files)
{
    const QString package = deckPath(name);
    QDir(package).removeRecursively();
    QDir().mkpath(package);
    for (const auto &[file, contents] : files)
        test::writeFile(QDir(package).filePath(file), contents);
    return package;
}

void KeynoteExtractionTest::namesInTopLevelText_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("attribute") << u"index.apxl"_s << QByteArray(R"(<sf:p fontName="Gill Sans"/>)")
                               << QStringList{u"Gill Sans"_s};
    QTest::newRow("attribute with space before =")
        << u"a.xml"_s << QByteArray("<x fontName \n=\"Optima\"/>") << QStringList{u"Optima"_s};
    QTest::newRow("JSON member") << u"doc.json"_s
                                 << QByteArray(R"({"fontName" : "Futura Medium", "size": 3})")
                                 << QStringList{u"Futura Medium"_s};
    QTest::newRow("typeface") << u"theme.XML"_s
                              << QByteArray(R"(<a:latin typeface="dk1"/><a:ea typeface="+mn-ea"/>)")
                              << QStringList{u"dk1"_s};
    QTest::newRow("font-family") << u"style.xml"_s << QByteArray("<s>font-family: Avenir; color: red</s>")
                                 << QStringList{u"Avenir"_s};
    QTest::newRow("font-family list is one name")
        << u"style.xml"_s << QByteArray("<s>font-family: Avenir, Helvetica;</s>")
        << QStringList{u"Avenir, Helvetica"_s};
    QTest::newRow("font-family at the very end")
        << u"style.xml"_s << QByteArray("font-family:\n  Baskerville  \n") << QStringList{u"Baskerville"_s};
    QTest::newRow("quoted font-family gives nothing there")
        << u"style.xml"_s << QByteArray(R"(<s style='font-family: "Avenir Next"'/>)") << QStringList();
    QTest::newRow("other extensions are not read")
        << u"notes.txt"_s << QByteArray(R"(fontName="Hidden")") << QStringList();
    QTest::newRow("null and no-break spaces") << u"a.xml"_s
                                              << QByteArray("<x fontName=\"null\"/><y fontName=\"\xc2\xa0"
                                                            "Big\xc2\xa0"
                                                            "Caslon\"/>")
                                              << QStringList{u"Big Caslon"_s};
}

void KeynoteExtractionTest::namesInTopLevelText()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, names);
    QCOMPARE(sorted(keynotePackageFonts(makePackage(u"Talk.key"_s, {{file, text}}))), names);
}

void KeynoteExtractionTest::indexFileArchiveAndTopLevel()
{
    const QString inner = deckPath(u"index.zip"_s);
    {
        test::TestZip zip(inner);
        zip.add(u"index.apxl"_s, R"(<k fontName="FromArchive"/><k fontName="Shared"/>)");
        zip.add(u"deep/nested/folder/part.xml"_s, R"(<k fontName="Nested"/>)");
        zip.add(u"Index/Slide.iwa"_s, R"(fontName="BinaryMember")");
        zip.add(u"Data/image.png"_s, R"(fontName="Media")", test::TestZip::Compression::stored);
        QVERIFY(zip.close());
    }
    QFile archive(inner);
    QVERIFY(archive.open(QIODevice::ReadOnly));
    const QString package =
        makePackage(u"Whole.key"_s, {{u"index.apxl"_s, R"(<k fontName="FromIndex"/><k fontName="Shared"/>)"},
                                     {u"index.zip"_s, archive.readAll()},
                                     {u"extra.json"_s, R"({"fontName":"TopLevel"})"},
                                     {u"Data/deeper.xml"_s, R"(<k fontName="NotTopLevel"/>)"}});
    const QStringList names = keynotePackageFonts(package);
    QCOMPARE(sorted(names),
             (QStringList{u"FromArchive"_s, u"FromIndex"_s, u"Nested"_s, u"Shared"_s, u"TopLevel"_s}));
}

void KeynoteExtractionTest::realDocuments_data()
{
    QTest::addColumn<QString>("file");
    // The documents' own text files name no fonts in these forms: modern documents keep their styles in
    // binary components, legacy ones in a compressed index.
    for (const char *file : {"key/package-keynote6.key", "key/legacy-package.key", "key/simple-oneslide.key",
                             "key/zipped-package.key", "key/osaka09-01.key"}) {
        QTest::newRow(file) << QString::fromLatin1(file);
    }
}

void KeynoteExtractionTest::realDocuments()
{
    QFETCH(QString, file);
    QCOMPARE(keynotePackageFonts(fixture(file)), QStringList());
}

void KeynoteExtractionTest::packagesThatCannotBeRead()
{
    QCOMPARE(keynotePackageFonts(deckPath(u"absent.key"_s)), QStringList());

    // Entries that are not regular files are never read: a pipe would never end.
    const QString odd = makePackage(u"Odd.key"_s, {{u"good.xml"_s, R"(<k fontName="Readable"/>)"}});
    QVERIFY(QDir(odd).mkpath(u"index.apxl"_s));
    QVERIFY(QDir(odd).mkpath(u"index.zip"_s));
    QCOMPARE(::mkfifo(QFile::encodeName(QDir(odd).filePath(u"pipe.xml"_s)).constData(), 0600), 0);
    QVERIFY(QFile::link(QDir(odd).filePath(u"absent"_s), QDir(odd).filePath(u"dangling.json"_s)));
    QCOMPARE(keynotePackageFonts(odd), QStringList{u"Readable"_s});

    // A package whose index archive is not an archive.
    const QString broken = makePackage(u"Broken.key"_s, {{u"index.zip"_s, "PK\x03\x04 not really"}});
    QCOMPARE(keynotePackageFonts(broken), QStringList());

    if (::geteuid() == 0)
        QSKIP("permissions do not keep the superuser out of a folder");
    const QString locked = makePackage(u"Locked.key"_s, {{u"index.apxl"_s, R"(<k fontName="Locked"/>)"}});
    QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
    const QStringList names = keynotePackageFonts(locked);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(names, QStringList());
}

void KeynoteExtractionTest::hostileIndexArchive()
{
    const QString inner = deckPath(u"hostile-index.zip"_s);
    {
        test::TestZip zip(inner);
        zip.add(u"../escaped.xml"_s, R"(<k fontName="Escaped"/>)");
        zip.add(u"/tmp/absolute.xml"_s, R"(<k fontName="Absolute"/>)");
        zip.addLink(u"linked.xml"_s, fixture(u"README.md"_s));
        zip.addGenerated(u"huge.xml"_s, qint64(1) << 30,
                         [](char *chunk, qint64 length) { std::fill_n(chunk, length, 'x'); });
        zip.add(u"fine.xml"_s, R"(<k fontName="Fine"/>)");
        QVERIFY(zip.close());
    }
    QFile archive(inner);
    QVERIFY(archive.open(QIODevice::ReadOnly));
    const QString package = makePackage(u"Hostile.key"_s, {{u"index.zip"_s, archive.readAll()}});
    QCOMPARE(keynotePackageFonts(package), QStringList{u"Fine"_s});
    QVERIFY(!QFileInfo::exists(deckPath(u"escaped.xml"_s)));
    QVERIFY(!QFileInfo::exists(u"/tmp/absolute.xml"_s));
}

QTEST_GUILESS_MAIN(KeynoteExtractionTest)
#include "tst_keynoteextraction.moc"
