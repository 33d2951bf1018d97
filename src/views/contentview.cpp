#include "contentview.h"

#include <model/fontstatusitem.h>
#include <model/statuspresentation.h>
#include <views/dropzoneview.h>
#include <views/filecardview.h>
#include <views/fontemptystateview.h>
#include <views/fontlistheader.h>
#include <views/fonttableview.h>
#include <views/handoffpackageview.h>
#include <views/readinesscard.h>
#include <views/scanningprogressview.h>
#include <views/statcard.h>
#include <views/stepcard.h>
#include <views/switchtoggle.h>
#include <views/symbolicon.h>
#include <views/symbols.h>
#include <views/textlabel.h>
#include <workflow/workflowstate.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

// The header bar's translucent backing, standing in for the desktop's ultra-thin material.
class HeaderBar final : public QWidget
{
public:
    HeaderBar(Appearance &appearance, QWidget *parent)
        : QWidget(parent)
        , m_appearance(appearance)
    {
        connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(),
                         m_appearance.isDark() ? QColor(20, 24, 34, 110) : QColor(255, 255, 255, 100));
    }

private:
    Appearance &m_appearance;
};

class Divider final : public QWidget
{
public:
    Divider(Appearance &appearance, QWidget *parent)
        : QWidget(parent)
        , m_appearance(appearance)
    {
        setFixedHeight(1);
        connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), m_appearance.isDark() ? QColor(255, 255, 255, 30) : QColor(0, 0, 0, 26));
    }

private:
    Appearance &m_appearance;
};

// A container that takes every width up to `maximum` and stays centred beyond it.
QWidget *centredColumn(QWidget *column, int maximum, QWidget *parent)
{
    auto *holder = new QWidget(parent);
    auto *row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    column->setMaximumWidth(maximum);
    row->addStretch(0);
    row->addWidget(column, 1);
    row->addStretch(0);
    return holder;
}

} // namespace

ContentView::ContentView(Appearance &appearance, WorkflowState &workflow, FileRevealer &revealer,
                         QWidget *parent)
    : AppBackground(appearance, parent)
    , m_appearance(appearance)
    , m_workflow(workflow)
    , m_revealer(revealer)
{
    setObjectName(u"contentView"_s);
    setMinimumSize(860, 620);
    setPalette(m_appearance.palette());
    connect(&m_appearance, &Appearance::colorSchemeChanged, this,
            [this] { setPalette(m_appearance.palette()); });

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    main->addWidget(makeHeaderBar());
    main->addWidget(new Divider(appearance, this));

    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Transparent all the way down, so that the backdrop shows through.
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    auto *contents = new QWidget(m_scroll);
    contents->setAutoFillBackground(false);
    auto *contentsColumn = new QVBoxLayout(contents);
    contentsColumn->setContentsMargins(0, 0, 0, 0);
    contentsColumn->setSpacing(0);

    auto *steps = new QWidget(contents);
    auto *stepsColumn = new QVBoxLayout(steps);
    // Each card keeps a few pixels around itself for its shadow; the margins and spacing make up for them.
    stepsColumn->setContentsMargins(20 - 4, 20 - 2, 20 - 4, 20 - 6);
    stepsColumn->setSpacing(18 - 8);
    m_steps.append(new StepCard(appearance, 1, u"Select Presentation"_s,
                                u"Choose your Keynote or PowerPoint file to get started."_s, nullptr, steps));
    m_steps.append(new StepCard(appearance, 2, u"Review Font Status"_s,
                                u"We'll scan your presentation and show you exactly what's used."_s, nullptr,
                                steps));
    m_steps.append(new StepCard(appearance, 3, u"Create Package"_s,
                                u"Create a clean, organized folder for the AV team."_s, makeOpenWhenDone(),
                                steps));
    for (StepCard *card : m_steps)
        stepsColumn->addWidget(card);
    m_steps.first()->acceptFileDrops(&m_workflow);
    contentsColumn->addWidget(centredColumn(steps, 1100, contents));
    contentsColumn->addWidget(makeFooter());
    contentsColumn->addStretch(1);
    m_scroll->setWidget(contents);
    main->addWidget(m_scroll, 1);

    m_package = new HandoffPackageView(appearance, m_workflow);
    m_steps[2]->setContent(m_package);

    connect(&m_workflow, &WorkflowState::selectedFileChanged, this, &ContentView::rebuildFirstStep);
    connect(&m_workflow, &WorkflowState::isScanningChanged, this, &ContentView::rebuildFirstStep);
    connect(&m_workflow, &WorkflowState::isDraggingOverChanged, this, [this] {
        if (m_dropZone)
            m_dropZone->setDraggingOver(m_workflow.isDraggingOver());
    });
    connect(&m_workflow, &WorkflowState::selectedFileChanged, this, &ContentView::rebuildSecondStep);
    connect(&m_workflow, &WorkflowState::fontItemsChanged, this, &ContentView::rebuildSecondStep);
    connect(&m_workflow, &WorkflowState::statusMessageChanged, this, &ContentView::refreshSummary);
    connect(&m_workflow, &WorkflowState::fontListExpandedChanged, this, &ContentView::refreshTable);
    rebuildFirstStep();
    rebuildSecondStep();
}

QWidget *ContentView::makeHeaderBar()
{
    auto *bar = new HeaderBar(m_appearance, this);
    bar->setObjectName(u"headerBar"_s);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(24, 18, 24, 18);
    row->setSpacing(16);
    auto *group = new QHBoxLayout;
    group->setSpacing(12);
    auto *logo = new QLabel(bar);
    logo->setObjectName(u"logo"_s);
    logo->setFixedSize(44, 44);
    logo->setPixmap(logoPixmap(44, devicePixelRatioF()));
    group->addWidget(logo);
    auto *names = new QVBoxLayout;
    names->setSpacing(2);
    // The name is one line joined from its first four letters and the rest, both in the accent.
    auto *name = new TextLabel(m_appearance, u"Kern"_s + u"wick"_s, 22, QFont::Bold, colors::accentBlue, bar);
    name->setObjectName(u"appName"_s);
    names->addWidget(name);
    names->addWidget(
        new TextLabel(m_appearance, u"Scan · Review · Package"_s, 13, QFont::Normal, colors::secondary, bar));
    group->addLayout(names);
    row->addLayout(group);
    row->addStretch(1);
    return bar;
}

QWidget *ContentView::makeFooter()
{
    auto *footer = new QWidget(this);
    footer->setObjectName(u"privacyFooter"_s);
    auto *row = new QHBoxLayout(footer);
    row->setContentsMargins(0, 16, 0, 16);
    row->setSpacing(6);
    row->addStretch(1);
    row->addWidget(
        new SymbolIcon(m_appearance, u"lock.fill"_s, 13, colors::primary.withOpacity(0.3), footer));
    row->addWidget(new TextLabel(m_appearance,
                                 u"Your files never leave your Mac.  •  All processing is done locally."_s,
                                 13, QFont::Normal, colors::primary.withOpacity(0.35), footer));
    row->addStretch(1);
    return footer;
}

QWidget *ContentView::makeOpenWhenDone()
{
    auto *trailing = new QWidget(this);
    auto *row = new QHBoxLayout(trailing);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(new TextLabel(m_appearance, u"Open package when done"_s, 13, QFont::Normal,
                                 colors::secondary, trailing));
    m_openWhenDone = new SwitchToggle(m_appearance, trailing);
    m_openWhenDone->setObjectName(u"openPackageWhenDone"_s);
    m_openWhenDone->setAccessibleName(u"Open package when done"_s);
    m_openWhenDone->setChecked(m_workflow.openPackageWhenDone());
    connect(m_openWhenDone, &QAbstractButton::toggled, &m_workflow, &WorkflowState::setOpenPackageWhenDone);
    connect(&m_workflow, &WorkflowState::openPackageWhenDoneChanged, m_openWhenDone, [this] {
        const QSignalBlocker blocker(m_openWhenDone);
        m_openWhenDone->setChecked(m_workflow.openPackageWhenDone());
        m_openWhenDone->update();
    });
    row->addWidget(m_openWhenDone);
    return trailing;
}

void ContentView::scheduleChooseFile()
{
    // The chooser opens after the click has been handled.
    QTimer::singleShot(0, &m_workflow, [workflow = &m_workflow] { workflow->chooseFile(); });
}

void ContentView::rebuildFirstStep()
{
    const QString &file = m_workflow.selectedFile();
    if (file.isEmpty()) {
        if (m_dropZone)
            return;
        m_fileCard = nullptr;
        m_scanning = nullptr;
        m_shownFile.clear();
        m_dropZone =
            new DropZoneView(m_appearance, m_workflow.isDraggingOver(), [this] { scheduleChooseFile(); });
        m_steps[0]->setContent(m_dropZone);
        return;
    }
    const bool scanning = m_workflow.isScanning();
    if (m_fileCard && m_shownFile == file && (m_scanning != nullptr) == scanning)
        return;
    m_dropZone = nullptr;
    m_shownFile = file;
    auto *body = new QWidget;
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    m_fileCard = new FileCardView(
        m_appearance, file, [this] { scheduleChooseFile(); }, [this] { m_workflow.clearFile(); }, body);
    column->addWidget(m_fileCard);
    m_scanning = scanning ? new ScanningProgressView(m_appearance, body) : nullptr;
    if (m_scanning)
        column->addWidget(m_scanning);
    m_steps[0]->setContent(body);
}

void ContentView::rebuildSecondStep()
{
    const FontStatusItems &items = m_workflow.fontItems();
    const int phase = items.isEmpty() ? (m_workflow.selectedFile().isEmpty() ? 0 : 1) : 2;
    if (phase == m_secondStepPhase) {
        if (phase == 2)
            refreshSummary();
        return;
    }
    m_secondStepPhase = phase;
    m_emptyState = nullptr;
    m_readiness = nullptr;
    m_statCards.clear();
    m_listHeader = nullptr;
    m_listColumn = nullptr;
    m_table = nullptr;
    if (phase < 2) {
        m_emptyState = new FontEmptyStateView(m_appearance, phase == 1);
        m_steps[1]->setContent(m_emptyState);
        return;
    }

    auto *body = new QWidget;
    m_listColumn = new QVBoxLayout(body);
    m_listColumn->setContentsMargins(0, 0, 0, 0);
    m_listColumn->setSpacing(16);
    auto *summary = new QHBoxLayout;
    summary->setSpacing(12 - 4);
    m_readiness = new ReadinessCard(m_appearance, body);
    summary->addWidget(m_readiness, 1, Qt::AlignVCenter);
    for (FontStatus status : {FontStatus::installed, FontStatus::system, FontStatus::adobe,
                              FontStatus::missing, FontStatus::unresolved}) {
        const StatusPresentation look = statusPresentation(status);
        auto *tile =
            new StatCard(m_appearance, 0, look.summaryLabel, look.summarySubLabel, look.summaryColor, body);
        m_statCards.append(tile);
        summary->addWidget(tile, 0, Qt::AlignVCenter);
    }
    m_listColumn->addLayout(summary);
    m_listHeader = new FontListHeader(m_appearance, m_workflow, body);
    m_listColumn->addWidget(m_listHeader);
    m_steps[1]->setContent(body);
    refreshSummary();
    refreshTable();
}

void ContentView::refreshSummary()
{
    if (!m_readiness)
        return;
    const FontStatusItems &items = m_workflow.fontItems();
    m_readiness->setState(isReadyForHandoff(items), m_workflow.statusMessage());
    const qsizetype counts[] = {installedCount(items), systemCount(items), adobeCount(items),
                                missingCount(items), unresolvedCount(items)};
    for (qsizetype index = 0; index < m_statCards.size(); ++index)
        m_statCards[index]->setValue(counts[index]);
}

void ContentView::refreshTable()
{
    if (!m_listColumn)
        return;
    if (m_workflow.fontListExpanded() == (m_table != nullptr))
        return;
    if (m_table) {
        m_listColumn->removeWidget(m_table);
        m_table->hide();
        m_table->deleteLater();
        m_table = nullptr;
        return;
    }
    // A fresh table each time the list unfolds: its sort state starts unsorted.
    m_table = new FontTableView(m_appearance, m_workflow, m_revealer);
    m_listColumn->addWidget(m_table);
}

} // namespace kernwick
