// Figures for the .pptx font reader: time on a 1,000-slide deck against a baseline that only inflates
// every member, and peak memory on a deck of ~1 GB of stored media against a process that only opens
// the archive. Memory is measured in child processes so that building the decks does not count.

#include <fontmeta/office/ooxmlfontreader.h>
#include <fontmeta/office/ooxmlfonts.h>
#include <platform/ziparchive.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <testsupport/testprocess.h>
#include <testsupport/testzip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;
using namespace kernwick;

namespace {

constexpr int SlideCount = 1000;
constexpr int MediaMembers = 10;
constexpr qint64 MediaMemberSize = qint64(100) << 20;

const char *const Pml = "http://schemas.openxmlformats.org/presentationml/2006/main";
const char *const Dml = "http://schemas.openxmlformats.org/drawingml/2006/main";
const char *const Rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

QByteArray rels(const QList<std::array<QByteArray, 3>> &relationships)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const auto &[id, type, target] : relationships)
        xml +=
            "<Relationship Id=\"" + id + "\" Type=\"" + Rel + '/' + type + "\" Target=\"" + target + "\"/>";
    return xml + "</Relationships>";
}

QByteArray part(const char *root, const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:" + QByteArray(root) + " xmlns:p=\"" + Pml +
           "\" xmlns:a=\"" + Dml + "\" xmlns:r=\"" + Rel + "\">" + body + "</p:" + root + '>';
}

// A slide as PowerPoint writes it: a title and a body of a few paragraphs with run properties.
QByteArray slide(int number)
{
    QByteArray shapes;
    for (int shape = 0; shape < 4; ++shape) {
        shapes +=
            "<p:sp><p:nvSpPr><p:cNvPr id=\"" + QByteArray::number(shape + 2) +
            "\" name=\"Shape\"/><p:cNvSpPr/>"
            "<p:nvPr/></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"1\" y=\"2\"/><a:ext cx=\"3\" cy=\"4\"/></a:xfrm>"
            "</p:spPr><p:style><a:fontRef idx=\"minor\"><a:schemeClr "
            "val=\"lt1\"/></a:fontRef></p:style><p:txBody>"
            "<a:bodyPr/><a:lstStyle/>";
        for (int paragraph = 0; paragraph < 5; ++paragraph) {
            shapes += "<a:p><a:pPr><a:buFont typeface=\"Wingdings\"/></a:pPr><a:r><a:rPr lang=\"en-US\" "
                      "sz=\"2400\">"
                      "<a:latin typeface=\"Face " +
                      QByteArray::number(number % 50) +
                      "\"/><a:ea typeface=\"+mn-ea\"/>"
                      "<a:cs typeface=\"+mn-cs\"/></a:rPr><a:t>Slide text that people wrote</a:t></a:r>"
                      "<a:endParaRPr lang=\"en-US\"><a:latin typeface=\"+mj-lt\"/></a:endParaRPr></a:p>";
        }
        shapes += "</p:txBody></p:sp>";
    }
    return part("sld", "<p:cSld><p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/>"
                       "</p:nvGrpSpPr><p:grpSpPr/>" +
                           shapes + "</p:spTree></p:cSld>");
}

bool writeDeck(const QString &path, int slides, int mediaMembers)
{
    test::TestZip archive(path);
    const auto add = [&archive](const QByteArray &name, const QByteArray &data) {
        archive.add(QString::fromUtf8(name), data);
    };
    QByteArray slideIds;
    QList<std::array<QByteArray, 3>> presentationRels{
        {"rIdM", "slideMaster", "slideMasters/slideMaster1.xml"}, {"rIdT", "theme", "theme/theme1.xml"}};
    for (int i = 1; i <= slides; ++i) {
        const QByteArray n = QByteArray::number(i);
        slideIds += "<p:sldId id=\"" + QByteArray::number(255 + i) + "\" r:id=\"rId" + n + "\"/>";
        presentationRels.append({"rId" + n, "slide", "slides/slide" + n + ".xml"});
        add("ppt/slides/slide" + n + ".xml", slide(i));
        QList<std::array<QByteArray, 3>> slideRels{
            {"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"}};
        if (i <= mediaMembers)
            slideRels.append({"rId2", "image", "../media/image" + n + ".bin"});
        add("ppt/slides/_rels/slide" + n + ".xml.rels", rels(slideRels));
    }
    add("_rels/.rels", rels({{"rId1", "officeDocument", "ppt/presentation.xml"}}));
    add("ppt/presentation.xml",
        part("presentation",
             "<p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" r:id=\"rIdM\"/></p:sldMasterIdLst>"
             "<p:sldIdLst>" +
                 slideIds + "</p:sldIdLst>"));
    add("ppt/_rels/presentation.xml.rels", rels(presentationRels));
    add("ppt/slideMasters/slideMaster1.xml",
        part("sldMaster",
             "<p:txStyles><p:bodyStyle><a:lvl1pPr><a:defRPr><a:latin typeface=\"+mn-lt\"/></a:defRPr>"
             "</a:lvl1pPr></p:bodyStyle></p:txStyles><p:sldLayoutIdLst><p:sldLayoutId r:id=\"rId2\"/>"
             "</p:sldLayoutIdLst>"));
    add("ppt/slideMasters/_rels/slideMaster1.xml.rels",
        rels({{"rId1", "theme", "../theme/theme1.xml"},
              {"rId2", "slideLayout", "../slideLayouts/slideLayout1.xml"}}));
    add("ppt/slideLayouts/slideLayout1.xml", part("sldLayout", ""));
    add("ppt/slideLayouts/_rels/slideLayout1.xml.rels",
        rels({{"rId1", "slideMaster", "../slideMasters/slideMaster1.xml"}}));
    add("ppt/theme/theme1.xml", QByteArray("<a:theme xmlns:a=\"") + Dml +
                                    "\"><a:themeElements><a:fontScheme name=\"F\"><a:majorFont>"
                                    "<a:latin typeface=\"Calibri Light\"/><a:ea typeface=\"\"/><a:cs "
                                    "typeface=\"\"/></a:majorFont><a:minorFont>"
                                    "<a:latin typeface=\"Calibri\"/><a:ea typeface=\"\"/><a:cs "
                                    "typeface=\"\"/></a:minorFont></a:fontScheme>"
                                    "</a:themeElements></a:theme>");
    // Media made while the archive is written, so that a gigabyte never sits in memory.
    for (int i = 1; i <= mediaMembers; ++i) {
        archive.addGenerated(
            u"ppt/media/image%1.bin"_s.arg(i), MediaMemberSize,
            [](char *chunk, qint64 length) { std::fill_n(chunk, length, 'm'); },
            test::TestZip::Compression::stored);
    }
    return archive.close();
}

// In a child process: open the deck, read its fonts unless only the baseline is wanted, print peak RSS.
int measureMemory(const QString &path, bool readFonts)
{
    const auto archive = ZipArchive::openFile(path);
    if (!archive)
        return 1;
    int uses = 0;
    if (readFonts)
        uses = int(fontmeta::readOoxmlFonts(*archive).uses.size());
    std::printf("%lld %d\n", qlonglong(test::peakResidentKiB()), uses);
    return 0;
}

long childPeak(const QString &path, bool readFonts)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {readFonts ? u"--measure-read"_s : u"--measure-open"_s, path});
    child.waitForFinished(-1);
    return QString::fromLatin1(child.readAllStandardOutput()).section(u' ', 0, 0).toLong();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() == 3 && arguments[1].startsWith(u"--measure-"))
        return measureMemory(arguments[2], arguments[1] == u"--measure-read");

    QTemporaryDir folder;
    const QString slides = folder.filePath(u"slides.pptx"_s);
    if (!writeDeck(slides, SlideCount, 0))
        return 1;
    const auto archive = ZipArchive::openFile(slides);
    if (!archive)
        return 1;

    // The members the reader reads, so that the baseline inflates exactly those.
    QList<int> partsRead;
    fontmeta::ooxml::readOoxmlPackageFonts(
        archive->memberNames(),
        [&](int index, qint64 maxSize, qint64 *inflated) -> std::optional<QByteArray> {
            partsRead.append(index);
            std::optional<QByteArray> bytes = archive->read(index, maxSize);
            *inflated = bytes ? bytes->size() : 0;
            return bytes;
        });

    constexpr int Rounds = 5;
    qint64 best = -1;
    qint64 baseline = -1;
    qsizetype uses = 0;
    qsizetype drawn = 0;
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        const fontmeta::ReadResult result = fontmeta::readOoxmlFonts(*archive);
        const qint64 elapsed = timer.nsecsElapsed();
        uses = result.uses.size();
        drawn = result.drawnUses.size();
        best = best < 0 ? elapsed : std::min(best, elapsed);

        timer.restart();
        for (const int index : std::as_const(partsRead))
            archive->read(index, qint64(64) << 20);
        const qint64 inflateRead = timer.nsecsElapsed();
        baseline = baseline < 0 ? inflateRead : std::min(baseline, inflateRead);
    }
    std::printf(
        "readOoxmlFonts with where-used, %d slides: %.1f ms (best of %d, %lld font uses, %lld drawn); "
        "baseline, inflating the %lld parts it reads: %.1f ms; ratio %.1fx (target: at most 3x)\n",
        SlideCount, double(best) / 1e6, Rounds, static_cast<long long>(uses), static_cast<long long>(drawn),
        static_cast<long long>(partsRead.size()), double(baseline) / 1e6, double(best) / double(baseline));

    // Growth: cost per slide at each size, from the best of a few reads of a deck of that many slides.
    std::printf("cost per slide (readOoxmlFonts, best of 3):\n");
    double perSlideAtThousand = 0;
    for (const int count : {10, 100, 1000, 10000}) {
        const QString sized = folder.filePath(u"sized-%1.pptx"_s.arg(count));
        if (!writeDeck(sized, count, 0))
            return 1;
        const auto sizedArchive = ZipArchive::openFile(sized);
        qint64 fastest = -1;
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer timer;
            timer.start();
            fontmeta::readOoxmlFonts(*sizedArchive);
            fastest = fastest < 0 ? timer.nsecsElapsed() : std::min(fastest, timer.nsecsElapsed());
        }
        const double perSlide = double(fastest) / 1e6 / count;
        if (count == 1000)
            perSlideAtThousand = perSlide;
        std::printf("  %6d slides: %8.1f ms, %.4f ms a slide", count, double(fastest) / 1e6, perSlide);
        if (count == 10000)
            std::printf("  (%.2fx the cost at 1,000; target: within 1.3x)", perSlide / perSlideAtThousand);
        std::printf("\n");
        QFile::remove(sized);
    }

    const QString media = folder.filePath(u"media.pptx"_s);
    if (!writeDeck(media, 20, MediaMembers))
        return 1;
    const long withReading = childPeak(media, true);
    const long openOnly = childPeak(media, false);
    std::printf(
        "peak memory reading a deck of %lld MB on disk: %.1f MB; baseline, opening it only: %.1f MB\n",
        static_cast<long long>(QFileInfo(media).size() >> 20), double(withReading) / 1024,
        double(openOnly) / 1024);
    std::printf("peak memory reading the %d-slide deck: %.1f MB (target: under 100 MB)\n", SlideCount,
                double(childPeak(slides, true)) / 1024);
    return 0;
}
