// Measures batch preflight of a tree of decks made from the real documents in the test data, varied:
// kernwick-check over the whole tree with 1 and 2 workers (and one per processor where there are more),
// next to the baseline of one kernwick-check process per deck, over a sample of the same decks.
// Run by hand: build/bin/bench-batch [--decks N] [--sample N]
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>
#include <testsupport/testzip.h>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace kernwick;

namespace {

QString loadAverage()
{
    QFile file(u"/proc/loadavg"_s);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readLine()).section(u' ', 0, 2) : u"?"_s;
}

double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs `program` quietly and returns the seconds it took.
double seconds(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    process.waitForFinished(-1);
    return double(timer.nsecsElapsed()) / 1e9;
}

// Every third deck is a new .pptx naming fonts from a pool (some installed, most not); the others are
// the real documents, Keynote package folders included, copied round-robin.
QStringList makeDecks(const QString &root, int count)
{
    QStringList sources;
    for (const QString &kind : {u"pptx"_s, u"ppt"_s, u"key"_s}) {
        const QDir folder(QStringLiteral(KERNWICK_FIXTURES_DIR) + u'/' + kind);
        for (const QString &name : folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name))
            sources.append(folder.filePath(name));
    }
    const QStringList pool = {u"DejaVu Sans"_s,    u"DejaVu Serif"_s, u"Calibri"_s,         u"Arial"_s,
                              u"Helvetica Neue"_s, u"Gill Sans"_s,    u"Liberation Sans"_s, u"Futura"_s};
    QStringList decks;
    for (int i = 0; i < count; ++i) {
        const QString folder =
            root + u"/event-"_s + QString::number(i / 100) + u"/day-"_s + QString::number(i % 3);
        QDir().mkpath(folder);
        if (i % 3 == 0) {
            const QString deck = folder + u"/generated-"_s + QString::number(i) + u".pptx"_s;
            test::TestZip zip(deck);
            QByteArray slide = "<p:sld>";
            for (int f = 0; f < 1 + i % 5; ++f)
                slide += "<a:latin typeface=\"" + pool[(i + f * 3) % pool.size()].toUtf8() + "\"/>";
            zip.add(u"ppt/slides/slide1.xml"_s,
                    slide + "<a:latin typeface=\"Deck Font " + QByteArray::number(i % 40) + "\"/></p:sld>");
            zip.close();
            decks.append(deck);
            continue;
        }
        const QString source = sources[i % sources.size()];
        const QFileInfo info(source);
        const QString deck =
            folder + u'/' + info.completeBaseName() + u'-' + QString::number(i) + u'.' + info.suffix();
        QProcess::execute(u"cp"_s, {u"-a"_s, source, deck});
        decks.append(deck);
    }
    return decks;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const auto option = [&](const QString &name, int fallback) {
        const qsizetype at = arguments.indexOf(name);
        return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1].toInt() : fallback;
    };
    const int deckCount = option(u"--decks"_s, 1000);
    const int sampleCount = std::min(option(u"--sample"_s, 200), deckCount);
    const QString check = QCoreApplication::applicationDirPath() + u"/kernwick-check"_s;

    QTemporaryDir root;
    const QStringList decks = makeDecks(root.path(), deckCount);
    std::printf("%lld decks in %s\n", static_cast<long long>(decks.size()), qPrintable(root.path()));
    std::printf("%d cores, load %s before\n", QThread::idealThreadCount(), qPrintable(loadAverage()));

    // Warm the file cache and fontconfig's cache once, so that every measurement starts alike.
    seconds(check, {u"-j"_s, u"2"_s, root.path()});

    QList<int> workerCounts = {1, 2};
    if (QThread::idealThreadCount() > 2)
        workerCounts.append(QThread::idealThreadCount());
    QList<double> rates;
    // Processor time (of kernwick-check and its helpers) per deck is told too: on a busy machine it says
    // what the wall clock cannot.
    QList<double> cpuPerDeck;
    for (int workers : workerCounts) {
        const double cpu = childCpuSeconds();
        const double rate = decks.size() / seconds(check, {u"-j"_s, QString::number(workers), root.path()});
        cpuPerDeck.append((childCpuSeconds() - cpu) / decks.size() * 1000);
        rates.append(rate);
        std::printf("batch, %d worker%s: %8.1f decks/s, %5.1f ms processor time a deck\n", workers,
                    workers == 1 ? "" : "s", rate, cpuPerDeck.last());
    }

    // The baseline: one process per deck, started afresh, over an even sample of the decks.
    double elapsed = 0;
    const double cpu = childCpuSeconds();
    for (int i = 0; i < sampleCount; ++i)
        elapsed += seconds(check, {decks[i * decks.size() / sampleCount]});
    const double perDeckCpu = (childCpuSeconds() - cpu) / sampleCount * 1000;
    const double perDeckRate = sampleCount / elapsed;
    std::printf("one process per deck (%d decks): %8.1f decks/s, %5.1f ms processor time a deck\n",
                sampleCount, perDeckRate, perDeckCpu);

    std::printf("2 workers / 1 worker:              %5.2fx (target >= 1.7x on an idle machine, load %s)\n",
                rates[1] / rates[0], qPrintable(loadAverage()));
    std::printf("batch 1 worker / process per deck: %5.2fx (target >= 3x); processor time %5.2fx\n",
                rates[0] / perDeckRate, perDeckCpu / cpuPerDeck[0]);
    std::printf("%d cores, load %s after\n", QThread::idealThreadCount(), qPrintable(loadAverage()));
    return 0;
}
