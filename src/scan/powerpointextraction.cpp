#include "powerpointextraction.h"

#include <platform/scanfolder.h>
#include <platform/ziparchive.h>
#include <scan/fontmatching.h>
#include <scan/scantext.h>

#include <QDir>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

const QString presentationPart = u"ppt/presentation.xml"_s;
const QStringList partFolders = {u"ppt/slides"_s, u"ppt/slideMasters"_s};

bool hasXmlExtension(QStringView name)
{
    return name.endsWith(u".xml", Qt::CaseInsensitive);
}

// The members the reading steps below read: unpacking only these keeps the deck's media packed.
bool isReadMember(QStringView name)
{
    if (name == presentationPart)
        return true;
    for (const QString &folder : partFolders) {
        if (name.size() > folder.size() + 1 && name.startsWith(folder) && name[folder.size()] == u'/') {
            const QStringView entry = name.sliced(folder.size() + 1);
            if (!entry.contains(u'/') && hasXmlExtension(entry))
                return true;
        }
    }
    return false;
}

void collectFile(const QString &path, const QRegularExpression &pattern, QSet<QString> &collected)
{
    if (const auto text = readUtf8File(path, maxScannedFileSize))
        collectFontMatches(*text, pattern, CaptureGroups::first, collected);
}

} // namespace

QStringList powerPointPackageFonts(const QString &presentationPath)
{
    const ScanFolder scanFolder(u"pptx-font-scan-"_s);
    if (!scanFolder.isValid())
        return {};
    const ZipLimits limits{maxScannedFileSize, maxScannedArchiveSize};
    if (!extractZipMembers(presentationPath, scanFolder.path(), isReadMember, limits))
        return {};

    const QDir root(scanFolder.path());
    const QRegularExpression latinFont = fontPattern(uR"re(<a:latin[^>]*typeface=\"([^^\"]+)\")re"_s);
    QSet<QString> collected;
    if (QFileInfo::exists(root.filePath(presentationPart)))
        collectFile(root.filePath(presentationPart), latinFont, collected);
    for (const QString &folder : partFolders) {
        const QDir dir(root.filePath(folder));
        const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &entry : entries) {
            if (hasXmlExtension(entry))
                collectFile(dir.filePath(entry), latinFont, collected);
        }
    }

    const QRegularExpression themeToken = fontPattern(uR"re(^[a-z]{1,5}\d+$)re"_s);
    QStringList names;
    for (const QString &name : cleanFontNames(collected)) {
        if (name.isEmpty() || name.toLower() == u"null" || name.startsWith(u'+'))
            continue;
        if (themeToken.match(name).hasMatch())
            continue;
        names.append(name);
    }
    return names;
}

} // namespace kernwick
