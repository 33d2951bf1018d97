#include "apxlfontreader.h"

#include "fontcollector.h"

namespace kernwick::fontmeta {

using namespace Qt::StringLiterals;

namespace {

constexpr auto KeynoteNamespace = "http://developer.apple.com/namespaces/keynote2"_L1;
constexpr auto StyleNamespace = "http://developer.apple.com/namespaces/sf"_L1;
constexpr auto AttributeNamespace = "http://developer.apple.com/namespaces/sfa"_L1;

// The place to report for a font named inside the style element `name`, or nothing when `name` is not
// a style.
QString stylePlace(QStringView name)
{
    if (name == u"paragraphstyle")
        return u"paragraph style"_s;
    if (name == u"characterstyle")
        return u"character style"_s;
    if (name == u"liststyle")
        return u"list style"_s;
    if (name == u"cell-style" || name == u"tabular-style")
        return u"table style"_s;
    if (name == u"chart-style" || name == u"chart-series-style")
        return u"chart style"_s;
    return {};
}

} // namespace

ApxlFontReader::ApxlFontReader(FontCollector &collector, int maxDepth)
    : m_collector(collector)
    , m_maxDepth(maxDepth)
{
    // A document may declare entities; never let them expand without bound.
    m_xml.setEntityExpansionLimit(1024);
}

bool ApxlFontReader::addData(QByteArrayView bytes)
{
    if (m_state != State::Reading)
        return false;
    m_xml.addData(bytes.toByteArray());
    parse();
    return m_state == State::Reading;
}

ApxlFontReader::State ApxlFontReader::finish()
{
    if (m_state == State::Reading)
        m_state = State::Damaged;
    return m_state;
}

QString ApxlFontReader::problem() const
{
    if (m_depth > m_maxDepth)
        return u"elements nested deeper than %1"_s.arg(m_maxDepth);
    if (m_xml.hasError() && m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        return m_xml.errorString();
    return u"it ends before the document does"_s;
}

void ApxlFontReader::parse()
{
    while (m_state == State::Reading) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement:
            startElement();
            break;
        case QXmlStreamReader::EndElement:
            endElement();
            break;
        case QXmlStreamReader::EndDocument:
            m_state = State::Finished;
            return;
        case QXmlStreamReader::Invalid:
            if (m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
                m_state = State::Damaged;
            return; // otherwise wait for more bytes
        default:
            break;
        }
    }
}

void ApxlFontReader::startElement()
{
    ++m_depth;
    if (m_depth == 1 && (m_xml.namespaceUri() != KeynoteNamespace || m_xml.name() != u"presentation")) {
        m_state = State::NotKeynote;
        return;
    }
    if (m_depth > m_maxDepth) {
        m_state = State::Damaged;
        return;
    }
    if (m_xml.namespaceUri() != StyleNamespace)
        return;
    const QStringView name = m_xml.name();
    if (name == u"fontName") {
        if (m_fontNameDepth < 0)
            m_fontNameDepth = m_depth;
    } else if (name == u"string" && m_fontNameDepth >= 0 && m_depth == m_fontNameDepth + 1) {
        const QStringView value = m_xml.attributes().value(AttributeNamespace, "string"_L1);
        if (!value.isEmpty())
            m_collector.add(value.toString(), m_styles.isEmpty() ? u"style sheet"_s : m_styles.last().place);
    } else if (QString place = stylePlace(name); !place.isEmpty()) {
        m_styles.append({m_depth, std::move(place)});
    }
}

void ApxlFontReader::endElement()
{
    if (m_fontNameDepth == m_depth)
        m_fontNameDepth = -1;
    if (!m_styles.isEmpty() && m_styles.last().depth == m_depth)
        m_styles.removeLast();
    --m_depth;
}

} // namespace kernwick::fontmeta
