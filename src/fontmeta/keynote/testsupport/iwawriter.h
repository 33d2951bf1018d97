#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

#include <utility>

namespace kernwick::fontmeta {

// Builds .iwa components for tests and benchmarks: protobuf fields, objects, and the Snappy chunks
// that wrap them.
class IwaWriter final
{
public:
    struct Message
    {
        quint32 type;
        QByteArray payload;
    };

    // Appends an object: its ArchiveInfo (identifier, one MessageInfo per message) and the payloads.
    void addObject(quint64 identifier, const QList<Message> &messages);
    void addRaw(QByteArrayView bytes) { m_stream.append(bytes); }
    const QByteArray &stream() const { return m_stream; }
    // The stream as an .iwa component: Snappy blocks of at most blockSize bytes, each in its own chunk.
    QByteArray component(qsizetype blockSize = 65536) const { return chunked(m_stream, blockSize); }

    static QByteArray chunked(QByteArrayView stream, qsizetype blockSize = 65536);
    // One chunk around bytes given as they are (for chunks that lie).
    static QByteArray chunk(QByteArrayView block, quint8 type = 0);

    static QByteArray varint(quint64 value);
    static QByteArray varintField(quint32 field, quint64 value);
    static QByteArray bytesField(quint32 field, const QByteArray &bytes);

    // Payloads of the styles that name fonts.
    static QByteArray textStyle(const QByteArray &fontName, quint32 nameField = 5);
    static QByteArray listStyle(const QByteArray &labelFontName);
    static QByteArray tableStyle(const QByteArray &masterFontName);

private:
    QByteArray m_stream;
};

} // namespace kernwick::fontmeta
