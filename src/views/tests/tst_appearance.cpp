#include <views/appearance.h>

#include <QApplication>
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
