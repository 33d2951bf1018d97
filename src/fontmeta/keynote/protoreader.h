#pragma once

#include <QByteArrayView>
#include <QtGlobal>

namespace kernwick::fontmeta {

// Walks the fields of one protobuf message in wire format without a schema. Every length is checked
// against the bytes at hand; malformed input ends the walk with failed() set, never reads past the end.
// Nested messages are read by constructing another reader over bytes(), so depth is the caller's choice.
class ProtoReader final
{
public:
    enum class WireType
    {
        Varint = 0,
        Fixed64 = 1,
        LengthDelimited = 2,
        Fixed32 = 5
    };

    explicit ProtoReader(QByteArrayView message);

    // Moves to the next field. False at the end of the message or when it is malformed.
    bool next();
    bool failed() const { return m_failed; }
    bool atEnd() const { return m_position == m_message.size(); }

    quint32 fieldNumber() const { return m_fieldNumber; }
    WireType wireType() const { return m_wireType; }
    // The value of a Varint, Fixed64 or Fixed32 field.
    quint64 number() const { return m_number; }
    // The bytes of a LengthDelimited field: a string, a nested message or a packed array.
    QByteArrayView bytes() const { return m_bytes; }

    // Reads a base-128 varint of at most 10 bytes at `position`, advancing it. False when the input ends
    // first or the varint is longer than 10 bytes.
    static bool readVarint(QByteArrayView data, qsizetype &position, quint64 &value);

private:
    bool fail();

    QByteArrayView m_message;
    qsizetype m_position = 0;
    bool m_failed = false;
    quint32 m_fieldNumber = 0;
    WireType m_wireType = WireType::Varint;
    quint64 m_number = 0;
    QByteArrayView m_bytes;
};

} // namespace kernwick::fontmeta
