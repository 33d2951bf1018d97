#pragma once

// What each fuzz target does with one input. The corpus replay test calls the same functions, so a
// reproducer kept under tests/data/ runs exactly as it did under the fuzzer.

#include <fontmeta/keynote/apxlfontreader.h>
#include <fontmeta/keynote/fontcollector.h>
#include <fontmeta/keynote/iwacomponent.h>
#include <fontmeta/keynote/keynotefonts.h>
#include <platform/ziparchive.h>

#include <QByteArrayView>

namespace kernwick::fontmeta::fuzz {

inline KeynoteLimits smallLimits()
{
    KeynoteLimits limits;
    limits.maxComponentSize = 1 << 20;
    limits.maxDecodedComponentSize = 4 << 20;
    limits.maxTotalSize = 16 << 20;
    limits.maxIndexArchiveSize = 1 << 20;
    limits.maxXmlSize = 4 << 20;
    limits.maxFontUses = 1000;
    return limits;
}

// An .iwa component: Snappy chunks, then the objects they hold.
inline void iwaComponent(QByteArrayView data)
{
    FontCollector collector(1000);
    const IwaStream stream = decodeIwaChunks(data, 4 << 20);
    (void)firstIwaObject(stream.bytes);
    (void)readIwaObjectFonts(stream.bytes, collector);
    (void)collector.take();
}

// An object stream as it is after decoding, so the fuzzer reaches the protobuf reader directly.
inline void iwaObjects(QByteArrayView data)
{
    FontCollector collector(1000);
    (void)firstIwaObject(data);
    (void)readIwaObjectFonts(data, collector);
    (void)collector.take();
}

// A legacy index.apxl, fed in two pieces as an inflater would.
inline void apxl(QByteArrayView data)
{
    FontCollector collector(1000);
    ApxlFontReader reader(collector, 256);
    const qsizetype half = data.size() / 2;
    if (reader.addData(data.first(half)))
        reader.addData(data.sliced(half));
    (void)reader.finish();
    (void)collector.take();
}

// A whole .key zip file.
inline void keynoteArchive(QByteArrayView data)
{
    const auto archive = ZipArchive::openData(data.toByteArray());
    if (archive)
        (void)readKeynoteArchiveFonts(*archive, smallLimits());
}

} // namespace kernwick::fontmeta::fuzz
