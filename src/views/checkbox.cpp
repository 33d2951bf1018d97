#include "checkbox.h"

#include <views/controlstyle.h>
#include <views/textlabel.h>

#include <QPainter>

namespace kernwick {

namespace {
constexpr int boxSize = 16;
constexpr int textGap = 6;
constexpr int ringRoom = 2;
} // namespace

CheckBox::CheckBox(Appearance &appearance, const QString &text, int textSize, ColorSpec textColor,
                   QWidget *parent)
    : QCheckBox(text, parent)
    , m_appearance(appearance)
    , m_textColor(textColor)
{
    setFont(systemFont(textSize));
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
}

QSize CheckBox::sizeHint() const
{
    const int textWidth = text().isEmpty() ? 0 : textGap + fontMetrics().horizontalAdvance(text());
    return {2 * ringRoom + boxSize + textWidth, std::max(boxSize + 2 * ringRoom, fontMetrics().height())};
}

QRectF CheckBox::boxRect() const
{
    return {qreal(ringRoom), (height() - boxSize) / 2.0, qreal(boxSize), qreal(boxSize)};
}

void CheckBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF box = boxRect();
    paintCheckBox(painter, box, isChecked(), isEnabled(), m_appearance);
    if (showsFocusRing(*this))
        paintFocusRing(painter, box.adjusted(-2, -2, 2, 2), 6, m_appearance);
    if (text().isEmpty())
        return;
    painter.setPen(m_appearance.color(m_textColor));
    painter.setFont(font());
    painter.drawText(QRectF(box.right() + textGap, 0, width() - box.right() - textGap, height()),
                     Qt::AlignVCenter | Qt::AlignLeft, text());
}

} // namespace kernwick
