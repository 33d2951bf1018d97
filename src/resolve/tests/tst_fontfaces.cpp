// The faces that travel with a font, their embedding permissions, and the metric twins of missing fonts.
#include <resolve/fontresolver.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testfontfiles.h>
#include <testsupport/testfonts.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

class FontFacesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void facesAndPermissions_data();
    void facesAndPermissions();
    void permissionBits_data();
    void permissionBits();
    void metricTwinsOfMissingFonts_data();
    void metricTwinsOfMissingFonts();
    void badFontFiles_data();
    void badFontFiles();
    void fileThatStoppedBeingAFontIsTakenAsInstallable();

private:
    QString userFont(const QString &name) const { return QDir(m_fonts->userFontFolder()).filePath(name); }

    std::unique_ptr<test::TestFonts> m_fonts;
    std::unique_ptr<FontconfigFontSource> m_source;
};

void FontFacesTest::initTestCase()
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
    m_source = std::make_unique<FontconfigFontSource>();
}

void FontFacesTest::facesAndPermissions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<FontNaming>("naming");
    QTest::addColumn<QStringList>("faces"); // style:file name
    QTest::addColumn<EmbeddingPermission>("permission");

    const auto family = FontNaming::family;
    QTest::newRow("four-face family")
        << u"Liberation Sans"_s << family
        << QStringList{u"Regular:LiberationSans-Regular.ttf"_s, u"Bold:LiberationSans-Bold.ttf"_s,
                       u"Italic:LiberationSans-Italic.ttf"_s, u"Bold Italic:LiberationSans-BoldItalic.ttf"_s}
        << EmbeddingPermission::installable;
    QTest::newRow("a face's PostScript name from PowerPoint links its family")
        << u"LiberationSans-Bold"_s << family
        << QStringList{u"Regular:LiberationSans-Regular.ttf"_s, u"Bold:LiberationSans-Bold.ttf"_s,
                       u"Italic:LiberationSans-Italic.ttf"_s, u"Bold Italic:LiberationSans-BoldItalic.ttf"_s}
        << EmbeddingPermission::installable;
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

void FontFacesTest::facesAndPermissions()
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
    QCOMPARE(item.isRestricted(), permission == EmbeddingPermission::restricted);
    QCOMPARE(isSelectedByDefault(item), item.status == FontStatus::installed && !item.isRestricted());
    if (name == u"Caladea")
        QCOMPARE(distinctFiles(item.faces).size(), 3);
}

void FontFacesTest::permissionBits_data()
{
    QTest::addColumn<int>("fsType");
    QTest::addColumn<EmbeddingPermission>("permission");
    QTest::newRow("none") << 0x0000 << EmbeddingPermission::installable;
    QTest::newRow("restricted") << 0x0002 << EmbeddingPermission::restricted;
    QTest::newRow("restricted, bitmaps only") << 0x0202 << EmbeddingPermission::restricted;
    QTest::newRow("preview and print") << 0x0004 << EmbeddingPermission::previewAndPrint;
    QTest::newRow("editable, no subsetting") << 0x0108 << EmbeddingPermission::editable;
    QTest::newRow("old font: least restrictive wins") << 0x000E << EmbeddingPermission::editable;
}

void FontFacesTest::permissionBits()
{
    QFETCH(int, fsType);
    QFETCH(EmbeddingPermission, permission);
    QCOMPARE(permissionFromFsType(quint16(fsType)), permission);
}

void FontFacesTest::metricTwinsOfMissingFonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("twins");
    QTest::newRow("Calibri") << u"Calibri"_s << QStringList{u"Carlito"_s};
    QTest::newRow("Cambria") << u"Cambria"_s << QStringList{u"Caladea"_s};
    QTest::newRow("Arial, of whose twins one is installed")
        << u"Arial"_s << QStringList{u"Liberation Sans"_s};
    QTest::newRow("no rule") << u"Absent Face"_s << QStringList{};
    QTest::newRow("an installed font has none") << u"Carlito"_s << QStringList{};
}

void FontFacesTest::metricTwinsOfMissingFonts()
{
    QFETCH(QString, name);
    QFETCH(QStringList, twins);
    const FontStatusItem item = InstalledFonts(m_source->snapshot()).resolveFont(name, FontNaming::family);
    QCOMPARE(item.metricTwins, twins);
    // A twin is a hint, never a substitute.
    if (!twins.isEmpty()) {
        QCOMPARE(item.status, FontStatus::missing);
        QVERIFY(!item.hasFile());
        QCOMPARE(metricTwinText(twins), twins.first() + u" is installed and has the same metrics"_s);
    }
}

void FontFacesTest::badFontFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QFile regular(u"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"_s);
    QVERIFY(regular.open(QIODevice::ReadOnly));
    const QByteArray font = regular.readAll();
    QByteArray collection("ttcf\x00\x01\x00\x00\x00\x00\x00\x01\xff\xff\xff\x00", 16);
    QTest::newRow("truncated") << font.left(700);
    QTest::newRow("not a font") << QByteArray("Quarterly figures\n").repeated(50);
    QTest::newRow("collection with an offset past its end") << collection + font;
    QTest::newRow("empty") << QByteArray();
}

void FontFacesTest::badFontFiles()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Broken.ttf"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const FontFileFace face = readFontFileFace(path, 0);
    QVERIFY(!face.isReadable);
    QVERIFY(!face.problem.isEmpty());
    QCOMPARE(permissionFromFsType(face.fsType), EmbeddingPermission::installable);
}

void FontFacesTest::fileThatStoppedBeingAFontIsTakenAsInstallable()
{
    // Fontconfig still lists the face; its file is cut short behind its back.
    const FontStatusItem before =
        InstalledFonts(m_source->snapshot()).resolveFont(u"LiberationMono-Italic"_s);
    QCOMPARE(before.status, FontStatus::installed);
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

QTEST_GUILESS_MAIN(FontFacesTest)
#include "tst_fontfaces.moc"
