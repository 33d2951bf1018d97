#pragma once

#include <fontmeta/characterset.h>
#include <fontmeta/fontuse.h>
#include <fontmeta/office/ooxmlpackage.h>

#include <QHash>
#include <QSet>
#include <QString>

namespace kernwick::fontmeta::ooxml {

// Characters beyond ASCII kept over all fonts and places of one document, so that a hostile document
// cannot make the sets of drawn characters grow past a few hundred megabytes.
constexpr qsizetype MaxKeptCharacters = qsizetype(1) << 22;

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
    // The fonts that text draws, resolved, with the characters drawn in each.
    using DrawnText = QHash<QString, CharacterSet>;
    // What text on slides and notes pages inherits from a layout or master, and what the layout's or
    // master's own text boxes draw behind them.
    struct InheritedStyles
    {
        QList<TextBody> placeholders;
        std::array<ListStyle, MasterStyleCount> styles;
        DrawnText background;
        bool showsMasterShapes = true;
    };

    // Reads a part once and returns the theme that applies to it (empty when none can be found).
    // `drawnPlace` is where text of the part is seen: "slide 3" for a chart on slide 3, empty for a
    // part on a master or layout, whose text is drawn only where a slide inherits it.
    QString visit(const QString &partName, Kind kind, const QString &ownerTheme = {},
                  const QString &drawnPlace = {});
    void visitListed(const QString &source, const PartScan &scan, QStringView element, QStringView type,
                     Kind kind);
    void checkEmbeddedFaces();
    void visitEmbeddedParts(const QString &source, const QString &theme, const QString &drawnPlace);
    std::optional<PartScan> scan(const QString &partName);
    void addUses(const PartScan &scan, const QString &place, const QString &theme);
    void drawText(const QList<TextBody> &bodies, const QList<Run> &runs, const InheritedStyles *layout,
                  const InheritedStyles *master, bool notes, const QString &theme, DrawnText &drawn);
    void drawLooseText(const PartScan &scan, const QString &theme, DrawnText &drawn);
    QString resolveFace(const QString &typeface, int slot, const QString &theme, const QString &language,
                        char32_t sample);
    void addDrawn(const DrawnText &drawn, const QString &place);
    void addUse(const QString &fontName, const QString &place, bool draws = false,
                const CharacterSet *characters = nullptr);
    const ThemeFonts &themeFonts(const QString &themePart);
    QString placeFor(Kind kind);

    OoxmlPackage &m_package;
    QHash<QString, Part> m_parts;                // by stored member name
    QHash<QString, InheritedStyles> m_inherited; // layouts, masters and notes masters by stored name
    ListStyle m_defaultStyle;                    // the presentation's default text style
    QHash<QString, ThemeFonts> m_themes;
    QHash<QString, TableStyle> m_tableStyles; // by id
    std::optional<PartScan> m_tableStylesScan;
    QHash<int, int> m_counts;
    QSet<std::pair<QString, QString>> m_seen;
    QHash<std::pair<QString, QString>, qsizetype> m_drawnIndex; // into drawnUses and m_drawnCharacters
    QList<CharacterSet> m_drawnCharacters;
    ReadResult m_result;
    QList<QStringList> m_embeddedFaceParts; // of each font of m_result.embedded, its faces' parts
    bool m_partsNoted = false;
    bool m_usesNoted = false;
    qsizetype m_characterBudget = MaxKeptCharacters; // characters beyond ASCII still to be kept
    bool m_charactersNoted = false;
};

// The face slot that draws a character: East Asian for CJK, kana, hangul and fullwidth forms; complex
// script for Hebrew, Arabic, Syriac, Thaana, the Indic scripts, Thai, Lao, Tibetan, Myanmar and Khmer;
// symbol for U+F000 to U+F0FF when a symbol face is set; Latin for everything else.
int scriptSlot(char32_t c, bool symbolFont);
// The script of a theme's per-script faces ("Hans", "Arab") for text in `language` ("zh-CN"), or, when
// the language does not tell, for text like `sample`; empty when neither tells.
QString scriptTag(QStringView language, char32_t sample);

// The reader on any source of members: the zip entry point and the fuzz target use it.
ReadResult readOoxmlPackageFonts(const QStringList &memberNames, OoxmlPackage::MemberReader reader,
                                 const OoxmlLimits &limits = {});

} // namespace kernwick::fontmeta::ooxml
