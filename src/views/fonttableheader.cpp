#include "fonttableheader.h"

#include <views/fonttablemodel.h>
#include <views/symbols.h>
#include <views/textlabel.h>

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

using namespace Qt::StringLiterals;

namespace kernwick {

FontTableHeader::FontTableHeader(Appearance &appearance, std::function<Indicator(int section)> indicator,
                                 QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
    , m_appearance(appearance)
    , m_indicator(std::move(indicator))
{
    setSectionsClickable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setMouseTracking(true);
    setFont(systemFont(13, QFont::Medium));
}

bool FontTableHeader::isSortable(int section)
{
    return section == FontTableModel::nameColumn || section == FontTableModel::statusColumn;
}

QString FontTableHeader::indicatorSymbol(Indicator indicator)
{
    switch (indicator) {
    case Indicator::ascending:
        return u"chevron.up"_s;
    case Indicator::descending:
        return u"chevron.down"_s;
    case Indicator::neutral:
        break;
    }
    return u"chevron.up.chevron.down"_s;
}

QSize FontTableHeader::sizeHint() const
{
    return {QHeaderView::sizeHint().width(), 9 + QFontMetrics(font()).height() + 9};
}

void FontTableHeader::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(viewport());
        painter.setRenderHint(QPainter::Antialiasing);
        // The table's rounded outline clips the header's top corners.
        const QRectF area = QRectF(viewport()->rect());
        QPainterPath fill;
        const qreal radius = 9;
        fill.moveTo(area.left(), area.bottom());
        fill.lineTo(area.left(), area.top() + radius);
        fill.quadTo(area.topLeft(), QPointF(area.left() + radius, area.top()));
        fill.lineTo(area.right() - radius, area.top());
        fill.quadTo(area.topRight(), QPointF(area.right(), area.top() + radius));
        fill.lineTo(area.right(), area.bottom());
        fill.closeSubpath();
        painter.fillPath(fill, colors::cardFill(m_appearance.isDark()));
        painter.fillRect(QRectF(area.left(), area.bottom() - 0.5, area.width(), 1),
                         m_appearance.color(colors::primary.withOpacity(0.12)));
    }
    QHeaderView::paintEvent(event);
}

void FontTableHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    const QString title = model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
    if (title.isEmpty())
        return;
    painter->save();
    painter->setFont(font());
    painter->setPen(m_appearance.color(colors::secondary));
    const QFontMetrics metrics(font());
    const QString shown = metrics.elidedText(title, Qt::ElideRight, rect.width());
    painter->drawText(rect, Qt::AlignVCenter | Qt::AlignLeft, shown);
    if (isSortable(logicalIndex)) {
        const Indicator indicator = m_indicator ? m_indicator(logicalIndex) : Indicator::neutral;
        const ColorSpec color =
            indicator == Indicator::neutral ? colors::secondary.withOpacity(0.35) : colors::secondary;
        const QRectF glyph(rect.left() + metrics.horizontalAdvance(shown) + 4, rect.center().y() - 5, 11, 11);
        paintSymbol(*painter, indicatorSymbol(indicator), glyph, m_appearance.color(color));
    }
    painter->restore();
}

void FontTableHeader::mouseMoveEvent(QMouseEvent *event)
{
    const int section = logicalIndexAt(event->position().toPoint());
    setCursor(isSortable(section) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QHeaderView::mouseMoveEvent(event);
}

} // namespace kernwick
