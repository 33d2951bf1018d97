#pragma once

#include <QChar>
#include <QList>
#include <QSet>
#include <QString>

#include <algorithm>
#include <array>
#include <bitset>

namespace kernwick::fontmeta {

// The distinct characters that text draws in one font at one place. White space, controls and format
// characters draw no glyph and are left out; beyond MaxCharacters distinct ones the rest are not kept.
class CharacterSet
{
public:
    static constexpr qsizetype MaxCharacters = 4096;

    void insert(char32_t c)
    {
        if (c < 128) {
            if (c > 0x20 && c != 0x7f)
                m_ascii.set(c);
        } else if (m_other.size() < MaxCharacters && drawsGlyph(c)) {
            m_other.insert(c);
        }
    }
    void insert(QStringView text);
    // ASCII characters as bits: bit n of word n / 64 for character n.
    void insertAscii(const std::array<quint64, 2> &bits)
    {
        // Controls, space and DEL draw nothing.
        const std::bitset<128> drawn = (std::bitset<128>(bits[1]) << 64 | std::bitset<128>(bits[0])) &
                                       ~(std::bitset<128>(0x1ffffffffULL) | std::bitset<128>(1) << 0x7f);
        m_ascii |= drawn;
    }
    void unite(const CharacterSet &other);
    void clear()
    {
        m_ascii.reset();
        m_other.clear();
    }
    bool isEmpty() const { return m_ascii.none() && m_other.isEmpty(); }
    // How many characters beyond ASCII it holds: what it costs to keep.
    qsizetype otherCount() const { return m_other.size(); }
    // In code-point order.
    QString toString() const;

    static bool drawsGlyph(char32_t c);

private:
    std::bitset<128> m_ascii;
    QSet<char32_t> m_other;
};

inline bool CharacterSet::drawsGlyph(char32_t c)
{
    if (c >= 0xfe00 && c <= 0xfe0f)
        return false; // variation selectors pick a glyph; they draw none of their own
    if (c >= 0xe0100 && c <= 0xe01ef)
        return false;
    if (c == 0xfffc)
        return false; // stands for an object anchored in the text
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        return true;
    }
}

inline void CharacterSet::insert(QStringView text)
{
    for (const char32_t c : text.toUcs4())
        insert(c);
}

inline void CharacterSet::unite(const CharacterSet &other)
{
    m_ascii |= other.m_ascii;
    for (const char32_t c : other.m_other) {
        if (m_other.size() >= MaxCharacters)
            break;
        m_other.insert(c);
    }
}

inline QString CharacterSet::toString() const
{
    QList<char32_t> others(m_other.cbegin(), m_other.cend());
    std::sort(others.begin(), others.end());
    QString text;
    for (char32_t c = 0; c < 128; ++c) {
        if (m_ascii.test(c))
            text += QChar(c);
    }
    for (const char32_t c : std::as_const(others))
        text += QString::fromUcs4(&c, 1);
    return text;
}

} // namespace kernwick::fontmeta
