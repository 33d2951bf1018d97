#include "testdocuments.h"

#include <fontmeta/office/pptdocument.h>

#include <QMap>
#include <QtEndian>

#include <testsupport/testzip.h>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta::testing {

using ppt::record;

QByteArray buildZip(const Members &members)
{
    return test::TestZip::build(members);
}

QByteArray rels(const QByteArray &relationships)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const QByteArray &relationship : relationships.split(';')) {
        const QList<QByteArray> fields = relationship.trimmed().split(' ');
        xml += "<Relationship Id=\"" + fields[0] + "\" Type=\"" + Rel + '/' + fields[1] + "\" Target=\"" +
               fields[2] + "\"/>";
    }
    return xml + "</Relationships>";
}

QByteArray part(const char *root, const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:" + QByteArray(root) + " xmlns:p=\"" + Pml +
           "\" xmlns:a=\"" + Dml + "\" xmlns:r=\"" + Rel + "\">" + body + "</p:" + root + '>';
}

QStringList names(const ReadResult &result)
{
    QStringList list;
    for (const FontUse &use : result.uses)
        list.append(use.fontName);
    return list;
}

QByteArray buildCompoundFile(const Members &streams)
{
    GsfOutput *memory = gsf_output_memory_new();
    GsfOutfile *root = gsf_outfile_msole_new(memory);
    QMap<QString, GsfOutfile *> storages{{QString(), root}};
    for (const auto &[path, data] : streams) {
        const QString storageName = path.section(u'/', 0, -2);
        if (!storages.contains(storageName))
            storages.insert(storageName, reinterpret_cast<GsfOutfile *>(gsf_outfile_new_child(
                                             root, storageName.toUtf8().constData(), TRUE)));
        GsfOutput *stream =
            gsf_outfile_new_child(storages[storageName], path.section(u'/', -1).toUtf8().constData(), FALSE);
        gsf_output_write(stream, size_t(data.size()), reinterpret_cast<const guint8 *>(data.constData()));
        gsf_output_close(stream);
        g_object_unref(stream);
    }
    // Each storage closes before the root, whose empty name sorts first.
    const QList<GsfOutfile *> outfiles = storages.values();
    for (auto outfile = outfiles.crbegin(); outfile != outfiles.crend(); ++outfile) {
        gsf_output_close(reinterpret_cast<GsfOutput *>(*outfile));
        g_object_unref(*outfile);
    }
    const QByteArray bytes(reinterpret_cast<const char *>(
                               gsf_output_memory_get_bytes(reinterpret_cast<GsfOutputMemory *>(memory))),
                           qsizetype(gsf_output_size(memory)));
    g_object_unref(memory);
    return bytes;
}

static QByteArray u32Bytes(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray fontEntity(const QString &name)
{
    QByteArray data(68, '\0');
    const QByteArray utf16(reinterpret_cast<const char *>(name.utf16()),
                           std::min<qsizetype>(name.size(), 32) * 2);
    data.replace(0, utf16.size(), utf16);
    return record(0x0000, 0x0FB7, data);
}

QByteArray fontEntities(const QStringList &fonts)
{
    QByteArray entities;
    for (const QString &font : fonts)
        entities += fontEntity(font);
    return entities;
}

QByteArray documentContainer(const QByteArray &fontRecords)
{
    const QByteArray textInfo = record(0x000F, 0x03F2, record(0x001F, 0x07D5, fontRecords));
    return record(0x000F, 0x03E8, record(0x0001, 0x03E9, QByteArray(40, '\0')) + textInfo);
}

QByteArray persistDirectory(quint32 firstId, const QList<quint32> &offsets)
{
    QByteArray data = u32Bytes(firstId | (quint32(offsets.size()) << 20));
    for (const quint32 offset : offsets)
        data += u32Bytes(offset);
    return record(0x0000, 0x1772, data);
}

QByteArray userEdit(quint32 offsetLastEdit, quint32 offsetPersistDirectory, quint32 documentPersistId)
{
    const QByteArray data = u32Bytes(0x100) + QByteArray::fromHex("0000") + QByteArray::fromHex("0003") +
                            u32Bytes(offsetLastEdit) + u32Bytes(offsetPersistDirectory) +
                            u32Bytes(documentPersistId) + u32Bytes(2) + QByteArray::fromHex("01000000");
    return record(0x0000, 0x0FF5, data);
}

QByteArray currentUser(quint32 offsetToCurrentEdit, quint32 headerToken)
{
    const QByteArray data = u32Bytes(0x14) + u32Bytes(headerToken) + u32Bytes(offsetToCurrentEdit) +
                            QByteArray::fromHex("0000f403030000000000");
    return record(0x0000, 0x0FF6, data);
}

std::pair<QByteArray, QByteArray> presentationStreams(const QByteArray &fontRecords)
{
    QByteArray document = documentContainer(fontRecords);
    const quint32 directory = quint32(document.size());
    document += persistDirectory(1, {0});
    const quint32 edit = quint32(document.size());
    document += userEdit(0, directory, 1);
    return {document, currentUser(edit)};
}

Members presentationMembers(const QByteArray &document, const QByteArray &user)
{
    return {{u"Current User"_s, user}, {u"PowerPoint Document"_s, document}};
}

QByteArray documentSummary(const QString &heading, const QStringList &fonts, bool paddedStrings)
{
    const auto lpstr = [paddedStrings](const QString &text) {
        QByteArray bytes = text.toLatin1() + '\0';
        QByteArray value = u32Bytes(quint32(bytes.size())) + bytes;
        if (paddedStrings)
            value += QByteArray((4 - bytes.size() % 4) % 4, '\0');
        return value;
    };
    const QByteArray codePage = u32Bytes(0x0002) + u32Bytes(1252);
    const QByteArray headingPairs = u32Bytes(0x100C) + u32Bytes(2) + u32Bytes(0x001E) + lpstr(heading) +
                                    u32Bytes(0x0003) + u32Bytes(quint32(fonts.size()));
    QByteArray parts = u32Bytes(0x101E) + u32Bytes(quint32(fonts.size()));
    for (const QString &font : fonts)
        parts += lpstr(font);
    const quint32 first = 8 + 3 * 8;
    const QByteArray section =
        u32Bytes(quint32(8 + 24 + codePage.size() + headingPairs.size() + parts.size())) + u32Bytes(3) +
        u32Bytes(0x01) + u32Bytes(first) + u32Bytes(0x0C) + u32Bytes(first + quint32(codePage.size())) +
        u32Bytes(0x0D) + u32Bytes(first + quint32(codePage.size() + headingPairs.size())) + codePage +
        headingPairs + parts;
    const QByteArray formatId = QByteArray::fromHex("02D5CDD59C2E1B10939708002B2CF9AE");
    const QByteArray header = QByteArray::fromHex("FEFF0000") + u32Bytes(0x00020006) + QByteArray(16, '\0') +
                              u32Bytes(1) + formatId + u32Bytes(48);
    return header + section;
}

} // namespace kernwick::fontmeta::testing
