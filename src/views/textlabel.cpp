#include "textlabel.h"

#include <QPainter>

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

QSize TextLabel::minimumSizeHint() const
{
    if (m_elideMode == Qt::ElideNone)
        return QLabel::minimumSizeHint();
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) * 3, QLabel::minimumSizeHint().height()};
}

void TextLabel::paintEvent(QPaintEvent *event)
{
    if (m_elideMode == Qt::ElideNone || wordWrap()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = contentsRect();
    painter.drawText(area, int(alignment()), fontMetrics().elidedText(text(), m_elideMode, area.width()));
}

} // namespace kernwick
