#pragma once

#include <scan/metadataquery.h>

#include <QString>
#include <QStringList>

namespace kernwick {

// Turns one presentation into the sorted list of distinct font names it uses, from the document's font
// metadata and, for .pptx and .key, from the package's own XML. Blocking; never fails: a source that
// fails contributes nothing. Holds no state between calls, so scans may run side by side.
class FontScanner final
{
public:
    explicit FontScanner(MetadataQuery metadata);

    QStringList scanFonts(const QString &presentationPath) const;

private:
    MetadataQuery m_metadata;
};

// Distinct names (canonically equivalent spellings count as one, the first kept) in code-point order.
QStringList sortedDistinctNames(const QStringList &names);

} // namespace kernwick
