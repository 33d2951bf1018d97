#include "appcast.h"

#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

const QString sparkleNamespace = u"http://www.andymatuschak.org/xml-namespaces/sparkle"_s;

enum class Segment
{
    number,
    text,
    separator
};

struct VersionPart
{
    Segment kind;
    QString text;
};

QList<VersionPart> splitVersion(const QString &version)
{
    QList<VersionPart> parts;
    for (const QChar c : version) {
        const Segment kind = c.isDigit() ? Segment::number : c == u'.' ? Segment::separator : Segment::text;
        if (!parts.isEmpty() && parts.last().kind == kind && kind != Segment::separator)
            parts.last().text += c;
        else
            parts.append({kind, QString(c)});
    }
    return parts;
}

int compareNumbers(QString a, QString b)
{
    while (a.size() > 1 && a.startsWith(u'0'))
        a.remove(0, 1);
    while (b.size() > 1 && b.startsWith(u'0'))
        b.remove(0, 1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

} // namespace

int compareVersions(const QString &a, const QString &b)
{
    const QList<VersionPart> left = splitVersion(a);
    const QList<VersionPart> right = splitVersion(b);
    const qsizetype common = std::min(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        const VersionPart &l = left[i];
        const VersionPart &r = right[i];
        if (l.kind == r.kind) {
            const int order =
                l.kind == Segment::number ? compareNumbers(l.text, r.text) : l.text.compare(r.text);
            if (order != 0)
                return order < 0 ? -1 : 1;
            continue;
        }
        // A number outranks text ("2.0" after "2.0b"); a separator, that is a further component, outranks
        // text too, and a number outranks a separator.
        const auto rank = [](Segment kind) {
            return kind == Segment::number ? 2 : kind == Segment::separator ? 1 : 0;
        };
        return rank(l.kind) < rank(r.kind) ? -1 : 1;
    }
    if (left.size() == right.size())
        return 0;
    // The longer one goes on: with a further number it is newer ("1.0.1"), with text it is a pre-release
    // ("1.0b").
    const bool leftLonger = left.size() > right.size();
    const VersionPart &next = leftLonger ? left[common] : right[common];
    const bool longerIsNewer = next.kind != Segment::text;
    return (leftLonger == longerIsNewer) ? 1 : -1;
}

std::optional<QList<AppcastItem>> parseAppcast(const QByteArray &feed)
{
    QXmlStreamReader xml(feed);
    QList<AppcastItem> items;
    bool sawChannel = false;
    std::optional<AppcastItem> item;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QStringView name = xml.name();
            if (name == u"channel" && xml.namespaceUri().isEmpty()) {
                sawChannel = true;
            } else if (name == u"item" && xml.namespaceUri().isEmpty()) {
                item = AppcastItem{};
            } else if (item) {
                const bool sparkle = xml.namespaceUri() == sparkleNamespace;
                if (name == u"enclosure") {
                    const QXmlStreamAttributes attributes = xml.attributes();
                    item->downloadUrl = QUrl(attributes.value(u"url"_s).toString());
                    if (attributes.hasAttribute(sparkleNamespace, u"version"_s))
                        item->version = attributes.value(sparkleNamespace, u"version"_s).toString();
                    if (attributes.hasAttribute(sparkleNamespace, u"shortVersionString"_s))
                        item->shortVersionString =
                            attributes.value(sparkleNamespace, u"shortVersionString"_s).toString();
                } else if (name == u"title" && !sparkle) {
                    item->title = xml.readElementText().trimmed();
                } else if (sparkle && name == u"version") {
                    item->version = xml.readElementText().trimmed();
                } else if (sparkle && name == u"shortVersionString") {
                    item->shortVersionString = xml.readElementText().trimmed();
                } else if (sparkle && name == u"releaseNotesLink") {
                    item->releaseNotesLink = QUrl(xml.readElementText().trimmed());
                }
            }
        } else if (xml.isEndElement() && xml.name() == u"item" && item) {
            if (!item->version.isEmpty()) {
                if (item->shortVersionString.isEmpty())
                    item->shortVersionString = item->version;
                items.append(*item);
            }
            item.reset();
        }
    }
    if (xml.hasError() || !sawChannel)
        return std::nullopt;
    return items;
}

std::optional<AppcastItem> newestUpdate(const QList<AppcastItem> &items, const QString &currentVersion)
{
    std::optional<AppcastItem> newest;
    for (const AppcastItem &item : items) {
        if (compareVersions(item.version, currentVersion) > 0 &&
            (!newest || compareVersions(item.version, newest->version) > 0)) {
            newest = item;
        }
    }
    return newest;
}

} // namespace kernwick
