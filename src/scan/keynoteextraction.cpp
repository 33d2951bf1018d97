#include "keynoteextraction.h"

#include <platform/ziparchive.h>
#include <scan/fontmatching.h>
#include <scan/scantext.h>

#include <QDir>

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

class FontTextMatcher
{
public:
    FontTextMatcher()
        : m_patterns{fontPattern(uR"re(fontName\s*=\"([^^\"]+)\")re"_s),
                     fontPattern(uR"re("fontName"\s*:\s*"([^"]+)")re"_s),
                     fontPattern(uR"re(typeface=\"([^^\"]+)\")re"_s),
                     fontPattern(uR"re(font-family\s*:\s*([^;"<]+))re"_s)}
    {}

    void matchText(const std::optional<QString> &text, QSet<QString> &collected) const
    {
        if (!text)
            return;
        for (const QRegularExpression &pattern : m_patterns)
            collectFontMatches(*text, pattern, CaptureGroups::all, collected);
    }
    void matchFile(const QString &path, QSet<QString> &collected) const
    {
        matchText(readUtf8File(path, maxScannedFileSize), collected);
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

    // Every text member of the index archive, at any depth, read straight out of the archive.
    const QString indexArchive = package.filePath(u"index.zip"_s);
    if (QFileInfo(indexArchive).isFile()) {
        if (const auto archive = ZipArchive::openFile(indexArchive)) {
            const auto isTextMember = [](QStringView name) {
                return isTextFile(name.sliced(name.lastIndexOf(u'/') + 1));
            };
            archive->readMembers(isTextMember, scannedArchiveLimits,
                                 [&](const QString &, const QByteArray &bytes) {
                                     matcher.matchText(decodeUtf8(bytes), collected);
                                 });
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
