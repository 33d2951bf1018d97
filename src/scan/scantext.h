#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace kernwick {

// No font name is longer than a few hundred characters (PostScript names stop at 63): a longer one is
// damage or an attack, and would only cost time and memory further on.
inline constexpr qsizetype maxFontNameLength = 256;
// More distinct names than this in one presentation are not fonts either.
inline constexpr int maxFontNames = 10000;

// Trims the white space and line breaks of the scanning code from both ends: the Unicode space, line and
// paragraph separators, tab, U+000A to U+000D and U+0085.
QString trimScanWhitespace(QStringView text);

// The text with every control character (C0, DEL, C1) made a space and every lone surrogate made
// U+FFFD: what a name may hold when it is shown, written to a report or handed on.
QString withoutControlCharacters(QStringView text);

// The bytes as UTF-8 text, or nothing when they are not valid UTF-8.
std::optional<QString> decodeUtf8(const QByteArray &bytes);

// A file's text, or nothing when it cannot be read, is larger than `maxSize` or is not valid UTF-8.
std::optional<QString> readUtf8File(const QString &path, qint64 maxSize);

} // namespace kernwick
