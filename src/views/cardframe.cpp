#include "cardframe.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kernwick {

namespace {

// Three box blurs of the alpha channel come close to a Gaussian of the given radius.
void blurAlpha(QImage &image, int radius)
{
    const int box = std::max(1, radius / 2);
    const int width = image.width();
    const int height = image.height();
    QList<int> line(std::max(width, height));
    for (int pass = 0; pass < 3; ++pass) {
        for (int horizontal = 0; horizontal < 2; ++horizontal) {
            const int length = horizontal ? width : height;
            const int lines = horizontal ? height : width;
            for (int index = 0; index < lines; ++index) {
                auto pixel = [&](int at) -> uchar & {
                    return horizontal ? image.scanLine(index)[at] : image.scanLine(at)[index];
                };
                for (int at = 0; at < length; ++at)
                    line[at] = pixel(at);
                int sum = 0;
                for (int at = -box; at <= box; ++at)
                    sum += (at >= 0 && at < length) ? line[at] : 0;
                for (int at = 0; at < length; ++at) {
                    pixel(at) = uchar(sum / (2 * box + 1));
                    const int leaving = at - box;
                    const int entering = at + box + 1;
                    sum += (entering < length ? line[entering] : 0) - (leaving >= 0 ? line[leaving] : 0);
                }
            }
        }
    }
}

// The blurred shadow of a rounded rectangle whose corners and edges can be stretched to any size: a small
// image of the rectangle's corners, blurred once and kept.
QImage shadowTile(qreal cornerRadius, int blurRadius)
{
    static QHash<QPair<int, int>, QImage> tiles;
    const QPair<int, int> key(int(cornerRadius * 4), blurRadius);
    if (const auto found = tiles.constFind(key); found != tiles.cend())
        return *found;
    const int margin = 2 * blurRadius;
    const int corner = int(std::ceil(cornerRadius)) + margin;
    const int side = 2 * corner + 1;
    QImage image(side, side, QImage::Format_Alpha8);
    image.fill(0);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(QRectF(margin, margin, side - 2 * margin, side - 2 * margin), cornerRadius,
                                cornerRadius);
    }
    blurAlpha(image, blurRadius);
    tiles.insert(key, image);
    return image;
}

// `covered`: a rectangle that the caller paints over, where the shadow need not be drawn.
void paintShadow(QPainter &painter, const QRectF &shape, qreal cornerRadius, qreal opacity, int blurRadius,
                 const QRectF &covered)
{
    const QImage tile = shadowTile(cornerRadius, blurRadius);
    const int corner = tile.width() / 2;
    const int margin = 2 * blurRadius;
    const QRectF area = shape.adjusted(-margin, -margin, margin, margin);
    painter.save();
    painter.setOpacity(opacity);
    // Nine pieces: the corners as they are, the edges and the middle stretched.
    const qreal xs[] = {area.left(), area.left() + corner, area.right() - corner, area.right()};
    const qreal ys[] = {area.top(), area.top() + corner, area.bottom() - corner, area.bottom()};
    const int sxs[] = {0, corner, corner + 1, tile.width()};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRectF target(xs[column], ys[row], xs[column + 1] - xs[column], ys[row + 1] - ys[row]);
            // The middle usually lies wholly under the card, where no shadow shows.
            if (row == 1 && column == 1 && covered.contains(target))
                continue;
            const QRect source(sxs[column], sxs[row], sxs[column + 1] - sxs[column], sxs[row + 1] - sxs[row]);
            if (target.width() > 0 && target.height() > 0)
                painter.drawImage(target, tile, source);
        }
    }
    painter.restore();
}

} // namespace

void paintCardDirectly(QPainter &painter, const QRectF &cardRect, const CardStyle &style,
                       const Appearance &appearance)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (style.shadowOpacity > 0 && style.shadowRadius > 0) {
        // A soft blur of black under the card. The card's own fill is translucent: the shadow is drawn
        // only outside it.
        const QRectF shadow = cardRect.translated(0, style.shadowOffsetY);
        const int blur = int(std::ceil(style.shadowRadius));
        QPainterPath outside;
        outside.addRect(shadow.adjusted(-2 * blur, -2 * blur, 2 * blur, 2 * blur));
        QPainterPath card;
        card.addRoundedRect(cardRect, style.radius, style.radius);
        painter.setClipPath(outside.subtracted(card), Qt::IntersectClip);
        // The card's rounded shape holds its rectangle narrowed by the corners' radius.
        paintShadow(painter, shadow, style.radius, style.shadowOpacity, blur,
                    cardRect.adjusted(style.radius, 0, -style.radius, 0));
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
    if (style.accentBar && style.accentBarWidth > 0) {
        QPainterPath card;
        card.addRoundedRect(cardRect, style.radius, style.radius);
        painter.setClipPath(card, Qt::IntersectClip);
        painter.fillRect(QRectF(cardRect.left(), cardRect.top(), style.accentBarWidth, cardRect.height()),
                         style.accentBar(appearance));
    }
    painter.restore();
}

namespace {

// A card of one style and width drawn once, as short as it can be: its top and bottom as they are, and
// between them one row that the card repeats down its straight sides.
struct CardBands
{
    QImage image;
    int top = 0;    // the rows above the repeated one
    int bottom = 0; // the rows below it
};

struct CardBandsKey
{
    int width;
    QRgb fill;
    QRgb border;
    QRgb accentBar;
    bool hasFill;
    bool hasBorder;
    qreal accentBarWidth;
    qreal radius;
    qreal shadowOpacity;
    qreal shadowRadius;
    qreal shadowOffsetY;
    bool operator==(const CardBandsKey &) const = default;
};

size_t qHash(const CardBandsKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.width, key.fill, key.border, key.radius, key.shadowRadius);
}

// How far the card's drawing reaches past its rectangle above and below, and how many rows at its top
// and bottom differ from the rows of its straight sides.
struct CardReach
{
    int above = 0;
    int below = 0;
    int edge = 0;
};

CardReach cardReach(const CardStyle &style)
{
    CardReach reach;
    const int corner = int(std::ceil(style.radius));
    int shadow = 0;
    if (style.shadowOpacity > 0 && style.shadowRadius > 0) {
        const int margin = 2 * int(std::ceil(style.shadowRadius));
        const int offset = int(std::ceil(std::abs(style.shadowOffsetY)));
        reach.above = margin + offset;
        reach.below = margin + offset;
        shadow = margin + offset;
    }
    reach.edge = corner + shadow + 2;
    return reach;
}

const CardBands &cardBands(const CardBandsKey &key, const CardStyle &style, const Appearance &appearance)
{
    static QHash<CardBandsKey, CardBands> cache;
    if (const auto found = cache.constFind(key); found != cache.cend())
        return *found;
    if (cache.size() >= 32) // a window resized over and over: start afresh rather than grow
        cache.clear();
    const CardReach reach = cardReach(style);
    const int margin = reach.above; // room on the sides as much as above, for the shadow
    const int height = 2 * reach.edge + 1;
    CardBands bands;
    bands.top = reach.above + reach.edge;
    bands.bottom = reach.edge + reach.below;
    bands.image =
        QImage(key.width + 2 * margin, bands.top + 1 + bands.bottom, QImage::Format_ARGB32_Premultiplied);
    bands.image.fill(Qt::transparent);
    QPainter painter(&bands.image);
    paintCardDirectly(painter, QRectF(margin, reach.above, key.width, height), style, appearance);
    painter.end();
    return *cache.insert(key, bands);
}

} // namespace

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
    // A tall card's straight sides are one row repeated: drawn from a card of the same width, drawn once.
    // Each fill or line that spans many rows costs the painter far more than copying rows of pixels.
    const CardReach reach = cardReach(style);
    const QTransform &transform = painter.deviceTransform();
    const QRect whole = cardRect.toRect();
    const bool aligned = transform.type() <= QTransform::TxTranslate && QRectF(whole) == cardRect &&
                         transform.dx() == std::round(transform.dx()) &&
                         transform.dy() == std::round(transform.dy());
    // The layers are blended into the kept drawing first: only the same as drawing them one by one on a
    // painter that blends as usual.
    const bool plainBlend =
        painter.opacity() == 1.0 && painter.compositionMode() == QPainter::CompositionMode_SourceOver;
    if (!aligned || !plainBlend || whole.height() < 2 * reach.edge + 2 || whole.width() <= 0) {
        paintCardDirectly(painter, cardRect, style, appearance);
        return;
    }
    const CardBandsKey key{whole.width(),
                           style.fill ? style.fill(appearance).rgba() : 0,
                           style.border ? style.border(appearance).rgba() : 0,
                           style.accentBar ? style.accentBar(appearance).rgba() : 0,
                           bool(style.fill),
                           bool(style.border),
                           style.accentBar ? style.accentBarWidth : 0,
                           style.radius,
                           style.shadowOpacity,
                           style.shadowRadius,
                           style.shadowOffsetY};
    const CardBands &bands = cardBands(key, style, appearance);
    const int margin = reach.above;
    const int left = whole.left() - margin;
    const int width = bands.image.width();
    const int top = whole.top() - reach.above;
    const int repeated = whole.height() + reach.above + reach.below - bands.top - bands.bottom;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QPoint(left, top), bands.image, QRect(0, 0, width, bands.top));
    painter.drawImage(QRect(left, top + bands.top, width, repeated), bands.image,
                      QRect(0, bands.top, width, 1));
    painter.drawImage(QPoint(left, top + bands.top + repeated), bands.image,
                      QRect(0, bands.top + 1, width, bands.bottom));
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
