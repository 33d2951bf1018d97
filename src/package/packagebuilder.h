#pragma once

#include <model/fontstatusitem.h>
#include <model/travel.h>
#include <package/manifest.h>
#include <platform/diagnostics.h>
#include <platform/fileoperations.h>

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
    QHash<QString, FontPlaces> fontPlaces = {}; // where the deck uses each font, by name, when known
};

// An installed font that stays out of the package, and why, in words.
struct LeftOutFont
{
    QString fontName;
    QString reason; // "Left out by choice", "its licence does not allow passing it on (…)"
    Travel travel = Travel::leftOutByChoice;
};

struct PackageOutcome
{
    bool isBuilt = false; // false: the package could not be made whole, and any old one is as it was
    QString packagePath;  // absolute
    QStringList exported;
    QStringList failed;
    qsizetype duplicateCount = 0;
    QList<LeftOutFont> leftOut; // by choice or by licence, in the list's order
    QStringList files;          // the files in Fonts/, by name
    QString statusMessage;
    QStringList trashed; // what the user had put into the old package, moved to the Trash: relative paths
    QString leftOver;    // the old package, when it could not be removed after the new one took its place

    // Built, and nothing of the old package left behind.
    bool isClean() const { return isBuilt && leftOver.isEmpty(); }
};

// "Talk_package" for Talk.key: the presentation's file name without its last extension, and
// "My Presentation_package" when there is no presentation; a name cut to fit 255 bytes.
QString packageFolderName(const QString &presentationPath);

// Builds the package folder inside the destination: a copy of the presentation, the Fonts folder with the
// files of every font that travels (makeTravelList: installed and ticked; the faces listed with it too;
// each file once) and the font
// report, all of them real files. It is built in a hidden folder beside the destination's old package
// folder of the same name and takes its place only when complete: a presentation that cannot be copied or
// anything that cannot be written (a full disk, a file-size limit) fails the whole build and leaves the old
// package as it was; a font that cannot be read is one failed font, a face of its family that cannot be
// read only a warning. Only an older package is replaced: a folder with a manifest or a font report, or a
// link (replaced as a link); anything else of that name is refused. A presentation kept inside the old
// package moves into the new one itself, never copied; what else the old package holds that it did not
// make goes to the desktop's Trash (no Trash: the build is refused); nothing outside the destination is
// touched. Writes its diagnostic
// lines to `log`; the package's files are written through `write`. Blocking and free of any window: runs on
// any thread.
PackageOutcome buildPackage(const PackageRequest &request, const DiagnosticSink &log,
                            const WriteFunction &write = {});

// "Package created: Talk_package (3 fonts). 1 font(s) could not be copied. 1 duplicate file skipped. 1 font
// left out: Brand Sans (licence)." and its variants; "No fonts were found to export." only when there were
// none to copy and none was left out.
QString packageStatusMessage(const QString &packageName, qsizetype exported, qsizetype failed,
                             qsizetype duplicates, const QList<LeftOutFont> &leftOut = {});

} // namespace kernwick
