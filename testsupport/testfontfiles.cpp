#include "testfontfiles.h"

#include "testzip.h"

#include <QtEndian>

using namespace Qt::StringLiterals;

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

QByteArray nameTable(const FontNames &names)
{
    QList<std::pair<quint16, QString>> records = {
        {1, names.family}, {2, names.subfamily}, {4, names.fullName}, {6, names.postScriptName}};
    if (!names.typographicFamily.isEmpty())
        records.append({16, names.typographicFamily});
    if (!names.typographicSubfamily.isEmpty())
        records.append({17, names.typographicSubfamily});
    QByteArray table(6 + 12 * records.size(), '\0');
    QByteArray strings;
    qToBigEndian<quint16>(quint16(records.size()), table.data() + 2);
    qToBigEndian<quint16>(quint16(table.size()), table.data() + 4);
    for (qsizetype i = 0; i < records.size(); ++i) {
        QByteArray text;
        for (const QChar c : records[i].second) {
            text += char(c.unicode() >> 8);
            text += char(c.unicode() & 0xFF);
        }
        char *record = table.data() + 6 + 12 * i;
        // Windows, Unicode BMP, US English.
        for (const auto &[at, value] : {std::pair{0, 3},
                                        {2, 1},
                                        {4, 0x0409},
                                        {6, int(records[i].first)},
                                        {8, int(text.size())},
                                        {10, int(strings.size())}})
            qToBigEndian<quint16>(quint16(value), record + at);
        strings += text;
    }
    return table + strings;
}

} // namespace

bool writeRenamedFont(const QString &source, const QString &target, const FontNames &names)
{
    QByteArray font = readFile(source);
    const QList<TableRecord> tables = tableRecords(font);
    bool renamed = false;
    for (qsizetype i = 0; i < tables.size(); ++i) {
        const TableRecord &table = tables[i];
        char *record = font.data() + 12 + 16 * i;
        if (table.offset + table.length > quint32(font.size()))
            return false;
        char *data = font.data() + table.offset;
        if (table.tag == "OS/2" && table.length >= 64) {
            if (names.weightClass > 0)
                qToBigEndian<quint16>(quint16(names.weightClass), data + 4);
            if (names.widthClass > 0)
                qToBigEndian<quint16>(quint16(names.widthClass), data + 6);
            if (names.isItalic) {
                // fsSelection: italic (bit 0), bold (bit 5) and regular (bit 6) told anew.
                quint16 selection = qFromBigEndian<quint16>(data + 62) & ~quint16(0x0061);
                const bool isBold = (names.weightClass > 0 ? names.weightClass : 400) >= 700;
                selection |= *names.isItalic ? 0x0001 : 0;
                selection |= isBold ? 0x0020 : 0;
                selection |= !*names.isItalic && !isBold ? 0x0040 : 0;
                qToBigEndian<quint16>(selection, data + 62);
            }
        } else if (table.tag == "head" && table.length >= 46 && names.isItalic) {
            const quint16 style = qFromBigEndian<quint16>(data + 44) & ~quint16(0x0002);
            qToBigEndian<quint16>(style | (*names.isItalic ? 0x0002 : 0), data + 44);
        }
        if (table.tag == "OS/2" || table.tag == "head")
            qToBigEndian<quint32>(tableChecksum(font, table.offset, table.length), record + 4);
    }
    // The new name table goes at the end; the old one stays behind, read by nobody.
    for (qsizetype i = 0; i < tables.size(); ++i) {
        if (tables[i].tag != "name")
            continue;
        while (font.size() % 4)
            font += '\0';
        const QByteArray table = nameTable(names);
        char *record = font.data() + 12 + 16 * i;
        qToBigEndian<quint32>(quint32(font.size()), record + 8);
        qToBigEndian<quint32>(quint32(table.size()), record + 12);
        const qsizetype offset = font.size();
        font += table;
        qToBigEndian<quint32>(tableChecksum(font, offset, table.size()), font.data() + 12 + 16 * i + 4);
        renamed = true;
    }
    return renamed && writeFile(target, font);
}

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

QByteArray embeddedOpenType(const QByteArray &font, quint32 flags)
{
    // Version 2.1: fixed fields, four names and an empty root string (each after padding and size), data.
    QByteArray out(80, '\0');
    qToLittleEndian<quint32>(0x00020001, out.data() + 8);
    qToLittleEndian<quint32>(flags, out.data() + 12);
    qToLittleEndian<quint16>(0x504c, out.data() + 34);
    for (const QByteArray name : {"Family", "Regular", "Version 1.0", "Family Regular", ""}) {
        out += QByteArray(2, '\0') + char(name.size() * 2) + '\0';
        for (const char c : name)
            out += QByteArray(1, c) + '\0';
    }
    for (const char byte : font)
        out += (flags & 0x10000000) ? char(byte ^ 0x50) : byte;
    qToLittleEndian<quint32>(quint32(out.size()), out.data());
    qToLittleEndian<quint32>(quint32(font.size()), out.data() + 4);
    return out;
}

} // namespace kernwick::test
