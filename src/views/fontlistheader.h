#pragma once

#include <views/appearance.h>

#include <QAbstractButton>

class QPushButton;

namespace kernwick {

class CheckBox;
class SymbolIcon;
class TextLabel;
class WorkflowState;

// The row above the font table: a button of its own, with a chevron and "Font List (n)", that folds the
// table away; on its right the "Hide system fonts" checkbox and the "Refresh" button, which act on their
// own.
class FontListHeader final : public QAbstractButton
{
    Q_OBJECT

public:
    FontListHeader(Appearance &appearance, WorkflowState &workflow, QWidget *parent = nullptr);

    // "Font List (12)" or "Font List (9, 3 system hidden)".
    static QString titleText(qsizetype itemCount, qsizetype systemCount, bool hideSystemFonts);
    QString title() const;
    QString chevronSymbol() const;
    CheckBox *hideSystemFontsBox() const { return m_hideSystem; }
    QPushButton *refreshButton() const { return m_refresh; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Clicks on the checkbox and the button stay with them; anywhere else on the row is this button's.
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }

private:
    void refresh();

    Appearance &m_appearance;
    WorkflowState &m_workflow;
    SymbolIcon *m_chevron;
    TextLabel *m_title;
    CheckBox *m_hideSystem;
    QPushButton *m_refresh;
};

} // namespace kernwick
