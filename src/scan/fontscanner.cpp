#include "fontscanner.h"

#include <scan/keynoteextraction.h>
#include <scan/powerpointextraction.h>
#include <scan/scantext.h>

#include <QFileInfo>
#include <QHash>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kernwick {

FontScanner::FontScanner(MetadataQuery metadata, ScanLimits limits)
    : m_metadata(std::move(metadata))
    , m_limits(limits)
{}

ScanResult FontScanner::scan(const QString &presentationPath) const
{
    const QString path = withoutTrailingSlashes(presentationPath);
    const MetadataAnswer metadata = m_metadata.query(path);
    ScanResult result{metadata.names(), metadata.notes, metadata.embedded};
    const QString extension = QFileInfo(path).suffix().toLower();
    ScanResult extracted;
    if (extension == u"pptx")
        extracted = powerPointPackageFonts(path, m_limits);
    else if (extension == u"key")
        extracted = keynotePackageFonts(path, m_limits);
    result.fonts = sortedDistinctNames(result.fonts + extracted.fonts);
    for (const MetadataFont &font : metadata.fonts) {
        const auto found = result.usage.find(font.name);
        if (found == result.usage.end()) {
            result.usage.insert(font.name,
                                {font.places, font.used, font.usedIn, font.usedInKnown, font.characters});
            continue;
        }
        // A name given twice: used when either says so, with the places of both.
        found->used = found->used || font.used;
        for (const QString &place : font.places) {
            if (!found->places.contains(place))
                found->places.append(place);
        }
        for (const QString &place : font.usedIn) {
            if (!found->usedIn.contains(place))
                found->usedIn.append(place);
        }
        found->characters += font.characters;
    }
    for (const QString &name : std::as_const(result.fonts)) {
        if (!result.usage.contains(name))
            result.usage.insert(name, {});
    }
    for (const QString &note : std::as_const(extracted.notes)) {
        if (!result.notes.contains(note))
            result.notes.append(note);
    }
    return result;
}

QStringList sortedDistinctNames(const QStringList &names)
{
    struct Entry
    {
        QList<uint> key;
        QString name;
    };
    QList<Entry> entries;
    QSet<QString> seen;
    for (const QString &name : names) {
        const QString composed = name.normalized(QString::NormalizationForm_C);
        if (seen.contains(composed))
            continue;
        seen.insert(composed);
        entries.append({composed.toUcs4(), name});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) { return a.key < b.key; });
    QStringList sorted;
    sorted.reserve(entries.size());
    for (const Entry &entry : entries)
        sorted.append(entry.name);
    return sorted;
}

} // namespace kernwick
