#include "fontlist.h"

#include <model/places.h>
#include <model/printabletext.h>

#include <QHash>
#include <QJsonArray>

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
    int tooLong = 0;
    bool cut = false;
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
        }
        QStringList &places = fonts[*found].places;
        if (!use.place.isEmpty() && !places.contains(use.place))
            places.append(use.place);
    }
    for (const FontUse &use : result.drawnUses) {
        const auto found = indexByName.constFind(printableText(use.fontName).trimmed());
        if (found == indexByName.cend())
            continue; // text draws only what some place names
        ListedFont &font = fonts[*found];
        font.used = true;
        if (font.usedInKnown && !use.place.isEmpty() && !font.usedIn.contains(use.place))
            font.usedIn.append(use.place);
    }
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
    for (const ListedFont &font : fonts)
        list.append(
            QJsonObject{{u"name"_s, printableText(font.name)},
                        {u"places"_s, printable(font.places)},
                        {u"used"_s, font.used},
                        {u"usedIn"_s, font.usedInKnown ? QJsonValue(printable(font.usedIn)) : QJsonValue()}});
    return QJsonObject{{u"path"_s, printableText(path)}, {u"fonts"_s, list}, {u"notes"_s, printable(notes)}};
}

} // namespace kernwick::fontmeta
