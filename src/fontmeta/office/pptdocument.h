#pragma once

// The record walk of a binary PowerPoint 97-2003 document: from the Current User stream to the newest
// UserEditAtom, through the persist directories to the document container and its font collection.

#include <fontmeta/fontuse.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace kernwick::fontmeta::ppt {

// A stream read at any offset, so that a large document stream is never held in memory whole.
struct RandomAccessStream
{
    qint64 size = 0;
    std::function<bool(qint64 offset, qint64 size, char *out)> readAt;
};

struct FontCollection
{
    enum class Status
    {
        Read,
        Encrypted,
        Unreadable,
    };
    Status status = Status::Unreadable;
    QStringList names;                 // in font index order
    QList<EmbeddedFont> embedded = {}; // the fonts whose faces the document carries, in font index order
    QString problem;                   // why nothing could be read, or what was left out
};

// The walk is bounded: edits must go back in the stream, and every count and length is capped.
constexpr int MaxUserEdits = 4096;
constexpr int MaxPersistEntries = 1 << 20;
constexpr qint64 MaxPersistDirectoryBytes = qint64(16) << 20; // over all edits
constexpr int MaxChildRecords = 1 << 20;
constexpr int MaxFonts = 4096;

FontCollection readFontCollection(const QByteArray &currentUser, const RandomAccessStream &document);

// Whole records as the walk expects them, for tests that build documents.
QByteArray record(quint16 versionAndInstance, quint16 type, const QByteArray &data);

} // namespace kernwick::fontmeta::ppt
