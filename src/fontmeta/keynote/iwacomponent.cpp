#include "iwacomponent.h"

#include "fontcollector.h"
#include "protoreader.h"

#include <snappy.h>

namespace kernwick::fontmeta {

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype ChunkHeaderSize = 4;

// Message types of the styles that name fonts, and where.
enum StyleType : quint32
{
    CharacterStyle = 2021,
    ParagraphStyle = 2022,
    ListStyle = 2023,
    TableStyle = 6003,
    DropCapStyle = 10024,
};
constexpr quint32 TextPropertiesField = 11;
constexpr quint32 FontNameField = 5;
constexpr quint32 CompatibilityFontNameField = 39;
constexpr quint32 ListLabelFontField = 23;
constexpr quint32 TableMasterFontField = 41;

constexpr quint32 ArchiveIdentifierField = 1;
constexpr quint32 ArchiveMessageInfoField = 2;
constexpr quint32 MessageTypeField = 1;
constexpr quint32 MessageLengthField = 3;

bool isString(const ProtoReader &reader, quint32 field)
{
    return reader.fieldNumber() == field && reader.wireType() == ProtoReader::WireType::LengthDelimited;
}

// Reads the string fields `fields` of every field-11 sub-message of a style.
void collectNestedNames(QByteArrayView payload, std::initializer_list<quint32> fields, const QString &place,
                        FontCollector &collector)
{
    ProtoReader style(payload);
    while (style.next()) {
        if (!isString(style, TextPropertiesField))
            continue;
        ProtoReader properties(style.bytes());
        while (properties.next()) {
            for (const quint32 field : fields) {
                if (isString(properties, field))
                    collector.addUtf8(properties.bytes(), place);
            }
        }
    }
}

void collectTopLevelNames(QByteArrayView payload, quint32 field, const QString &place,
                          FontCollector &collector)
{
    ProtoReader style(payload);
    while (style.next()) {
        if (isString(style, field))
            collector.addUtf8(style.bytes(), place);
    }
}

void collectStyleFonts(quint32 type, QByteArrayView payload, FontCollector &collector)
{
    switch (type) {
    case CharacterStyle:
        collectNestedNames(payload, {FontNameField, CompatibilityFontNameField}, u"character style"_s,
                           collector);
        break;
    case ParagraphStyle:
        collectNestedNames(payload, {FontNameField, CompatibilityFontNameField}, u"paragraph style"_s,
                           collector);
        break;
    case DropCapStyle:
        collectNestedNames(payload, {FontNameField, CompatibilityFontNameField}, u"drop-cap style"_s,
                           collector);
        break;
    case ListStyle:
        collectTopLevelNames(payload, ListLabelFontField, u"list style"_s, collector);
        break;
    case TableStyle:
        collectNestedNames(payload, {TableMasterFontField}, u"table style"_s, collector);
        break;
    default:
        // Command and undo records name fonts too, but as edits rather than the document's state.
        break;
    }
}

struct MessageInfo
{
    quint32 type = 0;
    quint64 length = 0;
};

bool readMessageInfo(QByteArrayView bytes, MessageInfo &info)
{
    ProtoReader reader(bytes);
    while (reader.next()) {
        if (reader.wireType() != ProtoReader::WireType::Varint)
            continue;
        if (reader.fieldNumber() == MessageTypeField)
            info.type = quint32(reader.number());
        else if (reader.fieldNumber() == MessageLengthField)
            info.length = reader.number();
    }
    return !reader.failed();
}

} // namespace

IwaStream decodeIwaChunks(QByteArrayView component, qint64 maxDecodedSize)
{
    IwaStream stream;
    if (component.isEmpty()) {
        stream.status = IwaStream::Status::Empty;
        return stream;
    }
    if (component[0] != 0) {
        stream.status = IwaStream::Status::OtherCodec;
        return stream;
    }
    qsizetype position = 0;
    while (position < component.size()) {
        const qsizetype remaining = component.size() - position;
        if (remaining < ChunkHeaderSize || component[position] != 0) {
            stream.status = IwaStream::Status::Damaged;
            break;
        }
        const qsizetype length = qsizetype(quint8(component[position + 1])) |
                                 (qsizetype(quint8(component[position + 2])) << 8) |
                                 (qsizetype(quint8(component[position + 3])) << 16);
        if (length > remaining - ChunkHeaderSize) {
            stream.status = IwaStream::Status::Damaged;
            break;
        }
        const char *block = component.data() + position + ChunkHeaderSize;
        size_t blockSize = 0;
        if (!snappy::GetUncompressedLength(block, size_t(length), &blockSize) ||
            blockSize > size_t(MaxIwaBlockSize)) {
            stream.status = IwaStream::Status::Damaged;
            break;
        }
        const qsizetype decoded = stream.bytes.size();
        if (decoded + qint64(blockSize) > maxDecodedSize) {
            stream.status = IwaStream::Status::TooLarge;
            break;
        }
        stream.bytes.resize(decoded + qsizetype(blockSize));
        // Snappy checks every copy against the output it was given and that the block fills it exactly,
        // so a block that lies about its size fails here rather than overrunning.
        if (!snappy::RawUncompress(block, size_t(length), stream.bytes.data() + decoded)) {
            stream.bytes.truncate(decoded);
            stream.status = IwaStream::Status::Damaged;
            break;
        }
        position += ChunkHeaderSize + length;
    }
    return stream;
}

std::optional<IwaObjectHeader> firstIwaObject(QByteArrayView stream)
{
    qsizetype position = 0;
    quint64 length = 0;
    if (!ProtoReader::readVarint(stream, position, length) || length > quint64(stream.size() - position))
        return std::nullopt;
    ProtoReader archiveInfo(stream.sliced(position, qsizetype(length)));
    IwaObjectHeader header;
    bool sawIdentifier = false;
    bool sawMessage = false;
    while (archiveInfo.next()) {
        if (archiveInfo.fieldNumber() == ArchiveIdentifierField &&
            archiveInfo.wireType() == ProtoReader::WireType::Varint) {
            header.identifier = archiveInfo.number();
            sawIdentifier = true;
        } else if (!sawMessage && isString(archiveInfo, ArchiveMessageInfoField)) {
            MessageInfo info;
            if (!readMessageInfo(archiveInfo.bytes(), info))
                return std::nullopt;
            header.firstType = info.type;
            sawMessage = true;
        }
    }
    if (archiveInfo.failed() || !sawIdentifier || !sawMessage)
        return std::nullopt;
    return header;
}

IwaObjectsResult readIwaObjectFonts(QByteArrayView stream, FontCollector &collector)
{
    IwaObjectsResult result;
    qsizetype position = 0;
    while (position < stream.size() && !collector.isFull()) {
        quint64 infoLength = 0;
        if (!ProtoReader::readVarint(stream, position, infoLength) ||
            infoLength > quint64(stream.size() - position)) {
            result.damaged = true;
            return result;
        }
        ProtoReader archiveInfo(stream.sliced(position, qsizetype(infoLength)));
        position += qsizetype(infoLength);
        // The payloads follow the ArchiveInfo in the order of its MessageInfos; walking both together
        // keeps nothing per message, however many an ArchiveInfo claims.
        while (archiveInfo.next()) {
            if (!isString(archiveInfo, ArchiveMessageInfoField))
                continue;
            MessageInfo info;
            if (!readMessageInfo(archiveInfo.bytes(), info) ||
                info.length > quint64(stream.size() - position)) {
                result.damaged = true;
                return result;
            }
            collectStyleFonts(info.type, stream.sliced(position, qsizetype(info.length)), collector);
            position += qsizetype(info.length);
        }
        if (archiveInfo.failed()) {
            result.damaged = true;
            return result;
        }
        ++result.objects;
    }
    return result;
}

} // namespace kernwick::fontmeta
