#pragma once

#include <QString>

namespace kernwick {

// File operations that report what went wrong in words a person can read ("No such file or directory").

// Copies a file, or a folder with all it holds (links are copied as links, never followed), to `target`,
// which must not exist. Refuses to copy a folder into itself.
bool copyItem(const QString &source, const QString &target, QString *error);

// Removes a file, a link or a whole folder; true when nothing is left at `path`.
bool removeItem(const QString &path, QString *error);

// Makes a folder and any missing folders above it.
bool makeFolder(const QString &path, QString *error);

// Puts `replacement` where `path` is: the two swap places in one step where the file system can, so
// that `path` never stands empty; `replacement` then holds what `path` held before.
bool exchangeItems(const QString &path, const QString &replacement, QString *error);

// Lets `path` take the place of nothing: renames it, failing when `target` exists.
bool renameItem(const QString &path, const QString &target, QString *error);

// `inner` is `outer` or lies somewhere inside it (paths made absolute and clean, links resolved).
bool isSameOrInside(const QString &inner, const QString &outer);

} // namespace kernwick
