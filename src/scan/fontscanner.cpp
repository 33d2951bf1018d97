#include "fontscanner.h"

#include <scan/keynoteextraction.h>
#include <scan/powerpointextraction.h>
#include <scan/scantext.h>

#include <QFileInfo>
#include <QHash>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kernwick {

FontScanner::FontScanner(MetadataQuery metadata)
    : m_metadata(std::move(metadata))
{}

QStringList FontScanner::scanFonts(const QString &presentationPath) const
{
    QStringList names = m_metadata.metadataFonts(presentationPath);
    const QString extension = QFileInfo(presentationPath).suffix().toLower();
    if (extension == u"pptx")
        names += powerPointPackageFonts(presentationPath);
    else if (extension == u"key")
        names += keynotePackageFonts(presentationPath);
    return sortedDistinctNames(names);
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
