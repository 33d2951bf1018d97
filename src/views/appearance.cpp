#include "appearance.h"

namespace kernwick {

namespace {

QColor fromRgb(double red, double green, double blue, double opacity = 1)
{
    return QColor::fromRgbF(float(red), float(green), float(blue), float(opacity));
}

// The desktop's label and status colours as the reference look has them, per scheme.
QColor namedColor(ColorSpec::Named name, bool dark)
{
    switch (name) {
    case ColorSpec::Named::primaryLabel:
        return dark ? QColor(255, 255, 255, 217) : QColor(0, 0, 0, 217);
    case ColorSpec::Named::secondaryLabel:
        return dark ? QColor(235, 235, 245, 153) : QColor(60, 60, 67, 153);
    case ColorSpec::Named::green:
        return dark ? QColor(48, 209, 88) : QColor(52, 199, 89);
    case ColorSpec::Named::red:
        return dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
    case ColorSpec::Named::orange:
        return dark ? QColor(255, 159, 10) : QColor(255, 149, 0);
    case ColorSpec::Named::none:
        break;
    }
    return dark ? Qt::white : Qt::black;
}

} // namespace

Appearance::Appearance(ColorScheme scheme, QObject *parent)
    : QObject(parent)
    , m_scheme(scheme)
{}

void Appearance::setColorScheme(ColorScheme scheme)
{
    if (std::exchange(m_scheme, scheme) != scheme)
        Q_EMIT colorSchemeChanged();
}

QColor Appearance::color(const ColorSpec &spec) const
{
    return color(spec, m_scheme);
}

QColor Appearance::color(const ColorSpec &spec, ColorScheme scheme)
{
    QColor result = spec.named == ColorSpec::Named::none
                        ? fromRgb(spec.red, spec.green, spec.blue)
                        : namedColor(spec.named, scheme == ColorScheme::dark);
    result.setAlphaF(result.alphaF() * float(spec.opacity));
    return result;
}

QPalette Appearance::palette() const
{
    const bool dark = isDark();
    QPalette palette;
    const QColor text = dark ? QColor(235, 235, 240) : QColor(28, 28, 30);
    const QColor window = dark ? QColor(30, 33, 40) : QColor(240, 242, 247);
    const QColor base = dark ? QColor(40, 44, 54) : QColor(255, 255, 255);
    const QColor button = dark ? QColor(62, 66, 78) : QColor(252, 252, 253);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Highlight, color(colors::accentBlue));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Light, dark ? QColor(90, 95, 110) : QColor(255, 255, 255));
    palette.setColor(QPalette::Midlight, dark ? QColor(70, 75, 88) : QColor(232, 234, 240));
    palette.setColor(QPalette::Mid, dark ? QColor(55, 58, 68) : QColor(200, 203, 210));
    palette.setColor(QPalette::Dark, dark ? QColor(20, 22, 28) : QColor(160, 163, 170));
    palette.setColor(QPalette::Shadow, QColor(0, 0, 0));
    palette.setColor(QPalette::PlaceholderText, color(colors::secondary));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, color(colors::secondary));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, color(colors::secondary));
    palette.setColor(QPalette::Disabled, QPalette::Text, color(colors::secondary));
    return palette;
}

namespace colors {

QColor systemBlue(bool dark)
{
    return dark ? QColor(10, 132, 255) : QColor(0, 122, 255);
}

QColor cardFill(bool dark)
{
    return dark ? fromRgb(0.13, 0.17, 0.26, 0.7) : fromRgb(0.955, 0.968, 0.992, 0.7);
}

QColor stepCardFill(bool dark)
{
    return dark ? fromRgb(0.1, 0.14, 0.22, 0.8) : fromRgb(0.935, 0.953, 0.984, 0.8);
}

} // namespace colors

} // namespace kernwick
