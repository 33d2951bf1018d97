#include <views/appearance.h>
#include <views/cardframe.h>
#include <views/dropzoneview.h>
#include <views/foldertreerow.h>
#include <views/fontrowdelegate.h>
#include <views/fonttablemodel.h>
#include <views/readinesscard.h>
#include <views/scanningprogressview.h>
#include <views/statcard.h>
#include <views/symbols.h>
#include <views/textlabel.h>
#include <views/tools/viewworld.h>

#include <QApplication>
#include <QFile>
#include <QLayout>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace kernwick;

// The window's building blocks on their own: the icon table, the colours of both schemes, the painted
// cards and outlines, the scanning dots, the tree's indentation and the table's cells per status.
class ViewPartsTest : public QObject
{
    Q_OBJECT

public:
    explicit ViewPartsTest(test::ViewWorld &world)
        : m_world(world)
    {}

private Q_SLOTS:
    void everySymbolTheWindowNamesHasAnIcon();
    void colorsOfBothSchemes();
    void cardsLeaveRoomForTheirShadow();
    void dropZoneOutlineIsDashed();
    void scanningDotsCountUpAndWrap();
    void treeRowsIndentByLevel();
    void readinessColours();
    void tableCellsPerStatus();
    void previewFontFromTheFontFile();

private:
    test::ViewWorld &m_world;
};

void ViewPartsTest::everySymbolTheWindowNamesHasAnIcon()
{
    const QStringList used = {u"a.circle.fill"_s,
                              u"arrow.clockwise"_s,
                              u"arrow.down.circle.fill"_s,
                              u"arrow.turn.down.right"_s,
                              u"checkmark.circle.fill"_s,
                              u"chevron.down"_s,
                              u"chevron.right"_s,
                              u"chevron.up"_s,
                              u"chevron.up.chevron.down"_s,
                              u"doc.badge.plus"_s,
                              u"doc.fill"_s,
                              u"doc.on.clipboard"_s,
                              u"doc.on.doc"_s,
                              u"doc.text"_s,
                              u"doc.text.fill"_s,
                              u"doc.text.magnifyingglass"_s,
                              u"exclamationmark.circle.fill"_s,
                              u"folder"_s,
                              u"folder.fill"_s,
                              u"lock.fill"_s,
                              u"magnifyingglass"_s,
                              u"minus.circle.fill"_s,
                              u"questionmark.circle"_s,
                              u"shippingbox.fill"_s,
                              u"textformat"_s,
                              u"xmark.circle.fill"_s};
    const QColor tint(200, 30, 60);
    for (const QString &name : used) {
        QVERIFY2(QFile::exists(symbolResource(name)), qPrintable(name));
        // Drawn in the asked colour, and only in it.
        const QImage image = symbolPixmap(name, 24, tint).toImage();
        int inked = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                inked += pixel.alpha() > 0;
                if (pixel.alpha() == 255)
                    QCOMPARE(pixel.rgb(), tint.rgb());
            }
        }
        QVERIFY2(inked > 10, qPrintable(name));
    }
    QVERIFY(symbolResource(u"no.such.symbol"_s).isEmpty());
    QVERIFY(symbolPixmap(u"no.such.symbol"_s, 16, Qt::black).isNull());
    QVERIFY(!logoPixmap(44).isNull());
}

void ViewPartsTest::colorsOfBothSchemes()
{
    using Scheme = Appearance::ColorScheme;
    // Named colours take their scheme's variant; sRGB values stand as given; the opacity multiplies.
    QVERIFY(Appearance::color(colors::primary, Scheme::dark).lightness() >
            Appearance::color(colors::primary, Scheme::light).lightness());
    QVERIFY(Appearance::color(colors::green, Scheme::dark) !=
            Appearance::color(colors::green, Scheme::light));
    const QColor accent = Appearance::color(colors::accentBlue, Scheme::dark);
    QCOMPARE(accent, QColor::fromRgbF(0.12f, 0.42f, 0.9f));
    QVERIFY(qAbs(Appearance::color(colors::accentBlue.withOpacity(0.5), Scheme::light).alphaF() - 0.5f) <
            0.01f);
    const QColor secondary = Appearance::color(colors::secondary, Scheme::light);
    QVERIFY(qAbs(Appearance::color(colors::secondary.withOpacity(0.3), Scheme::light).alphaF() -
                 secondary.alphaF() * 0.3f) < 0.01f);
    QCOMPARE(Appearance::color(restrictedPurple, Scheme::light), QColor::fromRgbF(0.55f, 0.25f, 0.85f));

    QCOMPARE(colors::cardFill(false), QColor::fromRgbF(0.955f, 0.968f, 0.992f, 0.7f));
    QCOMPARE(colors::cardFill(true), QColor::fromRgbF(0.13f, 0.17f, 0.26f, 0.7f));
    QCOMPARE(colors::stepCardFill(false), QColor::fromRgbF(0.935f, 0.953f, 0.984f, 0.8f));
    QCOMPARE(colors::stepCardFill(true), QColor::fromRgbF(0.1f, 0.14f, 0.22f, 0.8f));

    Appearance appearance;
    int changes = 0;
    connect(&appearance, &Appearance::colorSchemeChanged, this, [&] { ++changes; });
    appearance.setColorScheme(Scheme::dark);
    appearance.setColorScheme(Scheme::dark);
    QCOMPARE(changes, 1);
    QVERIFY(appearance.palette().color(QPalette::Window).lightness() < 100);
}

void ViewPartsTest::cardsLeaveRoomForTheirShadow()
{
    Appearance appearance;
    CardFrame card(appearance, CardStyle::innerCard({14, 14, 14, 14}));
    card.resize(200, 100);
    // The shadow (radius 4, 1 down) gets its room outside the card, more below than above.
    const QRectF inner = card.cardRect();
    QVERIFY(inner.top() < inner.left() || inner.top() == 0);
    QVERIFY(card.height() - inner.bottom() > inner.top());
    QCOMPARE(card.contentsMargins().left(), 14 + int(inner.left()));

    QImage image(card.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    card.render(&image, {}, {}, QWidget::DrawChildren);
    // Under the card, the shadow darkens the white a little; well away from it nothing is drawn.
    const QColor underneath = image.pixelColor(100, int(inner.bottom()) + 2);
    QVERIFY(underneath.lightness() < 255);
    QVERIFY(underneath.lightness() > 200);
    // The card's own fill is its translucent card colour over the white.
    const QColor centre = image.pixelColor(100, 50);
    QVERIFY(qAbs(centre.blueF() - 1.0f) < 0.02f);
    QVERIFY(centre.redF() < 0.99f);
}

void ViewPartsTest::dropZoneOutlineIsDashed()
{
    Appearance appearance;
    DropZoneView zone(appearance, false, {});
    zone.resize(600, 80);
    auto topEdge = [&] {
        QImage image(zone.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        zone.render(&image, {}, {}, QWidget::DrawWindowBackground);
        QList<QColor> line;
        for (int x = 40; x < 560; ++x)
            line.append(image.pixelColor(x, 1));
        return line;
    };
    // Along the top edge dashes alternate with gaps: several runs of ink, not one line.
    auto dashes = [](const QList<QColor> &line) {
        int lightest = 0;
        for (const QColor &pixel : line)
            lightest = std::max(lightest, pixel.lightness());
        int runs = 0;
        bool inked = false;
        for (const QColor &pixel : line) {
            const bool now = pixel.lightness() < lightest - 8;
            runs += now && !inked;
            inked = now;
        }
        return runs;
    };
    const QList<QColor> idle = topEdge();
    QVERIFY(dashes(idle) > 30);
    zone.setDraggingOver(true);
    const QList<QColor> dragging = topEdge();
    QVERIFY(dashes(dragging) > 30);
    // While dragging the dashes are blue.
    const auto bluest = [](const QList<QColor> &line) {
        return std::max_element(line.begin(), line.end(), [](const QColor &a, const QColor &b) {
            return a.blue() - a.red() < b.blue() - b.red();
        });
    };
    QVERIFY(bluest(dragging)->blue() - bluest(dragging)->red() >
            bluest(idle)->blue() - bluest(idle)->red() + 40);
}

void ViewPartsTest::scanningDotsCountUpAndWrap()
{
    Appearance appearance;
    ScanningProgressView view(appearance);
    QVERIFY(!view.isTimerRunning());
    view.show();
    QVERIFY(view.isTimerRunning());
    auto *timer = view.findChild<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 500);
    // Tick after tick, without waiting half a second for each.
    QStringList titles{view.title()};
    connect(timer, &QTimer::timeout, this, [&] { titles.append(view.title()); });
    timer->setInterval(0);
    QTRY_VERIFY(titles.size() >= 6);
    QCOMPARE(titles.mid(0, 6),
             (QStringList{u"Scanning fonts"_s, u"Scanning fonts."_s, u"Scanning fonts.."_s,
                          u"Scanning fonts..."_s, u"Scanning fonts"_s, u"Scanning fonts."_s}));
    view.hide();
    QVERIFY(!view.isTimerRunning());
    const qsizetype seen = titles.size();
    QCoreApplication::processEvents();
    QCOMPARE(titles.size(), seen);
}

void ViewPartsTest::treeRowsIndentByLevel()
{
    Appearance appearance;
    QList<int> starts;
    for (int indent = 0; indent <= 2; ++indent) {
        FolderTreeRow row(appearance, u"doc.text"_s, colors::secondary, u"font-report.txt"_s, indent);
        row.resize(300, 20);
        row.layout()->activate();
        const auto *name = row.findChild<QLabel *>();
        QCOMPARE(name->text(), u"font-report.txt"_s);
        starts.append(name->geometry().left());
    }
    // Level one adds the arrow and its space; every further level adds 14 more.
    QVERIFY(starts[1] > starts[0] + 14);
    QCOMPARE(starts[2] - starts[1], 14);
}

void ViewPartsTest::readinessColours()
{
    Appearance appearance;
    ReadinessCard card(appearance);
    card.setState(true, u"Installed: 1 | System: 0 | Restricted: 0 | Missing: 0 | Unresolved: 0"_s);
    auto *title = card.findChildren<TextLabel *>().at(0);
    QCOMPARE(title->palette().color(QPalette::WindowText), QColor::fromRgbF(0.05f, 0.5f, 0.3f));
    card.setState(false, u"No fonts found."_s);
    QCOMPARE(title->text(), u"Needs Attention"_s);
    QCOMPARE(title->palette().color(QPalette::WindowText), appearance.color(colors::orange));
    QCOMPARE(card.message(), u"No fonts found."_s);

    StatCard tile(appearance, 0, u"Missing"_s, u"Not found"_s, colors::red);
    QCOMPARE(tile.valueText(), u"0"_s);
    QVERIFY(tile.minimumSizeHint().width() >= 90 + 2 * 10);
}

void ViewPartsTest::tableCellsPerStatus()
{
    auto workflow = m_world.makeWorkflow();
    const QString deck = m_world.deck(u"Cells.pptx"_s, {test::names::installed[0], test::names::system,
                                                        test::names::restricted, test::names::missing});
    QVERIFY(test::ViewWorld::dropAndScan(*workflow, deck));
    FontTableModel model(*workflow, m_world.folder());
    auto row = [&](const QString &name) {
        QStringList cells;
        for (int r = 0; r < model.rowCount(); ++r) {
            if (model.item(r).fontName != name)
                continue;
            for (int column = FontTableModel::nameColumn; column < FontTableModel::columnCount_; ++column)
                cells.append(model.index(r, column).data().toString());
        }
        return cells;
    };
    QCOMPARE(row(test::names::missing),
             (QStringList{test::names::missing, u"Missing"_s, u"—"_s, u"—"_s, u"—"_s, u"—"_s}));
    QCOMPARE(row(test::names::system), (QStringList{test::names::system, u"System Font"_s, u"TrueType"_s,
                                                    u"System"_s, u"—"_s, u"—"_s}));
    QCOMPARE(row(test::names::restricted).mid(1, 2), (QStringList{u"Restricted"_s, u"TrueType"_s}));
    QCOMPARE(row(test::names::restricted).mid(4), (QStringList{u"—"_s, u"—"_s}));
    const QStringList installed = row(test::names::installed[0]);
    QCOMPARE(installed.mid(1, 2), (QStringList{u"Found"_s, u"TrueType"_s}));
    QCOMPARE(installed.mid(4), (QStringList{u"Yes"_s, test::names::installed[0]}));
    QVERIFY(installed.at(3).startsWith(u"~/"_s) || installed.at(3).startsWith(u'/'));

    // The restricted font's lock explains itself; hiding system fonts leaves its row out.
    for (int r = 0; r < model.rowCount(); ++r) {
        if (model.item(r).status == FontStatus::adobe) {
            QVERIFY(model.index(r, FontTableModel::includeColumn)
                        .data(Qt::ToolTipRole)
                        .toString()
                        .startsWith(u"Licensed Adobe font — cannot be redistributed."_s));
        }
    }
    QCOMPARE(model.rowCount(), 4);
    workflow->setHideSystemFonts(true);
    QCOMPARE(model.rowCount(), 3);
    for (int r = 0; r < model.rowCount(); ++r)
        QVERIFY(workflow->fontItems().at(model.listIndex(r)).status != FontStatus::system);
    QCOMPARE(model.headerData(FontTableModel::nameColumn, Qt::Horizontal).toString(), u"Font Name"_s);
    QCOMPARE(model.headerData(FontTableModel::includeColumn, Qt::Horizontal).toString(), QString());
}

void ViewPartsTest::previewFontFromTheFontFile()
{
    Appearance appearance;
    FontRowDelegate delegate(appearance);
    const QRawFont face =
        delegate.previewFont(u"/usr/share/fonts/truetype/liberation2/LiberationSerif-Italic.ttf"_s);
    QVERIFY(face.isValid());
    QCOMPARE(face.familyName(), u"Liberation Serif"_s);
    QCOMPARE(face.style(), QFont::StyleItalic);
    QCOMPARE(face.pixelSize(), 14.0);

    // A file that is no font, or a cut-off one, gives no face and the default face stands in.
    QTemporaryDir folder;
    QFile junk(folder.filePath(u"junk.ttf"_s));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, '\xff'));
    junk.close();
    QVERIFY(!delegate.previewFont(junk.fileName()).isValid());
    QFile source(u"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"_s);
    QVERIFY(source.open(QIODevice::ReadOnly));
    QFile cut(folder.filePath(u"cut.ttf"_s));
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(source.read(600));
    cut.close();
    delegate.previewFont(cut.fileName());
    QVERIFY(!delegate.previewFont(folder.filePath(u"absent.ttf"_s)).isValid());
}

KERNWICK_VIEWS_TEST_MAIN(ViewPartsTest)

#include "tst_viewparts.moc"
