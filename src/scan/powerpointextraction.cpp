#include "powerpointextraction.h"

#include <platform/ziparchive.h>
#include <scan/fontmatching.h>
#include <scan/scantext.h>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

const QString presentationPart = u"ppt/presentation.xml"_s;
const QStringList partFolders = {u"ppt/slides"_s, u"ppt/slideMasters"_s};

// The parts read: the presentation part, and every entry of the slide and slide master folders (on their
// own level, hidden ones included) whose extension is xml in any case. Layouts, themes, notes, charts and
// the deck's media are never inflated.
bool isReadPart(QStringView name)
{
    if (name == presentationPart)
        return true;
    for (const QString &folder : partFolders) {
        if (name.size() > folder.size() + 1 && name.startsWith(folder) && name[folder.size()] == u'/') {
            const QStringView entry = name.sliced(folder.size() + 1);
            return !entry.contains(u'/') && entry.endsWith(u".xml", Qt::CaseInsensitive);
        }
    }
    return false;
}

} // namespace

ScanResult powerPointPackageFonts(const QString &presentationPath, const ScanLimits &limits)
{
    QString problem;
    const auto archive = ZipArchive::openFile(presentationPath, &problem);
    if (!archive)
        return {{}, problem.isEmpty() ? QStringList() : QStringList{problem}};

    // The parts are read straight out of the archive: unpacking them into a folder first would cost more
    // than all the rest of the scan, and would give a hostile archive a place to write.
    ScanCollector collected(limits);
    readArchiveMembers(*archive, isReadPart, collected,
                       [&collected](const QString &, const QByteArray &bytes) {
                           if (const auto text = decodeUtf8(bytes))
                               collectLatinTypefaces(*text, collected);
                       });

    const QRegularExpression themeToken = fontPattern(uR"re(^[a-z]{1,5}\d+$)re"_s);
    ScanResult result{{}, collected.notes()};
    for (const QString &name : cleanFontNames(collected.names())) {
        if (name.isEmpty() || name.toLower() == u"null" || name.startsWith(u'+'))
            continue;
        if (themeToken.match(name).hasMatch())
            continue;
        result.fonts.append(name);
    }
    return result;
}

} // namespace kernwick
