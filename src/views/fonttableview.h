#pragma once

#include <model/fontstatusitem.h>
#include <views/appearance.h>

#include <QUrl>
#include <QWidget>

#include <functional>

class QKeyEvent;
class QLineEdit;
class QMenu;
class QTableView;

namespace kernwick {

class FileRevealer;
class FontRowDelegate;
class FontTableHeader;
class FontTableModel;
class TextLabel;
class WorkflowState;

// The font list of the second step. Works on the workflow's own list: a header click sorts that list in
// place (stable), a checkbox changes the item's selection there. Rows offer copying the name or file path,
// showing the file, a web search for a missing font, and dragging the font file out.
class FontTableView final : public QWidget
{
    Q_OBJECT

public:
    enum class SortColumn
    {
        none,
        name,
        status
    };

    FontTableView(Appearance &appearance, WorkflowState &workflow, FileRevealer &revealer,
                  QWidget *parent = nullptr);

    SortColumn sortColumn() const { return m_sortColumn; }
    bool sortAscending() const { return m_sortAscending; }
    // A sortable header's click: the first click on a column sorts ascending, each further click on it
    // flips the direction.
    void toggleSort(SortColumn column);

    // The order of two items under a sort, for a stable sort: `a` comes before `b`.
    static std::function<bool(const FontStatusItem &, const FontStatusItem &)> ordering(SortColumn column,
                                                                                        bool ascending);
    // The web search for a missing font: https://www.google.com/search?q=<name>+font, the name
    // percent-encoded as a query value.
    static QUrl fontSearchUrl(const QString &fontName);

    // The row's context menu, not yet shown; the caller owns it.
    QMenu *createContextMenu(int row, QWidget *parent = nullptr);
    void copyFontName(int row);
    void copyFilePath(int row);
    void revealFontFile(int row);
    void openFontSearch(int row);
    // Shows the row's menu at a place on the screen and returns once it is closed.
    void showContextMenu(int row, const QPoint &globalPos);

    QTableView *table() const { return m_table; }
    // The field above the table that narrows the rows to the names holding its text.
    QLineEdit *filterField() const { return m_filter; }
    // Puts the keyboard in the filter field, its text selected.
    void focusFilter();
    // The most rows the table shows at once; it scrolls the rest under its header.
    int visibleRowCount() const;
    FontTableModel *model() const { return m_model; }
    FontTableHeader *header() const { return m_header; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applySort();
    void fitColumns();
    void fitHeight();
    // A click on the table: the checkbox, the search link of a missing name, the location link.
    void handleClick(const QPoint &pos);
    // A key on the rows: true when it was the table's.
    bool handleKey(QKeyEvent *event);
    // Over a link: the pointing hand shows.
    bool isActiveSpot(const QPoint &pos) const;

    Appearance &m_appearance;
    WorkflowState &m_workflow;
    FileRevealer &m_revealer;
    QLineEdit *m_filter;
    QWidget *m_frame;
    TextLabel *m_noMatch;
    QTableView *m_table = nullptr;
    FontTableModel *m_model;
    FontTableHeader *m_header;
    FontRowDelegate *m_delegate;
    QWidget *m_watchedWindow = nullptr;
    SortColumn m_sortColumn = SortColumn::none;
    bool m_sortAscending = true;
};

} // namespace kernwick
