#include "fontlist.h"

#include <model/places.h>
#include <model/printabletext.h>

#include <QHash>
#include <QJsonArray>
#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta {

QString printableText(QStringView text)
{
    return kernwick::printableText(text);
}

QList<ListedFont> listFonts(const ReadResult &result, QStringList *notes)
{
    QList<ListedFont> fonts;
    QHash<QString, qsizetype> indexByName;
    // Beside each listed font, what it already holds, so that a deck of thousands of slides costs the
    // same per use as a short one.
    struct Seen
    {
        QSet<QString> places;
        QSet<QString> usedIn;
        QHash<QString, qsizetype> characterIndex; // by place, into ListedFont::characters
        qsizetype characterTotal = 0;
    };
    QList<Seen> seen;
    int tooLong = 0;
    bool cut = false;
    bool charactersCut = false;
    for (const FontUse &use : result.uses) {
        const QString name = printableText(use.fontName).trimmed();
        if (name.isEmpty())
            continue;
        if (name.size() > MaxListedNameLength) {
            ++tooLong;
            continue;
        }
        auto found = indexByName.constFind(name);
        if (found == indexByName.cend()) {
            if (fonts.size() >= MaxListedFonts) {
                cut = true;
                continue;
            }
            found = indexByName.insert(name, fonts.size());
            ListedFont font;
            font.name = name;
            font.used = result.drawnFonts == DrawnFonts::Unknown;
            font.usedInKnown = result.drawnFonts == DrawnFonts::WithPlaces;
            fonts.append(font);
            seen.append(Seen());
        }
        if (!use.place.isEmpty() && !seen[*found].places.contains(use.place)) {
            seen[*found].places.insert(use.place);
            fonts[*found].places.append(use.place);
        }
    }
    for (const FontUse &use : result.drawnUses) {
        const auto found = indexByName.constFind(printableText(use.fontName).trimmed());
        if (found == indexByName.cend())
            continue; // text draws only what some place names
        ListedFont &font = fonts[*found];
        Seen &held = seen[*found];
        font.used = true;
        if (font.usedInKnown && !use.place.isEmpty() && !held.usedIn.contains(use.place)) {
            held.usedIn.insert(use.place);
            font.usedIn.append(use.place);
        }
        if (use.characters.isEmpty())
            continue; // where the document does not tell places, under an empty one
        if (held.characterTotal + use.characters.size() > MaxListedCharacters) {
            charactersCut = true;
            continue;
        }
        const auto same = held.characterIndex.constFind(use.place);
        if (same == held.characterIndex.cend()) {
            held.characterIndex.insert(use.place, font.characters.size());
            font.characters.append({use.place, use.characters});
            held.characterTotal += use.characters.size();
        } else {
            QString &drawn = font.characters[*same].second;
            for (const char32_t c : use.characters.toUcs4()) {
                const QString character = QString::fromUcs4(&c, 1);
                if (!drawn.contains(character)) {
                    drawn += character;
                    held.characterTotal += character.size();
                }
            }
        }
    }
    if (notes && charactersCut)
        notes->append(u"stopped listing the characters text draws at %1 per font"_s.arg(MaxListedCharacters));
    if (notes && tooLong > 0)
        notes->append(
            u"left out %1 font name(s) longer than %2 characters"_s.arg(tooLong).arg(MaxListedNameLength));
    if (notes && cut)
        notes->append(u"stopped at %1 fonts: the others are not listed"_s.arg(MaxListedFonts));
    return fonts;
}

QString summarizePlaces(const QStringList &places)
{
    return gatherPlaces(places).join(u", "_s);
}

QString formatMetadataAnswer(const QList<ListedFont> &fonts)
{
    if (fonts.isEmpty())
        return u"kMDItemFonts = (null)\n"_s;
    QStringList lines;
    for (const ListedFont &font : fonts)
        lines.append(u"    \""_s + font.name + u'"');
    return u"kMDItemFonts = (\n"_s + lines.join(u",\n"_s) + u"\n)\n"_s;
}

QString formatForPeople(const QString &path, const QList<ListedFont> &fonts)
{
    QString text = path + u'\n';
    if (fonts.isEmpty())
        text += u"  (no fonts found)\n"_s;
    for (const ListedFont &font : fonts) {
        text += u"  "_s + font.name + u'\t' + summarizePlaces(font.places);
        if (!font.used)
            text += u" (declared only: no text uses it)"_s;
        text += u'\n';
    }
    return text;
}

QJsonObject formatAsJson(const QString &path, const QList<ListedFont> &fonts, const QStringList &notes)
{
    const auto printable = [](const QStringList &texts) {
        QJsonArray array;
        for (const QString &text : texts)
            array.append(printableText(text));
        return array;
    };
    QJsonArray list;
    for (const ListedFont &font : fonts) {
        QJsonObject object{
            {u"name"_s, printableText(font.name)},
            {u"places"_s, printable(font.places)},
            {u"used"_s, font.used},
            {u"usedIn"_s, font.usedInKnown ? QJsonValue(printable(font.usedIn)) : QJsonValue()}};
        if (!font.characters.isEmpty()) {
            QJsonObject characters;
            for (const auto &[place, drawn] : font.characters)
                characters.insert(printableText(place), printableText(drawn));
            object.insert(u"characters"_s, characters);
        }
        list.append(object);
    }
    return QJsonObject{{u"path"_s, printableText(path)}, {u"fonts"_s, list}, {u"notes"_s, printable(notes)}};
}

} // namespace kernwick::fontmeta
