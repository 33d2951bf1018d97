#include "ziparchive.h"

#include <QFile>
#include <QScopeGuard>

#include <sys/stat.h>
#include <zip.h>

#include <array>

namespace kernwick {

namespace {

constexpr qint64 ReadChunkSize = 64 * 1024;

struct ZipFileCloser
{
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};
using ZipFile = std::unique_ptr<zip_file_t, ZipFileCloser>;

} // namespace

ZipArchive::ZipArchive(zip *archive, QByteArray data)
    : m_archive(archive)
    , m_data(std::move(data))
{
    const zip_int64_t count = zip_get_num_entries(m_archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(m_archive, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        m_names.append(name ? QString::fromUtf8(name) : QString());
    }
}

ZipArchive::~ZipArchive()
{
    zip_discard(m_archive);
}

std::unique_ptr<ZipArchive> ZipArchive::openFile(const QString &path)
{
    int error = 0;
    zip *archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return nullptr;
    return std::unique_ptr<ZipArchive>(new ZipArchive(archive, {}));
}

std::unique_ptr<ZipArchive> ZipArchive::openData(QByteArray data)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(data.constData(), zip_uint64_t(data.size()), 0, &error);
    zip_error_fini(&error);
    if (!source)
        return nullptr;
    zip_error_init(&error);
    zip *archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(source);
        return nullptr;
    }
    return std::unique_ptr<ZipArchive>(new ZipArchive(archive, std::move(data)));
}

QStringList ZipArchive::memberNames() const
{
    return m_names;
}

int ZipArchive::indexOf(const QString &name) const
{
    return m_names.indexOf(name);
}

bool ZipArchive::isLink(int index) const
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(m_archive, zip_uint64_t(index), 0, &system, &attributes) != 0)
        return false;
    return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

bool ZipArchive::readInto(int index, qint64 maxSize, const std::function<bool(const char *, qint64)> &sink,
                          qint64 *inflated) const
{
    qint64 total = 0;
    const auto report = qScopeGuard([&] {
        if (inflated)
            *inflated = total;
    });
    if (index < 0 || index >= m_names.size() || isLink(index))
        return false;
    ZipFile file(zip_fopen_index(m_archive, zip_uint64_t(index), 0));
    if (!file)
        return false;
    std::array<char, ReadChunkSize> buffer;
    for (;;) {
        const zip_int64_t count = zip_fread(file.get(), buffer.data(), buffer.size());
        if (count < 0)
            return false;
        if (count == 0)
            return true;
        total += count;
        if (total > maxSize || !sink(buffer.data(), count))
            return false;
    }
}

std::optional<QByteArray> ZipArchive::read(int index, qint64 maxSize) const
{
    QByteArray bytes;
    const bool complete = readInto(index, maxSize, [&](const char *data, qint64 size) {
        bytes.append(data, size);
        return true;
    });
    if (!complete)
        return std::nullopt;
    return bytes;
}

std::optional<QByteArray> ZipArchive::read(const QString &name, qint64 maxSize) const
{
    return read(indexOf(name), maxSize);
}

bool isSafeMemberName(QStringView name)
{
    if (name.isEmpty() || name.startsWith(u'/') || name.contains(u'\\') || name.contains(QChar(0)))
        return false;
    if (name.size() >= 2 && name[1] == u':')
        return false;
    for (const QStringView component : name.split(u'/')) {
        if (component == u"..")
            return false;
    }
    return true;
}

void ZipArchive::readMembers(const std::function<bool(QStringView)> &wanted, const ZipLimits &limits,
                             const std::function<void(const QString &, const QByteArray &)> &use) const
{
    qint64 budget = limits.maxTotalSize;
    int attempted = 0;
    for (int index = 0; index < m_names.size() && attempted < limits.maxMembers && budget > 0; ++index) {
        const QString &name = m_names[index];
        if (name.endsWith(u'/') || !isSafeMemberName(name) || !wanted(name) || isLink(index))
            continue;
        ++attempted;
        QByteArray bytes;
        qint64 inflated = 0;
        const bool complete = readInto(
            index, std::min(limits.maxMemberSize, budget),
            [&bytes](const char *data, qint64 size) {
                bytes.append(data, size);
                return true;
            },
            &inflated);
        budget -= inflated;
        if (complete)
            use(name, bytes);
    }
}

} // namespace kernwick
