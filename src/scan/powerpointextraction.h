#pragma once

#include <platform/ziparchive.h>
#include <scan/fontmatching.h>
#include <scan/scantext.h>

#include <QSet>
#include <QString>

namespace kernwick {

// The fonts that a .pptx names in the Latin font elements of its presentation part, slides and slide
// masters, theme placeholders and other non-names dropped. Unsorted, may hold duplicates; a document
// that cannot be read gives no names.
ScanResult powerPointPackageFonts(const QString &presentationPath, const ScanLimits &limits = {});

// The same extraction, fed first with the parts that another reader of the package inflates anyway, so
// that no part is inflated twice: tap() goes to that reader's archive, and finish() reads only the parts
// it was not given. Each part counts against the limits once, as it would have alone.
class PowerPointExtraction final
{
public:
    explicit PowerPointExtraction(const ScanLimits &limits = {});
    Q_DISABLE_COPY_MOVE(PowerPointExtraction)

    const ZipMemberTap &tap() const { return m_tap; }
    ScanResult finish(const QString &presentationPath);

private:
    ScanCollector m_collected;
    QSet<int> m_taken;
    ZipMemberTap m_tap;
};

} // namespace kernwick
