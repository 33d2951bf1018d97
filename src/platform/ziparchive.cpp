#include "ziparchive.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QtEndian>

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

// The number of entries the end of the archive states: in the end of central directory record, or in the
// Zip64 one when that record defers to it. Nothing when neither can be found.
std::optional<quint64> statedEntryCount(const std::function<QByteArray(qint64 offset, qint64 size)> &read,
                                        qint64 size)
{
    constexpr qint64 recordSize = 22;
    constexpr qint64 maxComment = 0xFFFF;
    const qint64 tailStart = std::max<qint64>(0, size - recordSize - maxComment);
    const QByteArray tail = read(tailStart, size - tailStart);
    const qsizetype record = tail.lastIndexOf(QByteArrayView("PK\x05\x06", 4));
    if (record < 0 || tail.size() - record < recordSize)
        return std::nullopt;
    const quint16 entries = qFromLittleEndian<quint16>(tail.constData() + record + 10);
    if (entries != 0xFFFF)
        return entries;
    // A Zip64 locator stands just before the record and gives the Zip64 record's offset.
    const qint64 locator = tailStart + record - 20;
    const QByteArray locatorBytes = locator >= 0 ? read(locator, 20) : QByteArray();
    if (locatorBytes.size() < 20 || !locatorBytes.startsWith(QByteArrayView("PK\x06\x07", 4)))
        return std::nullopt;
    const quint64 zip64Offset = qFromLittleEndian<quint64>(locatorBytes.constData() + 8);
    if (zip64Offset > quint64(size))
        return std::nullopt;
    const QByteArray zip64 = read(qint64(zip64Offset), 56);
    if (zip64.size() < 56 || !zip64.startsWith(QByteArrayView("PK\x06\x06", 4)))
        return std::nullopt;
    return qFromLittleEndian<quint64>(zip64.constData() + 32);
}

bool hasTooManyEntries(const std::function<QByteArray(qint64, qint64)> &read, qint64 size, QString *problem)
{
    const std::optional<quint64> entries = statedEntryCount(read, size);
    if (!entries || *entries <= ZipArchive::maxEntries)
        return false;
    if (problem)
        *problem = QStringLiteral("the archive lists %1 entries, more than any document holds").arg(*entries);
    return true;
}

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

std::unique_ptr<ZipArchive> ZipArchive::openFile(const QString &path, QString *problem)
{
    // Only a regular file: opening a named pipe would wait for a writer for ever.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return nullptr;
    const auto readFile = [&file](qint64 offset, qint64 size) {
        return file.seek(offset) ? file.read(size) : QByteArray();
    };
    if (hasTooManyEntries(readFile, file.size(), problem))
        return nullptr;
    file.close();
    int error = 0;
    zip *archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return nullptr;
    return std::unique_ptr<ZipArchive>(new ZipArchive(archive, {}));
}

std::unique_ptr<ZipArchive> ZipArchive::openData(QByteArray data, QString *problem)
{
    const auto readData = [&data](qint64 offset, qint64 size) {
        return data.mid(offset, size);
    };
    if (hasTooManyEntries(readData, data.size(), problem))
        return nullptr;
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
    bool tapped = m_tap && m_tap->wanted(index, m_names[index]);
    QByteArray whole;
    for (;;) {
        const zip_int64_t count = zip_fread(file.get(), buffer.data(), buffer.size());
        if (count < 0)
            return false;
        if (count == 0) {
            if (tapped)
                m_tap->take(index, m_names[index], whole);
            return true;
        }
        total += count;
        if (total > maxSize || !sink(buffer.data(), count))
            return false;
        if (tapped && whole.size() + count > m_tap->maxSize) {
            tapped = false;
            whole = QByteArray();
        }
        if (tapped)
            whole.append(buffer.data(), count);
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
