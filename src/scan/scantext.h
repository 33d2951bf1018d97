#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace kernwick {

// Trims the white space and line breaks of the scanning code from both ends: the Unicode space, line and
// paragraph separators, tab, U+000A to U+000D and U+0085.
QString trimScanWhitespace(QStringView text);

// The bytes as UTF-8 text, or nothing when they are not valid UTF-8.
std::optional<QString> decodeUtf8(const QByteArray &bytes);

// A file's text, or nothing when it cannot be read, is larger than `maxSize` or is not valid UTF-8.
std::optional<QString> readUtf8File(const QString &path, qint64 maxSize);

} // namespace kernwick
