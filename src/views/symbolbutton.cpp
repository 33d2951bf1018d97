#include "symbolbutton.h"

#include <views/controlstyle.h>
#include <views/symbols.h>

#include <QPainter>

namespace kernwick {

SymbolButton::SymbolButton(Appearance &appearance, const QString &symbolName, int size, ColorSpec color,
                           QWidget *parent)
    : QAbstractButton(parent)
    , m_appearance(appearance)
    , m_symbolName(symbolName)
    , m_size(size)
    , m_color(color)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(sizeHint());
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
}

void SymbolButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QColor color = m_appearance.color(m_color);
    if (isDown())
        color.setAlphaF(std::min(1.0f, color.alphaF() * 1.6f));
    const QRectF glyph((width() - m_size) / 2.0, (height() - m_size) / 2.0, m_size, m_size);
    paintSymbol(painter, m_symbolName, glyph, color);
    if (showsFocusRing(*this))
        paintFocusRing(painter, QRectF(rect()), height() / 2.0, m_appearance);
}

} // namespace kernwick
