#pragma once

#include <views/appearance.h>

#include <QWidget>

namespace kernwick {

class BorderedButton;
class TextLabel;
class WorkflowState;

// Under the file card, when the presentation lies in a handoff package: says so and, while fonts that the
// package brings are not installed here, offers to install them. Hidden otherwise.
class PackageNoticeView final : public QWidget
{
    Q_OBJECT

public:
    PackageNoticeView(Appearance &appearance, WorkflowState &workflow, QWidget *parent = nullptr);

    TextLabel *message() const { return m_message; }
    BorderedButton *installButton() const { return m_install; }

private:
    void refresh();

    WorkflowState &m_workflow;
    TextLabel *m_message;
    BorderedButton *m_install;
};

} // namespace kernwick
