#pragma once

#include <fontmeta/fontuse.h>

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace kernwick::fontmeta {

// One distinct font of a document and every place that names it.
struct ListedFont
{
    QString name;
    QStringList places;      // distinct, in document order
    bool used = true;        // text draws it; false: the document only declares it
    QStringList usedIn;      // where text draws it, distinct, in document order
    bool usedInKnown = true; // false when the document does not tell where (usedIn is then empty)
};

// The distinct names (exact spelling, first occurrence first) of what a reader found.
QList<ListedFont> listFonts(const ReadResult &result);

// Places for people: "slide 1", "slide 2", "slide 3", "theme minor font" read
// "slides 1–3, theme minor font".
QString summarizePlaces(const QStringList &places);

// The answer in the metadata tool's format: kMDItemFonts = ( "Name", … ) or kMDItemFonts = (null).
QString formatMetadataAnswer(const QList<ListedFont> &fonts);

// For people: the path, then one line per font: two spaces, the name, a tab, where it was found, and
// " (declared only: no text uses it)" for a font that no text draws.
QString formatForPeople(const QString &path, const QList<ListedFont> &fonts);

QJsonObject formatAsJson(const QString &path, const QList<ListedFont> &fonts, const QStringList &notes);

} // namespace kernwick::fontmeta
