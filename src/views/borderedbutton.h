#pragma once

#include <views/appearance.h>

#include <QPushButton>

namespace kernwick {

// The window's secondary button: text (and an optional symbol before it) on a light rounded fill with a
// hairline border, beside the filled accent buttons.
class BorderedButton final : public QPushButton
{
    Q_OBJECT

public:
    BorderedButton(Appearance &appearance, const QString &text, const QString &symbolName = {},
                   QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Appearance &m_appearance;
    QString m_symbolName;
};

} // namespace kernwick
