#include "manifest.h"

#include <model/travel.h>
#include <platform/fontfilefaces.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

// The hash of the regular file at `path`, opened without following a link and without waiting on a FIFO.
QByteArray fileHash(const QString &path)
{
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return {};
    struct stat status
    {};
    QFile file;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
        !file.open(descriptor, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        ::close(descriptor);
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return hash.result();
}

bool isSha256(const QString &text)
{
    static const QRegularExpression hex(u"^[0-9a-f]{64}$"_s);
    return hex.match(text).hasMatch();
}

// The licence of one of an item's files: of the face that lies in it, else the item's own.
QString permissionOfFile(const FontStatusItem &item, const QString &path)
{
    for (const FontFace &face : item.faces) {
        if (face.file == path)
            return permissionLabel(face.permission);
    }
    return permissionLabel(item.permission);
}

} // namespace

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(QChar());
}

QString sha256OfItem(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return {};
    if (!info.isDir())
        return QString::fromLatin1(fileHash(path).toHex());
    QStringList entries;
    const QDir root(path);
    QList<QString> pending{path};
    while (!pending.isEmpty()) {
        const QDir folder(pending.takeLast());
        const QFileInfoList children =
            folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &child : children) {
            if (child.isSymLink())
                continue;
            if (child.isDir()) {
                pending.append(child.filePath());
            } else if (child.isFile()) {
                const QByteArray hash = fileHash(child.filePath());
                if (hash.isEmpty())
                    return {};
                entries.append(root.relativeFilePath(child.filePath()) + u'\t' +
                               QString::fromLatin1(hash.toHex()));
            }
        }
    }
    std::sort(entries.begin(), entries.end());
    return QString::fromLatin1(
        QCryptographicHash::hash(entries.join(u'\n').toUtf8(), QCryptographicHash::Sha256).toHex());
}

QByteArray manifestToJson(const Manifest &manifest)
{
    QJsonArray fonts;
    for (const ManifestFont &font : manifest.fonts) {
        QJsonArray files;
        for (const ManifestFile &file : font.files) {
            QJsonObject entry{{u"file"_s, file.name},
                              {u"faces"_s, QJsonArray::fromStringList(file.faces)},
                              {u"sha256"_s, file.sha256}};
            if (!file.permission.isEmpty())
                entry.insert(u"permission"_s, file.permission);
            files.append(entry);
        }
        QJsonObject entry{{u"name"_s, font.name}, {u"status"_s, font.status}, {u"files"_s, files}};
        if (font.places) {
            entry.insert(u"used"_s, font.places->used);
            entry.insert(u"usedIn"_s, QJsonArray::fromStringList(font.places->usedIn));
        }
        if (!font.permission.isEmpty())
            entry.insert(u"permission"_s, font.permission);
        entry.insert(u"embedded"_s, QJsonArray::fromStringList(font.embeddedFaces));
        if (!font.installedFamily.isEmpty()) {
            entry.insert(u"installedFamily"_s, font.installedFamily);
            entry.insert(u"missingFace"_s, font.missingFace);
        }
        if (!font.leftOut.isEmpty())
            entry.insert(u"leftOut"_s, font.leftOut);
        if (!font.missingCharacters.isEmpty())
            entry.insert(u"missingCharacters"_s, font.missingCharacters);
        fonts.append(entry);
    }
    const QJsonObject presentation{{u"name"_s, manifest.presentationName},
                                   {u"sha256"_s, manifest.presentationSha256},
                                   {u"inPackage"_s, manifest.presentationInPackage}};
    return QJsonDocument(QJsonObject{{u"manifestVersion"_s, manifest.version},
                                     {u"presentation"_s, presentation},
                                     {u"fonts"_s, fonts}})
        .toJson(QJsonDocument::Indented);
}

std::optional<Manifest> parseManifest(const QByteArray &json, QString *error, QStringList *unsafeEntries)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        *error =
            u"the manifest is not JSON ("_s +
            (parseError.error != QJsonParseError::NoError ? parseError.errorString() : u"not an object"_s) +
            u')';
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    Manifest manifest;
    manifest.version = root[u"manifestVersion"_s].toInt(0);
    if (manifest.version < 1 || manifest.version > manifestVersion) {
        *error = u"the manifest's version is not one this program reads"_s;
        return std::nullopt;
    }
    const QJsonObject presentation = root[u"presentation"_s].toObject();
    manifest.presentationName = presentation[u"name"_s].toString();
    manifest.presentationSha256 = presentation[u"sha256"_s].toString();
    manifest.presentationInPackage = presentation[u"inPackage"_s].toBool();
    if (!manifest.presentationName.isEmpty() && !isPlainFileName(manifest.presentationName)) {
        unsafeEntries->append(manifest.presentationName);
        manifest.presentationName.clear();
        manifest.presentationInPackage = false;
    }
    if (!isSha256(manifest.presentationSha256))
        manifest.presentationSha256.clear();
    const QJsonArray fonts = root[u"fonts"_s].toArray();
    for (const QJsonValue &fontValue : fonts) {
        const QJsonObject font = fontValue.toObject();
        ManifestFont entry{font[u"name"_s].toString(), font[u"status"_s].toString(), {}, {}};
        if (font.contains(u"used"_s)) {
            FontPlaces places{font[u"used"_s].toBool(true), {}};
            for (const QJsonValue &place : font[u"usedIn"_s].toArray())
                places.usedIn.append(place.toString());
            entry.places = places;
        }
        entry.permission = font[u"permission"_s].toString();
        entry.installedFamily = font[u"installedFamily"_s].toString();
        entry.missingFace = font[u"missingFace"_s].toString();
        entry.leftOut = font[u"leftOut"_s].toString();
        for (const QJsonValue &face : font[u"embedded"_s].toArray())
            entry.embeddedFaces.append(face.toString());
        entry.missingCharacters = font[u"missingCharacters"_s].toString();
        if (entry.name.isEmpty())
            continue;
        for (const QJsonValue &fileValue : font[u"files"_s].toArray()) {
            const QJsonObject file = fileValue.toObject();
            ManifestFile packaged{file[u"file"_s].toString(),
                                  {},
                                  file[u"sha256"_s].toString(),
                                  file[u"permission"_s].toString()};
            for (const QJsonValue &face : file[u"faces"_s].toArray())
                packaged.faces.append(face.toString());
            if (!isPlainFileName(packaged.name)) {
                unsafeEntries->append(packaged.name);
                packaged.name.clear();
            }
            entry.files.append(packaged);
        }
        manifest.fonts.append(entry);
    }
    return manifest;
}

Manifest makeManifest(const QString &presentationPath, bool presentationInPackage,
                      const QString &presentationSha256, const FontStatusItems &fontItems,
                      const QHash<QString, QString> &packagedFiles, const QString &fontsFolder,
                      const QHash<QString, FontPlaces> &places, const QStringList &failed)
{
    Manifest manifest;
    const TravelList travel = makeTravelList(fontItems);
    manifest.presentationName = QFileInfo(presentationPath).fileName();
    manifest.presentationSha256 = presentationSha256;
    manifest.presentationInPackage = presentationInPackage;
    QHash<QString, ManifestFile> described; // by name in Fonts/: each file read once
    for (const FontStatusItem &item : fontItems) {
        ManifestFont font{item.fontName, rawValue(item.status), {}, {}};
        if (const auto found = places.constFind(item.fontName); found != places.constEnd())
            font.places = *found;
        font.permission = item.status == FontStatus::installed ? permissionLabel(item.permission) : QString();
        font.embeddedFaces = item.embeddedFaces;
        font.installedFamily = item.familyWithoutFace;
        font.missingFace = item.missingFaceStyle;
        const TravellingFont *travelling = travel.find(item.id);
        if (travelling && travelling->travel != Travel::inPackage)
            font.leftOut = leftOutReason(travelling->travel);
        else if (travelling && failed.contains(item.fontName))
            font.leftOut = u"could not be copied"_s;
        font.missingCharacters = missingCharactersText(item.fontName, item.missingCharacters);
        // The font's own file first, then the other faces of its family that travel with it.
        for (const QString &path : travelling ? travelling->files : QStringList()) {
            const QString source = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
            if (travelling->travel != Travel::inPackage || !packagedFiles.contains(source))
                continue;
            const QString name = packagedFiles.value(source);
            if (!described.contains(name)) {
                const QString copy = QDir(fontsFolder).filePath(name);
                ManifestFile file{name, {}, sha256OfItem(copy), permissionOfFile(item, path)};
                for (const FontCatalog::Face &face : readFontFileFaces(copy))
                    file.faces.append(face.fullNames.isEmpty() ? face.postScriptName
                                                               : face.fullNames.first());
                described.insert(name, file);
            }
            font.files.append(described.value(name));
        }
        manifest.fonts.append(font);
    }
    return manifest;
}

} // namespace kernwick
