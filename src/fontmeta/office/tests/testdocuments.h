#pragma once

// Builders for the documents the tests make themselves: zip packages and their parts, Compound Files and
// the records of a binary presentation.

#include <fontmeta/fontuse.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace kernwick::fontmeta::testing {

using Members = QList<std::pair<QString, QByteArray>>;

inline const QByteArray Pml = "http://schemas.openxmlformats.org/presentationml/2006/main";
inline const QByteArray Dml = "http://schemas.openxmlformats.org/drawingml/2006/main";
inline const QByteArray Rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A zip archive in memory, its members deflated.
QByteArray buildZip(const Members &members);
// A relationships part; relationships given as "Id Type Target", separated by semicolons.
QByteArray rels(const QByteArray &relationships);
// A part of PresentationML whose body is DrawingML text (prefixes p: and a:, relationships r:).
QByteArray part(const char *root, const QByteArray &body);

// The font names of `result`'s uses, in order.
QStringList names(const ReadResult &result);

// A Compound File written by libgsf; a member path "A/B" puts stream B in storage A.
QByteArray buildCompoundFile(const Members &streams);

// Records of a PowerPoint document stream.
QByteArray fontEntity(const QString &name);
QByteArray fontEntities(const QStringList &fonts); // an entity for each name
QByteArray documentContainer(const QByteArray &fontRecords);
QByteArray persistDirectory(quint32 firstId, const QList<quint32> &offsets);
QByteArray userEdit(quint32 offsetLastEdit, quint32 offsetPersistDirectory, quint32 documentPersistId);
QByteArray currentUser(quint32 offsetToCurrentEdit, quint32 headerToken = 0xE391C05F);

// A whole one-edit document stream and its Current User stream, with these records in its font collection.
std::pair<QByteArray, QByteArray> presentationStreams(const QByteArray &fontRecords);
// The two streams as the members of a Compound File.
Members presentationMembers(const QByteArray &document, const QByteArray &user);

// A DocumentSummaryInformation stream whose heading pairs name one group of `fonts` under `heading`.
QByteArray documentSummary(const QString &heading, const QStringList &fonts, bool paddedStrings);

} // namespace kernwick::fontmeta::testing
