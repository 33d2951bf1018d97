#pragma once

#include <views/appearance.h>

#include <QWidget>

namespace kernwick {

// The window's backdrop: a diagonal three-colour gradient from the top-leading to the bottom-trailing
// corner, in the light or dark variant.
class AppBackground : public QWidget
{
    Q_OBJECT

public:
    explicit AppBackground(Appearance &appearance, QWidget *parent = nullptr);

    static void paint(QPainter &painter, const QRectF &area, Appearance::ColorScheme scheme);
    // The gradient's three colours, top-leading first.
    static QList<QColor> gradientStops(Appearance::ColorScheme scheme);

protected:
    void paintEvent(QPaintEvent *event) override;
    Appearance &appearance() const { return m_appearance; }

private:
    Appearance &m_appearance;
};

} // namespace kernwick
