#pragma once

#include <views/appearance.h>

#include <QHeaderView>

#include <functional>

namespace kernwick {

// The font table's header row on the card fill: static titles, and for "Font Name" and "Status" a
// sort indicator showing whether the list is sorted by that column and in which direction.
class FontTableHeader final : public QHeaderView
{
    Q_OBJECT

public:
    enum class Indicator
    {
        neutral,
        ascending,
        descending
    };

    // `indicator` tells, per section, which indicator a sortable section shows.
    FontTableHeader(Appearance &appearance, std::function<Indicator(int section)> indicator,
                    QWidget *parent = nullptr);

    static bool isSortable(int section);
    static QString indicatorSymbol(Indicator indicator);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    Appearance &m_appearance;
    void updateAccessibleName();

    std::function<Indicator(int section)> m_indicator;
    // The sortable section the keyboard is on.
    int m_focusSection = 1;
};

} // namespace kernwick
