#include "documentreader.h"

#include <fontmeta/keynote/keynotefonts.h>
#include <fontmeta/office/compounddocumentfonts.h>
#include <fontmeta/office/ooxmlfonts.h>
#include <platform/ziparchive.h>

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta {

namespace {
constexpr char compoundFileSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

ReadResult withNote(const QString &note)
{
    ReadResult result;
    result.notes.append(note);
    return result;
}
} // namespace

ReadResult readDocumentFonts(const QString &path, const ZipMemberTap *tap)
{
    const QFileInfo info(path);
    if (info.isDir())
        return readKeynotePackageFonts(path);
    if (!info.isFile())
        return withNote(u"not a file or a package folder"_s);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return withNote(u"cannot be read: "_s + file.errorString());
    const QByteArray head = file.read(8);
    file.close();
    if (head == QByteArray::fromRawData(compoundFileSignature, 8))
        return readCompoundDocumentFonts(path);

    QString problem;
    if (const auto archive = ZipArchive::openFile(path, &problem)) {
        if (archive->indexOf(u"[Content_Types].xml"_s) >= 0) {
            archive->setTap(tap);
            return readOoxmlFonts(*archive);
        }
        return readKeynoteArchiveFonts(*archive, {}, info.size());
    }
    if (!problem.isEmpty())
        return withNote(problem);
    return withNote(u"not a presentation this tool can read (neither a zip archive nor a compound file)"_s);
}

} // namespace kernwick::fontmeta
