#include "fontscanner.h"

#include <scan/keynoteextraction.h>
#include <scan/powerpointextraction.h>
#include <scan/scantext.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kernwick {

FontScanner::FontScanner(MetadataQuery metadata, ScanLimits limits)
    : m_metadata(std::move(metadata))
    , m_limits(limits)
{}

namespace {

// Why the file at `path` cannot be a presentation at all, by its size and first bytes; empty when it may
// be one (or is a folder, or cannot be read: the helper says that).
QString whyNoPresentation(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    // The smallest zip archive (an empty one) is 22 bytes; every presentation is larger.
    constexpr qint64 smallestArchive = 22;
    if (file.size() < smallestArchive)
        return u"the file is too small to be a presentation"_s;
    const QByteArray start = file.read(4);
    if (QFileInfo(path).suffix().compare(u"pptx", Qt::CaseInsensitive) == 0 && start != "PK\x03\x04" &&
        start != "PK\x05\x06")
        return u"not a zip archive, so not a .pptx presentation"_s;
    return {};
}

} // namespace

ScanResult FontScanner::scan(const QString &presentationPath) const
{
    const QString path = withoutTrailingSlashes(presentationPath);
    // Told without starting the helper: a folder of empty files would start it once each.
    if (const QString problem = whyNoPresentation(path); !problem.isEmpty()) {
        ScanResult refused{{}, {problem}};
        refused.failure = problem; // not read at all, which is not a deck without fonts
        return refused;
    }
    const QString extension = QFileInfo(path).suffix().toLower();
    ScanResult extracted;
    MetadataAnswer metadata;
    if (extension == u"pptx" && m_metadata.readsInProcess()) {
        // The reader and the extraction share every part the reader inflates.
        PowerPointExtraction extraction(m_limits);
        metadata = m_metadata.query(path, &extraction.tap());
        extracted = extraction.finish(path);
    } else {
        // The package is read here while the helper reads the document in its own process.
        metadata = m_metadata.query(path, [&] {
            if (extension == u"pptx")
                extracted = powerPointPackageFonts(path, m_limits);
            else if (extension == u"key")
                extracted = keynotePackageFonts(path, m_limits);
        });
    }
    ScanResult result{metadata.names(), metadata.notes, metadata.embedded};
    result.fonts = sortedDistinctNames(result.fonts + extracted.fonts);
    // Spellings that differ only by case are one font, under the spelling kept.
    QHash<QString, QString> kept;
    for (const QString &name : std::as_const(result.fonts))
        kept.insert(fontNameIdentity(name), name);
    const auto keptName = [&kept](const QString &name) {
        return kept.value(fontNameIdentity(name), name);
    };
    QList<EmbeddedFontFaces> embedded;
    QHash<QString, qsizetype> embeddedAt;
    for (const EmbeddedFontFaces &font : std::as_const(result.embedded)) {
        const QString name = keptName(font.fontName);
        const auto at = embeddedAt.constFind(name);
        if (at == embeddedAt.cend()) {
            embeddedAt.insert(name, embedded.size());
            embedded.append({name, font.faces, font.lacking});
            continue;
        }
        QStringList &faces = embedded[*at].faces;
        for (const QString &face : font.faces) {
            if (!faces.contains(face)) // four faces at most
                faces.append(face);
        }
        // A character lacks when no face carried has it; unread faces may have any.
        std::optional<QList<char32_t>> &lacking = embedded[*at].lacking;
        if (lacking && font.lacking)
            lacking->removeIf([&font](char32_t c) { return !font.lacking->contains(c); });
        else
            lacking.reset();
    }
    result.embedded = embedded;
    // A name given twice: used when either says so, with the places of both, each once. The places seen
    // are kept in sets beside the lists, so that a name used on thousands of slides merges in linear time.
    struct SeenPlaces
    {
        QSet<QString> places;
        QSet<QString> usedIn;
    };
    QHash<QString, SeenPlaces> seen;
    const auto appendNew = [](QStringList &list, QSet<QString> &inList, const QStringList &more) {
        if (inList.isEmpty())
            inList = QSet<QString>(list.cbegin(), list.cend());
        for (const QString &place : more) {
            if (!inList.contains(place)) {
                inList.insert(place);
                list.append(place);
            }
        }
    };
    for (const MetadataFont &font : metadata.fonts) {
        const QString name = keptName(font.name);
        const auto found = result.usage.find(name);
        if (found == result.usage.end()) {
            result.usage.insert(name,
                                {font.places, font.used, font.usedIn, font.usedInKnown, font.characters});
            continue;
        }
        found->used = found->used || font.used;
        found->usedInKnown = found->usedInKnown || font.usedInKnown;
        SeenPlaces &places = seen[name];
        appendNew(found->places, places.places, font.places);
        appendNew(found->usedIn, places.usedIn, font.usedIn);
        found->characters += font.characters;
    }
    for (const QString &name : std::as_const(result.fonts)) {
        if (!result.usage.contains(name))
            result.usage.insert(name, {});
    }
    for (const QString &note : std::as_const(extracted.notes)) {
        if (!result.notes.contains(note))
            result.notes.append(note);
    }
    // No name at all, and a source that said why: the document was not read, which is not the same as a
    // document without fonts. A file that is not there says so even without any source.
    if (result.fonts.isEmpty()) {
        if (!QFileInfo::exists(path))
            result.failure = u"no such file or folder"_s;
        else if (!result.notes.isEmpty())
            result.failure = result.notes.join(u"; "_s);
    }
    return result;
}

QString fontNameIdentity(const QString &name)
{
    return name.normalized(QString::NormalizationForm_C).toCaseFolded();
}

QStringList sortedDistinctNames(const QStringList &names)
{
    struct Entry
    {
        QList<uint> key;
        QString name;
    };
    QList<Entry> entries;
    QSet<QString> seen;
    for (const QString &name : names) {
        const QString identity = fontNameIdentity(name);
        if (seen.contains(identity))
            continue;
        seen.insert(identity);
        entries.append({name.normalized(QString::NormalizationForm_C).toUcs4(), name});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) { return a.key < b.key; });
    QStringList sorted;
    sorted.reserve(entries.size());
    for (const Entry &entry : entries)
        sorted.append(entry.name);
    return sorted;
}

} // namespace kernwick
