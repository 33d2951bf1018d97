#pragma once

#include <views/appearance.h>

#include <QWidget>

class QCheckBox;
class QPushButton;

namespace kernwick {

class SymbolIcon;
class TextLabel;
class WorkflowState;

// The row above the font table: a chevron and "Font List (n)" that fold the table away when clicked,
// the "Hide system fonts" checkbox and the "Refresh" button.
class FontListHeader final : public QWidget
{
    Q_OBJECT

public:
    FontListHeader(Appearance &appearance, WorkflowState &workflow, QWidget *parent = nullptr);

    // "Font List (12)" or "Font List (9, 3 system hidden)".
    static QString titleText(qsizetype itemCount, qsizetype systemCount, bool hideSystemFonts);
    QString title() const;
    QString chevronSymbol() const;
    QCheckBox *hideSystemFontsBox() const { return m_hideSystem; }
    QPushButton *refreshButton() const { return m_refresh; }

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void refresh();

    WorkflowState &m_workflow;
    SymbolIcon *m_chevron;
    TextLabel *m_title;
    QCheckBox *m_hideSystem;
    QPushButton *m_refresh;
};

} // namespace kernwick
