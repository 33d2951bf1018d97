#pragma once

#include <views/appearance.h>

#include <QWidget>

namespace kernwick {

// One symbol of the window's icon set, drawn in one of its colours at a glyph size in points, in a box
// that may be wider than the glyph (the glyph is centred in it).
class SymbolIcon final : public QWidget
{
    Q_OBJECT

public:
    SymbolIcon(Appearance &appearance, const QString &symbolName, int size, ColorSpec color,
               QWidget *parent = nullptr);

    const QString &symbolName() const { return m_symbolName; }
    void setSymbol(const QString &symbolName, ColorSpec color);
    ColorSpec color() const { return m_color; }
    void setColor(ColorSpec color);
    // A fixed box wider (or taller) than the glyph.
    void setBoxSize(QSize size);
    void setColorOverride(const QColor &color)
    {
        m_override = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Appearance &m_appearance;
    QString m_symbolName;
    int m_size;
    ColorSpec m_color;
    QColor m_override;
};

} // namespace kernwick
