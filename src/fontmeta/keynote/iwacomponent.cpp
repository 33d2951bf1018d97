#include "iwacomponent.h"

#include "fontcollector.h"
#include "protoreader.h"

#include <snappy.h>

#include <algorithm>

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

// Text storages and their attribute tables of paragraph, list and character styles: repeated entries
// {1: character index, 2: reference {1: object identifier}}.
constexpr quint32 StorageType = 2001;
constexpr quint32 StorageArchiveType = 2005;
constexpr quint32 StorageTextField = 3;
constexpr quint32 StorageParagraphStyleField = 5;
constexpr quint32 StorageListStyleField = 7;
constexpr quint32 StorageCharacterStyleField = 8;
constexpr quint32 AttributeEntryField = 1;
constexpr quint32 AttributeIndexField = 1;
constexpr quint32 AttributeObjectField = 2;
constexpr quint32 StyleBaseField = 1; // a style's base: its parent reference is field 3 in it
constexpr quint32 StyleParentField = 3;
constexpr quint32 ReferenceIdentifierField = 1;
// Parents followed from one style before giving up: real style sheets are a few levels deep.
constexpr int MaxStyleDepth = 64;
constexpr qsizetype MaxGraphEntries = 1000000;

constexpr quint32 ArchiveIdentifierField = 1;
constexpr quint32 ArchiveMessageInfoField = 2;
constexpr quint32 MessageTypeField = 1;
constexpr quint32 MessageLengthField = 3;

bool isString(const ProtoReader &reader, quint32 field)
{
    return reader.fieldNumber() == field && reader.wireType() == ProtoReader::WireType::LengthDelimited;
}

// Calls `found` with each font name a style of `type` holds, in the order it holds them: the string
// fields of its text properties (field 11), or a list style's label fonts.
template <typename Found>
void forEachStyleFont(quint32 type, QByteArrayView payload, Found found)
{
    const auto nested = [&](std::initializer_list<quint32> fields) {
        ProtoReader style(payload);
        while (style.next()) {
            if (!isString(style, TextPropertiesField))
                continue;
            ProtoReader properties(style.bytes());
            while (properties.next()) {
                for (const quint32 field : fields) {
                    if (isString(properties, field))
                        found(properties.bytes());
                }
            }
        }
    };
    switch (type) {
    case CharacterStyle:
    case ParagraphStyle:
    case DropCapStyle:
        nested({FontNameField, CompatibilityFontNameField});
        break;
    case TableStyle:
        nested({TableMasterFontField});
        break;
    case ListStyle: {
        ProtoReader style(payload);
        while (style.next()) {
            if (isString(style, ListLabelFontField))
                found(style.bytes());
        }
        break;
    }
    default:
        // Command and undo records name fonts too, but as edits rather than the document's state.
        break;
    }
}

QString stylePlace(quint32 type)
{
    switch (type) {
    case CharacterStyle:
        return u"character style"_s;
    case ParagraphStyle:
        return u"paragraph style"_s;
    case DropCapStyle:
        return u"drop-cap style"_s;
    case ListStyle:
        return u"list style"_s;
    case TableStyle:
        return u"table style"_s;
    default:
        return {};
    }
}

void collectStyleFonts(quint32 type, QByteArrayView payload, FontCollector &collector)
{
    const QString place = stylePlace(type);
    if (!place.isEmpty())
        forEachStyleFont(type, payload, [&](QByteArrayView name) { collector.addUtf8(name, place); });
}

// The identifier in a reference message {1: identifier}; 0 when there is none.
quint64 referenceIdentifier(QByteArrayView reference)
{
    ProtoReader reader(reference);
    while (reader.next()) {
        if (reader.fieldNumber() == ReferenceIdentifierField &&
            reader.wireType() == ProtoReader::WireType::Varint)
            return reader.number();
    }
    return 0;
}

QList<QByteArray> styleFontNames(quint32 type, QByteArrayView payload)
{
    QList<QByteArray> fonts;
    forEachStyleFont(type, payload, [&fonts](QByteArrayView name) {
        if (!name.isEmpty())
            fonts.append(name.toByteArray());
    });
    return fonts;
}

// An attribute table of a text storage: (character index, object identifier) in the order stored.
QList<std::pair<quint64, quint64>> attributeTable(QByteArrayView table)
{
    QList<std::pair<quint64, quint64>> entries;
    ProtoReader reader(table);
    while (reader.next() && entries.size() < MaxGraphEntries) {
        if (!isString(reader, AttributeEntryField))
            continue;
        ProtoReader entry(reader.bytes());
        std::pair<quint64, quint64> indexed{0, 0};
        while (entry.next()) {
            if (entry.fieldNumber() == AttributeIndexField &&
                entry.wireType() == ProtoReader::WireType::Varint)
                indexed.first = entry.number();
            else if (isString(entry, AttributeObjectField))
                indexed.second = referenceIdentifier(entry.bytes());
        }
        entries.append(indexed);
    }
    return entries;
}

// The object that an attribute table gives the character at `index` (tables are ordered by index). An
// entry without an object ends a character style; a paragraph keeps the style before it.
quint64 attributeAt(const QList<std::pair<quint64, quint64>> &table, quint64 index, bool keepsStyle)
{
    quint64 object = 0;
    for (const auto &[from, identifier] : table) {
        if (from > index)
            break;
        if (identifier || !keepsStyle)
            object = identifier;
    }
    return object;
}

// A slide's text storage: its characters, gathered by the paragraph and character style they are drawn
// in (indexes count UTF-16 units, as the text is stored for), and its list styles.
void recordSlideText(QByteArrayView payload, IwaStyleGraph &graph)
{
    QString text;
    QList<std::pair<quint64, quint64>> paragraphs;
    QList<std::pair<quint64, quint64>> characters;
    ProtoReader storage(payload);
    while (storage.next()) {
        if (storage.wireType() != ProtoReader::WireType::LengthDelimited)
            continue;
        switch (storage.fieldNumber()) {
        case StorageTextField:
            text += QString::fromUtf8(storage.bytes());
            break;
        case StorageParagraphStyleField:
            paragraphs = attributeTable(storage.bytes());
            break;
        case StorageCharacterStyleField:
            characters = attributeTable(storage.bytes());
            break;
        case StorageListStyleField:
            for (const auto &[index, list] : attributeTable(storage.bytes())) {
                if (list && index < quint64(text.size() + 1))
                    graph.slideTextStyles.insert(list);
            }
            break;
        default:
            break;
        }
    }
    // Runs between the places where either table changes style.
    QList<quint64> starts{0};
    for (const auto *table : {&paragraphs, &characters}) {
        for (const auto &[index, object] : *table) {
            if (index > 0 && index < quint64(text.size()))
                starts.append(index);
        }
    }
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    for (qsizetype run = 0; run < starts.size() && graph.slideText.size() < MaxGraphEntries; ++run) {
        const quint64 from = starts[run];
        const quint64 to = run + 1 < starts.size() ? starts[run + 1] : quint64(text.size());
        if (from >= to || graph.characterBudget < qint64(to - from))
            continue;
        graph.characterBudget -= qsizetype(to - from);
        graph.slideText[{attributeAt(paragraphs, from, true), attributeAt(characters, from, false)}].insert(
            QStringView(text).sliced(qsizetype(from), qsizetype(to - from)));
    }
}

void recordInGraph(quint64 identifier, quint32 type, QByteArrayView payload, bool slideComponent,
                   IwaStyleGraph &graph)
{
    if (graph.styles.size() >= MaxGraphEntries || graph.slideTextStyles.size() >= MaxGraphEntries)
        return;
    switch (type) {
    case CharacterStyle:
    case ParagraphStyle:
    case DropCapStyle:
    case ListStyle:
    case TableStyle: {
        IwaStyleGraph::Style style;
        style.fonts = styleFontNames(type, payload);
        ProtoReader reader(payload);
        while (reader.next()) {
            if (!isString(reader, StyleBaseField))
                continue;
            ProtoReader base(reader.bytes());
            while (base.next()) {
                if (isString(base, StyleParentField))
                    style.parent = referenceIdentifier(base.bytes());
            }
        }
        graph.styles.insert(identifier, style);
        break;
    }
    case StorageType:
    case StorageArchiveType:
        if (slideComponent)
            recordSlideText(payload, graph);
        break;
    default:
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

QList<std::pair<QByteArray, CharacterSet>> IwaStyleGraph::drawnFonts() const
{
    // The fonts of a style, through its parents until one names a font.
    const auto fontsOf = [this](quint64 identifier) -> QList<QByteArray> {
        for (int depth = 0; identifier != 0 && depth < MaxStyleDepth; ++depth) {
            const auto style = styles.constFind(identifier);
            if (style == styles.cend())
                break;
            if (!style->fonts.isEmpty())
                return style->fonts;
            identifier = style->parent;
        }
        return {};
    };
    QList<std::pair<QByteArray, CharacterSet>> fonts;
    const auto add = [&fonts](const QByteArray &font, const CharacterSet &characters) {
        const auto same = std::find_if(fonts.begin(), fonts.end(),
                                       [&font](const auto &entry) { return entry.first == font; });
        if (same == fonts.end())
            fonts.append({font, characters});
        else
            same->second.unite(characters);
    };
    for (auto run = slideText.cbegin(); run != slideText.cend(); ++run) {
        if (run.value().isEmpty())
            continue;
        QList<QByteArray> drawn = fontsOf(run.key().second);
        if (drawn.isEmpty())
            drawn = fontsOf(run.key().first);
        for (const QByteArray &font : std::as_const(drawn))
            add(font, run.value());
    }
    for (const quint64 list : slideTextStyles) {
        for (const QByteArray &font : fontsOf(list))
            add(font, {});
    }
    return fonts;
}

IwaObjectsResult readIwaObjectFonts(QByteArrayView stream, FontCollector &collector, IwaStyleGraph *graph,
                                    bool slideComponent)
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
        quint64 identifier = 0;
        // The payloads follow the ArchiveInfo in the order of its MessageInfos; walking both together
        // keeps nothing per message, however many an ArchiveInfo claims.
        while (archiveInfo.next()) {
            if (archiveInfo.fieldNumber() == ArchiveIdentifierField &&
                archiveInfo.wireType() == ProtoReader::WireType::Varint)
                identifier = archiveInfo.number();
            if (!isString(archiveInfo, ArchiveMessageInfoField))
                continue;
            MessageInfo info;
            if (!readMessageInfo(archiveInfo.bytes(), info) ||
                info.length > quint64(stream.size() - position)) {
                result.damaged = true;
                return result;
            }
            collectStyleFonts(info.type, stream.sliced(position, qsizetype(info.length)), collector);
            if (graph)
                recordInGraph(identifier, info.type, stream.sliced(position, qsizetype(info.length)),
                              slideComponent, *graph);
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
