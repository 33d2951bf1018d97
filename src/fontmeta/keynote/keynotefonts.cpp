#include "keynotefonts.h"

#include "apxlfeed.h"
#include "fontcollector.h"
#include "iwacomponent.h"
#include <platform/ziparchive.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace kernwick::fontmeta {

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 FileChunkSize = 64 * 1024;
constexpr auto EncryptedNote = "password-protected: the fonts cannot be read"_L1;

QString megabytes(qint64 bytes)
{
    return QString::number(bytes >> 20);
}

struct Context
{
    explicit Context(const KeynoteLimits &documentLimits, qint64 documentSize = -1)
        : limits(documentLimits)
        , collector(documentLimits.maxFontUses)
        , budget(totalInflationBudget(documentLimits, documentSize))
        , totalBudget(budget)
    {}

    // The document turned out to be `size` bytes: its budget follows, before anything is read.
    void setDocumentSize(qint64 size) { budget = totalBudget = totalInflationBudget(limits, size); }

    bool budgetLeft()
    {
        if (budget > 0)
            return true;
        if (!budgetNoted)
            collector.addNote(
                u"stopped reading: the document inflates past %1 MB"_s.arg(megabytes(totalBudget)));
        budgetNoted = true;
        return false;
    }

    const KeynoteLimits &limits;
    FontCollector collector;
    IwaStyleGraph styles;
    qint64 budget;
    qint64 totalBudget;
    bool budgetNoted = false;
};

// ---- Modern documents: Index/**/*.iwa ---------------------------------------------------------------

bool isComponentName(QStringView relative)
{
    return relative.startsWith(u"index/", Qt::CaseInsensitive) &&
           relative.endsWith(u".iwa", Qt::CaseInsensitive) && relative.size() > 10;
}

enum class Outcome
{
    Read,
    NotThisKind
};

// Reads every Index/**/*.iwa under `prefix` in `archive`. NotThisKind when there is none.
Outcome readComponents(const ZipArchive &archive, const QString &prefix, Context &context)
{
    const QStringList names = archive.memberNames();
    QList<int> components;
    int documentIndex = -1;
    bool tooMany = false;
    for (int index = 0; index < names.size(); ++index) {
        const QString &name = names[index];
        if (!name.startsWith(prefix) || !isComponentName(QStringView(name).mid(prefix.size())))
            continue;
        if (components.size() >= context.limits.maxComponents) {
            tooMany = true;
            break;
        }
        // Document.iwa goes first: its first object tells which application wrote the document.
        if (documentIndex < 0 &&
            QStringView(name).mid(prefix.size()).compare(u"index/document.iwa", Qt::CaseInsensitive) == 0) {
            documentIndex = index;
            components.prepend(index);
        } else {
            components.append(index);
        }
    }
    if (components.isEmpty())
        return Outcome::NotThisKind;
    if (tooMany)
        context.collector.addNote(
            u"more than %1 components: only the first ones were read"_s.arg(context.limits.maxComponents));

    FontCollector &collector = context.collector;
    int decoded = 0;
    int otherCodec = 0;
    for (const int index : std::as_const(components)) {
        if (!context.budgetLeft() || collector.isFull())
            break;
        const QString &name = names[index];
        QByteArray raw;
        qint64 inflated = 0;
        const bool complete = archive.readInto(
            index, std::min(context.limits.maxComponentSize, context.budget),
            [&raw](const char *data, qint64 size) {
                raw.append(data, qsizetype(size));
                return true;
            },
            &inflated);
        context.budget -= inflated;
        if (!complete) {
            collector.addNote(u"%1 cannot be read: damaged, encrypted or larger than %2 MB"_s.arg(
                name, megabytes(context.limits.maxComponentSize)));
            continue;
        }
        const IwaStream stream =
            decodeIwaChunks(raw, std::min(context.limits.maxDecodedComponentSize, context.budget));
        raw = QByteArray();
        context.budget -= stream.bytes.size();
        switch (stream.status) {
        case IwaStream::Status::Complete:
        case IwaStream::Status::Empty:
            break;
        case IwaStream::Status::OtherCodec:
            ++otherCodec;
            continue;
        case IwaStream::Status::Damaged:
            collector.addNote(u"%1 is damaged: read up to the damage"_s.arg(name));
            break;
        case IwaStream::Status::TooLarge:
            collector.addNote(u"%1 decodes to more than %2 MB: read up to that point"_s.arg(
                name, megabytes(context.limits.maxDecodedComponentSize)));
            break;
        }
        if (stream.bytes.isEmpty())
            continue;
        if (index == documentIndex) {
            const auto header = firstIwaObject(stream.bytes);
            if (header && (header->identifier != 1 || header->firstType != 1)) {
                collector.clearUses();
                collector.addNote(u"not a Keynote document: %1 belongs to another application"_s.arg(name));
                return Outcome::Read;
            }
        }
        // Slides' own components ("Slide-12.iwa", "Slide3.iwa"), not master or template slides.
        const QStringView fileName = QStringView(name).mid(name.lastIndexOf(u'/') + 1);
        const bool slide = fileName.startsWith(u"slide", Qt::CaseInsensitive);
        context.styles.sawSlide = context.styles.sawSlide || slide;
        const IwaObjectsResult objects = readIwaObjectFonts(stream.bytes, collector, &context.styles, slide);
        if (objects.objects > 0)
            ++decoded;
        if (objects.damaged && stream.status == IwaStream::Status::Complete)
            collector.addNote(u"%1 holds a damaged object: read up to it"_s.arg(name));
    }
    if (context.styles.sawSlide && otherCodec == 0) {
        for (const auto &[font, characters] : context.styles.drawnFonts())
            collector.addDrawnUtf8(font, characters.toString());
        collector.setDrawnFonts(DrawnFonts::NamesOnly);
    }
    if (decoded == 0 && otherCodec > 0)
        collector.addNote(EncryptedNote);
    else if (otherCodec > 0)
        collector.addNote(
            u"%1 component(s) are encrypted or compressed in an unknown way: their fonts are not listed"_s
                .arg(otherCodec));
    else if (decoded == 0 && !context.budgetNoted)
        collector.addNote(u"not a Keynote document: its Index/*.iwa members hold no readable objects"_s);
    return Outcome::Read;
}

// ---- Legacy documents: index.apxl -------------------------------------------------------------------

void readApxlMember(const ZipArchive &archive, int index, bool gzipped, Context &context)
{
    const QString name = archive.memberNames().value(index);
    ApxlFeed feed(context.collector, name, gzipped, std::min(context.limits.maxXmlSize, context.budget),
                  context.limits.maxXmlDepth);
    bool refused = false;
    const bool complete =
        archive.readInto(index, context.limits.maxXmlSize, [&](const char *data, qint64 size) {
            refused = !feed.feed(QByteArrayView(data, qsizetype(size)));
            return !refused;
        });
    if (!complete && !refused)
        context.collector.addNote(u"%1 cannot be read: damaged, encrypted or too large"_s.arg(name));
    feed.finish();
    context.budget -= feed.inflated();
}

void readApxlFile(const QString &path, bool gzipped, Context &context)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        context.collector.addNote(u"%1 cannot be opened: %2"_s.arg(name, file.errorString()));
        return;
    }
    ApxlFeed feed(context.collector, name, gzipped, std::min(context.limits.maxXmlSize, context.budget),
                  context.limits.maxXmlDepth);
    QByteArray chunk(FileChunkSize, Qt::Uninitialized);
    for (;;) {
        const qint64 count = file.read(chunk.data(), chunk.size());
        if (count < 0) {
            context.collector.addNote(u"%1 cannot be read: %2"_s.arg(name, file.errorString()));
            break;
        }
        if (count == 0 || !feed.feed(QByteArrayView(chunk.constData(), qsizetype(count))))
            break;
    }
    feed.finish();
    context.budget -= feed.inflated();
}

// ---- Which kind of document ---------------------------------------------------------------------------

// The members directly under `prefix`, by lower-cased relative name.
QHash<QString, int> membersUnder(const QStringList &names, const QString &prefix)
{
    QHash<QString, int> members;
    for (int index = 0; index < names.size(); ++index) {
        const QString &name = names[index];
        if (!name.startsWith(prefix) || name.endsWith(u'/'))
            continue;
        const QString relative = name.mid(prefix.size()).toLower();
        if (!relative.contains(u'/'))
            members.insert(relative, index); // a later duplicate wins, as an unzip would write it
    }
    return members;
}

// The one folder every member of the archive sits in ("Talk.key/"), or nothing. What Finder adds beside
// it (the "__MACOSX" folder, a .DS_Store) does not count.
QString singleFolder(const QStringList &names)
{
    QString folder;
    for (const QString &name : names) {
        if (name.startsWith(u"__MACOSX/") || name == u".DS_Store")
            continue;
        const qsizetype slash = name.indexOf(u'/');
        if (slash <= 0)
            return {};
        const QStringView top = QStringView(name).first(slash + 1);
        if (folder.isEmpty())
            folder = top.toString();
        else if (top != folder)
            return {};
    }
    return folder;
}

// Reads the document whose root sits at `prefix` in the archive. NotThisKind when nothing there looks
// like a Keynote document.
Outcome readArchiveAt(const ZipArchive &archive, const QString &prefix, Context &context)
{
    const QStringList names = archive.memberNames();
    const QHash<QString, int> top = membersUnder(names, prefix);
    if (top.contains(u".iwpv2"_s)) {
        context.collector.addNote(EncryptedNote);
        return Outcome::Read;
    }
    if (readComponents(archive, prefix, context) == Outcome::Read)
        return Outcome::Read;
    if (const auto inner = top.constFind(u"index.zip"_s); inner != top.cend()) {
        const qint64 limit = std::min(context.limits.maxIndexArchiveSize, context.budget);
        std::optional<QByteArray> bytes = archive.read(*inner, limit);
        if (bytes)
            context.budget -= bytes->size();
        const auto innerArchive = bytes ? ZipArchive::openData(std::move(*bytes)) : nullptr;
        if (!innerArchive) {
            context.collector.addNote(u"%1 cannot be read: damaged, encrypted or larger than %2 MB"_s.arg(
                names[*inner], megabytes(limit)));
            return Outcome::Read;
        }
        if (readComponents(*innerArchive, QString(), context) == Outcome::NotThisKind)
            context.collector.addNote(
                u"not a Keynote document: %1 holds no Index/*.iwa"_s.arg(names[*inner]));
        return Outcome::Read;
    }
    if (const auto gz = top.constFind(u"index.apxl.gz"_s); gz != top.cend()) {
        readApxlMember(archive, *gz, true, context);
        return Outcome::Read;
    }
    if (const auto xml = top.constFind(u"index.apxl"_s); xml != top.cend()) {
        readApxlMember(archive, *xml, false, context);
        return Outcome::Read;
    }
    return Outcome::NotThisKind;
}

// A regular file, not a link or a device: a document must not lead reading elsewhere or into a FIFO.
bool isRegularFile(const QFileInfo &info)
{
    return !info.isSymLink() && info.isFile();
}

} // namespace

ReadResult readKeynotePackageFonts(const QString &folderPath, const KeynoteLimits &limits)
{
    Context context(limits);
    if (!QFileInfo(folderPath).isDir()) {
        context.collector.addNote(u"not a Keynote package: not a folder"_s);
        return context.collector.take();
    }
    // The names that matter are looked up as a package spells them, so that a folder with a great many
    // other entries cannot hide them; a listing, which stops at a bound, finds them in any other case.
    QHash<QString, QFileInfo> top;
    const QDir folder(folderPath);
    for (const QString &name :
         {u".iwpv2"_s, u"Index.zip"_s, u"index.zip"_s, u"index.apxl.gz"_s, u"index.apxl"_s}) {
        const QFileInfo info(folder.filePath(name));
        if (info.exists() || info.isSymLink())
            top.insert(name.toLower(), info);
    }
    QDirIterator entries(folderPath, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (int count = 0; entries.hasNext() && count < limits.maxPackageEntries; ++count) {
        entries.next();
        if (const QString key = entries.fileName().toLower(); !top.contains(key))
            top.insert(key, entries.fileInfo());
    }

    if (top.contains(u".iwpv2"_s)) {
        context.collector.addNote(EncryptedNote);
        return context.collector.take();
    }
    if (const auto index = top.constFind(u"index.zip"_s); index != top.cend() && isRegularFile(*index)) {
        context.setDocumentSize(index->size());
        const auto archive = ZipArchive::openFile(index->filePath());
        if (!archive)
            context.collector.addNote(u"%1 is not a readable zip archive"_s.arg(index->fileName()));
        else if (readComponents(*archive, QString(), context) == Outcome::NotThisKind)
            context.collector.addNote(
                u"not a Keynote document: %1 holds no Index/*.iwa"_s.arg(index->fileName()));
        return context.collector.take();
    }
    if (const auto gz = top.constFind(u"index.apxl.gz"_s); gz != top.cend() && isRegularFile(*gz)) {
        context.setDocumentSize(gz->size());
        readApxlFile(gz->filePath(), true, context);
        return context.collector.take();
    }
    if (const auto xml = top.constFind(u"index.apxl"_s); xml != top.cend() && isRegularFile(*xml)) {
        readApxlFile(xml->filePath(), false, context);
        return context.collector.take();
    }
    context.collector.addNote(u"not a Keynote document: the folder holds no Index.zip or index.apxl"_s);
    return context.collector.take();
}

qint64 totalInflationBudget(const KeynoteLimits &limits, qint64 documentSize)
{
    if (documentSize < 0 ||
        documentSize > limits.maxTotalSize / std::max<qint64>(limits.maxInflationRatio, 1))
        return limits.maxTotalSize;
    return std::min(
        limits.maxTotalSize,
        std::max(limits.minTotalSize, documentSize * std::max<qint64>(limits.maxInflationRatio, 1)));
}

ReadResult readKeynoteArchiveFonts(const ZipArchive &archive, const KeynoteLimits &limits,
                                   qint64 documentSize)
{
    Context context(limits, documentSize);
    if (readArchiveAt(archive, QString(), context) == Outcome::NotThisKind) {
        const QString folder = singleFolder(archive.memberNames());
        if (folder.isEmpty() || readArchiveAt(archive, folder, context) == Outcome::NotThisKind)
            context.collector.addNote(u"not a Keynote document"_s);
    }
    return context.collector.take();
}

} // namespace kernwick::fontmeta
