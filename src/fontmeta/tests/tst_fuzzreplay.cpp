// Replays every input kept from fuzzing (the seeds, and each input that once crashed, hung or leaked)
// through the functions the fuzz targets call, so that the normal build guards against regressions
// without clang. Reproducers live in office/tests/data/fuzz/<target>/ and keynote/tests/data/fuzz/<target>/.

#include <fontmeta/keynote/fuzz/fuzzentries.h>
#include <fontmeta/office/fuzz/fuzzentries.h>

#include <QDir>
#include <QTest>

#include <tuple>

using namespace Qt::StringLiterals;
namespace fuzz = kernwick::fontmeta::fuzz;

using Entry = void (*)(QByteArrayView);
Q_DECLARE_METATYPE(Entry)

// The office targets take raw bytes.
template <auto Read>
void rawBytes(QByteArrayView data)
{
    Read(reinterpret_cast<const uint8_t *>(data.data()), size_t(data.size()));
}

class FuzzReplayTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replay_data();
    void replay();
};

void FuzzReplayTest::replay_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Entry>("entry");
    static const QList<std::tuple<const char *, QString, Entry>> targets{
        {"office", u"ooxmlparts"_s, &rawBytes<fuzz::readOoxmlParts>},
        {"office", u"compoundfile"_s, &rawBytes<fuzz::readCompoundFile>},
        {"office", u"pptrecords"_s, &rawBytes<fuzz::readPptRecords>},
        {"keynote", u"iwacomponent"_s, &fuzz::iwaComponent},
        {"keynote", u"iwaobjects"_s, &fuzz::iwaObjects},
        {"keynote", u"apxl"_s, &fuzz::apxl},
        {"keynote", u"keynotearchive"_s, &fuzz::keynoteArchive}};
    for (const auto &[reader, target, entry] : targets) {
        const QDir folder(QStringLiteral(KERNWICK_FONTMETA_DIR) + u'/' + QLatin1StringView(reader) +
                          u"/tests/data/fuzz/"_s + target);
        const QStringList files = folder.entryList(QDir::Files, QDir::Name);
        QVERIFY2(!files.isEmpty(), qPrintable(folder.path()));
        for (const QString &file : files)
            QTest::addRow("%s/%s", qPrintable(target), qPrintable(file)) << folder.filePath(file) << entry;
    }
}

void FuzzReplayTest::replay()
{
    QFETCH(QString, path);
    QFETCH(Entry, entry);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    entry(file.readAll());
}

QTEST_GUILESS_MAIN(FuzzReplayTest)
#include "tst_fuzzreplay.moc"
