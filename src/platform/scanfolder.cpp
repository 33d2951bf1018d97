#include "scanfolder.h"

#include <QDir>
#include <QFile>
#include <QUuid>

#include <sys/stat.h>

namespace kernwick {

ScanFolder::ScanFolder(const QString &prefix)
{
    const QString name = prefix + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString path = QDir(QDir::tempPath()).filePath(name);
    // mkdir fails on anything already there, a planted link included.
    if (::mkdir(QFile::encodeName(path).constData(), 0700) == 0)
        m_path = path;
}

ScanFolder::~ScanFolder()
{
    if (isValid())
        QDir(m_path).removeRecursively();
}

} // namespace kernwick
