#include "packagebuilder.h"

#include <package/fontreport.h>
#include <platform/fileoperations.h>

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

QString plural(qsizetype count, const QString &word)
{
    return QString::number(count) + u' ' + word + (count == 1 ? QString() : u"s"_s);
}

// A name in `folder` that no file has taken yet: "Font.ttf", else "Font 2.ttf", "Font 3.ttf", …
QString freeFileName(const QDir &folder, const QString &fileName)
{
    if (!QFileInfo::exists(folder.filePath(fileName)))
        return fileName;
    const QFileInfo info(fileName);
    const QString base = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    for (int n = 2;; ++n) {
        const QString candidate = base + u' ' + QString::number(n) + suffix;
        if (!QFileInfo::exists(folder.filePath(candidate)))
            return candidate;
    }
}

bool writeReport(const QString &path, const QString &text)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit();
}

// The presentation when it lies inside the package folder about to be replaced: it is moved into the new
// package at the same place, unless the new package already holds its copy there.
bool keepPresentationFromOldPackage(const QString &presentation, const QString &oldPackage,
                                    const QString &newPackage, QString *error)
{
    if (!QFileInfo::exists(oldPackage) || !isSameOrInside(presentation, oldPackage))
        return true;
    const QString relative = QDir(QFileInfo(oldPackage).canonicalFilePath())
                                 .relativeFilePath(QFileInfo(presentation).canonicalFilePath());
    if (relative == u"." || relative.isEmpty()) {
        if (error)
            *error = u"The presentation is the package folder itself."_s;
        return false;
    }
    const QString target = QDir(newPackage).filePath(relative);
    if (QFileInfo::exists(target))
        return true;
    return makeFolder(QFileInfo(target).path(), error) && renameItem(presentation, target, error);
}

} // namespace

QString packageFolderName(const QString &presentationPath)
{
    if (presentationPath.isEmpty())
        return u"My Presentation_package"_s;
    QString name = QFileInfo(presentationPath).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    return name + u"_package"_s;
}

QString packageStatusMessage(const QString &packageName, qsizetype exported, qsizetype failed,
                             qsizetype duplicates)
{
    const QString failedPart =
        failed == 0 ? QString() : u" "_s + QString::number(failed) + u" font(s) could not be copied."_s;
    if (exported == 0)
        return u"No fonts were found to export."_s + failedPart;
    const QString duplicatePart =
        duplicates < 1 ? QString() : u" "_s + plural(duplicates, u"duplicate file"_s) + u" skipped."_s;
    return u"Package created: "_s + packageName + u" ("_s + plural(exported, u"font"_s) + u")."_s +
           failedPart + duplicatePart;
}

PackageOutcome buildPackage(const PackageRequest &request, const DiagnosticSink &log)
{
    PackageOutcome outcome;
    const QDir destination(request.destinationFolder);
    const QString packageName = packageFolderName(request.presentationPath);
    outcome.packagePath = destination.filePath(packageName);

    // Everything is built in a hidden folder beside the old package, on the same file system, and
    // swapped in at the end.
    const QString staging = destination.filePath(u'.' + packageName + u".partial-"_s +
                                                 QUuid::createUuid().toString(QUuid::WithoutBraces));
    const QDir package(staging);
    const QDir fonts(package.filePath(u"Fonts"_s));
    const auto folderFailure = [&](const QString &description) {
        removeItem(staging, nullptr);
        outcome.statusMessage = u"Could not create package folder: "_s + description;
        log(u"[Presenter][Error] "_s + description + u" ("_s + outcome.packagePath + u")"_s);
        return outcome;
    };
    QString error;
    if (!makeFolder(staging, &error) || !makeFolder(fonts.path(), &error))
        return folderFailure(error);

    if (request.includePresentation) {
        const QString fileName = QFileInfo(request.presentationPath).fileName();
        if (copyItem(request.presentationPath, package.filePath(fileName), &error))
            log(u"[Package] Copied presentation: "_s + fileName);
        else
            log(u"[Package][Error] Failed to copy presentation: "_s + error);
    }

    FontStatusItems exportList;
    QSet<QString> seen;
    qsizetype candidates = 0;
    for (const FontStatusItem &item : request.fontItems) {
        if (item.status != FontStatus::installed || !item.isSelected)
            continue;
        ++candidates;
        if (item.hasFile()) {
            const QString standardized = QDir::cleanPath(QFileInfo(item.filePath()).absoluteFilePath());
            if (seen.contains(standardized))
                continue;
            seen.insert(standardized);
        }
        exportList.append(item);
    }
    outcome.duplicateCount = candidates - exportList.size();
    log(u"[Package] Fonts to export: "_s + QString::number(exportList.size()) + u" ("_s +
        QString::number(outcome.duplicateCount) + u" duplicates skipped)"_s);

    for (const FontStatusItem &item : std::as_const(exportList)) {
        if (!item.hasFile()) {
            outcome.failed.append(item.fontName);
            log(u"[Package][Warn] No fileURL for: "_s + item.fontName);
            continue;
        }
        const QString path = item.filePath();
        const QFileInfo info(path);
        if (!info.isFile() || !info.isReadable()) {
            outcome.failed.append(item.fontName);
            log(u"[Package][Error] Not readable: "_s + path);
            continue;
        }
        // Two different files of one name both travel: the later one gets a name of its own.
        const QString target = fonts.filePath(freeFileName(fonts, info.fileName()));
        if (copyItem(path, target, &error)) {
            outcome.exported.append(item.fontName);
            log(u"[Package] Copied font: "_s + item.fontName);
        } else {
            outcome.failed.append(item.fontName);
            log(u"[Package][Error] Failed to copy '"_s + item.fontName + u"': "_s + error);
        }
    }

    if (request.includeReport) {
        // A report that cannot be written leaves the package without one, and that is all.
        writeReport(
            package.filePath(u"font-report.txt"_s),
            makeFontReport(request.presentationPath, request.fontItems, outcome.exported, outcome.failed));
    }

    const QString old = outcome.packagePath;
    const bool replacing = QFileInfo::exists(old) || QFileInfo(old).isSymLink();
    if (replacing) {
        if (!keepPresentationFromOldPackage(request.presentationPath, old, staging, &error) ||
            !exchangeItems(old, staging, &error)) {
            return folderFailure(error);
        }
        removeItem(staging, nullptr); // now the old package
    } else if (!renameItem(staging, old, &error)) {
        return folderFailure(error);
    }

    outcome.isBuilt = true;
    outcome.statusMessage = packageStatusMessage(packageName, outcome.exported.size(), outcome.failed.size(),
                                                 outcome.duplicateCount);
    log(u"[Package] Done. Exported: "_s + QString::number(outcome.exported.size()) + u", Failed: "_s +
        QString::number(outcome.failed.size()) + u", Duplicates skipped: "_s +
        QString::number(outcome.duplicateCount));
    return outcome;
}

} // namespace kernwick
