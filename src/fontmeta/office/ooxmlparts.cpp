#include "ooxmlparts.h"

#include <QSet>
#include <QStringList>
#include <QUrl>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta::ooxml {

namespace {

bool isDrawingMl(QStringView ns)
{
    return ns == u"http://schemas.openxmlformats.org/drawingml/2006/main" ||
           ns == u"http://purl.oclc.org/ooxml/drawingml/main";
}

bool isPresentationMl(QStringView ns)
{
    return ns == u"http://schemas.openxmlformats.org/presentationml/2006/main" ||
           ns == u"http://purl.oclc.org/ooxml/presentationml/main";
}

bool isRelationshipsAttribute(QStringView ns)
{
    return ns == u"http://schemas.openxmlformats.org/officeDocument/2006/relationships" ||
           ns == u"http://purl.oclc.org/ooxml/officeDocument/relationships";
}

bool isTypefaceElement(QStringView name)
{
    return name == u"latin" || name == u"ea" || name == u"cs" || name == u"sym" || name == u"buFont";
}

bool isPartListElement(QStringView name)
{
    return name == u"sldMasterId" || name == u"sldId" || name == u"notesMasterId" ||
           name == u"handoutMasterId" || name == u"sldLayoutId";
}

QString unprefixedAttribute(const QXmlStreamReader &xml, QStringView name)
{
    for (const QXmlStreamAttribute &attribute : xml.attributes()) {
        if (attribute.namespaceUri().isEmpty() && attribute.name() == name)
            return attribute.value().toString();
    }
    return {};
}

// A shared loop for all parsers: refuses document type declarations (no OOXML part has one, and
// entity definitions are how small parts grow huge) and elements nested past MaxElementDepth.
// `visit` sees start (true) and end (false) elements with the depth of the element.
template <typename Visit>
QString walk(const QByteArray &bytes, Visit visit)
{
    QXmlStreamReader xml(bytes);
    int depth = 0;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            return u"document type declarations are not allowed"_s;
        case QXmlStreamReader::StartElement:
            if (++depth > MaxElementDepth)
                return u"elements nested too deeply"_s;
            visit(xml, depth, true);
            break;
        case QXmlStreamReader::EndElement:
            visit(xml, depth, false);
            --depth;
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        return u"not well-formed XML at line %1: %2"_s.arg(xml.lineNumber()).arg(xml.errorString());
    return {};
}

} // namespace

PartScan scanPart(const QByteArray &xml)
{
    PartScan scan;
    int sectionDepth = 0;
    PartSection section = PartSection::Body;
    QSet<QString> seen;
    bool full = false;
    const auto addRef = [&](const QString &typeface, ThemeGroup group) {
        const QString key =
            typeface + QChar(u'\x1f') + QString::number(int(group)) + QString::number(int(section));
        if (seen.contains(key))
            return;
        if (seen.size() >= MaxRefsPerPart) {
            full = true;
            return;
        }
        seen.insert(key);
        scan.refs.append({typeface, group, section});
    };
    scan.error = walk(xml, [&](const QXmlStreamReader &reader, int depth, bool start) {
        const QStringView name = reader.name();
        const QStringView ns = reader.namespaceUri();
        if (!start) {
            if (depth == sectionDepth) {
                section = PartSection::Body;
                sectionDepth = 0;
            }
            return;
        }
        if (depth == 1)
            scan.rootElement = name.toString();
        if (isDrawingMl(ns)) {
            if (isTypefaceElement(name)) {
                const QString typeface = unprefixedAttribute(reader, u"typeface");
                if (!typeface.trimmed().isEmpty())
                    addRef(typeface, ThemeGroup::None);
            } else if (name == u"fontRef") {
                const QString index = unprefixedAttribute(reader, u"idx");
                if (index == u"major" || index == u"minor")
                    addRef({}, index == u"major" ? ThemeGroup::Major : ThemeGroup::Minor);
            }
        } else if (isPresentationMl(ns)) {
            if (section == PartSection::Body && (name == u"defaultTextStyle" || name == u"embeddedFontLst")) {
                section = name == u"defaultTextStyle" ? PartSection::DefaultTextStyle
                                                      : PartSection::EmbeddedFontList;
                sectionDepth = depth;
            } else if (name == u"font" && section == PartSection::EmbeddedFontList) {
                const QString typeface = unprefixedAttribute(reader, u"typeface");
                if (!typeface.trimmed().isEmpty())
                    addRef(typeface, ThemeGroup::None);
            } else if (isPartListElement(name) && scan.listedIds.size() < MaxListedIdsPerPart) {
                for (const QXmlStreamAttribute &attribute : reader.attributes()) {
                    if (attribute.name() == u"id" && isRelationshipsAttribute(attribute.namespaceUri()))
                        scan.listedIds.append({name.toString(), attribute.value().toString()});
                }
            }
        }
    });
    if (full && scan.error.isEmpty())
        scan.error = u"more than %1 different font references; the rest are ignored"_s.arg(MaxRefsPerPart);
    return scan;
}

ThemeScan scanTheme(const QByteArray &xml)
{
    ThemeScan scan;
    int schemeDepth = 0;
    int groupDepth = 0;
    std::array<QString, 3> *group = nullptr;
    scan.error = walk(xml, [&](const QXmlStreamReader &reader, int depth, bool start) {
        const QStringView name = reader.name();
        if (!start) {
            if (depth == groupDepth) {
                group = nullptr;
                groupDepth = 0;
            } else if (depth == schemeDepth) {
                schemeDepth = 0;
            }
            return;
        }
        if (!isDrawingMl(reader.namespaceUri()))
            return;
        // The first font scheme is the theme's; later ones could only come from extensions.
        if (name == u"fontScheme" && !scan.fonts.hasFontScheme) {
            scan.fonts.hasFontScheme = true;
            schemeDepth = depth;
        } else if (schemeDepth && depth == schemeDepth + 1 &&
                   (name == u"majorFont" || name == u"minorFont")) {
            group = name == u"majorFont" ? &scan.fonts.major : &scan.fonts.minor;
            groupDepth = depth;
        } else if (group && depth == groupDepth + 1) {
            // Only the three direct slots: the supplemental per-script "font" entries are never
            // reported, since no text uses them unless it is written in that script.
            const int script = name == u"latin" ? 0 : name == u"ea" ? 1 : name == u"cs" ? 2 : -1;
            if (script >= 0)
                (*group)[size_t(script)] = unprefixedAttribute(reader, u"typeface");
        }
    });
    return scan;
}

RelationshipsScan scanRelationships(const QByteArray &xml, const QString &sourcePart, int maxCount)
{
    RelationshipsScan scan;
    bool full = false;
    scan.error = walk(xml, [&](const QXmlStreamReader &reader, int, bool start) {
        if (!start || reader.name() != u"Relationship" ||
            reader.namespaceUri() != u"http://schemas.openxmlformats.org/package/2006/relationships")
            return;
        if (scan.relationships.size() >= maxCount) {
            full = true;
            return;
        }
        Relationship relationship;
        relationship.id = unprefixedAttribute(reader, u"Id");
        const QString type = unprefixedAttribute(reader, u"Type");
        relationship.type = type.mid(type.lastIndexOf(u'/') + 1);
        if (unprefixedAttribute(reader, u"TargetMode").compare(u"External", Qt::CaseInsensitive) != 0)
            relationship.target = resolveTarget(sourcePart, unprefixedAttribute(reader, u"Target"));
        scan.relationships.append(relationship);
    });
    if (full && scan.error.isEmpty())
        scan.error = u"more than %1 relationships; the rest are ignored"_s.arg(maxCount);
    return scan;
}

QString presentationPartFromContentTypes(const QByteArray &xml)
{
    QString found;
    walk(xml, [&](const QXmlStreamReader &reader, int, bool start) {
        if (!start || !found.isEmpty() || reader.name() != u"Override")
            return;
        const QString contentType = unprefixedAttribute(reader, u"ContentType");
        // presentation, slideshow and template main parts, with or without macros
        if (contentType.startsWith(u"application/vnd.") && contentType.contains(u".presentationml.") &&
            contentType.endsWith(u".main+xml"))
            found = resolveTarget({}, unprefixedAttribute(reader, u"PartName"));
    });
    return found;
}

QString resolveTarget(const QString &sourcePart, const QString &target)
{
    QString path = target.left(target.indexOf(u'#'));
    path = QUrl::fromPercentEncoding(path.toUtf8());
    if (path.isEmpty() || path.contains(u'\\'))
        return {};
    if (!path.startsWith(u'/'))
        path.prepend(sourcePart.left(sourcePart.lastIndexOf(u'/') + 1));
    QStringList segments;
    for (const QString &segment : path.split(u'/', Qt::SkipEmptyParts)) {
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
    return segments.join(u'/');
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
