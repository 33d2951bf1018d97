#pragma once

#include <fontmeta/characterset.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QSet>
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

// The styles of a document by object identifier and the styles its slides' text refers to, so that the
// fonts slide text really draws can be told from those only the stylesheets declare.
struct IwaStyleGraph
{
    struct Style
    {
        QList<QByteArray> fonts; // its own font names, UTF-8 as stored
        quint64 parent = 0;      // the style it inherits from, 0 for none
    };
    QHash<quint64, Style> styles;
    QSet<quint64> slideTextStyles; // list styles referred to by text storages in slide components
    // The characters of slide text by the (paragraph style, character style) they are drawn in; 0 for no
    // character style.
    QHash<std::pair<quint64, quint64>, CharacterSet> slideText;
    qsizetype characterBudget = qsizetype(1) << 22; // UTF-16 units of slide text still to be gathered
    bool sawSlide = false;

    // The fonts slide text draws: for each run of characters its character style's font, else its
    // paragraph style's, each through its parents until one names a font; and the label fonts of the
    // list styles that slide text refers to. With the characters drawn in each (none for a label).
    QList<std::pair<QByteArray, CharacterSet>> drawnFonts() const;
};

// Reads the object stream (varint length, ArchiveInfo, payloads, repeated) and hands the font names of
// the character, paragraph, drop-cap, list and table styles to `collector`. With a graph, the styles
// and (for a slide's component) the style references of text storages are recorded in it too.
IwaObjectsResult readIwaObjectFonts(QByteArrayView stream, FontCollector &collector,
                                    IwaStyleGraph *graph = nullptr, bool slideComponent = false);

} // namespace kernwick::fontmeta
