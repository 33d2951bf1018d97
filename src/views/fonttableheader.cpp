#include "fonttableheader.h"

#include <views/controlstyle.h>
#include <views/fonttablemodel.h>
#include <views/symbols.h>
#include <views/textlabel.h>

#include <QKeyEvent>
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
    // The sortable titles are reached with Tab; the arrows go from one to the other, Space or Return sorts.
    setFocusPolicy(Qt::TabFocus);
    // The header paints its own fill with the table's rounded corners: nothing square goes under it.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    updateAccessibleName();
}

void FontTableHeader::updateAccessibleName()
{
    const QString title =
        model() ? model()->headerData(m_focusSection, Qt::Horizontal).toString()
                : QString(m_focusSection == FontTableModel::nameColumn ? u"Font Name"_s : u"Status"_s);
    setAccessibleName(u"Sort by "_s + title);
}

void FontTableHeader::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_focusSection = m_focusSection == FontTableModel::nameColumn ? FontTableModel::statusColumn
                                                                      : FontTableModel::nameColumn;
        updateAccessibleName();
        viewport()->update();
        return;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT sectionClicked(m_focusSection);
        return;
    default:
        QHeaderView::keyPressEvent(event);
    }
}

void FontTableHeader::focusInEvent(QFocusEvent *event)
{
    QHeaderView::focusInEvent(event);
    viewport()->update();
}

void FontTableHeader::focusOutEvent(QFocusEvent *event)
{
    QHeaderView::focusOutEvent(event);
    viewport()->update();
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
        // The table's rounded outline (radius 10, inside its 1-wide stroke 9) clips the header's top corners.
        const QRectF area = QRectF(viewport()->rect());
        QPainterPath fill;
        fill.addRoundedRect(area.adjusted(0, 0, 0, 20), 9, 9);
        QPainterPath bounds;
        bounds.addRect(area);
        painter.fillPath(fill.intersected(bounds), colors::cardFill(m_appearance.isDark()));
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
        const QRectF glyph(rect.left() + metrics.horizontalAdvance(shown) + 4, rect.center().y() - 5, 11, 11);
        paintSymbol(*painter, indicatorSymbol(indicator), glyph, m_appearance.color(colors::secondary));
        if (logicalIndex == m_focusSection && showsFocusRing(*this)) {
            const int right = int(glyph.right()) + 5;
            paintFocusRing(
                *painter, QRectF(rect.left() - 5, rect.top() + 3, right - rect.left() + 5, rect.height() - 6),
                5, m_appearance);
        }
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
