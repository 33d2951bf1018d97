#include "iwawriter.h"

#include <snappy.h>

#include <string>

namespace kernwick::fontmeta {

void IwaWriter::addObject(quint64 identifier, const QList<Message> &messages)
{
    QByteArray info = varintField(1, identifier);
    for (const Message &message : messages) {
        QByteArray messageInfo = varintField(1, message.type);
        messageInfo += varintField(2, 1); // version
        messageInfo += varintField(3, quint64(message.payload.size()));
        info += bytesField(2, messageInfo);
    }
    m_stream += varint(quint64(info.size()));
    m_stream += info;
    for (const Message &message : messages)
        m_stream += message.payload;
}

QByteArray IwaWriter::chunked(QByteArrayView stream, qsizetype blockSize)
{
    QByteArray component;
    for (qsizetype position = 0; position < stream.size(); position += blockSize) {
        const QByteArrayView block = stream.sliced(position, std::min(blockSize, stream.size() - position));
        std::string compressed;
        snappy::Compress(block.data(), size_t(block.size()), &compressed);
        component += chunk(QByteArrayView(compressed.data(), qsizetype(compressed.size())));
    }
    return component;
}

QByteArray IwaWriter::chunk(QByteArrayView block, quint8 type)
{
    QByteArray bytes;
    bytes.append(char(type));
    bytes.append(char(block.size() & 0xff));
    bytes.append(char((block.size() >> 8) & 0xff));
    bytes.append(char((block.size() >> 16) & 0xff));
    bytes.append(block);
    return bytes;
}

QByteArray IwaWriter::varint(quint64 value)
{
    QByteArray bytes;
    do {
        quint8 byte = value & 0x7f;
        value >>= 7;
        if (value)
            byte |= 0x80;
        bytes.append(char(byte));
    } while (value);
    return bytes;
}

QByteArray IwaWriter::varintField(quint32 field, quint64 value)
{
    return varint(quint64(field) << 3) + varint(value);
}

QByteArray IwaWriter::bytesField(quint32 field, const QByteArray &bytes)
{
    return varint((quint64(field) << 3) | 2) + varint(quint64(bytes.size())) + bytes;
}

QByteArray IwaWriter::textStyle(const QByteArray &fontName, quint32 nameField)
{
    // A base reference and a font size around the name, as Keynote writes them.
    const QByteArray properties = QByteArray::fromHex("1d00001842") + bytesField(nameField, fontName);
    return bytesField(1, bytesField(1, "Body")) + varintField(10, 3) + bytesField(11, properties);
}

QByteArray IwaWriter::listStyle(const QByteArray &labelFontName)
{
    return bytesField(1, bytesField(1, "Bullet")) + bytesField(23, labelFontName);
}

QByteArray IwaWriter::tableStyle(const QByteArray &masterFontName)
{
    return bytesField(1, bytesField(1, "Table")) +
           bytesField(11, QByteArray(varintField(1, 1) + bytesField(41, masterFontName)));
}

} // namespace kernwick::fontmeta
