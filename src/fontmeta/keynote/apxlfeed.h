#pragma once

#include "apxlfontreader.h"
#include "gzipinflater.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace kernwick::fontmeta {

class FontCollector;

// Feeds a legacy index.apxl, plain or gzipped, to the XML reader piece by piece, stopping once it has
// inflated to maxSize, and tells the collector how the reading ended.
class ApxlFeed final
{
public:
    ApxlFeed(FontCollector &collector, QString name, bool gzipped, qint64 maxSize, int maxDepth);
    Q_DISABLE_COPY_MOVE(ApxlFeed)

    // False once no more bytes are wanted.
    bool feed(QByteArrayView bytes);
    // Called when no more bytes will come: notes damage, a cut-off or a document that is not Keynote's.
    void finish();
    qint64 inflated() const { return m_fed; }

private:
    bool feedXml(QByteArrayView xml);

    FontCollector &m_collector;
    ApxlFontReader m_reader;
    std::optional<GzipInflater> m_inflater;
    QString m_name;
    qint64 m_maxSize;
    qint64 m_fed = 0;
    qint64 m_compressed = 0;
    bool m_tooLarge = false;
};

} // namespace kernwick::fontmeta
