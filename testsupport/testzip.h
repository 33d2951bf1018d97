#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

struct zip;

namespace kernwick::test {

// Writes real zip archives for tests and benchmarks, hostile ones included: any member name, links,
// stored or deflated members, and members produced on the fly so that a huge one costs no memory.
class TestZip final
{
public:
    enum class Compression
    {
        stored,
        deflated
    };

    explicit TestZip(const QString &path);
    ~TestZip();
    Q_DISABLE_COPY_MOVE(TestZip)

    void add(const QString &name, const QByteArray &data, Compression compression = Compression::deflated);
    // A symbolic link named `name` pointing at `target`, as a Unix zip tool stores one.
    void addLink(const QString &name, const QString &target);
    // A member of `size` bytes, each chunk asked of `fill` as it streams into the archive.
    void addGenerated(const QString &name, qint64 size, std::function<void(char *chunk, qint64 length)> fill,
                      Compression compression = Compression::deflated);
    // Writes the archive; false on failure.
    bool close();

    // The bytes of an archive of `members`, built in memory.
    static QByteArray build(const QList<std::pair<QString, QByteArray>> &members,
                            Compression compression = Compression::deflated);

private:
    zip *m_archive = nullptr;
};

// Writes `contents` to `path`, creating folders on the way; false on failure.
bool writeFile(const QString &path, const QByteArray &contents);
// The bytes of the file at `path`; empty when it cannot be read.
QByteArray readFile(const QString &path);

} // namespace kernwick::test
