#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

struct zip;

namespace kernwick {

// How much a zip archive may inflate to. Archives are untrusted input: a member's stated size is never
// believed, what it really inflates to is counted while it is read.
struct ZipLimits
{
    qint64 maxMemberSize = qint64(256) << 20;
    qint64 maxTotalSize = qint64(1) << 30;
    int maxMembers = 65536;
};

// A zip archive opened for reading, from a file or from bytes in memory.
class ZipArchive final
{
public:
    // Returns nullptr when the data is not a zip archive that can be read.
    static std::unique_ptr<ZipArchive> openFile(const QString &path);
    static std::unique_ptr<ZipArchive> openData(QByteArray data);
    ~ZipArchive();
    Q_DISABLE_COPY_MOVE(ZipArchive)

    // The member names as stored (decoded to Unicode), in archive order; folders end in "/".
    QStringList memberNames() const;
    bool isLink(int index) const;
    // A member's bytes, or nothing when it cannot be read, is encrypted, is a link, or inflates past
    // maxSize.
    std::optional<QByteArray> read(int index, qint64 maxSize) const;
    std::optional<QByteArray> read(const QString &name, qint64 maxSize) const;
    int indexOf(const QString &name) const;
    // Streams a member to `sink` in chunks, counting what it really inflates to. False when the member
    // cannot be read, fails its checksum, inflates past maxSize, or the sink refuses a chunk.
    bool readInto(int index, qint64 maxSize, const std::function<bool(const char *data, qint64 size)> &sink,
                  qint64 *inflated = nullptr) const;

private:
    ZipArchive(zip *archive, QByteArray data);

    zip *m_archive;
    QByteArray m_data; // keeps the bytes of an in-memory archive alive
    QStringList m_names;
};

// True when a member name can be written under a destination folder without leaving it: relative, no
// ".." component, no backslash or drive letter.
bool isSafeMemberName(QStringView name);

// Writes the members that `wanted` selects under `destination` at their archive paths, as an unzip would,
// but never outside it: unsafe names and links are skipped, and so is a member that would inflate past
// the limits. Files are created new (never through an existing file or link), private to the user.
// Returns false when the archive cannot be opened; a member that fails is skipped.
bool extractZipMembers(const QString &archivePath, const QString &destination,
                       const std::function<bool(QStringView memberName)> &wanted, const ZipLimits &limits = {});

} // namespace kernwick
