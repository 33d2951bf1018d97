#include "statuspresentation.h"

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
using Named = ColorSpec::Named;
constexpr ColorSpec primary = ColorSpec::fromNamed(Named::primaryLabel);
constexpr ColorSpec secondary = ColorSpec::fromNamed(Named::secondaryLabel);
constexpr ColorSpec green = ColorSpec::fromNamed(Named::green);
constexpr ColorSpec red = ColorSpec::fromNamed(Named::red);
constexpr ColorSpec orange = ColorSpec::fromNamed(Named::orange);
} // namespace

StatusPresentation statusPresentation(FontStatus status)
{
    switch (status) {
    case FontStatus::system:
        return {u"System Font"_s, secondary, u"System Fonts"_s, u"Not included"_s, primary};
    case FontStatus::installed:
        return {u"Found"_s, green, u"Found"_s, u"Found on this computer"_s, green};
    case FontStatus::missing:
        return {u"Missing"_s, red, u"Missing"_s, u"Not found"_s, red};
    case FontStatus::unresolved:
        return {u"Needs Review"_s, orange, u"Needs Review"_s, u"Check manually"_s, orange};
    case FontStatus::adobe:
        return {u"Restricted"_s, restrictedPurple, u"Restricted"_s, u"Licensed · not included"_s,
                restrictedPurple};
    }
    Q_UNREACHABLE();
    return {};
}

ReadinessPresentation readinessPresentation(bool isReadyForHandoff)
{
    if (isReadyForHandoff) {
        return {
            u"checkmark.circle.fill"_s,
            green,
            u"Ready for Handoff"_s,
            ColorSpec::perScheme(ColorSpec::fromRgb(0.04, 0.4, 0.24), ColorSpec::fromRgb(0.2, 0.78, 0.48)),
            ColorSpec::perScheme(ColorSpec::fromRgb(0.06, 0.4, 0.25), ColorSpec::fromRgb(0.3, 0.8, 0.55)),
            green.withOpacity(0.13),
            green.withOpacity(0.55)};
    }
    return {u"exclamationmark.circle.fill"_s,
            orange,
            u"Needs Attention"_s,
            orange,
            secondary,
            orange.withOpacity(0.1),
            orange.withOpacity(0.45)};
}

} // namespace kernwick
