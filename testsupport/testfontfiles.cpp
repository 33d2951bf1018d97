#include "testfontfiles.h"

#include "testzip.h"

#include <QtEndian>

namespace kernwick::test {

namespace {

quint32 tableChecksum(const QByteArray &bytes, qsizetype offset, qsizetype length)
{
    quint32 sum = 0;
    for (qsizetype at = offset; at < offset + length; at += 4) {
        char word[4] = {};
        for (qsizetype i = 0; i < 4 && at + i < bytes.size(); ++i)
            word[i] = bytes[at + i];
        sum += qFromBigEndian<quint32>(word);
    }
    return sum;
}

struct TableRecord
{
    QByteArray tag;
    quint32 checksum;
    quint32 offset;
    quint32 length;
};

QList<TableRecord> tableRecords(const QByteArray &font)
{
    QList<TableRecord> tables;
    if (font.size() < 12)
        return tables;
    const quint16 count = qFromBigEndian<quint16>(font.constData() + 4);
    for (quint16 i = 0; i < count && 12 + 16 * (i + 1) <= font.size(); ++i) {
        const char *record = font.constData() + 12 + 16 * i;
        tables.append({QByteArray(record, 4), qFromBigEndian<quint32>(record + 4),
                       qFromBigEndian<quint32>(record + 8), qFromBigEndian<quint32>(record + 12)});
    }
    return tables;
}

} // namespace

bool setEmbeddingBits(const QString &path, quint16 fsType)
{
    QByteArray font = readFile(path);
    const QList<TableRecord> tables = tableRecords(font);
    for (qsizetype i = 0; i < tables.size(); ++i) {
        const TableRecord &table = tables[i];
        if (table.tag != "OS/2" || table.length < 10 || table.offset + table.length > quint32(font.size()))
            continue;
        qToBigEndian<quint16>(fsType, font.data() + table.offset + 8);
        qToBigEndian<quint32>(tableChecksum(font, table.offset, table.length), font.data() + 12 + 16 * i + 4);
        return writeFile(path, font);
    }
    return false;
}

bool writeCollection(const QStringList &fonts, const QString &path)
{
    QList<QByteArray> sources;
    for (const QString &font : fonts)
        sources.append(readFile(font));
    // Header, then each face's table directory, then every table, four-byte aligned.
    QByteArray out(12 + 4 * sources.size(), '\0');
    out.replace(0, 4, "ttcf");
    qToBigEndian<quint32>(0x00010000, out.data() + 4);
    qToBigEndian<quint32>(quint32(sources.size()), out.data() + 8);
    QList<qsizetype> directories;
    for (qsizetype f = 0; f < sources.size(); ++f) {
        const qsizetype count = tableRecords(sources[f]).size();
        if (count == 0)
            return false;
        qToBigEndian<quint32>(quint32(out.size()), out.data() + 12 + 4 * f);
        directories.append(out.size());
        out += sources[f].left(12 + 16 * count);
    }
    for (qsizetype f = 0; f < sources.size(); ++f) {
        const QList<TableRecord> tables = tableRecords(sources[f]);
        for (qsizetype i = 0; i < tables.size(); ++i) {
            while (out.size() % 4)
                out += '\0';
            qToBigEndian<quint32>(quint32(out.size()), out.data() + directories[f] + 12 + 16 * i + 8);
            out += sources[f].mid(tables[i].offset, tables[i].length);
        }
    }
    return writeFile(path, out);
}

} // namespace kernwick::test
