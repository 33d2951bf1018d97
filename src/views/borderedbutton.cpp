#include "borderedbutton.h"

#include <views/controlstyle.h>
#include <views/symbols.h>
#include <views/textlabel.h>

#include <QPainter>

namespace kernwick {

namespace {
constexpr int symbolSize = 13;
constexpr int symbolGap = 5;
const QMargins padding{10, 4, 10, 4};
constexpr qreal radius = 6;
} // namespace

BorderedButton::BorderedButton(Appearance &appearance, const QString &text, const QString &symbolName,
                               QWidget *parent)
    : QPushButton(text, parent)
    , m_appearance(appearance)
    , m_symbolName(symbolName)
{
    setFont(systemFont(13));
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
}

QSize BorderedButton::sizeHint() const
{
    int width = fontMetrics().horizontalAdvance(text());
    if (!m_symbolName.isEmpty())
        width += symbolSize + symbolGap;
    return {width + padding.left() + padding.right() + 2,
            fontMetrics().height() + padding.top() + padding.bottom() + 2};
}

void BorderedButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = m_appearance.isDark();
    const QRectF frame = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    QColor fill = dark ? QColor(255, 255, 255, 26) : QColor(255, 255, 255, 230);
    if (isDown())
        fill = dark ? QColor(255, 255, 255, 50) : QColor(0, 0, 0, 20);
    painter.setBrush(fill);
    painter.setPen(QPen(dark ? QColor(255, 255, 255, 45) : QColor(0, 0, 0, 38), 1));
    painter.drawRoundedRect(frame, radius, radius);
    if (showsFocusRing(*this))
        paintFocusRing(painter, QRectF(rect()), radius + 1, m_appearance);

    QColor ink = m_appearance.color(colors::primary);
    if (!isEnabled())
        ink = m_appearance.color(colors::secondary);
    const int textWidth = fontMetrics().horizontalAdvance(text());
    const int symbolWidth = m_symbolName.isEmpty() ? 0 : symbolSize + symbolGap;
    const qreal left = (width() - textWidth - symbolWidth) / 2.0;
    if (symbolWidth > 0)
        paintSymbol(painter, m_symbolName,
                    QRectF(left, (height() - symbolSize) / 2.0, symbolSize, symbolSize), ink);
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(QRectF(left + symbolWidth, 0, textWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft,
                     text());
}

} // namespace kernwick
