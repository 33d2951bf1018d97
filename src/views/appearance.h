#pragma once

#include <model/statuspresentation.h>

#include <QColor>
#include <QObject>
#include <QPalette>

namespace kernwick {

// The light or dark look of the window, in one place: every view asks it for colours and repaints when
// it changes. The application shell decides the scheme (a stored setting or the desktop's preference).
class Appearance final : public QObject
{
    Q_OBJECT

public:
    enum class ColorScheme
    {
        light,
        dark
    };

    explicit Appearance(ColorScheme scheme = ColorScheme::light, QObject *parent = nullptr);

    ColorScheme colorScheme() const { return m_scheme; }
    bool isDark() const { return m_scheme == ColorScheme::dark; }
    void setColorScheme(ColorScheme scheme);

    // A plain-data colour of the model in the current scheme: named colours take their light or dark
    // variant, sRGB values stand as given; the opacity applies on top.
    QColor color(const ColorSpec &spec) const;
    static QColor color(const ColorSpec &spec, ColorScheme scheme);

    // The widget palette for standard controls (checkboxes, bordered buttons, menus, scroll bars).
    QPalette palette() const;

Q_SIGNALS:
    void colorSchemeChanged();

private:
    ColorScheme m_scheme;
};

// The application's own colours, shared by every view.
namespace colors {
inline constexpr ColorSpec accentBlue = ColorSpec::fromRgb(0.12, 0.42, 0.9);
inline constexpr ColorSpec primary = ColorSpec::fromNamed(ColorSpec::Named::primaryLabel);
inline constexpr ColorSpec secondary = ColorSpec::fromNamed(ColorSpec::Named::secondaryLabel);
inline constexpr ColorSpec green = ColorSpec::fromNamed(ColorSpec::Named::green);
inline constexpr ColorSpec red = ColorSpec::fromNamed(ColorSpec::Named::red);
inline constexpr ColorSpec orange = ColorSpec::fromNamed(ColorSpec::Named::orange);
inline constexpr ColorSpec black = ColorSpec::fromRgb(0, 0, 0);
inline constexpr ColorSpec white = ColorSpec::fromRgb(1, 1, 1);
// The desktop's standard blue (folder icons), which is not the accent.
QColor systemBlue(bool dark);
// The fill of the inner cards and of the three step cards.
QColor cardFill(bool dark);
QColor stepCardFill(bool dark);
} // namespace colors

} // namespace kernwick
