// Measures kernwick-check end to end on every test deck, next to reading the bytes it needs in the same
// run: `unzip -p` of the parts read for a .pptx or a zipped .key, `cat` of a .ppt, and `cat` of a Keynote
// package folder's files (its pictures left aside). Runs alternate, and each figure is a median. Beside
// them runs a program that only starts Qt Core and loads fontconfig's fonts: what kernwick-check cannot
// go below, whatever it does with the deck.
// Run by hand: build/bin/bench-e2e [--runs N]
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct Command
{
    QString program;
    QStringList arguments;
};

double runMilliseconds(const Command &command)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(command.program, command.arguments);
    process.waitForFinished(-1);
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(QList<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool isPicture(const QString &name)
{
    return name.endsWith(u".jpg"_s, Qt::CaseInsensitive) || name.endsWith(u".png"_s, Qt::CaseInsensitive) ||
           name.endsWith(u".tiff"_s, Qt::CaseInsensitive) || name.endsWith(u".mov"_s, Qt::CaseInsensitive);
}

// What reading the deck's needed bytes takes, as a command; the size those bytes take on disk.
Command readFloor(const QString &deck, qint64 *size)
{
    const QFileInfo info(deck);
    if (info.isDir()) {
        QStringList files;
        *size = 0;
        for (QDirIterator it(deck, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            it.next();
            if (!isPicture(it.fileName())) {
                files.append(it.filePath());
                *size += it.fileInfo().size();
            }
        }
        return {u"cat"_s, files};
    }
    *size = info.size();
    if (info.suffix() == u"ppt")
        return {u"cat"_s, {deck}};
    if (info.suffix() == u"pptx")
        return {u"unzip"_s, {u"-p"_s, deck, u"[[]Content_Types].xml"_s, u"*.rels"_s, u"ppt/*.xml"_s}};
    return {u"unzip"_s, {u"-p"_s, deck, u"*.iwa"_s, u"*.apxl*"_s, u"*.xml"_s, u"*.plist"_s}};
}

QString loadAverage()
{
    QFile file(u"/proc/loadavg"_s);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readLine()).section(u' ', 0, 2) : u"?"_s;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    int runs = 9;
    if (const qsizetype at = arguments.indexOf(u"--runs"_s); at > 0 && at + 1 < arguments.size())
        runs = std::max(1, arguments[at + 1].toInt());
    const QString check = QCoreApplication::applicationDirPath() + u"/kernwick-check"_s;
    const Command startup{QCoreApplication::applicationDirPath() + u"/e2e-startup-floor"_s, {}};

    QStringList decks;
    for (const QString &kind : {u"pptx"_s, u"ppt"_s, u"key"_s}) {
        const QDir folder(QStringLiteral(KERNWICK_FIXTURES_DIR) + u'/' + kind);
        for (const QString &name : folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name))
            decks.append(folder.filePath(name));
    }

    std::printf("kernwick-check end to end against reading the bytes it needs, medians of %d runs\n"
                "%d cores, load %s before\n\n",
                runs, QThread::idealThreadCount(), qPrintable(loadAverage()));
    std::printf("%-32s %9s %10s %9s %7s  %-15s %10s %7s\n", "deck", "size KB", "check ms", "read ms", "ratio",
                "target", "start ms", "ratio");
    double smallestCheck = 0;
    qint64 smallestSize = -1;
    int met = 0;
    int targets = 0;
    for (const QString &deck : std::as_const(decks)) {
        qint64 size = 0;
        const Command floor = readFloor(deck, &size);
        const Command checking{check, {deck}};
        QList<double> checkTimes;
        QList<double> floorTimes;
        QList<double> startupTimes;
        runMilliseconds(checking); // the page cache holds the deck for both
        for (int i = 0; i < runs; ++i) {
            checkTimes.append(runMilliseconds(checking));
            floorTimes.append(runMilliseconds(floor));
            startupTimes.append(runMilliseconds(startup));
        }
        const double checkMs = median(checkTimes);
        const double floorMs = median(floorTimes);
        const double startupMs = median(startupTimes);
        const double ratio = checkMs / floorMs;
        const char *target = "";
        if (size > 100 * 1024) {
            ++targets;
            met += ratio <= 2.0 ? 1 : 0;
            target = ratio <= 2.0 ? "<= 2x: met" : "<= 2x: NOT met";
        }
        if (smallestSize < 0 || size < smallestSize) {
            smallestSize = size;
            smallestCheck = checkMs;
        }
        std::printf("%-32s %9.0f %10.1f %9.1f %6.2fx  %-15s %10.1f %6.2fx\n",
                    qPrintable(QFileInfo(deck).fileName().left(32)), double(size) / 1024, checkMs, floorMs,
                    ratio, target, startupMs, checkMs / (startupMs + floorMs));
    }
    std::printf("\ndecks over 100 KB within 2x of their read floor: %d of %d\n", met, targets);
    std::printf("start ms: Qt Core started and fontconfig's fonts loaded, nothing else; the last ratio is\n"
                "kernwick-check against that start and the read together\n");
    std::printf("smallest deck: %.1f ms (target <= 50 ms: %s)\n", smallestCheck,
                smallestCheck <= 50 ? "met" : "NOT met");
    std::printf("load %s after\n", qPrintable(loadAverage()));
    return 0;
}
