#include "compounddocumentfonts.h"

#include <fontmeta/office/compounddocumentreader.h>

#include <QFile>

namespace kernwick::fontmeta {

ReadResult readCompoundDocumentFonts(const QString &path)
{
    return ppt::CompoundDocumentReader::fromFile(QFile::encodeName(path)).read();
}

} // namespace kernwick::fontmeta
