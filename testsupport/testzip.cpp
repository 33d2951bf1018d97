#include "testzip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <zip.h>

#include <cstring>

using namespace Qt::StringLiterals;

namespace kernwick::test {

namespace {

struct GeneratedSource
{
    qint64 size;
    qint64 offset = 0;
    std::function<void(char *, qint64)> fill;
    zip_error_t error = {};
};

zip_int64_t generatedSourceCallback(void *userdata, void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto *source = static_cast<GeneratedSource *>(userdata);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        source->offset = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const qint64 count = std::min<qint64>(qint64(length), source->size - source->offset);
        source->fill(static_cast<char *>(data), count);
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
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&source->error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&source->error);
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

TestZip::TestZip(const QString &path)
{
    int error = 0;
    m_archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    Q_ASSERT(m_archive);
}

TestZip::~TestZip()
{
    if (m_archive)
        zip_discard(m_archive);
}

void TestZip::add(const QString &name, const QByteArray &data, Compression compression)
{
    // libzip copies nothing until the archive is written, so the bytes must outlive this call; it takes
    // them over, but only when there are any.
    char *copy = nullptr;
    if (!data.isEmpty()) {
        copy = static_cast<char *>(std::malloc(size_t(data.size())));
        std::memcpy(copy, data.constData(), size_t(data.size()));
    }
    zip_source_t *source = zip_source_buffer(m_archive, copy, zip_uint64_t(data.size()), copy != nullptr);
    const zip_int64_t index = zip_file_add(m_archive, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    Q_ASSERT(index >= 0);
    zip_set_file_compression(m_archive, zip_uint64_t(index),
                             compression == Compression::stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
}

void TestZip::addLink(const QString &name, const QString &target)
{
    add(name, target.toUtf8(), Compression::stored);
    const zip_int64_t index = zip_name_locate(m_archive, name.toUtf8().constData(), ZIP_FL_ENC_UTF_8);
    zip_file_set_external_attributes(m_archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                     zip_uint32_t(S_IFLNK | 0777) << 16);
}

void TestZip::addGenerated(const QString &name, qint64 size, std::function<void(char *, qint64)> fill,
                           Compression compression)
{
    auto *state = new GeneratedSource{size, 0, std::move(fill), {}};
    zip_error_init(&state->error);
    zip_source_t *source = zip_source_function(m_archive, generatedSourceCallback, state);
    const zip_int64_t index = zip_file_add(m_archive, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    Q_ASSERT(index >= 0);
    zip_set_file_compression(m_archive, zip_uint64_t(index),
                             compression == Compression::stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 1);
}

bool TestZip::close()
{
    const bool written = zip_close(m_archive) == 0;
    if (written)
        m_archive = nullptr;
    return written;
}

QByteArray TestZip::build(const QList<std::pair<QString, QByteArray>> &members, Compression compression)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"archive.zip"_s);
    {
        TestZip zip(path);
        for (const auto &[name, data] : members)
            zip.add(name, data, compression);
        if (!zip.close())
            return {};
    }
    return readFile(path);
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace kernwick::test
