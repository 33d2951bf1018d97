#include "bookmark.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
constexpr quint32 bookmarkMagic = 0x4B57424D; // "KWBM"

QString describeErrno(const QString &path, int code)
{
    return u"The file “%1” couldn’t be opened: %2."_s.arg(QFileInfo(path).fileName(),
                                                          QString::fromLocal8Bit(std::strerror(code)));
}
} // namespace

std::optional<QByteArray> createBookmark(const QString &path, QString *error)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    struct stat info = {};
    if (::stat(QFile::encodeName(absolute).constData(), &info) != 0) {
        if (error)
            *error = describeErrno(absolute, errno);
        return std::nullopt;
    }
    QByteArray bookmark;
    QDataStream stream(&bookmark, QIODevice::WriteOnly);
    stream << bookmarkMagic << absolute << quint64(info.st_dev) << quint64(info.st_ino);
    return bookmark;
}

std::optional<QString> resolveBookmark(const QByteArray &bookmark, QString *error)
{
    QDataStream stream(bookmark);
    quint32 magic = 0;
    QString path;
    quint64 device = 0;
    quint64 inode = 0;
    stream >> magic >> path >> device >> inode;
    if (stream.status() != QDataStream::Ok || magic != bookmarkMagic || path.isEmpty()) {
        if (error)
            *error = u"The bookmark data isn’t in the correct format."_s;
        return std::nullopt;
    }
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        if (error)
            *error = u"The file “%1” couldn’t be found."_s.arg(QFileInfo(path).fileName());
        return std::nullopt;
    }
    if (quint64(info.st_dev) != device || quint64(info.st_ino) != inode) {
        if (error)
            *error = u"The file “%1” has been replaced by another file."_s.arg(QFileInfo(path).fileName());
        return std::nullopt;
    }
    return path;
}

} // namespace kernwick
