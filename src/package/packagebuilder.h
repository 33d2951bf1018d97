#pragma once

#include <model/fontstatusitem.h>
#include <platform/diagnostics.h>

#include <QString>
#include <QStringList>

namespace kernwick {

// What a handoff package is built from.
struct PackageRequest
{
    QString presentationPath;
    QString destinationFolder;
    FontStatusItems fontItems; // every font, in the window's order
    bool includePresentation = false;
    bool includeReport = true;
};

struct PackageOutcome
{
    bool isBuilt = false; // false: the package folder could not be made, and nothing else was done
    QString packagePath;
    QStringList exported;
    QStringList failed;
    qsizetype duplicateCount = 0;
    QString statusMessage;
};

// "Talk_package" for Talk.key: the presentation's file name without its last extension, and
// "My Presentation_package" when there is no presentation.
QString packageFolderName(const QString &presentationPath);

// Builds the package folder inside the destination: a copy of the presentation, the Fonts folder with the
// file of every installed, selected font (each file once) and the font report. It is built beside the
// destination's old package folder of the same name and takes its place only when complete, so a failure
// half-way leaves the old package as it was, and a presentation kept inside the old package survives.
// Writes its diagnostic lines to `log`. Blocking and free of any window: runs on any thread.
PackageOutcome buildPackage(const PackageRequest &request, const DiagnosticSink &log);

// "Package created: Talk_package (3 fonts). 1 font(s) could not be copied. 1 duplicate file skipped." and
// its variants.
QString packageStatusMessage(const QString &packageName, qsizetype exported, qsizetype failed,
                             qsizetype duplicates);

} // namespace kernwick
