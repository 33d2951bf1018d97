#pragma once

#include <views/appearance.h>

#include <QWidget>

class QVBoxLayout;

namespace kernwick {

class BorderedButton;
class CardFrame;
class FilledButton;
class FolderTreeRow;
class PackageRow;
class TextLabel;
class WorkflowState;

// The third step's body: what a package will hold (with its two options) beside a preview of the
// folder a build makes, and the "Create Package" button.
class HandoffPackageView final : public QWidget
{
    Q_OBJECT

public:
    HandoffPackageView(Appearance &appearance, WorkflowState &workflow, QWidget *parent = nullptr);

    // "3 fonts · Fonts found on this computer".
    static QString fontsSubtitle(qsizetype transferableCount);
    // "        + 2 more…" when more than three fonts can travel, else empty.
    static QString overflowText(qsizetype transferableCount);

    PackageRow *presentationRow() const { return m_presentationRow; }
    PackageRow *fontsRow() const { return m_fontsRow; }
    PackageRow *reportRow() const { return m_reportRow; }
    // The rows of the folder preview, top to bottom.
    QList<FolderTreeRow *> treeRows() const;
    // The overflow line, or nothing when it is not shown.
    TextLabel *overflowLine() const { return m_overflow; }
    FilledButton *createButton() const { return m_create; }
    // What the last build made: its full path, what was copied, what was left out and why; hidden until
    // a package has been built for the file.
    CardFrame *resultCard() const { return m_result; }
    QStringList resultLines() const;
    BorderedButton *revealButton() const { return m_reveal; }

private:
    void refresh();
    void rebuildTree();
    void rebuildResult();

    Appearance &m_appearance;
    WorkflowState &m_workflow;
    PackageRow *m_presentationRow;
    PackageRow *m_fontsRow;
    PackageRow *m_reportRow;
    QWidget *m_tree;
    QVBoxLayout *m_treeLayout;
    TextLabel *m_overflow = nullptr;
    FilledButton *m_create;
    CardFrame *m_result;
    QVBoxLayout *m_resultLines;
    BorderedButton *m_reveal;
};

} // namespace kernwick
