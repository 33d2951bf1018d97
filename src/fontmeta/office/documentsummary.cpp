#include "documentsummary.h"

#include <QtEndian>

#include <glib.h>

#include <optional>

namespace kernwick::fontmeta::ppt {

namespace {

constexpr quint32 VtI2 = 0x0002;
constexpr quint32 VtI4 = 0x0003;
constexpr quint32 VtLpstr = 0x001E;
constexpr quint32 VtLpwstr = 0x001F;
constexpr quint32 VtVector = 0x1000;
constexpr quint32 VtVariant = 0x000C;
constexpr quint32 HeadingPairsId = 0x0C;
constexpr quint32 DocumentPartsId = 0x0D;
constexpr quint32 CodePageId = 0x01;
constexpr int MaxStrings = 4096;

QString decodeCodePage(QByteArrayView bytes, int codePage)
{
    if (codePage == 65001)
        return QString::fromUtf8(bytes);
    if (codePage == 1200)
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.data()), bytes.size() / 2);
    const QByteArray name = codePage == 10000 ? QByteArrayLiteral("MACINTOSH")
                                              : QByteArrayLiteral("CP") + QByteArray::number(codePage);
    gsize written = 0;
    gchar *converted =
        g_convert(bytes.data(), gssize(bytes.size()), "UTF-8", name.constData(), nullptr, &written, nullptr);
    if (!converted)
        return QString::fromLatin1(bytes);
    QString text = QString::fromUtf8(converted, qsizetype(written));
    g_free(converted);
    return text;
}

// Reads the property set's values within bounds; every read says whether it fit.
class Cursor
{
public:
    Cursor(const QByteArray &bytes, qint64 position, int codePage)
        : m_bytes(bytes)
        , m_position(position)
        , m_codePage(codePage)
    {}

    qint64 position() const { return m_position; }
    qint64 remaining() const { return m_bytes.size() - m_position; }

    std::optional<quint32> u32()
    {
        if (m_position < 0 || remaining() < 4)
            return std::nullopt;
        const quint32 value = qFromLittleEndian<quint32>(m_bytes.constData() + m_position);
        m_position += 4;
        return value;
    }

    // A string of `type`; `padded` says whether single-byte strings are padded to 4 bytes, which
    // writers disagree on. The terminating NUL must be where the length says.
    std::optional<QString> string(quint32 type, bool padded)
    {
        const std::optional<quint32> length = u32();
        if (!length || *length == 0)
            return std::nullopt;
        const int unit = type == VtLpwstr || m_codePage == 1200 ? 2 : 1;
        const qint64 size = qint64(*length) * (type == VtLpwstr ? 2 : 1);
        if (size > remaining() || size < unit)
            return std::nullopt;
        const QByteArrayView bytes(m_bytes.constData() + m_position, size);
        for (int i = 1; i <= unit; ++i) {
            if (bytes[size - i] != 0)
                return std::nullopt;
        }
        const QByteArrayView text = bytes.first(size - unit);
        QString value = type == VtLpwstr ? QString::fromUtf16(reinterpret_cast<const char16_t *>(text.data()),
                                                              text.size() / 2)
                                         : decodeCodePage(text, m_codePage);
        const qsizetype nul = value.indexOf(QChar(0));
        if (nul >= 0)
            value.truncate(nul);
        m_position += (padded || unit == 2) ? (size + 3) / 4 * 4 : size;
        return value;
    }

private:
    const QByteArray &m_bytes;
    qint64 m_position;
    int m_codePage;
};

// The size of the first group in the heading pairs: a vector of (heading, count) variants.
std::optional<quint32> firstGroupSize(const QByteArray &stream, qint64 offset, int codePage, bool padded)
{
    Cursor cursor(stream, offset, codePage);
    const std::optional<quint32> type = cursor.u32();
    const std::optional<quint32> count = cursor.u32();
    if (type != (VtVector | VtVariant) || !count || *count < 2)
        return std::nullopt;
    const std::optional<quint32> headingType = cursor.u32();
    if (!headingType || (*headingType != VtLpstr && *headingType != VtLpwstr) ||
        !cursor.string(*headingType, padded))
        return std::nullopt;
    const std::optional<quint32> countType = cursor.u32();
    if (countType != VtI4)
        return std::nullopt;
    return cursor.u32();
}

std::optional<QStringList> documentParts(const QByteArray &stream, qint64 offset, int codePage, bool padded,
                                         quint32 wanted)
{
    Cursor cursor(stream, offset, codePage);
    const std::optional<quint32> type = cursor.u32();
    const std::optional<quint32> count = cursor.u32();
    if (!type || (*type != (VtVector | VtLpstr) && *type != (VtVector | VtLpwstr)) || !count)
        return std::nullopt;
    QStringList parts;
    const quint32 take = std::min({*count, wanted, quint32(MaxStrings)});
    for (quint32 i = 0; i < take; ++i) {
        std::optional<QString> part = cursor.string(*type & ~VtVector, padded);
        if (!part)
            return std::nullopt;
        parts.append(*part);
    }
    return parts;
}

} // namespace

QStringList fontsFromDocumentSummary(const QByteArray &stream)
{
    if (stream.size() < 48 || qFromLittleEndian<quint16>(stream.constData()) != 0xFFFE ||
        qFromLittleEndian<quint32>(stream.constData() + 24) < 1)
        return {};
    const qint64 section = qFromLittleEndian<quint32>(stream.constData() + 44);
    Cursor header(stream, section, 0);
    const std::optional<quint32> sectionSize = header.u32();
    const std::optional<quint32> propertyCount = header.u32();
    if (!sectionSize || !propertyCount || *propertyCount > header.remaining() / 8)
        return {};

    int codePage = 1252;
    std::optional<qint64> headingPairs;
    std::optional<qint64> parts;
    for (quint32 i = 0; i < *propertyCount; ++i) {
        const quint32 id = *header.u32();
        const qint64 offset = section + *header.u32();
        if (id == HeadingPairsId)
            headingPairs = offset;
        else if (id == DocumentPartsId)
            parts = offset;
        else if (id == CodePageId) {
            Cursor value(stream, offset, 0);
            if (value.u32() == VtI2) {
                if (const std::optional<quint32> raw = value.u32())
                    codePage = int(quint16(*raw));
            }
        }
    }
    if (!headingPairs || !parts)
        return {};
    // Writers differ on padding single-byte strings in these vectors; the lengths and terminating NULs
    // tell which reading is right.
    for (const bool padded : {false, true}) {
        const std::optional<quint32> groupSize = firstGroupSize(stream, *headingPairs, codePage, padded);
        if (!groupSize)
            continue;
        if (const std::optional<QStringList> names =
                documentParts(stream, *parts, codePage, padded, *groupSize))
            return *names;
    }
    return {};
}

} // namespace kernwick::fontmeta::ppt
