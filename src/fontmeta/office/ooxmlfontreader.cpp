#include "ooxmlfontreader.h"

#include <fontmeta/office/embeddedfontlist.h>
#include <platform/fontfile.h>

#include <QSet>

#include <optional>
#include <span>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta::ooxml {

namespace {

const ThemeFonts NoThemeFonts;

// Whether a name is empty or white space only, as trimming would leave it empty, without a trimmed copy.
bool isBlank(const QString &name)
{
    return std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.isSpace(); });
}

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

bool within(char32_t c, std::initializer_list<std::pair<char32_t, char32_t>> ranges)
{
    return std::any_of(ranges.begin(), ranges.end(),
                       [c](const auto &range) { return c >= range.first && c <= range.second; });
}

bool isEastAsian(char32_t c)
{
    return within(c, {{0x1100, 0x11ff},
                      {0x2e80, 0x2fff},
                      {0x3000, 0x9fff},
                      {0xa000, 0xa4cf},
                      {0xa960, 0xa97f},
                      {0xac00, 0xd7ff},
                      {0xf900, 0xfaff},
                      {0xfe30, 0xfe4f},
                      {0xff00, 0xffef},
                      {0x1b000, 0x1b16f},
                      {0x20000, 0x3ffff}});
}

// Hebrew, Arabic, Syriac, Thaana, the Indic scripts, Thai, Lao, Tibetan, Myanmar, Khmer.
bool isComplexScript(char32_t c)
{
    return within(c, {{0x0590, 0x07bf},
                      {0x0860, 0x08ff},
                      {0x0900, 0x109f},
                      {0x1780, 0x17ff},
                      {0x19e0, 0x19ff},
                      {0xa8e0, 0xa8ff},
                      {0xfb1d, 0xfdff},
                      {0xfe70, 0xfeff}});
}

// Decodes UTF-8 text (as the parser hands it on: valid), ASCII into the bits of `ascii`, every other
// character to `other`.
template <typename Other>
void forEachCharacter(const QByteArray &text, std::array<quint64, 2> &ascii, Other other)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.constData());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ascii[lead >> 6] |= quint64(1) << (lead & 63);
            ++i;
            continue;
        }
        const int length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
        char32_t c = length == 4 ? lead & 0x07 : length == 3 ? lead & 0x0f : lead & 0x1f;
        if (length == 1 || i + length > size) {
            ++i; // not UTF-8: nothing is drawn for it
            continue;
        }
        for (int k = 1; k < length; ++k)
            c = (c << 6) | (bytes[i + k] & 0x3f);
        other(c);
        i += length;
    }
}

} // namespace

// The slot whose face draws a character.
int scriptSlot(char32_t c, bool symbolFont)
{
    if (c < 0x0590)
        return LatinSlot;
    if (symbolFont && c >= 0xf000 && c <= 0xf0ff)
        return SymbolSlot;
    if (isEastAsian(c))
        return EastAsianSlot;
    if (isComplexScript(c))
        return ComplexScriptSlot;
    return LatinSlot;
}

// The script of a theme's per-script faces ("Hans", "Arab") for text of `language` ("zh-CN"), or
// without a telling language for text whose characters are like `sample`.
QString scriptTag(QStringView language, char32_t sample)
{
    static const std::pair<QStringView, QStringView> byLanguage[] = {
        {u"zh-cn", u"Hans"}, {u"zh-sg", u"Hans"}, {u"zh-tw", u"Hant"}, {u"zh-hk", u"Hant"},
        {u"zh-mo", u"Hant"}, {u"zh", u"Hans"},    {u"ja", u"Jpan"},    {u"ko", u"Hang"},
        {u"ar", u"Arab"},    {u"fa", u"Arab"},    {u"ur", u"Arab"},    {u"ps", u"Arab"},
        {u"ug", u"Uigh"},    {u"he", u"Hebr"},    {u"yi", u"Hebr"},    {u"syr", u"Syrc"},
        {u"dv", u"Thaa"},    {u"hi", u"Deva"},    {u"mr", u"Deva"},    {u"ne", u"Deva"},
        {u"sa", u"Deva"},    {u"bn", u"Beng"},    {u"as", u"Beng"},    {u"gu", u"Gujr"},
        {u"pa", u"Guru"},    {u"ta", u"Taml"},    {u"te", u"Telu"},    {u"kn", u"Knda"},
        {u"ml", u"Mlym"},    {u"or", u"Orya"},    {u"si", u"Sinh"},    {u"th", u"Thai"},
        {u"lo", u"Laoo"},    {u"bo", u"Tibt"},    {u"my", u"Mymr"},    {u"km", u"Khmr"},
    };
    const QString lower = language.toString().toLower();
    for (const auto &[prefix, tag] : byLanguage) {
        if (lower == prefix || (lower.startsWith(prefix) && lower.size() > prefix.size() &&
                                lower[prefix.size()] == u'-' && !prefix.contains(u'-')))
            return tag.toString();
    }
    static const std::pair<std::pair<char32_t, char32_t>, QStringView> byCharacter[] = {
        {{0x3040, 0x30ff}, u"Jpan"}, {{0x1100, 0x11ff}, u"Hang"}, {{0x3130, 0x318f}, u"Hang"},
        {{0xac00, 0xd7af}, u"Hang"}, {{0x0590, 0x05ff}, u"Hebr"}, {{0xfb1d, 0xfb4f}, u"Hebr"},
        {{0x0600, 0x06ff}, u"Arab"}, {{0x0750, 0x077f}, u"Arab"}, {{0x08a0, 0x08ff}, u"Arab"},
        {{0xfb50, 0xfdff}, u"Arab"}, {{0xfe70, 0xfeff}, u"Arab"}, {{0x0700, 0x074f}, u"Syrc"},
        {{0x0780, 0x07bf}, u"Thaa"}, {{0x0900, 0x097f}, u"Deva"}, {{0x0980, 0x09ff}, u"Beng"},
        {{0x0a00, 0x0a7f}, u"Guru"}, {{0x0a80, 0x0aff}, u"Gujr"}, {{0x0b00, 0x0b7f}, u"Orya"},
        {{0x0b80, 0x0bff}, u"Taml"}, {{0x0c00, 0x0c7f}, u"Telu"}, {{0x0c80, 0x0cff}, u"Knda"},
        {{0x0d00, 0x0d7f}, u"Mlym"}, {{0x0d80, 0x0dff}, u"Sinh"}, {{0x0e00, 0x0e7f}, u"Thai"},
        {{0x0e80, 0x0eff}, u"Laoo"}, {{0x0f00, 0x0fff}, u"Tibt"}, {{0x1000, 0x109f}, u"Mymr"},
        {{0x1780, 0x17ff}, u"Khmr"}, {{0x19e0, 0x19ff}, u"Khmr"},
    };
    for (const auto &[range, tag] : byCharacter) {
        if (sample >= range.first && sample <= range.second)
            return tag.toString();
    }
    return isEastAsian(sample) ? u"Hans"_s : QString();
}

namespace {

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
    const std::optional<QByteArray> bytes = m_package.readPart(presentation);
    // A part read whole without an embedded font list has none to read again.
    if (bytes && (presentationScan->hasEmbeddedFontList || !presentationScan->error.isEmpty())) {
        // A face is carried only when its relationship leads to a part the package holds.
        QHash<QString, QString> heldParts; // by relationship id
        for (const Relationship &relationship : m_package.relationships(presentation)) {
            if (!relationship.target.isEmpty() && !m_package.storedName(relationship.target).isEmpty() &&
                !heldParts.contains(relationship.id))
                heldParts.insert(relationship.id, relationship.target);
        }
        QList<QStringList> faceIds;
        m_result.embedded = readEmbeddedFontList(
            *bytes, [&heldParts](QStringView id) { return heldParts.contains(id.toString()); }, &faceIds);
        for (const QStringList &ids : std::as_const(faceIds)) {
            QStringList parts;
            for (const QString &id : ids)
                parts.append(heldParts.value(id));
            m_embeddedFaceParts.append(parts);
        }
    }
    m_result.drawnFonts = DrawnFonts::WithPlaces;
    m_defaultStyle = presentationScan->styles[DefaultTextStyle];
    // Table cells on any slide take their faces from the table styles: those are read first.
    const QString tableStyles = m_package.target(presentation, u"tableStyles"_s);
    m_tableStylesScan = scan(tableStyles);
    if (m_tableStylesScan) {
        for (const TableStyle &style : std::as_const(m_tableStylesScan->tableStyles))
            m_tableStyles.insert(style.id, style);
    }

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
    visit(tableStyles, Kind::TableStyles, theme);

    for (qsizetype index = 0; index < m_result.drawnUses.size(); ++index)
        m_result.drawnUses[index].characters = m_drawnCharacters[index].toString();
    checkEmbeddedFaces();
    m_result.notes = m_package.takeNotes();
    return m_result;
}

// The characters drawn in each embedded font, looked up in the faces the package carries of it: what
// none of them maps travels without a glyph.
void OoxmlFontReader::checkEmbeddedFaces()
{
    for (qsizetype index = 0; index < m_embeddedFaceParts.size(); ++index) {
        EmbeddedFont &font = m_result.embedded[index];
        QSet<char32_t> distinct;
        for (const FontUse &use : std::as_const(m_result.drawnUses)) {
            if (use.fontName.trimmed().compare(font.fontName, Qt::CaseInsensitive) == 0) {
                for (const char32_t c : use.characters.toUcs4())
                    distinct.insert(c);
            }
        }
        if (distinct.isEmpty())
            continue;
        QList<char32_t> drawn(distinct.cbegin(), distinct.cend());
        std::sort(drawn.begin(), drawn.end());
        std::optional<QList<char32_t>> lacking;
        for (const QString &part : std::as_const(m_embeddedFaceParts[index])) {
            const std::optional<QByteArray> bytes = m_package.readPart(part);
            const std::optional<QByteArray> fontData = bytes ? fontInEmbeddedPart(*bytes) : std::nullopt;
            if (!fontData)
                continue;
            if (const auto notInFace = charactersNotInFontData(*fontData, lacking ? *lacking : drawn))
                lacking = notInFace;
        }
        if (lacking)
            font.lacking = QString::fromUcs4(lacking->constData(), lacking->size());
    }
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

    std::optional<PartScan> partScan = kind == Kind::TableStyles && m_tableStylesScan
                                           ? std::exchange(m_tableStylesScan, std::nullopt)
                                           : scan(name);
    if (!partScan)
        return theme;

    // Text on a slide or notes page draws where its characters are: its own, and that of the text boxes
    // of its layout and master; a chart or SmartArt on one draws the text it holds. A diagram's layout,
    // style and colours parts only describe what its data and drawing show.
    QString drawn = drawnPlace;
    if (kind == Kind::Slide)
        drawn = place;
    addUses(*partScan, place, theme);
    static const InheritedStyles none;
    const auto inheritedFrom = [this](const QString &part) {
        const auto found = m_inherited.constFind(part);
        return found == m_inherited.cend() ? nullptr : &*found;
    };
    switch (kind) {
    case Kind::Slide:
    case Kind::NotesSlide: {
        if (drawn.isEmpty())
            break;
        const bool notes = kind == Kind::NotesSlide;
        const InheritedStyles *layout = notes ? nullptr : inheritedFrom(base);
        const InheritedStyles *master = inheritedFrom(notes ? base : m_parts.value(base).base);
        DrawnText text;
        drawText(partScan->bodies, partScan->runs, layout, master, notes, theme, text);
        if (partScan->showsMasterShapes) {
            for (const InheritedStyles *behind :
                 {layout, (!layout || layout->showsMasterShapes) ? master : nullptr}) {
                if (!behind)
                    continue;
                for (auto font = behind->background.cbegin(); font != behind->background.cend(); ++font)
                    text[font.key()].unite(font.value());
            }
        }
        addDrawn(text, drawn);
        break;
    }
    case Kind::Chart:
    case Kind::ChartDrawing:
    case Kind::DiagramData:
    case Kind::DiagramDrawing:
        if (!drawn.isEmpty()) {
            DrawnText text;
            drawLooseText(*partScan, theme, text);
            addDrawn(text, drawn);
        }
        break;
    case Kind::SlideMaster:
    case Kind::SlideLayout:
    case Kind::NotesMaster: {
        // Placeholders give their styles to the slides' text; other text boxes draw behind the slides.
        InheritedStyles styles;
        styles.styles = partScan->styles;
        styles.showsMasterShapes = partScan->showsMasterShapes;
        QList<TextBody> boxes;
        for (TextBody &body : partScan->bodies) {
            if (body.isPlaceholder) {
                body.paragraphs.clear();
                styles.placeholders.append(std::move(body));
            } else if (!body.paragraphs.isEmpty()) {
                boxes.append(std::move(body));
            }
        }
        const InheritedStyles *master = kind == Kind::SlideLayout ? inheritedFrom(base) : &styles;
        drawText(boxes, partScan->runs, nullptr, master ? master : &none, kind == Kind::NotesMaster, theme,
                 styles.background);
        m_inherited.insert(name, std::move(styles));
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

void OoxmlFontReader::addUses(const PartScan &partScan, const QString &place, const QString &theme)
{
    std::array<QString, 2> themePlaces; // "slide 3 (theme major font)", "... minor font)", made once
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
        QString &themePlace = themePlaces[group == ThemeGroup::Major ? 0 : 1];
        if (themePlace.isNull())
            themePlace =
                place + (group == ThemeGroup::Major ? u" (theme major font)"_s : u" (theme minor font)"_s);
        for (int slot = 0; slot < 3; ++slot) {
            if (script < 0 || script == slot)
                addUse(faces[size_t(slot)], themePlace);
        }
    }
}

// What the runs and bullets of text draw: each character in the face of its script's slot, each slot
// taken from the run, else the paragraph, the shape's list style, the table style, the layout's and
// master's placeholders, the master's text styles and the presentation's defaults.
void OoxmlFontReader::drawText(const QList<TextBody> &bodies, const QList<Run> &runs,
                               const InheritedStyles *layout, const InheritedStyles *master, bool notes,
                               const QString &theme, DrawnText &drawn)
{
    static const InheritedStyles none;
    const InheritedStyles &masterStyles = master ? *master : none;
    std::array<CharacterSet, SymbolSlot + 1> bySlot;
    for (const TextBody &body : bodies) {
        if (body.paragraphs.isEmpty())
            continue;
        const TextBody *layoutPlaceholder = nullptr;
        const TextBody *masterPlaceholder = nullptr;
        MasterStyle style = OtherStyle;
        if (body.isPlaceholder) {
            layoutPlaceholder = layout ? matchingPlaceholder(layout->placeholders, body) : nullptr;
            masterPlaceholder =
                matchingPlaceholder(masterStyles.placeholders, layoutPlaceholder ? *layoutPlaceholder : body);
            const QStringView kind = placeholderKind(layoutPlaceholder ? layoutPlaceholder->placeholderType
                                                                       : body.placeholderType);
            style = notes              ? NotesStyle
                    : kind == u"title" ? TitleStyle
                    : kind == u"body"  ? BodyStyle
                                       : OtherStyle;
        }
        const auto tableStyle =
            body.inTable ? m_tableStyles.constFind(body.tableStyleId) : m_tableStyles.constEnd();
        for (const Paragraph &paragraph : body.paragraphs) {
            if (paragraph.runCount == 0)
                continue;
            const size_t level = size_t(paragraph.level);
            // From the paragraph outwards; a shape style's or table style's font comes right after the
            // shape's own list style.
            const std::array<const LevelStyle *, 6> chain{
                &paragraph.own,
                &body.listStyle[level],
                layoutPlaceholder ? &layoutPlaceholder->listStyle[level] : nullptr,
                masterPlaceholder ? &masterPlaceholder->listStyle[level] : nullptr,
                &masterStyles.styles[size_t(style)][level],
                &m_defaultStyle[level],
            };
            const auto inherited = [&](int slot) -> QString {
                for (size_t index = 0; index < chain.size(); ++index) {
                    if (index == 2 && body.styleFont != ThemeGroup::None && slot != SymbolSlot)
                        return themeToken(body.styleFont, slot);
                    if (index == 2 && tableStyle != m_tableStyles.constEnd()) {
                        for (int region = 0; region < TableRegionCount; ++region) {
                            const QString &face = tableStyle->regions[size_t(region)][size_t(slot)];
                            if ((body.tableRegions & (1u << region)) && !face.isNull())
                                return face;
                        }
                    }
                    if (chain[index] && !chain[index]->faces[size_t(slot)].isNull())
                        return chain[index]->faces[size_t(slot)];
                }
                return {};
            };
            for (const Run &run :
                 std::span(runs.constData() + paragraph.firstRun, size_t(paragraph.runCount))) {
                const auto face = [&](int slot) {
                    const QString &own = run.faces[size_t(slot)];
                    return own.isNull() ? inherited(slot) : own;
                };
                // Whether a symbol face is set matters only for the characters it could draw.
                std::optional<bool> symbolFont;
                std::array<char32_t, SymbolSlot + 1> samples{};
                const auto draw = [&](char32_t c) {
                    if (c >= 0xf000 && c <= 0xf0ff && !symbolFont)
                        symbolFont = !face(SymbolSlot).trimmed().isEmpty();
                    const int slot = scriptSlot(c, symbolFont.value_or(false));
                    bySlot[size_t(slot)].insert(c);
                    if (!samples[size_t(slot)])
                        samples[size_t(slot)] = c;
                };
                // Most text is ASCII: its characters are gathered as bits and drawn once.
                std::array<quint64, 2> ascii = run.ascii;
                forEachCharacter(run.otherText, ascii, draw);
                if (ascii[0] || ascii[1]) {
                    bySlot[LatinSlot].insertAscii(ascii);
                    if (!samples[LatinSlot])
                        samples[LatinSlot] = u'a';
                }
                for (int slot = LatinSlot; slot <= SymbolSlot; ++slot) {
                    if (!samples[size_t(slot)])
                        continue;
                    const QString name =
                        resolveFace(face(slot), slot, theme, run.language, samples[size_t(slot)]);
                    if (!name.isEmpty())
                        drawn[name].unite(bySlot[size_t(slot)]);
                    bySlot[size_t(slot)].clear();
                }
            }
            BulletKind bullet = BulletKind::Unset;
            QString bulletFont;
            QString bulletCharacter;
            for (const LevelStyle *step : chain) {
                if (step && bullet == BulletKind::Unset) {
                    bullet = step->bullet;
                    bulletCharacter = step->bulletCharacter;
                }
                if (step && bulletFont.isNull())
                    bulletFont = step->bulletFont;
            }
            if (bullet == BulletKind::Shown && !bulletFont.isEmpty()) {
                const QString name = resolveFace(bulletFont, LatinSlot, theme, {}, 0);
                if (!name.isEmpty())
                    drawn[name].insert(bulletCharacter);
            }
        }
    }
}

// Chart and SmartArt text: each face the part names draws the part's characters of its script.
void OoxmlFontReader::drawLooseText(const PartScan &partScan, const QString &theme, DrawnText &drawn)
{
    std::array<CharacterSet, ComplexScriptSlot + 1> bySlot;
    std::array<char32_t, ComplexScriptSlot + 1> samples{};
    for (const char32_t c : QStringView(partScan.looseText).toUcs4()) {
        const int slot = scriptSlot(c, false);
        bySlot[size_t(slot)].insert(c);
        if (!samples[size_t(slot)])
            samples[size_t(slot)] = c;
    }
    std::array<bool, ComplexScriptSlot + 1> named{};
    const auto draw = [&](const QString &typeface, int slot) {
        named[size_t(slot)] = true;
        if (!samples[size_t(slot)])
            return;
        const QString name = resolveFace(typeface, slot, theme, {}, samples[size_t(slot)]);
        if (!name.isEmpty())
            drawn[name].unite(bySlot[size_t(slot)]);
    };
    for (const TypefaceRef &ref : partScan.refs) {
        if (ref.fontRefGroup != ThemeGroup::None) {
            for (int slot = LatinSlot; slot <= ComplexScriptSlot; ++slot)
                draw(themeToken(ref.fontRefGroup, slot), slot);
        } else if (ref.slot != SymbolSlot) {
            const int tokenScript = themeTokenScript(ref.typeface);
            draw(ref.typeface, isThemeToken(ref.typeface) ? tokenScript : std::max<int>(ref.slot, LatinSlot));
        }
    }
    for (int slot = LatinSlot; slot <= ComplexScriptSlot; ++slot) {
        if (!named[size_t(slot)])
            draw(themeToken(ThemeGroup::Minor, slot), slot); // text without a face of its own
    }
}

// A face as text draws it: a literal name, or a theme token resolved against `theme`, an empty East
// Asian or complex-script slot falling back to the theme's face for the script of the text's language
// (or, without one, of its characters).
QString OoxmlFontReader::resolveFace(const QString &typeface, int slot, const QString &theme,
                                     const QString &language, char32_t sample)
{
    if (isBlank(typeface))
        return {};
    const ThemeGroup group = themeTokenGroup(typeface);
    if (group == ThemeGroup::None)
        return typeface;
    const int script = themeTokenScript(typeface);
    if (script < 0 || slot > ComplexScriptSlot)
        return {};
    const ThemeFonts &fonts = themeFonts(theme);
    QString face = (group == ThemeGroup::Major ? fonts.major : fonts.minor)[size_t(script)];
    if (isBlank(face) && script != LatinSlot) {
        const QString tag = scriptTag(language, sample);
        for (const auto &[scriptName, scriptFace] :
             group == ThemeGroup::Major ? fonts.majorScripts : fonts.minorScripts) {
            if (scriptName == tag) {
                face = scriptFace;
                addUse(face, group == ThemeGroup::Major ? u"theme major font"_s : u"theme minor font"_s);
                break;
            }
        }
    }
    return isBlank(face) ? QString() : face;
}

void OoxmlFontReader::addDrawn(const DrawnText &drawn, const QString &place)
{
    for (auto font = drawn.cbegin(); font != drawn.cend(); ++font)
        addUse(font.key(), place, true, &font.value());
}

void OoxmlFontReader::addUse(const QString &fontName, const QString &place, bool draws,
                             const CharacterSet *characters)
{
    if (isBlank(fontName))
        return;
    std::pair<QString, QString> key{fontName, place};
    if (characters && characters->otherCount() > 0) {
        if (m_characterBudget < characters->otherCount()) {
            if (!m_charactersNoted)
                m_package.addNote(
                    u"more than %1 drawn characters; the rest are not told"_s.arg(MaxKeptCharacters));
            m_charactersNoted = true;
            characters = nullptr;
        } else {
            m_characterBudget -= characters->otherCount();
        }
    }
    if (draws) {
        if (const auto found = m_drawnIndex.constFind(key); found != m_drawnIndex.cend()) {
            if (characters)
                m_drawnCharacters[*found].unite(*characters);
            return;
        }
    } else {
        // Looked up once: entered at once, and taken out again below when there is no room for it.
        const qsizetype known = m_seen.size();
        m_seen.insert(key);
        if (m_seen.size() == known)
            return;
    }
    if ((draws ? m_result.drawnUses : m_result.uses).size() >= m_package.limits().maxUses) {
        if (!m_usesNoted)
            m_package.addNote(
                u"more than %1 font uses; the rest are not listed"_s.arg(m_package.limits().maxUses));
        m_usesNoted = true;
        if (!draws)
            m_seen.remove(key);
        return;
    }
    if (draws) {
        m_drawnIndex.insert(key, m_result.drawnUses.size());
        m_drawnCharacters.append(characters ? *characters : CharacterSet());
        m_result.drawnUses.append({fontName, place});
    } else {
        m_result.uses.append({fontName, place});
    }
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
