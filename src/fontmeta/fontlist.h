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
    // Where text draws it, the distinct characters drawn there; at most MaxListedCharacters in all.
    QList<std::pair<QString, QString>> characters = {};
};

// The distinct names (exact spelling, first occurrence first) of what a reader found, each made safe to
// show and hand on: control characters become spaces, lone surrogates U+FFFD, and it is trimmed. Names
// longer than MaxListedNameLength and names beyond the first MaxListedFonts are left out, with a note
// added to `notes` for each kind of cut.
QList<ListedFont> listFonts(const ReadResult &result, QStringList *notes = nullptr);

inline constexpr qsizetype MaxListedNameLength = 256;
inline constexpr int MaxListedFonts = 10000;
inline constexpr qsizetype MaxListedCharacters = 262144;

// The text with control characters, line separators and bidirectional overrides made spaces and lone
// surrogates U+FFFD (which strict JSON parsers and terminals cannot take): kernwick::printableText.
QString printableText(QStringView text);

// Places for people: "slide 1", "slide 2", "slide 3", "theme minor font" read
// "slides 1–3, theme minor font".
QString summarizePlaces(const QStringList &places);

// The answer in the metadata tool's text form, kMDItemFonts = ( "Name", … ) or kMDItemFonts = (null),
// for scripts written against that tool. Names stand between quotes as they are, so a reader of this
// form cannot tell all of them apart; the scan reads the JSON form.
QString formatMetadataAnswer(const QList<ListedFont> &fonts);

// For people: the path, then one line per font: two spaces, the name, a tab, where it was found, and
// " (declared only: no text uses it)" for a font that no text draws.
QString formatForPeople(const QString &path, const QList<ListedFont> &fonts);

// The machine form, one object per document: {"path", "fonts": [{"name", "places", "used", "usedIn",
// "characters": {place: characters}}], "notes"}, "characters" only where the reader tells them. Every
// string is printable text: strict parsers take it whole.
QJsonObject formatAsJson(const QString &path, const QList<ListedFont> &fonts, const QStringList &notes);

} // namespace kernwick::fontmeta
