#include "zipwriter.h"

#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

#include <cstring>

namespace kernwick::fontmeta {

namespace {

struct ZeroSource
{
    qint64 size;
    qint64 offset = 0;
};

zip_int64_t zeroSourceCallback(void *userdata, void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto *source = static_cast<ZeroSource *>(userdata);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        source->offset = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const qint64 count = std::min<qint64>(qint64(length), source->size - source->offset);
        std::memset(data, 0, size_t(count));
        source->offset += count;
        return count;
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *stat = static_cast<zip_stat_t *>(data);
        zip_stat_init(stat);
        stat->size = zip_uint64_t(source->size);
        stat->valid |= ZIP_STAT_SIZE;
        return sizeof(*stat);
    }
    case ZIP_SOURCE_ERROR:
        return 2 * sizeof(int);
    case ZIP_SOURCE_FREE:
        delete source;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        return -1;
    }
}

} // namespace

ZipWriter::ZipWriter(const QString &path)
{
    int error = 0;
    m_archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
}

ZipWriter::~ZipWriter()
{
    if (m_archive)
        zip_discard(m_archive);
}

bool ZipWriter::add(const QString &name, const QByteArray &data, bool stored)
{
    if (!m_archive)
        return false;
    auto kept = std::make_shared<QByteArray>(data);
    m_keep.append(kept);
    zip_source_t *source = zip_source_buffer(m_archive, kept->constData(), zip_uint64_t(kept->size()), 0);
    if (!source)
        return false;
    const zip_int64_t index = zip_file_add(m_archive, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    return zip_set_file_compression(m_archive, zip_uint64_t(index), stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                    0) == 0;
}

bool ZipWriter::addZeros(const QString &name, qint64 size)
{
    if (!m_archive)
        return false;
    zip_source_t *source = zip_source_function(m_archive, zeroSourceCallback, new ZeroSource{size});
    if (!source)
        return false;
    const zip_int64_t index = zip_file_add(m_archive, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    return zip_set_file_compression(m_archive, zip_uint64_t(index), ZIP_CM_STORE, 0) == 0;
}

bool ZipWriter::addFolder(const QString &name)
{
    return m_archive && zip_dir_add(m_archive, name.toUtf8().constData(), ZIP_FL_ENC_UTF_8) >= 0;
}

bool ZipWriter::close()
{
    if (!m_archive)
        return false;
    const bool closed = zip_close(m_archive) == 0;
    if (closed)
        m_archive = nullptr;
    m_keep.clear();
    return closed;
}

QByteArray ZipWriter::build(const QList<std::pair<QString, QByteArray>> &members, bool stored)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("archive.zip"));
    ZipWriter writer(path);
    for (const auto &[name, data] : members)
        writer.add(name, data, stored);
    if (!writer.close())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace kernwick::fontmeta
