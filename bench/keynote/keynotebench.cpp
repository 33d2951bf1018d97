// Benchmark of the Keynote readers: speed on a large generated document, memory beside a large media file.

#include <fontmeta/keynote/keynotefonts.h>
#include <fontmeta/keynote/testsupport/iwawriter.h>
#include <platform/ziparchive.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

#include <testsupport/testprocess.h>
#include <testsupport/testzip.h>

#include <algorithm>
#include <cstdio>

using namespace kernwick;
using namespace kernwick::fontmeta;
using namespace Qt::StringLiterals;

namespace {

const QList<QByteArray> FontNames{
    "GillSans",      "HelveticaNeue", "HelveticaNeue-Bold", "HelveticaNeue-Light", "AvenirNext-DemiBold",
    "Futura-Medium", "Didot",         "HiraKakuPro-W3"};

// In a child process of its own, so that building the documents does not count: the peak resident memory
// after opening `path`, and after reading its fonts too unless only the baseline is wanted.
int measureMemory(const QString &path, bool readFonts)
{
    const auto archive = ZipArchive::openFile(path);
    if (!archive)
        return 1;
    const qsizetype uses = readFonts ? readKeynoteArchiveFonts(*archive).uses.size() : 0;
    std::printf("%lld %lld\n", qlonglong(test::peakResidentKiB()), qlonglong(uses));
    return 0;
}

QList<qint64> childPeak(const QString &path, bool readFonts)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {readFonts ? u"--measure-read"_s : u"--measure-open"_s, path});
    child.waitForFinished(-1);
    QList<qint64> figures;
    for (const QString &figure : QString::fromLatin1(child.readAllStandardOutput()).split(u' '))
        figures.append(figure.trimmed().toLongLong());
    return figures.size() == 2 ? figures : QList<qint64>{-1, -1};
}

// One slide as Keynote writes it: text storage with a few paragraphs, its styles, and drawables.
QByteArray slideComponent(int slide)
{
    IwaWriter writer;
    quint64 id = 1000;
    QByteArray text;
    for (int i = 0; i < 12; ++i)
        text += "Slide text for the audience, paragraph " + QByteArray::number(i) + ".\n";
    writer.addObject(id++, {{2001, IwaWriter::bytesField(3, text)}});
    for (int i = 0; i < 4; ++i)
        writer.addObject(id++, {{2022, IwaWriter::textStyle(FontNames[(slide + i) % FontNames.size()])}});
    for (int i = 0; i < 3; ++i)
        writer.addObject(id++, {{2021, IwaWriter::textStyle(FontNames[(slide * 3 + i) % FontNames.size()])}});
    writer.addObject(id++, {{2023, IwaWriter::listStyle("ZapfDingbatsITC")}});
    // Shapes, geometry and undo records: bytes that are not styles and that Snappy cannot shrink much.
    QRandomGenerator random{quint32(slide)};
    for (int i = 0; i < 20; ++i) {
        QByteArray shape(600, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(shape.data()), shape.size() / 4);
        writer.addObject(id++, {{3004, shape}, {10000, IwaWriter::textStyle("Undo")}});
    }
    return writer.component();
}

QList<std::pair<QString, QByteArray>> documentComponents(int slides)
{
    QList<std::pair<QString, QByteArray>> members;
    IwaWriter document;
    document.addObject(1, {{1, IwaWriter::varintField(1, 2)}});
    members.append({u"Index/Document.iwa"_s, document.component()});
    IwaWriter stylesheet;
    for (int i = 0; i < 400; ++i)
        stylesheet.addObject(quint64(100 + i), {{quint32(i % 3 == 0 ? 2021 : 2022),
                                                 IwaWriter::textStyle(FontNames[i % FontNames.size()])}});
    members.append({u"Index/DocumentStylesheet.iwa"_s, stylesheet.component()});
    for (int slide = 0; slide < slides; ++slide)
        members.append({u"Index/Slide-%1.iwa"_s.arg(slide + 1), slideComponent(slide)});
    return members;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (const QStringList arguments = app.arguments();
        arguments.size() == 3 && arguments[1].startsWith(u"--measure-"))
        return measureMemory(arguments[2], arguments[1] == u"--measure-read");
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({u"slides"_s, u"Slides in the timed document."_s, u"n"_s, u"1000"_s});
    parser.addOption(
        {u"media-mb"_s, u"Stored media in the memory document, in MB (0: skip)."_s, u"mb"_s, u"1024"_s});
    parser.process(app);
    const int slides = parser.value(u"slides"_s).toInt();
    const qint64 mediaMb = parser.value(u"media-mb"_s).toLongLong();

    QTemporaryDir dir;
    const auto components = documentComponents(slides);

    // Speed: the whole read, from opening the zip, against reading every member's bytes and nothing more.
    const QString speedPath = dir.filePath(u"Slides.key"_s);
    {
        test::TestZip writer(speedPath);
        for (const auto &[name, data] : components)
            writer.add(name, data, test::TestZip::Compression::stored);
        if (!writer.close()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(speedPath));
            return 1;
        }
    }
    QList<double> readTimes;
    QList<double> baselineTimes;
    ReadResult result;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        const auto archive = ZipArchive::openFile(speedPath);
        qint64 bytes = 0;
        for (int i = 0; i < archive->memberNames().size(); ++i)
            bytes += archive->read(i, qint64(1) << 30).value_or(QByteArray()).size();
        baselineTimes.append(double(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        result = readKeynoteArchiveFonts(*ZipArchive::openFile(speedPath));
        readTimes.append(double(timer.nsecsElapsed()) / 1e6);
    }
    QSet<QString> distinct;
    for (const FontUse &use : result.uses)
        distinct.insert(use.fontName);
    std::printf("document: %d slides, %lld components, %lld bytes\n", slides, qlonglong(components.size()),
                qlonglong(QFileInfo(speedPath).size()));
    std::printf(
        "read fonts:     median %8.1f ms of 5, target under 1000 ms (%lld uses, %lld distinct, %lld notes)\n",
        median(readTimes), qlonglong(result.uses.size()), qlonglong(distinct.size()),
        qlonglong(result.notes.size()));
    std::printf("baseline:       median %8.1f ms of 5 (opening the zip and inflating every member)\n",
                median(baselineTimes));

    if (mediaMb <= 0)
        return 0;
    // Memory: the same document beside ~1 GB of stored media, which must never be read.
    const QString mediaPath = dir.filePath(u"Media.key"_s);
    {
        test::TestZip writer(mediaPath);
        for (const auto &[name, data] : components)
            writer.add(name, data, test::TestZip::Compression::stored);
        for (qint64 done = 0, part = 1; done < mediaMb; done += 256, ++part) {
            writer.addGenerated(
                u"Data/movie-%1.mov"_s.arg(part), std::min<qint64>(256, mediaMb - done) << 20,
                [](char *chunk, qint64 length) { std::fill_n(chunk, length, '\0'); },
                test::TestZip::Compression::stored);
        }
        if (!writer.close()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(mediaPath));
            return 1;
        }
    }
    // Each in a process of its own: opening the document only, then reading its fonts.
    const QList<qint64> opened = childPeak(mediaPath, false);
    const QList<qint64> read = childPeak(mediaPath, true);
    std::printf("media document: %lld MB on disk, %lld uses\n", qlonglong(QFileInfo(mediaPath).size() >> 20),
                qlonglong(read[1]));
    std::printf(
        "peak RSS:       %.1f MB reading it, target under 100 MB (baseline, opening it only: %.1f MB)\n",
        double(read[0]) / 1024, double(opened[0]) / 1024);
    return 0;
}
