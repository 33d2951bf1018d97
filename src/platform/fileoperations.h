#pragma once

#include <QString>

#include <sys/types.h>

#include <functional>

namespace kernwick {

// File operations that report what went wrong in words a person can read ("No space left on device").
// None of them follows a link where that could reach outside what it was asked to touch.

// Writes bytes to a file descriptor as write(2) does; a test hands in one that fails, to see what a full disk
// does. Empty: write(2) itself.
using WriteFunction = std::function<ssize_t(int descriptor, const void *data, size_t size)>;

// Where a copy went wrong: reading what is copied, or writing the copy.
enum class CopyFailure
{
    none,
    reading,
    writing
};

// Copies the regular file at `source`, or the one a link there points to, into the new file `target`.
// Anything else (a folder, a FIFO, a device, a socket) is refused without being read, and a copy that fails
// half-way is removed.
CopyFailure copyFile(const QString &source, const QString &target, QString *error,
                     const WriteFunction &write = {});

// Told of each entry that a folder copy leaves out: its path inside the folder, and why.
using LeftOutSink = std::function<void(const QString &entry, const QString &reason)>;

// Copies the folder `source`, or the one a link there points to, into the new folder `target` as a whole
// that stands on its own: a link that points inside the folder is copied as what it points to (a linked
// folder without the folder links inside it, so that no loop is followed); a link out of the folder or to
// nothing, and anything that is neither a regular file nor a folder, are left out and told to `leftOut`.
// On failure `failedEntry` gets the path inside the folder where it happened (empty: the folder itself).
// A file reached a second time (a second link to it) becomes a hard link to its first copy, told to
// `linked` with the entry first copied as the reason: many links to one file cost its size once.
CopyFailure copyFolder(const QString &source, const QString &target, const LeftOutSink &leftOut,
                       QString *error, QString *failedEntry = nullptr, const WriteFunction &write = {},
                       const LeftOutSink &linked = {});

// Writes `bytes` into the new file `path`.
bool writeNewFile(const QString &path, const QByteArray &bytes, QString *error,
                  const WriteFunction &write = {});

// Removes a file, a link (never what it points to) or a whole folder with the links in it; true when nothing
// is left at `path`.
bool removeItem(const QString &path, QString *error);

// Makes a folder and any missing folders above it.
bool makeFolder(const QString &path, QString *error);

// Puts `replacement` where `path` is: the two swap places in one step where the file system can, so
// that `path` never stands empty; `replacement` then holds what `path` held before.
bool exchangeItems(const QString &path, const QString &replacement, QString *error);

// Lets `path` take the place of nothing: renames it, failing when `target` exists.
bool renameItem(const QString &path, const QString &target, QString *error);

// `path` made absolute with every link in it resolved, in its parents too; a tail that does not exist yet
// is appended as it stands.
QString realPath(const QString &path);

// `inner` is `outer` or lies somewhere inside it, compared as real paths.
bool isSameOrInside(const QString &inner, const QString &outer);

// Whether a running process holds the lock of a FolderLock on `folder`; false for a folder that cannot be
// opened, which no process works in.
bool isFolderLockedElsewhere(const QString &folder);

// An advisory lock on a folder, taken without waiting and held for as long as the object lives: it tells a
// folder that a running process works in from one left behind by a process that ended.
class FolderLock final
{
public:
    explicit FolderLock(const QString &folder);
    ~FolderLock();
    Q_DISABLE_COPY_MOVE(FolderLock)

    bool isHeld() const { return m_descriptor >= 0; }

private:
    int m_descriptor = -1;
};

} // namespace kernwick
