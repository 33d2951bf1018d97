#include "fonttableview.h"

#include <platform/desktopservices.h>
#include <views/controlstyle.h>
#include <views/fontrowdelegate.h>
#include <views/fonttableheader.h>
#include <views/fonttablemodel.h>
#include <views/symbols.h>
#include <workflow/workflowstate.h>

#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
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
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    m_table = new QTableView(this);
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
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
    const int available = std::max(0, width() - 2);
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

void FontTableView::fitHeight()
{
    // The table is as tall as its rows: the window's scroll area scrolls it, not the table itself.
    setFixedHeight(2 + m_header->height() + m_model->rowCount() * rowHeight);
}

void FontTableView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitColumns();
}

void FontTableView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_appearance.color(colors::black.withOpacity(0.08)), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
}

} // namespace kernwick
