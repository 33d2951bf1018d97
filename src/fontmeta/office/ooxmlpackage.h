#pragma once

#include <fontmeta/office/ooxmlparts.h>

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace kernwick::fontmeta::ooxml {

// How much of an untrusted package is read. Only XML parts reached through relationships are ever read,
// so media of any size costs nothing.
struct OoxmlLimits
{
    qint64 maxPartSize = qint64(32) << 20;
    qint64 maxTotalSize = qint64(256) << 20; // inflated bytes, counting parts that failed half-way
    int maxParts = 20000;
    int maxRelationshipsPerPart = 65536;
    int maxUses = 100000;
    int maxNotes = 50;
};

// The parts of a package, found by name as Open Packaging does (case-insensitively), read within the
// limits, with each part's relationships parsed once.
class OoxmlPackage final
{
public:
    // Reads member `index` up to `maxSize` bytes; reports in `inflated` how much work it did either way.
    using MemberReader =
        std::function<std::optional<QByteArray>(int index, qint64 maxSize, qint64 *inflated)>;

    OoxmlPackage(const QStringList &memberNames, MemberReader reader, const OoxmlLimits &limits);
    Q_DISABLE_COPY_MOVE(OoxmlPackage)

    const OoxmlLimits &limits() const { return m_limits; }
    // The member name as stored for a part name, or empty when the package has no such part.
    QString storedName(const QString &partName) const;
    // A part's bytes; nothing (and a note) when it is missing, too large or the budget is spent.
    std::optional<QByteArray> readPart(const QString &partName);
    // The relationships of a part (empty name: the package's own), read once.
    // Returned by value: the cache may grow while a caller walks the list.
    QList<Relationship> relationships(const QString &sourcePart);
    // The first relationship of `type`, or one with `id` when given.
    QString target(const QString &sourcePart, QStringView type, const QString &id = {});

    void addNote(const QString &note);
    QStringList takeNotes();

private:
    int indexOf(const QString &partName) const;

    QHash<QString, int> m_indexByFoldedName;
    mutable QHash<QString, int> m_indexByName; // the names asked for, as asked
    QStringList m_memberNames;
    MemberReader m_reader;
    OoxmlLimits m_limits;
    qint64 m_budget;
    bool m_budgetNoted = false;
    QHash<QString, QList<Relationship>> m_relationships;
    QStringList m_notes;
};

} // namespace kernwick::fontmeta::ooxml
