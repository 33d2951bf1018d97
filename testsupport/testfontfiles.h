#pragma once

#include <QString>
#include <QStringList>

namespace kernwick::test {

// Font files made for tests out of real ones.

// Sets the embedding permission bits (fsType) of a TrueType or OpenType file in place, and the checksum
// of its OS/2 table, as a font tool would.
bool setEmbeddingBits(const QString &path, quint16 fsType);

// Writes a TrueType collection holding the faces of the single-face `fonts`, in order.
bool writeCollection(const QStringList &fonts, const QString &path);

} // namespace kernwick::test
