#include "compounddocumentfonts.h"

#include <fontmeta/office/compounddocumentreader.h>

#include <QFile>

#include <mutex>

namespace kernwick::fontmeta {

ReadResult readCompoundDocumentFonts(const QString &path)
{
    // libgsf registers each of its object types the first time it is used, without a lock: two threads
    // that read their first Compound File at once can both register one, and one of them then gets no
    // object at all. One document is read at a time, from opening it to letting it go.
    static std::mutex libgsf;
    const std::lock_guard lock(libgsf);
    return ppt::CompoundDocumentReader::fromFile(QFile::encodeName(path)).read();
}

} // namespace kernwick::fontmeta
