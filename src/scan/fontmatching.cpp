#include "fontmatching.h"

#include <scan/scantext.h>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
QString megabytes(qint64 bytes)
{
    return QString::number(bytes >> 20);
}
} // namespace

ScanCollector::ScanCollector(const ScanLimits &limits)
    : m_limits(limits)
    , m_bytesLeft(limits.maxBytes)
{}

void ScanCollector::add(QStringView captured)
{
    // The values are XML text: "Probe &amp; Sans" names the font "Probe & Sans".
    const QString decoded = captured.contains(u'&') ? decodeXmlReferences(captured) : QString();
    const QStringView trimmed = trimmedScanText(decoded.isNull() ? captured : QStringView(decoded));
    if (trimmed.isEmpty() || trimmed.startsWith(u'+'))
        return;
    if (trimmed.size() > maxFontNameLength) {
        ++m_tooLong;
        return;
    }
    // A value may run over lines or hold escape sequences: no control character reaches a name.
    const QString name = trimScanWhitespace(withoutControlCharacters(trimmed));
    if (name.isEmpty() || m_names.contains(name))
        return;
    if (m_names.size() >= maxFontNames) {
        m_full = true;
        return;
    }
    m_names.insert(name);
    m_order.append(name);
    m_added.append(name);
}

qint64 ScanCollector::bytesLeft()
{
    if (m_bytesLeft <= 0 && !m_outOfBytes) {
        m_outOfBytes = true;
        addNote(u"stopped reading after %1 MB: the rest of the document is not read"_s.arg(
            megabytes(m_limits.maxBytes)));
    }
    return std::max<qint64>(m_bytesLeft, 0);
}

void ScanCollector::endText(bool keep)
{
    if (!keep) {
        for (const QString &name : std::as_const(m_added))
            m_names.remove(name);
        m_order.resize(m_order.size() - m_added.size()); // they were the last ones found
    }
    m_added.clear();
}

void ScanCollector::addNote(const QString &note)
{
    if (!m_notes.contains(note))
        m_notes.append(note);
}

QStringList ScanCollector::notes() const
{
    QStringList notes = m_notes;
    if (m_tooLong > 0)
        notes.append(
            u"left out %1 font name(s) longer than %2 characters"_s.arg(m_tooLong).arg(maxFontNameLength));
    if (m_full)
        notes.append(u"stopped at %1 font names: the others are not listed"_s.arg(maxFontNames));
    return notes;
}

QRegularExpression fontPattern(const QString &pattern)
{
    return QRegularExpression(pattern, QRegularExpression::UseUnicodePropertiesOption);
}

void collectFontMatches(const QString &text, const QRegularExpression &pattern, CaptureGroups groups,
                        ScanCollector &collected)
{
    if (!pattern.isValid())
        return;
    const int lastGroup =
        groups == CaptureGroups::all ? pattern.captureCount() : std::min(1, pattern.captureCount());
    for (auto it = pattern.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        for (int group = 1; group <= lastGroup; ++group) {
            if (match.capturedStart(group) < 0)
                continue;
            collected.add(match.capturedView(group));
        }
    }
}

void collectLatinTypefaces(QStringView text, ScanCollector &collected)
{
    // The pattern, read as the engine matches it: from each "<a:latin", the greedy run [^>]* ends at the
    // last `typeface="` before the next ">" whose value closes, that is, whose first ^ or quote after it
    // is a quote with at least one character before it. A start with no such candidate fails, and so does
    // every later start before the same ">" (its candidates are a subset), so the search goes on after
    // it. Each candidate is looked at a bounded number of times: the pass is linear.
    constexpr QStringView element = u"<a:latin";
    constexpr QStringView attribute = u"typeface=\"";
    const qsizetype length = text.size();
    qsizetype position = 0;
    while (position < length) {
        const qsizetype start = text.indexOf(element, position);
        if (start < 0)
            return;
        const qsizetype runStart = start + element.size();
        qsizetype end = text.indexOf(u'>', runStart);
        if (end < 0)
            end = length;

        bool matched = false;
        for (qsizetype candidate = text.lastIndexOf(attribute, end - 1);
             candidate >= runStart && candidate + attribute.size() <= end;
             candidate = candidate > runStart ? text.lastIndexOf(attribute, candidate - 1) : -1) {
            const qsizetype value = candidate + attribute.size();
            qsizetype close = value;
            while (close < length && text[close] != u'"' && text[close] != u'^')
                ++close;
            if (close < length && text[close] == u'"' && close > value) {
                collected.add(text.sliced(value, close - value));
                position = close + 1;
                matched = true;
                break;
            }
        }
        if (!matched)
            position = end;
    }
}

bool isReadableMember(QStringView name, const std::function<bool(QStringView)> &wanted)
{
    return !name.endsWith(u'/') && isSafeMemberName(name) && wanted(name);
}

void readArchiveMembers(const ZipArchive &archive, const std::function<bool(QStringView)> &wanted,
                        ScanCollector &collected,
                        const std::function<void(const QString &, const QByteArray &)> &use,
                        const QSet<int> &alreadyRead)
{
    const QStringList names = archive.memberNames();
    int attempted = int(alreadyRead.size());
    for (int index = 0; index < names.size() && collected.bytesLeft() > 0; ++index) {
        const QString &name = names[index];
        if (alreadyRead.contains(index) || !isReadableMember(name, wanted) || archive.isLink(index))
            continue;
        if (++attempted > collected.limits().maxMembers) {
            collected.addNote(
                u"more than %1 parts to read: the others are not read"_s.arg(collected.limits().maxMembers));
            return;
        }
        const qint64 memberLimit = collected.limits().maxMemberSize;
        QByteArray bytes;
        qint64 inflated = 0;
        const bool complete = archive.readInto(
            index, std::min(memberLimit, collected.bytesLeft()),
            [&bytes](const char *data, qint64 size) {
                bytes.append(data, size);
                return true;
            },
            &inflated);
        collected.spend(inflated);
        if (complete)
            use(name, bytes);
        else if (inflated > memberLimit)
            collected.addNote(u"%1 is larger than %2 MB: left out"_s.arg(withoutControlCharacters(name),
                                                                         megabytes(memberLimit)));
    }
}

QStringList cleanFontNames(const QStringList &collected)
{
    QStringList names;
    names.reserve(collected.size());
    for (QString name : collected)
        names.append(trimScanWhitespace(name.replace(QChar(0x00A0), u' ')));
    return names;
}

} // namespace kernwick
