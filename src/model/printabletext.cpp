#include "printabletext.h"

namespace kernwick {

namespace {
bool isLayoutControl(char16_t c)
{
    return c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}
} // namespace

QString printableText(QStringView text)
{
    QString clean = text.toString();
    for (qsizetype i = 0; i < clean.size(); ++i) {
        const char16_t c = clean[i].unicode();
        if (c < 0x20 || (c >= 0x7f && c < 0xa0) || isLayoutControl(c)) {
            clean[i] = u' ';
        } else if (QChar::isHighSurrogate(c) && i + 1 < clean.size() && clean[i + 1].isLowSurrogate()) {
            ++i;
        } else if (QChar::isSurrogate(c)) {
            clean[i] = QChar::ReplacementCharacter;
        }
    }
    return clean;
}

} // namespace kernwick
