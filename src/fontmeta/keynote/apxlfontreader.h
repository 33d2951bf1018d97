#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QXmlStreamReader>

namespace kernwick::fontmeta {

class FontCollector;

// Picks the font names out of a legacy Keynote index.apxl, fed in pieces as it is inflated so that the
// document never has to be held whole.
class ApxlFontReader final
{
public:
    enum class State
    {
        Reading,
        Finished,   // the whole document was read
        NotKeynote, // the root element is not a Keynote presentation
        Damaged,    // not well-formed XML, or nested deeper than allowed
    };

    ApxlFontReader(FontCollector &collector, int maxDepth);
    Q_DISABLE_COPY_MOVE(ApxlFontReader)

    // Parses as much as the bytes so far allow. False once reading should stop.
    bool addData(QByteArrayView bytes);
    // Called when no more bytes will come; a document cut short counts as damaged.
    State finish();
    State state() const { return m_state; }
    // Why reading stopped early, for people.
    QString problem() const;

private:
    struct OpenStyle
    {
        qint64 depth;
        QString place;
    };

    void parse();
    void startElement();
    void endElement();

    FontCollector &m_collector;
    QXmlStreamReader m_xml;
    State m_state = State::Reading;
    int m_maxDepth;
    qint64 m_depth = 0;
    qint64 m_fontNameDepth = -1; // depth of the sf:fontName being read, or -1
    QList<OpenStyle> m_styles;   // the style elements around the current one, innermost last
};

} // namespace kernwick::fontmeta
