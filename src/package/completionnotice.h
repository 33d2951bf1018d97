#pragma once

#include <platform/desktopservices.h>

#include <QString>
#include <QStringList>

namespace kernwick {

// "Talk_package — 3 fonts packaged.", or "No fonts were exported." when none was.
QString packageReadyNoticeBody(const QString &packagePath, qsizetype exportedCount);

// The "Package Ready" notice of a finished build. Returns at once.
void postPackageReadyNotice(Notifier &notifier, const QStringList &exported, const QString &packagePath);

} // namespace kernwick
