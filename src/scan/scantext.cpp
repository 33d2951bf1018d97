#include "scantext.h"

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
    QString clean = text.toString();
    for (qsizetype i = 0; i < clean.size(); ++i) {
        const char16_t c = clean[i].unicode();
        if (c < 0x20 || (c >= 0x7f && c < 0xa0)) {
            clean[i] = u' ';
        } else if (QChar::isHighSurrogate(c) && i + 1 < clean.size() && clean[i + 1].isLowSurrogate()) {
            ++i;
        } else if (QChar::isSurrogate(c)) {
            clean[i] = QChar::ReplacementCharacter;
        }
    }
    return clean;
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
