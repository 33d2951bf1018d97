#pragma once

#include <views/appearance.h>

#include <QAbstractButton>

namespace kernwick {

// A bare symbol that acts as a button (no border), with the pointing hand over it.
class SymbolButton final : public QAbstractButton
{
    Q_OBJECT

public:
    SymbolButton(Appearance &appearance, const QString &symbolName, int size, ColorSpec color,
                 QWidget *parent = nullptr);

    QSize sizeHint() const override { return {m_size + 8, m_size + 8}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Appearance &m_appearance;
    QString m_symbolName;
    int m_size;
    ColorSpec m_color;
};

} // namespace kernwick
