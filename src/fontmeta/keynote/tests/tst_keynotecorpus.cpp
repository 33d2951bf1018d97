// Replays the fuzzers' seed corpus and every crash, hang or leak they found through the functions the
// fuzz targets call. Reproducers live in data/fuzz/<target>/ next to the seeds.

#include <fontmeta/keynote/fuzz/fuzzentries.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

using Entry = void (*)(QByteArrayView);
Q_DECLARE_METATYPE(Entry)

class TestKeynoteCorpus final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replay_data();
    void replay();
};

void TestKeynoteCorpus::replay_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Entry>("entry");
    const QList<std::pair<QString, Entry>> targets{
        {u"iwacomponent"_s, &kernwick::fontmeta::fuzz::iwaComponent},
        {u"iwaobjects"_s, &kernwick::fontmeta::fuzz::iwaObjects},
        {u"apxl"_s, &kernwick::fontmeta::fuzz::apxl},
        {u"keynotearchive"_s, &kernwick::fontmeta::fuzz::keynoteArchive}};
    for (const auto &[target, entry] : targets) {
        const QDir folder(QStringLiteral(KERNWICK_TEST_DATA_DIR "/fuzz/") + target);
        const QStringList files = folder.entryList(QDir::Files, QDir::Name);
        QVERIFY2(!files.isEmpty(), qPrintable(folder.path()));
        for (const QString &file : files)
            QTest::addRow("%s/%s", qPrintable(target), qPrintable(file)) << folder.filePath(file) << entry;
    }
}

void TestKeynoteCorpus::replay()
{
    QFETCH(QString, path);
    QFETCH(Entry, entry);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    entry(file.readAll());
}

QTEST_GUILESS_MAIN(TestKeynoteCorpus)
#include "tst_keynotecorpus.moc"
