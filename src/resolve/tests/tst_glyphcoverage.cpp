// Which drawn characters a font file has no glyph for, read from real font files and a collection.
#include <resolve/glyphcoverage.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testfontfiles.h>
#include <testsupport/testzip.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

class GlyphCoverageTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void characterMaps();
};

void GlyphCoverageTest::characterMaps()
{
    const QString dejaVu = u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"_s;
    const QString liberation = u"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"_s;
    QTemporaryDir folder;
    const QString collection = folder.filePath(u"Both.ttc"_s);
    QVERIFY(test::writeCollection({liberation, dejaVu}, collection));
    const QString notAFont = folder.filePath(u"Not A Font.ttf"_s);
    QVERIFY(test::writeFile(notAFont, "not a font at all"));

    // Armenian is in DejaVu Sans, not in Liberation Sans; neither has Chinese.
    const QList<char32_t> text = {U'A', U'Բ', U'漢'};
    const QList<std::tuple<QString, int, std::optional<QList<char32_t>>>> cases = {
        {dejaVu, 0, QList<char32_t>{U'漢'}},
        {liberation, 0, QList<char32_t>{U'Բ', U'漢'}},
        {collection, 0, QList<char32_t>{U'Բ', U'漢'}},
        {collection, 1, QList<char32_t>{U'漢'}}, // the second face of the collection
        {collection, 7, std::nullopt},           // no such face
        {notAFont, 0, std::nullopt},
        {folder.filePath(u"Gone.ttf"_s), 0, std::nullopt},
    };
    for (const auto &[file, face, missing] : cases)
        QCOMPARE(missingCharacters(file, face, text), missing);

    // For a font item: the first characters it lacks, how many, and the places that draw them.
    FontStatusItem item = makeFontStatusItem(u"Liberation Sans"_s, FontStatus::system, liberation);
    const DrawnCharacters drawn = {{u"slide 2"_s, u"AԲ"_s}, {u"slide 3"_s, u"B"_s}, {u"slide 5"_s, u"漢Բ"_s}};
    MissingCharacters found = findMissingCharacters(item, drawn);
    QCOMPARE(found.characters, u"Բ漢"_s);
    QCOMPARE(found.count, 2);
    QCOMPARE(found.places, (QStringList{u"slide 2"_s, u"slide 5"_s}));
    // Nothing for a font without a file, or whose file is no font.
    QVERIFY(findMissingCharacters(makeFontStatusItem(u"Gone"_s, FontStatus::missing), drawn).isEmpty());
    item.fileURL = QUrl::fromLocalFile(notAFont);
    QVERIFY(findMissingCharacters(item, drawn).isEmpty());
}

QTEST_GUILESS_MAIN(GlyphCoverageTest)
#include "tst_glyphcoverage.moc"
