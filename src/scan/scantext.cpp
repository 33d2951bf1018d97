#include "scantext.h"

#include <model/printabletext.h>

#include <QStringDecoder>

namespace kernwick {

namespace {
bool isScanWhitespace(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return c == 0x09 || (c >= 0x0A && c <= 0x0D) || c == 0x85;
    }
}
} // namespace

QString trimScanWhitespace(QStringView text)
{
    return trimmedScanText(text).toString();
}

QStringView trimmedScanText(QStringView text)
{
    // Every character of the set lies in the Basic Multilingual Plane, so code units suffice.
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isScanWhitespace(text[begin].unicode()))
        ++begin;
    while (end > begin && isScanWhitespace(text[end - 1].unicode()))
        --end;
    return text.sliced(begin, end - begin);
}

QString withoutControlCharacters(QStringView text)
{
    return printableText(text);
}

QString decodeXmlReferences(QStringView text)
{
    if (!text.contains(u'&'))
        return text.toString();
    static constexpr std::pair<QStringView, char16_t> entities[] = {
        {u"amp;", u'&'}, {u"lt;", u'<'}, {u"gt;", u'>'}, {u"quot;", u'"'}, {u"apos;", u'\''}};
    QString decoded;
    decoded.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            decoded.append(text[i]);
            continue;
        }
        const QStringView rest = text.sliced(i + 1);
        bool replaced = false;
        for (const auto &[entity, character] : entities) {
            if (rest.startsWith(entity)) {
                decoded.append(QChar(character));
                i += entity.size();
                replaced = true;
                break;
            }
        }
        const qsizetype semicolon = rest.indexOf(u';');
        if (!replaced && rest.startsWith(u'#') && semicolon > 1 && semicolon <= 10) {
            const bool hex = rest[1] == u'x' || rest[1] == u'X';
            bool valid = false;
            const uint code =
                rest.sliced(hex ? 2 : 1, semicolon - (hex ? 2 : 1)).toUInt(&valid, hex ? 16 : 10);
            if (valid && code > 0 && code <= 0x10FFFF) {
                const char32_t point = code;
                decoded.append(QString::fromUcs4(&point, 1));
                i += semicolon + 1;
                replaced = true;
            }
        }
        if (!replaced)
            decoded.append(u'&');
    }
    return decoded;
}

QString withoutTrailingSlashes(const QString &path)
{
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == u'/')
        --end;
    return path.first(end);
}

std::optional<QString> decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace kernwick
