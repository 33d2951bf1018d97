#include "appbackground.h"

#include <QLinearGradient>
#include <QPainter>

namespace kernwick {

AppBackground::AppBackground(Appearance &appearance, QWidget *parent)
    : QWidget(parent)
    , m_appearance(appearance)
{
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
}

QList<QColor> AppBackground::gradientStops(Appearance::ColorScheme scheme)
{
    const bool dark = scheme == Appearance::ColorScheme::dark;
    auto rgb = [](double r, double g, double b) {
        return QColor::fromRgbF(float(r), float(g), float(b));
    };
    return {dark ? rgb(0.05, 0.08, 0.14) : rgb(0.91, 0.933, 0.972),
            dark ? rgb(0.07, 0.11, 0.2) : rgb(0.89, 0.918, 0.965),
            dark ? rgb(0.04, 0.07, 0.13) : rgb(0.868, 0.902, 0.957)};
}

void AppBackground::paint(QPainter &painter, const QRectF &area, Appearance::ColorScheme scheme)
{
    const QList<QColor> stops = gradientStops(scheme);
    QLinearGradient gradient(area.topLeft(), area.bottomRight());
    gradient.setColorAt(0, stops[0]);
    gradient.setColorAt(0.5, stops[1]);
    gradient.setColorAt(1, stops[2]);
    painter.fillRect(area, gradient);
}

void AppBackground::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), m_appearance.colorScheme());
}

} // namespace kernwick
