#include "packagebuilder.h"

#include <package/fontreport.h>
#include <package/manifest.h>
#include <platform/fileoperations.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QUuid>

#include <sys/stat.h>

#include <algorithm>

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
        // The number goes in, cutting the base name where the whole would be longer than a file name may
        // be (255 bytes), never inside a character.
        const QString number = u' ' + QString::number(n);
        QString stem = base;
        while (!stem.isEmpty() && (stem + number + suffix).toUtf8().size() > 255)
            stem.chop(stem.size() > 1 && stem.back().isLowSurrogate() ? 2 : 1);
        const QString candidate = stem + number + suffix;
        if (!QFileInfo::exists(folder.filePath(candidate)))
            return candidate;
    }
}

// The hidden folder a build of `packageName` works in is named by this, a hash of the package's name and
// a random part: short whatever the name, and known to the next build of the same package, which removes
// the ones that a build that did not end left behind.
QString stagingPrefix(const QString &packageName)
{
    const QByteArray hash = QCryptographicHash::hash(packageName.toUtf8(), QCryptographicHash::Sha1);
    return u".kernwick-"_s + QString::fromLatin1(hash.toHex().left(12)) + u'-';
}

void removeLeftovers(const QDir &destination, const QString &prefix)
{
    const QStringList names = destination.entryList({prefix + u'*'}, QDir::AllEntries | QDir::Hidden |
                                                                         QDir::System | QDir::CaseSensitive);
    for (const QString &name : names) {
        const QString path = destination.filePath(name);
        // A folder that another build still works in is locked, and stays; one that cannot even be opened
        // is no build's.
        if (QFileInfo(path).isSymLink() || !isFolderLockedElsewhere(path))
            removeItem(path, nullptr);
    }
}

// Moves `path` to the desktop's Trash. Where the user has no Trash folder at all, Qt would move it into the
// working folder instead: the home Trash is made sure of first, and without it nothing is moved.
bool moveToTrash(const QString &path)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QFileInfo(dataHome).isDir())
        return false;
    const QString trash = QDir(dataHome).filePath(u"Trash"_s);
    ::mkdir(QFile::encodeName(trash).constData(), 0700);
    return QFileInfo(trash).isDir() && QFile::moveToTrash(path);
}

// Moves the presentation (given by its real path) from the old package that is about to be replaced into
// the new one, at the same place, unless the new package holds its copy there already. Only an old package
// that is a folder of the destination is looked into: an old package that is a link is no place of the
// presentation's. `moved` gets the place the presentation was moved to.
bool keepPresentationFromOldPackage(const QString &presentation, const QString &oldPackage,
                                    const QString &newPackage, QString *moved, QString *error)
{
    const QFileInfo old(oldPackage);
    if (presentation.isEmpty() || !QFileInfo::exists(presentation) || !old.isDir() || old.isSymLink() ||
        !isSameOrInside(presentation, oldPackage)) {
        return true;
    }
    const QString relative = QDir(realPath(oldPackage)).relativeFilePath(presentation);
    if (relative == u"." || relative.isEmpty()) {
        if (error)
            *error = u"The presentation is the package folder itself."_s;
        return false;
    }
    const QString target = QDir(newPackage).filePath(relative);
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        return true;
    if (!makeFolder(QFileInfo(target).path(), error) || !renameItem(presentation, target, error))
        return false;
    *moved = target;
    return true;
}

// What stands at the package's name may be replaced only when it is an older package: a folder that holds
// a manifest or a font report, or a link (replaced as a link). Anything else is the user's, and the reason
// it is refused is given.
QString whyNotAnOlderPackage(const QString &path, const QString &packageName)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || S_ISLNK(status.st_mode))
        return {};
    if (!S_ISDIR(status.st_mode))
        return packageName + u" is a file that is not a package; it is left as it is."_s;
    const QDir folder(path);
    for (const QString &name : {QString::fromLatin1(manifestFileName), u"font-report.txt"_s}) {
        if (::lstat(QFile::encodeName(folder.filePath(name)).constData(), &status) == 0 &&
            S_ISREG(status.st_mode))
            return {};
    }
    return packageName + u" is a folder without a manifest or font report, not a package; it is left as "
                         u"it is."_s;
}

// The entries of the old package that it did not make itself: neither its manifest, report, presentation
// nor a font file its manifest lists (without a manifest, any file in Fonts), nor the presentation now being
// packaged (`keep`, relative to the package). Paths relative to the package, each entry once, a folder of
// such entries as one.
QStringList entriesNotOfThePackage(const QString &oldPackage, const QString &keep)
{
    const QDir package(oldPackage);
    QSet<QString> listed{QString::fromLatin1(manifestFileName), u"font-report.txt"_s};
    bool hasManifest = false;
    QFile file(package.filePath(QString::fromLatin1(manifestFileName)));
    struct stat status = {};
    if (::lstat(QFile::encodeName(file.fileName()).constData(), &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_size <= 16 * 1024 * 1024 && file.open(QIODevice::ReadOnly)) {
        QString error;
        QStringList unsafe;
        if (const std::optional<Manifest> manifest = parseManifest(file.readAll(), &error, &unsafe)) {
            hasManifest = true;
            if (!manifest->presentationName.isEmpty())
                listed.insert(manifest->presentationName);
            for (const ManifestFont &font : manifest->fonts) {
                for (const ManifestFile &packaged : font.files) {
                    if (!packaged.name.isEmpty())
                        listed.insert(u"Fonts/"_s + packaged.name);
                }
            }
        }
    }
    QStringList found;
    QStringList pending{QString()};
    while (!pending.isEmpty()) {
        const QString relative = pending.takeFirst();
        const QDir folder(relative.isEmpty() ? oldPackage : package.filePath(relative));
        const QStringList names = folder.entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &name : names) {
            const QString entry = relative.isEmpty() ? name : relative + u'/' + name;
            const QFileInfo info(package.filePath(entry));
            const bool isFolder = info.isDir() && !info.isSymLink();
            if (listed.contains(entry) || entry == keep ||
                (!hasManifest && relative == u"Fonts" && info.isFile() && !info.isSymLink()))
                continue;
            if (isFolder && (entry == u"Fonts" || keep.startsWith(entry + u'/')))
                pending.append(entry);
            else
                found.append(entry);
        }
    }
    return found;
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
    // A file name may be 255 bytes: a long name is cut to make room for the suffix, never inside a
    // character.
    const QString suffix = u"_package"_s;
    while (!name.isEmpty() && (name + suffix).toUtf8().size() > 255)
        name.chop(name.size() > 1 && name.back().isLowSurrogate() ? 2 : 1);
    return name + suffix;
}

QString packageStatusMessage(const QString &packageName, qsizetype exported, qsizetype failed,
                             qsizetype duplicates, const QList<LeftOutFont> &leftOut)
{
    const QString failedPart =
        failed == 0 ? QString() : u" "_s + QString::number(failed) + u" font(s) could not be copied."_s;
    if (exported == 0 && leftOut.isEmpty())
        return u"No fonts were found to export."_s + failedPart;
    const QString duplicatePart = duplicates < 1 || exported == 0
                                      ? QString()
                                      : u" "_s + plural(duplicates, u"duplicate file"_s) + u" skipped."_s;
    QString leftOutPart;
    if (!leftOut.isEmpty()) {
        QStringList names;
        for (const LeftOutFont &font : leftOut)
            names.append(font.fontName +
                         (font.travel == Travel::heldByLicence ? u" (licence)"_s : u" (by choice)"_s));
        leftOutPart =
            u" "_s + plural(leftOut.size(), u"font"_s) + u" left out: "_s + names.join(u", "_s) + u'.';
    }
    return u"Package created: "_s + packageName + u" ("_s + plural(exported, u"font"_s) + u")."_s +
           failedPart + duplicatePart + leftOutPart;
}

PackageOutcome buildPackage(const PackageRequest &request, const DiagnosticSink &log,
                            const WriteFunction &write)
{
    PackageOutcome outcome;
    // Paths relative to the working folder are taken as they were meant when the build began.
    const auto absolute = [](const QString &path) {
        return path.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    };
    const QString presentation = absolute(request.presentationPath);
    const QDir destination(absolute(request.destinationFolder));
    const QString packageName = packageFolderName(presentation);
    outcome.packagePath = destination.filePath(packageName);

    // Everything is built in a hidden folder beside the old package, on the same file system, and swapped
    // in at the end. Failures name the package folder and the place inside it, never the hidden folder.
    QString staging;
    bool keepStaging = false;
    const auto failure = [&](const QString &where, const QString &cause) {
        if (!staging.isEmpty() && !keepStaging)
            removeItem(staging, nullptr);
        const QString place = where.isEmpty() ? QString() : u'/' + where;
        outcome.statusMessage =
            u"Could not create package folder: "_s + packageName + place + u": "_s + cause;
        log(u"[Presenter][Error] "_s + outcome.packagePath + place + u": "_s + cause);
        return outcome;
    };
    if (QFileInfo(presentation).isDir() && isSameOrInside(destination.path(), presentation))
        return failure(QString(), u"The destination lies inside the presentation."_s);
    if (const QString refusal = whyNotAnOlderPackage(outcome.packagePath, packageName); !refusal.isEmpty())
        return failure(QString(), refusal);
    // A presentation that lies in the old package moves into the new one itself, whole, with what a copy
    // would leave out; it is never copied.
    const QString presentationPlace = presentation.isEmpty() ? QString() : realPath(presentation);
    const QFileInfo oldInfo(outcome.packagePath);
    const bool presentationInOldPackage = !presentationPlace.isEmpty() && oldInfo.isDir() &&
                                          !oldInfo.isSymLink() &&
                                          isSameOrInside(presentationPlace, outcome.packagePath);

    // The folder is locked before it gets a name that a later build would take for a leftover.
    const QString prefix = stagingPrefix(packageName);
    removeLeftovers(destination, prefix);
    const QString random = QUuid::createUuid().toString(QUuid::Id128).left(8);
    const QString fresh = destination.filePath(u".kernwick-"_s + random);
    QString error;
    if (!makeFolder(fresh, &error))
        return failure(QString(), error);
    const FolderLock lock(fresh);
    if (!renameItem(fresh, destination.filePath(prefix + random), &error)) {
        removeItem(fresh, nullptr);
        return failure(QString(), error);
    }
    staging = destination.filePath(prefix + random);
    const QDir package(staging);
    const QDir fonts(package.filePath(u"Fonts"_s));
    if (!makeFolder(fonts.path(), &error))
        return failure(u"Fonts"_s, error);

    if (request.includePresentation && !presentationInOldPackage) {
        const QString fileName = QFileInfo(presentation).fileName();
        QString entry;
        const auto leftOut = [&](const QString &inner, const QString &reason) {
            log(u"[Package][Warn] Left out of the presentation copy: "_s + inner + u" ("_s + reason + u')');
        };
        const auto linked = [&](const QString &inner, const QString &first) {
            log(u"[Package] Linked in the presentation copy to the same file as "_s + first + u": "_s +
                inner);
        };
        const bool copied =
            QFileInfo(presentation).isDir()
                ? copyFolder(presentation, package.filePath(fileName), leftOut, &error, &entry, write,
                             linked) == CopyFailure::none
                : copyFile(presentation, package.filePath(fileName), &error, write) == CopyFailure::none;
        if (!copied) {
            log(u"[Package][Error] Failed to copy presentation: "_s + error);
            return failure(entry.isEmpty() ? fileName : fileName + u'/' + entry, error);
        }
        log(u"[Package] Copied presentation: "_s + fileName);
    }

    // What travels is decided once, by the same rule the window shows.
    const TravelList travel = makeTravelList(request.fontItems);
    for (const TravellingFont &font : travel.leftOut())
        outcome.leftOut.append({font.fontName, leftOutReason(font.travel), font.travel});
    FontStatusItems exportList;
    QSet<QString> seen;
    qsizetype candidates = 0;
    for (const FontStatusItem &item : request.fontItems) {
        const TravellingFont *travelling = travel.find(item.id);
        if (!travelling || travelling->travel != Travel::inPackage)
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

    QHash<QString, QString> packagedFiles; // the file of each font copied, and its name in Fonts/
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
        // Two different files of one name both travel: the later one gets a name of its own. A font
        // installed as a link travels as the file it points to. A file that an earlier font took along
        // (a face of its family, a collection) is there already.
        const QString standardized = QDir::cleanPath(info.absoluteFilePath());
        const QString fileName = freeFileName(fonts, info.fileName());
        const CopyFailure copied = packagedFiles.contains(standardized)
                                       ? CopyFailure::none
                                       : copyFile(path, fonts.filePath(fileName), &error, write);
        if (copied == CopyFailure::none) {
            if (!packagedFiles.contains(standardized))
                packagedFiles.insert(standardized, fileName);
            outcome.exported.append(item.fontName);
            log(u"[Package] Copied font: "_s + item.fontName);
            // The other faces of its family go along; one that cannot be read stays out, the font is
            // still packaged.
            for (const QString &face : distinctFiles(item.faces)) {
                const QFileInfo faceInfo(face);
                const QString faceFile = QDir::cleanPath(faceInfo.absoluteFilePath());
                if (packagedFiles.contains(faceFile))
                    continue;
                const QString faceName = freeFileName(fonts, faceInfo.fileName());
                const CopyFailure faceCopied = faceInfo.isFile()
                                                   ? copyFile(face, fonts.filePath(faceName), &error, write)
                                                   : CopyFailure::reading;
                if (faceCopied == CopyFailure::writing)
                    return failure(u"Fonts/"_s + faceName, error);
                if (faceCopied == CopyFailure::none)
                    packagedFiles.insert(faceFile, faceName);
                else
                    log(u"[Package][Warn] Face of '"_s + item.fontName + u"' left out: "_s + face);
            }
            continue;
        }
        outcome.failed.append(item.fontName);
        log(u"[Package][Error] Failed to copy '"_s + item.fontName + u"': "_s + error);
        // A font that cannot be read is one failed font; a package that cannot be written is a failed build.
        if (copied == CopyFailure::writing)
            return failure(u"Fonts/"_s + fileName, error);
    }

    // The manifest is what the show machine reads, so it is written whatever the report option says.
    const QString presentationCopy = package.filePath(QFileInfo(presentation).fileName());
    const bool hashCopy = request.includePresentation && !presentationInOldPackage;
    const Manifest manifest = makeManifest(
        presentation, request.includePresentation,
        presentation.isEmpty() ? QString() : sha256OfItem(hashCopy ? presentationCopy : presentation),
        request.fontItems, packagedFiles, fonts.path(), request.fontPlaces, outcome.failed);
    if (request.includeReport) {
        const HandoffVerdict verdict = handoffVerdict(request.fontItems, travel, [&](const QString &name) {
            return request.fontPlaces.value(name).used;
        });
        const QString report =
            makeFontReport({presentation.isEmpty() ? std::nullopt : std::optional(presentation), packageName,
                            request.fontItems, manifest, outcome.failed, verdict,
                            QDateTime::currentDateTimeUtc(), QStringLiteral(KERNWICK_VERSION)});
        if (!writeNewFile(package.filePath(u"font-report.txt"_s), report.toUtf8(), &error, write))
            return failure(u"font-report.txt"_s, error);
    }
    const QString manifestName = QString::fromLatin1(manifestFileName);
    if (!writeNewFile(package.filePath(manifestName), manifestToJson(manifest), &error, write))
        return failure(manifestName, error);

    const QString old = outcome.packagePath;
    // What the user put into the old package goes to the Trash, never with the old package; where there is
    // no Trash, the old package stays as it is.
    if (oldInfo.isDir() && !oldInfo.isSymLink()) {
        const QString keep =
            presentationInOldPackage ? QDir(realPath(old)).relativeFilePath(presentationPlace) : QString();
        for (const QString &entry : entriesNotOfThePackage(old, keep)) {
            if (!moveToTrash(QDir(old).filePath(entry))) {
                return failure(entry, u"Cannot be moved to the Trash, and the old package holding it is not "
                                      u"replaced."_s);
            }
            outcome.trashed.append(entry);
            log(u"[Package] Moved to the Trash from the old package: "_s + entry);
        }
    }
    QString moved;
    if (!keepPresentationFromOldPackage(presentationPlace, old, staging, &moved, &error))
        return failure(QString(), error);
    if (QFileInfo::exists(old) || QFileInfo(old).isSymLink()) {
        if (!exchangeItems(old, staging, &error)) {
            // The presentation goes back where it was; if it cannot, the hidden folder keeps it.
            keepStaging = !moved.isEmpty() && !renameItem(moved, presentationPlace, nullptr);
            return failure(QString(), error);
        }
        // Now the old package, or the link that stood in its place. What cannot be removed is told, and the
        // next build of this package removes it.
        if (!removeItem(staging, &error)) {
            log(u"[Package][Warn] Could not remove the old package: "_s + error);
            outcome.leftOver = staging;
        }
    } else if (!renameItem(staging, old, &error)) {
        keepStaging = !moved.isEmpty() && !renameItem(moved, presentationPlace, nullptr);
        return failure(QString(), error);
    }

    outcome.isBuilt = true;
    outcome.files = packagedFiles.values();
    std::sort(outcome.files.begin(), outcome.files.end());
    outcome.statusMessage = packageStatusMessage(packageName, outcome.exported.size(), outcome.failed.size(),
                                                 outcome.duplicateCount, outcome.leftOut);
    if (!outcome.trashed.isEmpty()) {
        const QStringList shown = outcome.trashed.first(std::min<qsizetype>(outcome.trashed.size(), 5));
        outcome.statusMessage +=
            u" Moved to the Trash from the old package: "_s + shown.join(u", "_s) +
            (outcome.trashed.size() > shown.size()
                 ? u" and "_s + QString::number(outcome.trashed.size() - shown.size()) + u" more."_s
                 : u"."_s);
    }
    if (!outcome.leftOver.isEmpty())
        outcome.statusMessage += u" The old package could not be removed ("_s + error +
                                 u"); it is left in "_s + QFileInfo(outcome.leftOver).fileName() + u"."_s;
    log(u"[Package] Done. Exported: "_s + QString::number(outcome.exported.size()) + u", Failed: "_s +
        QString::number(outcome.failed.size()) + u", Duplicates skipped: "_s +
        QString::number(outcome.duplicateCount));
    return outcome;
}

} // namespace kernwick
