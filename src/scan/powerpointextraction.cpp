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

void collectPart(const QByteArray &bytes, ScanCollector &collected)
{
    if (const auto text = decodeUtf8(bytes))
        collectLatinTypefaces(*text, collected);
}

} // namespace

PowerPointExtraction::PowerPointExtraction(const ScanLimits &limits)
    : m_collected(limits)
{
    m_tap.wanted = [](int, QStringView name) {
        return isReadableMember(name, isReadPart);
    };
    m_tap.maxSize = limits.maxMemberSize;
    m_tap.take = [this](int index, QStringView, const QByteArray &bytes) {
        // Taken only as the extraction's own read would have taken it; anything else it reads itself.
        if (m_taken.contains(index) || bytes.size() > m_collected.limits().maxMemberSize ||
            bytes.size() > m_collected.bytesLeft() || m_taken.size() >= m_collected.limits().maxMembers)
            return;
        m_taken.insert(index);
        m_collected.spend(bytes.size());
        collectPart(bytes, m_collected);
    };
}

ScanResult PowerPointExtraction::finish(const QString &presentationPath)
{
    QString problem;
    const auto archive = ZipArchive::openFile(presentationPath, &problem);
    if (!archive)
        return {{}, problem.isEmpty() ? QStringList() : QStringList{problem}};

    // The parts are read straight out of the archive: unpacking them into a folder first would cost more
    // than all the rest of the scan, and would give a hostile archive a place to write.
    readArchiveMembers(
        *archive, isReadPart, m_collected,
        [this](const QString &, const QByteArray &bytes) { collectPart(bytes, m_collected); }, m_taken);

    const QRegularExpression themeToken = fontPattern(uR"re(^[a-z]{1,5}\d+$)re"_s);
    ScanResult result{{}, m_collected.notes()};
    for (const QString &name : cleanFontNames(m_collected.names())) {
        if (name.isEmpty() || name.toLower() == u"null" || name.startsWith(u'+'))
            continue;
        if (themeToken.match(name).hasMatch())
            continue;
        result.fonts.append(name);
    }
    return result;
}

ScanResult powerPointPackageFonts(const QString &presentationPath, const ScanLimits &limits)
{
    return PowerPointExtraction(limits).finish(presentationPath);
}

} // namespace kernwick
