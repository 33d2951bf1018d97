#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

struct zip;

namespace kernwick {

// A second reader of an archive's members, fed with what the first one inflates: each member that
// `wanted` selects, once read whole, is handed to `take`, so that it need not be inflated again.
struct ZipMemberTap
{
    std::function<bool(int index, QStringView name)> wanted;
    std::function<void(int index, QStringView name, const QByteArray &bytes)> take;
    qint64 maxSize = qint64(64) << 20; // a larger member is not kept for the tap
};

// How much of a zip archive may be inflated. Archives are untrusted input: a member's stated size is never
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
    // More entries than this make an archive that no document is; opening one would cost memory for
    // each entry listed, so it is refused before its directory is read.
    static constexpr quint64 maxEntries = 100'000;

    // Returns nullptr when the data is not a zip archive that can be read; `problem`, when given, then
    // says why if the archive is refused for its number of entries.
    static std::unique_ptr<ZipArchive> openFile(const QString &path, QString *problem = nullptr);
    static std::unique_ptr<ZipArchive> openData(QByteArray data, QString *problem = nullptr);
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

    // Reads, in archive order, the members that `wanted` selects and hands each to `use`, as an unpacking
    // tool would give them: folders, links and names that would leave the unpacking folder are passed
    // over, and so is a member that inflates past the limits. What failed members inflated counts against
    // the total too, so that many oversized members cannot add up to unbounded work.
    void readMembers(const std::function<bool(QStringView name)> &wanted, const ZipLimits &limits,
                     const std::function<void(const QString &name, const QByteArray &bytes)> &use) const;
    // Streams a member to `sink` in chunks, counting what it really inflates to. False when the member
    // cannot be read, fails its checksum, inflates past maxSize, or the sink refuses a chunk.
    bool readInto(int index, qint64 maxSize, const std::function<bool(const char *data, qint64 size)> &sink,
                  qint64 *inflated = nullptr) const;

    // Every member read whole from now on, by any of the calls above, that the tap wants goes to it too;
    // nullptr stops that. The tap must outlive the reads.
    void setTap(const ZipMemberTap *tap) { m_tap = tap; }

private:
    ZipArchive(zip *archive, QByteArray data);

    zip *m_archive;
    QByteArray m_data; // keeps the bytes of an in-memory archive alive
    QStringList m_names;
    const ZipMemberTap *m_tap = nullptr;
};

// True when a member name stays inside the folder it would be unpacked into: relative, no ".."
// component, no backslash or drive letter.
bool isSafeMemberName(QStringView name);

} // namespace kernwick
