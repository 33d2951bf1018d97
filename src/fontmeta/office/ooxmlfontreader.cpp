#include "ooxmlfontreader.h"

#include <fontmeta/office/embeddedfontlist.h>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta::ooxml {

namespace {

const ThemeFonts NoThemeFonts;

} // namespace

OoxmlFontReader::OoxmlFontReader(OoxmlPackage &package)
    : m_package(package)
{}

ReadResult OoxmlFontReader::read()
{
    QString presentation = m_package.target({}, u"officeDocument");
    if (m_package.storedName(presentation).isEmpty()) {
        if (const std::optional<QByteArray> types = m_package.readPart(u"[Content_Types].xml"_s))
            presentation = presentationPartFromContentTypes(*types);
    }
    const std::optional<PartScan> presentationScan = scan(presentation);
    if (!presentationScan || presentationScan->rootElement != u"presentation") {
        m_package.addNote(u"the package holds no presentation part"_s);
        m_result.notes = m_package.takeNotes();
        return m_result;
    }
    m_parts.insert(m_package.storedName(presentation), {Kind::Presentation, {}});
    if (const std::optional<QByteArray> bytes = m_package.readPart(presentation))
        m_result.embedded = readEmbeddedFontList(*bytes);

    // presentation.xml's default text style follows the theme of the presentation, which is the
    // first master's theme when the part does not name one.
    QString theme = m_package.target(presentation, u"theme");
    if (theme.isEmpty())
        theme = m_package.target(m_package.target(presentation, u"slideMaster"), u"theme");
    for (const TypefaceRef &ref : presentationScan->refs) {
        const QString place = ref.section == PartSection::DefaultTextStyle   ? u"default text style"_s
                              : ref.section == PartSection::EmbeddedFontList ? u"embedded font list"_s
                                                                             : u"presentation"_s;
        addUses(PartScan{{}, {ref}, {}, {}}, place, theme);
    }

    visitListed(presentation, *presentationScan, u"sldMasterId", u"slideMaster", Kind::SlideMaster);
    visitListed(presentation, *presentationScan, u"sldId", u"slide", Kind::Slide);
    visitListed(presentation, *presentationScan, u"notesMasterId", u"notesMaster", Kind::NotesMaster);
    visitListed(presentation, *presentationScan, u"handoutMasterId", u"handoutMaster", Kind::HandoutMaster);
    visit(m_package.target(presentation, u"tableStyles"), Kind::TableStyles, theme);

    m_result.notes = m_package.takeNotes();
    return m_result;
}

void OoxmlFontReader::visitListed(const QString &source, const PartScan &scan, QStringView element,
                                  QStringView type, Kind kind)
{
    // The lists in the part give the order people see (slide 1, 2, ...); parts related but not listed
    // still belong to the document and follow in relationship order.
    for (const auto &[listElement, id] : scan.listedIds) {
        if (listElement == element)
            visit(m_package.target(source, type, id), kind);
    }
    for (const Relationship &relationship : m_package.relationships(source)) {
        if (relationship.type == type)
            visit(relationship.target, kind);
    }
}

QString OoxmlFontReader::visit(const QString &partName, Kind kind, const QString &ownerTheme)
{
    const QString name = m_package.storedName(partName);
    if (name.isEmpty())
        return {};
    if (const auto found = m_parts.constFind(name); found != m_parts.constEnd())
        return found->theme;
    if (m_parts.size() >= m_package.limits().maxParts) {
        if (!m_partsNoted)
            m_package.addNote(u"more than %1 parts; the rest are skipped"_s.arg(m_package.limits().maxParts));
        m_partsNoted = true;
        return {};
    }
    // Entered before following any relationship, so that relationship cycles end here.
    m_parts.insert(name, {kind, {}});

    QString theme;
    switch (kind) {
    case Kind::SlideMaster:
    case Kind::NotesMaster:
    case Kind::HandoutMaster:
        theme = m_package.target(name, u"theme");
        break;
    case Kind::SlideLayout:
        theme = visit(m_package.target(name, u"slideMaster"), Kind::SlideMaster);
        break;
    case Kind::Slide:
        theme = visit(m_package.target(name, u"slideLayout"), Kind::SlideLayout);
        break;
    case Kind::NotesSlide:
        theme = visit(m_package.target(name, u"notesMaster"), Kind::NotesMaster);
        break;
    case Kind::Chart: {
        const QString override = m_package.target(name, u"themeOverride");
        theme = !override.isEmpty() && themeFonts(override).hasFontScheme ? override : ownerTheme;
        break;
    }
    default:
        theme = ownerTheme;
        break;
    }
    m_parts[name].theme = theme;
    const QString place = placeFor(kind);

    const std::optional<PartScan> partScan = scan(name);
    if (!partScan)
        return theme;
    addUses(*partScan, place, theme);

    switch (kind) {
    case Kind::SlideMaster:
        visitListed(name, *partScan, u"sldLayoutId", u"slideLayout", Kind::SlideLayout);
        break;
    case Kind::Slide:
        visit(m_package.target(name, u"notesSlide"), Kind::NotesSlide);
        break;
    case Kind::Chart:
        visit(m_package.target(name, u"chartUserShapes"), Kind::ChartDrawing, theme);
        return theme;
    default:
        break;
    }
    switch (kind) {
    case Kind::SlideMaster:
    case Kind::SlideLayout:
    case Kind::Slide:
    case Kind::NotesSlide:
    case Kind::NotesMaster:
    case Kind::HandoutMaster:
        visitEmbeddedParts(name, theme);
        break;
    default:
        break;
    }
    return theme;
}

void OoxmlFontReader::visitEmbeddedParts(const QString &source, const QString &theme)
{
    static const std::pair<QStringView, Kind> embedded[] = {
        {u"chart", Kind::Chart},
        {u"diagramData", Kind::DiagramData},
        {u"diagramLayout", Kind::DiagramLayout},
        {u"diagramQuickStyle", Kind::DiagramStyle},
        {u"diagramColors", Kind::DiagramColors},
        {u"diagramDrawing", Kind::DiagramDrawing},
    };
    for (const Relationship &relationship : m_package.relationships(source)) {
        for (const auto &[type, kind] : embedded) {
            if (relationship.type == type)
                visit(relationship.target, kind, theme);
        }
    }
}

std::optional<PartScan> OoxmlFontReader::scan(const QString &partName)
{
    if (partName.isEmpty())
        return std::nullopt;
    const std::optional<QByteArray> bytes = m_package.readPart(partName);
    if (!bytes)
        return std::nullopt;
    PartScan partScan = scanPart(*bytes);
    if (!partScan.error.isEmpty())
        m_package.addNote(u"%1: %2"_s.arg(partName, partScan.error));
    return partScan;
}

void OoxmlFontReader::addUses(const PartScan &partScan, const QString &place, const QString &theme)
{
    for (const TypefaceRef &ref : partScan.refs) {
        ThemeGroup group = ref.fontRefGroup;
        int script = -1; // a font reference stands for all three faces of its group
        if (group == ThemeGroup::None) {
            group = themeTokenGroup(ref.typeface);
            if (group == ThemeGroup::None) {
                addUse(ref.typeface, place);
                continue;
            }
            script = themeTokenScript(ref.typeface);
            if (script < 0)
                continue; // "+mj-xx" names no slot of any theme and no installed face
        }
        const ThemeFonts &fonts = themeFonts(theme);
        const std::array<QString, 3> &faces = group == ThemeGroup::Major ? fonts.major : fonts.minor;
        const QString themePlace =
            place + (group == ThemeGroup::Major ? u" (theme major font)"_s : u" (theme minor font)"_s);
        for (int slot = 0; slot < 3; ++slot) {
            if (script < 0 || script == slot)
                addUse(faces[size_t(slot)], themePlace);
        }
    }
}

void OoxmlFontReader::addUse(const QString &fontName, const QString &place)
{
    if (fontName.trimmed().isEmpty())
        return;
    if (m_result.uses.size() >= m_package.limits().maxUses) {
        if (!m_usesNoted)
            m_package.addNote(
                u"more than %1 font uses; the rest are not listed"_s.arg(m_package.limits().maxUses));
        m_usesNoted = true;
        return;
    }
    std::pair<QString, QString> key{fontName, place};
    if (m_seen.contains(key))
        return;
    m_seen.insert(std::move(key));
    m_result.uses.append({fontName, place});
}

const ThemeFonts &OoxmlFontReader::themeFonts(const QString &themePart)
{
    const QString name = m_package.storedName(themePart);
    if (name.isEmpty())
        return NoThemeFonts;
    if (const auto found = m_themes.constFind(name); found != m_themes.constEnd())
        return *found;
    ThemeFonts fonts;
    if (const std::optional<QByteArray> bytes = m_package.readPart(name)) {
        ThemeScan themeScan = scanTheme(*bytes);
        if (!themeScan.error.isEmpty())
            m_package.addNote(u"%1: %2"_s.arg(name, themeScan.error));
        fonts = std::move(themeScan.fonts);
    }
    return *m_themes.insert(name, fonts);
}

QString OoxmlFontReader::placeFor(Kind kind)
{
    const int number = ++m_counts[int(kind)];
    const auto numbered = [number](const QString &what) -> QString {
        return what + u' ' + QString::number(number);
    };
    switch (kind) {
    case Kind::Presentation:
        return u"presentation"_s;
    case Kind::SlideMaster:
        return numbered(u"slide master"_s);
    case Kind::SlideLayout:
        return numbered(u"slide layout"_s);
    case Kind::Slide:
        return numbered(u"slide"_s);
    case Kind::NotesSlide:
        return numbered(u"notes slide"_s);
    case Kind::NotesMaster:
        return number == 1 ? u"notes master"_s : numbered(u"notes master"_s);
    case Kind::HandoutMaster:
        return number == 1 ? u"handout master"_s : numbered(u"handout master"_s);
    case Kind::Chart:
        return numbered(u"chart"_s);
    case Kind::ChartDrawing:
        return numbered(u"chart drawing"_s);
    case Kind::DiagramData:
        return numbered(u"SmartArt data"_s);
    case Kind::DiagramLayout:
        return numbered(u"SmartArt layout"_s);
    case Kind::DiagramStyle:
        return numbered(u"SmartArt style"_s);
    case Kind::DiagramColors:
        return numbered(u"SmartArt colors"_s);
    case Kind::DiagramDrawing:
        return numbered(u"SmartArt drawing"_s);
    case Kind::TableStyles:
        return u"table styles"_s;
    }
    return {};
}

ReadResult readOoxmlPackageFonts(const QStringList &memberNames, OoxmlPackage::MemberReader reader,
                                 const OoxmlLimits &limits)
{
    OoxmlPackage package(memberNames, std::move(reader), limits);
    return OoxmlFontReader(package).read();
}

} // namespace kernwick::fontmeta::ooxml
