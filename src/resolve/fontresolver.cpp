#include "fontresolver.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <tuple>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

// The desktop's own folders, then the distribution's and the administrator's: all of them come with the
// machine and need not travel with a presentation.
const QStringList systemPrefixes = {u"/System/Library/Fonts"_s, u"/System/Library/Assets"_s,
                                    u"/Library/Fonts"_s, u"/usr/share/fonts"_s, u"/usr/local/share/fonts"_s};
const QStringList adobeMarkers = {u"/Adobe/CoreSync"_s, u"/Adobe Fonts/"_s};

// The four styles of a style-linked family, in the order they are listed.
const QString styleLinkNames[] = {u"Regular"_s, u"Bold"_s, u"Italic"_s, u"Bold Italic"_s};

// The style-link slot a subfamily name stands for, or -1 for any other weight or width. Older fonts
// spell the regular and italic styles their own way ("Book", "Oblique").
int styleLinkSlot(const QString &subfamily)
{
    const QString style = subfamily.simplified().toCaseFolded();
    static const QHash<QString, int> slots = {
        {u"regular"_s, 0},     {u"normal"_s, 0},       {u"book"_s, 0},        {u"roman"_s, 0},
        {u"plain"_s, 0},       {u"bold"_s, 1},         {u"italic"_s, 2},      {u"oblique"_s, 2},
        {u"bold italic"_s, 3}, {u"bold oblique"_s, 3}, {u"italic bold"_s, 3}, {u"bolditalic"_s, 3}};
    return slots.value(style, -1);
}

} // namespace

FontNaming fontNamingFor(const QString &presentationPath)
{
    return QFileInfo(presentationPath).suffix().compare(u"key", Qt::CaseInsensitive) == 0
               ? FontNaming::postScript
               : FontNaming::family;
}

EmbeddingPermission permissionFromFsType(quint16 fsType)
{
    // Bit 1 restricted licence, bit 2 preview and print, bit 3 editable; none of them installable.
    if ((fsType & 0x000E) == 0)
        return EmbeddingPermission::installable;
    if (fsType & 0x0008)
        return EmbeddingPermission::editable;
    if (fsType & 0x0004)
        return EmbeddingPermission::previewAndPrint;
    return EmbeddingPermission::restricted;
}

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

InstalledFonts::InstalledFonts(std::shared_ptr<const FontCatalog> catalog)
    : m_catalog(std::move(catalog))
    , m_identity(std::make_shared<const FontIdentity>(m_catalog->faces()))
{}

InstalledFonts::InstalledFonts(std::shared_ptr<const FontCatalog> catalog,
                               std::shared_ptr<const FontIdentity> identity)
    : m_catalog(std::move(catalog))
    , m_identity(std::move(identity))
{}

std::optional<QString> InstalledFonts::findFontFile(const QString &name) const
{
    const FontMatch match = m_identity->match(name);
    if (!match.isFound())
        return std::nullopt;
    return m_catalog->faces()[match.face].file;
}

bool InstalledFonts::isFontAvailable(const QString &name) const
{
    return m_identity->match(name).isFound();
}

FontStatusItem InstalledFonts::resolveFont(const QString &name) const
{
    return verdict(name, m_identity->match(name));
}

FontStatusItem InstalledFonts::verdict(const QString &name, const FontMatch &match) const
{
    if (!match.isFound()) {
        FontStatusItem item = makeFontStatusItem(name, FontStatus::missing);
        item.familyWithoutFace = match.family;
        item.missingFaceStyle = match.style;
        return item;
    }
    const QString &file = m_catalog->faces()[match.face].file;
    // Fontconfig's list outlives a file deleted behind its back: the font is known, its file is not.
    if (!QFileInfo::exists(file))
        return makeFontStatusItem(name, FontStatus::unresolved);
    FontStatus status = FontStatus::installed;
    if (isAdobeFontLocation(file))
        status = FontStatus::adobe;
    else if (isSystemFontLocation(file))
        status = FontStatus::system;
    return makeFontStatusItem(name, status, file);
}

FontStatusItem InstalledFonts::resolveFont(const QString &name, FontNaming naming) const
{
    const FontMatch match = m_identity->match(name);
    FontStatusItem item = verdict(name, match);
    if (!item.hasFile()) {
        if (item.status == FontStatus::missing)
            item.metricTwins = m_catalog->metricTwins(name);
        return item;
    }
    const FontCatalog::Face &face = m_catalog->faces()[match.face];
    if (naming == FontNaming::family) {
        item.faces = styleLinkedFaces(face);
    } else {
        const FontFileFace file = m_catalog->fileFace(face);
        item.faces = {describedFace(face, file, file.subfamily)};
    }
    QStringList notes;
    for (const FontFace &travelling : std::as_const(item.faces)) {
        item.permission = stricterPermission(item.permission, travelling.permission);
        if (!travelling.note.isEmpty())
            notes.append(travelling.note);
    }
    item.permissionNote = notes.join(u"; "_s);
    return item;
}

FontFace InstalledFonts::describedFace(const FontCatalog::Face &face, const FontFileFace &file,
                                       const QString &style) const
{
    FontFace described{face.file, face.index, style, permissionFromFsType(file.fsType), {}};
    if (!file.isReadable) {
        described.note =
            QFileInfo(face.file).fileName() + u": "_s + file.problem + u"; taken as installable"_s;
    }
    return described;
}

QList<FontFace> InstalledFonts::styleLinkedFaces(const FontCatalog::Face &face) const
{
    const FontFileFace own = m_catalog->fileFace(face);
    if (!own.isReadable)
        return {describedFace(face, own, {})};

    // Office links a family's four styles by the legacy family name; other weights and widths carry a
    // legacy family of their own ("Segoe UI Light"), so they never come along.
    struct Linked
    {
        int slot;
        bool isResolved;
        FontFace face;
    };
    QList<Linked> linked;
    const QString family = own.family.toCaseFolded();
    QList<const FontCatalog::Face *> members = m_catalog->facesOfFamily(own.family);
    if (!members.contains(&face))
        members.append(&face);
    // Faces travel from where the font itself lies: an installed font takes no system or Adobe face along.
    const auto place = [](const QString &file) {
        return isAdobeFontLocation(file) ? 2 : isSystemFontLocation(file) ? 1 : 0;
    };
    for (const FontCatalog::Face *member : std::as_const(members)) {
        if (place(member->file) != place(face.file))
            continue;
        const FontFileFace file = member == &face ? own : m_catalog->fileFace(*member);
        if (!file.isReadable || file.family.toCaseFolded() != family)
            continue;
        int slot = styleLinkSlot(file.subfamily);
        if (slot < 0 && member != &face)
            continue;
        if (slot < 0)
            slot = (file.isBold ? 1 : 0) + (file.isItalic ? 2 : 0);
        linked.append({slot, member == &face, describedFace(*member, file, styleLinkNames[slot])});
    }
    std::stable_sort(linked.begin(), linked.end(), [](const Linked &a, const Linked &b) {
        return std::tie(a.slot, b.isResolved) < std::tie(b.slot, a.isResolved);
    });
    QList<FontFace> faces;
    for (const Linked &entry : std::as_const(linked))
        faces.append(entry.face);
    return faces;
}

FontResolver::FontResolver(FontconfigFontSource &fonts)
    : m_fonts(fonts)
{}

InstalledFonts FontResolver::installedFonts()
{
    const QMutexLocker locker(&m_lock);
    std::shared_ptr<const FontCatalog> catalog = m_fonts.snapshot();
    if (catalog != m_indexedCatalog) {
        m_identity = std::make_shared<const FontIdentity>(catalog->faces());
        m_indexedCatalog = catalog;
    }
    return InstalledFonts(std::move(catalog), m_identity);
}

FontStatusItem FontResolver::resolveFont(const QString &name)
{
    return installedFonts().resolveFont(name);
}

FontStatusItems FontResolver::resolveFonts(const QStringList &names, FontNaming naming)
{
    const InstalledFonts fonts = installedFonts();
    FontStatusItems items;
    items.reserve(names.size());
    for (const QString &name : names)
        items.append(fonts.resolveFont(name, naming));
    return items;
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
    // Only where the path starts, and only whole folder names: with the home folder /home/ann,
    // /home/anna and /srv/backup/home/ann stay as they are.
    const qsizetype end = homeFolder.size();
    if (folder.startsWith(homeFolder) && (end == folder.size() || folder[end] == u'/'))
        folder.replace(0, end, u"~"_s);
    return folder;
}

} // namespace kernwick
