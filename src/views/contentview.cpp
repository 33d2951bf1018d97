#include "contentview.h"

#include <model/fontstatusitem.h>
#include <model/statuspresentation.h>
#include <views/controlstyle.h>
#include <views/dropzoneview.h>
#include <views/filecardview.h>
#include <views/filledbutton.h>
#include <views/fontemptystateview.h>
#include <views/fontlistheader.h>
#include <views/fonttableheader.h>
#include <views/fonttableview.h>
#include <views/handoffpackageview.h>
#include <views/packagenoticeview.h>
#include <views/readinesscard.h>
#include <views/scanningprogressview.h>
#include <views/statcard.h>
#include <views/stepcard.h>
#include <views/switchtoggle.h>
#include <views/symbolicon.h>
#include <views/symbols.h>
#include <views/textlabel.h>
#include <workflow/workflowstate.h>

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
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
        painter.fillRect(rect(), colors::headerBarFill(m_appearance.isDark()));
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

// The readiness card and the five count tiles: one row where the width allows the card its title beside
// tiles whose labels are whole; otherwise the card takes a line of its own above the tiles.
class SummaryRow final : public QWidget
{
public:
    SummaryRow(ReadinessCard *readiness, const QList<StatCard *> &tiles, QWidget *parent)
        : QWidget(parent)
        , m_readiness(readiness)
        , m_tiles(tiles)
        , m_grid(new QGridLayout(this))
    {
        setObjectName(u"summaryRow"_s);
        m_grid->setContentsMargins(0, 0, 0, 0);
        // Each tile keeps a little room around itself for its shadow; the spacing makes up for it.
        m_grid->setHorizontalSpacing(12 - 4);
        m_grid->setVerticalSpacing(12 - 4);
        arrange(true);
    }

    bool isOneRow() const { return m_oneRow; }

    // The narrowest the summary may be: the card above the tiles.
    QSize minimumSizeHint() const override
    {
        int tiles = m_grid->horizontalSpacing() * int(m_tiles.size() - 1);
        for (const StatCard *tile : m_tiles)
            tiles += tile->minimumSizeHint().width();
        return {std::max(tiles, m_readiness->minimumSizeHint().width()), QWidget::minimumSizeHint().height()};
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        // The width the tiles take in one row, measured as they are drawn there.
        int tiles = (12 - 4) * int(m_tiles.size());
        for (const StatCard *tile : m_tiles)
            tiles += tile->sizeHint().width() + (m_oneRow ? 0 : 2 * (10 - 4));
        arrange(width() - tiles >= std::max(260, m_readiness->minimumSizeHint().width()));
    }

private:
    void arrange(bool oneRow)
    {
        if (oneRow == m_oneRow && m_grid->count() > 0)
            return;
        m_oneRow = oneRow;
        // Narrow, the tiles give up space around their texts before the texts get smaller.
        for (StatCard *tile : m_tiles)
            tile->setCompact(!oneRow);
        m_grid->setHorizontalSpacing(oneRow ? 12 - 4 : 6 - 4);
        m_grid->removeWidget(m_readiness);
        for (StatCard *tile : m_tiles)
            m_grid->removeWidget(tile);
        for (int column = 0; column <= int(m_tiles.size()); ++column)
            m_grid->setColumnStretch(column, 0);
        if (oneRow) {
            m_grid->addWidget(m_readiness, 0, 0, Qt::AlignVCenter);
            m_grid->setColumnStretch(0, 1);
            for (int index = 0; index < m_tiles.size(); ++index)
                m_grid->addWidget(m_tiles[index], 0, index + 1, Qt::AlignVCenter);
        } else {
            m_grid->addWidget(m_readiness, 0, 0, 1, int(m_tiles.size()));
            for (int index = 0; index < m_tiles.size(); ++index) {
                m_grid->addWidget(m_tiles[index], 1, index);
                m_grid->setColumnStretch(index, 1);
            }
        }
    }

    ReadinessCard *m_readiness;
    QList<StatCard *> m_tiles;
    QGridLayout *m_grid;
    bool m_oneRow = true;
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
    // Where the steps' scroll bar shows, their column is centred in what it leaves: so is the name.
    auto *headerRow = findChild<QWidget *>(u"headerBar"_s)->layout();
    connect(m_scroll->verticalScrollBar(), &QScrollBar::rangeChanged, this,
            [this, headerRow](int, int maximum) {
                headerRow->setContentsMargins(
                    0, 0, maximum > 0 ? m_scroll->verticalScrollBar()->sizeHint().width() : 0, 0);
            });
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    // Nothing may make the column wider than the window; the scroll bar shows only when there is more to
    // see than the window holds.
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Tab goes to the controls; the area scrolls to whichever of them has the focus.
    m_scroll->setFocusPolicy(Qt::NoFocus);
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
    installAccessibility();
    contentsColumn->addWidget(centredColumn(steps, 1100, contents));
    contentsColumn->addWidget(makeFooter());
    contentsColumn->addStretch(1);
    m_scroll->setWidget(contents);
    // The scroll area fills its widget's background when it takes it; the backdrop must show through.
    contents->setAutoFillBackground(false);
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
    connect(&m_workflow, &WorkflowState::isScanningChanged, this, &ContentView::rebuildSecondStep);
    // A failure changes the phase; the notes come with the list they qualify.
    connect(&m_workflow, &WorkflowState::scanReportChanged, this, &ContentView::rebuildSecondStep);
    connect(&m_workflow, &WorkflowState::statusMessageChanged, this, &ContentView::refreshSummary);
    connect(&m_workflow, &WorkflowState::fontListExpandedChanged, this, &ContentView::refreshTable);
    rebuildFirstStep();
    rebuildSecondStep();

    // Ctrl+F finds a font by name: the list unfolds if it was folded, and the keyboard goes to its filter.
    auto *find = new QShortcut(QKeySequence::Find, this);
    find->setObjectName(u"findFont"_s);
    connect(find, &QShortcut::activated, this, [this] {
        if (m_workflow.fontItems().isEmpty())
            return;
        if (!m_workflow.fontListExpanded())
            m_workflow.toggleFontList();
        if (m_table) {
            m_scroll->ensureWidgetVisible(m_table, 0, 80);
            m_table->focusFilter();
        }
    });
}

QWidget *ContentView::makeHeaderBar()
{
    auto *bar = new HeaderBar(m_appearance, this);
    bar->setObjectName(u"headerBar"_s);
    auto *barRow = new QHBoxLayout(bar);
    barRow->setContentsMargins(0, 0, 0, 0);
    // The name stands over the steps' column, also where a wide window centres that column.
    auto *inner = new QWidget(bar);
    inner->setObjectName(u"headerContent"_s);
    auto *row = new QHBoxLayout(inner);
    row->setContentsMargins(24, 18, 24, 18);
    row->setSpacing(16);
    auto *group = new QHBoxLayout;
    group->setSpacing(12);
    auto *logo = new QLabel(inner);
    logo->setObjectName(u"logo"_s);
    logo->setFixedSize(44, 44);
    logo->setPixmap(logoPixmap(44, devicePixelRatioF()));
    group->addWidget(logo);
    auto *names = new QVBoxLayout;
    names->setSpacing(2);
    // The name is one line joined from its first four letters and the rest, both in the accent.
    auto *name =
        new TextLabel(m_appearance, u"Kern"_s + u"wick"_s, 22, QFont::Bold, colors::accentBlue, inner);
    name->setObjectName(u"appName"_s);
    names->addWidget(name);
    names->addWidget(new TextLabel(m_appearance, u"Scan · Review · Package"_s, 13, QFont::Normal,
                                   colors::secondary, inner));
    group->addLayout(names);
    row->addLayout(group);
    row->addStretch(1);
    barRow->addWidget(centredColumn(inner, 1100, bar));
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
    row->addWidget(new SymbolIcon(m_appearance, u"lock.fill"_s, 13, colors::secondary, footer));
    row->addWidget(new TextLabel(
        m_appearance, u"Your files never leave your computer.  •  All processing is done locally."_s, 13,
        QFont::Normal, colors::secondary, footer));
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

void ContentView::updateTabOrder()
{
    // Tab follows the steps from top to bottom, whatever order their parts were made in.
    // Parts just made are not shown yet; parts on their way out were hidden on purpose.
    const auto isLeaving = [](QWidget *widget, QWidget *card) {
        for (; widget && widget != card; widget = widget->parentWidget()) {
            if (widget->testAttribute(Qt::WA_WState_ExplicitShowHide) &&
                widget->testAttribute(Qt::WA_WState_Hidden))
                return true;
        }
        return false;
    };
    QList<QWidget *> chain;
    for (StepCard *card : m_steps) {
        for (QWidget *widget : card->findChildren<QWidget *>()) {
            if ((widget->focusPolicy() & Qt::TabFocus) && !isLeaving(widget, card))
                chain.append(widget);
        }
    }
    // The table's header row comes before its rows.
    if (m_table) {
        const qsizetype header = chain.indexOf(static_cast<QWidget *>(m_table->header()));
        const qsizetype rows = chain.indexOf(static_cast<QWidget *>(m_table->table()));
        if (header > rows && rows >= 0)
            chain.move(header, rows);
    }
    if (chain.isEmpty())
        return;
    // The first control comes right after the window itself, which takes no focus; Qt orders only
    // widgets that do, so for a moment this one does.
    const Qt::FocusPolicy policy = focusPolicy();
    setFocusPolicy(Qt::TabFocus);
    QWidget::setTabOrder(this, chain.first());
    setFocusPolicy(policy);
    for (qsizetype index = 1; index < chain.size(); ++index)
        QWidget::setTabOrder(chain[index - 1], chain[index]);
}

void ContentView::scheduleChooseFile()
{
    // The chooser opens after the click has been handled.
    QTimer::singleShot(0, &m_workflow, [workflow = &m_workflow] { workflow->chooseFile(); });
}

ContentView::FocusPlace ContentView::focusPlace(QWidget *card) const
{
    // Focus on its way to a part just made counts as where it goes.
    if (m_pendingFocus)
        return *m_pendingFocus;
    QWidget *focus = QApplication::focusWidget();
    if (focus && focus->window() != window())
        return {};
    return {!focus || card->isAncestorOf(focus), focus && focus->property(keyboardFocusProperty).toBool()};
}

void ContentView::giveFocus(QWidget *target, const FocusPlace &place)
{
    if (!target || !place.isWithin)
        return;
    // Once the new part is on screen; the ring shows if the keyboard had it before. A later request wins.
    m_pendingFocus = place;
    const int request = ++m_focusRequest;
    QTimer::singleShot(0, target, [this, target, request, ring = place.showsRing] {
        if (request != m_focusRequest)
            return;
        m_pendingFocus.reset();
        target->setFocus(Qt::OtherFocusReason);
        target->setProperty(keyboardFocusProperty, ring);
        target->update();
    });
}

void ContentView::parkFocus(QWidget *card, const FocusPlace &place)
{
    // The control with the keyboard is about to go: the card holds the keyboard meanwhile, so that it does
    // not wander off to a later step (and the window scroll there) before it goes where it belongs.
    if (place.isWithin && QApplication::focusWidget() && card->isAncestorOf(QApplication::focusWidget()))
        card->setFocus(Qt::OtherFocusReason);
}

void ContentView::rebuildFirstStep()
{
    const QString &file = m_workflow.selectedFile();
    const FocusPlace focus = focusPlace(m_steps[0]);
    if (file.isEmpty()) {
        if (m_dropZone)
            return;
        m_fileCard = nullptr;
        m_scanning = nullptr;
        m_shownFile.clear();
        m_dropZone =
            new DropZoneView(m_appearance, m_workflow.isDraggingOver(), [this] { scheduleChooseFile(); });
        parkFocus(m_steps[0], focus);
        m_steps[0]->setContent(m_dropZone);
        updateTabOrder();
        // With the file removed, the keyboard goes to choosing another.
        giveFocus(m_dropZone->browseButton(), focus);
        return;
    }
    const bool scanning = m_workflow.isScanning();
    if (m_fileCard && m_shownFile == file && (m_scanning != nullptr) == scanning)
        return;
    const bool scanEnded = m_scanning && !scanning;
    if (m_shownFile != file) {
        // A presentation just opened shows from the top of its first step, once the steps are laid out.
        QTimer::singleShot(0, this, [this] { m_scroll->verticalScrollBar()->setValue(0); });
    }
    m_dropZone = nullptr;
    m_shownFile = file;
    auto *body = new QWidget;
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    m_fileCard = new FileCardView(
        m_appearance, file, [this] { scheduleChooseFile(); }, [this] { m_workflow.clearFile(); }, body);
    column->addWidget(m_fileCard);
    column->addWidget(new PackageNoticeView(m_appearance, m_workflow, body));
    m_scanning = scanning ? new ScanningProgressView(m_appearance, body) : nullptr;
    if (m_scanning)
        column->addWidget(m_scanning);
    parkFocus(m_steps[0], focus);
    m_steps[0]->setContent(body);
    updateTabOrder();
    // When a scan that the keyboard started is done, the keyboard moves on to its results, if there are any.
    QWidget *results = m_table ? static_cast<QWidget *>(m_table->table()) : m_listHeader;
    giveFocus(scanEnded && results && focus.showsRing ? results : m_fileCard->changeButton(), focus);
}

void ContentView::rebuildSecondStep()
{
    using Kind = FontEmptyStateView::Kind;
    const FontStatusItems &items = m_workflow.fontItems();
    // 0 to 3: the empty state of that kind; 4: the list, which stays on screen while a refresh runs.
    int phase = 4;
    if (items.isEmpty() && m_workflow.selectedFile().isEmpty())
        phase = int(Kind::noFile);
    else if (items.isEmpty() && m_workflow.isScanning())
        phase = int(Kind::scanning);
    else if (items.isEmpty() && !m_workflow.scanFailure().isEmpty())
        phase = int(Kind::unreadable);
    else if (items.isEmpty())
        phase = int(Kind::noFonts);
    if (phase == m_secondStepPhase) {
        if (phase == 4)
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
    m_scanNotes = nullptr;
    if (phase < 4) {
        m_emptyState = new FontEmptyStateView(m_appearance, Kind(phase), m_workflow.scanFailure());
        m_steps[1]->setContent(m_emptyState);
        updateTabOrder();
        return;
    }

    auto *body = new QWidget;
    m_listColumn = new QVBoxLayout(body);
    m_listColumn->setContentsMargins(0, 0, 0, 0);
    m_listColumn->setSpacing(16);
    m_readiness = new ReadinessCard(m_appearance, body);
    for (FontStatus status : {FontStatus::installed, FontStatus::system, FontStatus::adobe,
                              FontStatus::missing, FontStatus::unresolved}) {
        const StatusPresentation look = statusPresentation(status);
        m_statCards.append(
            new StatCard(m_appearance, 0, look.summaryLabel, look.summarySubLabel, look.summaryColor, body));
    }
    m_listColumn->addWidget(new SummaryRow(m_readiness, m_statCards, body));
    m_listHeader = new FontListHeader(m_appearance, m_workflow, body);
    m_listColumn->addWidget(m_listHeader);
    // What the scan could not read or left out, under the table, where the list it qualifies ends.
    if (const QStringList &notes = m_workflow.scanNotes(); !notes.isEmpty()) {
        m_scanNotes = new TextLabel(m_appearance, u"Scan notes: "_s + notes.join(u"; "_s), 12, QFont::Normal,
                                    colors::secondary, body);
        m_scanNotes->setObjectName(u"scanNotes"_s);
        m_scanNotes->setWordWrap(true);
        m_scanNotes->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_listColumn->addWidget(m_scanNotes);
    }
    m_steps[1]->setContent(body);
    refreshSummary();
    refreshTable();
    updateTabOrder();
}

void ContentView::refreshSummary()
{
    if (!m_readiness)
        return;
    const FontStatusItems &items = m_workflow.fontItems();
    m_readiness->setState(m_workflow.verdict().isReady, m_workflow.statusMessage());
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
        updateTabOrder();
        return;
    }
    // A fresh table each time the list unfolds: its sort state starts unsorted.
    m_table = new FontTableView(m_appearance, m_workflow, m_revealer);
    // Above the scan's notes, which stay last.
    m_listColumn->insertWidget(m_scanNotes ? m_listColumn->indexOf(m_scanNotes) : m_listColumn->count(),
                               m_table);
    updateTabOrder();
}

} // namespace kernwick
