#include "symbolicon.h"

#include <views/symbols.h>

#include <QPainter>

namespace kernwick {

SymbolIcon::SymbolIcon(Appearance &appearance, const QString &symbolName, int size, ColorSpec color,
                       QWidget *parent)
    : QWidget(parent)
    , m_appearance(appearance)
    , m_symbolName(symbolName)
    , m_size(size)
    , m_color(color)
{
    setFixedSize(size, size);
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
}

void SymbolIcon::setSymbol(const QString &symbolName, ColorSpec color)
{
    m_symbolName = symbolName;
    m_color = color;
    update();
}

void SymbolIcon::setColor(ColorSpec color)
{
    m_color = color;
    update();
}

void SymbolIcon::setBoxSize(QSize size)
{
    setFixedSize(size.expandedTo(QSize(m_size, m_size)));
}

void SymbolIcon::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF glyph(QPointF(0, 0), QSizeF(m_size, m_size));
    paintSymbol(painter, m_symbolName, glyph.translated(QRectF(rect()).center() - glyph.center()),
                m_override.isValid() ? m_override : m_appearance.color(m_color));
}

} // namespace kernwick
