#include "cardframe.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kernwick {

CardStyle CardStyle::innerCard(QMargins padding)
{
    CardStyle style;
    style.radius = 10;
    style.fill = [](const Appearance &appearance) {
        return colors::cardFill(appearance.isDark());
    };
    style.shadowOpacity = 0.05;
    style.shadowRadius = 4;
    style.shadowOffsetY = 1;
    style.padding = padding;
    return style;
}

void paintCard(QPainter &painter, const QRectF &cardRect, const CardStyle &style,
               const Appearance &appearance)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (style.shadowOpacity > 0 && style.shadowRadius > 0) {
        // A blur of the given radius, approximated by rings that fade outwards.
        const int steps = int(std::ceil(style.shadowRadius));
        const QRectF shadow = cardRect.translated(0, style.shadowOffsetY);
        // The card's own fill is translucent: the shadow is drawn only outside it.
        QPainterPath outside;
        outside.addRect(cardRect.united(shadow).adjusted(-steps, -steps, steps, steps));
        QPainterPath card;
        card.addRoundedRect(cardRect, style.radius, style.radius);
        painter.setClipPath(outside.subtracted(card));
        for (int step = steps; step >= 1; --step) {
            const qreal spread = step * 0.5;
            const qreal alpha = style.shadowOpacity * 2.0 / (steps + 1);
            painter.setBrush(QColor::fromRgbF(0, 0, 0, float(alpha)));
            painter.drawRoundedRect(shadow.adjusted(-spread, -spread, spread, spread), style.radius + spread,
                                    style.radius + spread);
        }
        painter.setClipping(false);
    }
    if (style.fill) {
        painter.setBrush(style.fill(appearance));
        painter.drawRoundedRect(cardRect, style.radius, style.radius);
    }
    if (style.border) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(style.border(appearance), 1));
        painter.drawRoundedRect(cardRect.adjusted(0.5, 0.5, -0.5, -0.5), style.radius, style.radius);
    }
    painter.restore();
}

CardFrame::CardFrame(Appearance &appearance, CardStyle style, QWidget *parent)
    : QWidget(parent)
    , m_appearance(appearance)
    , m_style(std::move(style))
{
    applyMargins();
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
}

void CardFrame::setCardStyle(CardStyle style)
{
    m_style = std::move(style);
    applyMargins();
    update();
}

QMargins CardFrame::shadowRoom() const
{
    if (m_style.shadowOpacity <= 0)
        return {};
    const int spread = int(std::ceil(m_style.shadowRadius * 0.5));
    const int down = int(std::ceil(m_style.shadowOffsetY));
    return {spread, std::max(0, spread - down), spread, spread + down};
}

void CardFrame::applyMargins()
{
    setContentsMargins(m_style.padding + shadowRoom());
}

QRectF CardFrame::cardRect() const
{
    return QRectF(rect()).marginsRemoved(shadowRoom().toMarginsF());
}

void CardFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintCard(painter, cardRect(), m_style, m_appearance);
}

} // namespace kernwick
