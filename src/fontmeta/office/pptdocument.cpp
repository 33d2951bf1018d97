#include "pptdocument.h"

#include <QHash>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta::ppt {

namespace {

constexpr quint32 CurrentUserToken = 0xE391C05F;
constexpr quint32 EncryptedToken = 0xF3D1C4DF;
constexpr quint16 CurrentUserAtomType = 0x0FF6;
constexpr quint16 UserEditAtomType = 0x0FF5;
constexpr quint16 PersistDirectoryAtomType = 0x1772;
constexpr quint16 DocumentContainerType = 0x03E8;
constexpr quint16 DocumentTextInfoType = 0x03F2;
constexpr quint16 FontCollectionType = 0x07D5;
constexpr quint16 FontEntityAtomType = 0x0FB7;
constexpr quint16 FontEmbedDataBlobType = 0x0FB8; // its instance: 0 regular, 1 bold, 2 italic, 3 bold italic
constexpr qint64 HeaderSize = 8;

quint32 u32(const char *bytes)
{
    return qFromLittleEndian<quint32>(bytes);
}

struct Header
{
    qint64 offset = 0; // of the header
    quint16 type = 0;
    quint16 instance = 0;
    bool container = false;
    qint64 length = 0; // of the data, clipped to the stream
    qint64 dataBegin() const { return offset + HeaderSize; }
    qint64 dataEnd() const { return offset + HeaderSize + length; }
};

// A record header that lies inside [offset, end) of the stream; its data is clipped to `end`.
std::optional<Header> readHeader(const RandomAccessStream &stream, qint64 offset, qint64 end)
{
    end = std::min(end, stream.size);
    if (offset < 0 || offset > end - HeaderSize)
        return std::nullopt;
    char bytes[HeaderSize];
    if (!stream.readAt(offset, HeaderSize, bytes))
        return std::nullopt;
    Header header;
    header.offset = offset;
    header.container = (qFromLittleEndian<quint16>(bytes) & 0xF) == 0xF;
    header.instance = qFromLittleEndian<quint16>(bytes) >> 4;
    header.type = qFromLittleEndian<quint16>(bytes + 2);
    header.length = std::min<qint64>(u32(bytes + 4), end - offset - HeaderSize);
    return header;
}

// The first child of `type` among the records inside `parent`.
std::optional<Header> findChild(const RandomAccessStream &stream, const Header &parent, quint16 type)
{
    qint64 offset = parent.dataBegin();
    for (int count = 0; count < MaxChildRecords; ++count) {
        const std::optional<Header> child = readHeader(stream, offset, parent.dataEnd());
        if (!child)
            return std::nullopt;
        if (child->type == type)
            return child;
        offset = child->dataEnd();
    }
    return std::nullopt;
}

std::optional<QByteArray> readData(const RandomAccessStream &stream, const Header &header, qint64 maxSize)
{
    QByteArray data(std::min(header.length, maxSize), Qt::Uninitialized);
    if (!stream.readAt(header.dataBegin(), data.size(), data.data()))
        return std::nullopt;
    return data;
}

// Adds the entries of one persist directory; ids already known come from a newer edit and win.
// `budget` bounds the bytes read over all edits, since every edit may name the same large directory.
void addPersistEntries(const RandomAccessStream &stream, qint64 offset, QHash<quint32, quint32> *persist,
                       qint64 *budget)
{
    const std::optional<Header> header = readHeader(stream, offset, stream.size);
    if (!header || header->type != PersistDirectoryAtomType || *budget <= 0)
        return;
    const std::optional<QByteArray> data = readData(stream, *header, *budget);
    if (!data)
        return;
    *budget -= data->size();
    const qsizetype words = data->size() / 4;
    for (qsizetype word = 0; word < words;) {
        const quint32 entry = u32(data->constData() + 4 * word++);
        const quint32 firstId = entry & 0xFFFFF;
        const quint32 count = entry >> 20;
        for (quint32 i = 0; i < count && word < words; ++i, ++word) {
            if (persist->size() >= MaxPersistEntries)
                return;
            if (!persist->contains(firstId + i)) // known ids come from a newer edit, which wins
                persist->insert(firstId + i, u32(data->constData() + 4 * word));
        }
    }
}

QString fontName(const QByteArray &data)
{
    // 32 UTF-16 units at most, ending at the first NUL; what follows it may be garbage.
    QString name = QString::fromUtf16(reinterpret_cast<const char16_t *>(data.constData()),
                                      std::min<qsizetype>(data.size(), 64) / 2);
    const qsizetype end = name.indexOf(QChar(0));
    if (end >= 0)
        name.truncate(end);
    return name;
}

} // namespace

FontCollection readFontCollection(const QByteArray &currentUser, const RandomAccessStream &document)
{
    FontCollection result;
    if (currentUser.size() < 20 ||
        qFromLittleEndian<quint16>(currentUser.constData() + 2) != CurrentUserAtomType) {
        result.problem = u"the Current User stream holds no current user record"_s;
        return result;
    }
    const quint32 token = u32(currentUser.constData() + 12);
    if (token == EncryptedToken) {
        result.status = FontCollection::Status::Encrypted;
        return result;
    }
    if (token != CurrentUserToken) {
        result.problem = u"the document is not a PowerPoint 97 or later document"_s;
        return result;
    }

    // From the newest edit back to the oldest: each older edit must lie before the one that names it,
    // so a chain that loops or points forward ends.
    QHash<quint32, quint32> persist;
    std::optional<quint32> documentPersistId;
    qint64 offset = u32(currentUser.constData() + 16);
    qint64 newer = document.size;
    qint64 directoryBudget = MaxPersistDirectoryBytes;
    for (int edits = 0; edits < MaxUserEdits && offset < newer; ++edits) {
        const std::optional<Header> header = readHeader(document, offset, document.size);
        if (!header || header->type != UserEditAtomType || header->length < 20)
            break;
        const std::optional<QByteArray> data = readData(document, *header, 20);
        if (!data)
            break;
        if (!documentPersistId)
            documentPersistId = u32(data->constData() + 16);
        addPersistEntries(document, u32(data->constData() + 12), &persist, &directoryBudget);
        newer = offset;
        offset = u32(data->constData() + 8);
        if (offset == 0)
            break;
    }
    if (!documentPersistId) {
        result.problem = u"the document's current edit cannot be found"_s;
        return result;
    }
    const auto documentOffset = persist.constFind(*documentPersistId);
    const std::optional<Header> documentContainer =
        documentOffset == persist.constEnd() ? std::nullopt
                                             : readHeader(document, *documentOffset, document.size);
    if (!documentContainer || documentContainer->type != DocumentContainerType ||
        !documentContainer->container) {
        result.problem = u"the document record cannot be found"_s;
        return result;
    }

    result.status = FontCollection::Status::Read;
    const std::optional<Header> textInfo = findChild(document, *documentContainer, DocumentTextInfoType);
    const std::optional<Header> fonts =
        textInfo ? findChild(document, *textInfo, FontCollectionType) : std::nullopt;
    if (!fonts)
        return result;
    qint64 next = fonts->dataBegin();
    // The faces a font entry carries follow it as embedded data records, one per style.
    QList<quint8> embeddedStyles;
    for (int count = 0; count < MaxChildRecords && result.names.size() < MaxFonts; ++count) {
        const std::optional<Header> child = readHeader(document, next, fonts->dataEnd());
        if (!child)
            break;
        next = child->dataEnd();
        if (child->type == FontEmbedDataBlobType && !embeddedStyles.isEmpty() && child->instance < 4) {
            embeddedStyles.last() |= quint8(1u << child->instance);
            continue;
        }
        if (child->type != FontEntityAtomType)
            continue;
        if (const std::optional<QByteArray> data = readData(document, *child, 64)) {
            result.names.append(fontName(*data));
            embeddedStyles.append(0);
        }
    }
    static const QString styles[] = {u"Regular"_s, u"Bold"_s, u"Italic"_s, u"Bold Italic"_s};
    for (qsizetype i = 0; i < embeddedStyles.size(); ++i) {
        if (!embeddedStyles[i] || result.names[i].trimmed().isEmpty())
            continue;
        EmbeddedFont font{result.names[i], {}};
        for (int style = 0; style < 4; ++style) {
            if (embeddedStyles[i] & (1u << style))
                font.faces.append(styles[style]);
        }
        result.embedded.append(font);
    }
    if (result.names.size() >= MaxFonts)
        result.problem =
            u"the font collection stops being read at %1 fonts: any others are not listed"_s.arg(MaxFonts);
    return result;
}

QByteArray record(quint16 versionAndInstance, quint16 type, const QByteArray &data)
{
    QByteArray bytes(HeaderSize, Qt::Uninitialized);
    qToLittleEndian<quint16>(versionAndInstance, bytes.data());
    qToLittleEndian<quint16>(type, bytes.data() + 2);
    qToLittleEndian<quint32>(quint32(data.size()), bytes.data() + 4);
    return bytes + data;
}

} // namespace kernwick::fontmeta::ppt
