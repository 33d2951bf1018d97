#pragma once

#include <views/appearance.h>

#include <QAbstractButton>

namespace kernwick {

// A button without the desktop's bezel: white text (and an optional symbol before it) on a rounded fill,
// grey while disabled.
class FilledButton final : public QAbstractButton
{
    Q_OBJECT

public:
    struct Look
    {
        int textSize = 14;
        QFont::Weight weight = QFont::Medium;
        QMargins padding{16, 7, 16, 7};
        qreal radius = 7;
        QString symbolName; // empty: text only
        int spacing = 6;
    };

    FilledButton(Appearance &appearance, const QString &text, Look look, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // The fill in the current state: the accent when enabled, secondary at 35 % when not.
    QColor fillColor() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Appearance &m_appearance;
    Look m_look;
};

} // namespace kernwick
