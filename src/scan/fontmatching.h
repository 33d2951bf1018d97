#pragma once

#include <platform/ziparchive.h>

#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace kernwick {

// What one scan may read: documents are untrusted. A slide of tens of megabytes is still read whole, and
// a legacy index of tens of megabytes is read in a stream.
struct ScanLimits
{
    qint64 maxBytes = qint64(128) << 20;     // read from files and inflated from archives, all together
    qint64 maxMemberSize = qint64(64) << 20; // one archive member, held whole while it is matched
    int maxMembers = 65536;                  // archive members read
};

// The names one scan collects, its byte budget, and a note for everything it leaves out.
class ScanCollector final
{
public:
    explicit ScanCollector(const ScanLimits &limits = {});

    const ScanLimits &limits() const { return m_limits; }

    // Adds a captured name, trimmed, unless it is empty or begins with "+". A name longer than
    // maxFontNameLength, or a new name beyond the first maxFontNames, is counted and left out.
    void add(QStringView captured);
    // The names in the order they were first found.
    const QStringList &names() const { return m_order; }

    // The bytes still to be read; once none are left, a note says so (once).
    qint64 bytesLeft();
    void spend(qint64 bytes) { m_bytesLeft -= bytes; }

    // Names added between beginText() and endText(false) are taken back: a text that turned out not to be
    // UTF-8 gives nothing.
    void beginText() { m_added.clear(); }
    void endText(bool keep);

    void addNote(const QString &note);
    // The notes, with one for each kind of name that was left out.
    QStringList notes() const;

private:
    ScanLimits m_limits;
    QSet<QString> m_names;
    QStringList m_order;
    QStringList m_added;
    QStringList m_notes;
    qint64 m_bytesLeft;
    int m_tooLong = 0;
    bool m_full = false;
    bool m_outOfBytes = false;
};

// A pattern in the form the extractions use it.
QRegularExpression fontPattern(const QString &pattern);

enum class CaptureGroups
{
    first,
    all
};

// Adds to `collected` the captured text of every non-overlapping match of `pattern` in `text`.
void collectFontMatches(const QString &text, const QRegularExpression &pattern, CaptureGroups groups,
                        ScanCollector &collected);

// The same for the Latin font element pattern <a:latin[^>]*typeface=\"([^^\"]+)\" and its group 1, in
// one pass over the text: a deck's slides hold tens of thousands of these elements, and a pattern engine
// spends most of its time stepping back over each one.
void collectLatinTypefaces(QStringView text, ScanCollector &collected);

// Reads, in archive order, the members that `wanted` selects and hands each whole to `use`, as an
// unpacking tool would give them: folders, links and names that would leave the unpacking folder are
// passed over. Each member counts against the scan's bytes; one larger than the member limit is left
// out with a note. Members whose index is in `alreadyRead` were handed over before and count as read.
void readArchiveMembers(const ZipArchive &archive, const std::function<bool(QStringView name)> &wanted,
                        ScanCollector &collected,
                        const std::function<void(const QString &name, const QByteArray &bytes)> &use,
                        const QSet<int> &alreadyRead = {});

// Whether readArchiveMembers() would read the member `name` that `wanted` selects (links aside).
bool isReadableMember(QStringView name, const std::function<bool(QStringView name)> &wanted);

// The collected names with no-break spaces made ordinary spaces, trimmed.
QStringList cleanFontNames(const QStringList &collected);

} // namespace kernwick
