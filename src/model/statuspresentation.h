#pragma once

#include <model/fontstatus.h>

#include <QString>

namespace kernwick {

// A colour as plain data, so that the model stays free of the GUI: either one of the desktop's named
// colours, which the views look up in the current palette, or a fixed sRGB value, with a value of its own
// for the dark scheme where one value cannot be read on both. `opacity` applies on top.
struct ColorSpec
{
    enum class Named
    {
        none,
        primaryLabel,
        secondaryLabel,
        green,
        red,
        orange
    };

    Named named = Named::none;
    double red = 0;
    double green = 0;
    double blue = 0;
    double opacity = 1;
    bool hasDarkVariant = false;
    double darkRed = 0;
    double darkGreen = 0;
    double darkBlue = 0;

    static constexpr ColorSpec fromNamed(Named name, double opacity = 1) { return {name, 0, 0, 0, opacity}; }
    static constexpr ColorSpec fromRgb(double r, double g, double b, double opacity = 1)
    {
        return {Named::none, r, g, b, opacity};
    }
    // `light`'s value in the light scheme and `dark`'s in the dark one, at `light`'s opacity.
    static constexpr ColorSpec perScheme(ColorSpec light, ColorSpec dark)
    {
        light.hasDarkVariant = true;
        light.darkRed = dark.red;
        light.darkGreen = dark.green;
        light.darkBlue = dark.blue;
        return light;
    }
    constexpr ColorSpec withOpacity(double value) const
    {
        ColorSpec copy = *this;
        copy.opacity = value;
        return copy;
    }
    bool operator==(const ColorSpec &) const = default;
};

// The purple of restricted (Adobe) fonts, a little lighter in the dark scheme so that it reads there.
inline constexpr ColorSpec restrictedPurple =
    ColorSpec::perScheme(ColorSpec::fromRgb(0.525, 0.21, 0.84), ColorSpec::fromRgb(0.69, 0.48, 0.9));

// How a status shows in the font table and on its summary card.
struct StatusPresentation
{
    QString badgeText;
    ColorSpec badgeColor;
    QString summaryLabel;
    QString summarySubLabel;
    ColorSpec summaryColor;
};

StatusPresentation statusPresentation(FontStatus status);

// How the readiness badge shows a list that is, or is not, ready for handoff.
struct ReadinessPresentation
{
    QString iconName; // a symbol name, mapped to an icon by the views
    ColorSpec iconColor;
    QString title;
    ColorSpec titleColor;
    ColorSpec messageColor;
    ColorSpec cardTint;
    ColorSpec cardBorder;
};

ReadinessPresentation readinessPresentation(bool isReadyForHandoff);

} // namespace kernwick
