#pragma once

#include <fontmeta/fontuse.h>

#include <QString>
#include <QtGlobal>

namespace kernwick {
class ZipArchive;
}

namespace kernwick::fontmeta {

// How much work one Keynote document may cause. Documents are untrusted: sizes they state are never
// believed, what is really inflated or decoded is counted against these.
struct KeynoteLimits
{
    qint64 maxComponentSize = qint64(32) << 20;        // one .iwa as stored, after zip inflation
    qint64 maxDecodedComponentSize = qint64(64) << 20; // one .iwa after Snappy decoding
    qint64 maxTotalSize = qint64(1) << 30;             // everything inflated or decoded for one document
    qint64 maxIndexArchiveSize = qint64(256) << 20;    // an inner Index.zip held in memory
    qint64 maxXmlSize = qint64(256) << 20;             // index.apxl as inflated
    int maxComponents = 65536;
    int maxXmlDepth = 1024;
    int maxFontUses = 100000;
    int maxPackageEntries = 10000; // entries of a package folder's top level listed
    // What a document may inflate in all is bounded by its own size too: this many times its bytes, but
    // never less than minTotalSize (nor more than maxTotalSize).
    qint64 maxInflationRatio = 100;
    qint64 minTotalSize = qint64(64) << 20;
};

// What one document of `documentSize` bytes (negative: unknown) may inflate or decode in all.
qint64 totalInflationBudget(const KeynoteLimits &limits, qint64 documentSize);

// Reads the font names of a Keynote document stored as a folder: a modern package (Index.zip) or a
// legacy one (index.apxl.gz, else index.apxl). A password-protected package yields no names and a note.
ReadResult readKeynotePackageFonts(const QString &folderPath, const KeynoteLimits &limits = {});

// Reads the font names of a Keynote document stored as one zip file: a modern single file, a legacy
// '09 file, or a zip holding a whole package folder, of `documentSize` bytes (negative: unknown). Anything
// else yields no names and a note.
ReadResult readKeynoteArchiveFonts(const kernwick::ZipArchive &archive, const KeynoteLimits &limits = {},
                                   qint64 documentSize = -1);

} // namespace kernwick::fontmeta
