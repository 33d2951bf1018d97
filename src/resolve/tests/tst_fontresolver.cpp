// Font names resolved in a private fontconfig world: which face a name stands for, the verdict by where
// its file lies, the faces that travel with a font, their embedding permissions, and the metric twins of
// missing fonts.
#include <resolve/fontresolver.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testfontfiles.h>
#include <testsupport/testfonts.h>
#include <testsupport/testzip.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

class FontResolverTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void verdictByWhereTheFileLies_data();
    void verdictByWhereTheFileLies();
    void passes();
    void labels_data();
    void labels();
    void facesAndPermissions_data();
    void facesAndPermissions();
    void permissionBits();
    void metricTwinsOfMissingFonts();
    void damagedFontFiles();

private:
    QString userFont(const QString &name) const { return QDir(m_fonts->userFontFolder()).filePath(name); }

    std::unique_ptr<test::TestFonts> m_fonts;
    std::unique_ptr<FontconfigFontSource> m_source;
};

void FontResolverTest::initTestCase()
{
    m_fonts = std::make_unique<test::TestFonts>();
    QVERIFY(m_fonts->isValid());
    // Liberation Sans gets its fourth face; Caladea is a family whose bold face has a restricted licence
    // and whose italics lie in one collection file; Liberation Serif's two faces have different licences.
    const QString user = m_fonts->userFontFolder();
    const QString crosextra = u"/usr/share/fonts/truetype/crosextra/"_s;
    QVERIFY(test::TestFonts::copyLiberationFont(u"LiberationSans-Italic.ttf"_s, user));
    QVERIFY(test::TestFonts::copyLiberationFont(u"LiberationSerif-Bold.ttf"_s, user));
    QVERIFY(test::TestFonts::copyLiberationFont(u"LiberationMono-Italic.ttf"_s, user));
    for (const QString &font : {u"Carlito-Regular.ttf"_s, u"Caladea-Regular.ttf"_s, u"Caladea-Bold.ttf"_s})
        QVERIFY(test::TestFonts::copyFontFile(crosextra + font, user));
    QVERIFY(
        test::writeCollection({crosextra + u"Caladea-Italic.ttf"_s, crosextra + u"Caladea-BoldItalic.ttf"_s},
                              userFont(u"Caladea-Italics.ttc"_s)));
    QVERIFY(test::setEmbeddingBits(userFont(u"Caladea-Bold.ttf"_s), 0x0002));
    QVERIFY(test::setEmbeddingBits(userFont(u"LiberationSerif-Regular.ttf"_s), 0x0004));
    QVERIFY(test::setEmbeddingBits(userFont(u"LiberationSerif-Italic.ttf"_s), 0x0008));
    QVERIFY(test::setEmbeddingBits(userFont(u"Carlito-Regular.ttf"_s), 0x000C));

    // Families whose names contain or are contained in others', made from real faces under new names.
    const QString liberation = u"/usr/share/fonts/truetype/liberation2/LiberationSans-"_s;
    const QString serif = u"/usr/share/fonts/truetype/liberation2/LiberationSerif-"_s;
    const QList<std::pair<QString, test::FontNames>> renamed = {
        {liberation + u"Bold.ttf"_s,
         {u"Arial Black"_s, u"Regular"_s, u"Arial Black"_s, u"Arial-Black"_s, {}, {}, 900}},
        {liberation + u"Regular.ttf"_s,
         {u"Helvetica Neue"_s, u"Regular"_s, u"Helvetica Neue"_s, u"HelveticaNeue"_s}},
        {liberation + u"Regular.ttf"_s,
         {u"Calibri Light"_s, u"Regular"_s, u"Calibri Light"_s, u"Calibri-Light"_s, u"Calibri"_s, u"Light"_s,
          300}},
        {serif + u"Regular.ttf"_s, {u"Gill Sans"_s, u"Regular"_s, u"Gill Sans"_s, u"GillSans"_s}},
        {serif + u"Bold.ttf"_s,
         {u"Gill Sans"_s, u"Bold"_s, u"Gill Sans Bold"_s, u"GillSans-Bold"_s, {}, {}, 700}},
        {liberation + u"Regular.ttf"_s, {u"Segoe UI"_s, u"Regular"_s, u"Segoe UI"_s, u"SegoeUI"_s}},
        {liberation + u"Bold.ttf"_s,
         {u"Segoe UI Semibold"_s, u"Regular"_s, u"Segoe UI Semibold"_s, u"SegoeUI-Semibold"_s, u"Segoe UI"_s,
          u"Semibold"_s, 600}},
        {liberation + u"Regular.ttf"_s, {u"Futura"_s, u"Regular"_s, u"Futura"_s, u"Futura"_s}},
        {liberation + u"Bold.ttf"_s,
         {u"Futura Condensed ExtraBold"_s, u"Regular"_s, u"Futura Condensed ExtraBold"_s,
          u"Futura-CondensedExtraBold"_s, u"Futura"_s, u"Condensed ExtraBold"_s, 800, 3}},
        {serif + u"Bold.ttf"_s,
         {u"Rockwell"_s, u"Bold"_s, u"Rockwell Bold"_s, u"Rockwell-Bold"_s, {}, {}, 700}},
    };
    for (const auto &[source, names] : renamed) {
        const QString file = userFont(names.postScriptName + u".ttf"_s);
        QVERIFY2(test::writeRenamedFont(source, file, names), qPrintable(file));
    }
    for (const QString &font : {u"NotoSansGeorgian-Regular.ttf"_s, u"NotoSansSymbols-Regular.ttf"_s})
        QVERIFY(test::TestFonts::copyFontFile(u"/usr/share/fonts/truetype/noto/"_s + font, user));
    m_source = std::make_unique<FontconfigFontSource>();
    QVERIFY(m_source->snapshot()->faceCount() > 10);
}

void FontResolverTest::verdictByWhereTheFileLies_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<FontStatus>("status");
    QTest::addColumn<QString>("file"); // relative to the folder the status implies; empty: none
    QTest::addColumn<int>("face");     // in a collection file
    QTest::addColumn<QString>("note"); // missing: what of its family is installed

    const auto installed = FontStatus::installed;
    const auto missing = FontStatus::missing;
    // Exact names: PostScript, full, and family (whose regular face wins).
    QTest::newRow("PostScript name in the user's folder")
        << u"LiberationSans-Bold"_s << installed << u"LiberationSans-Bold.ttf"_s << 0 << QString();
    QTest::newRow("full name") << u"Liberation Sans Bold Italic"_s << installed
                               << u"LiberationSans-BoldItalic.ttf"_s << 0 << QString();
    QTest::newRow("family name picks the regular face")
        << u"Liberation Serif"_s << installed << u"LiberationSerif-Regular.ttf"_s << 0 << QString();
    QTest::newRow("distribution font")
        << u"DejaVu Sans"_s << FontStatus::system << u"DejaVuSans.ttf"_s << 0 << QString();
    QTest::newRow("Adobe-synced font")
        << u"LiberationMono"_s << FontStatus::adobe << u"LiberationMono-Regular.ttf"_s << 0 << QString();
    QTest::newRow("face of a collection")
        << u"Caladea Bold Italic"_s << installed << u"Caladea-Italics.ttc"_s << 1 << QString();

    // Case, spaces and hyphens aside; a vendor mark after the family or the face.
    QTest::newRow("match key") << u"liberation sans-bold"_s << installed << u"LiberationSans-Bold.ttf"_s << 0
                               << QString();
    QTest::newRow("vendor mark") << u"GillSansMT"_s << installed << u"GillSans.ttf"_s << 0 << QString();
    QTest::newRow("vendor mark after the style")
        << u"GillSans-BoldMT"_s << installed << u"GillSans-Bold.ttf"_s << 0 << QString();
    QTest::newRow("vendor mark between family and style")
        << u"Gill Sans MT Bold"_s << installed << u"GillSans-Bold.ttf"_s << 0 << QString();
    // A family followed by the style of one of its faces, read by what the face says of itself.
    QTest::newRow("style word of a face")
        << u"Gill Sans Bold"_s << installed << u"GillSans-Bold.ttf"_s << 0 << QString();
    QTest::newRow("legacy family of a weight")
        << u"Segoe UI Semibold"_s << installed << u"SegoeUI-Semibold.ttf"_s << 0 << QString();
    QTest::newRow("family with a weight of its own still has a regular face")
        << u"Segoe UI"_s << installed << u"SegoeUI.ttf"_s << 0 << QString();
    QTest::newRow("abbreviated width and weight")
        << u"Futura-CondExtraBold"_s << installed << u"Futura-CondensedExtraBold.ttf"_s << 0 << QString();
    QTest::newRow("family name with only its bold face")
        << u"Rockwell"_s << installed << u"Rockwell-Bold.ttf"_s << 0 << QString();
    QTest::newRow("older style words of a system family, in another order")
        << u"DejaVu Sans Oblique Bold"_s << FontStatus::system << u"DejaVuSans-BoldOblique.ttf"_s << 0
        << QString();

    // Never another family, whichever name contains the other.
    QTest::newRow("Georgia is not Noto Sans Georgian")
        << u"Georgia"_s << missing << QString() << 0 << QString();
    QTest::newRow("Symbol is not Noto Sans Symbols") << u"Symbol"_s << missing << QString() << 0 << QString();
    QTest::newRow("Arial is not Arial Black") << u"Arial"_s << missing << QString() << 0 << QString();
    QTest::newRow("Helvetica is not Helvetica Neue")
        << u"Helvetica"_s << missing << QString() << 0 << QString();
    QTest::newRow("a name inside installed ones") << u"Sans-Bol"_s << missing << QString() << 0 << QString();
    QTest::newRow("Calibri is not Calibri Light")
        << u"Calibri"_s << missing << QString() << 0 << u"Calibri is installed, but not its Regular face"_s;
    QTest::newRow("Calibri Light is")
        << u"Calibri Light"_s << installed << u"Calibri-Light.ttf"_s << 0 << QString();
    // A face the machine lacks is not a face it has.
    for (const QString &style : {u"Bold"_s, u"Italic"_s, u"Light"_s}) {
        QTest::addRow("HelveticaNeue-%s", qPrintable(style))
            << u"HelveticaNeue-"_s + style << missing << QString() << 0
            << u"Helvetica Neue is installed, but not its "_s + style + u" face"_s;
    }
    QTest::newRow("Helvetica Neue itself")
        << u"HelveticaNeue"_s << installed << u"HelveticaNeue.ttf"_s << 0 << QString();
    QTest::newRow("Arial Black has no italic") << u"Arial Black Italic"_s << missing << QString() << 0
                                               << u"Arial Black is installed, but not its Italic face"_s;
    QTest::newRow("weight judged by the face") << u"Futura Bold Condensed"_s << missing << QString() << 0
                                               << u"Futura is installed, but not its Bold Condensed face"_s;
    QTest::newRow("a wanted name that contains an installed one")
        << u"LiberationSerif Condensed ExtraBold"_s << missing << QString() << 0
        << u"Liberation Serif is installed, but not its Condensed ExtraBold face"_s;
    // Never a substitute: a name no installed font stands for is missing, whatever fontconfig would offer.
    QTest::newRow("underscore is not removed by the key")
        << u"Liberation_Sans_Bold"_s << missing << QString() << 0 << QString();
    QTest::newRow("serif is not sans") << u"Times New Roman"_s << missing << QString() << 0 << QString();
}

void FontResolverTest::verdictByWhereTheFileLies()
{
    QFETCH(QString, name);
    QFETCH(FontStatus, status);
    QFETCH(QString, file);
    QFETCH(int, face);
    QFETCH(QString, note);

    const InstalledFonts fonts(m_source->snapshot());
    const FontStatusItem item = fonts.resolveFont(name, FontNaming::postScript);
    QCOMPARE(item.fontName, name);
    QCOMPARE(item.status, status);
    QCOMPARE(familyWithoutFaceText(item.familyWithoutFace, item.missingFaceStyle), note);
    QCOMPARE(fonts.isFontAvailable(name), !file.isEmpty());
    if (file.isEmpty()) {
        QVERIFY(!item.hasFile());
        return;
    }
    const QString folder = status == FontStatus::system  ? test::TestFonts::systemFontFolder()
                           : status == FontStatus::adobe ? m_fonts->adobeFontFolder()
                                                         : m_fonts->userFontFolder();
    QCOMPARE(item.filePath(), QDir(folder).filePath(file));
    QCOMPARE(item.faces.value(0).index, face);
}

void FontResolverTest::passes()
{
    FontResolver resolver(*m_source);
    const InstalledFonts fonts = resolver.installedFonts();
    // Two items for the same name are two different items.
    QVERIFY(fonts.resolveFont(u"DejaVu Sans"_s).id != fonts.resolveFont(u"DejaVu Sans"_s).id);

    // A font installed while running is found by the next pass.
    const QString name = u"Noto Serif Georgian"_s;
    const QString file = u"/usr/share/fonts/truetype/noto/NotoSerifGeorgian-Regular.ttf"_s;
    QCOMPARE(resolver.resolveFont(name).status, FontStatus::missing);

    QVERIFY(test::TestFonts::copyFontFile(file, m_fonts->userFontFolder()));
    const FontStatusItems items = resolver.resolveFonts({name, u"DejaVu Sans"_s});
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0].status, FontStatus::installed);
    QCOMPARE(items[1].status, FontStatus::system);

    // Removed, it is unresolved to a pass that still knows it, and missing to the next.
    const InstalledFonts knowing = resolver.installedFonts();
    QVERIFY(QFile::remove(QDir(m_fonts->userFontFolder()).filePath(u"NotoSerifGeorgian-Regular.ttf"_s)));
    const FontStatusItem gone = knowing.resolveFont(name);
    QCOMPARE(gone.status, FontStatus::unresolved);
    QVERIFY(!gone.hasFile());
    QCOMPARE(resolver.resolveFont(name).status, FontStatus::missing);
}

void FontResolverTest::labels_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("location"); // with /home/ann as the home folder
    QTest::newRow("user fonts, TrueType")
        << u"/home/ann/.local/share/fonts/X.ttf"_s << u"TrueType"_s << u"~/.local/share/fonts"_s;
    QTest::newRow("a longer user name is not the home folder, upper-case collection")
        << u"/home/anna/fonts/X.TTC"_s << u"TrueType"_s << u"/home/anna/fonts"_s;
    QTest::newRow("the home folder's path further down is another folder")
        << u"/srv/backup/home/ann/fonts/X.ttf"_s << u"TrueType"_s << u"/srv/backup/home/ann/fonts"_s;
    QTest::newRow("the home folder itself") << u"/home/ann/X.ttf"_s << u"TrueType"_s << u"~"_s;
    QTest::newRow("system prefix, OpenType")
        << u"/usr/share/fonts/truetype/dejavu/X.otf"_s << u"OpenType"_s << u"System"_s;
    QTest::newRow("assets prefix is a character prefix, other extension")
        << u"/System/Library/AssetsV2/X.dfont"_s << u"DFONT"_s << u"System"_s;
    QTest::newRow("Adobe folder shows its path, no extension")
        << u"/home/ann/Library/Application Support/Adobe/CoreSync/X"_s << QString()
        << u"~/Library/Application Support/Adobe/CoreSync"_s;
    QTest::newRow("Adobe folder under a system prefix")
        << u"/Library/Fonts/Adobe/CoreSync/X.otf"_s << u"OpenType"_s << u"System"_s;
    QTest::newRow("prefixes are case-sensitive")
        << u"/usr/share/Fonts/X.otf"_s << u"OpenType"_s << u"/usr/share/Fonts"_s;
    QTest::newRow("no file") << QString() << u"—"_s << u"—"_s;
}

void FontResolverTest::labels()
{
    QFETCH(QString, file);
    QFETCH(QString, type);
    QFETCH(QString, location);
    const FontStatusItem item = makeFontStatusItem(u"A"_s, FontStatus::installed, file);
    QCOMPARE(fontTypeLabel(item), type);
    QCOMPARE(fontLocationLabel(item, u"/home/ann"_s), location);
}

void FontResolverTest::facesAndPermissions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<FontNaming>("naming");
    QTest::addColumn<QStringList>("faces"); // style:file name
    QTest::addColumn<EmbeddingPermission>("permission");

    const auto family = FontNaming::family;
    const QStringList liberationSans = {
        u"Regular:LiberationSans-Regular.ttf"_s, u"Bold:LiberationSans-Bold.ttf"_s,
        u"Italic:LiberationSans-Italic.ttf"_s, u"Bold Italic:LiberationSans-BoldItalic.ttf"_s};
    QTest::newRow("four-face family")
        << u"Liberation Sans"_s << family << liberationSans << EmbeddingPermission::installable;
    QTest::newRow("a face's PostScript name from PowerPoint links its family")
        << u"LiberationSans-Bold"_s << family << liberationSans << EmbeddingPermission::installable;
    QTest::newRow("Keynote's PostScript name is one face")
        << u"LiberationSans-Bold"_s << FontNaming::postScript
        << QStringList{u"Bold:LiberationSans-Bold.ttf"_s} << EmbeddingPermission::installable;
    // DejaVu Sans also has ExtraLight and Condensed faces under the same typographic family; their
    // legacy families are their own, and their older style names (Book, Oblique) still link.
    QTest::newRow("other weights and widths stay home")
        << u"DejaVu Sans"_s << family
        << QStringList{u"Regular:DejaVuSans.ttf"_s, u"Bold:DejaVuSans-Bold.ttf"_s,
                       u"Italic:DejaVuSans-Oblique.ttf"_s, u"Bold Italic:DejaVuSans-BoldOblique.ttf"_s}
        << EmbeddingPermission::installable;
    QTest::newRow("collection file, restricted bold face")
        << u"Caladea"_s << family
        << QStringList{u"Regular:Caladea-Regular.ttf"_s, u"Bold:Caladea-Bold.ttf"_s,
                       u"Italic:Caladea-Italics.ttc"_s, u"Bold Italic:Caladea-Italics.ttc"_s}
        << EmbeddingPermission::restricted;
    QTest::newRow("the strictest face decides")
        << u"Liberation Serif"_s << family
        << QStringList{u"Regular:LiberationSerif-Regular.ttf"_s, u"Bold:LiberationSerif-Bold.ttf"_s,
                       u"Italic:LiberationSerif-Italic.ttf"_s}
        << EmbeddingPermission::previewAndPrint;
    QTest::newRow("missing") << u"Absent Face"_s << family << QStringList{}
                             << EmbeddingPermission::installable;
}

void FontResolverTest::facesAndPermissions()
{
    QFETCH(QString, name);
    QFETCH(FontNaming, naming);
    QFETCH(QStringList, faces);
    QFETCH(EmbeddingPermission, permission);

    const InstalledFonts fonts(m_source->snapshot());
    const FontStatusItem item = fonts.resolveFont(name, naming);
    const FontStatusItem plain = fonts.resolveFont(name);
    QCOMPARE(item.status, plain.status);
    QCOMPARE(item.fileURL, plain.fileURL);
    QStringList described;
    for (const FontFace &face : item.faces)
        described.append(face.style + u':' + QFileInfo(face.file).fileName());
    QCOMPARE(described, faces);
    QCOMPARE(item.permission, permission);
    QVERIFY(item.permissionNote.isEmpty());
    if (name == u"Caladea")
        QCOMPARE(distinctFiles(item.faces).size(), 3);
}

void FontResolverTest::permissionBits()
{
    // The plain usage bits are read from real files above. Bits beside them (bitmaps only, no subsetting)
    // change nothing; an old font with several usage bits gets the least restrictive.
    for (const auto &[fsType, permission] : {std::pair{0x0202, EmbeddingPermission::restricted},
                                             {0x0108, EmbeddingPermission::editable},
                                             {0x000E, EmbeddingPermission::editable}})
        QCOMPARE(permissionFromFsType(quint16(fsType)), permission);
}

void FontResolverTest::metricTwinsOfMissingFonts()
{
    // Of Arial's twins only Liberation Sans is installed; a font without a rule, or one installed, has none.
    const InstalledFonts fonts(m_source->snapshot());
    for (const auto &[name, twins] : {std::pair{u"Calibri"_s, QStringList{u"Carlito"_s}},
                                      {u"Cambria"_s, QStringList{u"Caladea"_s}},
                                      {u"Arial"_s, QStringList{u"Liberation Sans"_s}},
                                      {u"Absent Face"_s, QStringList()},
                                      {u"Carlito"_s, QStringList()}}) {
        const FontStatusItem item = fonts.resolveFont(name, FontNaming::family);
        QCOMPARE(item.metricTwins, twins);
        // A twin is a hint, never a substitute.
        if (!twins.isEmpty()) {
            QCOMPARE(item.status, FontStatus::missing);
            QVERIFY(!item.hasFile());
            QCOMPARE(metricTwinText(twins), twins.first() + u" is installed and has the same metrics"_s);
        }
    }
}

void FontResolverTest::damagedFontFiles()
{
    // A damaged file is read as no font, and its license as the least restrictive, never as a crash.
    const QByteArray font =
        test::readFile(u"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"_s);
    QVERIFY(!font.isEmpty());
    const QByteArray collection("ttcf\x00\x01\x00\x00\x00\x00\x00\x01\xff\xff\xff\x00", 16);
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Broken.ttf"_s);
    for (const auto &[name, bytes] : {std::pair{"truncated", font.left(700)},
                                      {"not a font", QByteArray("Quarterly figures\n").repeated(50)},
                                      {"collection with an offset past its end", collection + font},
                                      {"empty", QByteArray()}}) {
        QVERIFY(test::writeFile(path, bytes));
        const FontFileFace face = readFontFileFace(path, 0);
        QVERIFY2(!face.isReadable && !face.problem.isEmpty(), name);
        QCOMPARE(permissionFromFsType(face.fsType), EmbeddingPermission::installable);
    }

    // Fontconfig still lists the face; its file is cut short behind its back.
    QCOMPARE(InstalledFonts(m_source->snapshot()).resolveFont(u"LiberationMono-Italic"_s).status,
             FontStatus::installed);
    QFile file(userFont(u"LiberationMono-Italic.ttf"_s));
    QVERIFY(file.resize(512));
    const FontStatusItem item =
        InstalledFonts(m_source->snapshot()).resolveFont(u"LiberationMono-Italic"_s, FontNaming::postScript);
    QCOMPARE(item.status, FontStatus::installed);
    QCOMPARE(item.faces.size(), 1);
    QCOMPARE(item.permission, EmbeddingPermission::installable);
    QVERIFY2(
        item.permissionNote.startsWith(u"LiberationMono-Italic.ttf: the file cannot be read as a font"_s),
        qPrintable(item.permissionNote));
}

QTEST_GUILESS_MAIN(FontResolverTest)
#include "tst_fontresolver.moc"
