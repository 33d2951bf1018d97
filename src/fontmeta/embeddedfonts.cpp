#include "embeddedfonts.h"

#include <fontmeta/fontlist.h>

#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta {

QJsonArray embeddedFontsToJson(const QList<EmbeddedFont> &fonts)
{
    QJsonArray list;
    for (const EmbeddedFont &font : fonts) {
        QJsonObject entry{{u"name"_s, printableText(font.fontName)},
                          {u"faces"_s, QJsonArray::fromStringList(font.faces)}};
        if (font.lacking)
            entry.insert(u"lacking"_s, *font.lacking);
        list.append(entry);
    }
    return list;
}

QString embeddedFontsForPeople(const QList<EmbeddedFont> &fonts)
{
    QString text;
    for (const EmbeddedFont &font : fonts)
        text += u"  Embedded in the presentation: "_s + printableText(font.fontName) + u" ("_s +
                font.faces.join(u", "_s) + u")\n"_s;
    return text;
}

} // namespace kernwick::fontmeta
