#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

struct zip;

namespace kernwick::fontmeta {

// Writes zip archives for tests and benchmarks.
class ZipWriter final
{
public:
    explicit ZipWriter(const QString &path);
    ~ZipWriter();
    Q_DISABLE_COPY_MOVE(ZipWriter)

    bool isOpen() const { return m_archive != nullptr; }
    bool add(const QString &name, const QByteArray &data, bool stored = true);
    // A stored member of `size` zero bytes, streamed as the archive is written, never held whole.
    bool addZeros(const QString &name, qint64 size);
    bool addFolder(const QString &name);
    bool close();

    static QByteArray build(const QList<std::pair<QString, QByteArray>> &members, bool stored = true);

private:
    zip *m_archive = nullptr;
    QList<std::shared_ptr<QByteArray>> m_keep; // libzip reads the data only when the archive is closed
};

} // namespace kernwick::fontmeta
