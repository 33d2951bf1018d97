#pragma once

#include <views/appearance.h>

#include <QAbstractButton>

namespace kernwick {

// An on/off switch at the small control size, without a label.
class SwitchToggle final : public QAbstractButton
{
    Q_OBJECT

public:
    explicit SwitchToggle(Appearance &appearance, QWidget *parent = nullptr);

    // The track is 32 by 18; the rest is room for the focus ring.
    QSize sizeHint() const override { return {36, 22}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Appearance &m_appearance;
};

} // namespace kernwick
