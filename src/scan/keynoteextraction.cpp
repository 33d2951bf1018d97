#include "keynoteextraction.h"

#include <platform/scanfolder.h>
#include <platform/ziparchive.h>
#include <scan/fontmatching.h>
#include <scan/scantext.h>

#include <QDir>
#include <QDirIterator>

#include <array>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

bool isTextFile(QStringView name)
{
    const QStringView extension = name.sliced(name.lastIndexOf(u'.') + 1);
    return name.contains(u'.')
           && (extension.compare(u"xml", Qt::CaseInsensitive) == 0
               || extension.compare(u"apxl", Qt::CaseInsensitive) == 0
               || extension.compare(u"json", Qt::CaseInsensitive) == 0);
}

class FontTextMatcher
{
public:
    FontTextMatcher()
        : m_patterns{fontPattern(uR"re(fontName\s*=\"([^^\"]+)\")re"_s),
                     fontPattern(uR"re("fontName"\s*:\s*"([^"]+)")re"_s),
                     fontPattern(uR"re(typeface=\"([^^\"]+)\")re"_s),
                     fontPattern(uR"re(font-family\s*:\s*([^;"<]+))re"_s)}
    {
    }

    void matchFile(const QString &path, QSet<QString> &collected) const
    {
        const auto text = readUtf8File(path, maxScannedFileSize);
        if (!text)
            return;
        for (const QRegularExpression &pattern : m_patterns)
            collectFontMatches(*text, pattern, CaptureGroups::all, collected);
    }

private:
    std::array<QRegularExpression, 4> m_patterns;
};

} // namespace

QStringList keynotePackageFonts(const QString &presentationPath)
{
    const QDir package(presentationPath);
    const FontTextMatcher matcher;
    QSet<QString> collected;

    const QString indexFile = package.filePath(u"index.apxl"_s);
    if (QFileInfo(indexFile).isFile())
        matcher.matchFile(indexFile, collected);

    const QString indexArchive = package.filePath(u"index.zip"_s);
    if (QFileInfo(indexArchive).isFile()) {
        const ScanFolder scanFolder(u"key-font-scan-"_s);
        if (scanFolder.isValid()) {
            const ZipLimits limits{maxScannedFileSize, maxScannedArchiveSize};
            const auto isTextMember = [](QStringView name) { return isTextFile(name); };
            extractZipMembers(indexArchive, scanFolder.path(), isTextMember, limits);
            QDirIterator walk(scanFolder.path(), QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                              QDirIterator::Subdirectories);
            while (walk.hasNext()) {
                const QString path = walk.next();
                if (isTextFile(walk.fileName()))
                    matcher.matchFile(path, collected);
            }
        }
    }

    if (QFileInfo(presentationPath).isDir()) {
        const QStringList entries =
            package.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &entry : entries) {
            if (isTextFile(entry))
                matcher.matchFile(package.filePath(entry), collected);
        }
    }

    QStringList names;
    for (const QString &name : cleanFontNames(collected)) {
        if (!name.isEmpty() && name.toLower() != u"null" && !name.startsWith(u'+'))
            names.append(name);
    }
    return names;
}

} // namespace kernwick
