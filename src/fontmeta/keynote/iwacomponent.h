#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

namespace kernwick::fontmeta {

class FontCollector;

// The largest block a component's chunk may decode to.
inline constexpr qsizetype MaxIwaBlockSize = 65536;

struct IwaStream
{
    enum class Status
    {
        Complete,
        Empty,      // no chunk at all
        OtherCodec, // the first chunk is not Snappy: encrypted, or a codec this reader does not know
        Damaged, // a chunk is cut short, lies about its size or fails to decode; bytes holds what came before
        TooLarge, // decoding would pass the size limit; bytes holds what came before
    };
    QByteArray bytes;
    Status status = Status::Complete;
};

// Decodes the chunks of an .iwa component (type byte 0, 24-bit length, one raw Snappy block each) into
// the object stream they hold together, decoding at most maxDecodedSize bytes.
IwaStream decodeIwaChunks(QByteArrayView component, qint64 maxDecodedSize);

struct IwaObjectHeader
{
    quint64 identifier = 0;
    quint32 firstType = 0;
};

// The identifier and first message type of the stream's first object, if it has a readable one.
std::optional<IwaObjectHeader> firstIwaObject(QByteArrayView stream);

struct IwaObjectsResult
{
    qint64 objects = 0; // objects read whole
    bool damaged = false;
};

// Reads the object stream (varint length, ArchiveInfo, payloads, repeated) and hands the font names of
// the character, paragraph, drop-cap, list and table styles to `collector`.
IwaObjectsResult readIwaObjectFonts(QByteArrayView stream, FontCollector &collector);

} // namespace kernwick::fontmeta
