#pragma once

#include <platform/childprocess.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kernwick {

// The font names in the metadata tool's answer, in the order printed, duplicates kept. The answer reads
//     kMDItemFonts = (
//         "Name",
//         "Other Name"
//     )
// or "kMDItemFonts = (null)". Anything else the tool printed (a complaint about the file) goes through
// the same cleaning; items that look like paths or presentation files are dropped.
QStringList parseMetadataFontList(const QByteArray &answer);

// Asks the metadata tool, `kernwick-fontmeta -name kMDItemFonts PATH`, for the fonts a document names.
class MetadataQuery final
{
public:
    // An empty program or one that cannot be started makes the query contribute nothing.
    explicit MetadataQuery(QString program = {}, ChildProcessLimits limits = {});

    QStringList metadataFonts(const QString &presentationPath) const;
    const QString &program() const { return m_program; }

    // The helper beside the running program (a build tree), else in the libexec folder that lies where an
    // installation puts it relative to the program (an installation moved elsewhere), else in the folder
    // the build was configured to install it to; empty when there is none.
    static QString locateHelper(const QString &applicationDir, const QString &libexecFromApplication,
                                const QString &installedLibexecDir);

private:
    QString m_program;
    ChildProcessLimits m_limits;
};

} // namespace kernwick
