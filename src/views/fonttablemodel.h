#pragma once

#include <model/fontstatusitem.h>
#include <model/travel.h>

#include <QAbstractTableModel>

namespace kernwick {

class WorkflowState;

// The workflow's font list as table rows, in the list's own order, leaving out system fonts while they
// are hidden. Keeps no copy of the items: every row reads the workflow's list.
class FontTableModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        includeColumn,
        nameColumn,
        statusColumn,
        typeColumn,
        locationColumn,
        inPackageColumn,
        previewColumn,
        columnCount_
    };

    enum Role
    {
        // True for a font the document only declares: no text uses it.
        declaredOnlyRole = Qt::UserRole + 1,
        // The name cell's second line: what the row knows besides its status ("Not used by any text",
        // "Embedded in the presentation (Regular, Bold)", "Same metrics: Carlito"), or empty.
        noteRole,
        // True for an installed font whose licence does not let it be passed on: the row shows a mark.
        licenseMarkRole,
        // An installed font's Travel (as an int) in the workflow's travel list; nothing for other fonts.
        travelRole,
    };

    FontTableModel(WorkflowState &workflow, QString homeFolder, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    // The dragged row's font file as a file URL (text/uri-list); nothing for a font without a file.
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

    // The mark of a font no text uses.
    static QString notUsedMark() { return QStringLiteral("Not used by any text"); }

    // Shows only the fonts whose name holds `text` (ignoring case); empty shows every font.
    void setNameFilter(const QString &text);
    const QString &nameFilter() const { return m_nameFilter; }
    // How many rows there would be without the name filter.
    int unfilteredRowCount() const { return m_unfilteredRows; }

    // The item a row shows.
    const FontStatusItem &item(int row) const;
    // Where in the workflow's list a row's item stands.
    qsizetype listIndex(int row) const { return m_rows.at(row); }
    const QString &homeFolder() const { return m_homeFolder; }

    // What the row knows besides its status: a font no text uses, the faces the presentation embeds, a
    // metric twin. `brief` words the twin for the row's second line rather than a sentence.
    static QStringList notes(const FontStatusItem &font, bool declaredOnly, bool brief);
    // "4 faces travel: Regular, Bold, Italic, Bold Italic (3 files)", for the In Package cell.
    static QString facesToolTip(const FontStatusItem &font);
    // The In Package cell's tooltip: the faces that travel, or why the font stays out.
    static QString inPackageToolTip(const FontStatusItem &font, Travel travel);

private:
    void listChanged();
    void rebuildRows();
    bool isShown(const FontStatusItem &item) const;

    WorkflowState &m_workflow;
    QString m_homeFolder;
    QList<qsizetype> m_rows;
    QList<QUuid> m_shownIds;
    bool m_hidingSystem = false;
    QString m_nameFilter;
    int m_unfilteredRows = 0;
};

} // namespace kernwick
