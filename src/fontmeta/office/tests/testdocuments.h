#pragma once

// Builders for the documents the tests make themselves: zip packages, Compound Files and the records
// of a binary presentation.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace kernwick::fontmeta::testing {

using Members = QList<std::pair<QString, QByteArray>>;

// A zip archive in memory; `store` keeps members uncompressed.
QByteArray buildZip(const Members &members, bool store = false);

// A Compound File written by libgsf; a member path "A/B" puts stream B in storage A.
QByteArray buildCompoundFile(const Members &streams);

// Records of a PowerPoint document stream.
QByteArray u32Bytes(quint32 value);
QByteArray fontEntity(const QString &name);
QByteArray documentContainer(const QStringList &fonts);
QByteArray persistDirectory(quint32 firstId, const QList<quint32> &offsets);
QByteArray userEdit(quint32 offsetLastEdit, quint32 offsetPersistDirectory, quint32 documentPersistId);
QByteArray currentUser(quint32 offsetToCurrentEdit, quint32 headerToken = 0xE391C05F);

// A whole one-edit document stream and its Current User stream for `fonts`.
std::pair<QByteArray, QByteArray> presentationStreams(const QStringList &fonts);

// A DocumentSummaryInformation stream whose heading pairs name one group of `fonts` under `heading`.
QByteArray documentSummary(const QString &heading, const QStringList &fonts, bool paddedStrings);

} // namespace kernwick::fontmeta::testing
