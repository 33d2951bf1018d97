#include "textlabel.h"

#include <QPainter>

#include <algorithm>

namespace kernwick {

QFont systemFont(int size, QFont::Weight weight)
{
    QFont font;
    font.setPixelSize(size);
    font.setWeight(weight);
    return font;
}

TextLabel::TextLabel(Appearance &appearance, const QString &text, int size, QFont::Weight weight,
                     ColorSpec color, QWidget *parent)
    : QLabel(text, parent)
    , m_appearance(appearance)
    , m_color(color)
{
    setFont(systemFont(size, weight));
    setTextFormat(Qt::PlainText);
    applyColor();
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, &TextLabel::applyColor);
}

void TextLabel::setColor(ColorSpec color)
{
    m_color = color;
    applyColor();
}

void TextLabel::applyColor()
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, m_appearance.color(m_color));
    palette.setColor(QPalette::Text, m_appearance.color(m_color));
    setPalette(palette);
}

void TextLabel::setElideMode(Qt::TextElideMode mode)
{
    m_elideMode = mode;
    updateGeometry();
    update();
}

void TextLabel::setUnderline(bool underline)
{
    QFont font = this->font();
    font.setUnderline(underline);
    setFont(font);
}

void TextLabel::setShrinkToFit(int minimumSize)
{
    m_shrinkToSize = minimumSize;
    updateGeometry();
    update();
}

QSize TextLabel::minimumSizeHint() const
{
    if (m_shrinkToSize > 0) {
        QFont smallest = font();
        smallest.setPixelSize(m_shrinkToSize);
        return {QFontMetrics(smallest).horizontalAdvance(text()) + 1, QLabel::minimumSizeHint().height()};
    }
    if (m_elideMode == Qt::ElideNone)
        return QLabel::minimumSizeHint();
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) * 3, QLabel::minimumSizeHint().height()};
}

int TextLabel::heightForWidth(int width) const
{
    if (!wordWrap())
        return QLabel::heightForWidth(width);
    const int layout[3] = {int(alignment()), margin(), indent()};
    if (m_heights.text != text() || m_heights.font != font() || m_heights.margins != contentsMargins() ||
        !std::equal(layout, layout + 3, m_heights.layout))
        m_heights = {text(), font(), contentsMargins(), {layout[0], layout[1], layout[2]}};
    for (int slot = 0; slot < 4; ++slot) {
        if (m_heights.widths[slot] == width)
            return m_heights.heights[slot];
    }
    const int height = QLabel::heightForWidth(width);
    m_heights.widths[m_heights.next] = width;
    m_heights.heights[m_heights.next] = height;
    m_heights.next = (m_heights.next + 1) % 4;
    return height;
}

QFont TextLabel::fittedFont() const
{
    QFont fitted = font();
    const int available = contentsRect().width();
    while (m_shrinkToSize > 0 && fitted.pixelSize() > m_shrinkToSize &&
           QFontMetrics(fitted).horizontalAdvance(text()) > available)
        fitted.setPixelSize(fitted.pixelSize() - 1);
    return fitted;
}

QString TextLabel::shownText() const
{
    if ((m_elideMode == Qt::ElideNone && m_shrinkToSize == 0) || wordWrap())
        return text();
    return QFontMetrics(fittedFont())
        .elidedText(text(), m_elideMode == Qt::ElideNone ? Qt::ElideRight : m_elideMode,
                    contentsRect().width());
}

void TextLabel::paintEvent(QPaintEvent *event)
{
    if ((m_elideMode == Qt::ElideNone && m_shrinkToSize == 0) || wordWrap()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(fittedFont());
    painter.drawText(contentsRect(), int(alignment()), shownText());
}

} // namespace kernwick
