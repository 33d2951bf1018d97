#include "missingcharacters.h"

#include <model/places.h>

#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
constexpr qsizetype maxPlacesLength = 60;
} // namespace

MissingCharacters missingCharactersAt(const QList<char32_t> &missing, const DrawnCharacters &drawn)
{
    MissingCharacters result;
    result.count = missing.size();
    const QList<char32_t> listed = missing.first(std::min(result.count, maxListedMissingCharacters));
    result.characters = QString::fromUcs4(listed.constData(), listed.size());
    const QSet<char32_t> lacking(missing.cbegin(), missing.cend());
    for (const auto &[place, characters] : drawn) {
        const QList<uint> here = characters.toUcs4();
        if (std::any_of(here.cbegin(), here.cend(),
                        [&lacking](uint c) { return lacking.contains(char32_t(c)); }) &&
            !place.isEmpty() && !result.places.contains(place))
            result.places.append(place);
    }
    return result;
}

QString missingCharactersText(const QString &fontName, const MissingCharacters &missing)
{
    if (missing.isEmpty())
        return {};
    QStringList shown;
    for (const char32_t c : missing.characters.toUcs4()) {
        // A combining mark is shown on a dotted circle, as character tables do.
        const QChar::Category category = QChar::category(c);
        const bool mark = category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
                          category == QChar::Mark_Enclosing;
        shown.append((mark ? u"\u25cc"_s : QString()) + QString::fromUcs4(&c, 1));
    }
    QString text = missing.count == 1 ? u"1 character not in %1: "_s.arg(fontName)
                                      : u"%1 characters not in %2: "_s.arg(missing.count).arg(fontName);
    text += shown.join(u' ');
    if (missing.count > shown.size())
        text += u" … and %1 more"_s.arg(missing.count - shown.size());
    if (!missing.places.isEmpty()) {
        // The places stay one short line; the whole list is in the machine forms.
        QString places = gatherPlaces(missing.places).join(u", "_s);
        if (places.size() > maxPlacesLength)
            places = places.first(places.lastIndexOf(u", "_s, maxPlacesLength) + 1) + u" …"_s;
        text += u" ("_s + places + u')';
    }
    return text;
}

} // namespace kernwick
