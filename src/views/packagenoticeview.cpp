#include "packagenoticeview.h"

#include <views/borderedbutton.h>
#include <views/textlabel.h>
#include <workflow/workflowstate.h>

#include <QHBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

PackageNoticeView::PackageNoticeView(Appearance &appearance, WorkflowState &workflow, QWidget *parent)
    : QWidget(parent)
    , m_workflow(workflow)
    , m_message(new TextLabel(appearance, {}, 12, QFont::Normal, colors::secondary, this))
    , m_install(new BorderedButton(appearance, u"Install Fonts from Package"_s, {}, this))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    m_message->setWordWrap(true);
    row->addWidget(m_message, 1);
    row->addWidget(m_install);
    connect(m_install, &QPushButton::clicked, &m_workflow, &WorkflowState::installFontsFromPackage);
    connect(&m_workflow, &WorkflowState::handoffPackageChanged, this, &PackageNoticeView::refresh);
    refresh();
}

void PackageNoticeView::refresh()
{
    const qsizetype count = m_workflow.fontsToInstallFromPackage().size();
    setVisible(!m_workflow.handoffPackage().isEmpty());
    m_install->setVisible(count > 0);
    if (count == 0) {
        m_message->setText(u"This presentation is in a handoff package; its fonts are installed here."_s);
        return;
    }
    m_message->setText(u"This presentation is in a handoff package that brings "_s + QString::number(count) +
                       (count == 1 ? u" font"_s : u" fonts"_s) + u" not installed here."_s);
}

} // namespace kernwick
