#pragma once

// One face as fontconfig describes it, for the catalog and for font files read one by one.

#include <platform/fontcatalog.h>

#include <fontconfig/fontconfig.h>

namespace kernwick {

inline QStringList fontPatternStrings(FcPattern *pattern, const char *object)
{
    QStringList values;
    FcChar8 *value = nullptr;
    for (int n = 0; FcPatternGetString(pattern, object, n, &value) == FcResultMatch && value; ++n)
        values.append(QString::fromUtf8(reinterpret_cast<const char *>(value)));
    return values;
}

inline int fontPatternInteger(FcPattern *pattern, const char *object, int fallback)
{
    int value = fallback;
    FcPatternGetInteger(pattern, object, 0, &value);
    return value;
}

inline FontCatalog::Face faceFromPattern(FcPattern *pattern)
{
    FontCatalog::Face face;
    face.file = fontPatternStrings(pattern, FC_FILE).value(0);
    face.postScriptName = fontPatternStrings(pattern, FC_POSTSCRIPT_NAME).value(0);
    face.fullNames = fontPatternStrings(pattern, FC_FULLNAME);
    face.families = fontPatternStrings(pattern, FC_FAMILY);
    face.styles = fontPatternStrings(pattern, FC_STYLE);
    face.weight = fontPatternInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
    face.slant = fontPatternInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    face.width = fontPatternInteger(pattern, FC_WIDTH, FC_WIDTH_NORMAL);
    face.index = fontPatternInteger(pattern, FC_INDEX, 0);
    return face;
}

} // namespace kernwick
