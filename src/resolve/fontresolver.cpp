#include "fontresolver.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

// The desktop's own folders, then the distribution's and the administrator's: all of them come with the
// machine and need not travel with a presentation.
const QStringList systemPrefixes = {u"/System/Library/Fonts"_s, u"/System/Library/Assets"_s,
                                    u"/Library/Fonts"_s, u"/usr/share/fonts"_s, u"/usr/local/share/fonts"_s};
const QStringList adobeMarkers = {u"/Adobe/CoreSync"_s, u"/Adobe Fonts/"_s};

} // namespace

bool isSystemFontLocation(QStringView path)
{
    for (const QString &prefix : systemPrefixes) {
        if (path.startsWith(prefix))
            return true;
    }
    return false;
}

bool isAdobeFontLocation(QStringView path)
{
    for (const QString &marker : adobeMarkers) {
        if (path.contains(marker))
            return true;
    }
    return false;
}

QString fontMatchKey(QStringView name)
{
    QString key = name.toString().toLower();
    key.remove(u'-');
    key.remove(u' ');
    return key;
}

InstalledFonts::InstalledFonts(std::shared_ptr<const FontCatalog> catalog)
    : m_catalog(std::move(catalog))
{
    const QStringList &names = m_catalog->postScriptNames();
    m_keys.reserve(names.size());
    m_folded.reserve(names.size());
    for (const QString &name : names) {
        m_keys.append(fontMatchKey(name));
        m_folded.append(name.toCaseFolded());
    }
}

qsizetype InstalledFonts::firstLooseMatch(const QString &name) const
{
    const QString key = fontMatchKey(name);
    const QString folded = name.toCaseFolded();
    for (qsizetype i = 0; i < m_keys.size(); ++i) {
        if (m_keys[i] == key || m_folded[i].contains(folded) || folded.contains(m_folded[i]))
            return i;
    }
    return -1;
}

std::optional<QString> InstalledFonts::findFontFile(const QString &name) const
{
    if (auto file = m_catalog->fileForName(name))
        return file;
    const qsizetype match = firstLooseMatch(name);
    if (match < 0)
        return std::nullopt;
    return m_catalog->fileForName(m_catalog->postScriptNames()[match]);
}

bool InstalledFonts::isFontAvailable(const QString &name) const
{
    return firstLooseMatch(name) >= 0;
}

FontStatusItem InstalledFonts::resolveFont(const QString &name) const
{
    // The loose walk of findFontFile() and isFontAvailable() is the same walk over the same snapshot, so
    // it runs once: a name that resembles some font but still yields no file is unresolved.
    std::optional<QString> file = m_catalog->fileForName(name);
    bool resembles = false;
    if (!file) {
        const qsizetype match = firstLooseMatch(name);
        resembles = match >= 0;
        if (resembles)
            file = m_catalog->fileForName(m_catalog->postScriptNames()[match]);
    }
    if (!file)
        return makeFontStatusItem(name, resembles ? FontStatus::unresolved : FontStatus::missing);

    FontStatus status = FontStatus::installed;
    if (isAdobeFontLocation(*file))
        status = FontStatus::adobe;
    else if (isSystemFontLocation(*file))
        status = FontStatus::system;
    return makeFontStatusItem(name, status, *file);
}

FontResolver::FontResolver(FontconfigFontSource &fonts)
    : m_fonts(fonts)
{}

InstalledFonts FontResolver::installedFonts()
{
    return InstalledFonts(m_fonts.snapshot());
}

FontStatusItem FontResolver::resolveFont(const QString &name)
{
    return installedFonts().resolveFont(name);
}

FontStatusItems FontResolver::resolveFonts(const QStringList &names)
{
    const InstalledFonts fonts = installedFonts();
    FontStatusItems items;
    items.reserve(names.size());
    for (const QString &name : names)
        items.append(fonts.resolveFont(name));
    return items;
}

QString fontTypeLabel(const FontStatusItem &item)
{
    if (!item.hasFile())
        return u"—"_s;
    const QString extension = QFileInfo(item.filePath()).suffix().toLower();
    if (extension == u"ttf" || extension == u"ttc")
        return u"TrueType"_s;
    if (extension == u"otf")
        return u"OpenType"_s;
    return extension.toUpper();
}

QString fontLocationLabel(const FontStatusItem &item, const QString &homeFolder)
{
    if (!item.hasFile())
        return u"—"_s;
    const QString path = item.filePath();
    if (isSystemFontLocation(path))
        return u"System"_s;
    QString folder = QFileInfo(path).path();
    if (homeFolder.isEmpty() || homeFolder == u"/")
        return folder;
    // Only whole folder names: with the home folder /home/ann, /home/anna stays as it is.
    for (qsizetype at = folder.indexOf(homeFolder); at >= 0; at = folder.indexOf(homeFolder, at + 1)) {
        const qsizetype end = at + homeFolder.size();
        if (end == folder.size() || folder[end] == u'/')
            folder.replace(at, homeFolder.size(), u"~"_s);
    }
    return folder;
}

} // namespace kernwick
