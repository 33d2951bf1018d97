#include "ooxmlparts.h"

#include <QHash>
#include <QStringList>
#include <QUrl>
#include <QVarLengthArray>

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <pugixml.hpp>
#include <string_view>
#include <type_traits>
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

// The same few typefaces recur thousands of times in a part: each is decoded once and then shared, with
// a number that is the same for names that decode alike.
class Names
{
public:
    struct Name
    {
        QString text;
        int id;
    };

    const QString &get(std::string_view text) { return name(text).text; }
    const Name &name(std::string_view text)
    {
        // A part names a handful of faces and languages, most of them short: those are found by
        // comparing their bytes as two words, without hashing.
        const std::optional<ShortKey> key = shortKey(text);
        if (key) {
            for (size_t index = 0; index < m_shortCount; ++index) {
                if (m_short[index].first == *key)
                    return *m_short[index].second;
            }
        }
        auto found = m_names.find(text);
        if (found == m_names.end()) {
            QString decoded = toQString(text);
            auto id = m_ids.constFind(decoded);
            if (id == m_ids.cend())
                id = m_ids.insert(decoded, int(m_ids.size()));
            const int known = *id;
            found = m_names.emplace(text, Name{std::move(decoded), known}).first;
        }
        if (key && m_shortCount < MaxShort)
            m_short[m_shortCount++] = {*key, &found->second};
        return found->second;
    }

private:
    struct ShortKey
    {
        quint64 words[2];
        size_t size;
        bool operator==(const ShortKey &) const = default;
    };
    // The bytes as two words, read whole from the text rather than copied through memory byte by byte
    // (which stalls the words' reading): the first and the last bytes of the name, overlapping when it is
    // short, which together with the size tell every byte.
    static std::optional<ShortKey> shortKey(std::string_view text)
    {
        const size_t size = text.size();
        const char *const bytes = text.data();
        const auto load = [bytes]<typename Word>(size_t at, Word) {
            Word word;
            std::memcpy(&word, bytes + at, sizeof(Word));
            return quint64(word);
        };
        if (size > 16)
            return std::nullopt;
        if (size >= 8)
            return ShortKey{{load(0, quint64()), load(size - 8, quint64())}, size};
        if (size >= 4)
            return ShortKey{{load(0, quint32()) | load(size - 4, quint32()) << 32, 0}, size};
        if (size >= 2)
            return ShortKey{{load(0, quint16()) | load(size - 2, quint16()) << 16, 0}, size};
        return ShortKey{{size ? quint64(quint8(bytes[0])) : 0, 0}, size}; // an empty view may have no data
    }

    static constexpr size_t MaxShort = 16;
    std::unordered_map<std::string_view, Name> m_names; // views into the parsed document
    QHash<QString, int> m_ids;
    std::array<std::pair<ShortKey, const Name *>, MaxShort> m_short;
    size_t m_shortCount = 0;
};

// Element names are compared thousands of times a part: against a literal, as a few integer compares.
template <size_t N>
inline bool is(std::string_view text, const char (&literal)[N])
{
    return text.size() == N - 1 && std::memcmp(text.data(), literal, N - 1) == 0;
}

// The local names the parsers look at; every other element is Tag::Other.
enum class Tag : quint8
{
    Other,
    BodyStyle,
    BuAutoNum,
    BuBlip,
    BuChar,
    BuFont,
    BuFontTx,
    BuNone,
    Cs,
    DefRPr,
    DefaultTextStyle,
    Ea,
    EmbeddedFontLst,
    FirstCol,
    FirstRow,
    Fld,
    Font,
    FontRef,
    FontScheme,
    HandoutMasterId,
    LastCol,
    LastRow,
    Latin,
    LstStyle,
    MajorFont,
    MinorFont,
    NotesMasterId,
    NotesStyle,
    OtherStyle,
    Override,
    P,
    PPr,
    Ph,
    R,
    Relationship,
    RPr,
    SldId,
    SldLayoutId,
    SldMasterId,
    Sp,
    Style,
    Sym,
    T,
    TableStyleId,
    Tbl,
    TblPr,
    TblStyle,
    Tc,
    TcTxStyle,
    TitleStyle,
    Tr,
    TxBody,
    V,
    WholeTbl,
    Lvl1pPr,
    Lvl2pPr,
    Lvl3pPr,
    Lvl4pPr,
    Lvl5pPr,
    Lvl6pPr,
    Lvl7pPr,
    Lvl8pPr,
    Lvl9pPr,
};

// An element's local name as a Tag: a switch on its length, then a few compares of that many bytes.
Tag tagOf(std::string_view name)
{
    switch (name.size()) {
    case 1:
        return is(name, "p")   ? Tag::P
               : is(name, "r") ? Tag::R
               : is(name, "t") ? Tag::T
               : is(name, "v") ? Tag::V
                               : Tag::Other;
    case 2:
        return is(name, "cs")   ? Tag::Cs
               : is(name, "ea") ? Tag::Ea
               : is(name, "ph") ? Tag::Ph
               : is(name, "sp") ? Tag::Sp
               : is(name, "tc") ? Tag::Tc
               : is(name, "tr") ? Tag::Tr
                                : Tag::Other;
    case 3:
        return is(name, "fld")   ? Tag::Fld
               : is(name, "pPr") ? Tag::PPr
               : is(name, "rPr") ? Tag::RPr
               : is(name, "sym") ? Tag::Sym
               : is(name, "tbl") ? Tag::Tbl
                                 : Tag::Other;
    case 4:
        return is(name, "font") ? Tag::Font : Tag::Other;
    case 5:
        return is(name, "latin")   ? Tag::Latin
               : is(name, "sldId") ? Tag::SldId
               : is(name, "style") ? Tag::Style
               : is(name, "tblPr") ? Tag::TblPr
                                   : Tag::Other;
    case 6:
        return is(name, "buBlip")   ? Tag::BuBlip
               : is(name, "buChar") ? Tag::BuChar
               : is(name, "buFont") ? Tag::BuFont
               : is(name, "buNone") ? Tag::BuNone
               : is(name, "defRPr") ? Tag::DefRPr
               : is(name, "txBody") ? Tag::TxBody
                                    : Tag::Other;
    case 7:
        if (is(name.substr(0, 3), "lvl") && is(name.substr(4), "pPr") && name[3] >= '1' && name[3] <= '9')
            return Tag(int(Tag::Lvl1pPr) + name[3] - '1');
        return is(name, "fontRef")   ? Tag::FontRef
               : is(name, "lastCol") ? Tag::LastCol
               : is(name, "lastRow") ? Tag::LastRow
                                     : Tag::Other;
    case 8:
        return is(name, "buFontTx")   ? Tag::BuFontTx
               : is(name, "Override") ? Tag::Override
               : is(name, "firstCol") ? Tag::FirstCol
               : is(name, "firstRow") ? Tag::FirstRow
               : is(name, "lstStyle") ? Tag::LstStyle
               : is(name, "tblStyle") ? Tag::TblStyle
               : is(name, "wholeTbl") ? Tag::WholeTbl
                                      : Tag::Other;
    case 9:
        return is(name, "bodyStyle")   ? Tag::BodyStyle
               : is(name, "buAutoNum") ? Tag::BuAutoNum
               : is(name, "majorFont") ? Tag::MajorFont
               : is(name, "minorFont") ? Tag::MinorFont
               : is(name, "tcTxStyle") ? Tag::TcTxStyle
                                       : Tag::Other;
    case 10:
        return is(name, "fontScheme")   ? Tag::FontScheme
               : is(name, "notesStyle") ? Tag::NotesStyle
               : is(name, "otherStyle") ? Tag::OtherStyle
               : is(name, "titleStyle") ? Tag::TitleStyle
                                        : Tag::Other;
    case 11:
        return is(name, "sldLayoutId")   ? Tag::SldLayoutId
               : is(name, "sldMasterId") ? Tag::SldMasterId
                                         : Tag::Other;
    case 12:
        return is(name, "tableStyleId")   ? Tag::TableStyleId
               : is(name, "Relationship") ? Tag::Relationship
                                          : Tag::Other;
    case 13:
        return is(name, "notesMasterId") ? Tag::NotesMasterId : Tag::Other;
    case 15:
        return is(name, "embeddedFontLst")   ? Tag::EmbeddedFontLst
               : is(name, "handoutMasterId") ? Tag::HandoutMasterId
                                             : Tag::Other;
    case 16:
        return is(name, "defaultTextStyle") ? Tag::DefaultTextStyle : Tag::Other;
    default:
        return Tag::Other;
    }
}

// Namespace prefixes in scope while walking a tree: pugixml keeps names as written.
class Namespaces
{
public:
    void enter(pugi::xml_node node, int depth)
    {
        const size_t bound = m_bindings.size();
        for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
             attribute = attribute.next_attribute()) {
            const char *const name = attribute.name();
            if (name[0] != 'x' || std::strncmp(name, "xmlns", 5) != 0)
                continue;
            if (name[5] == 0)
                m_bindings.push_back({{}, namespaceOf(attribute.value()), depth});
            else if (name[5] == ':')
                m_bindings.push_back({std::string_view(name + 6), namespaceOf(attribute.value()), depth});
        }
        if (m_bindings.size() != bound)
            remember();
    }
    void leave(int depth)
    {
        if (m_bindings.empty() || m_bindings.back().depth < depth)
            return;
        while (!m_bindings.empty() && m_bindings.back().depth >= depth)
            m_bindings.pop_back();
        remember();
    }
    Ns lookup(std::string_view prefix) const
    {
        // Prefixes are mostly a single letter ("a", "p"): those are looked up in a table.
        if (prefix.size() == 1 && static_cast<unsigned char>(prefix[0]) < m_singles.size())
            return m_singles[static_cast<unsigned char>(prefix[0])];
        for (auto binding = m_bindings.rbegin(); binding != m_bindings.rend(); ++binding) {
            // Compared in place rather than through a library call.
            if (binding->prefix.size() != prefix.size())
                continue;
            size_t at = 0;
            while (at < prefix.size() && prefix[at] == binding->prefix[at])
                ++at;
            if (at == prefix.size())
                return binding->ns;
        }
        return Ns::Other;
    }

private:
    // The namespaces of single-letter prefixes in scope, the innermost binding of each.
    void remember()
    {
        m_singles.fill(Ns::Other);
        for (const Binding &binding : m_bindings) {
            if (binding.prefix.size() == 1 &&
                static_cast<unsigned char>(binding.prefix[0]) < m_singles.size())
                m_singles[static_cast<unsigned char>(binding.prefix[0])] = binding.ns;
        }
    }

    struct Binding
    {
        std::string_view prefix;
        Ns ns;
        int depth;
    };
    std::vector<Binding> m_bindings;
    std::array<Ns, 128> m_singles{};
};

// Where a part may declare namespace prefixes: the places of "xmlns" in its text, in order, so that the
// attributes of the many elements that cannot declare one are never looked at. The text is parsed in
// place, so an element's names and values point into it.
class Declarations
{
public:
    Declarations(const char *text, qsizetype size)
        : m_text(text)
        , m_end(text + size)
    {
        const std::string_view view(text, size_t(size));
        for (size_t at = view.find("xmlns"); at != std::string_view::npos; at = view.find("xmlns", at + 5))
            m_places.push_back(text + at);
    }

    // Whether the element named at `name` may declare a prefix: some "xmlns" lies within its start tag,
    // no further than where the name of its last attribute starts (a part cut short may have left that
    // attribute without a value). Names not in the text (a converted UTF-16 part) always may.
    bool mayDeclare(pugi::xml_node node, const char *name)
    {
        if (!within(name))
            return true;
        while (m_next < m_places.size() && m_places[m_next] < name)
            ++m_next;
        if (m_next == m_places.size())
            return false;
        const char *const lastName = node.last_attribute().name();
        return within(lastName) && m_places[m_next] <= lastName;
    }

private:
    bool within(const char *at) const { return at >= m_text && at < m_end; }

    const char *m_text;
    const char *m_end;
    std::vector<const char *> m_places;
    size_t m_next = 0;
};

// An element as the parsers see it: its namespace, its local name and its attributes, read from the
// tree when asked for.
class Element
{
public:
    // An end of element: the parsers need only its depth, so the name is not looked at.
    struct Closing
    {};
    Element(const Namespaces &namespaces, Closing)
        : m_namespaces(namespaces)
    {}
    Element(pugi::xml_node node, std::string_view prefix, std::string_view name, Tag tag,
            const Namespaces &namespaces)
        : m_namespaces(namespaces)
        , m_node(node)
        , m_name(name)
        , m_ns(namespaces.lookup(prefix))
        , m_tag(tag)
    {}

    Ns ns() const { return m_ns; }
    std::string_view name() const { return m_name; }
    Tag tag() const { return m_tag; }
    // An attribute without a prefix, "" when absent.
    std::string_view value(const char *name) const { return m_node.attribute(name).value(); }
    // Its typeface attribute, which both the reference and the text scanners ask for: looked up once.
    std::string_view typeface() const
    {
        if (!m_typeface)
            m_typeface = value("typeface");
        return *m_typeface;
    }
    // The same as a decoded name of the part: looked up once for the scanners that both want it.
    const Names::Name &typefaceName(Names &names) const
    {
        if (!m_typefaceName)
            m_typefaceName = &names.name(typeface());
        return *m_typefaceName;
    }
    // The element's first run of character data ("" when it has none).
    std::string_view text() const { return m_node.child_value(); }
    // The r:id attribute, whatever its prefix.
    std::string_view relationshipId() const
    {
        for (pugi::xml_attribute attribute = m_node.first_attribute(); attribute;
             attribute = attribute.next_attribute()) {
            const std::string_view name(attribute.name());
            const size_t colon = name.find(':');
            if (colon != std::string_view::npos && name.substr(colon + 1) == "id" &&
                name.substr(0, colon) != "xmlns" &&
                m_namespaces.lookup(name.substr(0, colon)) == Ns::Relationships)
                return attribute.value();
        }
        return {};
    }

private:
    const Namespaces &m_namespaces;
    pugi::xml_node m_node;
    std::string_view m_name;
    Ns m_ns = Ns::Other;
    Tag m_tag = Tag::Other;
    mutable std::optional<std::string_view> m_typeface;
    mutable const Names::Name *m_typefaceName = nullptr;
};

// Whether a node handle holds a node. pugixml's handles are a pointer to the node and nothing else; its
// own test is a call into the library, made for every node of every part.
inline bool present(pugi::xml_node node)
{
    static_assert(sizeof(pugi::xml_node) == sizeof(void *) && std::is_trivially_copyable_v<pugi::xml_node>);
    return std::bit_cast<void *>(node) != nullptr;
}

// A shared loop for all parsers: refuses document type declarations (no OOXML part has one, and
// entity definitions are how small parts grow huge), text that is not UTF-8, and elements nested past
// MaxElementDepth. `visit` sees start (true) and end (false) elements with the depth of the element;
// the start of an element is seen only when it is the root or its local name is a Tag, as no parser
// looks at any other. What a damaged part held before the damage is still visited.
template <typename Visit>
QString walk(const QByteArray &bytes, Visit visit)
{
    const bool utf16 = bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff");
    if (!utf16 && !QByteArrayView(bytes).isValidUtf8())
        return u"not well-formed XML: the text is not UTF-8"_s;
    // Parsed in place in a copy of its own, so that names and values point into it; UTF-8 with a
    // terminating NUL, as pugixml would copy it, UTF-16 as it stands, as pugixml converts it to a buffer
    // of its own. The copy is made here, as an empty part has no buffer of its own to write to.
    const qsizetype size = bytes.size();
    QByteArray text(size + 1, Qt::Uninitialized);
    char *const data = text.data();
    std::memcpy(data, bytes.constData(), size_t(size));
    data[size] = 0;
    Declarations declarations(data, size);
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer_inplace(data, size_t(size) + (utf16 ? 0 : 1),
                                     pugi::parse_escapes | pugi::parse_doctype | pugi::parse_wconv_attribute,
                                     utf16 ? pugi::encoding_auto : pugi::encoding_utf8);
    Namespaces namespaces;
    const Element closing(namespaces, Element::Closing());
    int depth = 0;
    pugi::xml_node node = document.first_child();
    while (present(node)) {
        // With these parse options an element is the only kind of node with a name; nodes without one
        // are text or a document type declaration.
        const char *const qualified = node.name();
        if (!*qualified) {
            if (node.type() == pugi::node_doctype)
                return u"document type declarations are not allowed"_s;
        } else {
            if (++depth > MaxElementDepth)
                return u"elements nested too deeply"_s;
            if (declarations.mayDeclare(node, qualified))
                namespaces.enter(node, depth);
            // The prefix up to the first colon, then the local name to its end.
            const char *colon = nullptr;
            const char *end = qualified;
            while (*end && *end != ':')
                ++end;
            if (*end) {
                colon = end;
                while (*++end) {
                }
            }
            const char *const local = colon ? colon + 1 : qualified;
            const std::string_view name(local, size_t(end - local));
            const Tag tag = tagOf(name);
            if (tag != Tag::Other || depth == 1) {
                const std::string_view prefix =
                    colon ? std::string_view(qualified, size_t(colon - qualified)) : std::string_view();
                visit(Element(node, prefix, name, tag, namespaces), depth, true);
            }
            if (const pugi::xml_node child = node.first_child(); present(child)) {
                node = child;
                continue;
            }
            visit(closing, depth, false);
            namespaces.leave(depth);
            --depth;
        }
        for (;;) {
            if (const pugi::xml_node sibling = node.next_sibling(); present(sibling)) {
                node = sibling;
                break;
            }
            if (depth == 0) { // back at the document
                node = {};
                break;
            }
            node = node.parent();
            visit(closing, depth, false);
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

bool isTypefaceElement(Tag tag)
{
    return tag == Tag::Latin || tag == Tag::Ea || tag == Tag::Cs || tag == Tag::Sym || tag == Tag::BuFont;
}

int faceSlot(Tag tag)
{
    return tag == Tag::Latin ? LatinSlot
           : tag == Tag::Ea  ? EastAsianSlot
           : tag == Tag::Cs  ? ComplexScriptSlot
           : tag == Tag::Sym ? SymbolSlot
                             : -1;
}

bool isPartListElement(Tag tag)
{
    return tag == Tag::SldMasterId || tag == Tag::SldId || tag == Tag::NotesMasterId ||
           tag == Tag::HandoutMasterId || tag == Tag::SldLayoutId;
}

bool isBlank(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// "lvl1pPr" .. "lvl9pPr" -> 0 .. 8, else -1.
int listLevel(Tag tag)
{
    return tag >= Tag::Lvl1pPr && tag <= Tag::Lvl9pPr ? int(tag) - int(Tag::Lvl1pPr) : -1;
}

bool isTrue(std::string_view value)
{
    return value == "1" || value == "true";
}

int tableRegion(Tag tag)
{
    return tag == Tag::WholeTbl   ? WholeTableRegion
           : tag == Tag::FirstRow ? FirstRowRegion
           : tag == Tag::LastRow  ? LastRowRegion
           : tag == Tag::FirstCol ? FirstColumnRegion
           : tag == Tag::LastCol  ? LastColumnRegion
                                  : -1;
}

// Text kept from one run; a run of megabytes is no real text and draws no more distinct characters.
constexpr qsizetype MaxRunText = qsizetype(1) << 20;

int masterStyle(Tag tag)
{
    return tag == Tag::TitleStyle         ? TitleStyle
           : tag == Tag::BodyStyle        ? BodyStyle
           : tag == Tag::OtherStyle       ? OtherStyle
           : tag == Tag::NotesStyle       ? NotesStyle
           : tag == Tag::DefaultTextStyle ? DefaultTextStyle
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
        const Tag name = element.tag();
        if (ns == Ns::PresentationMl) {
            if (name == Tag::Sp) {
                openBody(depth, false);
            } else if (name == Tag::Ph && m_body >= 0 && !m_inTableBody) {
                TextBody &body = m_scan.bodies[m_body];
                body.isPlaceholder = true;
                body.placeholderType = toQString(element.value("type"));
                body.placeholderIndex = toQString(element.value("idx"));
            } else if (name == Tag::Style && m_body >= 0 && !m_inTableBody) {
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
        if (name == Tag::TblStyle) {
            if (!count())
                return;
            m_scan.tableStyles.append({toQString(element.value("styleId")), {}});
            m_tableStyle = &m_scan.tableStyles.last();
            m_tableStyleDepth = depth;
            return;
        }
        if (m_tableDepth && !m_inTableBody) {
            if (name == Tag::TblPr) {
                for (const auto &[attribute, region] :
                     {std::pair{"firstRow", FirstRowRegion}, std::pair{"lastRow", LastRowRegion},
                      std::pair{"firstCol", FirstColumnRegion}, std::pair{"lastCol", LastColumnRegion}}) {
                    if (isTrue(element.value(attribute)))
                        m_tableFlags |= quint8(1u << region);
                }
            } else if (name == Tag::TableStyleId) {
                m_tableStyleId = toQString(element.text()).trimmed();
            } else if (name == Tag::Tr) {
                ++m_row;
                m_column = -1;
            } else if (name == Tag::Tc) {
                ++m_column;
            }
        }
        if (name == Tag::FontRef && m_styleDepth) {
            const std::string_view index = element.value("idx");
            m_scan.bodies[m_body].styleFont = index == "major"   ? ThemeGroup::Major
                                              : index == "minor" ? ThemeGroup::Minor
                                                                 : ThemeGroup::None;
        } else if (name == Tag::TxBody && m_tableDepth) {
            if (openBody(depth, true))
                m_cells.append({int(m_scan.bodies.size() - 1), m_row, m_column});
        } else if (name == Tag::Tbl) {
            if (!m_tableDepth) {
                m_tableDepth = depth;
                m_tableFlags = 0;
                m_tableStyleId.clear();
                m_row = -1;
                m_column = -1;
                m_cells.clear();
            }
        } else if (name == Tag::LstStyle && m_body >= 0) {
            m_listStyle = &m_scan.bodies[m_body].listStyle;
            m_listDepth = depth;
        } else if (const int level = listLevel(name); level >= 0 && m_listStyle && !m_level) {
            m_level = &(*m_listStyle)[size_t(level)];
            m_levelDepth = depth;
        } else if (name == Tag::P && m_body >= 0 && !m_paragraphDepth) {
            if (!count())
                return;
            // A body of more than one paragraph has a few: room for them at once rather than grown step by
            // step, and given back when the body ends if more than half of it is left over.
            QList<Paragraph> &paragraphs = m_scan.bodies[m_body].paragraphs;
            if (paragraphs.size() == 1)
                paragraphs.reserve(8);
            paragraphs.emplaceBack().firstRun = m_scan.runs.size();
            m_paragraphDepth = depth;
        } else if (name == Tag::PPr && m_paragraphDepth && !m_level) {
            Paragraph &paragraph = m_scan.bodies[m_body].paragraphs.last();
            const std::string_view number = element.value("lvl");
            paragraph.level =
                number.size() == 1 && number[0] >= '0' && number[0] < '0' + ListLevels ? number[0] - '0' : 0;
            m_level = &paragraph.own;
            m_levelDepth = depth;
        } else if ((name == Tag::R || name == Tag::Fld) && m_paragraphDepth && !m_runDepth) {
            m_run = {};
            m_runDepth = depth;
        } else if (name == Tag::RPr && m_runDepth) {
            m_faces = &m_run.faces;
            m_facesDepth = depth;
            const std::string_view language = element.value("lang");
            m_run.language = m_names.get(language.empty() ? element.value("altLang") : language);
        } else if (name == Tag::T && m_runDepth) {
            if (m_run.textSize < MaxRunText)
                m_run.appendText(element.text());
        } else if (name == Tag::DefRPr && m_level) {
            m_faces = &m_level->faces;
            m_facesDepth = depth;
        } else if (m_level && !m_facesDepth) {
            if (name == Tag::BuFont) {
                m_level->bulletFont = element.typefaceName(m_names).text;
                if (m_level->bulletFont.isNull())
                    m_level->bulletFont = u""_s;
            } else if (name == Tag::BuFontTx) {
                m_level->bulletFont = u""_s;
            } else if (name == Tag::BuNone) {
                m_level->bullet = BulletKind::None;
            } else if (name == Tag::BuChar || name == Tag::BuAutoNum || name == Tag::BuBlip) {
                m_level->bullet = BulletKind::Shown;
                if (name == Tag::BuChar)
                    m_level->bulletCharacter = toQString(element.value("char"));
            }
        } else if (m_faces) {
            if (const int slot = faceSlot(name); slot >= 0) {
                const std::string_view typeface = element.typeface();
                (*m_faces)[size_t(slot)] = isBlank(typeface) ? u""_s : element.typefaceName(m_names).text;
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
            if (!m_run.isBlank()) {
                // The paragraph's runs are the last of the part's: no other paragraph opens within it.
                const auto first = m_scan.runs.begin() + paragraph.firstRun;
                const auto same = std::find_if(first, m_scan.runs.end(),
                                               [this](const Run &run) { return run.sameProperties(m_run); });
                if (same != m_scan.runs.end()) {
                    if (same->textSize < MaxRunText)
                        same->appendText(m_run);
                } else if (paragraph.runCount < MaxDistinctRuns && count()) {
                    if (m_scan.runs.isEmpty())
                        m_scan.runs.reserve(32); // a part with text has a few dozen runs
                    m_scan.runs.append(std::move(m_run));
                    ++paragraph.runCount;
                }
            }
            m_runDepth = 0; // the run is set afresh when the next one starts
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
            if (QList<Paragraph> &paragraphs = m_scan.bodies[m_body].paragraphs;
                paragraphs.capacity() > 2 * paragraphs.size())
                paragraphs.squeeze();
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
        const Tag name = element.tag();
        if (const int region = tableRegion(name); region >= 0 && m_region < 0) {
            m_region = region;
            m_regionDepth = depth;
        } else if (name == Tag::TcTxStyle && m_region >= 0 && !m_facesDepth) {
            m_faces = &m_tableStyle->regions[size_t(m_region)];
            m_facesDepth = depth;
        } else if (name == Tag::FontRef && m_faces) {
            const std::string_view index = element.value("idx");
            if (index == "major" || index == "minor") {
                const QString prefix = index == "major" ? u"+mj-"_s : u"+mn-"_s;
                (*m_faces)[LatinSlot] = prefix + u"lt"_s;
                (*m_faces)[EastAsianSlot] = prefix + u"ea"_s;
                (*m_faces)[ComplexScriptSlot] = prefix + u"cs"_s;
            }
        } else if (m_faces) {
            if (const int slot = faceSlot(name); slot >= 0) {
                const std::string_view typeface = element.typeface();
                (*m_faces)[size_t(slot)] = isBlank(typeface) ? u""_s : element.typefaceName(m_names).text;
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
        if (m_scan.bodies.isEmpty())
            m_scan.bodies.reserve(8); // a slide holds a few shapes: room for them at once
        m_scan.bodies.emplaceBack().inTable = inTable;
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

void Run::appendText(std::string_view text)
{
    textSize += qsizetype(text.size());
    const char *const end = text.data() + text.size();
    const char *c = text.data();
    // The bits gathered in two registers, each character to one word or the other without indexing:
    // written through memory, each character would wait for the one before it.
    quint64 low = ascii[0];
    quint64 high = ascii[1];
    const auto take = [&low, &high](quint64 byte) {
        const quint64 bit = quint64(1) << (byte & 63);
        const quint64 isHigh = 0 - ((byte >> 6) & 1);
        low |= bit & ~isHigh;
        high |= bit & isHigh;
    };
    // Most text is ASCII: eight characters at a time while it is.
    for (quint64 word; end - c >= 8; c += 8) {
        std::memcpy(&word, c, 8);
        if (word & 0x8080808080808080u)
            break;
        for (int k = 0; k < 8; ++k, word >>= 8)
            take(word & 0x7f);
    }
    while (c != end) {
        const auto byte = static_cast<unsigned char>(*c);
        if (byte < 0x80) {
            take(byte);
            ++c;
            continue;
        }
        const char *other = c;
        while (c != end && static_cast<unsigned char>(*c) >= 0x80)
            ++c;
        otherText.append(other, c - other);
    }
    ascii = {low, high};
}

void Run::appendText(const Run &other)
{
    textSize += other.textSize;
    ascii[0] |= other.ascii[0];
    ascii[1] |= other.ascii[1];
    otherText += other.otherText;
}

bool Run::sameProperties(const Run &other) const
{
    // Faces and languages are mostly the very strings a part's names were decoded to: those are the same
    // without comparing their characters.
    const auto same = [](const QString &a, const QString &b) {
        return a.size() == b.size() && (a.constData() == b.constData() || a == b);
    };
    return same(faces[0], other.faces[0]) && same(faces[1], other.faces[1]) &&
           same(faces[2], other.faces[2]) && same(faces[3], other.faces[3]) && same(language, other.language);
}

bool Run::isBlank() const
{
    constexpr quint64 whiteSpace =
        quint64(1) << ' ' | quint64(1) << '\t' | quint64(1) << '\r' | quint64(1) << '\n';
    return otherText.isEmpty() && (ascii[0] & ~whiteSpace) == 0 && ascii[1] == 0;
}

PartScan scanPart(const QByteArray &xml)
{
    PartScan scan;
    int sectionDepth = 0;
    PartSection section = PartSection::Body;
    Names names;
    // By name number, a bit for each kind of reference (group, section and slot: below 128).
    std::vector<std::array<quint64, 2>> seen;
    seen.reserve(16); // a part names a handful
    qsizetype seenCount = 0;
    bool full = false;
    bool keepsLooseText = false;
    const auto addRef = [&](const Names::Name &name, ThemeGroup group, int slot = -1) {
        const int kind = (int(group) * 4 + int(section)) * 8 + slot + 1;
        if (size_t(name.id) >= seen.size())
            seen.resize(size_t(name.id) + 1);
        quint64 &word = seen[size_t(name.id)][size_t(kind >> 6)];
        const quint64 bit = quint64(1) << (kind & 63);
        if (word & bit)
            return;
        if (seenCount >= MaxRefsPerPart) {
            full = true;
            return;
        }
        scan.refs.append({name.text, group, section, slot});
        word |= bit;
        ++seenCount;
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
        const Tag name = element.tag();
        if (depth == 1) {
            scan.rootElement = toQString(element.name());
            const std::string_view show = element.value("showMasterSp");
            scan.showsMasterShapes = show != "0" && show != "false";
            // Parts with slides' kind of text keep it by shape; charts and SmartArt keep it whole.
            keepsLooseText = element.ns() != Ns::PresentationMl;
        }
        if (keepsLooseText && scan.looseText.size() < MaxLooseText &&
            ((element.ns() == Ns::DrawingMl && name == Tag::T) ||
             (element.ns() == Ns::Chart && name == Tag::V))) {
            const std::string_view loose = element.text();
            if (!isBlank(loose))
                scan.looseText += toQString(loose.substr(0, size_t(MaxLooseText)));
        }
        text.start(element, depth);
        if (element.ns() == Ns::DrawingMl) {
            if (isTypefaceElement(name)) {
                const std::string_view typeface = element.typeface();
                if (!isBlank(typeface)) {
                    addRef(element.typefaceName(names), ThemeGroup::None, faceSlot(name));
                    scan.namesLatinFace = scan.namesLatinFace || name == Tag::Latin;
                }
            } else if (name == Tag::FontRef) {
                const std::string_view index = element.value("idx");
                if (index == "major" || index == "minor")
                    addRef(names.name({}), index == "major" ? ThemeGroup::Major : ThemeGroup::Minor);
            }
        } else if (element.ns() == Ns::PresentationMl) {
            scan.hasEmbeddedFontList = scan.hasEmbeddedFontList || name == Tag::EmbeddedFontLst;
            if (section == PartSection::Body &&
                (name == Tag::DefaultTextStyle || name == Tag::EmbeddedFontLst)) {
                section = name == Tag::DefaultTextStyle ? PartSection::DefaultTextStyle
                                                        : PartSection::EmbeddedFontList;
                sectionDepth = depth;
            } else if (name == Tag::Font && section == PartSection::EmbeddedFontList) {
                const std::string_view typeface = element.typeface();
                if (!isBlank(typeface))
                    addRef(element.typefaceName(names), ThemeGroup::None);
            } else if (isPartListElement(name) && scan.listedIds.size() < MaxListedIdsPerPart) {
                const std::string_view id = element.relationshipId();
                if (!id.empty())
                    scan.listedIds.append({toQString(element.name()), toQString(id)});
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
        const Tag name = element.tag();
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
        if (name == Tag::FontScheme && !scan.fonts.hasFontScheme) {
            scan.fonts.hasFontScheme = true;
            schemeDepth = depth;
        } else if (schemeDepth && depth == schemeDepth + 1 &&
                   (name == Tag::MajorFont || name == Tag::MinorFont)) {
            group = name == Tag::MajorFont ? &scan.fonts.major : &scan.fonts.minor;
            groupDepth = depth;
        } else if (group && depth == groupDepth + 1) {
            // The three direct slots, and the per-script faces that text of that script falls back to.
            const int script = faceSlot(name);
            if (script >= 0 && script < SymbolSlot) {
                (*group)[size_t(script)] = toQString(element.typeface());
            } else if (name == Tag::Font) {
                auto &scripts =
                    group == &scan.fonts.major ? scan.fonts.majorScripts : scan.fonts.minorScripts;
                const std::string_view typeface = element.typeface();
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
    Names types; // a part relates to parts of a few types, many times over
    const auto external = [](std::string_view mode) {
        const bool ascii = std::all_of(mode.begin(), mode.end(), [](char c) { return uchar(c) < 0x80; });
        if (!ascii) // as Unicode case folding has it
            return toQString(mode).compare(u"External", Qt::CaseInsensitive) == 0;
        return mode.size() == 8 && std::equal(mode.begin(), mode.end(), "external", [](char c, char lower) {
                   return (c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) == lower;
               });
    };
    scan.error = walk(xml, [&](const Element &element, int, bool start) {
        if (!start || element.tag() != Tag::Relationship || element.ns() != Ns::PackageRelationships)
            return;
        if (scan.relationships.size() >= maxCount) {
            full = true;
            return;
        }
        Relationship relationship;
        relationship.id = toQString(element.value("Id"));
        const std::string_view type = element.value("Type");
        relationship.type = types.get(type.substr(type.rfind('/') + 1));
        if (!external(element.value("TargetMode")))
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
        if (!start || !found.isEmpty() || element.tag() != Tag::Override)
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
