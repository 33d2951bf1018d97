// Replays every input kept from fuzzing (seeds, and each input that once crashed, hung or leaked)
// through the same entry functions as the fuzz targets, so that the normal build guards against
// regressions without clang.

#include "../fuzz/fuzzentries.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace kernwick::fontmeta;

class TestOfficeFuzzReplay final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replay_data();
    void replay();
};

void TestOfficeFuzzReplay::replay_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("file");
    const QDir root(QStringLiteral(KERNWICK_TEST_DATA_DIR "/fuzz"));
    int count = 0;
    for (const QString &target : {u"ooxmlparts"_s, u"compoundfile"_s, u"pptrecords"_s}) {
        const QDir folder(root.filePath(target));
        for (const QString &name : folder.entryList(QDir::Files, QDir::Name)) {
            QTest::addRow("%s/%s", qPrintable(target), qPrintable(name)) << target << folder.filePath(name);
            ++count;
        }
    }
    QVERIFY(count >= 3);
}

void TestOfficeFuzzReplay::replay()
{
    QFETCH(QString, target);
    QFETCH(QString, file);
    QFile input(file);
    QVERIFY(input.open(QIODevice::ReadOnly));
    const QByteArray bytes = input.readAll();
    const auto *data = reinterpret_cast<const uint8_t *>(bytes.constData());
    if (target == u"ooxmlparts")
        fuzz::readOoxmlParts(data, size_t(bytes.size()));
    else if (target == u"compoundfile")
        fuzz::readCompoundFile(data, size_t(bytes.size()));
    else
        fuzz::readPptRecords(data, size_t(bytes.size()));
}

QTEST_GUILESS_MAIN(TestOfficeFuzzReplay)
#include "tst_officefuzzreplay.moc"
