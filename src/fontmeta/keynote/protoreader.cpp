#include "protoreader.h"

namespace kernwick::fontmeta {

namespace {

constexpr int MaxVarintBytes = 10;
constexpr quint64 MaxFieldNumber = (quint64(1) << 29) - 1;

quint64 readLittleEndian(QByteArrayView data, qsizetype position, int size)
{
    quint64 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | quint8(data[position + i]);
    return value;
}

} // namespace

ProtoReader::ProtoReader(QByteArrayView message)
    : m_message(message)
{}

bool ProtoReader::readVarint(QByteArrayView data, qsizetype &position, quint64 &value)
{
    value = 0;
    for (int i = 0; i < MaxVarintBytes; ++i) {
        if (position >= data.size())
            return false;
        const quint8 byte = quint8(data[position++]);
        value |= quint64(byte & 0x7f) << (7 * i);
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

bool ProtoReader::fail()
{
    m_failed = true;
    m_position = m_message.size();
    return false;
}

bool ProtoReader::next()
{
    if (m_failed || atEnd())
        return false;
    quint64 tag = 0;
    if (!readVarint(m_message, m_position, tag))
        return fail();
    const quint64 field = tag >> 3;
    if (field == 0 || field > MaxFieldNumber)
        return fail();
    m_fieldNumber = quint32(field);
    m_number = 0;
    m_bytes = {};
    const qsizetype remaining = m_message.size() - m_position;
    switch (tag & 7) {
    case 0:
        m_wireType = WireType::Varint;
        if (!readVarint(m_message, m_position, m_number))
            return fail();
        return true;
    case 1:
        m_wireType = WireType::Fixed64;
        if (remaining < 8)
            return fail();
        m_number = readLittleEndian(m_message, m_position, 8);
        m_position += 8;
        return true;
    case 2: {
        m_wireType = WireType::LengthDelimited;
        quint64 length = 0;
        if (!readVarint(m_message, m_position, length))
            return fail();
        if (length > quint64(m_message.size() - m_position))
            return fail();
        m_bytes = m_message.sliced(m_position, qsizetype(length));
        m_position += qsizetype(length);
        return true;
    }
    case 5:
        m_wireType = WireType::Fixed32;
        if (remaining < 4)
            return fail();
        m_number = readLittleEndian(m_message, m_position, 4);
        m_position += 4;
        return true;
    default:
        // Groups (3, 4) are long obsolete and 6, 7 do not exist: nothing here writes them.
        return fail();
    }
}

} // namespace kernwick::fontmeta
