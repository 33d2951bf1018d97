#include <views/appearance.h>
#include <views/cardframe.h>
#include <views/textlabel.h>

#include <QApplication>
#include <QPainter>
#include <QTest>

using namespace kernwick;

// Every text and icon colour of the window against every colour of what it is painted on, in both schemes:
// 4.5:1 for text, 3:1 for large text and icons.
class AppearanceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyInkReadsOnItsSurface_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("scheme");
        const QList<InkOnSurface> &inks = inksOnSurfaces();
        for (int entry = 0; entry < inks.size(); ++entry) {
            for (const auto scheme : {Appearance::ColorScheme::light, Appearance::ColorScheme::dark}) {
                QTest::addRow("%s %d %s", inks[entry].what, entry,
                              scheme == Appearance::ColorScheme::dark ? "dark" : "light")
                    << entry << int(scheme);
            }
        }
    }

    void everyInkReadsOnItsSurface()
    {
        QFETCH(int, entry);
        QFETCH(int, scheme);
        const InkOnSurface &ink = inksOnSurfaces()[entry];
        const QList<QColor> surfaces = surfaceColors(ink.surface, Appearance::ColorScheme(scheme));
        QVERIFY(!surfaces.isEmpty());
        const double needed = ink.isLargeOrIcon ? 3.0 : 4.5;
        const QColor color = Appearance::color(ink.ink, Appearance::ColorScheme(scheme));
        for (const QColor &surface : surfaces) {
            QVERIFY(surface.alpha() == 255);
            // A translucent ink shows as it lies over the surface.
            const float alpha = color.alphaF();
            const QColor seen = QColor::fromRgbF(color.redF() * alpha + surface.redF() * (1 - alpha),
                                                 color.greenF() * alpha + surface.greenF() * (1 - alpha),
                                                 color.blueF() * alpha + surface.blueF() * (1 - alpha));
            const double ratio = contrastRatio(seen, surface);
            QVERIFY2(
                ratio >= needed,
                qPrintable(
                    QStringLiteral("%1 on %2: %3:1").arg(seen.name(), surface.name()).arg(ratio, 0, 'f', 2)));
        }
    }

    // A card copied from kept rows looks as the card drawn whole: every style, short and tall, both schemes.
    void cardsCopiedFromKeptRowsLookDrawnWhole_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("dark");
        for (int style = 0; style < 3; ++style) {
            for (const QSize size : {QSize(300, 40), QSize(300, 41), QSize(57, 60), QSize(640, 333)}) {
                for (const bool dark : {false, true})
                    QTest::addRow("style %d, %dx%d%s", style, size.width(), size.height(),
                                  dark ? ", dark" : "")
                        << style << size << dark;
            }
        }
    }

    void cardsCopiedFromKeptRowsLookDrawnWhole()
    {
        QFETCH(int, style);
        QFETCH(QSize, size);
        QFETCH(bool, dark);
        const Appearance appearance(dark ? Appearance::ColorScheme::dark : Appearance::ColorScheme::light);
        CardStyle card = CardStyle::innerCard({});
        if (style == 0) { // with an accent bar
            card.accentBar = [](const Appearance &scheme) {
                return scheme.color(colors::accentBlue);
            };
            card.accentBarWidth = 4;
        } else if (style == 1) { // an outline alone
            card.fill = {};
            card.shadowOpacity = 0;
        } else if (style == 2) { // a stronger shadow, no outline
            card.border = {};
            card.shadowOpacity = 0.3;
            card.shadowRadius = 7;
            card.shadowOffsetY = 3;
        }
        const auto draw = [&](auto paint) {
            QImage image(size + QSize(60, 60), QImage::Format_ARGB32_Premultiplied);
            image.fill(dark ? QColor(30, 30, 32) : QColor(238, 242, 248));
            QPainter painter(&image);
            painter.translate(13, 17);
            paint(painter, QRectF(QPointF(17, 13), QSizeF(size)), card, appearance);
            return image;
        };
        const QImage whole = draw(paintCardDirectly);
        for (int pass = 0; pass < 2; ++pass) { // drawing its rows, then copying them
            const QImage copied = draw(paintCard);
            int worst = 0;
            for (int y = 0; y < whole.height(); ++y) {
                for (int x = 0; x < whole.width(); ++x) {
                    const QRgb a = whole.pixel(x, y);
                    const QRgb b = copied.pixel(x, y);
                    worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                      std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
                }
            }
            // Layers composited in another order round a little apart.
            QVERIFY2(worst <= 3,
                     qPrintable(QStringLiteral("pass %1: a channel off by %2").arg(pass).arg(worst)));
        }
    }

    // A wrapped label's height follows its text, font and margins, however often it is asked.
    void wrappedLabelHeightFollowsItsText()
    {
        Appearance appearance;
        TextLabel label(appearance, QStringLiteral("Short"), 13);
        label.setWordWrap(true);
        const int one = label.heightForWidth(120);
        QCOMPARE(label.heightForWidth(120), one);
        label.setText(
            QStringLiteral("A longer text that takes several lines at this width, wrapped word by word"));
        const int several = label.heightForWidth(120);
        QVERIFY(several > one);
        QVERIFY(label.heightForWidth(600) < several);
        label.setFont(systemFont(26));
        QVERIFY(label.heightForWidth(120) > several);
        label.setContentsMargins(0, 10, 0, 10);
        TextLabel fresh(appearance, label.text(), 26);
        fresh.setWordWrap(true);
        fresh.setContentsMargins(0, 10, 0, 10);
        QCOMPARE(label.heightForWidth(120), fresh.heightForWidth(120));
    }

    void contrastRatioAsDefined()
    {
        QCOMPARE(contrastRatio(Qt::black, Qt::white), 21.0);
        QCOMPARE(contrastRatio(Qt::white, Qt::black), 21.0);
        QVERIFY(qAbs(contrastRatio(QColor(119, 119, 119), Qt::white) - 4.478) < 0.001);
        QCOMPARE(contrastRatio(Qt::red, Qt::red), 1.0);
    }
};

QTEST_MAIN(AppearanceTest)

#include "tst_appearance.moc"
