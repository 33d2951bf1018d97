#pragma once

#include <views/appearance.h>

#include <QWidget>

class QVBoxLayout;

namespace kernwick {

class TextLabel;
class WorkflowState;

// One numbered step of the window: an accent bar down its left edge, a header row with the number
// badge, title and subtitle (and an optional view at its right end), and the step's body under it.
class StepCard final : public QWidget
{
    Q_OBJECT

public:
    StepCard(Appearance &appearance, int number, const QString &title, const QString &subtitle,
             QWidget *trailingHeader = nullptr, QWidget *parent = nullptr);

    int number() const { return m_number; }
    // Replaces the body; the old body is deleted.
    void setContent(QWidget *content);
    QWidget *content() const { return m_content; }

    // Makes the whole card the drop target for presentation files: hovering a file drag sets the
    // workflow's dragging-over flag, dropping hands the file URLs to the workflow.
    void acceptFileDrops(WorkflowState *workflow);

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    Appearance &m_appearance;
    int m_number;
    QVBoxLayout *m_body;
    QWidget *m_content = nullptr;
    WorkflowState *m_dropWorkflow = nullptr;
};

} // namespace kernwick
