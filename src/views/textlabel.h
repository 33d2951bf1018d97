#pragma once

#include <views/appearance.h>

#include <QFont>
#include <QLabel>

namespace kernwick {

// The system font at a size given in points (drawn as pixels at scale 1) and a weight.
QFont systemFont(int size, QFont::Weight weight = QFont::Normal);

// One line (or, with word wrap, a paragraph) of text in one of the window's colours, following the
// colour scheme. A label with an elide mode shortens itself to fit instead of growing.
class TextLabel final : public QLabel
{
    Q_OBJECT

public:
    TextLabel(Appearance &appearance, const QString &text, int size, QFont::Weight weight = QFont::Normal,
              ColorSpec color = colors::primary, QWidget *parent = nullptr);

    void setColor(ColorSpec color);
    ColorSpec color() const { return m_color; }
    // Qt::ElideNone (the default) keeps the text whole.
    void setElideMode(Qt::TextElideMode mode);
    void setUnderline(bool underline);
    // Where the text does not fit at its size, it is drawn smaller, down to `minimumSize`, before it is
    // shortened; 0 (the default) keeps the size.
    void setShrinkToFit(int minimumSize);
    // The text as drawn now: shortened where it had to be.
    QString shownText() const;

    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void applyColor();

    Appearance &m_appearance;
    ColorSpec m_color;
    QFont fittedFont() const;

    Qt::TextElideMode m_elideMode = Qt::ElideNone;
    int m_shrinkToSize = 0;

    // Layouts ask a wrapped label's height for the same few widths again and again, and each answer lays
    // the text out anew: the last answers are kept while what they were worked out from stays the same.
    struct Heights
    {
        QString text;
        QFont font;
        QMargins margins;
        int layout[3] = {}; // alignment, margin and indent
        int widths[4] = {-1, -1, -1, -1};
        int heights[4] = {};
        int next = 0;
    };
    mutable Heights m_heights;
};

} // namespace kernwick
