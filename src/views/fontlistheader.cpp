#include "fontlistheader.h"

#include <views/symbolicon.h>
#include <views/symbols.h>
#include <views/textlabel.h>
#include <workflow/workflowstate.h>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace kernwick {

QString FontListHeader::titleText(qsizetype itemCount, qsizetype systemCount, bool hideSystemFonts)
{
    const qsizetype shown = hideSystemFonts ? itemCount - systemCount : itemCount;
    const QString hiddenNote = hideSystemFonts && systemCount > 0
                                   ? u", "_s + QString::number(systemCount) + u" system hidden"_s
                                   : QString();
    return u"Font List ("_s + QString::number(shown) + hiddenNote + u")"_s;
}

FontListHeader::FontListHeader(Appearance &appearance, WorkflowState &workflow, QWidget *parent)
    : QWidget(parent)
    , m_workflow(workflow)
{
    setObjectName(u"fontListHeader"_s);
    setCursor(Qt::PointingHandCursor);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    m_chevron = new SymbolIcon(appearance, {}, 12, colors::secondary, this);
    row->addWidget(m_chevron);
    m_title = new TextLabel(appearance, {}, 14, QFont::Medium, colors::primary, this);
    m_title->setObjectName(u"fontListTitle"_s);
    row->addWidget(m_title);
    row->addStretch(1);

    m_hideSystem = new QCheckBox(u"Hide system fonts"_s, this);
    m_hideSystem->setObjectName(u"hideSystemFonts"_s);
    m_hideSystem->setFont(systemFont(13));
    m_hideSystem->setCursor(Qt::ArrowCursor);
    m_hideSystem->setToolTip(
        u"System fonts are built into macOS and don't need to be included in the handoff package"_s);
    auto applyCheckboxColor = [this, &appearance] {
        QPalette palette = m_hideSystem->palette();
        palette.setColor(QPalette::WindowText, appearance.color(colors::secondary));
        m_hideSystem->setPalette(palette);
    };
    applyCheckboxColor();
    connect(&appearance, &Appearance::colorSchemeChanged, this, applyCheckboxColor);
    connect(m_hideSystem, &QCheckBox::toggled, &m_workflow, &WorkflowState::setHideSystemFonts);
    row->addWidget(m_hideSystem);

    m_refresh = new QPushButton(u"Refresh"_s, this);
    m_refresh->setObjectName(u"refresh"_s);
    m_refresh->setFont(systemFont(13));
    m_refresh->setCursor(Qt::ArrowCursor);
    auto applyRefreshIcon = [this, &appearance] {
        m_refresh->setIcon(QIcon(
            symbolPixmap(u"arrow.clockwise"_s, 13, appearance.color(colors::primary), devicePixelRatioF())));
    };
    applyRefreshIcon();
    connect(&appearance, &Appearance::colorSchemeChanged, this, applyRefreshIcon);
    m_refresh->setIconSize(QSize(13, 13));
    connect(m_refresh, &QPushButton::clicked, &m_workflow, &WorkflowState::refreshFontStatus);
    row->addWidget(m_refresh);

    connect(&m_workflow, &WorkflowState::fontItemsChanged, this, &FontListHeader::refresh);
    connect(&m_workflow, &WorkflowState::hideSystemFontsChanged, this, &FontListHeader::refresh);
    connect(&m_workflow, &WorkflowState::fontListExpandedChanged, this, &FontListHeader::refresh);
    refresh();
}

void FontListHeader::refresh()
{
    m_chevron->setSymbol(chevronSymbol(), colors::secondary);
    m_title->setText(title());
    const QSignalBlocker blocker(m_hideSystem);
    m_hideSystem->setChecked(m_workflow.hideSystemFonts());
}

QString FontListHeader::title() const
{
    return titleText(m_workflow.fontItems().size(), systemCount(m_workflow.fontItems()),
                     m_workflow.hideSystemFonts());
}

QString FontListHeader::chevronSymbol() const
{
    return m_workflow.fontListExpanded() ? u"chevron.down"_s : u"chevron.right"_s;
}

void FontListHeader::mouseReleaseEvent(QMouseEvent *event)
{
    // Clicks on the checkbox and the button stay with them; anywhere else on the row folds the list.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        m_workflow.toggleFontList();
}

} // namespace kernwick
