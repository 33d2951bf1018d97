#pragma once

#include <scan/fontmatching.h>
#include <scan/metadataquery.h>
#include <scan/scantext.h>

#include <QString>
#include <QStringList>

namespace kernwick {

// Turns one presentation into the sorted list of distinct font names it uses, from the document's font
// metadata and, for .pptx and .key, from the package's own XML. Blocking; never fails: a source that
// fails contributes nothing. Holds no state between calls, so scans may run side by side.
class FontScanner final
{
public:
    explicit FontScanner(MetadataQuery metadata, ScanLimits limits = {});

    // The names, notes on what the sources could not read or left out, and why a document that yielded no
    // name at all could not be read.
    ScanResult scan(const QString &presentationPath) const;
    QStringList scanFonts(const QString &presentationPath) const { return scan(presentationPath).fonts; }
    // Has the helper started ahead of the next document (see MetadataQuery::startHelperAhead).
    void startHelperAhead() const { m_metadata.startHelperAhead(); }

private:
    MetadataQuery m_metadata;
    ScanLimits m_limits;
};

// What makes two font names one font: canonically equivalent spellings that differ at most by case.
QString fontNameIdentity(const QString &name);

// Distinct names (spellings of one font count as one, the first kept) in code-point order.
QStringList sortedDistinctNames(const QStringList &names);

} // namespace kernwick
