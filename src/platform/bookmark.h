#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace kernwick {

// A remembered file: enough to find the same file again later and to notice when it is gone. There is no
// sandbox to grant access here; what a bookmark keeps is the file's path and its identity on disk.
std::optional<QByteArray> createBookmark(const QString &path, QString *error);

// The path of the file a bookmark remembers, or nothing (with the reason) when that file is gone or
// another file now stands in its place.
std::optional<QString> resolveBookmark(const QByteArray &bookmark, QString *error);

} // namespace kernwick
