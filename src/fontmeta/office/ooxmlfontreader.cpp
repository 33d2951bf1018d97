#include "ooxmlfontreader.h"

#include <fontmeta/office/embeddedfontlist.h>

#include <QSet>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta::ooxml {

namespace {

const ThemeFonts NoThemeFonts;

// Placeholders of a slide, its layout and its master match by index, else by type, else by kind.
QStringView placeholderKind(QStringView type)
{
    if (type == u"title" || type == u"ctrTitle")
        return u"title";
    if (type == u"dt" || type == u"ftr" || type == u"sldNum" || type == u"hdr" || type == u"sldImg")
        return type;
    return u"body";
}

const TextBody *matchingPlaceholder(const QList<TextBody> &candidates, const TextBody &placeholder)
{
    if (!placeholder.placeholderIndex.isEmpty()) {
        for (const TextBody &candidate : candidates) {
            if (candidate.placeholderIndex == placeholder.placeholderIndex)
                return &candidate;
        }
    }
    for (const TextBody &candidate : candidates) {
        if (candidate.placeholderType == placeholder.placeholderType)
            return &candidate;
    }
    const QStringView kind = placeholderKind(placeholder.placeholderType);
    for (const TextBody &candidate : candidates) {
        if (placeholderKind(candidate.placeholderType) == kind)
            return &candidate;
    }
    return nullptr;
}

QString themeToken(ThemeGroup group, int slot)
{
    static const char16_t *const slots[] = {u"lt", u"ea", u"cs"};
    return (group == ThemeGroup::Major ? u"+mj-"_s : u"+mn-"_s) + QStringView(slots[slot]);
}

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
    m_parts.insert(m_package.storedName(presentation), {Kind::Presentation, {}, {}});
    if (const std::optional<QByteArray> bytes = m_package.readPart(presentation)) {
        // A face is carried only when its relationship leads to a part the package holds.
        QSet<QString> heldParts; // relationship ids
        for (const Relationship &relationship : m_package.relationships(presentation)) {
            if (!relationship.target.isEmpty() && !m_package.storedName(relationship.target).isEmpty())
                heldParts.insert(relationship.id);
        }
        m_result.embedded = readEmbeddedFontList(
            *bytes, [&heldParts](QStringView id) { return heldParts.contains(id.toString()); });
    }
    m_result.drawnFonts = DrawnFonts::WithPlaces;
    m_defaultStyle = presentationScan->styles[DefaultTextStyle];

    // presentation.xml's default text style follows the theme of the presentation, which is the
    // first master's theme when the part does not name one.
    QString theme = m_package.target(presentation, u"theme");
    if (theme.isEmpty())
        theme = m_package.target(m_package.target(presentation, u"slideMaster"), u"theme");
    for (const TypefaceRef &ref : presentationScan->refs) {
        const QString place = ref.section == PartSection::DefaultTextStyle   ? u"default text style"_s
                              : ref.section == PartSection::EmbeddedFontList ? u"embedded font list"_s
                                                                             : u"presentation"_s;
        PartScan single;
        single.refs.append(ref);
        addUses(single, place, theme);
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
    const QList<Relationship> relationships = m_package.relationships(source);
    QHash<QStringView, QStringView> targets; // by id, the first of each
    for (const Relationship &relationship : relationships) {
        if (relationship.type == type && !targets.contains(relationship.id))
            targets.insert(relationship.id, relationship.target);
    }
    for (const auto &[listElement, id] : scan.listedIds) {
        if (listElement == element)
            visit(targets.value(id).toString(), kind);
    }
    for (const Relationship &relationship : relationships) {
        if (relationship.type == type)
            visit(relationship.target, kind);
    }
}

QString OoxmlFontReader::visit(const QString &partName, Kind kind, const QString &ownerTheme,
                               const QString &drawnPlace)
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
    m_parts.insert(name, {kind, {}, {}});

    QString theme;
    QString base;
    switch (kind) {
    case Kind::SlideMaster:
    case Kind::NotesMaster:
    case Kind::HandoutMaster:
        theme = m_package.target(name, u"theme");
        break;
    case Kind::SlideLayout:
        base = m_package.storedName(m_package.target(name, u"slideMaster"));
        theme = visit(base, Kind::SlideMaster);
        break;
    case Kind::Slide:
        base = m_package.storedName(m_package.target(name, u"slideLayout"));
        theme = visit(base, Kind::SlideLayout);
        break;
    case Kind::NotesSlide:
        base = m_package.storedName(m_package.target(name, u"notesMaster"));
        theme = visit(base, Kind::NotesMaster);
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
    m_parts[name].base = base;
    const QString place = placeFor(kind);

    std::optional<PartScan> partScan = scan(name);
    if (!partScan)
        return theme;

    // Text on a slide or notes page draws what it names, what a shape style gives it and what it
    // inherits; a chart or SmartArt on one draws all it names. A diagram's layout, style and colours
    // parts only describe what its data and drawing show.
    QString drawn = drawnPlace;
    if (kind == Kind::Slide)
        drawn = place;
    else if (kind == Kind::DiagramLayout || kind == Kind::DiagramStyle || kind == Kind::DiagramColors)
        drawn.clear();
    const bool slideText = kind == Kind::Slide || kind == Kind::NotesSlide;
    addUses(*partScan, place, theme, drawn, !slideText);
    if (slideText && !drawn.isEmpty())
        addDrawnText(*partScan, base, kind == Kind::NotesSlide, theme, drawn);
    if (kind == Kind::Chart && !drawn.isEmpty() && !partScan->namesLatinFace)
        addFace(u"+mn-lt"_s, LatinSlot, theme, drawn); // chart text without a face of its own

    switch (kind) {
    case Kind::SlideMaster:
    case Kind::SlideLayout:
    case Kind::NotesMaster: {
        InheritedStyles &styles = m_inherited[name];
        styles.styles = partScan->styles;
        for (TextBody &body : partScan->bodies) {
            if (body.isPlaceholder) {
                body.paragraphs.clear();
                styles.placeholders.append(std::move(body));
            }
        }
        break;
    }
    default:
        break;
    }

    switch (kind) {
    case Kind::SlideMaster:
        visitListed(name, *partScan, u"sldLayoutId", u"slideLayout", Kind::SlideLayout);
        break;
    case Kind::Slide:
        visit(m_package.target(name, u"notesSlide"), Kind::NotesSlide, {},
              u"notes page "_s + QString::number(m_counts[int(Kind::Slide)]));
        break;
    case Kind::Chart:
        visit(m_package.target(name, u"chartUserShapes"), Kind::ChartDrawing, theme, drawn);
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
        visitEmbeddedParts(name, theme, drawn);
        break;
    default:
        break;
    }
    return theme;
}

void OoxmlFontReader::visitEmbeddedParts(const QString &source, const QString &theme,
                                         const QString &drawnPlace)
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
                visit(relationship.target, kind, theme, drawnPlace);
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

void OoxmlFontReader::addUses(const PartScan &partScan, const QString &place, const QString &theme,
                              const QString &drawnPlace, bool styleFontsDraw)
{
    for (const TypefaceRef &ref : partScan.refs) {
        // A shape style's font reference on a slide draws only through the text of that shape.
        const bool draws = !drawnPlace.isEmpty() && (styleFontsDraw || ref.fontRefGroup == ThemeGroup::None);
        ThemeGroup group = ref.fontRefGroup;
        int script = -1; // a font reference stands for all three faces of its group
        if (group == ThemeGroup::None) {
            group = themeTokenGroup(ref.typeface);
            if (group == ThemeGroup::None) {
                addUse(ref.typeface, place);
                if (draws)
                    addUse(ref.typeface, drawnPlace, true);
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
            if (script < 0 || script == slot) {
                addUse(faces[size_t(slot)], themePlace);
                if (draws)
                    addUse(faces[size_t(slot)], drawnPlace, true);
            }
        }
    }
}

// The faces that the runs and bullets of a slide's or notes page's text take from their shape, the
// layout's and master's placeholders, the master's text styles and the presentation's defaults.
void OoxmlFontReader::addDrawnText(const PartScan &partScan, const QString &basePart, bool notes,
                                   const QString &theme, const QString &drawnPlace)
{
    static const InheritedStyles none;
    const auto foundLayout = notes ? m_inherited.cend() : m_inherited.constFind(basePart);
    const InheritedStyles &layout = foundLayout == m_inherited.cend() ? none : *foundLayout;
    const auto foundMaster = m_inherited.constFind(notes ? basePart : m_parts.value(basePart).base);
    const InheritedStyles &master = foundMaster == m_inherited.cend() ? none : *foundMaster;

    // Paragraphs repeat the same few faces: each is resolved and recorded once per part.
    QList<std::pair<QString, int>> faces;
    const auto addDistinct = [&faces](const QString &typeface, int slot) {
        if (!typeface.isEmpty() && !faces.contains(std::pair{typeface, slot}) &&
            faces.size() < MaxRefsPerPart)
            faces.append({typeface, slot});
    };
    for (const TextBody &body : partScan.bodies) {
        if (body.paragraphs.isEmpty())
            continue;
        const TextBody *layoutPlaceholder = nullptr;
        const TextBody *masterPlaceholder = nullptr;
        MasterStyle style = OtherStyle;
        if (body.isPlaceholder) {
            layoutPlaceholder = matchingPlaceholder(layout.placeholders, body);
            masterPlaceholder =
                matchingPlaceholder(master.placeholders, layoutPlaceholder ? *layoutPlaceholder : body);
            const QStringView kind = placeholderKind(layoutPlaceholder ? layoutPlaceholder->placeholderType
                                                                       : body.placeholderType);
            style = notes              ? NotesStyle
                    : kind == u"title" ? TitleStyle
                    : kind == u"body"  ? BodyStyle
                                       : OtherStyle;
        }
        for (const Paragraph &paragraph : body.paragraphs) {
            if (paragraph.runs.isEmpty())
                continue;
            const size_t level = size_t(paragraph.level);
            // From the paragraph outwards; a shape style's font comes right after the shape's own list style.
            const std::array<const LevelStyle *, 6> chain{
                &paragraph.own,
                &body.listStyle[level],
                layoutPlaceholder ? &layoutPlaceholder->listStyle[level] : nullptr,
                masterPlaceholder ? &masterPlaceholder->listStyle[level] : nullptr,
                &master.styles[size_t(style)][level],
                &m_defaultStyle[level],
            };
            const auto inherited = [&](int slot) -> QString {
                for (size_t index = 0; index < chain.size(); ++index) {
                    if (index == 2 && body.styleFont != ThemeGroup::None)
                        return themeToken(body.styleFont, slot);
                    if (chain[index] && !chain[index]->faces[size_t(slot)].isNull())
                        return chain[index]->faces[size_t(slot)];
                }
                return {};
            };
            for (const Faces &run : paragraph.runs) {
                for (int slot = LatinSlot; slot <= SymbolSlot; ++slot) {
                    const QString &own = run[size_t(slot)];
                    addDistinct(!own.isNull() || slot == SymbolSlot ? own : inherited(slot), slot);
                }
            }
            BulletKind bullet = BulletKind::Unset;
            QString bulletFont;
            for (const LevelStyle *step : chain) {
                if (step && bullet == BulletKind::Unset)
                    bullet = step->bullet;
                if (step && bulletFont.isNull())
                    bulletFont = step->bulletFont;
            }
            if (bullet == BulletKind::Shown)
                addDistinct(bulletFont, LatinSlot);
        }
    }
    for (const auto &[typeface, slot] : std::as_const(faces))
        addFace(typeface, slot, theme, drawnPlace);
}

// A face that text draws: a literal name or a theme token resolved against `theme`.
void OoxmlFontReader::addFace(const QString &typeface, int slot, const QString &theme,
                              const QString &drawnPlace)
{
    if (typeface.trimmed().isEmpty())
        return;
    const ThemeGroup group = themeTokenGroup(typeface);
    if (group == ThemeGroup::None) {
        addUse(typeface, drawnPlace, true);
        return;
    }
    const int script = themeTokenScript(typeface);
    if (script < 0 || slot > ComplexScriptSlot)
        return;
    const ThemeFonts &fonts = themeFonts(theme);
    addUse((group == ThemeGroup::Major ? fonts.major : fonts.minor)[size_t(script)], drawnPlace, true);
}

void OoxmlFontReader::addUse(const QString &fontName, const QString &place, bool draws)
{
    if (fontName.trimmed().isEmpty())
        return;
    if ((draws ? m_result.drawnUses : m_result.uses).size() >= m_package.limits().maxUses) {
        if (!m_usesNoted)
            m_package.addNote(
                u"more than %1 font uses; the rest are not listed"_s.arg(m_package.limits().maxUses));
        m_usesNoted = true;
        return;
    }
    QSet<std::pair<QString, QString>> &seen = draws ? m_seenDrawn : m_seen;
    std::pair<QString, QString> key{fontName, place};
    if (seen.contains(key))
        return;
    seen.insert(std::move(key));
    (draws ? m_result.drawnUses : m_result.uses).append({fontName, place});
}

const ThemeFonts &OoxmlFontReader::themeFonts(const QString &themePart)
{
    if (const auto found = m_themes.constFind(themePart); found != m_themes.constEnd())
        return *found; // as most parts name it: no need to look up how the archive spells it
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
    m_themes.insert(themePart, fonts);
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
