// Measures the scanning and resolution engine against baselines taken in the same run:
//   scan:    scanFonts on a 300-slide deck with 250 MB of media, next to `unzip -p` of just the XML parts
//            it reads and next to unpacking the whole archive with `unzip -qq -d`; without the document
//            reader, with it in process, and with it in the helper program;
//   resolve: 500 names, half of them missing, against every font installed on this machine, and 10,000
//            distinct 255-character names that none of them is; the cold first pass and warm ones.
// Run by hand: build/bin/bench-engine [--runs N]
#include <fontmeta/documentquery.h>
#include <resolve/fontresolver.h>
#include <scan/fontscanner.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <testsupport/testzip.h>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;
using namespace kernwick;

namespace {

double medianMilliseconds(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void runQuietly(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    process.waitForFinished(-1);
}

QString buildDeck(const QString &folder)
{
    const QString path = QDir(folder).filePath(u"Large Deck.pptx"_s);
    test::TestZip zip(path);
    const QByteArray run =
        R"(<a:r><a:rPr lang="en-US"><a:latin typeface="Helvetica Neue"/></a:rPr><a:t>Words</a:t></a:r>)";
    // A package the document reader reads whole: its content types, and the slide list with its links.
    const QByteArray pml = "http://schemas.openxmlformats.org/presentationml/2006/main";
    const QByteArray dml = "http://schemas.openxmlformats.org/drawingml/2006/main";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const QByteArray namespaces = " xmlns:p=\"" + pml + "\" xmlns:a=\"" + dml + "\" xmlns:r=\"" + rel + "\"";
    zip.add(u"[Content_Types].xml"_s,
            R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>)");
    zip.add(u"_rels/.rels"_s, "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                              "relationships\"><Relationship Id=\"rId1\" Type=\"" +
                                  rel +
                                  "/officeDocument\" Target=\"ppt/presentation.xml\"/></Relationships>");
    QByteArray slideList;
    QByteArray slideLinks;
    for (int i = 1; i <= 300; ++i) {
        const QByteArray id = "rId" + QByteArray::number(i);
        slideList += "<p:sldId id=\"" + QByteArray::number(255 + i) + "\" r:id=\"" + id + "\"/>";
        slideLinks += "<Relationship Id=\"" + id + "\" Type=\"" + rel + "/slide\" Target=\"slides/slide" +
                      QByteArray::number(i) + ".xml\"/>";
    }
    zip.add(u"ppt/presentation.xml"_s, "<p:presentation" + namespaces + "><p:sldIdLst>" + slideList +
                                           "</p:sldIdLst><a:latin typeface=\"Calibri\"/></p:presentation>");
    zip.add(u"ppt/_rels/presentation.xml.rels"_s,
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
                slideLinks + "</Relationships>");
    for (int i = 1; i <= 300; ++i) {
        const QByteArray slide = "<p:sld" + namespaces + "><p:cSld><p:spTree>" + run.repeated(200) +
                                 "<a:latin typeface=\"Slide Font " + QByteArray::number(i % 17) +
                                 "\"/></p:spTree></p:cSld></p:sld>";
        zip.add(u"ppt/slides/slide%1.xml"_s.arg(i), slide);
        zip.add(u"ppt/slides/_rels/slide%1.xml.rels"_s.arg(i), "<Relationships/>");
    }
    for (int i = 1; i <= 5; ++i)
        zip.add(u"ppt/slideMasters/slideMaster%1.xml"_s.arg(i),
                "<p:sldMaster" + namespaces + ">" + run.repeated(50) + "</p:sldMaster>");
    // 200 MB of photographs, stored as presentation programs store them, and 50 MB of deflated media.
    const auto noise = [](char *chunk, qint64 length) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(chunk), size_t(length / 4));
    };
    for (int i = 0; i < 20; ++i)
        zip.addGenerated(u"ppt/media/image%1.jpg"_s.arg(i), 10 << 20, noise,
                         test::TestZip::Compression::stored);
    for (int i = 0; i < 5; ++i)
        zip.addGenerated(u"ppt/media/audio%1.wav"_s.arg(i), 10 << 20, noise);
    return zip.close() ? path : QString();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const qsizetype runsAt = arguments.indexOf(u"--runs"_s);
    const int runs = runsAt > 0 && runsAt + 1 < arguments.size() ? arguments[runsAt + 1].toInt() : 5;

    QTemporaryDir folder;
    std::printf("Building a 300-slide deck with 250 MB of media...\n");
    const QString deck = buildDeck(folder.path());
    if (deck.isEmpty())
        return 1;
    std::printf("  %.0f MB on disk\n\n", double(QFileInfo(deck).size()) / 1e6);

    const FontScanner scanner{MetadataQuery()};
    QStringList names;
    const double scan = medianMilliseconds(runs, [&] { names = scanner.scanFonts(deck); });
    const double xmlOnly = medianMilliseconds(runs, [&] {
        runQuietly(u"/bin/sh"_s, {u"-c"_s,
                                  u"unzip -p \"$0\" ppt/presentation.xml 'ppt/slides/*.xml' "
                                  u"'ppt/slideMasters/*.xml' > /dev/null"_s,
                                  deck});
    });
    const QString unpacked = QDir(folder.path()).filePath(u"unpacked"_s);
    const double wholeArchive = medianMilliseconds(runs, [&] {
        QDir(unpacked).removeRecursively();
        runQuietly(u"unzip"_s, {u"-qq"_s, deck, u"-d"_s, unpacked});
    });
    std::printf("scanFonts (package extraction, %lld names):  %8.1f ms (median of %d)\n",
                qlonglong(names.size()), scan, runs);
    std::printf("unzip -p of the XML parts it reads:         %8.1f ms   scan / this = %.2f (target <= 2)\n",
                xmlOnly, scan / xmlOnly);
    std::printf("unzip -qq -d of the whole archive:          %8.1f ms   this / scan = %.1f (target >= 10)\n",
                wholeArchive, wholeArchive / scan);
    // The scan as the programs run it: with the document reader, in this process (kernwick-check) and
    // through the helper program (the window).
    const FontScanner inProcess{MetadataQuery(DocumentReader(&fontmeta::queryDocumentAnswer))};
    const double scanInProcess = medianMilliseconds(runs, [&] { names = inProcess.scanFonts(deck); });
    const FontScanner throughHelper(
        MetadataQuery(QCoreApplication::applicationDirPath() + u"/kernwick-fontmeta"_s));
    const double scanHelper = medianMilliseconds(runs, [&] { names = throughHelper.scanFonts(deck); });
    std::printf("scan with the reader in process (%lld names): %6.1f ms   / unzip -p = %.2f\n",
                qlonglong(names.size()), scanInProcess, scanInProcess / xmlOnly);
    std::printf("scan with the reader in the helper:         %8.1f ms   / unzip -p = %.2f\n\n", scanHelper,
                scanHelper / xmlOnly);

    FontconfigFontSource fonts;
    FontResolver resolver(fonts);
    QStringList installed;
    for (const FontCatalog::Face &face : fonts.snapshot()->faces()) {
        if (!face.postScriptName.isEmpty() && !installed.contains(face.postScriptName))
            installed.append(face.postScriptName);
    }
    QStringList wanted;
    for (int i = 0; i < 250; ++i)
        wanted.append(installed[qsizetype(i) * installed.size() / 250]);
    for (int i = 0; i < 250; ++i)
        wanted.append(u"Absent Typeface %1"_s.arg(i));
    FontStatusItems items;
    const double resolve = medianMilliseconds(runs, [&] { items = resolver.resolveFonts(wanted); });
    QElapsedTimer cold;
    cold.start();
    FontconfigFontSource freshFonts;
    FontResolver(freshFonts).resolveFonts(wanted);
    const double firstPass = double(cold.nsecsElapsed()) / 1e6;
    // With faces and permissions: every style-linked face of each found family read with FreeType once,
    // and the metric twins of every missing name asked of fontconfig's rules on every pass.
    cold.restart();
    FontconfigFontSource detailFonts;
    FontResolver detailResolver(detailFonts);
    FontStatusItems detailed = detailResolver.resolveFonts(wanted, FontNaming::family);
    const double firstDetailedPass = double(cold.nsecsElapsed()) / 1e6;
    const double resolveDetailed =
        medianMilliseconds(runs, [&] { detailed = detailResolver.resolveFonts(wanted, FontNaming::family); });
    qsizetype faceCount = 0;
    for (const FontStatusItem &item : std::as_const(detailed))
        faceCount += item.faces.size();
    std::printf("resolve 500 names (%lld missing) against %lld installed faces:\n",
                qlonglong(missingCount(items)), qlonglong(fonts.snapshot()->faceCount()));
    std::printf("  cold, the first pass as every real run has it, fontconfig loading included:\n"
                "                                            %8.1f ms\n",
                firstPass);
    std::printf("  a warm pass:                              %8.1f ms   (target < 100)\n", resolve);
    std::printf("with faces and permissions (%lld faces):\n", qlonglong(faceCount));
    std::printf("  cold, the first pass, every face file read: %6.1f ms\n", firstDetailedPass);
    std::printf(
        "  a warm pass:                              %8.1f ms   (target < 50)   with / without = %.2f\n",
        resolveDetailed, resolveDetailed / resolve);

    // A hostile deck's worth of names: 10,000 distinct ones of 255 characters, none installed.
    QStringList hostile;
    for (int i = 0; i < 10000; ++i)
        hostile.append(u"Typeface %1 "_s.arg(i).leftJustified(255, u'x'));
    const double hostilePass = medianMilliseconds(std::min(runs, 3), [&] {
        FontconfigFontSource freshSource;
        FontResolver(freshSource).resolveFonts(hostile, FontNaming::family);
    });
    std::printf("10,000 distinct 255-character names, a first pass with faces and twins:\n"
                "                                            %8.1f ms   (target < 1000)\n",
                hostilePass);
    return 0;
}
