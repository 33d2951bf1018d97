// kernwick-check in one font world: decks, folders, usage, faces, licenses, embedded fonts, twins, packages.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testfontfiles.h>
#include <testsupport/testfonts.h>
#include <testsupport/testprocess.h>
#include <testsupport/testverify.h>
#include <testsupport/testzip.h>
#include <unistd.h>

#include <fstream>

using namespace Qt::StringLiterals;
using namespace kernwick;

namespace {

const QByteArray Ns = "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
                      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

// A relationships part: "Type Target" pairs separated by semicolons, numbered rId1, rId2, ...
QByteArray rels(const QByteArray &relationships)
{
    QByteArray xml = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    int id = 0;
    for (const QByteArray &relationship : relationships.split(';')) {
        const QList<QByteArray> fields = relationship.trimmed().split(' ');
        xml += "<Relationship Id=\"rId" + QByteArray::number(++id) +
               "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" +
               fields.value(0) + "\" Target=\"" + fields.value(1) + "\"/>";
    }
    return xml + "</Relationships>";
}

// A deck whose presentation part holds `body` and has `relationships`, with `parts` beside it.
bool writeDeck(const QString &path, const QByteArray &body, const QByteArray &relationships,
               const QList<std::pair<QString, QByteArray>> &parts)
{
    test::TestZip zip(path);
    zip.add(u"[Content_Types].xml"_s, "<Types/>");
    zip.add(u"_rels/.rels"_s, rels("officeDocument ppt/presentation.xml"));
    zip.add(u"ppt/presentation.xml"_s, "<p:presentation " + Ns + '>' + body + "</p:presentation>");
    zip.add(u"ppt/_rels/presentation.xml.rels"_s, rels(relationships));
    for (const auto &[name, bytes] : parts)
        zip.add(name, bytes);
    return zip.close();
}

// A slide of one shape holding `paragraph`.
QByteArray slide(const QByteArray &paragraph)
{
    return "<p:sld " + Ns + "><p:cSld><p:spTree><p:sp><p:txBody><a:p>" + paragraph +
           "</a:p></p:txBody></p:sp></p:spTree></p:cSld></p:sld>";
}

// The text without the lines indented by `spaces`: 4 tell where each font is used, 6 its faces and license.
QString withoutLines(const QString &text, qsizetype spaces)
{
    QStringList lines = text.split(u'\n');
    lines.removeIf([spaces](const QString &line) {
        return line.startsWith(QString(spaces, u' ')) && !line.startsWith(QString(spaces + 1, u' '));
    });
    return lines.join(u'\n');
}

} // namespace

using test::fixture;

class KernwickCheckTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void oneDeck();
    void usageErrorsAndUnreadableArguments_data();
    void usageErrorsAndUnreadableArguments();
    void packagesForTheShow();
    void declaredOnlyFonts();
    void missingCharacters();
    void embeddedFaceCoverage();
    void severalDecksAndFolders();
    void facesLicensesEmbeddedAndTwins();
    void onlyTheFacesTheDeckNames();
    void licenceHeldFonts();

private:
    test::ProgramRun check(const QStringList &arguments) const
    {
        return test::runProgram(QStringLiteral(KERNWICK_BIN_DIR "/kernwick-check"), arguments,
                                m_fonts->environment());
    }
    QString path(const QString &relative) const { return QDir(m_folder.path()).filePath(relative); }
    // A deck at `relative` of one slide, bare of anything else, holding `slide`.
    QString oneSlideDeck(const QString &relative, const QByteArray &slide) const
    {
        return test::writeFile(path(relative), test::TestZip::build({{u"ppt/slides/slide1.xml"_s, slide}}))
                   ? path(relative)
                   : QString();
    }

    std::unique_ptr<test::TestFonts> m_fonts;
    QTemporaryDir m_folder;
    QString m_readyDeck;
    QString m_noise;
    QString m_typeface;
    QString m_keynote;
    QString m_showDeck;
};

void KernwickCheckTest::initTestCase()
{
    m_fonts = std::make_unique<test::TestFonts>();
    QVERIFY(m_fonts->isValid());
    // Three decks (one a Keynote package) beside a lock file, a hidden folder and a link back up the tree.
    for (const QString &folder : {u"decks/ready"_s, u"decks/office/.hidden"_s, u"decks/keynote"_s})
        QVERIFY(QDir().mkpath(path(folder)));
    m_readyDeck = oneSlideDeck(
        u"decks/ready/Ready Talk.pptx"_s,
        R"(<p:sld><a:latin typeface="DejaVu Sans"/><a:latin typeface="LiberationSans-Bold"/></p:sld>)");
    QVERIFY(!m_readyDeck.isEmpty());
    m_noise = path(u"Noise.pptx"_s);
    QVERIFY(test::writeFile(m_noise, QByteArray(4096, '\x5a')));
    m_typeface = path(u"decks/office/Typeface.pptx"_s);
    QVERIFY(QFile::copy(fixture(u"pptx/txt-font-typeface.pptx"_s), m_typeface));
    QVERIFY(QFile::copy(m_typeface, path(u"decks/office/~$Typeface.pptx"_s)));
    QVERIFY(QFile::copy(m_typeface, path(u"decks/office/.hidden/Hidden.pptx"_s)));
    m_keynote = path(u"decks/keynote/Talk.key"_s);
    QCOMPARE(QProcess::execute(u"cp"_s, {u"-a"_s, fixture(u"key/package-keynote6.key"_s), m_keynote}), 0);
    QVERIFY(QFile::link(path(u"decks"_s), path(u"decks/office/loop"_s)));
    QVERIFY(QFile::link(m_readyDeck, path(u"decks/office/Same.pptx"_s))); // the same deck, reached twice

    // Liberation Sans gets its fourth face; Caladea's regular face has a restricted license.
    const QString user = m_fonts->userFontFolder();
    const QString crosextra = u"/usr/share/fonts/truetype/crosextra/"_s;
    QVERIFY(test::TestFonts::copyLiberationFont(u"LiberationSans-Italic.ttf"_s, user));
    for (const QString &font : {u"Carlito-Regular.ttf"_s, u"Caladea-Regular.ttf"_s, u"Caladea-Bold.ttf"_s})
        QVERIFY(test::TestFonts::copyFontFile(crosextra + font, user));
    QVERIFY(test::setEmbeddingBits(user + u"/Caladea-Regular.ttf"_s, 0x0002));

    // A deck that embeds two faces of Liberation Sans and names a restricted and a missing font.
    m_showDeck = path(u"Show.pptx"_s);
    QVERIFY(writeDeck(
        m_showDeck,
        R"(<p:embeddedFontLst><p:embeddedFont><p:font typeface="Liberation Sans"/><p:regular r:id="rId1"/>)"
        R"(<p:bold r:id="rId2"/></p:embeddedFont></p:embeddedFontLst><p:defaultTextStyle><a:defRPr>)"
        R"(<a:latin typeface="Caladea"/><a:ea typeface="Calibri"/></a:defRPr></p:defaultTextStyle>)",
        "font fonts/font1.fntdata; font fonts/font2.fntdata",
        {{u"ppt/fonts/font1.fntdata"_s, "regular"}, {u"ppt/fonts/font2.fntdata"_s, "bold"}}));
}

void KernwickCheckTest::oneDeck()
{
    test::ProgramRun run = check({m_readyDeck});
    QCOMPARE(run.exitCode, 0);
    // The lines under each font (faces, license) are facesLicensesEmbeddedAndTwins's to check.
    const QString expected = uR"(%1
  DejaVu Sans          System Font   /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
  LiberationSans-Bold  Found         %2/LiberationSans-Bold.ttf
  Ready for Handoff: Found: 1 | System: 1 | Restricted: 0 | Missing: 0 | Needs Review: 0
)"_s;
    QCOMPARE(withoutLines(run.out, 6), expected.arg(m_readyDeck, m_fonts->userFontFolder()));

    // A long name is cut in the text, whole in JSON; one too long for a font name is told on stderr.
    const QString longName = u"Long "_s.repeated(20).trimmed();
    const QString deck =
        oneSlideDeck(u"Long.pptx"_s, "<a:latin typeface=\"" + longName.toUtf8() + "\"/><a:latin typeface=\"" +
                                         QByteArray(300, 'X') + "\"/>");
    run = check({deck});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.contains(u"\n  "_s + longName.first(59) + u"…  Missing"_s));
    KERNWICK_VERIFY_CONTAINS(run.err, deck + u": left out 1 font name(s) longer than 256 characters\n"_s);
    const QJsonValue file = check({u"--json"_s, deck}).json()[u"files"_s][0];
    QCOMPARE(file[u"fonts"_s][0][u"name"_s].toString(), longName);
    QVERIFY(file[u"notes"_s].toArray().contains(u"left out 1 font name(s) longer than 256 characters"_s));

    // A package folder named with the slash that completion adds.
    run = check({fixture(u"key/package-keynote6.key/"_s)});
    QVERIFY2(run.exitCode == 0 || run.exitCode == 1, qPrintable(run.err));
    QVERIFY(run.out.contains(u"  MarkerFelt-Thin "_s));
}

void KernwickCheckTest::usageErrorsAndUnreadableArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing to check") << QStringList() << u"no presentation given"_s;
    QTest::newRow("unknown option") << QStringList{u"--frobnicate"_s, m_readyDeck} << u"frobnicate"_s;
    QTest::newRow("not a presentation") << QStringList{fixture(u"README.md"_s)} << u"not a presentation"_s;
    QTest::newRow("not a presentation, JSON")
        << QStringList{u"--json"_s, m_noise} << u"not a zip archive, so not a .pptx presentation"_s;
    QTest::newRow("a folder without presentations")
        << QStringList{fixture(u"licenses"_s)} << u"no presentations in this folder"_s;
    QTest::newRow("one bad among good ones") << QStringList{m_readyDeck, u"/nonexistent/Talk.key"_s}
                                             << u"/nonexistent/Talk.key: no such file or folder"_s;
    QTest::newRow("package into no folder") << QStringList{u"--package"_s, path(u"absent"_s), m_readyDeck}
                                            << u"the destination must be an existing folder"_s;
    QTest::newRow("no workers") << QStringList{u"-j"_s, u"0"_s, m_readyDeck}
                                << u"-j takes a number of workers from 1 to 256"_s;
    // Decks that cannot be read at all are no decks without fonts: their own reason, exit status 2.
    QTest::newRow("random bytes named .pptx")
        << QStringList{m_noise}
        << m_noise + u": cannot be read: not a zip archive, so not a .pptx presentation"_s;
    QTest::newRow("encrypted, no summary")
        << QStringList{fixture(u"pptx/encrypted.pptx"_s)} << u"encrypted.pptx: cannot be read: "_s;
    QTest::newRow("encrypted, among ready ones")
        << QStringList{m_readyDeck, fixture(u"ppt/encrypted.ppt"_s)} << u"password-protected"_s;
}

void KernwickCheckTest::usageErrorsAndUnreadableArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const test::ProgramRun run = check(arguments);
    QCOMPARE(run.exitCode, 2);
    KERNWICK_VERIFY_CONTAINS(run.err, message);
    if (arguments.contains(u"--json"_s)) // the reason in the JSON too, never an empty font list alone
        QCOMPARE(run.json()[u"files"_s][0][u"error"_s].toString(), message);
    if (arguments.startsWith(m_readyDeck))
        QVERIFY(run.out.contains(u"Ready for Handoff"_s));
}

void KernwickCheckTest::packagesForTheShow()
{
    const QString destination = path(u"show"_s);
    QVERIFY(QDir().mkpath(destination));
    test::ProgramRun run = check({u"--package"_s, destination, m_readyDeck});
    QCOMPARE(run.exitCode, 0);
    // The package's full path and a one-line outcome; the builder's diagnostics only with --verbose.
    QCOMPARE(run.out, m_readyDeck + u"\n  "_s + destination +
                          u"/Ready Talk_package\n"
                          u"  Package created: Ready Talk_package (1 font).\n"_s);
    QVERIFY(!run.err.contains(u"[Package]"_s));
    const QDir package(destination + u"/Ready Talk_package"_s);
    QCOMPARE(
        package.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
        (QStringList{u"Fonts"_s, u"Ready Talk.pptx"_s, u"font-report.txt"_s, u"handoff-manifest.json"_s}));

    // Built again without the presentation and the report: replaced whole.
    run = check({u"--package"_s, destination, u"--no-presentation"_s, u"--no-report"_s, m_readyDeck});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(package.entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             (QStringList{u"Fonts"_s, u"handoff-manifest.json"_s}));

    // A deck that cannot be read is not packaged.
    run = check({u"--package"_s, destination, fixture(u"ppt/encrypted.ppt"_s)});
    QCOMPARE(run.exitCode, 2);
    KERNWICK_VERIFY_CONTAINS(run.err, u"encrypted.ppt: cannot be read: "_s);
    QVERIFY(!QFileInfo::exists(destination + u"/encrypted_package"_s));

    // A font whose licence keeps it home stays out unless asked for; output, manifest and report say why.
    const QDir fonts(destination + u"/Show_package/Fonts"_s);
    run = check({u"--package"_s, destination, m_showDeck});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out,
             m_showDeck + u"\n  "_s + destination +
                 u"/Show_package\n"
                 u"  Left out: Caladea: its licence does not allow passing it on (No Redistribution) "
                 u"(--include-restricted puts it in)\n"
                 u"  Package created: Show_package (1 font). 1 font left out: Caladea (licence).\n"_s);
    QVERIFY(!fonts.entryList().join(u' ').contains(u"Caladea"_s));
    QVERIFY(test::readFile(destination + u"/Show_package/handoff-manifest.json"_s)
                .contains(R"x("leftOut": "its licence does not allow passing it on (No Redistribution)")x"));
    QVERIFY(QString::fromUtf8(test::readFile(destination + u"/Show_package/font-report.txt"_s))
                .contains(u"\nLeft Out (1):\n- Caladea: its licence"_s));
    run = check({u"--package"_s, destination, u"--include-restricted"_s, u"--verbose"_s, m_showDeck});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!run.out.contains(u"Left out"_s));
    QVERIFY(run.err.contains(u"[Package] Copied font: Caladea\n"_s));
    QVERIFY(fonts.exists(u"Caladea-Regular.ttf"_s));

    // Several decks; a second deck of one name would replace the first one's package: it is not built.
    const QString other = path(u"other/Ready Talk.pptx"_s);
    QVERIFY(QDir().mkpath(path(u"other"_s)) && QFile::copy(m_readyDeck, other));
    run = check({u"--package"_s, destination, m_readyDeck, m_typeface, other});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(QFileInfo(destination + u"/Ready Talk_package/Fonts/LiberationSans-Bold.ttf"_s).isFile());
    QVERIFY(QFileInfo(destination + u"/Typeface_package/handoff-manifest.json"_s).isFile());
    QVERIFY(run.err.contains(other + u": another presentation's package is named Ready Talk_package"_s));
    QVERIFY(QFileInfo(destination + u"/Ready Talk_package/Ready Talk.pptx"_s).isFile());

    // One deck named twice is built once; its name is shown without controls or a reversal of the text.
    const QString odd = path(u"odd/Odd\u001b[2J\u202Eyek.pptx"_s);
    QVERIFY(QDir().mkpath(path(u"odd"_s)) && QFile::copy(m_readyDeck, odd));
    run = check({u"--package"_s, destination, path(u"odd"_s), odd});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.count(u"Package created: "_s), 1);
    QVERIFY2(!run.out.contains(QChar(0x1b)) && !run.out.contains(QChar(0x202E)), qPrintable(run.out));
    QVERIFY(run.out.startsWith(path(u"odd/Odd [2J yek.pptx\n"_s)));
    QVERIFY(test::readFile(destination + u"/Odd\u001b[2J\u202Eyek_package/font-report.txt"_s)
                .contains("Source File: Odd [2J yek.pptx\n"));
    // A name in an older encoding than UTF-8 (a Latin-1 "Caf\xe9") is checked and packaged, given or found in
    // a folder: shown with U+FFFD where its bytes do not decode, its copy in the package the deck's very
    // bytes, and nothing of the links that reached it left in the temporary folder.
    QVERIFY(QDir().mkpath(path(u"latin1"_s)) && QDir().mkpath(path(u"names"_s)));
    const QByteArray latin1 = QFile::encodeName(path(u"latin1/"_s)) + "Caf\xe9.pptx";
    QVERIFY(test::writeFile(path(u"latin1/ok.pptx"_s), test::readFile(m_readyDeck)));
    QVERIFY(QFile::copy(m_readyDeck, path(u"latin1/copy"_s)) &&
            ::rename(QFile::encodeName(path(u"latin1/copy"_s)).constData(), latin1.constData()) == 0);
    QProcessEnvironment environment = m_fonts->environment();
    environment.insert(u"TMPDIR"_s, path(u"names"_s));
    const QString shown = path(u"latin1/Caf\uFFFD.pptx"_s);
    for (const QString &given : {QString::fromLatin1(latin1), path(u"latin1"_s)}) {
        const QString packages = path(u"latin1-packages-"_s + QString::number(given.size()));
        QVERIFY(QDir().mkpath(packages));
        const auto latin1Check = [&](const QStringList &options) {
            return test::runProgram(
                u"/bin/sh"_s,
                QStringList{u"-c"_s,
                            u"p=\"$(printf '%s' \"$1\" | iconv -f UTF-8 -t LATIN1)\"; shift 2; "
                            u"exec \"$0\" \"$@\" \"$p\""_s,
                            QStringLiteral(KERNWICK_BIN_DIR "/kernwick-check"), given, u"-"_s} +
                    options,
                environment);
        };
        const test::ProgramRun checked = latin1Check({u"--json"_s});
        QCOMPARE(checked.exitCode, 0);
        QVERIFY2(checked.out.contains(u"\"path\": \""_s + shown + u'"'),
                 qPrintable(checked.out + checked.err));
        const test::ProgramRun packaged = latin1Check({u"--package"_s, packages});
        QCOMPARE(packaged.exitCode, 0);
        KERNWICK_VERIFY_CONTAINS(packaged.out, shown + u'\n');
        QCOMPARE(test::readFile(packages + u"/Caf\uFFFD_package/Caf\uFFFD.pptx"_s),
                 test::readFile(m_readyDeck));
        QVERIFY(QDir(path(u"names"_s)).isEmpty());
    }
    // The deck itself is as it was.
    std::ifstream original(latin1.constData(), std::ios::binary);
    const std::string originalBytes{std::istreambuf_iterator<char>(original), {}};
    QCOMPARE(QByteArray::fromStdString(originalBytes), test::readFile(m_readyDeck));
    // Every option --help lists works.
    QCOMPARE(check({u"--help-all"_s}).exitCode, 0);
}

void KernwickCheckTest::declaredOnlyFonts()
{
    // The slide's text draws DejaVu Sans; the master's second bullet level names a face nobody has.
    const QString deck = path(u"Ghost.pptx"_s);
    QVERIFY(writeDeck(
        deck, R"(<p:sldIdLst><p:sldId r:id="rId1"/></p:sldIdLst>)", "slide slides/slide1.xml",
        {{u"ppt/slides/slide1.xml"_s,
          slide(R"(<a:r><a:rPr><a:latin typeface="DejaVu Sans"/></a:rPr><a:t>x</a:t></a:r>)")},
         {u"ppt/slides/_rels/slide1.xml.rels"_s, rels("slideLayout ../slideLayouts/slideLayout1.xml")},
         {u"ppt/slideLayouts/slideLayout1.xml"_s, "<p:sldLayout " + Ns + "/>"},
         {u"ppt/slideLayouts/_rels/slideLayout1.xml.rels"_s, rels("slideMaster ../slideMasters/m1.xml")},
         {u"ppt/slideMasters/m1.xml"_s,
          "<p:sldMaster " + Ns +
              R"(><p:txStyles><p:bodyStyle><a:lvl2pPr><a:buFont typeface="Ghost Face"/><a:buChar char="-"/>)"
              "</a:lvl2pPr></p:bodyStyle></p:txStyles></p:sldMaster>"}}));

    test::ProgramRun run = check({deck});
    QCOMPARE(run.exitCode, 1);
    KERNWICK_VERIFY_CONTAINS(
        run.out, u"  Ghost Face   Missing       —\n    not used by any text (slide master 1)\n"_s);
    KERNWICK_VERIFY_CONTAINS(run.out, u"\n    used on slide 1\n"_s);
    QVERIFY(run.out.contains(u"Needs Attention: "_s));

    // Only the drawn text counts: ready, and the left-out font is still listed.
    run = check({u"--used-only"_s, deck});
    QCOMPARE(run.exitCode, 0);
    KERNWICK_VERIFY_CONTAINS(run.out, u"Ready for Handoff: "_s);
    KERNWICK_VERIFY_CONTAINS(run.out, u"(leaving out 1 font(s) no text uses)"_s);
    QVERIFY(run.out.contains(u"  Ghost Face "_s));

    run = check({u"--json"_s, deck});
    QCOMPARE(run.exitCode, 1);
    for (const QJsonValue font : run.json()[u"files"_s][0][u"fonts"_s].toArray()) {
        const bool ghost = font[u"name"_s] == u"Ghost Face"_s;
        QCOMPARE(font[u"used"_s].toBool(), !ghost);
        QCOMPARE(font[u"usedIn"_s].toArray(), ghost ? QJsonArray() : QJsonArray{u"slide 1"_s});
        QCOMPARE(font[u"places"_s].toArray(), QJsonArray{ghost ? u"slide master 1"_s : u"slide 1"_s});
    }
}

void KernwickCheckTest::missingCharacters()
{
    // Liberation Sans has no Armenian; DejaVu Sans, drawing East Asian text here, no Chinese at all.
    QString chinese;
    QStringList listed;
    for (char16_t c = 0x4e00; c < 0x4e00 + 25; ++c) {
        chinese += QChar(c);
        listed.append(QChar(c));
    }
    const QString liberation =
        u"<a:r><a:rPr><a:latin typeface=\"Liberation Sans\"/></a:rPr><a:t>%1</a:t></a:r>"_s;
    const QString deck = path(u"Armenian.pptx"_s);
    QVERIFY(writeDeck(deck, R"(<p:sldIdLst><p:sldId r:id="rId1"/><p:sldId r:id="rId2"/></p:sldIdLst>)",
                      "slide slides/slide1.xml; slide slides/slide2.xml",
                      {{u"ppt/slides/slide1.xml"_s, slide(liberation.arg(u"Hello"_s).toUtf8())},
                       {u"ppt/slides/slide2.xml"_s, slide((liberation.arg(u"Բարեւ"_s) +
                                                           u"<a:r><a:rPr><a:ea typeface=\"DejaVu Sans\"/>"_s +
                                                           u"</a:rPr><a:t>"_s + chinese + u"</a:t></a:r>"_s)
                                                              .toUtf8())}}));

    test::ProgramRun run = check({deck});
    QCOMPARE(run.exitCode, 0); // the same files travel: the verdict does not change
    KERNWICK_VERIFY_CONTAINS(run.out,
                             u"\n    used on slides 1–2\n    5 characters not in Liberation Sans: Բ ա ե ր ւ "
                             u"(slide 2)\n"_s);
    KERNWICK_VERIFY_CONTAINS(run.out, u"\n    25 characters not in DejaVu Sans: "_s +
                                          listed.first(20).join(u' ') + u" … and 5 more (slide 2)\n"_s);

    run = check({u"--json"_s, deck});
    const QJsonArray fonts = run.json()[u"files"_s][0][u"fonts"_s].toArray();
    QJsonObject missing;
    for (const QJsonValue font : fonts) {
        if (font[u"name"_s] == u"Liberation Sans"_s)
            missing = font[u"missingCharacters"_s].toObject();
        else
            QCOMPARE(font[u"missingCharacters"_s][u"count"_s].toInt(), 25);
    }
    QCOMPARE(missing[u"characters"_s].toString(), u"Բարեւ"_s.first(1) + u"աերւ"_s);
    QCOMPARE(missing[u"count"_s].toInt(), 5);
    QCOMPARE(missing[u"places"_s].toArray(), QJsonArray{u"slide 2"_s});
}

void KernwickCheckTest::embeddedFaceCoverage()
{
    // Fonts installed nowhere here, carried by the deck as a plain font file or as Embedded OpenType;
    // Liberation has neither Armenian nor Chinese, DejaVu no Chinese; damaged faces tell nothing.
    const QByteArray sans =
        test::readFile(u"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"_s);
    const QByteArray dejaVu = test::readFile(u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"_s);
    const QList<std::tuple<QByteArray, QList<QByteArray>, QString>> fonts = {
        {"Carried Sans", {test::embeddedOpenType(sans, 0x10000000)}, u"Hi Բարեւ 漢"_s},
        {"Two Faces", {sans, test::embeddedOpenType(dejaVu)}, u"Բ漢"_s},
        {"Compressed", {test::embeddedOpenType(sans, 0x4)}, u"Բ"_s},
        {"Truncated", {test::embeddedOpenType(sans).first(60)}, u"Բ"_s},
        {"Sizes beyond the data", {test::embeddedOpenType(sans).chopped(1)}, u"Բ"_s},
    };
    test::TestZip zip(path(u"Carried.pptx"_s));
    QByteArray list, targets, runs;
    int part = 0;
    for (const auto &[name, faces, text] : fonts) {
        list += "<p:embeddedFont><p:font typeface=\"" + name + "\"/>";
        for (const QByteArray &face : faces) {
            const QByteArray number = QByteArray::number(++part);
            list += (face == faces[0] ? "<p:regular r:id=\"rId" : "<p:bold r:id=\"rId") + number + "\"/>";
            targets += "font fonts/font" + number + ".fntdata; ";
            zip.add(u"ppt/fonts/font"_s + QString::fromLatin1(number) + u".fntdata"_s, face);
        }
        list += "</p:embeddedFont>";
        runs += "<a:r><a:rPr><a:latin typeface=\"" + name + "\"/><a:ea typeface=\"" + name +
                "\"/></a:rPr><a:t>" + text.toUtf8() + "</a:t></a:r>";
    }
    zip.add(u"[Content_Types].xml"_s, "<Types/>");
    zip.add(u"_rels/.rels"_s, rels("officeDocument ppt/presentation.xml"));
    zip.add(u"ppt/presentation.xml"_s,
            "<p:presentation " + Ns + "><p:sldIdLst><p:sldId r:id=\"rId" + QByteArray::number(part + 1) +
                "\"/></p:sldIdLst><p:embeddedFontLst>" + list + "</p:embeddedFontLst></p:presentation>");
    zip.add(u"ppt/_rels/presentation.xml.rels"_s, rels(targets + "slide slides/slide1.xml"));
    zip.add(u"ppt/slides/slide1.xml"_s, "<p:sld " + Ns + "><p:cSld><p:spTree><p:sp><p:txBody><a:p>" + runs +
                                            "</a:p></p:txBody></p:sp></p:spTree></p:cSld></p:sld>");
    QVERIFY(zip.close());

    QCOMPARE(check({path(u"Carried.pptx"_s)}).out.split(u'\n').filter(u" not in "_s),
             (QStringList{u"    6 characters not in Carried Sans: Բ ա ե ր ւ 漢 (slide 1)"_s,
                          u"    1 character not in Two Faces: 漢 (slide 1)"_s}));
}

void KernwickCheckTest::severalDecksAndFolders()
{
    const test::ProgramRun run = check({u"-j"_s, u"2"_s, path(u"decks"_s)});
    QCOMPARE(run.exitCode, 1);
    // Each deck once, the Keynote package as one document; the loop told, not followed.
    QCOMPARE(run.out.split(u'\n').filter(QRegularExpression(u"^/"_s)),
             (QStringList{m_keynote, path(u"decks/office/Same.pptx"_s), m_typeface}));
    KERNWICK_VERIFY_CONTAINS(run.err, path(u"decks/office/loop"_s) + u": a folder walked already"_s);
    // With one worker the answer is the same.
    QCOMPARE(check({u"-j"_s, u"1"_s, path(u"decks"_s)}).out, run.out);
    // Legacy decks read side by side, the first two at once in each fresh process: never a crash.
    QVERIFY(QDir().mkpath(path(u"legacy"_s)));
    for (int n = 0; n < 8; ++n)
        QVERIFY(QFile::copy(test::fixture(u"ppt/plain.ppt"_s), path(u"legacy/%1.ppt"_s.arg(n))));
    for (int attempt = 0; attempt < 12; ++attempt)
        QCOMPARE(check({u"-j"_s, u"2"_s, path(u"legacy"_s)}).exitCode, 1);
    // The summary under the decks names what is not ready, and where.
    const QString summary = run.out.mid(run.out.indexOf(u"\nSummary: "_s) + 1);
    QVERIFY2(summary.startsWith(u"Summary: 3 presentations, 1 ready for handoff, 2 need attention\n"_s),
             qPrintable(summary));
    QVERIFY(summary.simplified().contains(u"Verdana Missing 1 presentation "_s + m_typeface));
    QVERIFY(!summary.contains(u"LiberationSans-Bold"_s)); // installed: ready

    // The same decks given one by one, in JSON.
    const test::ProgramRun json = check({u"--json"_s, m_readyDeck, m_typeface, m_keynote});
    QCOMPARE(json.exitCode, 1);
    const QJsonValue result = json.json();
    QCOMPARE(result[u"readyForHandoff"_s].toBool(true), false);
    const QJsonArray files = result[u"files"_s].toArray();
    QCOMPARE(files.size(), 3);
    const QJsonValue ready = files[0];
    QCOMPARE(ready[u"path"_s].toString(), m_readyDeck);
    QCOMPARE(ready[u"readyForHandoff"_s].toBool(), true);
    QCOMPARE(ready[u"counts"_s][u"system"_s].toInt(), 1);
    QCOMPARE(ready[u"fonts"_s][0][u"status"_s].toString(), u"System"_s);
    for (const QJsonValue font : files[1][u"fonts"_s].toArray()) {
        if (font[u"status"_s].toString() == u"Missing")
            QVERIFY(font[u"file"_s].isNull());
    }
    QJsonValue gillSans;
    for (const QJsonValue font : result[u"fontsNotReady"_s].toArray()) {
        if (font[u"name"_s].toString() == u"GillSans")
            gillSans = font;
        QCOMPARE(font[u"status"_s].toString(), u"Missing"_s);
    }
    QCOMPARE(gillSans[u"presentations"_s].toArray(), QJsonArray{m_keynote});

    // Every deck ready: exit status 0.
    QCOMPARE(check({m_readyDeck, path(u"decks/ready"_s)}).exitCode, 0);
    // A link out of the folder given is noted, not followed: neither the whole machine nor decks elsewhere.
    QVERIFY(QFile::link(u"/"_s, path(u"decks/ready/everything"_s)) &&
            QFile::link(m_showDeck, path(u"decks/ready/Show.pptx"_s)));
    const test::ProgramRun linked = check({path(u"decks/ready"_s)});
    QFile::remove(path(u"decks/ready/everything"_s));
    QFile::remove(path(u"decks/ready/Show.pptx"_s));
    QCOMPARE(linked.exitCode, 0);
    KERNWICK_VERIFY_CONTAINS(linked.err,
                             path(u"decks/ready/Show.pptx: a link out of the folder, not followed"_s));
    QVERIFY(!linked.out.contains(u"Show"_s));

    // A folder that cannot be read is told: not everything could be checked.
    if (::geteuid() == 0)
        QSKIP("the superuser reads every folder");
    const QString locked = path(u"locked"_s);
    QVERIFY(QDir().mkpath(locked + u"/inner"_s));
    QVERIFY(QFile::copy(m_readyDeck, locked + u"/inner/Deck.pptx"_s));
    QVERIFY(QFile::setPermissions(locked + u"/inner"_s, QFile::Permissions()));
    const test::ProgramRun unreadable = check({locked});
    QVERIFY(
        QFile::setPermissions(locked + u"/inner"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(unreadable.exitCode, 1);
    KERNWICK_VERIFY_CONTAINS(unreadable.err, locked + u"/inner: cannot be read"_s);
}

void KernwickCheckTest::facesLicensesEmbeddedAndTwins()
{
    test::ProgramRun run = check({m_showDeck});
    QVERIFY2(run.exitCode == 1, qPrintable(run.out)); // Calibri is missing, twin or not
    const QString expected = uR"(%1
  Caladea          Found         %2/Caladea-Regular.ttf
      Regular:     %2/Caladea-Regular.ttf
      Bold:        %2/Caladea-Bold.ttf
      Licence: No Redistribution
      In package: Left out: licence
  Calibri          Missing       —
      Carlito is installed and has the same metrics
  Liberation Sans  Found         %2/LiberationSans-Regular.ttf
      Regular:     %2/LiberationSans-Regular.ttf
      Bold:        %2/LiberationSans-Bold.ttf
      Italic:      %2/LiberationSans-Italic.ttf
      Bold Italic: %2/LiberationSans-BoldItalic.ttf
      Licence: Installable
      Embedded in the presentation (Regular, Bold)
  Needs Attention: Found: 2 | System: 0 | Restricted: 0 | Missing: 1 | Needs Review: 0
)"_s;
    QCOMPARE(withoutLines(run.out, 4), expected.arg(m_showDeck, m_fonts->userFontFolder()));

    const QJsonArray fonts = check({u"--json"_s, m_showDeck}).json()[u"files"_s][0][u"fonts"_s].toArray();
    QCOMPARE(fonts.size(), 3);
    QCOMPARE(fonts[0][u"permission"_s].toString(), u"No Redistribution"_s);
    QCOMPARE(fonts[0][u"inPackage"_s].toString(), u"Left out: licence"_s);
    QCOMPARE(fonts[0][u"faces"_s].toArray().size(), 2);
    QCOMPARE(fonts[1][u"metricTwins"_s].toArray(), QJsonArray{u"Carlito"_s});
    QVERIFY(!fonts[1].toObject().contains(u"faces"_s));
    QCOMPARE(fonts[2][u"embeddedFaces"_s].toArray(), (QJsonArray{u"Regular"_s, u"Bold"_s}));
    QCOMPARE(fonts[2][u"faces"_s][3][u"style"_s].toString(), u"Bold Italic"_s);
}

void KernwickCheckTest::onlyTheFacesTheDeckNames()
{
    // Families whose names contain or are contained in the deck's, and one without the face it asks for.
    const QString user = m_fonts->userFontFolder();
    const QString liberation = u"/usr/share/fonts/truetype/liberation2/LiberationSans-"_s;
    const QStringList added = {user + u"/NotoSansGeorgian-Regular.ttf"_s, user + u"/Arial-Black.ttf"_s,
                               user + u"/HelveticaNeue.ttf"_s};
    auto removeAdded = qScopeGuard([&added] {
        for (const QString &file : added)
            QFile::remove(file);
    });
    QVERIFY(QFile::copy(u"/usr/share/fonts/truetype/noto/NotoSansGeorgian-Regular.ttf"_s, added[0]));
    QVERIFY(test::writeRenamedFont(
        liberation + u"Bold.ttf"_s, added[1],
        {u"Arial Black"_s, u"Regular"_s, u"Arial Black"_s, u"Arial-Black"_s, {}, {}, 900}));
    QVERIFY(
        test::writeRenamedFont(liberation + u"Regular.ttf"_s, added[2],
                               {u"Helvetica Neue"_s, u"Regular"_s, u"Helvetica Neue"_s, u"HelveticaNeue"_s}));

    const QString deck = oneSlideDeck(
        u"Families.pptx"_s,
        R"(<p:sld><a:latin typeface="Georgia"/><a:latin typeface="Arial"/><a:latin typeface="Helvetica Neue"/>)"
        R"(<a:latin typeface="Helvetica Neue Light"/><a:latin typeface="Times New Roman"/>)"
        R"(<a:latin typeface="times new roman"/></p:sld>)");

    test::ProgramRun run = check({deck});
    QCOMPARE(run.exitCode, 1);
    const QString expected = uR"(%1
  Arial                 Missing       —
      Liberation Sans is installed and has the same metrics
  Georgia               Missing       —
  Helvetica Neue        Found         %2/HelveticaNeue.ttf
      Regular:     %2/HelveticaNeue.ttf
      Licence: Installable
  Helvetica Neue Light  Missing       —
      Helvetica Neue is installed, but not its Light face
  Times New Roman       Missing       —
      Liberation Serif is installed and has the same metrics
  Needs Attention: Found: 1 | System: 0 | Restricted: 0 | Missing: 4 | Needs Review: 0
)"_s;
    QCOMPARE(withoutLines(run.out, 4), expected.arg(deck, user));
    const QJsonArray fonts = check({u"--json"_s, deck}).json()[u"files"_s][0][u"fonts"_s].toArray();
    QCOMPARE(fonts[3][u"installedFamily"_s].toString(), u"Helvetica Neue"_s);
    QCOMPARE(fonts[3][u"missingFace"_s].toString(), u"Light"_s);

    // The package takes Helvetica Neue alone, and its manifest tells what of the family is missing.
    const QString destination = path(u"families"_s);
    QVERIFY(QDir().mkpath(destination));
    QCOMPARE(check({u"--package"_s, destination, deck}).exitCode, 0);
    const QString package = destination + u"/Families_package"_s;
    QCOMPARE(QDir(package + u"/Fonts"_s).entryList(QDir::Files), QStringList{u"HelveticaNeue.ttf"_s});
    const QJsonDocument manifest =
        QJsonDocument::fromJson(test::readFile(package + u"/handoff-manifest.json"_s));
    QCOMPARE(manifest[u"fonts"_s][3][u"installedFamily"_s].toString(), u"Helvetica Neue"_s);
    QVERIFY(test::readFile(package + u"/font-report.txt"_s)
                .contains("Helvetica Neue is installed, but not its Light face"));

    // On a machine without those fonts, the package brings Helvetica Neue alone, manifest or not.
    removeAdded.dismiss();
    for (const QString &file : added)
        QVERIFY(QFile::remove(file));
    for (const bool withManifest : {true, false}) {
        if (!withManifest)
            QVERIFY(QFile::remove(package + u"/handoff-manifest.json"_s));
        const QJsonArray verified = check({u"--json"_s, u"--verify"_s, package}).json()[u"fonts"_s].toArray();
        QStringList places;
        for (const QJsonValue &font : verified)
            places.append(font[u"name"_s].toString() + u": "_s + font[u"place"_s].toString());
        QCOMPARE(places,
                 (QStringList{u"Arial: Missing"_s, u"Georgia: Missing"_s, u"Helvetica Neue: In the package"_s,
                              u"Helvetica Neue Light: Missing"_s, u"Times New Roman: Missing"_s}));
    }
}

void KernwickCheckTest::licenceHeldFonts()
{
    // A deck whose used font may not be passed on is not ready, and says why; with --include-restricted it
    // travels.
    const QString deck = oneSlideDeck(u"Held.pptx"_s, R"(<p:sld><a:latin typeface="Caladea"/></p:sld>)");
    test::ProgramRun run = check({deck});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.endsWith(
                 u"  Needs Attention: Found: 1 | System: 0 | Restricted: 0 | Missing: 0 | Needs Review: 0\n"
                 u"  Caladea cannot travel: its licence does not allow passing it on. The show "
                 u"computer needs its own licensed copy.\n"_s),
             qPrintable(run.out));
    const QJsonValue json = check({u"--json"_s, deck}).json()[u"files"_s][0];
    QCOMPARE(json[u"readyForHandoff"_s].toBool(), false);
    QCOMPARE(json[u"heldByLicence"_s].toArray(), QJsonArray{u"Caladea"_s});
    run = check({u"--include-restricted"_s, deck});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains(u"  Ready for Handoff: "_s));
    // With other decks, the summary names it with the reason.
    run = check({deck, m_readyDeck});
    KERNWICK_VERIFY_CONTAINS(run.out, u"  Caladea  Left out: licence  1 presentation\n"_s);
}

QTEST_GUILESS_MAIN(KernwickCheckTest)
#include "tst_kernwickcheck.moc"
