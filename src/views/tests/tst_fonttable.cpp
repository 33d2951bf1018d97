#include <views/contentview.h>
#include <views/fontlistheader.h>
#include <views/fonttableheader.h>
#include <views/fonttablemodel.h>
#include <views/fonttableview.h>
#include <views/tools/viewworld.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace kernwick;

// Records the addresses the table asks the desktop to open.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

// The font table of a real window over real scans: sorting in place, hiding system fonts, the
// checkbox, the row menu and its clipboard texts, the web search and the drag.
class FontTableTest : public QObject
{
    Q_OBJECT

public:
    explicit FontTableTest(test::ViewWorld &world)
        : m_world(world)
    {}

private Q_SLOTS:
    void init();
    void cleanup();
    void sortsTheWorkflowsListInPlace();
    void nameOrderIgnoresCaseAndKeepsTies();
    void hidingSystemFonts();
    void checkboxAndRowTint();
    void contextMenuPerStatus();
    void webSearchForAMissingFont();
    void dragHandsOutTheFontFile();

private:
    QStringList order() const;
    int rowOf(const QString &name) const;
    FontTableView *table() const { return m_window->fontTable(); }

    test::ViewWorld &m_world;
    std::unique_ptr<WorkflowState> m_workflow;
    std::unique_ptr<ContentView> m_window;
};

void FontTableTest::init()
{
    m_workflow = m_world.makeWorkflow();
    m_window = std::make_unique<ContentView>(m_world.appearance, *m_workflow, m_world.desktop);
    m_window->resize(1100, 900);
    m_window->show();
    // Scan order is code-point order: DejaVuSans, Helvetica Neue, LiberationMono, LiberationSans,
    // LiberationSerif.
    const QString deck =
        m_world.deck(u"Mixed.pptx"_s, {test::names::installed[3], test::names::missing, test::names::system,
                                       test::names::restricted, test::names::installed[0]});
    QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, deck));
    QCOMPARE(m_workflow->fontItems().size(), 5);
    QVERIFY(table());
    QCoreApplication::processEvents();
}

void FontTableTest::cleanup()
{
    m_window.reset();
    m_workflow.reset();
}

QStringList FontTableTest::order() const
{
    QStringList names;
    for (const FontStatusItem &item : m_workflow->fontItems())
        names.append(item.fontName);
    return names;
}

int FontTableTest::rowOf(const QString &name) const
{
    for (int row = 0; row < table()->model()->rowCount(); ++row) {
        if (table()->model()->item(row).fontName == name)
            return row;
    }
    return -1;
}

void FontTableTest::sortsTheWorkflowsListInPlace()
{
    const QStringList scanOrder = order();
    QCOMPARE(scanOrder, (QStringList{u"DejaVuSans"_s, u"Helvetica Neue"_s, u"LiberationMono"_s,
                                     u"LiberationSans"_s, u"LiberationSerif"_s}));
    FontTableHeader *header = table()->header();
    using Indicator = FontTableHeader::Indicator;
    QCOMPARE(table()->sortColumn(), FontTableView::SortColumn::none);
    QCOMPARE(FontTableHeader::indicatorSymbol(Indicator::neutral), u"chevron.up.chevron.down"_s);

    auto clickHeader = [&](int section) {
        const QPoint centre(header->sectionViewportPosition(section) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    };
    // First click on "Status": ascending by the status order installed, missing, unresolved, system, adobe.
    clickHeader(FontTableModel::statusColumn);
    QCOMPARE(table()->sortColumn(), FontTableView::SortColumn::status);
    QVERIFY(table()->sortAscending());
    QCOMPARE(order(), (QStringList{u"LiberationSans"_s, u"LiberationSerif"_s, u"Helvetica Neue"_s,
                                   u"DejaVuSans"_s, u"LiberationMono"_s}));
    // The package preview sees the new order too.
    // Second click: descending, the two installed fonts keep their order.
    clickHeader(FontTableModel::statusColumn);
    QVERIFY(!table()->sortAscending());
    QCOMPARE(order(), (QStringList{u"LiberationMono"_s, u"DejaVuSans"_s, u"Helvetica Neue"_s,
                                   u"LiberationSans"_s, u"LiberationSerif"_s}));
    // Third click: ascending again; never back to the scan order.
    clickHeader(FontTableModel::statusColumn);
    QVERIFY(table()->sortAscending());
    QVERIFY(order() != scanOrder);

    // Name descending, then a click on "Status" starts that one ascending and names stay ordered in each
    // group.
    table()->toggleSort(FontTableView::SortColumn::name);
    table()->toggleSort(FontTableView::SortColumn::name);
    QCOMPARE(order(), (QStringList{u"LiberationSerif"_s, u"LiberationSans"_s, u"LiberationMono"_s,
                                   u"Helvetica Neue"_s, u"DejaVuSans"_s}));
    table()->toggleSort(FontTableView::SortColumn::status);
    QVERIFY(table()->sortAscending());
    QCOMPARE(order(), (QStringList{u"LiberationSerif"_s, u"LiberationSans"_s, u"Helvetica Neue"_s,
                                   u"DejaVuSans"_s, u"LiberationMono"_s}));
    // The rows follow the list.
    QCOMPARE(table()->model()->item(0).fontName, u"LiberationSerif"_s);

    // Collapsing and unfolding makes a fresh table, unsorted, over the list as last sorted.
    m_workflow->toggleFontList();
    QVERIFY(!table());
    m_workflow->toggleFontList();
    QVERIFY(table());
    QCOMPARE(table()->sortColumn(), FontTableView::SortColumn::none);
    QCOMPARE(order().first(), u"LiberationSerif"_s);
}

void FontTableTest::nameOrderIgnoresCaseAndKeepsTies()
{
    auto sorted = [](const QStringList &names, bool ascending) {
        FontStatusItems items;
        for (const QString &name : names)
            items.append(makeFontStatusItem(name, FontStatus::missing));
        std::stable_sort(items.begin(), items.end(),
                         FontTableView::ordering(FontTableView::SortColumn::name, ascending));
        QStringList result;
        for (const FontStatusItem &item : items)
            result.append(item.fontName);
        return result;
    };
    QCOMPARE(sorted({u"beta"_s, u"Alpha"_s, u"alpha"_s, u"Gamma"_s}, true),
             (QStringList{u"Alpha"_s, u"alpha"_s, u"beta"_s, u"Gamma"_s}));
    QCOMPARE(sorted({u"beta"_s, u"alpha"_s, u"Alpha"_s, u"Gamma"_s}, true),
             (QStringList{u"alpha"_s, u"Alpha"_s, u"beta"_s, u"Gamma"_s}));
    QCOMPARE(sorted({u"beta"_s, u"Alpha"_s, u"alpha"_s, u"Gamma"_s}, false),
             (QStringList{u"Gamma"_s, u"beta"_s, u"Alpha"_s, u"alpha"_s}));

    FontStatusItems statuses;
    for (FontStatus status : {FontStatus::adobe, FontStatus::system, FontStatus::installed,
                              FontStatus::unresolved, FontStatus::missing, FontStatus::installed})
        statuses.append(makeFontStatusItem(u"x"_s, status));
    const QUuid firstInstalled = statuses[2].id;
    std::stable_sort(statuses.begin(), statuses.end(),
                     FontTableView::ordering(FontTableView::SortColumn::status, true));
    QCOMPARE(statuses[0].id, firstInstalled);
    QCOMPARE(statuses[2].status, FontStatus::missing);
    QCOMPARE(statuses[3].status, FontStatus::unresolved);
    QCOMPARE(statuses[5].status, FontStatus::adobe);
}

void FontTableTest::hidingSystemFonts()
{
    FontListHeader *header = m_window->fontListHeader();
    QCOMPARE(header->title(), u"Font List (5)"_s);
    header->hideSystemFontsBox()->click();
    QVERIFY(m_workflow->hideSystemFonts());
    QCOMPARE(header->title(), u"Font List (4, 1 system hidden)"_s);
    QCOMPARE(table()->model()->rowCount(), 4);
    QCOMPARE(rowOf(u"DejaVuSans"_s), -1);
    // The list and the summary are untouched.
    QCOMPARE(m_workflow->fontItems().size(), 5);
    QVERIFY(m_workflow->fontListExpanded());
    QCOMPARE(FontListHeader::titleText(12, 3, true), u"Font List (9, 3 system hidden)"_s);
    QCOMPARE(FontListHeader::titleText(12, 3, false), u"Font List (12)"_s);
    QCOMPARE(FontListHeader::titleText(12, 0, true), u"Font List (12)"_s);

    // A list of system fonts only: the header row and no rows.
    const QString deck = m_world.deck(u"Plain.pptx"_s, {test::names::system, u"DejaVuSerif"_s});
    QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, deck));
    QVERIFY(table());
    QCOMPARE(table()->model()->rowCount(), 0);
    header = m_window->fontListHeader();
    QCOMPARE(header->title(), u"Font List (0, 2 system hidden)"_s);

    // The header row folds the list; its checkbox does not.
    QTest::mouseClick(header, Qt::LeftButton, {}, QPoint(30, header->height() / 2));
    QVERIFY(!m_workflow->fontListExpanded());
    QCOMPARE(header->chevronSymbol(), u"chevron.right"_s);
    header->hideSystemFontsBox()->click();
    QVERIFY(!m_workflow->fontListExpanded());
    QVERIFY(!m_workflow->hideSystemFonts());
}

void FontTableTest::checkboxAndRowTint()
{
    const int installed = rowOf(u"LiberationSans"_s);
    const int missing = rowOf(u"Helvetica Neue"_s);
    QTableView *view = table()->table();
    FontTableModel *model = table()->model();
    QCOMPARE(model->index(installed, FontTableModel::includeColumn).data(Qt::CheckStateRole).toInt(),
             int(Qt::Checked));
    QVERIFY(!model->index(missing, FontTableModel::includeColumn).data(Qt::CheckStateRole).isValid());
    QVERIFY(!(model->flags(model->index(missing, 0)) & Qt::ItemIsUserCheckable));

    // The tint shows in the empty trailing part of the row.
    auto background = [&](int row) {
        const QImage image = view->viewport()->grab().toImage();
        const QRect cell = view->visualRect(model->index(row, FontTableModel::previewColumn));
        return image.pixelColor(cell.right() - 3, cell.top() + 3);
    };
    const QColor plain = background(missing);
    QVERIFY(background(installed) != plain);

    const QRect include = view->visualRect(model->index(installed, FontTableModel::includeColumn));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(include.left() + 12 + 14, include.center().y()));
    const auto &item = m_workflow->fontItems()[model->listIndex(installed)];
    QCOMPARE(item.fontName, u"LiberationSans"_s);
    QVERIFY(!item.isSelected);
    QCOMPARE(background(installed), plain);
    // Still in the package column: it is an installed font.
    QCOMPARE(model->index(installed, FontTableModel::inPackageColumn).data().toString(), u"Yes"_s);
    // The package preview drops it.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(include.left() + 12 + 14, include.center().y()));
    QVERIFY(m_workflow->fontItems()[model->listIndex(installed)].isSelected);

    // A click on the include cell of a font that cannot travel changes nothing.
    const QRect other = view->visualRect(model->index(missing, FontTableModel::includeColumn));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(other.left() + 26, other.center().y()));
    QVERIFY(!m_workflow->fontItems()[model->listIndex(missing)].isSelected);
}

void FontTableTest::contextMenuPerStatus()
{
    auto entries = [&](const QString &name) {
        std::unique_ptr<QMenu> menu(table()->createContextMenu(rowOf(name)));
        QStringList texts;
        for (QAction *action : menu->actions())
            texts.append(action->isSeparator() ? u"|"_s : action->text());
        return texts;
    };
    const QStringList full = {u"Copy Font Name"_s, u"Copy File Path"_s, u"|"_s, u"Show in Finder"_s};
    QCOMPARE(entries(u"LiberationSans"_s), full);
    QCOMPARE(entries(u"LiberationMono"_s), full);
    QCOMPARE(entries(u"DejaVuSans"_s), full);
    QCOMPARE(entries(u"Helvetica Neue"_s), QStringList{u"Copy Font Name"_s});

    const int row = rowOf(u"LiberationSans"_s);
    const QString file = table()->model()->item(row).filePath();
    QVERIFY(file.endsWith(u"/LiberationSans-Regular.ttf"_s));
    std::unique_ptr<QMenu> menu(table()->createContextMenu(row));
    menu->actions().at(0)->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), u"LiberationSans"_s);
    menu->actions().at(1)->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), file);
    QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasUrls());
    menu->actions().at(3)->trigger();
    QCOMPARE(m_world.desktop.revealed.value(0), file);
    m_world.desktop.revealed.clear();

    // The location cell is a link to the same place; a font without a file has none.
    QTableView *view = table()->table();
    const QRect location = view->visualRect(table()->model()->index(row, FontTableModel::locationColumn));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, location.center());
    QCOMPARE(m_world.desktop.revealed, QStringList{file});
    const QRect none =
        view->visualRect(table()->model()->index(rowOf(u"Helvetica Neue"_s), FontTableModel::locationColumn));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, none.center());
    QCOMPARE(m_world.desktop.revealed.size(), 1);
    m_world.desktop.revealed.clear();
}

void FontTableTest::webSearchForAMissingFont()
{
    const QUrl address = FontTableView::fontSearchUrl(u"Helvetica Neue"_s);
    QCOMPARE(address.scheme(), u"https"_s);
    QCOMPARE(address.path() + u'?' + address.query(QUrl::FullyEncoded), u"/search?q=Helvetica%20Neue+font"_s);
    // What a query may hold passes; the rest is encoded byte by byte.
    QCOMPARE(FontTableView::fontSearchUrl(u"A&B=C/D?+"_s).query(QUrl::FullyEncoded), u"q=A&B=C/D?++font"_s);
    QCOMPARE(FontTableView::fontSearchUrl(u"Ünï #1"_s).query(QUrl::FullyEncoded),
             u"q=%C3%9Cn%C3%AF%20%231+font"_s);

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(u"https"_s, &recorder, "open");
    QTableView *view = table()->table();
    const int missing = rowOf(u"Helvetica Neue"_s);
    QCOMPARE(table()->model()->index(missing, FontTableModel::nameColumn).data(Qt::ToolTipRole).toString(),
             u"Search Google for \"Helvetica Neue\" font"_s);
    QTest::mouseClick(
        view->viewport(), Qt::LeftButton, {},
        view->visualRect(table()->model()->index(missing, FontTableModel::nameColumn)).center());
    // An installed font's name is plain text.
    QTest::mouseClick(
        view->viewport(), Qt::LeftButton, {},
        view->visualRect(table()->model()->index(rowOf(u"LiberationSans"_s), FontTableModel::nameColumn))
            .center());
    QDesktopServices::unsetUrlHandler(u"https"_s);
    QCOMPARE(recorder.opened, QList<QUrl>{FontTableView::fontSearchUrl(u"Helvetica Neue"_s)});
}

void FontTableTest::dragHandsOutTheFontFile()
{
    FontTableModel *model = table()->model();
    const int installed = rowOf(u"LiberationSerif"_s);
    QVERIFY(model->flags(model->index(installed, FontTableModel::nameColumn)) & Qt::ItemIsDragEnabled);
    std::unique_ptr<QMimeData> data(model->mimeData({model->index(installed, FontTableModel::nameColumn)}));
    QVERIFY(data);
    QVERIFY(data->hasFormat(u"text/uri-list"_s));
    QCOMPARE(data->urls(), QList<QUrl>{QUrl::fromLocalFile(model->item(installed).filePath())});

    const int missing = rowOf(u"Helvetica Neue"_s);
    QVERIFY(!(model->flags(model->index(missing, FontTableModel::nameColumn)) & Qt::ItemIsDragEnabled));
    QVERIFY(!model->mimeData({model->index(missing, FontTableModel::nameColumn)}));
}

KERNWICK_VIEWS_TEST_MAIN(FontTableTest)

#include "tst_fonttable.moc"
