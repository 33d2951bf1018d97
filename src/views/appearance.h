#pragma once

#include <model/statuspresentation.h>

#include <QColor>
#include <QList>
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
// The accent where it is small text or a thin line (a focus ring): darker in the light scheme and lighter
// in the dark one than the accent itself, which fills buttons and badges and names the application.
inline constexpr ColorSpec accentText =
    ColorSpec::perScheme(ColorSpec::fromRgb(0.09, 0.35, 0.78), ColorSpec::fromRgb(0.42, 0.62, 1.0));
// The ring of the control that has the keyboard.
inline constexpr ColorSpec focusRing = accentText;
// The desktop's standard blue (folder icons), which is not the accent.
QColor systemBlue(bool dark);
// The fill of the inner cards and of the three step cards.
QColor cardFill(bool dark);
QColor stepCardFill(bool dark);
// The fill of the file card's badge: PowerPoint's red-orange, or Keynote's blue.
QColor kindBadgeFill(bool isKeynote);
// The header bar's translucent material.
QColor headerBarFill(bool dark);
} // namespace colors

// What the window paints its texts and icons on.
enum class Surface
{
    backdrop,         // the window's gradient, the header bar and the footer
    stepCard,         // a step card (the font table's rows lie on it)
    innerCard,        // a card inside a step: file card, tiles, table header, package cards, legend
    selectedRow,      // a font row ticked for the package
    readyCard,        // the readiness card of a list ready for handoff
    attentionCard,    // the readiness card of a list that needs attention
    draggingDropZone, // the drop zone while a file is dragged over it
    filledButton,     // the accent fill of the main buttons and the step numbers
    kindBadge,        // the file card's badge of the file's kind
    popup             // menus, dialogs and tooltips
};

// Every opaque colour a surface shows in a scheme (the gradient's stops and what lies on them), with the
// translucent fills laid over what is behind them.
QList<QColor> surfaceColors(Surface surface, Appearance::ColorScheme scheme);

// A text or icon colour of the window and the surface it is painted on. Text needs a contrast of 4.5:1;
// large text (the application's name, counts) and icons 3:1.
struct InkOnSurface
{
    const char *what;
    ColorSpec ink;
    Surface surface;
    bool isLargeOrIcon = false;
};

// Every text and icon colour the window paints, on each surface it is painted on.
const QList<InkOnSurface> &inksOnSurfaces();

// The WCAG contrast ratio of two opaque colours, 1 to 21.
double contrastRatio(const QColor &a, const QColor &b);

} // namespace kernwick
