#include "fontcollector.h"

#include <QStringDecoder>

namespace kernwick::fontmeta {

using namespace Qt::StringLiterals;

namespace {

// PostScript names stop at 63 characters and family names are far shorter than this; a longer "name"
// is damage, and would only clutter a report.
constexpr qsizetype MaxNameLength = 256;
constexpr int MaxNotes = 32;

bool isPlausibleName(const QString &name)
{
    if (name.isEmpty() || name.size() > MaxNameLength || name.trimmed().isEmpty())
        return false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f || u == 0xfffd || (u >= 0x80 && u < 0xa0))
            return false;
    }
    return true;
}

} // namespace

FontCollector::FontCollector(int maxUses)
    : m_maxUses(maxUses)
{}

void FontCollector::addUtf8(QByteArrayView name, const QString &place)
{
    if (name.isEmpty())
        return;
    if (name.size() > MaxNameLength * 4) {
        ++m_refusedNames;
        return;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(name);
    if (decoder.hasError()) {
        ++m_refusedNames;
        return;
    }
    add(decoded, place);
}

void FontCollector::add(const QString &name, const QString &place)
{
    if (name.isEmpty())
        return;
    if (!isPlausibleName(name)) {
        ++m_refusedNames;
        return;
    }
    if (isFull())
        return;
    m_result.uses.append({name, place});
}

void FontCollector::addDrawnUtf8(QByteArrayView name, const QString &characters)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(name);
    if (decoder.hasError() || !isPlausibleName(decoded) || m_result.drawnUses.size() >= m_maxUses)
        return;
    m_result.drawnUses.append({decoded, {}, characters});
}

void FontCollector::addNote(const QString &note)
{
    if (m_result.notes.size() < MaxNotes)
        m_result.notes.append(note);
    else
        ++m_droppedNotes;
}

void FontCollector::clearUses()
{
    m_result.uses.clear();
    m_result.drawnUses.clear();
    m_result.drawnFonts = DrawnFonts::Unknown;
    m_refusedNames = 0;
}

ReadResult FontCollector::take()
{
    if (m_refusedNames > 0)
        m_result.notes.append(
            u"skipped %1 font name(s) that are not valid text or not plausible font names"_s.arg(
                m_refusedNames));
    if (m_result.uses.size() >= m_maxUses)
        m_result.notes.append(u"stopped at %1 font uses: any more are not listed"_s.arg(m_maxUses));
    if (m_droppedNotes > 0)
        m_result.notes.append(u"%1 more problem(s) not listed"_s.arg(m_droppedNotes));
    ReadResult result = std::move(m_result);
    m_result = {};
    m_refusedNames = 0;
    m_droppedNotes = 0;
    return result;
}

} // namespace kernwick::fontmeta
