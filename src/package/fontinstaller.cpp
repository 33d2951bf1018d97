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
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// What an install put into the folder: file name to hash.
using InstallRecord = QMap<QString, QString>;

InstallRecord readRecord(const QDir &folder)
{
    InstallRecord record;
    const std::optional<QByteArray> bytes = readRegularFile(folder.filePath(recordName));
    if (!bytes)
        return record;
    for (const QJsonValue &value : QJsonDocument::fromJson(*bytes).object()[u"files"_s].toArray()) {
        const QString name = value[u"file"_s].toString();
        if (isPlainFileName(name) && name != recordName)
            record.insert(name, value[u"sha256"_s].toString());
    }
    return record;
}

bool writeRecord(const QDir &folder, const InstallRecord &record)
{
    if (record.isEmpty())
        return removeItem(folder.filePath(recordName), nullptr);
    QJsonArray files;
    for (auto it = record.begin(); it != record.end(); ++it)
        files.append(QJsonObject{{u"file"_s, it.key()}, {u"sha256"_s, it.value()}});
    QSaveFile file(folder.filePath(recordName));
    return file.open(QIODevice::WriteOnly) &&
           file.write(QJsonDocument(QJsonObject{{u"files"_s, files}}).toJson()) >= 0 && file.commit();
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
    if (!isSameOrInside(root, realHome)) {
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
    return QDir(home).filePath(u".local/share/fonts"_s);
}

FontInstallOutcome installPackageFonts(const PackageContents &package, const QString &home)
{
    FontInstallOutcome outcome;
    outcome.folder = packageFontFolder(package.packageName, home, &outcome.error);
    if (outcome.folder.isEmpty())
        return outcome;
    // What the manifest names but the package does not bring intact is told, never installed.
    for (const PackagedFont &font : package.fonts) {
        for (const PackagedFile &file : font.files) {
            if (!file.isUsable() &&
                !outcome.refused.contains(file.name + u": damaged, missing or not a regular file"_s))
                outcome.refused.append(file.name + u": damaged, missing or not a regular file"_s);
        }
    }
    const QList<PackagedFile> files = package.installableFiles();
    if (files.isEmpty())
        return outcome;
    if (!makeFolder(outcome.folder, &outcome.error))
        return outcome;
    const QDir folder(outcome.folder);
    InstallRecord record = readRecord(folder);
    const InstallRecord before = record;
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
        if (file.name == recordName) {
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
        if (!writeNewFile(target, *bytes, &error)) {
            removeItem(target, nullptr);
            outcome.refused.append(file.name + u": "_s + error);
            continue;
        }
        record.insert(file.name, file.sha256);
        outcome.installed.append(file.name);
    }
    if (record != before && !writeRecord(folder, record))
        outcome.refused.append(recordName + u": cannot be written; uninstalling will not know these fonts"_s);
    if (!outcome.installed.isEmpty())
        refreshFontCaches({outcome.folder, userFontFolder(home)});
    return outcome;
}

FontInstallOutcome uninstallPackageFonts(const QString &packageName, const QString &home)
{
    FontInstallOutcome outcome;
    outcome.folder = packageFontFolder(packageName, home, &outcome.error);
    if (outcome.folder.isEmpty() || !QFileInfo(outcome.folder).isDir())
        return outcome;
    const QDir folder(outcome.folder);
    InstallRecord record = readRecord(folder);
    const InstallRecord before = record;
    for (auto it = before.begin(); it != before.end(); ++it) {
        const QString path = folder.filePath(it.key());
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) {
            outcome.alreadyPresent.append(it.key());
            record.remove(it.key());
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
        record.remove(it.key());
        outcome.installed.append(it.key());
    }
    if (record != before)
        writeRecord(folder, record);
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
