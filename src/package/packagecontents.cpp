#include "packagecontents.h"

#include <platform/fontfilefaces.h>
#include <resolve/fontidentity.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

constexpr qint64 maxManifestSize = 16 * 1024 * 1024;
constexpr qint64 maxFontFileSize = 512 * 1024 * 1024; // no font file is larger; nothing larger is read
constexpr qsizetype maxEntries = 10'000;              // fonts of a manifest, files of Fonts/, as a scan keeps
constexpr qsizetype maxNameLength = 256;

bool isRegularFileNotLink(const QString &path)
{
    struct stat status
    {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISREG(status.st_mode);
}

// The first bytes of a regular file, read without following a link.
QByteArray fileStart(const QString &path, qint64 size)
{
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return {};
    QFile file;
    struct stat status
    {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
        !file.open(descriptor, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        ::close(descriptor);
        return {};
    }
    return file.read(size);
}

QStringList faceNames(const QString &path)
{
    QStringList names;
    for (const FontCatalog::Face &face : readFontFileFaces(path))
        names.append(face.fullNames.isEmpty() ? face.postScriptName : face.fullNames.first());
    return names;
}

// Looks at the file `name` in Fonts/ as `expectedHash` (empty: no manifest) describes it.
PackagedFile examine(const QDir &fonts, const QString &name, const QString &expectedHash)
{
    PackagedFile file;
    file.name = name;
    file.path = fonts.filePath(name);
    const QFileInfo info(file.path);
    if (!info.exists() && !info.isSymLink()) {
        file.state = PackagedFileState::absent;
        return file;
    }
    if (!isRegularFileNotLink(file.path) || info.size() > maxFontFileSize) {
        file.state = PackagedFileState::notRegularFile;
        return file;
    }
    file.sha256 = sha256OfItem(file.path);
    if (expectedHash.isEmpty()) {
        file.state = looksLikeFontFile(fileStart(file.path, 16)) ? PackagedFileState::unchecked
                                                                 : PackagedFileState::notRegularFile;
    } else {
        file.state = file.sha256 == expectedHash ? PackagedFileState::intact : PackagedFileState::changed;
    }
    if (file.isUsable())
        file.faces = faceNames(file.path);
    return file;
}

} // namespace

bool looksLikeFontFile(const QByteArray &bytes)
{
    static const QByteArray signatures[] = {QByteArray("\x00\x01\x00\x00", 4),
                                            "OTTO",
                                            "true",
                                            "typ1",
                                            "ttcf",
                                            "wOFF",
                                            "wOF2",
                                            "%!PS-AdobeFont",
                                            "%!FontType1",
                                            QByteArray("\x80\x01", 2)};
    for (const QByteArray &signature : signatures) {
        if (bytes.startsWith(signature))
            return true;
    }
    return false;
}

QList<PackagedFile> PackageContents::installableFiles() const
{
    QList<PackagedFile> files;
    QSet<QString> seen;
    const auto take = [&](const PackagedFile &file) {
        if (file.isUsable() && !seen.contains(file.name)) {
            seen.insert(file.name);
            files.append(file);
        }
    };
    for (const PackagedFont &font : fonts) {
        for (const PackagedFile &file : font.files)
            take(file);
    }
    if (!hasManifest) {
        for (const PackagedFile &file : unlistedFiles)
            take(file);
    }
    return files;
}

PackageContents readPackage(const QString &packagePath)
{
    PackageContents contents;
    contents.packagePath = QDir::cleanPath(QFileInfo(packagePath).absoluteFilePath());
    contents.packageName = QFileInfo(contents.packagePath).fileName();
    const QDir package(contents.packagePath);
    const QDir fonts(package.filePath(u"Fonts"_s));
    const bool fontsFolderUsable = QFileInfo(fonts.path()).isDir() && !QFileInfo(fonts.path()).isSymLink();
    if (QFileInfo(fonts.path()).isSymLink())
        contents.problems.append(u"Fonts is a link; nothing in it is read"_s);

    std::optional<Manifest> manifest;
    const QString manifestPath = package.filePath(QString::fromLatin1(manifestFileName));
    if (QFileInfo::exists(manifestPath) || QFileInfo(manifestPath).isSymLink()) {
        contents.hasManifest = true;
        QFile file(manifestPath);
        if (!isRegularFileNotLink(manifestPath)) {
            contents.problems.append(u"the manifest is not a regular file; it is not read"_s);
        } else if (QFileInfo(manifestPath).size() > maxManifestSize) {
            contents.problems.append(u"the manifest is too large to be one"_s);
        } else if (!file.open(QIODevice::ReadOnly)) {
            contents.problems.append(u"the manifest cannot be read: "_s + file.errorString());
        } else {
            QString error;
            QStringList unsafe;
            manifest = parseManifest(file.read(maxManifestSize), &error, &unsafe);
            if (!manifest)
                contents.problems.append(error);
            for (const QString &name : std::as_const(unsafe))
                contents.problems.append(u"the manifest names a place outside the package: "_s + name);
        }
    }

    QSet<QString> listed;
    QHash<QString, PackagedFile> examined; // each file in Fonts/ read once, however often it is listed
    if (manifest) {
        contents.presentationName = manifest->presentationName;
        QStringList identity{manifest->presentationSha256};
        qsizetype longNames = 0;
        if (manifest->fonts.size() > maxEntries)
            contents.problems.append(u"the manifest lists "_s + QString::number(manifest->fonts.size()) +
                                     u" fonts; only the first "_s + QString::number(maxEntries) +
                                     u" are read"_s);
        for (const ManifestFont &font : manifest->fonts.first(std::min(maxEntries, manifest->fonts.size()))) {
            if (font.name.size() > maxNameLength) {
                ++longNames;
                continue;
            }
            PackagedFont packaged{font.name, font.status, {}, font.leftOut};
            for (const ManifestFile &file : font.files) {
                if (file.name.isEmpty()) {
                    packaged.files.append(
                        {u"(outside the package)"_s, {}, {}, {}, PackagedFileState::outside});
                    continue;
                }
                listed.insert(file.name);
                identity.append(file.name + u'\t' + file.sha256);
                if (!fontsFolderUsable) {
                    packaged.files.append({file.name, {}, {}, {}, PackagedFileState::absent});
                    continue;
                }
                auto found = examined.find(file.name);
                if (found == examined.end())
                    found = examined.insert(file.name, examine(fonts, file.name, u"-"_s));
                // A listed file without a hash can never be found intact.
                PackagedFile packagedFile = *found;
                if (packagedFile.state == PackagedFileState::changed && !file.sha256.isEmpty() &&
                    packagedFile.sha256 == file.sha256) {
                    if (found->faces.isEmpty())
                        found->faces = faceNames(found->path);
                    packagedFile.state = PackagedFileState::intact;
                    packagedFile.faces = found->faces;
                }
                packaged.files.append(packagedFile);
            }
            contents.fonts.append(packaged);
        }
        if (longNames > 0)
            contents.problems.append(
                QString::number(longNames) +
                u" font name(s) in the manifest longer than 256 characters are not read"_s);
        std::sort(identity.begin() + 1, identity.end());
        contents.identity = QString::fromLatin1(
            QCryptographicHash::hash(identity.join(u'\n').toUtf8(), QCryptographicHash::Sha256).toHex());
    }
    if (fontsFolderUsable) {
        const QStringList names = fonts.entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        qsizetype unlisted = 0;
        for (const QString &name : names) {
            if (listed.contains(name))
                continue;
            if (++unlisted > maxEntries)
                break;
            // With a manifest, what it does not list is only named: it is never installed, so never read.
            contents.unlistedFiles.append(
                manifest ? PackagedFile{name, fonts.filePath(name), {}, {}, PackagedFileState::notRegularFile}
                         : examine(fonts, name, {}));
        }
        if (unlisted > maxEntries)
            contents.problems.append(u"Fonts holds more than "_s + QString::number(maxEntries) +
                                     u" files; only the first are looked at"_s);
        if (manifest && manifest->fonts.isEmpty() && !contents.unlistedFiles.isEmpty())
            contents.problems.append(u"the manifest lists no fonts, yet Fonts holds files"_s);
    }
    if (!manifest) {
        QStringList identity;
        for (const PackagedFile &file : std::as_const(contents.unlistedFiles)) {
            if (file.isUsable())
                identity.append(file.name + u'\t' + file.sha256);
        }
        contents.identity = QString::fromLatin1(
            QCryptographicHash::hash(identity.join(u'\n').toUtf8(), QCryptographicHash::Sha256).toHex());
    }

    // The presentation: the manifest's, else the one presentation the package folder holds.
    if (contents.presentationName.isEmpty() && !manifest) {
        const QStringList candidates =
            package.entryList({u"*.key"_s, u"*.pptx"_s, u"*.ppt"_s, u"*.KEY"_s, u"*.PPTX"_s, u"*.PPT"_s},
                              QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        if (!candidates.isEmpty())
            contents.presentationName = candidates.first();
        if (candidates.size() > 1)
            contents.problems.append(u"the package holds more than one presentation; "_s +
                                     candidates.first() + u" is checked"_s);
    }
    const QString presentation =
        contents.presentationName.isEmpty() ? QString() : package.filePath(contents.presentationName);
    if (!presentation.isEmpty() && QFileInfo(presentation).isSymLink()) {
        contents.problems.append(u"the presentation is a link; it is not read"_s);
    } else if (!presentation.isEmpty() && QFileInfo::exists(presentation)) {
        contents.presentationPath = presentation;
        if (!manifest || manifest->presentationSha256.isEmpty()) {
            contents.presentationState = PresentationState::unchecked;
        } else {
            contents.presentationState = sha256OfItem(presentation) == manifest->presentationSha256
                                             ? PresentationState::intact
                                             : PresentationState::changed;
        }
    } else if (manifest && manifest->presentationInPackage) {
        contents.problems.append(u"the presentation the manifest names is not in the package: "_s +
                                 contents.presentationName);
    }
    if (contents.presentationState == PresentationState::changed)
        contents.problems.append(u"the presentation has changed since the package was made: "_s +
                                 contents.presentationName);
    return contents;
}

bool isHandoffPackage(const QString &path)
{
    const QDir folder(path);
    const QFileInfo manifest(folder.filePath(QString::fromLatin1(manifestFileName)));
    return QFileInfo(path).isDir() &&
           (manifest.exists() || manifest.isSymLink() || QFileInfo(folder.filePath(u"Fonts"_s)).isDir());
}

QString enclosingHandoffPackage(const QString &presentationPath)
{
    if (presentationPath.isEmpty())
        return {};
    const QDir folder = QFileInfo(presentationPath).absoluteDir();
    const bool hasManifest = QFileInfo(folder.filePath(QString::fromLatin1(manifestFileName))).isFile();
    const bool hasFonts = QFileInfo(folder.filePath(u"Fonts"_s)).isDir();
    return hasManifest || hasFonts ? folder.absolutePath() : QString();
}

QStringList namesBroughtByPackage(const PackageContents &package, const QStringList &names)
{
    // The manifest's names are the ones the presentation gave: case, spaces and hyphens aside.
    const auto key = [](const QString &name) {
        return fontMatchKey(name);
    };
    QSet<QString> brought;
    for (const PackagedFont &font : package.fonts) {
        if (!font.files.isEmpty() && std::all_of(font.files.begin(), font.files.end(),
                                                 [](const PackagedFile &file) { return file.isUsable(); }))
            brought.insert(key(font.name));
    }
    // Without a manifest, the names inside the font files tell, as the resolver reads installed ones.
    QList<FontCatalog::Face> faces;
    if (!package.hasManifest) {
        for (const PackagedFile &file : package.unlistedFiles) {
            if (file.isUsable())
                faces += readFontFileFaces(file.path);
        }
    }
    const FontIdentity identity(faces);
    QStringList found;
    for (const QString &name : names) {
        if (brought.contains(key(name)) || identity.match(name).isFound())
            found.append(name);
    }
    return found;
}

} // namespace kernwick
