#include "keynoteextraction.h"

#include <platform/ziparchive.h>
#include <scan/fontmatching.h>
#include <scan/scantext.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringDecoder>

#include <array>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

bool isTextFile(QStringView name)
{
    const QStringView extension = name.sliced(name.lastIndexOf(u'.') + 1);
    return name.contains(u'.') && (extension.compare(u"xml", Qt::CaseInsensitive) == 0 ||
                                   extension.compare(u"apxl", Qt::CaseInsensitive) == 0 ||
                                   extension.compare(u"json", Qt::CaseInsensitive) == 0);
}

// Files are read this much at a time, and their text matched in windows of about this many characters.
constexpr qint64 readChunkSize = qint64(1) << 20;
constexpr qsizetype matchWindow = qsizetype(1) << 20;
// A package holds a few dozen entries at its top; more than this are not looked at.
constexpr int maxTopEntries = 100000;

class FontTextMatcher
{
public:
    FontTextMatcher()
        : m_patterns{fontPattern(uR"re(fontName\s*=\"([^^\"]+)\")re"_s),
                     fontPattern(uR"re("fontName"\s*:\s*"([^"]+)")re"_s),
                     fontPattern(uR"re(typeface=\"([^^\"]+)\")re"_s),
                     fontPattern(uR"re(font-family\s*:\s*([^;"<]+))re"_s)}
    {}

    void matchText(const QString &text, ScanCollector &collected) const
    {
        for (const QRegularExpression &pattern : m_patterns)
            collectFontMatches(text, pattern, CaptureGroups::all, collected);
    }

    // Reads a file in pieces and matches its text a window at a time. A window ends just before a "<":
    // no font value of an XML text holds one, so no match is split between windows. A file that is not
    // UTF-8 or cannot be read gives nothing; one cut off by the scan's byte budget gives what was read.
    void matchFile(const QString &path, ScanCollector &collected) const
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return;
        QStringDecoder decoder(QStringDecoder::Utf8);
        QString pending;
        bool readable = true;
        collected.beginText();
        while (collected.bytesLeft() > 0) {
            const QByteArray chunk = file.read(std::min(readChunkSize, collected.bytesLeft()));
            if (chunk.isEmpty()) {
                readable = file.error() == QFileDevice::NoError;
                break;
            }
            collected.spend(chunk.size());
            pending += decoder.decode(chunk);
            if (decoder.hasError()) {
                readable = false;
                break;
            }
            if (pending.size() < matchWindow)
                continue;
            qsizetype end = pending.lastIndexOf(u'<');
            if (end <= 0 && pending.size() < 4 * matchWindow)
                continue;
            if (end <= 0)
                end = pending.size();
            matchText(pending.first(end), collected);
            pending.remove(0, end);
        }
        if (readable)
            matchText(pending, collected);
        collected.endText(readable);
    }

private:
    std::array<QRegularExpression, 4> m_patterns;
};

// Whether a top-level entry of the package may be read: a regular file, or a link to one inside the
// package. A link that leads out of it (to a file the user keeps elsewhere, even a private one) is not
// followed, and says so.
bool isPackageFile(const QFileInfo &entry, const QString &packageRoot, ScanCollector &collected)
{
    if (!entry.isFile())
        return false;
    if (!entry.isSymLink())
        return true;
    if (entry.canonicalFilePath().startsWith(packageRoot + u'/'))
        return true;
    collected.addNote(u"left out %1: a link to a file outside the package"_s.arg(
        withoutControlCharacters(entry.fileName())));
    return false;
}

} // namespace

ScanResult keynotePackageFonts(const QString &presentationPath, const ScanLimits &limits)
{
    const QFileInfo packageInfo(presentationPath);
    if (!packageInfo.isDir())
        return {};
    const QDir package(presentationPath);
    const QString root = packageInfo.canonicalFilePath();
    const FontTextMatcher matcher;
    ScanCollector collected(limits);

    if (const QFileInfo index(package.filePath(u"index.apxl"_s)); isPackageFile(index, root, collected))
        matcher.matchFile(index.filePath(), collected);

    // Every text member of the index archive, at any depth, read straight out of the archive.
    if (const QFileInfo indexArchive(package.filePath(u"index.zip"_s));
        isPackageFile(indexArchive, root, collected)) {
        QString problem;
        if (const auto archive = ZipArchive::openFile(indexArchive.filePath(), &problem)) {
            const auto isTextMember = [](QStringView name) {
                return isTextFile(name.sliced(name.lastIndexOf(u'/') + 1));
            };
            readArchiveMembers(*archive, isTextMember, collected,
                               [&](const QString &, const QByteArray &bytes) {
                                   if (const auto text = decodeUtf8(bytes))
                                       matcher.matchText(*text, collected);
                               });
        } else if (!problem.isEmpty()) {
            collected.addNote(u"index.zip: "_s + problem);
        }
    }

    QDirIterator entries(presentationPath,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (int count = 0; entries.hasNext(); ++count) {
        if (count == maxTopEntries) {
            collected.addNote(
                u"more than %1 entries at the top of the package: the others are not read"_s.arg(
                    maxTopEntries));
            break;
        }
        entries.next();
        if (isTextFile(entries.fileName()) && isPackageFile(entries.fileInfo(), root, collected))
            matcher.matchFile(entries.filePath(), collected);
    }

    ScanResult result{{}, collected.notes()};
    for (const QString &name : cleanFontNames(collected.names())) {
        if (!name.isEmpty() && name.toLower() != u"null" && !name.startsWith(u'+'))
            result.fonts.append(name);
    }
    return result;
}

} // namespace kernwick
