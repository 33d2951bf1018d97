#pragma once

// Parsers for the XML parts of an Office Open XML package that name fonts: relationship parts, themes
// and the parts whose text carries typefaces. Both the transitional and the strict namespaces are
// understood; elements are matched by namespace and local name, never by prefix.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTypeInfo>

#include <array>
#include <string_view>

namespace kernwick::fontmeta::ooxml {

struct Relationship
{
    QString id;
    QString type;   // the last segment of the type URI ("slide", "theme"), the same in both namespaces
    QString target; // the resolved part name without a leading "/", empty when external or invalid
};

// The Latin, East Asian and complex-script faces of a theme's major and minor fonts, possibly empty, and
// the faces per script ("Hans", "Arab") that East Asian and complex-script text falls back to when the
// slot is empty.
struct ThemeFonts
{
    std::array<QString, 3> major;
    std::array<QString, 3> minor;
    QList<std::pair<QString, QString>> majorScripts = {}; // (script, typeface)
    QList<std::pair<QString, QString>> minorScripts = {};
    bool hasFontScheme = false;
};

enum class ThemeGroup
{
    None,
    Major,
    Minor,
};

enum class PartSection
{
    Body,
    DefaultTextStyle,
    EmbeddedFontList,
};

// One place in a part where text takes its font from: a literal face, a theme token ("+mn-lt"), or
// a font reference that stands for all three faces of a theme group.
struct TypefaceRef
{
    QString typeface; // literal face or theme token; empty for a font reference
    ThemeGroup fontRefGroup = ThemeGroup::None;
    PartSection section = PartSection::Body;
    int slot = -1; // the FaceSlot of a literal face; -1 for a bullet font, a font reference or a list entry
};

// Latin, East Asian, complex-script and symbol faces (literal or theme token); a null string is "not set
// here", so that the text takes it from further up.
using Faces = std::array<QString, 4>;
enum FaceSlot
{
    LatinSlot,
    EastAsianSlot,
    ComplexScriptSlot,
    SymbolSlot,
};

enum class BulletKind : quint8
{
    Unset,
    None,
    Shown, // a character, a number or a picture in front of the paragraph
};

// What one list level (or a paragraph's own properties) says about the fonts of its text and bullet.
struct LevelStyle
{
    Faces faces;        // of its default run properties
    QString bulletFont; // null: not set; empty: the bullet follows the text ("buFontTx")
    BulletKind bullet = BulletKind::Unset;
    QString bulletCharacter = {}; // of a character bullet
};
constexpr int ListLevels = 9;
using ListStyle = std::array<LevelStyle, ListLevels>;

// Runs of a paragraph with the same properties and language, their text joined.
struct Run
{
    Faces faces;
    QString language; // of its properties ("zh-CN"), else its alternative language; empty when neither
    // Its text: the ASCII characters as bits (bit n of word n / 64 for character n), the others as UTF-8
    // in the order they came; most text needs no buffer of its own.
    std::array<quint64, 2> ascii = {};
    QByteArray otherText;
    qsizetype textSize = 0; // bytes of text taken in, of either kind

    void appendText(std::string_view text);
    void appendText(const Run &other);
    bool isBlank() const; // nothing but spaces, tabs and line breaks

    bool sameProperties(const Run &other) const;
};

} // namespace kernwick::fontmeta::ooxml
// Made of implicitly shared Qt types only: lists of them grow by moving memory, not element by element.
Q_DECLARE_TYPEINFO(kernwick::fontmeta::ooxml::Relationship, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(kernwick::fontmeta::ooxml::TypefaceRef, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(kernwick::fontmeta::ooxml::LevelStyle, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(kernwick::fontmeta::ooxml::Run, Q_RELOCATABLE_TYPE);
namespace kernwick::fontmeta::ooxml {

struct Paragraph
{
    int level = 0; // 0 to 8
    LevelStyle own;
    // Its runs and fields that hold text, by distinct properties: these of the part's runs (PartScan::runs),
    // none when it holds no text.
    qsizetype firstRun = 0;
    qsizetype runCount = 0;
};

// The parts of a table that a table style styles apart, in the order they take precedence for a cell.
enum TableRegion
{
    FirstRowRegion,
    LastRowRegion,
    FirstColumnRegion,
    LastColumnRegion,
    WholeTableRegion,
    TableRegionCount,
};

// The faces a table style gives the text of each region (a:tcTxStyle), theme references as tokens.
struct TableStyle
{
    QString id;
    std::array<Faces, TableRegionCount> regions;
};

} // namespace kernwick::fontmeta::ooxml
Q_DECLARE_TYPEINFO(kernwick::fontmeta::ooxml::Paragraph, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(kernwick::fontmeta::ooxml::TableStyle, Q_RELOCATABLE_TYPE);
namespace kernwick::fontmeta::ooxml {

// A shape's text (or a table cell's): where it inherits from and what it holds.
struct TextBody
{
    bool isPlaceholder = false;
    QString placeholderType; // "title", "body", ...; empty when the placeholder names none
    QString placeholderIndex;
    bool inTable = false;
    QString tableStyleId;                    // of the table a cell belongs to
    quint8 tableRegions = 0;                 // the regions a cell lies in, a bit for each TableRegion
    ThemeGroup styleFont = ThemeGroup::None; // the shape style's font reference
    ListStyle listStyle;
    QList<Paragraph> paragraphs;
};

} // namespace kernwick::fontmeta::ooxml
Q_DECLARE_TYPEINFO(kernwick::fontmeta::ooxml::TextBody, Q_RELOCATABLE_TYPE);
namespace kernwick::fontmeta::ooxml {

// The text styles of a master (title, body, other, notes) or of the presentation (defaults).
enum MasterStyle
{
    TitleStyle,
    BodyStyle,
    OtherStyle,
    NotesStyle,
    DefaultTextStyle,
    MasterStyleCount,
};

struct PartScan
{
    QString rootElement;                          // local name of the root element, for recognising the part
    QList<TypefaceRef> refs;                      // in document order
    QList<std::pair<QString, QString>> listedIds; // (element, relationship id) of the ordered part lists
    QList<TextBody> bodies;                       // shapes and table cells, in document order
    QList<Run> runs;                              // of all paragraphs, each paragraph's together
    std::array<ListStyle, MasterStyleCount> styles;
    QList<TableStyle> tableStyles;    // of a table styles part
    bool namesLatinFace = false;      // some a:latin names a face or theme slot
    bool showsMasterShapes = true;    // a slide's or layout's showMasterSp
    bool hasEmbeddedFontList = false; // a p:embeddedFontLst, wherever it stands
    QString looseText; // all text of a part without shapes (charts, SmartArt), up to MaxLooseText characters
    QString error;     // why reading stopped early, empty when the part was whole
};

struct RelationshipsScan
{
    QList<Relationship> relationships;
    QString error;
};

struct ThemeScan
{
    ThemeFonts fonts;
    QString error;
};

// The deepest element nesting read; real parts stay far below it.
constexpr int MaxElementDepth = 512;
// Distinct references and listed parts kept from one part, so that a hostile part of a few megabytes
// cannot grow into hundreds of megabytes of strings.
constexpr int MaxRefsPerPart = 10000;
constexpr int MaxListedIdsPerPart = 65536;
// Text bodies, paragraphs and distinct run properties kept from one part, for the same reason.
constexpr int MaxTextItemsPerPart = 200000;
constexpr qsizetype MaxLooseText = 65536;

PartScan scanPart(const QByteArray &xml);
ThemeScan scanTheme(const QByteArray &xml);
// `sourcePart` is the part the relationships belong to, empty for the package's own relationships.
RelationshipsScan scanRelationships(const QByteArray &xml, const QString &sourcePart, int maxCount);
// The part name of the main presentation part that [Content_Types].xml declares, or empty.
QString presentationPartFromContentTypes(const QByteArray &xml);

// Resolves a relationship target against the part holding it; empty when it leaves the package.
QString resolveTarget(const QString &sourcePart, const QString &target);
// "ppt/slides/slide1.xml" -> "ppt/slides/_rels/slide1.xml.rels"; the package root -> "_rels/.rels".
QString relationshipsPartName(const QString &sourcePart);

// Theme tokens ("+mj-lt", "+mn-cs", ...) name a slot of the applying theme instead of a face.
bool isThemeToken(const QString &typeface);
ThemeGroup themeTokenGroup(const QString &typeface);
int themeTokenScript(const QString &typeface); // 0 Latin, 1 East Asian, 2 complex script

} // namespace kernwick::fontmeta::ooxml
