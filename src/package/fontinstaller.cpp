#include "fontinstaller.h"

#include <platform/fileoperations.h>
#include <platform/fontfilefaces.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSet>
#include <QUuid>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

constexpr qint64 maxFontSize = 512 * 1024 * 1024;
const QString recordName = u".kernwick-installed.json"_s;

// The bytes of the regular file at `path`, read without following a link.
std::optional<QByteArray> readRegularFile(const QString &path)
{
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    QFile file;
    struct stat status
    {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxFontSize ||
        !file.open(descriptor, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        ::close(descriptor);
        return std::nullopt;
    }
    return file.readAll();
}

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// What an install put into the folder: file name to hash, and the package they came from.
struct InstallRecord
{
    QString package; // the package's identity; empty in a record of an older version
    QMap<QString, QString> files;
};

InstallRecord readRecord(const QDir &folder)
{
    InstallRecord record;
    const std::optional<QByteArray> bytes = readRegularFile(folder.filePath(recordName));
    if (!bytes)
        return record;
    const QJsonObject root = QJsonDocument::fromJson(*bytes).object();
    record.package = root[u"package"_s].toString();
    for (const QJsonValue &value : root[u"files"_s].toArray()) {
        const QString name = value[u"file"_s].toString();
        if (isPlainFileName(name) && name != recordName)
            record.files.insert(name, value[u"sha256"_s].toString());
    }
    return record;
}

// Writes the record into a new file of its own and renames it over the old one: whatever stands at the
// record's name (a link to a file of the user's) is replaced, never written through.
bool writeRecord(const QDir &folder, const InstallRecord &record, QString *error, const WriteFunction &write)
{
    const QString path = folder.filePath(recordName);
    if (record.files.isEmpty())
        return removeItem(path, error);
    QJsonArray files;
    for (auto it = record.files.begin(); it != record.files.end(); ++it)
        files.append(QJsonObject{{u"file"_s, it.key()}, {u"sha256"_s, it.value()}});
    const QByteArray json =
        QJsonDocument(QJsonObject{{u"package"_s, record.package}, {u"files"_s, files}}).toJson();
    const QString fresh =
        folder.filePath(recordName + u'-' + QUuid::createUuid().toString(QUuid::Id128).left(8));
    if (!writeNewFile(fresh, json, error, write))
        return false;
    if (::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        ::unlink(QFile::encodeName(fresh).constData());
        return false;
    }
    return true;
}

// The package's font folder, or an error when it could not be a folder of the user's own.
QString packageFontFolder(const QString &packageName, const QString &home, QString *error)
{
    const QString realHome = realPath(home);
    if (home.isEmpty() || realHome == u"/") {
        *error = u"there is no home folder to install fonts into"_s;
        return {};
    }
    if (!isPlainFileName(packageName) || packageName.startsWith(u'.')) {
        *error = u"the package's name cannot name a font folder: "_s + packageName;
        return {};
    }
    const QString root = userFontFolder(home);
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    const bool ownDataHome = QDir::isAbsolutePath(dataHome) && dataHome != u"/";
    if (!isSameOrInside(root, ownDataHome ? realPath(dataHome) : realHome)) {
        *error = root + u" leads outside the home folder; nothing is installed there"_s;
        return {};
    }
    const QString folder = QDir(root).filePath(packageName);
    const QFileInfo info(folder);
    if (info.isSymLink() || (info.exists() && !info.isDir())) {
        *error = folder + u" is not a folder; it is left as it is"_s;
        return {};
    }
    return folder;
}

} // namespace

QString userFontFolder(const QString &home)
{
    // Fontconfig's own rule: the fonts folder of the user's data folder, XDG_DATA_HOME when it is set.
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(dataHome) && dataHome != u"/")
        return QDir(QDir::cleanPath(dataHome)).filePath(u"fonts"_s);
    return QDir(home).filePath(u".local/share/fonts"_s);
}

FontInstallOutcome installPackageFonts(const PackageContents &package, const QString &home,
                                       const WriteFunction &write)
{
    FontInstallOutcome outcome;
    outcome.folder = packageFontFolder(package.packageName, home, &outcome.error);
    if (outcome.folder.isEmpty())
        return outcome;
    // What the manifest names but the package does not bring intact is told, never installed.
    QSet<QString> told;
    for (const PackagedFont &font : package.fonts) {
        for (const PackagedFile &file : font.files) {
            if (!file.isUsable() && !told.contains(file.name)) {
                told.insert(file.name);
                outcome.refused.append(file.name + u": damaged, missing or not a regular file"_s);
            }
        }
    }
    // A manifest that lists no fonts beside font files is damaged, not a package without fonts.
    if (package.hasManifest && package.fonts.isEmpty() && !package.unlistedFiles.isEmpty())
        outcome.refused.append(u"Fonts: the manifest lists no fonts, yet Fonts holds files"_s);
    const QList<PackagedFile> files = package.installableFiles();
    if (files.isEmpty())
        return outcome;
    if (!makeFolder(outcome.folder, &outcome.error))
        return outcome;
    const QDir folder(outcome.folder);
    InstallRecord record = readRecord(folder);
    if (!record.files.isEmpty() && !record.package.isEmpty() && record.package != package.identity) {
        outcome.error = outcome.folder +
                        u" holds the fonts of another package of the same name; nothing is installed there"_s;
        return outcome;
    }
    record.package = package.identity;
    const QMap<QString, QString> before = record.files;
    QStringList written; // the files this run put there
    for (const PackagedFile &file : files) {
        // The bytes installed are the bytes whose hash was checked, read once.
        const std::optional<QByteArray> bytes = readRegularFile(file.path);
        if (!bytes || sha256(*bytes) != file.sha256) {
            outcome.refused.append(file.name + u": changed while it was being installed"_s);
            continue;
        }
        if (!looksLikeFontFile(*bytes)) {
            outcome.refused.append(file.name + u": not a font file"_s);
            continue;
        }
        const QString target = folder.filePath(file.name);
        if (file.name.startsWith(recordName)) {
            outcome.refused.append(file.name + u": a name this folder keeps for itself"_s);
            continue;
        }
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
            const std::optional<QByteArray> present = readRegularFile(target);
            if (present && sha256(*present) == file.sha256)
                outcome.alreadyPresent.append(file.name);
            else
                outcome.refused.append(
                    file.name + u": a different file of that name is installed; it is left as it is"_s);
            continue;
        }
        QString error;
        if (!writeNewFile(target, *bytes, &error, write)) {
            removeItem(target, nullptr);
            outcome.refused.append(file.name + u": "_s + error);
            continue;
        }
        // A font is what FreeType can open, whatever its first bytes say.
        if (readFontFileFaces(target).isEmpty()) {
            removeItem(target, nullptr);
            outcome.refused.append(file.name + u": not a font file"_s);
            continue;
        }
        written.append(target);
        record.files.insert(file.name, file.sha256);
        outcome.installed.append(file.name);
    }
    QString error;
    if (record.files != before && !writeRecord(folder, record, &error, write)) {
        // Fonts that could never be uninstalled are not installed.
        for (const QString &path : std::as_const(written))
            removeItem(path, nullptr);
        QDir().rmdir(outcome.folder);
        outcome.installed.clear();
        outcome.error =
            folder.filePath(recordName) + u": "_s + error + u"; the fonts it would list were removed again"_s;
        return outcome;
    }
    if (!outcome.installed.isEmpty())
        refreshFontCaches({outcome.folder, userFontFolder(home)});
    return outcome;
}

FontInstallOutcome uninstallPackageFonts(const QString &packageName, const QString &packageIdentity,
                                         const QString &home)
{
    FontInstallOutcome outcome;
    outcome.folder = packageFontFolder(packageName, home, &outcome.error);
    if (outcome.folder.isEmpty() || !QFileInfo(outcome.folder).isDir())
        return outcome;
    const QDir folder(outcome.folder);
    InstallRecord record = readRecord(folder);
    if (!packageIdentity.isEmpty() && !record.package.isEmpty() && record.package != packageIdentity) {
        outcome.error =
            outcome.folder + u" holds the fonts of another package of the same name; nothing is removed"_s;
        return outcome;
    }
    const QMap<QString, QString> before = record.files;
    for (auto it = before.begin(); it != before.end(); ++it) {
        const QString path = folder.filePath(it.key());
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) {
            outcome.alreadyPresent.append(it.key());
            record.files.remove(it.key());
            continue;
        }
        const std::optional<QByteArray> bytes = readRegularFile(path);
        if (!bytes || sha256(*bytes) != it.value()) {
            outcome.refused.append(it.key() + u": changed since it was installed; it is left as it is"_s);
            continue;
        }
        QString error;
        if (!removeItem(path, &error)) {
            outcome.refused.append(it.key() + u": "_s + error);
            continue;
        }
        record.files.remove(it.key());
        outcome.installed.append(it.key());
    }
    if (record.files != before && !writeRecord(folder, record, nullptr, {}))
        outcome.refused.append(recordName + u": cannot be written"_s);
    // Only an empty folder goes: anything the user put there stays.
    const bool folderGone = QDir().rmdir(outcome.folder);
    if (!outcome.installed.isEmpty() || folderGone) {
        QStringList changed{userFontFolder(home)};
        if (!folderGone)
            changed.prepend(outcome.folder);
        refreshFontCaches(changed);
    }
    return outcome;
}

} // namespace kernwick
