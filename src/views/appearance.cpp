#include "appearance.h"

#include <views/appbackground.h>

#include <cmath>

namespace kernwick {

namespace {

QColor fromRgb(double red, double green, double blue, double opacity = 1)
{
    return QColor::fromRgbF(float(red), float(green), float(blue), float(opacity));
}

// The desktop's label and status colours, per scheme. Each is painted as text on the window's cards, so
// each reads there at 4.5:1 at least (see inksOnSurfaces()): in the light scheme the status colours are
// deeper shades of their hue than the bright ones that serve only as fills.
QColor namedColor(ColorSpec::Named name, bool dark)
{
    switch (name) {
    case ColorSpec::Named::primaryLabel:
        return dark ? QColor(255, 255, 255, 217) : QColor(0, 0, 0, 217);
    case ColorSpec::Named::secondaryLabel:
        return dark ? QColor(235, 235, 245, 153) : QColor(60, 60, 67, 204);
    case ColorSpec::Named::green:
        return dark ? QColor(48, 209, 88) : QColor(28, 112, 48);
    case ColorSpec::Named::red:
        return dark ? QColor(255, 100, 90) : QColor(196, 30, 22);
    case ColorSpec::Named::orange:
        return dark ? QColor(255, 159, 10) : QColor(150, 75, 0);
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
    const bool dark = scheme == ColorScheme::dark;
    QColor result = spec.named != ColorSpec::Named::none ? namedColor(spec.named, dark)
                    : dark && spec.hasDarkVariant ? fromRgb(spec.darkRed, spec.darkGreen, spec.darkBlue)
                                                  : fromRgb(spec.red, spec.green, spec.blue);
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

QColor kindBadgeFill(bool isKeynote)
{
    return isKeynote ? fromRgb(0.1, 0.45, 0.85) : fromRgb(0.95, 0.27, 0.18);
}

QColor headerBarFill(bool dark)
{
    return dark ? QColor(20, 24, 34, 110) : QColor(255, 255, 255, 100);
}

QColor stepCardFill(bool dark)
{
    return dark ? fromRgb(0.1, 0.14, 0.22, 0.8) : fromRgb(0.935, 0.953, 0.984, 0.8);
}

} // namespace colors

namespace {

// `top` laid over the opaque `below`.
QColor over(const QColor &top, const QColor &below)
{
    const float alpha = top.alphaF();
    const auto mix = [alpha](float a, float b) {
        return a * alpha + b * (1 - alpha);
    };
    return QColor::fromRgbF(mix(top.redF(), below.redF()), mix(top.greenF(), below.greenF()),
                            mix(top.blueF(), below.blueF()));
}

double linear(float channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &color)
{
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) + 0.0722 * linear(color.blueF());
}

} // namespace

QList<QColor> surfaceColors(Surface surface, Appearance::ColorScheme scheme)
{
    const bool dark = scheme == Appearance::ColorScheme::dark;
    if (surface == Surface::filledButton)
        return {Appearance::color(colors::accentBlue, scheme)};
    if (surface == Surface::kindBadge)
        return {colors::kindBadgeFill(false), colors::kindBadgeFill(true)};
    if (surface == Surface::popup)
        return {Appearance(scheme).palette().color(QPalette::Window),
                Appearance(scheme).palette().color(QPalette::Base)};
    QList<QColor> colors;
    // The backdrop's three stops, and under the header bar its translucent material.
    for (const QColor &stop : AppBackground::gradientStops(scheme)) {
        if (surface == Surface::backdrop) {
            colors += {stop, over(colors::headerBarFill(dark), stop)};
            continue;
        }
        const QColor step = over(colors::stepCardFill(dark), stop);
        switch (surface) {
        case Surface::stepCard:
            colors.append(step);
            break;
        case Surface::innerCard:
            colors.append(over(colors::cardFill(dark), step));
            break;
        case Surface::selectedRow:
            colors.append(over(Appearance::color(colors::green.withOpacity(0.08), scheme), step));
            break;
        case Surface::readyCard:
            colors.append(over(Appearance::color(readinessPresentation(true).cardTint, scheme), step));
            break;
        case Surface::attentionCard:
            colors.append(over(Appearance::color(readinessPresentation(false).cardTint, scheme), step));
            break;
        case Surface::draggingDropZone:
            colors.append(over(Appearance::color(colors::accentBlue.withOpacity(0.05), scheme), step));
            break;
        default:
            break;
        }
    }
    return colors;
}

const QList<InkOnSurface> &inksOnSurfaces()
{
    using enum Surface;
    static const QList<InkOnSurface> inks = [] {
        QList<InkOnSurface> list = {
            {"application name", colors::accentBlue, backdrop, true},
            {"tagline, footer", colors::secondary, backdrop},
            {"footer lock", colors::secondary, backdrop, true},
            {"step title, file name", colors::primary, stepCard},
            {"step subtitle, row texts", colors::secondary, stepCard},
            {"step number", colors::white, filledButton},
            {"button label", colors::white, filledButton},
            {"file kind's letter", colors::white, kindBadge, true},
            {"focus ring", colors::focusRing, stepCard, true},
            {"focus ring on a card", colors::focusRing, innerCard, true},
            {"focus ring on a ticked row", colors::focusRing, selectedRow, true},
            {"card texts", colors::primary, innerCard},
            {"card details", colors::secondary, innerCard},
            {"drop zone badge", colors::accentText, innerCard, true},
            {"dragging title", colors::accentText, draggingDropZone},
            {"dragging badge", colors::accentText, draggingDropZone, true},
            {"empty state picture", colors::accentText.withOpacity(0.8), stepCard, true},
            {"ticked row texts", colors::primary, selectedRow},
            {"ticked row details", colors::secondary, selectedRow},
            {"ticked row status", colors::green, selectedRow},
            {"missing name", colors::red, stepCard},
            {"missing name's glass", colors::red, stepCard, true},
            {"license mark", restrictedPurple, selectedRow, true},
            {"license mark, left out", restrictedPurple, stepCard, true},
            {"restricted lock", restrictedPurple, stepCard, true},
            {"not included mark", colors::secondary, stepCard, true},
            {"in package tick", colors::green, selectedRow, true},
            {"sort indicator", colors::secondary, innerCard, true},
            {"folder icon", colors::secondary, innerCard, true},
            {"package tick", colors::green, innerCard, true},
            {"menu and dialog texts", colors::primary, popup},
            {"menu and dialog details", colors::secondary, popup},
        };
        for (const FontStatus status : {FontStatus::system, FontStatus::installed, FontStatus::missing,
                                        FontStatus::unresolved, FontStatus::adobe}) {
            const StatusPresentation look = statusPresentation(status);
            list += {{"status in the table", look.badgeColor, stepCard},
                     {"count tile label", look.summaryColor, innerCard},
                     {"legend dot", look.badgeColor, innerCard, true}};
        }
        for (const bool ready : {true, false}) {
            const ReadinessPresentation look = readinessPresentation(ready);
            const Surface card = ready ? readyCard : attentionCard;
            list += {{"readiness icon", look.iconColor, card, true},
                     {"readiness title", look.titleColor, card},
                     {"readiness message", look.messageColor, card}};
        }
        return list;
    }();
    return inks;
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

} // namespace kernwick
