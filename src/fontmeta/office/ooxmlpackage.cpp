#include "ooxmlpackage.h"

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta::ooxml {

OoxmlPackage::OoxmlPackage(const QStringList &memberNames, MemberReader reader, const OoxmlLimits &limits)
    : m_memberNames(memberNames)
    , m_reader(std::move(reader))
    , m_limits(limits)
    , m_budget(limits.maxTotalSize)
{
    for (int index = 0; index < memberNames.size(); ++index)
        m_indexByFoldedName.insert(memberNames[index].toCaseFolded(), index); // last one wins, as in unzip
}

int OoxmlPackage::indexOf(const QString &partName) const
{
    // Parts are asked for again and again by the same names: each is folded once.
    if (const auto found = m_indexByName.constFind(partName); found != m_indexByName.cend())
        return *found;
    const int index = m_indexByFoldedName.value(partName.toCaseFolded(), -1);
    m_indexByName.insert(partName, index);
    return index;
}

QString OoxmlPackage::storedName(const QString &partName) const
{
    const int index = indexOf(partName);
    return index < 0 ? QString() : m_memberNames[index];
}

std::optional<QByteArray> OoxmlPackage::readPart(const QString &partName)
{
    const int index = indexOf(partName);
    if (index < 0)
        return std::nullopt;
    if (m_budget <= 0) {
        if (!m_budgetNoted)
            addNote(u"the package's parts inflate to more than %1 MB; the rest are skipped"_s.arg(
                m_limits.maxTotalSize >> 20));
        m_budgetNoted = true;
        return std::nullopt;
    }
    const qint64 cap = std::min(m_limits.maxPartSize, m_budget);
    qint64 inflated = 0;
    std::optional<QByteArray> bytes = m_reader(index, cap, &inflated);
    m_budget -= std::max<qint64>(inflated, bytes ? bytes->size() : 0);
    if (!bytes) {
        if (inflated >= cap)
            addNote(u"%1: skipped, it inflates to more than %2 MB"_s.arg(partName).arg(cap >> 20));
        else
            addNote(u"%1: skipped, it cannot be read"_s.arg(partName));
    }
    return bytes;
}

QList<Relationship> OoxmlPackage::relationships(const QString &sourcePart)
{
    const auto found = m_relationships.constFind(sourcePart);
    if (found != m_relationships.constEnd())
        return *found;
    QList<Relationship> relationships;
    const QString name = relationshipsPartName(sourcePart);
    if (!storedName(name).isEmpty()) {
        if (const std::optional<QByteArray> bytes = readPart(name)) {
            RelationshipsScan scan = scanRelationships(*bytes, sourcePart, m_limits.maxRelationshipsPerPart);
            if (!scan.error.isEmpty())
                addNote(u"%1: %2"_s.arg(name, scan.error));
            relationships = std::move(scan.relationships);
        }
    }
    m_relationships.insert(sourcePart, relationships);
    return relationships;
}

QString OoxmlPackage::target(const QString &sourcePart, QStringView type, const QString &id)
{
    for (const Relationship &relationship : relationships(sourcePart)) {
        if (relationship.type == type && (id.isNull() || relationship.id == id))
            return relationship.target;
    }
    return {};
}

void OoxmlPackage::addNote(const QString &note)
{
    if (m_notes.size() < m_limits.maxNotes)
        m_notes.append(note);
    else if (m_notes.size() == m_limits.maxNotes)
        m_notes.append(u"more problems were found than are listed"_s);
}

QStringList OoxmlPackage::takeNotes()
{
    return std::exchange(m_notes, {});
}

} // namespace kernwick::fontmeta::ooxml
