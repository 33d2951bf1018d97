#pragma once

#include <views/appearance.h>

#include <QWidget>

namespace kernwick {

// One line of the legend: a coloured dot and its label.
class FontLegendRow final : public QWidget
{
    Q_OBJECT

public:
    FontLegendRow(Appearance &appearance, ColorSpec color, const QString &label, QWidget *parent = nullptr);

    ColorSpec color() const { return m_color; }
    QString label() const;

private:
    ColorSpec m_color;
};

} // namespace kernwick
