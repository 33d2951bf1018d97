#pragma once

#include <views/appearance.h>

#include <QCheckBox>

namespace kernwick {

// A checkbox in the window's own look, with an optional label beside it in one of the window's colours.
class CheckBox final : public QCheckBox
{
    Q_OBJECT

public:
    explicit CheckBox(Appearance &appearance, const QString &text = {}, int textSize = 13,
                      ColorSpec textColor = colors::secondary, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }

private:
    QRectF boxRect() const;

    Appearance &m_appearance;
    ColorSpec m_textColor;
};

} // namespace kernwick
