#include "fontidentity.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <tuple>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

// A style as style words spell it; -1 where the words leave a part open.
struct Style
{
    int weight = -1;
    int width = -1;
    bool isItalic = false;
    QStringList words;
};

struct StyleWord
{
    QStringView key;
    int weight;
    int width;
    bool isItalic;
    QStringView word; // for people
};

// The words that name weights, widths and slopes, as match keys, with the abbreviations that PostScript
// names use ("BoldIt", "BdCn", "Blk"). Longer words first, so that "extrabold" is one word, not two.
constexpr std::array styleWords = {
    StyleWord{u"ultracondensed", -1, FC_WIDTH_ULTRACONDENSED, false, u"UltraCondensed"},
    StyleWord{u"extracondensed", -1, FC_WIDTH_EXTRACONDENSED, false, u"ExtraCondensed"},
    StyleWord{u"semicondensed", -1, FC_WIDTH_SEMICONDENSED, false, u"SemiCondensed"},
    StyleWord{u"ultraexpanded", -1, FC_WIDTH_ULTRAEXPANDED, false, u"UltraExpanded"},
    StyleWord{u"extraexpanded", -1, FC_WIDTH_EXTRAEXPANDED, false, u"ExtraExpanded"},
    StyleWord{u"semiexpanded", -1, FC_WIDTH_SEMIEXPANDED, false, u"SemiExpanded"},
    StyleWord{u"extrablack", FC_WEIGHT_EXTRABLACK, -1, false, u"ExtraBlack"},
    StyleWord{u"ultrablack", FC_WEIGHT_EXTRABLACK, -1, false, u"UltraBlack"},
    StyleWord{u"extralight", FC_WEIGHT_EXTRALIGHT, -1, false, u"ExtraLight"},
    StyleWord{u"ultralight", FC_WEIGHT_EXTRALIGHT, -1, false, u"UltraLight"},
    StyleWord{u"condensed", -1, FC_WIDTH_CONDENSED, false, u"Condensed"},
    StyleWord{u"demilight", FC_WEIGHT_DEMILIGHT, -1, false, u"DemiLight"},
    StyleWord{u"semilight", FC_WEIGHT_DEMILIGHT, -1, false, u"SemiLight"},
    StyleWord{u"extrabold", FC_WEIGHT_EXTRABOLD, -1, false, u"ExtraBold"},
    StyleWord{u"ultrabold", FC_WEIGHT_EXTRABOLD, -1, false, u"UltraBold"},
    StyleWord{u"expanded", -1, FC_WIDTH_EXPANDED, false, u"Expanded"},
    StyleWord{u"extended", -1, FC_WIDTH_EXPANDED, false, u"Extended"},
    StyleWord{u"demibold", FC_WEIGHT_DEMIBOLD, -1, false, u"DemiBold"},
    StyleWord{u"semibold", FC_WEIGHT_DEMIBOLD, -1, false, u"SemiBold"},
    StyleWord{u"hairline", FC_WEIGHT_THIN, -1, false, u"Hairline"},
    StyleWord{u"oblique", -1, -1, true, u"Oblique"},
    StyleWord{u"regular", FC_WEIGHT_REGULAR, -1, false, u"Regular"},
    StyleWord{u"semibd", FC_WEIGHT_DEMIBOLD, -1, false, u"SemiBold"},
    StyleWord{u"italic", -1, -1, true, u"Italic"},
    StyleWord{u"medium", FC_WEIGHT_MEDIUM, -1, false, u"Medium"},
    StyleWord{u"narrow", -1, FC_WIDTH_CONDENSED, false, u"Narrow"},
    StyleWord{u"normal", FC_WEIGHT_REGULAR, -1, false, u"Normal"},
    StyleWord{u"black", FC_WEIGHT_BLACK, -1, false, u"Black"},
    StyleWord{u"heavy", FC_WEIGHT_HEAVY, -1, false, u"Heavy"},
    StyleWord{u"light", FC_WEIGHT_LIGHT, -1, false, u"Light"},
    StyleWord{u"plain", FC_WEIGHT_REGULAR, -1, false, u"Plain"},
    StyleWord{u"roman", FC_WEIGHT_REGULAR, -1, false, u"Roman"},
    StyleWord{u"bold", FC_WEIGHT_BOLD, -1, false, u"Bold"},
    StyleWord{u"book", FC_WEIGHT_BOOK, -1, false, u"Book"},
    StyleWord{u"cond", -1, FC_WIDTH_CONDENSED, false, u"Condensed"},
    StyleWord{u"demi", FC_WEIGHT_DEMIBOLD, -1, false, u"Demi"},
    StyleWord{u"ital", -1, -1, true, u"Italic"},
    StyleWord{u"thin", FC_WEIGHT_THIN, -1, false, u"Thin"},
    StyleWord{u"blk", FC_WEIGHT_BLACK, -1, false, u"Black"},
    StyleWord{u"med", FC_WEIGHT_MEDIUM, -1, false, u"Medium"},
    StyleWord{u"bd", FC_WEIGHT_BOLD, -1, false, u"Bold"},
    StyleWord{u"cn", -1, FC_WIDTH_CONDENSED, false, u"Condensed"},
    StyleWord{u"hv", FC_WEIGHT_HEAVY, -1, false, u"Heavy"},
    StyleWord{u"it", -1, -1, true, u"Italic"},
    StyleWord{u"lt", FC_WEIGHT_LIGHT, -1, false, u"Light"},
    StyleWord{u"md", FC_WEIGHT_MEDIUM, -1, false, u"Medium"},
};

// No style spelled out is longer than this; a longer rest of a name is never a style.
constexpr qsizetype longestStyleKey = 48;

// Vendor marks that PostScript names carry after the family ("TimesNewRomanPS-BoldMT").
constexpr std::array vendorSuffixes = {QStringView(u"psmt"), QStringView(u"mt"), QStringView(u"ps")};

// Reads `key` from `at` on as style words, each part of the style given once.
bool readStyle(QStringView key, qsizetype at, Style &style)
{
    if (at == key.size())
        return true;
    for (const StyleWord &word : styleWords) {
        if (!key.sliced(at).startsWith(word.key))
            continue;
        if ((word.weight >= 0 && style.weight >= 0) || (word.width >= 0 && style.width >= 0) ||
            (word.isItalic && style.isItalic))
            continue;
        Style next = style;
        if (word.weight >= 0)
            next.weight = word.weight;
        if (word.width >= 0)
            next.width = word.width;
        next.isItalic = next.isItalic || word.isItalic;
        next.words.append(word.word.toString());
        if (readStyle(key, at + word.key.size(), next)) {
            style = next;
            return true;
        }
    }
    return false;
}

std::optional<Style> styleFromKey(QStringView key)
{
    Style style;
    if (key.isEmpty() || key.size() > longestStyleKey || !readStyle(key, 0, style))
        return std::nullopt;
    return style;
}

// The nearest of the weights that style words name; Book and Regular are one weight to a reader.
int weightClass(int weight)
{
    static constexpr std::array classes = {FC_WEIGHT_THIN,      FC_WEIGHT_EXTRALIGHT, FC_WEIGHT_LIGHT,
                                           FC_WEIGHT_DEMILIGHT, FC_WEIGHT_REGULAR,    FC_WEIGHT_MEDIUM,
                                           FC_WEIGHT_DEMIBOLD,  FC_WEIGHT_BOLD,       FC_WEIGHT_EXTRABOLD,
                                           FC_WEIGHT_BLACK,     FC_WEIGHT_EXTRABLACK};
    if (weight == FC_WEIGHT_BOOK)
        return FC_WEIGHT_REGULAR;
    return *std::min_element(classes.begin(), classes.end(),
                             [weight](int a, int b) { return std::abs(a - weight) < std::abs(b - weight); });
}

int widthClass(int width)
{
    static constexpr std::array classes = {
        FC_WIDTH_ULTRACONDENSED, FC_WIDTH_EXTRACONDENSED, FC_WIDTH_CONDENSED,
        FC_WIDTH_SEMICONDENSED,  FC_WIDTH_NORMAL,         FC_WIDTH_SEMIEXPANDED,
        FC_WIDTH_EXPANDED,       FC_WIDTH_EXTRAEXPANDED,  FC_WIDTH_ULTRAEXPANDED};
    return *std::min_element(classes.begin(), classes.end(),
                             [width](int a, int b) { return std::abs(a - width) < std::abs(b - width); });
}

bool hasStyle(const FontCatalog::Face &face, const Style &style)
{
    return weightClass(face.weight) == weightClass(style.weight < 0 ? FC_WEIGHT_REGULAR : style.weight) &&
           widthClass(face.width) == widthClass(style.width < 0 ? FC_WIDTH_NORMAL : style.width) &&
           (face.slant != FC_SLANT_ROMAN) == style.isItalic;
}

// How far a face is from the regular one of its family: upright first, then weight, then width.
auto regularity(const FontCatalog::Face &face)
{
    return std::make_tuple(face.slant != FC_SLANT_ROMAN, std::abs(face.weight - FC_WEIGHT_REGULAR),
                           std::abs(face.width - FC_WIDTH_NORMAL));
}

// The style that a family's own name ends in ("Light" of "Calibri Light"), empty when none: style words
// taken off its end, longest first, each part of the style once, never the whole name.
Style trailingStyle(const QString &familyKey)
{
    Style style;
    QStringView rest(familyKey);
    for (bool found = true; found;) {
        found = false;
        for (const StyleWord &word : styleWords) {
            // The last letters first: most family names end in none of the words.
            if (rest.size() <= word.key.size() || rest.back() != word.key.back() ||
                !rest.endsWith(word.key) || (word.weight >= 0 && style.weight >= 0) ||
                (word.width >= 0 && style.width >= 0) || (word.isItalic && style.isItalic))
                continue;
            if (word.weight >= 0)
                style.weight = word.weight;
            if (word.width >= 0)
                style.width = word.width;
            style.isItalic = style.isItalic || word.isItalic;
            rest.chop(word.key.size());
            found = true;
            break;
        }
    }
    return style;
}

// Whether the family's name alone reaches the face, as style linking does: its regular, bold, italic and
// bold italic faces. A face of another weight or width carries it in its own family's name ("Calibri
// Light", "DejaVu Sans Condensed"), so "Calibri" never reaches Calibri Light.
bool isReachedByFamilyName(const FontCatalog::Face &face, const Style &familyStyle)
{
    const int weight = weightClass(face.weight);
    const bool weightLinks = weight == FC_WEIGHT_REGULAR || weight == FC_WEIGHT_BOLD ||
                             (familyStyle.weight >= 0 && weightClass(familyStyle.weight) == weight);
    const int width = widthClass(face.width);
    const bool widthLinks =
        width == FC_WIDTH_NORMAL || (familyStyle.width >= 0 && widthClass(familyStyle.width) == width);
    return weightLinks && widthLinks;
}

// `key` without a vendor mark at its end, or nothing when it has none.
std::optional<QString> withoutVendorSuffix(const QString &key)
{
    for (const QStringView suffix : vendorSuffixes) {
        if (key.size() > suffix.size() && key.endsWith(suffix))
            return key.chopped(suffix.size());
    }
    return std::nullopt;
}

} // namespace

QString fontMatchKey(QStringView name)
{
    // Nearly every font name is ASCII: folded here in one pass.
    if (std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        QString key(name.size(), Qt::Uninitialized);
        qsizetype length = 0;
        for (const QChar c : name) {
            const char16_t unit = c.unicode();
            if (unit != u'-' && unit != u' ')
                key[length++] = QChar(unit >= u'A' && unit <= u'Z' ? unit + (u'a' - u'A') : unit);
        }
        key.truncate(length);
        return key;
    }
    QString key = name.toString().toCaseFolded();
    key.remove(u'-');
    key.remove(u' ');
    return key;
}

FontIdentity::FontIdentity(const QList<FontCatalog::Face> &faces)
    : m_faces(faces)
{
    // The first face listed under a name keeps it.
    const auto keep = [](QHash<QString, qsizetype> &index, const QString &name, qsizetype at) {
        if (!index.contains(name))
            index.insert(name, at);
    };
    for (QHash<QString, qsizetype> *index :
         {&m_faceByPostScriptName, &m_faceByPostScriptKey, &m_faceByFullName, &m_faceByFullNameKey,
          &m_familyByName, &m_familyByKey})
        index->reserve(m_faces.size());
    for (qsizetype i = 0; i < m_faces.size(); ++i) {
        const FontCatalog::Face &face = m_faces[i];
        if (!face.postScriptName.isEmpty()) {
            keep(m_faceByPostScriptName, face.postScriptName, i);
            keep(m_faceByPostScriptKey, fontMatchKey(face.postScriptName), i);
        }
        for (const QString &fullName : face.fullNames) {
            keep(m_faceByFullName, fullName, i);
            keep(m_faceByFullNameKey, fontMatchKey(fullName), i);
        }
        for (const QString &familyName : face.families) {
            const QString key = fontMatchKey(familyName);
            if (key.isEmpty())
                continue;
            qsizetype family = m_familyByKey.value(key, -1);
            if (family < 0) {
                family = m_families.size();
                m_familyByKey.insert(key, family);
                m_families.append({familyName, {}, -1});
            }
            keep(m_familyByName, familyName, family);
            QList<qsizetype> &members = m_families[family].faces;
            if (members.isEmpty() || members.last() != i)
                members.append(i);
        }
    }

    for (auto family = m_familyByKey.cbegin(); family != m_familyByKey.cend(); ++family) {
        Family &entry = m_families[family.value()];
        const Style familyStyle = trailingStyle(family.key());
        entry.weight = familyStyle.weight;
        entry.width = familyStyle.width;
        for (const qsizetype i : std::as_const(entry.faces)) {
            if (!isReachedByFamilyName(m_faces[i], familyStyle))
                continue;
            if (entry.regular < 0 || regularity(m_faces[i]) < regularity(m_faces[entry.regular]))
                entry.regular = i;
        }
        if (!m_familyKeyLengths.contains(family.key().size()))
            m_familyKeyLengths.append(family.key().size());
    }
    std::sort(m_familyKeyLengths.begin(), m_familyKeyLengths.end(), std::greater<>());
}

FontMatch FontIdentity::match(const QString &name) const
{
    // The name exactly as a font spells it.
    if (const auto face = m_faceByPostScriptName.constFind(name); face != m_faceByPostScriptName.cend())
        return {*face, {}, {}};
    if (const auto face = m_faceByFullName.constFind(name); face != m_faceByFullName.cend())
        return {*face, {}, {}};
    FontMatch familyWithoutFace;
    if (const auto family = m_familyByName.constFind(name); family != m_familyByName.cend()) {
        const FontMatch found = familyFace(*family);
        if (found.isFound())
            return found;
        familyWithoutFace = found;
    }

    // Then case, spaces, hyphens and a vendor mark aside.
    const QString key = fontMatchKey(name);
    QList<QString> keys{key};
    if (const auto bare = withoutVendorSuffix(key))
        keys.append(*bare);
    for (const QString &candidate : std::as_const(keys)) {
        for (const auto &step : {&FontIdentity::matchKey, &FontIdentity::matchFamilyAndStyle}) {
            const FontMatch found = (this->*step)(candidate);
            if (found.isFound())
                return found;
            if (familyWithoutFace.family.isEmpty())
                familyWithoutFace = found;
        }
    }
    return familyWithoutFace;
}

FontMatch FontIdentity::matchKey(const QString &key) const
{
    if (const auto face = m_faceByPostScriptKey.constFind(key); face != m_faceByPostScriptKey.cend())
        return {*face, {}, {}};
    if (const auto face = m_faceByFullNameKey.constFind(key); face != m_faceByFullNameKey.cend())
        return {*face, {}, {}};
    if (const auto family = m_familyByKey.constFind(key); family != m_familyByKey.cend())
        return familyFace(*family);
    return {};
}

FontMatch FontIdentity::familyFace(qsizetype family) const
{
    const Family &entry = m_families[family];
    if (entry.regular >= 0)
        return {entry.regular, {}, {}};
    return {-1, entry.name, u"Regular"_s};
}

FontMatch FontIdentity::matchFamilyAndStyle(const QString &key) const
{
    // The longest family name that the name begins with, followed by words that read as a style.
    for (const qsizetype length : m_familyKeyLengths) {
        if (length >= key.size())
            continue;
        if (key.size() - length > longestStyleKey + 4)
            break;
        const auto family = m_familyByKey.constFind(key.left(length));
        if (family == m_familyByKey.cend())
            continue;
        const QString rest = key.sliced(length);
        QList<QString> styles{rest};
        for (const QStringView vendor : vendorSuffixes) {
            if (rest.startsWith(vendor))
                styles.append(rest.sliced(vendor.size()));
        }
        for (const QString &styleKey : std::as_const(styles)) {
            if (styleKey.isEmpty())
                return familyFace(*family);
            const Family &entry = m_families[*family];
            if (const qsizetype face = faceWithStyle(entry, styleKey); face >= 0)
                return {face, {}, {}};
            if (const auto style = styleFromKey(styleKey))
                return {-1, entry.name, style->words.join(u' ')};
        }
    }
    return {};
}

qsizetype FontIdentity::faceWithStyle(const Family &family, const QString &styleKey) const
{
    for (const qsizetype i : family.faces) {
        for (const QString &style : m_faces[i].styles) {
            if (fontMatchKey(style) == styleKey)
                return i;
        }
    }
    auto style = styleFromKey(styleKey);
    if (!style)
        return -1;
    // "Arial Black Italic" is the italic of a black family.
    if (style->weight < 0)
        style->weight = family.weight;
    if (style->width < 0)
        style->width = family.width;
    for (const qsizetype i : family.faces) {
        if (hasStyle(m_faces[i], *style))
            return i;
    }
    return -1;
}

} // namespace kernwick
