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
        QString base; // the part its text inherits from: slide -> layout -> master; notes -> notes master
    };
    // What text on slides and notes pages inherits from a layout or master.
    struct InheritedStyles
    {
        QList<TextBody> placeholders;
        std::array<ListStyle, MasterStyleCount> styles;
    };

    // Reads a part once and returns the theme that applies to it (empty when none can be found).
    // `drawnPlace` is where text of the part is seen: "slide 3" for a chart on slide 3, empty for a
    // part on a master or layout, whose text is drawn only where a slide inherits it.
    QString visit(const QString &partName, Kind kind, const QString &ownerTheme = {},
                  const QString &drawnPlace = {});
    void visitListed(const QString &source, const PartScan &scan, QStringView element, QStringView type,
                     Kind kind);
    void visitEmbeddedParts(const QString &source, const QString &theme, const QString &drawnPlace);
    std::optional<PartScan> scan(const QString &partName);
    void addUses(const PartScan &scan, const QString &place, const QString &theme,
                 const QString &drawnPlace = {}, bool styleFontsDraw = true);
    void addDrawnText(const PartScan &scan, const QString &partName, bool notes, const QString &theme,
                      const QString &drawnPlace);
    void addFace(const QString &typeface, int slot, const QString &theme, const QString &drawnPlace);
    void addUse(const QString &fontName, const QString &place, bool draws = false);
    const ThemeFonts &themeFonts(const QString &themePart);
    QString placeFor(Kind kind);

    OoxmlPackage &m_package;
    QHash<QString, Part> m_parts;                // by stored member name
    QHash<QString, InheritedStyles> m_inherited; // layouts, masters and notes masters by stored name
    ListStyle m_defaultStyle;                    // the presentation's default text style
    QHash<QString, ThemeFonts> m_themes;
    QHash<int, int> m_counts;
    QSet<std::pair<QString, QString>> m_seen;
    QSet<std::pair<QString, QString>> m_seenDrawn;
    ReadResult m_result;
    bool m_partsNoted = false;
    bool m_usesNoted = false;
};

// The reader on any source of members: the zip entry point and the fuzz target use it.
ReadResult readOoxmlPackageFonts(const QStringList &memberNames, OoxmlPackage::MemberReader reader,
                                 const OoxmlLimits &limits = {});

} // namespace kernwick::fontmeta::ooxml
