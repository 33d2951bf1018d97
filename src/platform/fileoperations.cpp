#include "fileoperations.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

QString describe(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

bool failWithErrno(QString *error, int code)
{
    return fail(error, describe(code));
}

CopyFailure failCopy(CopyFailure failure, QString *error, int code)
{
    failWithErrno(error, code);
    return failure;
}

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

class Descriptor final
{
public:
    explicit Descriptor(int descriptor)
        : m_descriptor(descriptor)
    {}
    ~Descriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    Q_DISABLE_COPY_MOVE(Descriptor)
    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

// Past a file-size limit (ulimit -f) the kernel sends SIGXFSZ, whose default action ends the process; with
// it ignored, the write fails with EFBIG and the caller can stop cleanly. A handler of someone else's stays.
void letFileSizeLimitFailWrites()
{
    struct sigaction current = {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        ::signal(SIGXFSZ, SIG_IGN);
}

// Writes all of `size` bytes; false with errno set when the file system refuses.
bool writeAll(int descriptor, const char *data, size_t size, const WriteFunction &write)
{
    while (size > 0) {
        const ssize_t count = write ? write(descriptor, data, size) : ::write(descriptor, data, size);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            if (count == 0)
                errno = EIO;
            return false;
        }
        data += count;
        size -= size_t(count);
    }
    return true;
}

int createNewFile(const QByteArray &path)
{
    letFileSizeLimitFailWrites();
    return ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

// Opens a regular file for reading. A FIFO is never waited on and a device never opened: the type is checked
// before opening and again on what was opened.
int openRegularFile(const QByteArray &path, bool followLink, struct stat *info, QString *error)
{
    const auto notRegular = [&](const struct stat &status) {
        fail(error, S_ISDIR(status.st_mode) ? describe(EISDIR) : u"Not a regular file"_s);
        return -1;
    };
    if ((followLink ? ::stat(path.constData(), info) : ::lstat(path.constData(), info)) != 0) {
        failWithErrno(error, errno);
        return -1;
    }
    if (!S_ISREG(info->st_mode))
        return notRegular(*info);
    const int descriptor =
        ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
    if (descriptor < 0) {
        failWithErrno(error, errno);
        return -1;
    }
    if (::fstat(descriptor, info) != 0 || !S_ISREG(info->st_mode)) {
        ::close(descriptor);
        return notRegular(*info);
    }
    return descriptor;
}

CopyFailure copyRegularFile(const QByteArray &source, bool followLink, const QByteArray &target,
                            QString *error, const WriteFunction &write)
{
    struct stat info = {};
    const Descriptor in(openRegularFile(source, followLink, &info, error));
    if (in.get() < 0)
        return CopyFailure::reading;
    const int out = createNewFile(target);
    if (out < 0)
        return failCopy(CopyFailure::writing, error, errno);
    std::vector<char> buffer(size_t(1) << 17);
    CopyFailure failure = CopyFailure::none;
    int code = 0;
    for (;;) {
        const ssize_t count = ::read(in.get(), buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            failure = CopyFailure::reading;
            code = errno;
        } else if (count > 0 && !writeAll(out, buffer.data(), size_t(count), write)) {
            failure = CopyFailure::writing;
            code = errno;
        }
        if (count <= 0 || failure != CopyFailure::none)
            break;
    }
    if (failure == CopyFailure::none)
        ::fchmod(out, info.st_mode & 0777); // a file system without modes keeps its own
    if (::close(out) != 0 && failure == CopyFailure::none) {
        failure = CopyFailure::writing;
        code = errno;
    }
    if (failure == CopyFailure::none)
        return failure;
    ::unlink(target.constData()); // no half a file left behind, whichever side failed
    return failCopy(failure, error, code);
}

// One folder copy: the real path of the folder being copied, and where to tell what is left out.
class FolderCopy final
{
public:
    FolderCopy(QByteArray root, const LeftOutSink &leftOut, const LeftOutSink &linked, QString *error,
               QString *failedEntry, const WriteFunction &write)
        : m_root(std::move(root))
        , m_leftOut(leftOut)
        , m_linked(linked)
        , m_error(error)
        , m_failedEntry(failedEntry)
        , m_write(write)
    {}

    CopyFailure copyFolder(const QByteArray &from, const QByteArray &to, const QByteArray &entry,
                           bool followFolderLinks)
    {
        if (::mkdir(to.constData(), 0777) != 0)
            return failAt(entry, CopyFailure::writing, errno);
        DIR *folder = ::opendir(from.constData());
        if (!folder)
            return failAt(entry, CopyFailure::reading, errno);
        QByteArrayList names;
        errno = 0;
        while (const dirent *item = ::readdir(folder)) {
            if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0)
                names.append(QByteArray(item->d_name));
        }
        const int code = errno;
        ::closedir(folder);
        if (code != 0)
            return failAt(entry, CopyFailure::reading, code);

        for (const QByteArray &name : std::as_const(names)) {
            const QByteArray inner = entry.isEmpty() ? name : entry + '/' + name;
            const QByteArray source = from + '/' + name;
            const QByteArray target = to + '/' + name;
            struct stat info = {};
            if (::lstat(source.constData(), &info) != 0)
                return failAt(inner, CopyFailure::reading, errno);
            CopyFailure failure = CopyFailure::none;
            if (S_ISDIR(info.st_mode))
                failure = copyFolder(source, target, inner, followFolderLinks);
            else if (S_ISREG(info.st_mode))
                failure = copyFile(source, target, inner);
            else if (S_ISLNK(info.st_mode))
                failure = copyLinked(source, target, inner, followFolderLinks);
            else
                leaveOut(inner, u"not a regular file or folder"_s);
            if (failure != CopyFailure::none)
                return failure;
        }
        return CopyFailure::none;
    }

private:
    // A file reached again (by a link, or a hard link) is not copied again: the copy gets a hard link to
    // its first copy, so that many links to one large file cost its size once.
    CopyFailure copyFile(const QByteArray &source, const QByteArray &target, const QByteArray &entry)
    {
        struct stat info = {};
        const bool known = ::stat(source.constData(), &info) == 0 && S_ISREG(info.st_mode);
        const std::pair<dev_t, ino_t> identity{info.st_dev, info.st_ino};
        if (known) {
            const auto found = m_copies.find(identity);
            if (found != m_copies.end() && ::link(found->second.first.constData(), target.constData()) == 0) {
                if (m_linked)
                    m_linked(QFile::decodeName(entry), QFile::decodeName(found->second.second));
                return CopyFailure::none;
            }
        }
        const CopyFailure failure = copyRegularFile(source, false, target, m_error, m_write);
        if (failure != CopyFailure::none && m_failedEntry)
            *m_failedEntry = QFile::decodeName(entry);
        if (failure == CopyFailure::none && known)
            m_copies.emplace(identity, std::pair{target, entry});
        return failure;
    }

    // A link is copied as what it points to, when that lies inside the folder.
    CopyFailure copyLinked(const QByteArray &source, const QByteArray &target, const QByteArray &entry,
                           bool followFolderLinks)
    {
        char *resolved = ::realpath(source.constData(), nullptr);
        if (!resolved) {
            leaveOut(entry, u"a link to nothing"_s);
            return CopyFailure::none;
        }
        const QByteArray real(resolved);
        std::free(resolved);
        if (real != m_root && !real.startsWith(QByteArray(m_root + '/'))) {
            leaveOut(entry, u"a link out of the folder"_s);
            return CopyFailure::none;
        }
        struct stat info = {};
        if (::lstat(real.constData(), &info) != 0)
            return failAt(entry, CopyFailure::reading, errno);
        if (S_ISREG(info.st_mode))
            return copyFile(real, target, entry);
        if (S_ISDIR(info.st_mode) && followFolderLinks)
            return copyFolder(real, target, entry, false);
        leaveOut(entry, S_ISDIR(info.st_mode) ? u"a folder link inside a linked folder"_s
                                              : u"a link to what is not a regular file or folder"_s);
        return CopyFailure::none;
    }

    CopyFailure failAt(const QByteArray &entry, CopyFailure failure, int code)
    {
        if (m_failedEntry)
            *m_failedEntry = QFile::decodeName(entry);
        return failCopy(failure, m_error, code);
    }

    void leaveOut(const QByteArray &entry, const QString &reason) const
    {
        if (m_leftOut)
            m_leftOut(QFile::decodeName(entry), reason);
    }

    QByteArray m_root;
    const LeftOutSink &m_leftOut;
    const LeftOutSink &m_linked;
    std::map<std::pair<dev_t, ino_t>, std::pair<QByteArray, QByteArray>> m_copies; // copy and entry
    QString *m_error;
    QString *m_failedEntry;
    const WriteFunction &m_write;
};

// Removes what the open folder holds, never following a link: each folder is entered through the
// descriptor of its parent, so a folder swapped for a link half-way is not entered.
bool removeContents(int folder, QString *error)
{
    const int listing = ::dup(folder);
    DIR *entries = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!entries) {
        if (listing >= 0)
            ::close(listing);
        return failWithErrno(error, errno);
    }
    QByteArrayList names;
    while (const dirent *item = ::readdir(entries)) {
        if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0)
            names.append(QByteArray(item->d_name));
    }
    ::closedir(entries);
    for (const QByteArray &name : std::as_const(names)) {
        struct stat info = {};
        if (::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue;
            return failWithErrno(error, errno);
        }
        const bool isFolder = S_ISDIR(info.st_mode);
        if (isFolder) {
            const Descriptor inner(
                ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (inner.get() < 0)
                return failWithErrno(error, errno);
            if (!removeContents(inner.get(), error))
                return false;
        }
        if (::unlinkat(folder, name.constData(), isFolder ? AT_REMOVEDIR : 0) != 0 && errno != ENOENT)
            return failWithErrno(error, errno);
    }
    return true;
}

} // namespace

CopyFailure copyFile(const QString &source, const QString &target, QString *error, const WriteFunction &write)
{
    return copyRegularFile(encoded(source), true, encoded(target), error, write);
}

CopyFailure copyFolder(const QString &source, const QString &target, const LeftOutSink &leftOut,
                       QString *error, QString *failedEntry, const WriteFunction &write,
                       const LeftOutSink &linked)
{
    if (failedEntry)
        failedEntry->clear();
    char *resolved = ::realpath(encoded(source).constData(), nullptr);
    if (!resolved)
        return failCopy(CopyFailure::reading, error, errno);
    const QByteArray root(resolved);
    std::free(resolved);
    struct stat info = {};
    if (::stat(root.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return failCopy(CopyFailure::reading, error, ENOTDIR);
    letFileSizeLimitFailWrites();
    FolderCopy copy(root, leftOut, linked, error, failedEntry, write);
    return copy.copyFolder(root, encoded(target), QByteArray(), true);
}

bool writeNewFile(const QString &path, const QByteArray &bytes, QString *error, const WriteFunction &write)
{
    const QByteArray name = encoded(path);
    const int out = createNewFile(name);
    if (out < 0)
        return failWithErrno(error, errno);
    const bool written = writeAll(out, bytes.constData(), size_t(bytes.size()), write);
    int code = errno;
    const bool closed = ::close(out) == 0;
    if (written && closed)
        return true;
    if (written)
        code = errno;
    ::unlink(name.constData());
    return failWithErrno(error, code);
}

bool removeItem(const QString &path, QString *error)
{
    const QByteArray name = encoded(path);
    struct stat info = {};
    if (::lstat(name.constData(), &info) != 0)
        return errno == ENOENT || failWithErrno(error, errno);
    if (!S_ISDIR(info.st_mode)) {
        if (::unlink(name.constData()) != 0 && errno != ENOENT)
            return failWithErrno(error, errno);
        return true;
    }
    const Descriptor folder(::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0)
        return failWithErrno(error, errno);
    if (!removeContents(folder.get(), error))
        return false;
    if (::rmdir(name.constData()) != 0 && errno != ENOENT)
        return failWithErrno(error, errno);
    return true;
}

bool makeFolder(const QString &path, QString *error)
{
    const QString clean = QDir::cleanPath(path);
    if (::mkdir(encoded(clean).constData(), 0777) == 0)
        return true;
    const int code = errno;
    if (code == EEXIST) {
        struct stat info = {};
        if (::stat(encoded(clean).constData(), &info) == 0 && S_ISDIR(info.st_mode))
            return true;
        return failWithErrno(error, EEXIST);
    }
    const QString parent = QFileInfo(clean).path();
    if (code != ENOENT || parent == clean)
        return failWithErrno(error, code);
    if (!makeFolder(parent, error))
        return false;
    if (::mkdir(encoded(clean).constData(), 0777) != 0)
        return failWithErrno(error, errno);
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
    const QString aside = replacement + u"-old"_s;
    if (!renameItem(path, aside, error))
        return false;
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
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        return failWithErrno(error, EEXIST);
    if (::rename(encoded(path).constData(), encoded(target).constData()) != 0)
        return failWithErrno(error, errno);
    return true;
}

QString realPath(const QString &path)
{
    // The nearest part that exists is resolved; what lies below it is appended as it stands.
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QStringList tail;
    for (;;) {
        if (char *resolved = ::realpath(encoded(existing).constData(), nullptr)) {
            QString real = QFile::decodeName(resolved);
            std::free(resolved);
            for (auto part = tail.crbegin(); part != tail.crend(); ++part)
                real = (real == u"/" ? real : real + u'/') + *part;
            return real;
        }
        const QFileInfo info(existing);
        if (info.path() == existing)
            return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        tail.append(info.fileName());
        existing = info.path();
    }
}

bool isSameOrInside(const QString &inner, const QString &outer)
{
    const QString innerPath = realPath(inner);
    const QString outerPath = realPath(outer);
    return innerPath == outerPath || innerPath.startsWith(outerPath == u"/" ? outerPath : outerPath + u'/');
}

bool isFolderLockedElsewhere(const QString &folder)
{
    const Descriptor descriptor(
        ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    return descriptor.get() >= 0 && ::flock(descriptor.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

FolderLock::FolderLock(const QString &folder)
    : m_descriptor(::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC))
{
    if (m_descriptor >= 0 && ::flock(m_descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_descriptor);
        m_descriptor = -1;
    }
}

FolderLock::~FolderLock()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

} // namespace kernwick
