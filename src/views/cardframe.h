#pragma once

#include <views/appearance.h>

#include <QColor>
#include <QMargins>
#include <QWidget>

#include <functional>

namespace kernwick {

// How a card is drawn: a rounded fill with an optional soft shadow under it, a hairline border and an
// optional accent bar.
struct CardStyle
{
    qreal radius = 10;
    std::function<QColor(const Appearance &)> fill;
    std::function<QColor(const Appearance &)> border = [](const Appearance &) {
        return QColor(0, 0, 0, 20);
    };
    qreal shadowOpacity = 0;
    qreal shadowRadius = 0;
    qreal shadowOffsetY = 0;
    // A bar of colour down the card's left edge, over the border, inside the rounded shape.
    std::function<QColor(const Appearance &)> accentBar;
    qreal accentBarWidth = 0;
    QMargins padding;

    // The inner cards' look: card fill, corner radius 10, faint shadow (radius 4, 1 down), hairline.
    static CardStyle innerCard(QMargins padding);
};

// Paints a card of `style` filling `cardRect`, shadow included. A card at whole pixels is copied from one
// drawn once for its width and style; every other card is drawn whole.
void paintCard(QPainter &painter, const QRectF &cardRect, const CardStyle &style,
               const Appearance &appearance);
// The same card drawn whole, every time.
void paintCardDirectly(QPainter &painter, const QRectF &cardRect, const CardStyle &style,
                       const Appearance &appearance);

// A widget drawn as a card; its layout sits inside the padding. The widget reserves room around the card
// for the shadow, so that the shadow is never cut off.
class CardFrame : public QWidget
{
    Q_OBJECT

public:
    CardFrame(Appearance &appearance, CardStyle style, QWidget *parent = nullptr);

    const CardStyle &cardStyle() const { return m_style; }
    void setCardStyle(CardStyle style);
    // The rectangle of the card itself, without the shadow's room.
    QRectF cardRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    Appearance &appearance() const { return m_appearance; }

private:
    QMargins shadowRoom() const;
    void applyMargins();

    Appearance &m_appearance;
    CardStyle m_style;
};

} // namespace kernwick
