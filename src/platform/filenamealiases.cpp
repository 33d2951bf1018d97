#include "filenamealiases.h"

#include <QDir>
#include <QFile>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

// Tells `error`, when asked for, why the last call failed; the path for a name that cannot be had.
QString failed(QString *error)
{
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

} // namespace

FileNameAliases::~FileNameAliases()
{
    // Only what was made here: each link, the folder it was made in, then the private folder, none of them
    // followed. A folder someone put something else into stays.
    for (auto link = m_targets.cbegin(); link != m_targets.cend(); ++link) {
        const QByteArray native = QFile::encodeName(link.key());
        ::unlink(native.constData());
        ::rmdir(native.left(native.lastIndexOf('/')).constData());
    }
    if (!m_root.isEmpty())
        ::rmdir(m_root.constData());
}

QUrl FileNameAliases::urlFor(const QString &path) const
{
    QByteArray native = nativePath(path);
    if (!native.startsWith('/'))
        native = QFile::encodeName(QDir::currentPath()) + '/' + native;
    return QUrl::fromEncoded("file://" + native.toPercentEncoding("/"));
}

bool FileNameAliases::isUtf8(const QByteArray &name)
{
    return QFile::encodeName(QFile::decodeName(name)) == name;
}

QString FileNameAliases::pathFor(const QByteArray &nativePath, QString *error)
{
    if (isUtf8(nativePath))
        return QFile::decodeName(nativePath);
    QByteArray native = nativePath;
    while (native.size() > 1 && native.endsWith('/'))
        native.chop(1);
    const QString shown = QFile::decodeName(native); // as given: a relative path stays relative
    if (!native.startsWith('/')) {
        char *current = ::getcwd(nullptr, 0);
        if (!current)
            return failed(error);
        native = QByteArray(current) + '/' + native;
        std::free(current);
    }
    struct stat status = {};
    if (::stat(native.constData(), &status) != 0)
        return failed(error);

    const std::lock_guard lock(m_lock);
    if (const auto known = m_links.constFind(native); known != m_links.cend())
        return *known;
    if (m_root.isEmpty()) {
        QByteArray pattern = QFile::encodeName(QDir::tempPath()) + "/kernwick-names-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            return failed(error);
        m_root = pattern;
        m_rootPath = QFile::decodeName(m_root);
    }
    // A folder of its own for each link: two names that differ only in bytes that do not decode look alike.
    const QByteArray folder = m_root + '/' + QByteArray::number(m_links.size() + 1);
    // Each byte shown as U+FFFD takes three: a long name is cut before its extension, which tells the
    // format, to stay within the 255 bytes a file name may hold.
    const QString leaf = QFile::decodeName(native.mid(native.lastIndexOf('/') + 1));
    const qsizetype dot = leaf.lastIndexOf(u'.');
    const QString extension = dot > 0 ? leaf.mid(dot) : QString();
    QString base = leaf.left(leaf.size() - extension.size());
    while (QFile::encodeName(base + extension).size() > 255 && base.size() > 1)
        base.chop(base.size() >= 2 && base.back().isLowSurrogate() ? 2 : 1);
    const QString shownName = base + extension;
    const QByteArray link = folder + '/' + QFile::encodeName(shownName);
    if (::mkdir(folder.constData(), 0700) != 0 || ::symlink(native.constData(), link.constData()) != 0) {
        failed(error);
        ::rmdir(folder.constData());
        return {};
    }
    const QString path = QFile::decodeName(link);
    m_links.insert(native, path);
    m_targets.insert(path, native);
    m_shown.insert(path, shown);
    return path;
}

QString FileNameAliases::pathForShown(const QString &shownPath, QString *error)
{
    struct stat status = {};
    if (!shownPath.startsWith(u'/') || !shownPath.contains(QChar::ReplacementCharacter) ||
        ::stat(QFile::encodeName(shownPath).constData(), &status) == 0)
        return shownPath;
    QByteArray native;
    for (const QString &part : shownPath.split(u'/', Qt::SkipEmptyParts)) {
        QByteArray name = QFile::encodeName(part);
        if (part.contains(QChar::ReplacementCharacter)) {
            DIR *folder = ::opendir(native.isEmpty() ? "/" : native.constData());
            if (!folder)
                return shownPath;
            int matches = 0;
            while (const dirent *entry = ::readdir(folder)) {
                if (QFile::decodeName(entry->d_name) == part && ++matches == 1)
                    name = entry->d_name;
            }
            ::closedir(folder);
            if (matches != 1)
                return shownPath;
        }
        native += '/' + name;
    }
    return pathFor(native, error);
}

QString FileNameAliases::pathForUrl(const QUrl &url, QString *error)
{
    if (!url.isLocalFile())
        return url.toLocalFile();
    // The encoded path keeps each byte of the name; the decoded one has already lost those that are not
    // UTF-8.
    return pathFor(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()), error);
}

QString FileNameAliases::aliasOf(const QString &path, QString *rest) const
{
    if (m_rootPath.isEmpty() || !path.startsWith(m_rootPath + u'/'))
        return {};
    // <root>/<number>/<name>[/rest]
    const qsizetype number = m_rootPath.size() + 1;
    const qsizetype name = path.indexOf(u'/', number);
    if (name < 0)
        return {};
    const qsizetype end = path.indexOf(u'/', name + 1);
    const QString link = end < 0 ? path : path.left(end);
    if (!m_targets.contains(link))
        return {};
    *rest = end < 0 ? QString() : path.mid(end);
    return link;
}

QString FileNameAliases::shownPath(const QString &path) const
{
    const std::lock_guard lock(m_lock);
    QString rest;
    const QString link = aliasOf(path, &rest);
    return link.isEmpty() ? path : m_shown.value(link) + rest;
}

bool FileNameAliases::isAlias(const QString &path) const
{
    const std::lock_guard lock(m_lock);
    QString rest;
    return !aliasOf(path, &rest).isEmpty();
}

QByteArray FileNameAliases::nativePath(const QString &path) const
{
    const std::lock_guard lock(m_lock);
    QString rest;
    const QString link = aliasOf(path, &rest);
    return link.isEmpty() ? QFile::encodeName(path) : m_targets.value(link) + QFile::encodeName(rest);
}

} // namespace kernwick
