#include "fonttableview.h"

#include <platform/desktopservices.h>
#include <views/cardframe.h>
#include <views/controlstyle.h>
#include <views/fontrowdelegate.h>
#include <views/fonttableheader.h>
#include <views/fonttablemodel.h>
#include <views/symbols.h>
#include <views/textlabel.h>
#include <workflow/workflowstate.h>

#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

constexpr int rowHeight = 36;
// Column widths, the leading and trailing padding of the rows included in the first and last.
constexpr int includeWidth = 12 + 28;
constexpr int statusWidth = 110;
constexpr int typeWidth = 80;
constexpr int locationWidth = 160;
constexpr int inPackageWidth = 90;
constexpr int previewWidth = 180 + 12;
constexpr int fixedWidths =
    includeWidth + statusWidth + typeWidth + locationWidth + inPackageWidth + previewWidth;
constexpr int nameMinimum = 140;
constexpr int nameMaximum = 260;
constexpr int locationMinimum = 100;
// However tall the window, the table shows between these many rows at once and scrolls the rest.
constexpr int fewestShownRows = 6;
constexpr int mostShownRows = 16;
// What the window keeps for the rest of the second step and its header bar beside the table.
constexpr int roomAroundTable = 320;
constexpr int filterGap = 8;

// The table's rounded outline, drawn around the rows and their header.
class TableFrame final : public QWidget
{
public:
    TableFrame(Appearance &appearance, QWidget *parent)
        : QWidget(parent)
        , m_appearance(appearance)
    {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        CardStyle outline;
        outline.radius = 10;
        outline.border = [](const Appearance &appearance) {
            return appearance.color(colors::black.withOpacity(0.08));
        };
        paintCard(painter, QRectF(rect()), outline, m_appearance);
    }

private:
    Appearance &m_appearance;
};

void putOnClipboard(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

} // namespace

FontTableView::FontTableView(Appearance &appearance, WorkflowState &workflow, FileRevealer &revealer,
                             QWidget *parent)
    : QWidget(parent)
    , m_appearance(appearance)
    , m_workflow(workflow)
    , m_revealer(revealer)
{
    setObjectName(u"fontTable"_s);
    auto *parts = new QVBoxLayout(this);
    parts->setContentsMargins(0, 0, 0, 0);
    parts->setSpacing(filterGap);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(u"fontFilter"_s);
    m_filter->setPlaceholderText(u"Filter by name"_s);
    m_filter->setAccessibleName(u"Filter fonts by name"_s);
    m_filter->setClearButtonEnabled(true);
    m_filter->setFont(systemFont(13));
    m_filter->setMaximumWidth(280);
    const auto filterIcon = [this] {
        return QIcon(symbolPixmap(u"magnifyingglass"_s, 12, m_appearance.color(colors::secondary),
                                  devicePixelRatioF()));
    };
    QAction *glass = m_filter->addAction(filterIcon(), QLineEdit::LeadingPosition);
    parts->addWidget(m_filter);
    m_frame = new TableFrame(appearance, this);
    auto *layout = new QVBoxLayout(m_frame);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    parts->addWidget(m_frame);
    m_table = new QTableView(m_frame);
    m_model = new FontTableModel(workflow, QDir::homePath(), this);
    m_delegate = new FontRowDelegate(appearance, this);
    m_header = new FontTableHeader(
        appearance,
        [this](int section) {
            const SortColumn column =
                section == FontTableModel::nameColumn ? SortColumn::name : SortColumn::status;
            if (column != m_sortColumn)
                return FontTableHeader::Indicator::neutral;
            return m_sortAscending ? FontTableHeader::Indicator::ascending
                                   : FontTableHeader::Indicator::descending;
        },
        m_table);
    m_table->setHorizontalHeader(m_header);
    m_table->setModel(m_model);
    m_table->setItemDelegate(m_delegate);
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_table->verticalHeader()->setMinimumSectionSize(rowHeight);
    m_header->setSectionResizeMode(QHeaderView::Fixed);
    m_header->setStretchLastSection(true);
    m_header->setMinimumSectionSize(1);
    m_header->setFixedHeight(m_header->sizeHint().height());
    // A long list scrolls inside the table, under its header, which stays in view.
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->verticalScrollBar()->setSingleStep(rowHeight / 2);
    // The scroll bar runs beside the rows only, slim and rounded like the rest of the window.
    auto *besideHeader = new QWidget(m_table);
    besideHeader->setFixedHeight(m_header->height());
    m_table->addScrollBarWidget(besideHeader, Qt::AlignTop);
    const auto styleScrollBar = [this] {
        m_table->verticalScrollBar()->setStyleSheet(
            u"QScrollBar:vertical { background: transparent; width: 12px; margin: 2px 3px 2px 1px; }"
            u"QScrollBar::handle:vertical { background: %1; border-radius: 4px; min-height: 28px; }"
            u"QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
            u"QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"_s.arg(
                m_appearance.color(colors::secondary.withOpacity(0.6)).name(QColor::HexArgb)));
    };
    styleScrollBar();
    connect(&m_appearance, &Appearance::colorSchemeChanged, m_table, styleScrollBar);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The keyboard reaches the rows: the arrows move the current row, Space ticks it, Return searches for
    // a missing font, the Menu key and Shift+F10 open its menu.
    m_table->setFocusPolicy(Qt::StrongFocus);
    m_table->setTabKeyNavigation(false);
    m_table->setAccessibleName(u"Fonts"_s);
    m_table->setObjectName(u"fontTableRows"_s);
    m_header->setObjectName(u"fontTableHeader"_s);
    m_table->installEventFilter(this);
    m_table->setDragEnabled(true);
    m_table->setDragDropMode(QAbstractItemView::DragOnly);
    m_table->setDefaultDropAction(Qt::CopyAction);
    m_table->setMouseTracking(true);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->viewport()->setAutoFillBackground(false);
    // A row is selected only so that it can be dragged; the selection itself is not drawn.
    QPalette noHighlight;
    noHighlight.setColor(QPalette::Highlight, Qt::transparent);
    noHighlight.setColor(QPalette::Inactive, QPalette::Highlight, Qt::transparent);
    m_table->setPalette(noHighlight);
    m_table->setAutoFillBackground(false);
    m_table->viewport()->installEventFilter(this);
    layout->addWidget(m_table);
    m_noMatch = new TextLabel(appearance, {}, 13, QFont::Normal, colors::secondary, m_frame);
    m_noMatch->setObjectName(u"noMatch"_s);
    m_noMatch->setAlignment(Qt::AlignCenter);
    m_noMatch->setFixedHeight(rowHeight + 8);
    m_noMatch->hide();
    layout->addWidget(m_noMatch);

    connect(m_filter, &QLineEdit::textChanged, m_model, &FontTableModel::setNameFilter);
    m_filter->installEventFilter(this);
    connect(&m_appearance, &Appearance::colorSchemeChanged, m_filter,
            [this, glass, filterIcon] { glass->setIcon(filterIcon()); });

    connect(m_header, &QHeaderView::sectionClicked, this, [this](int section) {
        if (section == FontTableModel::nameColumn)
            toggleSort(SortColumn::name);
        else if (section == FontTableModel::statusColumn)
            toggleSort(SortColumn::status);
    });
    connect(m_table, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        const QModelIndex index = m_table->indexAt(pos);
        if (!index.isValid())
            return;
        m_table->setCurrentIndex(index);
        showContextMenu(index.row(), m_table->viewport()->mapToGlobal(pos));
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, &FontTableView::fitHeight);
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, [this] {
        update();
        m_table->viewport()->update();
        m_header->viewport()->update();
    });
    fitColumns();
    fitHeight();
}

void FontTableView::showContextMenu(int row, const QPoint &globalPos)
{
    std::unique_ptr<QMenu> menu(createContextMenu(row, this));
    menu->exec(globalPos);
}

std::function<bool(const FontStatusItem &, const FontStatusItem &)> FontTableView::ordering(SortColumn column,
                                                                                            bool ascending)
{
    if (column == SortColumn::status) {
        return [ascending](const FontStatusItem &a, const FontStatusItem &b) {
            const int left = statusSortKey(a.status);
            const int right = statusSortKey(b.status);
            return ascending ? left < right : left > right;
        };
    }
    if (column == SortColumn::name) {
        auto collator = std::make_shared<QCollator>();
        collator->setCaseSensitivity(Qt::CaseInsensitive);
        return [ascending, collator](const FontStatusItem &a, const FontStatusItem &b) {
            const int order = collator->compare(a.fontName, b.fontName);
            return ascending ? order < 0 : order > 0;
        };
    }
    return [](const FontStatusItem &, const FontStatusItem &) {
        return false;
    };
}

void FontTableView::toggleSort(SortColumn column)
{
    if (column == SortColumn::none)
        return;
    if (column != m_sortColumn) {
        m_sortColumn = column;
        m_sortAscending = true;
    } else {
        m_sortAscending = !m_sortAscending;
    }
    applySort();
    m_header->viewport()->update();
}

void FontTableView::applySort()
{
    m_workflow.sortFontItems(ordering(m_sortColumn, m_sortAscending));
}

QUrl FontTableView::fontSearchUrl(const QString &fontName)
{
    // Everything a query may hold passes unchanged, as with the URL-query-allowed character set.
    QByteArray encoded = QUrl::toPercentEncoding(fontName, "!$&'()*+,;=:@/?");
    if (encoded.isEmpty())
        encoded = fontName.toUtf8();
    return QUrl::fromEncoded("https://www.google.com/search?q=" + encoded + "+font", QUrl::StrictMode);
}

QMenu *FontTableView::createContextMenu(int row, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setPalette(m_appearance.palette());
    if (row < 0 || row >= m_model->rowCount())
        return menu;
    const FontStatusItem &item = m_model->item(row);
    const qreal ratio = devicePixelRatioF();
    const QColor iconColor = m_appearance.color(colors::primary);
    auto icon = [&](const QString &symbol) {
        return QIcon(symbolPixmap(symbol, 14, iconColor, ratio));
    };
    const QUuid id = item.id;
    // Actions find their item again by id: the list may be re-sorted while the menu is open.
    auto rowOf = [this, id] {
        for (int candidate = 0; candidate < m_model->rowCount(); ++candidate) {
            if (m_model->item(candidate).id == id)
                return candidate;
        }
        return -1;
    };
    menu->addAction(icon(u"doc.on.doc"_s), u"Copy Font Name"_s, this,
                    [this, rowOf] { copyFontName(rowOf()); });
    if (item.hasFile()) {
        menu->addAction(icon(u"doc.on.clipboard"_s), u"Copy File Path"_s, this,
                        [this, rowOf] { copyFilePath(rowOf()); });
        menu->addSeparator();
        menu->addAction(icon(u"folder"_s), u"Show in File Manager"_s, this,
                        [this, rowOf] { revealFontFile(rowOf()); });
    }
    return menu;
}

void FontTableView::copyFontName(int row)
{
    if (row >= 0 && row < m_model->rowCount())
        putOnClipboard(m_model->item(row).fontName);
}

void FontTableView::copyFilePath(int row)
{
    if (row >= 0 && row < m_model->rowCount() && m_model->item(row).hasFile())
        putOnClipboard(m_model->item(row).filePath());
}

void FontTableView::revealFontFile(int row)
{
    if (row < 0 || row >= m_model->rowCount() || !m_model->item(row).hasFile())
        return;
    const QString path = m_model->item(row).filePath();
    m_revealer.revealItem(path, QFileInfo(path).path());
}

void FontTableView::openFontSearch(int row)
{
    if (row < 0 || row >= m_model->rowCount() || m_model->item(row).status != FontStatus::missing)
        return;
    const QUrl address = fontSearchUrl(m_model->item(row).fontName);
    if (address.isValid())
        QDesktopServices::openUrl(address);
}

bool FontTableView::isActiveSpot(const QPoint &pos) const
{
    const QModelIndex index = m_table->indexAt(pos);
    if (!index.isValid())
        return false;
    const FontStatusItem &item = m_model->item(index.row());
    switch (index.column()) {
    case FontTableModel::nameColumn:
        return item.status == FontStatus::missing;
    case FontTableModel::locationColumn:
        return item.hasFile();
    default:
        return false;
    }
}

void FontTableView::handleClick(const QPoint &pos)
{
    const QModelIndex index = m_table->indexAt(pos);
    if (!index.isValid())
        return;
    const FontStatusItem &item = m_model->item(index.row());
    switch (index.column()) {
    case FontTableModel::includeColumn:
        if (item.status == FontStatus::installed &&
            FontRowDelegate::checkBoxRect(m_table->visualRect(index)).adjusted(-4, -4, 4, 4).contains(pos))
            m_workflow.setFontSelected(item.id, !item.isSelected);
        break;
    case FontTableModel::nameColumn:
        openFontSearch(index.row());
        break;
    case FontTableModel::locationColumn:
        revealFontFile(index.row());
        break;
    default:
        break;
    }
}

bool FontTableView::handleKey(QKeyEvent *event)
{
    const int row = m_table->currentIndex().row();
    if (row < 0 || row >= m_model->rowCount())
        return false;
    const FontStatusItem &item = m_model->item(row);
    const bool menuKey = event->key() == Qt::Key_Menu ||
                         (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (menuKey) {
        const QRect cell = m_table->visualRect(m_model->index(row, FontTableModel::nameColumn));
        showContextMenu(row, m_table->viewport()->mapToGlobal(cell.bottomLeft()));
        return true;
    }
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (item.status == FontStatus::installed)
            m_workflow.setFontSelected(item.id, !item.isSelected);
        return true;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        item.status == FontStatus::missing) {
        openFontSearch(row);
        return true;
    }
    return false;
}

bool FontTableView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watchedWindow && event->type() == QEvent::Resize)
        fitHeight();
    if (watched == m_filter && event->type() == QEvent::KeyPress) {
        // Down goes on to the rows; Escape empties the field.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Down && m_model->rowCount() > 0) {
            m_table->setFocus(Qt::TabFocusReason);
            m_table->setCurrentIndex(m_model->index(0, FontTableModel::nameColumn));
            return true;
        }
        if (key->key() == Qt::Key_Escape && !m_filter->text().isEmpty()) {
            m_filter->clear();
            return true;
        }
    }
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        // Moving with the keys shows the current row, even after a click brought the focus.
        m_table->setProperty(keyboardFocusProperty, true);
        m_table->viewport()->update();
        if (handleKey(static_cast<QKeyEvent *>(event)))
            return true;
    }
    if (watched == m_table && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        // The current row shows while the rows have the keyboard.
        if (event->type() == QEvent::FocusIn && !m_table->currentIndex().isValid() && m_model->rowCount() > 0)
            m_table->setCurrentIndex(m_model->index(0, FontTableModel::nameColumn));
        m_table->viewport()->update();
    }
    if (watched == m_table->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton)
                handleClick(mouse->position().toPoint());
        } else if (event->type() == QEvent::MouseMove) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            m_table->viewport()->setCursor(isActiveSpot(mouse->position().toPoint()) ? Qt::PointingHandCursor
                                                                                     : Qt::ArrowCursor);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FontTableView::fitColumns()
{
    // The name takes what the fixed columns leave, within its bounds. In the narrowest window the
    // location, which shortens in its middle anyway, gives up what is still missing, so that no column is
    // cut off.
    int available = std::max(0, width() - 2);
    if (m_model->rowCount() > visibleRowCount())
        available -= m_table->verticalScrollBar()->sizeHint().width();
    const int name = std::clamp(available - fixedWidths, nameMinimum, nameMaximum);
    const int location =
        std::max(locationMinimum, locationWidth - std::max(0, fixedWidths + name - available));
    m_header->resizeSection(FontTableModel::includeColumn, includeWidth);
    m_header->resizeSection(FontTableModel::nameColumn, name);
    m_header->resizeSection(FontTableModel::statusColumn, statusWidth);
    m_header->resizeSection(FontTableModel::typeColumn, typeWidth);
    m_header->resizeSection(FontTableModel::locationColumn, location);
    m_header->resizeSection(FontTableModel::inPackageColumn, inPackageWidth);
    // The row, its tint and its divider run on to the table's edge; the preview itself stays 180 wide.
    m_header->resizeSection(
        FontTableModel::previewColumn,
        std::max(previewWidth, available - fixedWidths - name + locationWidth - location + previewWidth));
}

int FontTableView::visibleRowCount() const
{
    const int room = m_watchedWindow ? m_watchedWindow->height() - roomAroundTable : 0;
    return std::min(m_model->rowCount(), std::clamp(room / rowHeight, fewestShownRows, mostShownRows));
}

void FontTableView::focusFilter()
{
    m_filter->setFocus(Qt::ShortcutFocusReason);
    m_filter->selectAll();
}

void FontTableView::fitHeight()
{
    // As tall as its rows up to what the window holds; beyond that the rows scroll under the header.
    const bool noMatch = m_model->rowCount() == 0 && !m_model->nameFilter().isEmpty();
    if (noMatch)
        m_noMatch->setText(u"No font name contains “"_s + m_model->nameFilter() + u"”."_s);
    m_noMatch->setVisible(noMatch);
    const int frame =
        2 + m_header->height() + visibleRowCount() * rowHeight + (noMatch ? m_noMatch->height() : 0);
    m_frame->setFixedHeight(frame);
    setFixedHeight(m_filter->sizeHint().height() + filterGap + frame);
    fitColumns();
}

void FontTableView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitColumns();
}

void FontTableView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // How many rows show at once follows the window's height.
    if (window() != m_watchedWindow && window() != this) {
        if (m_watchedWindow)
            m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = window();
        m_watchedWindow->installEventFilter(this);
        fitHeight();
    }
}

} // namespace kernwick
