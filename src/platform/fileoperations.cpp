#include "fileoperations.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

bool failWithErrno(QString *error, int code)
{
    return fail(error, QString::fromLocal8Bit(std::strerror(code)));
}

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

bool copyFile(const QString &source, const QString &target, QString *error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return fail(error, in.errorString());
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fail(error, out.errorString());
    char buffer[1 << 16];
    for (;;) {
        const qint64 count = in.read(buffer, sizeof buffer);
        if (count < 0)
            return fail(error, in.errorString());
        if (count == 0)
            break;
        if (out.write(buffer, count) != count) {
            const QString message = out.errorString();
            out.remove();
            return fail(error, message);
        }
    }
    if (!out.flush()) {
        out.remove();
        return fail(error, out.errorString());
    }
    out.setPermissions(in.permissions());
    return true;
}

bool copyLink(const QString &source, const QString &target, QString *error)
{
    QByteArray linkTarget(4096, '\0');
    const ssize_t length =
        ::readlink(encoded(source).constData(), linkTarget.data(), size_t(linkTarget.size()));
    if (length < 0)
        return failWithErrno(error, errno);
    linkTarget.truncate(length);
    if (::symlink(linkTarget.constData(), encoded(target).constData()) != 0)
        return failWithErrno(error, errno);
    return true;
}

} // namespace

bool isSameOrInside(const QString &inner, const QString &outer)
{
    const auto canonical = [](const QString &path) {
        const QString resolved = QFileInfo(path).canonicalFilePath();
        return resolved.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : resolved;
    };
    const QString innerPath = canonical(inner);
    const QString outerPath = canonical(outer);
    return innerPath == outerPath || innerPath.startsWith(outerPath == u"/" ? outerPath : outerPath + u'/');
}

bool copyItem(const QString &source, const QString &target, QString *error)
{
    const QFileInfo info(source);
    if (!info.exists() && !info.isSymLink())
        return failWithErrno(error, ENOENT);
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        return failWithErrno(error, EEXIST);
    if (info.isSymLink())
        return copyLink(source, target, error);
    if (!info.isDir())
        return copyFile(source, target, error);

    if (isSameOrInside(target, source))
        return fail(error, u"A folder cannot be copied into itself."_s);
    if (!QDir().mkdir(target))
        return fail(error, u"Could not create the folder “%1”."_s.arg(target));
    // Links inside are copied as links, so the walk never leaves the folder.
    QDirIterator walk(source, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    const QDir from(source);
    const QDir to(target);
    while (walk.hasNext()) {
        const QString path = walk.next();
        const QFileInfo entry = walk.fileInfo();
        const QString destination = to.filePath(from.relativeFilePath(path));
        bool copied = true;
        if (entry.isSymLink())
            copied = copyLink(path, destination, error);
        else if (entry.isDir())
            copied = QDir().mkdir(destination) ||
                     fail(error, u"Could not create the folder “%1”."_s.arg(destination));
        else
            copied = copyFile(path, destination, error);
        if (!copied)
            return false;
    }
    return true;
}

bool removeItem(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (info.isDir() && !info.isSymLink()) {
        if (!QDir(path).removeRecursively())
            return fail(error, u"Could not remove “%1” and everything in it."_s.arg(path));
        return true;
    }
    if (::unlink(encoded(path).constData()) != 0)
        return failWithErrno(error, errno);
    return true;
}

bool makeFolder(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    if (info.exists())
        return failWithErrno(error, EEXIST);
    if (!QDir().mkpath(path))
        return fail(error, u"Could not create the folder “%1”."_s.arg(path));
    return true;
}

bool exchangeItems(const QString &path, const QString &replacement, QString *error)
{
#ifdef RENAME_EXCHANGE
    if (::renameat2(AT_FDCWD, encoded(replacement).constData(), AT_FDCWD, encoded(path).constData(),
                    RENAME_EXCHANGE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return failWithErrno(error, errno);
#endif
    // The file system cannot swap: move the old item aside first, so that it is never lost.
    const QString aside = path + u".previous"_s;
    if (::rename(encoded(path).constData(), encoded(aside).constData()) != 0)
        return failWithErrno(error, errno);
    if (::rename(encoded(replacement).constData(), encoded(path).constData()) != 0) {
        const int code = errno;
        ::rename(encoded(aside).constData(), encoded(path).constData());
        return failWithErrno(error, code);
    }
    if (::rename(encoded(aside).constData(), encoded(replacement).constData()) != 0)
        return failWithErrno(error, errno);
    return true;
}

bool renameItem(const QString &path, const QString &target, QString *error)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, encoded(path).constData(), AT_FDCWD, encoded(target).constData(),
                    RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return failWithErrno(error, errno);
#endif
    if (QFileInfo::exists(target))
        return failWithErrno(error, EEXIST);
    if (::rename(encoded(path).constData(), encoded(target).constData()) != 0)
        return failWithErrno(error, errno);
    return true;
}

} // namespace kernwick
