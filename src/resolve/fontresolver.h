#pragma once

#include <model/fontstatusitem.h>
#include <platform/fontcatalog.h>
#include <resolve/fontidentity.h>

#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace kernwick {

// Where font files lie, as the verdicts read it.
bool isSystemFontLocation(QStringView path);
bool isAdobeFontLocation(QStringView path);

// How a presentation names its fonts. PowerPoint names a family and reaches its bold and italic faces by
// style linking; Keynote names one face by its PostScript name.
enum class FontNaming
{
    family,
    postScript,
};

// Keynote documents (.key) name faces; every other presentation names families.
FontNaming fontNamingFor(const QString &presentationPath);

// The embedding permission that the OS/2 fsType bits grant; with several bits set the least restrictive
// wins, as OpenType reads fonts made before the bits became exclusive.
EmbeddingPermission permissionFromFsType(quint16 fsType);

// One snapshot of the installed fonts, prepared for the resolver's look-ups: which installed face, if
// any, each name stands for.
class InstalledFonts final
{
public:
    explicit InstalledFonts(std::shared_ptr<const FontCatalog> catalog);
    // With the index already made of `catalog`'s faces.
    InstalledFonts(std::shared_ptr<const FontCatalog> catalog, std::shared_ptr<const FontIdentity> identity);

    // The file of the installed face that `name` stands for.
    std::optional<QString> findFontFile(const QString &name) const;
    // Some installed face is the one `name` stands for.
    bool isFontAvailable(const QString &name) const;
    // The verdict on one name: adobe, system or installed by where the file of the face it stands for
    // lies; unresolved when that face's file is gone; missing when no installed face is the one it names
    // (with the family, when that is installed without the face).
    FontStatusItem resolveFont(const QString &name) const;
    // The same verdict, with what travels beside it: the faces that go with a font that has a file (its
    // style-linked family for a family name, the one face for a PostScript name), their embedding
    // permission, and the metric twins of a missing font. The status is the same as without them.
    FontStatusItem resolveFont(const QString &name, FontNaming naming) const;

    // The faces that Office reaches through style linking from `face`: the installed faces of its legacy
    // family whose subfamily is Regular, Bold, Italic or Bold Italic, in that order, from the same kind of
    // place as `face` (installed, system or Adobe); always `face` itself.
    QList<FontFace> styleLinkedFaces(const FontCatalog::Face &face) const;

    const FontCatalog &catalog() const { return *m_catalog; }

private:
    FontStatusItem verdict(const QString &name, const FontMatch &match) const;
    FontFace describedFace(const FontCatalog::Face &face, const FontFileFace &file,
                           const QString &style) const;

    std::shared_ptr<const FontCatalog> m_catalog;
    std::shared_ptr<const FontIdentity> m_identity;
};

// Turns font names into font items against the fonts installed now. One snapshot of the installed fonts
// serves a whole pass; a font installed since the last pass is found by the next. The index of a snapshot
// is made once and kept while the installed fonts stay the same. Any thread may ask: one at a time looks at
// the installed fonts, and the snapshots it hands out are never changed.
class FontResolver final
{
public:
    explicit FontResolver(FontconfigFontSource &fonts);

    FontStatusItem resolveFont(const QString &name);
    FontStatusItems resolveFonts(const QStringList &names);
    FontStatusItems resolveFonts(const QStringList &names, FontNaming naming);
    InstalledFonts installedFonts();

private:
    FontconfigFontSource &m_fonts;
    QMutex m_lock; // guards the font source and the index below
    std::shared_ptr<const FontCatalog> m_indexedCatalog;
    std::shared_ptr<const FontIdentity> m_identity; // of m_indexedCatalog's faces
};

// The Type column: "TrueType", "OpenType", the upper-cased extension, or "—" without a file.
QString fontTypeLabel(const FontStatusItem &item);
// The Location column: "System", the folder with a leading home folder written "~", or "—" without a file.
QString fontLocationLabel(const FontStatusItem &item, const QString &homeFolder);

} // namespace kernwick
