#include "completionnotice.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace kernwick {

QString packageReadyNoticeBody(const QString &packagePath, qsizetype exportedCount)
{
    if (exportedCount == 0)
        return u"No fonts were exported."_s;
    return QFileInfo(packagePath).fileName() + u" — "_s + QString::number(exportedCount) +
           (exportedCount == 1 ? u" font packaged."_s : u" fonts packaged."_s);
}

void postPackageReadyNotice(Notifier &notifier, const QStringList &exported, const QString &packagePath)
{
    notifier.postNotice(u"Package Ready"_s, packageReadyNoticeBody(packagePath, exported.size()));
}

} // namespace kernwick
