#include "apxlfeed.h"

#include "fontcollector.h"

namespace kernwick::fontmeta {

using namespace Qt::StringLiterals;

ApxlFeed::ApxlFeed(FontCollector &collector, QString name, bool gzipped, qint64 maxSize, int maxDepth)
    : m_collector(collector)
    , m_reader(collector, maxDepth)
    , m_name(std::move(name))
    , m_maxSize(maxSize)
{
    if (gzipped)
        m_inflater.emplace();
}

bool ApxlFeed::feed(QByteArrayView bytes)
{
    if (!m_inflater)
        return feedXml(bytes);
    // A real gzip stream is shorter than what it inflates to, so its own bytes get the same cap: that
    // stops a stream of empty deflate blocks, which inflate to nothing, from running on for ever.
    m_compressed += bytes.size();
    if (m_compressed > m_maxSize) {
        m_tooLarge = true;
        return false;
    }
    // A member may end with this piece and another begin with the next.
    const GzipInflater::Status status =
        m_inflater->feed(bytes, [this](QByteArrayView xml) { return feedXml(xml); });
    return status == GzipInflater::Status::NeedInput || status == GzipInflater::Status::End;
}

bool ApxlFeed::feedXml(QByteArrayView xml)
{
    m_fed += xml.size();
    if (m_fed > m_maxSize) {
        m_tooLarge = true;
        return false;
    }
    return m_reader.addData(xml);
}

void ApxlFeed::finish()
{
    if (m_inflater && m_inflater->status() == GzipInflater::Status::Damaged) {
        m_collector.addNote(u"%1 is damaged: read up to the damage"_s.arg(m_name));
        return;
    }
    if (m_tooLarge) {
        m_collector.addNote(
            u"%1 inflates past %2 MB: read up to that point"_s.arg(m_name, QString::number(m_maxSize >> 20)));
        return;
    }
    switch (m_reader.finish()) {
    case ApxlFontReader::State::Finished:
    case ApxlFontReader::State::Reading:
        break;
    case ApxlFontReader::State::NotKeynote:
        m_collector.clearUses();
        m_collector.addNote(u"not a Keynote document: %1 is not a Keynote presentation"_s.arg(m_name));
        break;
    case ApxlFontReader::State::Damaged:
        m_collector.addNote(u"%1 is damaged (%2): read up to the damage"_s.arg(m_name, m_reader.problem()));
        break;
    }
}

} // namespace kernwick::fontmeta
