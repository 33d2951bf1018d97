#include "filledbutton.h"

#include <views/controlstyle.h>
#include <views/symbols.h>
#include <views/textlabel.h>

#include <QPainter>

namespace kernwick {

FilledButton::FilledButton(Appearance &appearance, const QString &text, Look look, QWidget *parent)
    : QAbstractButton(parent)
    , m_appearance(appearance)
    , m_look(std::move(look))
{
    setText(text);
    setFont(systemFont(m_look.textSize, m_look.weight));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
}

QSize FilledButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = metrics.horizontalAdvance(text());
    if (!m_look.symbolName.isEmpty())
        width += m_look.textSize + m_look.spacing;
    return {width + m_look.padding.left() + m_look.padding.right(),
            metrics.height() + m_look.padding.top() + m_look.padding.bottom()};
}

QColor FilledButton::fillColor() const
{
    return isEnabled() ? m_appearance.color(colors::accentBlue)
                       : m_appearance.color(colors::secondary.withOpacity(0.35));
}

void FilledButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor fill = fillColor();
    if (isDown())
        fill = fill.darker(115);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), m_look.radius, m_look.radius);
    if (showsFocusRing(*this)) {
        // An accent ring would vanish on the accent fill: a white ring inside the edge shows instead.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::white, 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(3, 3, -3, -3), m_look.radius - 2, m_look.radius - 2);
        painter.setPen(Qt::NoPen);
    }
    // Disabled, the label dims with the fill, so that the button reads as unavailable in either appearance.
    const QColor ink = isEnabled() ? QColor(Qt::white) : QColor(255, 255, 255, 140);

    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(text());
    const int symbolWidth = m_look.symbolName.isEmpty() ? 0 : m_look.textSize + m_look.spacing;
    const qreal left = (width() - textWidth - symbolWidth) / 2.0;
    if (symbolWidth > 0) {
        const QRectF glyph(left, (height() - m_look.textSize) / 2.0, m_look.textSize, m_look.textSize);
        paintSymbol(painter, m_look.symbolName, glyph, ink);
    }
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(QRectF(left + symbolWidth, 0, textWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft,
                     text());
}

} // namespace kernwick
