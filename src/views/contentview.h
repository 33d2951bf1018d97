#pragma once

#include <views/appbackground.h>

#include <QList>

#include <optional>

class QScrollArea;
class QVBoxLayout;

namespace kernwick {

class DropZoneView;
class FileCardView;
class FileRevealer;
class FontEmptyStateView;
class FontListHeader;
class FontTableView;
class HandoffPackageView;
class ReadinessCard;
class ScanningProgressView;
class StatCard;
class StepCard;
class SwitchToggle;
class TextLabel;
class WorkflowState;

// The main window's root view: the header bar with the application's name, and under it a scrolling
// column of the three step cards and the privacy note, over the gradient backdrop. What each step shows
// follows the workflow's state; the view reads that state and calls its actions.
class ContentView final : public AppBackground
{
    Q_OBJECT

public:
    ContentView(Appearance &appearance, WorkflowState &workflow, FileRevealer &revealer,
                QWidget *parent = nullptr);

    StepCard *stepCard(int number) const { return m_steps.value(number - 1); }
    QScrollArea *scrollArea() const { return m_scroll; }
    // The sub-views on screen now; null where the current phase shows none.
    DropZoneView *dropZone() const { return m_dropZone; }
    FileCardView *fileCard() const { return m_fileCard; }
    ScanningProgressView *scanningProgress() const { return m_scanning; }
    FontEmptyStateView *emptyState() const { return m_emptyState; }
    ReadinessCard *readinessCard() const { return m_readiness; }
    const QList<StatCard *> &statCards() const { return m_statCards; }
    FontListHeader *fontListHeader() const { return m_listHeader; }
    FontTableView *fontTable() const { return m_table; }
    // What the scan could not read or left out, under the table; nothing when it had nothing to say.
    TextLabel *scanNotes() const { return m_scanNotes; }
    HandoffPackageView *packageView() const { return m_package; }
    SwitchToggle *openWhenDoneSwitch() const { return m_openWhenDone; }

private:
    QWidget *makeHeaderBar();
    QWidget *makeFooter();
    QWidget *makeOpenWhenDone();
    void rebuildFirstStep();
    void rebuildSecondStep();
    void refreshSummary();
    void refreshTable();
    void scheduleChooseFile();
    void updateTabOrder();
    // Whether the keyboard is in `card` (or nowhere), and whether it shows its ring there; taken before
    // the card's content is replaced, so that the keyboard can be put where it makes sense afterwards.
    struct FocusPlace
    {
        bool isWithin = false;
        bool showsRing = false;
    };
    FocusPlace focusPlace(QWidget *card) const;
    void giveFocus(QWidget *target, const FocusPlace &place);
    void parkFocus(QWidget *card, const FocusPlace &place);

    Appearance &m_appearance;
    WorkflowState &m_workflow;
    FileRevealer &m_revealer;
    QScrollArea *m_scroll;
    QList<StepCard *> m_steps;
    SwitchToggle *m_openWhenDone = nullptr;

    DropZoneView *m_dropZone = nullptr;
    FileCardView *m_fileCard = nullptr;
    ScanningProgressView *m_scanning = nullptr;
    QString m_shownFile;
    std::optional<FocusPlace> m_pendingFocus;
    int m_focusRequest = 0;

    // -1 no second-step body yet; 0 empty without a file; 1 empty with a file; 2 the font list.
    int m_secondStepPhase = -1;
    FontEmptyStateView *m_emptyState = nullptr;
    ReadinessCard *m_readiness = nullptr;
    QList<StatCard *> m_statCards;
    FontListHeader *m_listHeader = nullptr;
    QVBoxLayout *m_listColumn = nullptr;
    FontTableView *m_table = nullptr;
    TextLabel *m_scanNotes = nullptr;
    HandoffPackageView *m_package = nullptr;
};

} // namespace kernwick
