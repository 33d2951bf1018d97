#include "presentationwalk.h"

#include <platform/filenamealiases.h>

#include <QFile>
#include <QHash>
#include <QSet>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

using FileIdentity = std::pair<dev_t, ino_t>;

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

bool isPresentationFileName(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot <= 0)
        return false;
    const QStringView extension = QStringView(fileName).mid(dot + 1);
    return extension.compare(u"key", Qt::CaseInsensitive) == 0 ||
           extension.compare(u"pptx", Qt::CaseInsensitive) == 0 ||
           extension.compare(u"ppt", Qt::CaseInsensitive) == 0;
}

PresentationWalk findPresentations(const QString &folder, const WalkLimits &limits, FileNameAliases *aliases)
{
    PresentationWalk walk;
    const auto shown = [aliases](const QString &path) {
        return aliases ? aliases->shownPath(path) : path;
    };
    QSet<FileIdentity> walkedFolders;
    QHash<FileIdentity, QString>
        foundFiles; // a deck reached by several paths counts under the first in order
    struct Pending
    {
        QString path;
        int depth;
    };
    std::vector<Pending> pending;

    struct stat status
    {};
    if (::stat(QFile::encodeName(folder).constData(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        walk.notes.append(shown(folder) + u": not a folder"_s);
        walk.isComplete = false;
        return walk;
    }
    walkedFolders.insert({status.st_dev, status.st_ino});
    pending.push_back({folder, 0});
    // Links are followed only where they stay inside the folder given.
    char *resolvedRoot = ::realpath(QFile::encodeName(folder).constData(), nullptr);
    const QByteArray root = resolvedRoot ? QByteArray(resolvedRoot) : QFile::encodeName(folder);
    std::free(resolvedRoot);
    const auto staysInside = [&root](const QByteArray &link) {
        char *resolved = ::realpath(link.constData(), nullptr);
        const QByteArray target = resolved ? QByteArray(resolved) : QByteArray();
        std::free(resolved);
        return !target.isEmpty() &&
               (target == root || target.startsWith(root.endsWith('/') ? root : root + '/'));
    };

    qsizetype entries = 0;
    while (!pending.empty()) {
        const Pending current = std::move(pending.back());
        pending.pop_back();
        DIR *directory = ::opendir(QFile::encodeName(current.path).constData());
        if (!directory) {
            walk.notes.append(shown(current.path) + u": cannot be read ("_s + errorText(errno) + u')');
            walk.isComplete = false;
            continue;
        }
        const QString prefix = current.path.endsWith(u'/') ? current.path : current.path + u'/';
        bool unsearchable = false;
        while (const dirent *entry = ::readdir(directory)) {
            const QString name = QFile::decodeName(entry->d_name);
            if (name.startsWith(u'.') || name.startsWith(u"~$"))
                continue;
            if (++entries > limits.maxEntries) {
                walk.notes.append(shown(folder) + u": stopped after "_s + QString::number(limits.maxEntries) +
                                  u" entries; the rest is not checked"_s);
                walk.isComplete = false;
                ::closedir(directory);
                pending.clear();
                directory = nullptr;
                break;
            }
            QString path = prefix + name;
            if (::fstatat(::dirfd(directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
                // A folder that may be listed but not searched (no x): its entries cannot be looked at.
                if (errno != ENOENT && !unsearchable) {
                    walk.notes.append(shown(current.path) + u": its entries cannot be looked at ("_s +
                                      errorText(errno) + u')');
                    walk.isComplete = false;
                    unsearchable = true;
                }
                continue;
            }
            if (S_ISLNK(status.st_mode) && !staysInside(QFile::encodeName(path))) {
                if (::fstatat(::dirfd(directory), entry->d_name, &status, 0) == 0)
                    walk.notes.append(shown(path) + u": a link out of the folder, not followed"_s);
                continue;
            }
            // Through links: what counts is what an entry is.
            if (::fstatat(::dirfd(directory), entry->d_name, &status, 0) != 0)
                continue; // a link to nothing, or gone since it was listed
            // A name in an older encoding than UTF-8 cannot be named again once read as text.
            if (QFile::encodeName(name) != QByteArrayView(entry->d_name) &&
                (S_ISDIR(status.st_mode) || isPresentationFileName(name))) {
                const QString alias =
                    aliases ? aliases->pathFor(aliases->nativePath(prefix) + entry->d_name) : QString();
                if (alias.isEmpty()) {
                    walk.notes.append(
                        shown(path) +
                        u": its name is not UTF-8 (an older encoding); rename it to check it"_s);
                    walk.isComplete = false;
                    continue;
                }
                path = alias;
            }
            const FileIdentity identity{status.st_dev, status.st_ino};
            const bool presentationName = isPresentationFileName(name);
            if (S_ISDIR(status.st_mode) && !name.endsWith(u".key", Qt::CaseInsensitive)) {
                if (walkedFolders.contains(identity)) {
                    walk.notes.append(shown(path) +
                                      u": a folder walked already (a link in a loop?), not walked again"_s);
                    continue;
                }
                if (current.depth + 1 > limits.maxDepth) {
                    walk.notes.append(shown(path) + u": more than "_s + QString::number(limits.maxDepth) +
                                      u" folders deep, not walked"_s);
                    walk.isComplete = false;
                    continue;
                }
                walkedFolders.insert(identity);
                pending.push_back({path, current.depth + 1});
            } else if (presentationName && (S_ISDIR(status.st_mode) || S_ISREG(status.st_mode))) {
                const auto found = foundFiles.constFind(identity);
                if (found == foundFiles.constEnd() || path < *found)
                    foundFiles.insert(identity, path);
            }
        }
        if (directory)
            ::closedir(directory);
    }
    walk.presentations = foundFiles.values();
    std::sort(walk.presentations.begin(), walk.presentations.end());
    return walk;
}

} // namespace kernwick
