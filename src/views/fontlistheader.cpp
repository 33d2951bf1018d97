#include "fontlistheader.h"

#include <views/borderedbutton.h>
#include <views/checkbox.h>
#include <views/controlstyle.h>
#include <views/symbolicon.h>
#include <views/symbols.h>
#include <views/textlabel.h>
#include <workflow/workflowstate.h>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>

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
    : QAbstractButton(parent)
    , m_appearance(appearance)
    , m_workflow(workflow)
{
    setObjectName(u"fontListHeader"_s);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 0, 2);
    row->setSpacing(6);
    m_chevron = new SymbolIcon(appearance, {}, 12, colors::secondary, this);
    row->addWidget(m_chevron);
    m_title = new TextLabel(appearance, {}, 14, QFont::Medium, colors::primary, this);
    m_title->setObjectName(u"fontListTitle"_s);
    m_title->setElideMode(Qt::ElideRight);
    row->addWidget(m_title, 1);

    m_hideSystem = new CheckBox(appearance, u"Hide system fonts"_s, 13, colors::secondary, this);
    m_hideSystem->setObjectName(u"hideSystemFonts"_s);
    m_hideSystem->setToolTip(u"System fonts are built into the operating system and don't need to be "
                             u"included in the handoff package"_s);
    connect(m_hideSystem, &QCheckBox::toggled, &m_workflow, &WorkflowState::setHideSystemFonts);
    row->addWidget(m_hideSystem);

    m_refresh = new BorderedButton(appearance, u"Refresh"_s, u"arrow.clockwise"_s, this);
    m_refresh->setObjectName(u"refresh"_s);
    connect(m_refresh, &QPushButton::clicked, &m_workflow, &WorkflowState::refreshFontStatus);
    row->addWidget(m_refresh);

    connect(this, &QAbstractButton::clicked, &m_workflow, &WorkflowState::toggleFontList);
    connect(&m_workflow, &WorkflowState::fontItemsChanged, this, &FontListHeader::refresh);
    connect(&m_workflow, &WorkflowState::hideSystemFontsChanged, this, &FontListHeader::refresh);
    connect(&m_workflow, &WorkflowState::fontListExpandedChanged, this, &FontListHeader::refresh);
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
    refresh();
}

void FontListHeader::refresh()
{
    m_chevron->setSymbol(chevronSymbol(), colors::secondary);
    m_title->setText(title());
    setText(title());
    setAccessibleName(title());
    setAccessibleDescription(m_workflow.fontListExpanded() ? u"Expanded"_s : u"Collapsed"_s);
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

QSize FontListHeader::sizeHint() const
{
    return layout()->sizeHint();
}

QSize FontListHeader::minimumSizeHint() const
{
    return layout()->minimumSize();
}

void FontListHeader::paintEvent(QPaintEvent *)
{
    if (!showsFocusRing(*this))
        return;
    // The ring goes round the part that folds the list: the chevron and the title.
    QPainter painter(this);
    const int right = m_title->x() + std::min(m_title->width(), m_title->sizeHint().width()) + 6;
    paintFocusRing(painter, QRectF(0, 0, right, height()), 6, m_appearance);
}

void FontListHeader::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

} // namespace kernwick
