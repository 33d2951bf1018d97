#pragma once

#include <model/fontstatusitem.h>
#include <model/travel.h>
#include <package/manifest.h>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace kernwick {

// What "font-report.txt" is made from.
struct FontReportInput
{
    std::optional<QString> sourcePath; // only its file name is written
    QString packageName;               // "Talk_package", for the install steps
    FontStatusItems items;             // every font, in the window's order
    Manifest manifest;                 // the package's files, the fonts each serves, what was left out
    QStringList failed;                // fonts whose file could not be copied
    HandoffVerdict verdict;
    QDateTime made;
    QString version; // Kernwick's
};

// The text of "font-report.txt", true on whatever computer runs the show: every font the presentation
// uses with its verdict and where it is used, the fonts that travel and their files, every file in Fonts/
// with its faces, licence and the fonts it serves, what was left out and why, what failed, the verdict,
// the date and the version, and notes with install steps for Linux, macOS and Windows. Every line ends in
// a line feed.
QString makeFontReport(const FontReportInput &input);

} // namespace kernwick
