#include "fuzzentries.h"

#include <fontmeta/office/compounddocumentreader.h>
#include <fontmeta/office/documentsummary.h>
#include <fontmeta/office/ooxmlfontreader.h>
#include <fontmeta/office/pptdocument.h>

#include <cstring>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta::fuzz {

void readOoxmlParts(const uint8_t *data, size_t size)
{
    static const QStringList PartNames = {
        u"_rels/.rels"_s,
        u"ppt/presentation.xml"_s,
        u"ppt/_rels/presentation.xml.rels"_s,
        u"ppt/slides/slide1.xml"_s,
        u"ppt/slides/_rels/slide1.xml.rels"_s,
        u"ppt/slideLayouts/slideLayout1.xml"_s,
        u"ppt/slideLayouts/_rels/slideLayout1.xml.rels"_s,
        u"ppt/slideMasters/slideMaster1.xml"_s,
        u"ppt/slideMasters/_rels/slideMaster1.xml.rels"_s,
        u"ppt/theme/theme1.xml"_s,
        u"ppt/charts/chart1.xml"_s,
        u"ppt/charts/_rels/chart1.xml.rels"_s,
        u"ppt/notesSlides/notesSlide1.xml"_s,
        u"ppt/notesSlides/_rels/notesSlide1.xml.rels"_s,
        u"[Content_Types].xml"_s,
    };
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QList<QByteArray> parts = input.split('\n');
    QList<QByteArray> members;
    QByteArray current;
    for (const QByteArray &line : std::as_const(parts)) {
        if (line == "@@" && members.size() < PartNames.size() - 1) {
            members.append(current);
            current.clear();
        } else {
            current += line + '\n';
        }
    }
    members.append(current);
    const QStringList names = PartNames.mid(0, members.size());
    ooxml::OoxmlLimits limits;
    limits.maxPartSize = 1 << 20;
    limits.maxTotalSize = 4 << 20;
    ooxml::readOoxmlPackageFonts(
        names,
        [&members](int index, qint64 maxSize, qint64 *inflated) -> std::optional<QByteArray> {
            *inflated = std::min<qint64>(members[index].size(), maxSize + 1);
            if (members[index].size() > maxSize)
                return std::nullopt;
            return members[index];
        },
        limits);
}

void readCompoundFile(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    ppt::CompoundDocumentReader::fromData(input).read();
}

void readPptRecords(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    ppt::fontsFromDocumentSummary(input);
    if (input.isEmpty())
        return;
    const qsizetype userSize = std::min<qsizetype>(quint8(input[0]), input.size() - 1);
    const QByteArray currentUser = input.mid(1, userSize);
    const QByteArray document = input.mid(1 + userSize);
    const ppt::RandomAccessStream stream{
        document.size(), [&document](qint64 offset, qint64 length, char *out) {
            if (offset < 0 || length < 0 || offset > document.size() - length)
                return false;
            std::memcpy(out, document.constData() + offset, size_t(length));
            return true;
        }};
    ppt::readFontCollection(currentUser, stream);
}

} // namespace kernwick::fontmeta::fuzz
