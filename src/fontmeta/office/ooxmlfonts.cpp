#include "ooxmlfonts.h"

#include <fontmeta/office/ooxmlfontreader.h>
#include <platform/ziparchive.h>

namespace kernwick::fontmeta {

ReadResult readOoxmlFonts(const ZipArchive &archive)
{
    const auto readMember = [&archive](int index, qint64 maxSize,
                                       qint64 *inflated) -> std::optional<QByteArray> {
        QByteArray bytes;
        const bool complete = archive.readInto(
            index, maxSize,
            [&bytes](const char *data, qint64 size) {
                bytes.append(data, size);
                return true;
            },
            inflated);
        if (!complete)
            return std::nullopt;
        return bytes;
    };
    return ooxml::readOoxmlPackageFonts(archive.memberNames(), readMember);
}

} // namespace kernwick::fontmeta
