#pragma once

#include <fontmeta/fontuse.h>
#include <fontmeta/office/ooxmlpackage.h>

#include <QHash>
#include <QSet>
#include <QString>

namespace kernwick::fontmeta::ooxml {

// Walks a presentation package from its relationships: the presentation part, then its masters with
// their layouts, slides with their notes, the notes and handout masters and the table styles, and from
// each of those the charts and SmartArt parts they hold. Each part's theme references are resolved
// against the theme its relationships lead to (slide -> layout -> master -> theme).
class OoxmlFontReader final
{
public:
    explicit OoxmlFontReader(OoxmlPackage &package);
    Q_DISABLE_COPY_MOVE(OoxmlFontReader)

    ReadResult read();

private:
    enum class Kind
    {
        Presentation,
        SlideMaster,
        SlideLayout,
        Slide,
        NotesSlide,
        NotesMaster,
        HandoutMaster,
        Chart,
        ChartDrawing,
        DiagramData,
        DiagramLayout,
        DiagramStyle,
        DiagramColors,
        DiagramDrawing,
        TableStyles,
    };
    struct Part
    {
        Kind kind;
        QString theme;
    };

    // Reads a part once and returns the theme that applies to it (empty when none can be found).
    QString visit(const QString &partName, Kind kind, const QString &ownerTheme = {});
    void visitListed(const QString &source, const PartScan &scan, QStringView element, QStringView type,
                     Kind kind);
    void visitEmbeddedParts(const QString &source, const QString &theme);
    std::optional<PartScan> scan(const QString &partName);
    void addUses(const PartScan &scan, const QString &place, const QString &theme);
    void addUse(const QString &fontName, const QString &place);
    const ThemeFonts &themeFonts(const QString &themePart);
    QString placeFor(Kind kind);

    OoxmlPackage &m_package;
    QHash<QString, Part> m_parts; // by stored member name
    QHash<QString, ThemeFonts> m_themes;
    QHash<int, int> m_counts;
    QSet<std::pair<QString, QString>> m_seen;
    ReadResult m_result;
    bool m_partsNoted = false;
    bool m_usesNoted = false;
};

// The reader on any source of members: the zip entry point and the fuzz target use it.
ReadResult readOoxmlPackageFonts(const QStringList &memberNames, OoxmlPackage::MemberReader reader,
                                 const OoxmlLimits &limits = {});

} // namespace kernwick::fontmeta::ooxml
