#pragma once

#include <platform/fontcatalog.h>

#include <QHash>
#include <QList>
#include <QString>

namespace kernwick {

// A name lower-cased without hyphens and spaces, so that "Helvetica-Bold" and "helvetica bold" meet.
QString fontMatchKey(QStringView name);

// Which face a wanted name stands for, or why none does.
struct FontMatch
{
    qsizetype face = -1; // index into the faces the identity was made from; -1: none
    // Without a face: the family the name asks for is there, but not the face it names. `family` is the
    // family as the fonts spell it, `style` the face's style in words ("Light", "Bold Italic").
    QString family;
    QString style;

    bool isFound() const { return face >= 0; }
    bool isFamilyWithoutFace() const { return face < 0 && !family.isEmpty(); }
};

// Tells which of a set of faces a font name stands for. The name stands for a face when, case, spaces and
// hyphens aside, it is the face's PostScript name, one of its full names, its family's name (the family's
// most regular face of the four that style linking reaches), or its family's name followed by the face's
// style, with or without a vendor suffix ("ArialMT", "Arial-BoldMT", "TimesNewRomanPS-BoldMT"). A style is
// read as the face's own style name or as words for its weight, width and slope ("Light", "Condensed
// ExtraBold", "BoldIt"), judged by what the face says of itself. One family's name never reaches another
// family: Arial is not Arial Black, Helvetica is not Helvetica Neue.
class FontIdentity final
{
public:
    explicit FontIdentity(const QList<FontCatalog::Face> &faces);

    FontMatch match(const QString &name) const;

private:
    struct Family
    {
        QString name;           // as the first face that lists it spells it
        QList<qsizetype> faces; // every face that lists the family
        qsizetype regular = -1; // the most regular face of those the family's name alone reaches
        int weight = -1;        // the weight and width its name ends in ("Calibri Light"); -1: none
        int width = -1;
    };

    FontMatch matchKey(const QString &key) const;
    FontMatch matchFamilyAndStyle(const QString &key) const;
    FontMatch familyFace(qsizetype family) const;
    qsizetype faceWithStyle(const Family &family, const QString &styleKey) const;

    QList<FontCatalog::Face> m_faces;
    QList<Family> m_families;
    QHash<QString, qsizetype> m_faceByPostScriptName;
    QHash<QString, qsizetype> m_faceByFullName;
    QHash<QString, qsizetype> m_familyByName;
    QHash<QString, qsizetype> m_faceByPostScriptKey;
    QHash<QString, qsizetype> m_faceByFullNameKey;
    QHash<QString, qsizetype> m_familyByKey;
    QList<qsizetype> m_familyKeyLengths; // longest first
};

} // namespace kernwick
