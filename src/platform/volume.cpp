#include "volume.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
bool readsOne(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(8).trimmed() == "1";
}
} // namespace

bool isOnRemovableVolume(const QString &path, const QString &sysfsRoot)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    const QString device = sysfsRoot + u"/dev/block/%1:%2"_s.arg(major(info.st_dev)).arg(minor(info.st_dev));
    const QString resolved = QFileInfo(device).canonicalFilePath();
    if (resolved.isEmpty())
        return false;
    // A partition's own folder has no "removable"; the disk it belongs to, one level up, has.
    const QString disk =
        QFileInfo::exists(resolved + u"/partition"_s) ? QFileInfo(resolved).path() : resolved;
    if (readsOne(disk + u"/removable"_s))
        return true;
    // External disks often call themselves fixed; where they hang on the device tree tells.
    for (const QString &bus : {u"/usb"_s, u"/firewire"_s, u"/thunderbolt"_s}) {
        if (disk.contains(bus))
            return true;
    }
    return false;
}

} // namespace kernwick
