#include "ooxmlparts.h"

#include <QSet>
#include <QStringList>
#include <QUrl>
#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <optional>
#include <pugixml.hpp>
#include <string_view>
#include <unordered_map>
#include <vector>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta::ooxml {

namespace {

enum class Ns : quint8
{
    Other,
    DrawingMl,
    PresentationMl,
    Relationships, // the officeDocument relationships namespace of r:id attributes
    PackageRelationships,
    Chart,
};

Ns namespaceOf(std::string_view uri)
{
    if (uri == "http://schemas.openxmlformats.org/drawingml/2006/main" ||
        uri == "http://purl.oclc.org/ooxml/drawingml/main")
        return Ns::DrawingMl;
    if (uri == "http://schemas.openxmlformats.org/presentationml/2006/main" ||
        uri == "http://purl.oclc.org/ooxml/presentationml/main")
        return Ns::PresentationMl;
    if (uri == "http://schemas.openxmlformats.org/officeDocument/2006/relationships" ||
        uri == "http://purl.oclc.org/ooxml/officeDocument/relationships")
        return Ns::Relationships;
    if (uri == "http://schemas.openxmlformats.org/package/2006/relationships")
        return Ns::PackageRelationships;
    if (uri == "http://schemas.openxmlformats.org/drawingml/2006/chart" ||
        uri == "http://purl.oclc.org/ooxml/drawingml/chart")
        return Ns::Chart;
    return Ns::Other;
}

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The same few typefaces recur thousands of times in a part: each is decoded once and then shared.
class Names
{
public:
    const QString &get(std::string_view text)
    {
        auto found = m_names.find(text);
        if (found == m_names.end())
            found = m_names.emplace(text, toQString(text)).first;
        return found->second;
    }

private:
    std::unordered_map<std::string_view, QString> m_names; // views into the parsed document
};

// An element's attributes as written: (qualified name, value), read once from the tree.
using Attributes = std::vector<std::pair<std::string_view, std::string_view>>;

// Namespace prefixes in scope while walking a tree: pugixml keeps names as written.
class Namespaces
{
public:
    void enter(const Attributes &attributes, int depth)
    {
        for (const auto &[name, value] : attributes) {
            if (name.substr(0, 5) != "xmlns")
                continue;
            if (name.size() == 5)
                m_bindings.push_back({{}, namespaceOf(value), depth});
            else if (name[5] == ':')
                m_bindings.push_back({name.substr(6), namespaceOf(value), depth});
        }
    }
    void leave(int depth)
    {
        while (!m_bindings.empty() && m_bindings.back().depth >= depth)
            m_bindings.pop_back();
    }
    Ns lookup(std::string_view prefix) const
    {
        for (auto binding = m_bindings.rbegin(); binding != m_bindings.rend(); ++binding) {
            if (binding->prefix == prefix)
                return binding->ns;
        }
        return Ns::Other;
    }

private:
    struct Binding
    {
        std::string_view prefix;
        Ns ns;
        int depth;
    };
    std::vector<Binding> m_bindings;
};

// An element as the parsers see it: its namespace, its local name and its attributes.
class Element
{
public:
    // An end of element: the parsers need only its depth, so the name is not looked at.
    struct Closing
    {};
    Element(const Attributes &attributes, const Namespaces &namespaces, Closing)
        : m_attributes(attributes)
        , m_namespaces(namespaces)
    {}
    Element(std::string_view qualified, const Attributes &attributes, const Namespaces &namespaces,
            pugi::xml_node node)
        : m_attributes(attributes)
        , m_namespaces(namespaces)
        , m_node(node)
    {
        const size_t colon = qualified.find(':');
        m_name = colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
        m_ns = namespaces.lookup(colon == std::string_view::npos ? std::string_view()
                                                                 : qualified.substr(0, colon));
    }

    Ns ns() const { return m_ns; }
    std::string_view name() const { return m_name; }
    // An attribute without a prefix; null when absent.
    std::optional<std::string_view> attribute(std::string_view name) const
    {
        for (const auto &[attributeName, value] : m_attributes) {
            if (attributeName == name)
                return value;
        }
        return std::nullopt;
    }
    std::string_view value(std::string_view name) const
    {
        return attribute(name).value_or(std::string_view());
    }
    // The element's first run of character data ("" when it has none).
    std::string_view text() const { return m_node.child_value(); }
    // The r:id attribute, whatever its prefix.
    std::string_view relationshipId() const
    {
        for (const auto &[name, value] : m_attributes) {
            const size_t colon = name.find(':');
            if (colon != std::string_view::npos && name.substr(colon + 1) == "id" &&
                name.substr(0, colon) != "xmlns" &&
                m_namespaces.lookup(name.substr(0, colon)) == Ns::Relationships)
                return value;
        }
        return {};
    }

private:
    const Attributes &m_attributes;
    const Namespaces &m_namespaces;
    pugi::xml_node m_node;
    std::string_view m_name;
    Ns m_ns = Ns::Other;
};

// A shared loop for all parsers: refuses document type declarations (no OOXML part has one, and
// entity definitions are how small parts grow huge), text that is not UTF-8, and elements nested past
// MaxElementDepth. `visit` sees start (true) and end (false) elements with the depth of the element.
// What a damaged part held before the damage is still visited.
template <typename Visit>
QString walk(const QByteArray &bytes, Visit visit)
{
    const bool utf16 = bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff");
    if (!utf16 && !QByteArrayView(bytes).isValidUtf8())
        return u"not well-formed XML: the text is not UTF-8"_s;
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(bytes.constData(), size_t(bytes.size()),
                             pugi::parse_escapes | pugi::parse_doctype | pugi::parse_wconv_attribute,
                             utf16 ? pugi::encoding_auto : pugi::encoding_utf8);
    Namespaces namespaces;
    Attributes attributes;
    const Attributes noAttributes;
    int depth = 0;
    pugi::xml_node node = document.first_child();
    while (node) {
        if (node.type() == pugi::node_doctype)
            return u"document type declarations are not allowed"_s;
        if (node.type() == pugi::node_element) {
            if (++depth > MaxElementDepth)
                return u"elements nested too deeply"_s;
            attributes.clear();
            for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
                 attribute = attribute.next_attribute())
                attributes.emplace_back(attribute.name(), attribute.value());
            namespaces.enter(attributes, depth);
            visit(Element(node.name(), attributes, namespaces, node), depth, true);
            if (const pugi::xml_node child = node.first_child()) {
                node = child;
                continue;
            }
            visit(Element(noAttributes, namespaces, Element::Closing()), depth, false);
            namespaces.leave(depth);
            --depth;
        }
        for (;;) {
            if (const pugi::xml_node sibling = node.next_sibling()) {
                node = sibling;
                break;
            }
            node = node.parent();
            if (!node || node.type() != pugi::node_element) {
                node = {};
                break;
            }
            visit(Element(noAttributes, namespaces, Element::Closing()), depth, false);
            namespaces.leave(depth);
            --depth;
        }
    }
    if (!parsed)
        return u"not well-formed XML at byte %1: %2"_s.arg(parsed.offset)
            .arg(QString::fromUtf8(parsed.description()));
    if (!document.document_element())
        return u"not well-formed XML: no root element"_s;
    return {};
}

// Element names are compared thousands of times a part: against a literal, as a few integer compares.
template <size_t N>
bool is(std::string_view text, const char (&literal)[N])
{
    return text.size() == N - 1 && std::memcmp(text.data(), literal, N - 1) == 0;
}

bool isTypefaceElement(std::string_view name)
{
    return is(name, "latin") || is(name, "ea") || is(name, "cs") || is(name, "sym") || is(name, "buFont");
}

int faceSlot(std::string_view name)
{
    return is(name, "latin") ? LatinSlot
           : is(name, "ea")  ? EastAsianSlot
           : is(name, "cs")  ? ComplexScriptSlot
           : is(name, "sym") ? SymbolSlot
                             : -1;
}

bool isPartListElement(std::string_view name)
{
    return is(name, "sldMasterId") || is(name, "sldId") || is(name, "notesMasterId") ||
           is(name, "handoutMasterId") || is(name, "sldLayoutId");
}

bool isBlank(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// "lvl1pPr" .. "lvl9pPr" -> 0 .. 8, else -1.
int listLevel(std::string_view name)
{
    if (name.size() == 7 && name.substr(0, 3) == "lvl" && name.substr(4) == "pPr" && name[3] >= '1' &&
        name[3] <= '9')
        return name[3] - '1';
    return -1;
}

bool isTrue(std::string_view value)
{
    return value == "1" || value == "true";
}

int tableRegion(std::string_view name)
{
    return is(name, "wholeTbl")   ? WholeTableRegion
           : is(name, "firstRow") ? FirstRowRegion
           : is(name, "lastRow")  ? LastRowRegion
           : is(name, "firstCol") ? FirstColumnRegion
           : is(name, "lastCol")  ? LastColumnRegion
                                  : -1;
}

// Text kept from one run; a run of megabytes is no real text and draws no more distinct characters.
constexpr qsizetype MaxRunText = qsizetype(1) << 20;

int masterStyle(std::string_view name)
{
    return is(name, "titleStyle")         ? TitleStyle
           : is(name, "bodyStyle")        ? BodyStyle
           : is(name, "otherStyle")       ? OtherStyle
           : is(name, "notesStyle")       ? NotesStyle
           : is(name, "defaultTextStyle") ? DefaultTextStyle
                                          : -1;
}

// Follows the text of a part: shapes and table cells, their paragraphs and runs, and the list styles
// at every level (shape, master, presentation) that text inherits from.
// Distinct run properties kept per paragraph; a paragraph of thousands of differently set runs is no
// real text, and comparing each with the ones before would take quadratic time.
constexpr qsizetype MaxDistinctRuns = 64;

class TextScanner
{
public:
    TextScanner(PartScan &scan, Names &names)
        : m_scan(scan)
        , m_names(names)
    {}

    bool full() const { return m_full; }

    void start(const Element &element, int depth)
    {
        const Ns ns = element.ns();
        const std::string_view name = element.name();
        if (ns == Ns::PresentationMl) {
            if (is(name, "sp")) {
                openBody(depth, false);
            } else if (is(name, "ph") && m_body >= 0 && !m_inTableBody) {
                TextBody &body = m_scan.bodies[m_body];
                body.isPlaceholder = true;
                body.placeholderType = toQString(element.value("type"));
                body.placeholderIndex = toQString(element.value("idx"));
            } else if (is(name, "style") && m_body >= 0 && !m_inTableBody) {
                m_styleDepth = depth;
            } else if (const int style = masterStyle(name); style >= 0) {
                m_listStyle = &m_scan.styles[size_t(style)];
                m_listDepth = depth;
            }
            return;
        }
        if (ns != Ns::DrawingMl)
            return;
        if (m_tableStyle) {
            startTableStyle(element, depth);
            return;
        }
        if (is(name, "tblStyle")) {
            if (!count())
                return;
            m_scan.tableStyles.append({toQString(element.value("styleId")), {}});
            m_tableStyle = &m_scan.tableStyles.last();
            m_tableStyleDepth = depth;
            return;
        }
        if (m_tableDepth && !m_inTableBody) {
            if (is(name, "tblPr")) {
                for (const auto &[attribute, region] :
                     {std::pair{"firstRow", FirstRowRegion}, std::pair{"lastRow", LastRowRegion},
                      std::pair{"firstCol", FirstColumnRegion}, std::pair{"lastCol", LastColumnRegion}}) {
                    if (isTrue(element.value(attribute)))
                        m_tableFlags |= quint8(1u << region);
                }
            } else if (is(name, "tableStyleId")) {
                m_tableStyleId = toQString(element.text()).trimmed();
            } else if (is(name, "tr")) {
                ++m_row;
                m_column = -1;
            } else if (is(name, "tc")) {
                ++m_column;
            }
        }
        if (is(name, "fontRef") && m_styleDepth) {
            const std::string_view index = element.value("idx");
            m_scan.bodies[m_body].styleFont = index == "major"   ? ThemeGroup::Major
                                              : index == "minor" ? ThemeGroup::Minor
                                                                 : ThemeGroup::None;
        } else if (is(name, "txBody") && m_tableDepth) {
            if (openBody(depth, true))
                m_cells.append({int(m_scan.bodies.size() - 1), m_row, m_column});
        } else if (is(name, "tbl")) {
            if (!m_tableDepth) {
                m_tableDepth = depth;
                m_tableFlags = 0;
                m_tableStyleId.clear();
                m_row = -1;
                m_column = -1;
                m_cells.clear();
            }
        } else if (is(name, "lstStyle") && m_body >= 0) {
            m_listStyle = &m_scan.bodies[m_body].listStyle;
            m_listDepth = depth;
        } else if (const int level = listLevel(name); level >= 0 && m_listStyle && !m_level) {
            m_level = &(*m_listStyle)[size_t(level)];
            m_levelDepth = depth;
        } else if (is(name, "p") && m_body >= 0 && !m_paragraphDepth) {
            if (!count())
                return;
            m_scan.bodies[m_body].paragraphs.append(Paragraph());
            m_paragraphDepth = depth;
        } else if (is(name, "pPr") && m_paragraphDepth && !m_level) {
            Paragraph &paragraph = m_scan.bodies[m_body].paragraphs.last();
            const std::string_view number = element.value("lvl");
            paragraph.level =
                number.size() == 1 && number[0] >= '0' && number[0] < '0' + ListLevels ? number[0] - '0' : 0;
            m_level = &paragraph.own;
            m_levelDepth = depth;
        } else if ((is(name, "r") || is(name, "fld")) && m_paragraphDepth && !m_runDepth) {
            m_run = {};
            m_runDepth = depth;
        } else if (is(name, "rPr") && m_runDepth) {
            m_faces = &m_run.faces;
            m_facesDepth = depth;
            const std::string_view language = element.value("lang");
            m_run.language = m_names.get(language.empty() ? element.value("altLang") : language);
        } else if (is(name, "t") && m_runDepth) {
            if (const std::string_view text = element.text(); m_run.text.size() < MaxRunText)
                m_run.text.append(text.data(), qsizetype(text.size()));
        } else if (is(name, "defRPr") && m_level) {
            m_faces = &m_level->faces;
            m_facesDepth = depth;
        } else if (m_level && !m_facesDepth) {
            if (is(name, "buFont")) {
                m_level->bulletFont = m_names.get(element.value("typeface"));
                if (m_level->bulletFont.isNull())
                    m_level->bulletFont = u""_s;
            } else if (is(name, "buFontTx")) {
                m_level->bulletFont = u""_s;
            } else if (is(name, "buNone")) {
                m_level->bullet = BulletKind::None;
            } else if (is(name, "buChar") || is(name, "buAutoNum") || is(name, "buBlip")) {
                m_level->bullet = BulletKind::Shown;
                if (is(name, "buChar"))
                    m_level->bulletCharacter = toQString(element.value("char"));
            }
        } else if (m_faces) {
            if (const int slot = faceSlot(name); slot >= 0) {
                const std::string_view typeface = element.value("typeface");
                (*m_faces)[size_t(slot)] = isBlank(typeface) ? u""_s : m_names.get(typeface);
            }
        }
    }

    void end(int depth)
    {
        if (depth == m_facesDepth) {
            m_faces = nullptr;
            m_facesDepth = 0;
        } else if (depth == m_runDepth) {
            // A run without text draws nothing; runs of the same properties draw their text alike.
            Paragraph &paragraph = m_scan.bodies[m_body].paragraphs.last();
            if (!isBlank(std::string_view(m_run.text.constData(), size_t(m_run.text.size())))) {
                const QList<Run> &runs = std::as_const(paragraph.runs);
                const auto same = std::find_if(runs.cbegin(), runs.cend(),
                                               [this](const Run &run) { return run.sameProperties(m_run); });
                if (same != runs.cend()) {
                    QByteArray &text = paragraph.runs[same - runs.cbegin()].text;
                    if (text.size() < MaxRunText)
                        text += m_run.text;
                } else if (runs.size() < MaxDistinctRuns && count()) {
                    paragraph.runs.append(std::move(m_run));
                }
            }
            m_run = {};
            m_runDepth = 0;
        } else if (depth == m_levelDepth) {
            m_level = nullptr;
            m_levelDepth = 0;
        } else if (depth == m_listDepth) {
            m_listStyle = nullptr;
            m_listDepth = 0;
        } else if (depth == m_paragraphDepth) {
            m_paragraphDepth = 0;
        } else if (depth == m_styleDepth) {
            m_styleDepth = 0;
        } else if (depth == m_bodyDepth) {
            m_body = m_outerBody;
            m_bodyDepth = m_outerBodyDepth;
            m_inTableBody = false;
            m_outerBody = -1;
            m_outerBodyDepth = 0;
        } else if (depth == m_tableDepth) {
            endTable();
        } else if (depth == m_regionDepth) {
            m_region = -1;
            m_regionDepth = 0;
        } else if (depth == m_tableStyleDepth) {
            m_tableStyle = nullptr;
            m_tableStyleDepth = 0;
        }
    }

private:
    // Inside a table style: the regions and the faces of their cell text.
    void startTableStyle(const Element &element, int depth)
    {
        const std::string_view name = element.name();
        if (const int region = tableRegion(name); region >= 0 && m_region < 0) {
            m_region = region;
            m_regionDepth = depth;
        } else if (is(name, "tcTxStyle") && m_region >= 0 && !m_facesDepth) {
            m_faces = &m_tableStyle->regions[size_t(m_region)];
            m_facesDepth = depth;
        } else if (is(name, "fontRef") && m_faces) {
            const std::string_view index = element.value("idx");
            if (index == "major" || index == "minor") {
                const QString prefix = index == "major" ? u"+mj-"_s : u"+mn-"_s;
                (*m_faces)[LatinSlot] = prefix + u"lt"_s;
                (*m_faces)[EastAsianSlot] = prefix + u"ea"_s;
                (*m_faces)[ComplexScriptSlot] = prefix + u"cs"_s;
            }
        } else if (m_faces) {
            if (const int slot = faceSlot(name); slot >= 0) {
                const std::string_view typeface = element.value("typeface");
                (*m_faces)[size_t(slot)] = isBlank(typeface) ? u""_s : m_names.get(typeface);
            }
        }
    }

    // Each cell learns the regions of its table that it lies in, now that the last row is known.
    void endTable()
    {
        int lastRow = -1;
        QHash<int, int> lastColumn; // by row
        for (const Cell &cell : std::as_const(m_cells)) {
            lastRow = std::max(lastRow, cell.row);
            lastColumn[cell.row] = std::max(lastColumn.value(cell.row, -1), cell.column);
        }
        for (const Cell &cell : std::as_const(m_cells)) {
            TextBody &body = m_scan.bodies[cell.body];
            body.tableStyleId = m_tableStyleId;
            quint8 regions = quint8(1u << WholeTableRegion);
            const std::pair<TableRegion, bool> lies[] = {
                {FirstRowRegion, cell.row == 0},
                {LastRowRegion, cell.row == lastRow},
                {FirstColumnRegion, cell.column == 0},
                {LastColumnRegion, cell.column == lastColumn.value(cell.row)},
            };
            for (const auto &[region, inside] : lies) {
                if (inside && (m_tableFlags & (1u << region)))
                    regions |= quint8(1u << region);
            }
            body.tableRegions = regions;
        }
        m_cells.clear();
        m_tableDepth = 0;
    }

    bool count()
    {
        if (++m_items > MaxTextItemsPerPart)
            m_full = true;
        return !m_full;
    }

    bool openBody(int depth, bool inTable)
    {
        if (!count())
            return false;
        if (inTable) {
            // A table cell inside a graphic frame; a shape's body cannot hold one, but a frame may sit
            // inside a shape's group, so whatever was open comes back afterwards. A table inside a
            // paragraph is no real text: its cells stay part of the paragraph.
            if (m_inTableBody || m_paragraphDepth)
                return false;
            m_outerBody = m_body;
            m_outerBodyDepth = m_bodyDepth;
            m_inTableBody = true;
        } else if (m_body >= 0 && m_bodyDepth) {
            return false; // shapes do not nest inside shapes
        }
        m_scan.bodies.append(TextBody());
        m_scan.bodies.last().inTable = inTable;
        m_body = int(m_scan.bodies.size() - 1);
        m_bodyDepth = depth;
        return true;
    }

    struct Cell
    {
        int body;
        int row;
        int column;
    };

    PartScan &m_scan;
    Names &m_names;
    int m_items = 0;
    bool m_full = false;
    int m_body = -1;
    int m_bodyDepth = 0;
    int m_outerBody = -1;
    int m_outerBodyDepth = 0;
    bool m_inTableBody = false;
    int m_tableDepth = 0;
    int m_styleDepth = 0;
    ListStyle *m_listStyle = nullptr;
    int m_listDepth = 0;
    LevelStyle *m_level = nullptr;
    int m_levelDepth = 0;
    int m_paragraphDepth = 0;
    int m_runDepth = 0;
    Run m_run;
    Faces *m_faces = nullptr;
    int m_facesDepth = 0;
    quint8 m_tableFlags = 0;
    QString m_tableStyleId;
    int m_row = -1;
    int m_column = -1;
    QList<Cell> m_cells;
    TableStyle *m_tableStyle = nullptr;
    int m_tableStyleDepth = 0;
    int m_region = -1;
    int m_regionDepth = 0;
};

} // namespace

PartScan scanPart(const QByteArray &xml)
{
    PartScan scan;
    int sectionDepth = 0;
    PartSection section = PartSection::Body;
    Names names;
    QSet<std::pair<QString, int>> seen;
    bool full = false;
    bool keepsLooseText = false;
    const auto addRef = [&](std::string_view typeface, ThemeGroup group, int slot = -1) {
        std::pair<QString, int> key{names.get(typeface), (int(group) * 4 + int(section)) * 8 + slot + 1};
        if (seen.contains(key))
            return;
        if (seen.size() >= MaxRefsPerPart) {
            full = true;
            return;
        }
        scan.refs.append({key.first, group, section, slot});
        seen.insert(std::move(key));
    };
    TextScanner text(scan, names);
    scan.error = walk(xml, [&](const Element &element, int depth, bool start) {
        if (!start) {
            if (depth == sectionDepth) {
                section = PartSection::Body;
                sectionDepth = 0;
            }
            text.end(depth);
            return;
        }
        const std::string_view name = element.name();
        if (depth == 1) {
            scan.rootElement = toQString(name);
            const std::string_view show = element.value("showMasterSp");
            scan.showsMasterShapes = show != "0" && show != "false";
            // Parts with slides' kind of text keep it by shape; charts and SmartArt keep it whole.
            keepsLooseText = element.ns() != Ns::PresentationMl;
        }
        if (keepsLooseText && scan.looseText.size() < MaxLooseText &&
            ((element.ns() == Ns::DrawingMl && is(name, "t")) ||
             (element.ns() == Ns::Chart && is(name, "v")))) {
            const std::string_view loose = element.text();
            if (!isBlank(loose))
                scan.looseText += toQString(loose.substr(0, size_t(MaxLooseText)));
        }
        text.start(element, depth);
        if (element.ns() == Ns::DrawingMl) {
            if (isTypefaceElement(name)) {
                const std::string_view typeface = element.value("typeface");
                if (!isBlank(typeface)) {
                    addRef(typeface, ThemeGroup::None, faceSlot(name));
                    scan.namesLatinFace = scan.namesLatinFace || is(name, "latin");
                }
            } else if (is(name, "fontRef")) {
                const std::string_view index = element.value("idx");
                if (index == "major" || index == "minor")
                    addRef({}, index == "major" ? ThemeGroup::Major : ThemeGroup::Minor);
            }
        } else if (element.ns() == Ns::PresentationMl) {
            if (section == PartSection::Body &&
                (is(name, "defaultTextStyle") || is(name, "embeddedFontLst"))) {
                section = is(name, "defaultTextStyle") ? PartSection::DefaultTextStyle
                                                       : PartSection::EmbeddedFontList;
                sectionDepth = depth;
            } else if (is(name, "font") && section == PartSection::EmbeddedFontList) {
                const std::string_view typeface = element.value("typeface");
                if (!isBlank(typeface))
                    addRef(typeface, ThemeGroup::None);
            } else if (isPartListElement(name) && scan.listedIds.size() < MaxListedIdsPerPart) {
                const std::string_view id = element.relationshipId();
                if (!id.empty())
                    scan.listedIds.append({toQString(name), toQString(id)});
            }
        }
    });
    if (full && scan.error.isEmpty())
        scan.error = u"more than %1 different font references; the rest are ignored"_s.arg(MaxRefsPerPart);
    if (text.full() && scan.error.isEmpty())
        scan.error =
            u"more than %1 shapes, paragraphs and runs; the rest are ignored"_s.arg(MaxTextItemsPerPart);
    return scan;
}

ThemeScan scanTheme(const QByteArray &xml)
{
    ThemeScan scan;
    int schemeDepth = 0;
    int groupDepth = 0;
    std::array<QString, 3> *group = nullptr;
    scan.error = walk(xml, [&](const Element &element, int depth, bool start) {
        const std::string_view name = element.name();
        if (!start) {
            if (depth == groupDepth) {
                group = nullptr;
                groupDepth = 0;
            } else if (depth == schemeDepth) {
                schemeDepth = 0;
            }
            return;
        }
        if (element.ns() != Ns::DrawingMl)
            return;
        // The first font scheme is the theme's; later ones could only come from extensions.
        if (is(name, "fontScheme") && !scan.fonts.hasFontScheme) {
            scan.fonts.hasFontScheme = true;
            schemeDepth = depth;
        } else if (schemeDepth && depth == schemeDepth + 1 &&
                   (is(name, "majorFont") || is(name, "minorFont"))) {
            group = is(name, "majorFont") ? &scan.fonts.major : &scan.fonts.minor;
            groupDepth = depth;
        } else if (group && depth == groupDepth + 1) {
            // The three direct slots, and the per-script faces that text of that script falls back to.
            const int script = faceSlot(name);
            if (script >= 0 && script < SymbolSlot) {
                (*group)[size_t(script)] = toQString(element.value("typeface"));
            } else if (is(name, "font")) {
                auto &scripts =
                    group == &scan.fonts.major ? scan.fonts.majorScripts : scan.fonts.minorScripts;
                const std::string_view typeface = element.value("typeface");
                if (!isBlank(typeface) && scripts.size() < MaxRefsPerPart)
                    scripts.append({toQString(element.value("script")), toQString(typeface)});
            }
        }
    });
    return scan;
}

RelationshipsScan scanRelationships(const QByteArray &xml, const QString &sourcePart, int maxCount)
{
    RelationshipsScan scan;
    bool full = false;
    scan.error = walk(xml, [&](const Element &element, int, bool start) {
        if (!start || element.name() != "Relationship" || element.ns() != Ns::PackageRelationships)
            return;
        if (scan.relationships.size() >= maxCount) {
            full = true;
            return;
        }
        Relationship relationship;
        relationship.id = toQString(element.value("Id"));
        const std::string_view type = element.value("Type");
        relationship.type = toQString(type.substr(type.rfind('/') + 1));
        if (toQString(element.value("TargetMode")).compare(u"External", Qt::CaseInsensitive) != 0)
            relationship.target = resolveTarget(sourcePart, toQString(element.value("Target")));
        scan.relationships.append(relationship);
    });
    if (full && scan.error.isEmpty())
        scan.error = u"more than %1 relationships; the rest are ignored"_s.arg(maxCount);
    return scan;
}

QString presentationPartFromContentTypes(const QByteArray &xml)
{
    QString found;
    walk(xml, [&](const Element &element, int, bool start) {
        if (!start || !found.isEmpty() || element.name() != "Override")
            return;
        const QString contentType = toQString(element.value("ContentType"));
        // presentation, slideshow and template main parts, with or without macros
        if (contentType.startsWith(u"application/vnd.") && contentType.contains(u".presentationml.") &&
            contentType.endsWith(u".main+xml"))
            found = resolveTarget({}, toQString(element.value("PartName")));
    });
    return found;
}

QString resolveTarget(const QString &sourcePart, const QString &target)
{
    QString path = target.left(target.indexOf(u'#'));
    if (path.contains(u'%'))
        path = QUrl::fromPercentEncoding(path.toUtf8());
    if (path.isEmpty() || path.contains(u'\\'))
        return {};
    if (!path.startsWith(u'/'))
        path.prepend(QStringView(sourcePart).left(sourcePart.lastIndexOf(u'/') + 1));
    QVarLengthArray<QStringView, 16> segments;
    for (const QStringView segment : QStringView(path).tokenize(u'/', Qt::SkipEmptyParts)) {
        if (segment == u".")
            continue;
        if (segment == u"..") {
            if (segments.isEmpty())
                return {};
            segments.removeLast();
            continue;
        }
        segments.append(segment);
    }
    QString resolved;
    resolved.reserve(path.size());
    for (const QStringView segment : segments) {
        if (!resolved.isEmpty())
            resolved += u'/';
        resolved += segment;
    }
    return resolved;
}

QString relationshipsPartName(const QString &sourcePart)
{
    const qsizetype slash = sourcePart.lastIndexOf(u'/');
    return sourcePart.left(slash + 1) + u"_rels/"_s + sourcePart.mid(slash + 1) + u".rels"_s;
}

bool isThemeToken(const QString &typeface)
{
    return themeTokenGroup(typeface) != ThemeGroup::None && themeTokenScript(typeface) >= 0;
}

ThemeGroup themeTokenGroup(const QString &typeface)
{
    if (typeface.startsWith(u"+mj-"))
        return ThemeGroup::Major;
    if (typeface.startsWith(u"+mn-"))
        return ThemeGroup::Minor;
    return ThemeGroup::None;
}

int themeTokenScript(const QString &typeface)
{
    if (typeface.size() != 6)
        return -1;
    const QStringView script = QStringView(typeface).mid(4);
    return script == u"lt" ? 0 : script == u"ea" ? 1 : script == u"cs" ? 2 : -1;
}

} // namespace kernwick::fontmeta::ooxml
