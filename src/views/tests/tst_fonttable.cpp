#include <views/checkbox.h>
#include <views/contentview.h>
#include <views/controlstyle.h>
#include <views/foldertreerow.h>
#include <views/fontlistheader.h>
#include <views/fontrowdelegate.h>
#include <views/fonttableheader.h>
#include <views/fonttablemodel.h>
#include <views/fonttableview.h>
#include <views/handoffpackageview.h>
#include <views/tools/viewworld.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <testsupport/testzip.h>

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

// The font table of a real window over real scans: sorting in place, hiding system fonts, the cells, the
// checkbox, the row menu and its clipboard texts, the links, the drag and the preview face.
class FontTableTest : public QObject
{
    Q_OBJECT

public:
    explicit FontTableTest(test::ViewWorld &world)
        : m_world(world)
    {}

private Q_SLOTS:
    void init()
    {
        m_workflow = m_world.makeWorkflow();
        m_window = std::make_unique<ContentView>(m_world.appearance, *m_workflow, m_world.desktop);
        m_window->resize(1100, 900);
        m_window->show();
        const QString deck = m_world.deck(u"Mixed.pptx"_s, {test::names::installed[3], test::names::missing,
                                                            test::names::system, test::names::restricted,
                                                            test::names::installed[0]});
        QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, deck));
        QVERIFY(table());
        QCoreApplication::processEvents();
    }

    void cleanup()
    {
        m_window.reset();
        m_workflow.reset();
    }

    void sortsTheWorkflowsListInPlace()
    {
        // Scan order is code-point order.
        const QString scanOrder = order();
        QCOMPARE(scanOrder, u"DejaVuSans,Helvetica Neue,LiberationMono,LiberationSans,LiberationSerif"_s);
        QCOMPARE(table()->sortColumn(), FontTableView::SortColumn::none);
        FontTableHeader *header = table()->header();
        auto clickStatus = [&] {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(FontTableModel::statusColumn) + 10,
                                     header->height() / 2));
        };
        // Status ascending is installed, missing, unresolved, system, adobe; the next click flips it, the two
        // installed fonts keeping their order; a third click is ascending again, never the scan order.
        clickStatus();
        QCOMPARE(order(), u"LiberationSans,LiberationSerif,Helvetica Neue,DejaVuSans,LiberationMono"_s);
        clickStatus();
        QVERIFY(!table()->sortAscending());
        QCOMPARE(order(), u"LiberationMono,DejaVuSans,Helvetica Neue,LiberationSans,LiberationSerif"_s);
        clickStatus();
        QVERIFY(table()->sortAscending());
        QVERIFY(order() != scanOrder);

        // Name descending, then "Status" starts ascending, each group staying in name order.
        table()->toggleSort(FontTableView::SortColumn::name);
        table()->toggleSort(FontTableView::SortColumn::name);
        table()->toggleSort(FontTableView::SortColumn::status);
        QVERIFY(table()->sortAscending());
        QCOMPARE(order(), u"LiberationSerif,LiberationSans,Helvetica Neue,DejaVuSans,LiberationMono"_s);

        // Folding and unfolding makes a fresh table, unsorted, over the list as last sorted.
        m_workflow->toggleFontList();
        QVERIFY(!table());
        m_workflow->toggleFontList();
        QCOMPARE(table()->sortColumn(), FontTableView::SortColumn::none);
        QVERIFY(order().startsWith(u"LiberationSerif,"));
    }

    void sortOrders()
    {
        // Names compare without case; names equal but for case keep their order.
        for (const auto &[ascending, names, expected] :
             {std::tuple{true, u"beta Alpha alpha Gamma"_s, u"Alpha alpha beta Gamma"_s},
              {true, u"beta alpha Alpha Gamma"_s, u"alpha Alpha beta Gamma"_s},
              {false, u"beta Alpha alpha Gamma"_s, u"Gamma beta Alpha alpha"_s}}) {
            FontStatusItems items;
            for (const QString &name : names.split(u' '))
                items.append(makeFontStatusItem(name, FontStatus::missing));
            std::stable_sort(items.begin(), items.end(),
                             FontTableView::ordering(FontTableView::SortColumn::name, ascending));
            QStringList sorted;
            for (const FontStatusItem &item : items)
                sorted.append(item.fontName);
            QCOMPARE(sorted.join(u' '), expected);
        }
    }

    void hidingSystemFonts()
    {
        FontListHeader *header = m_window->fontListHeader();
        QCOMPARE(header->title(), u"Font List (5)"_s);
        header->hideSystemFontsBox()->click();
        QCOMPARE(header->title(), u"Font List (4, 1 system hidden)"_s);
        QCOMPARE(model()->rowCount(), 4);
        QCOMPARE(rowOf(u"DejaVuSans"_s), -1);
        QCOMPARE(m_workflow->fontItems().size(), 5);

        // A list of system fonts only: the header row and no rows.
        QVERIFY(test::ViewWorld::dropAndScan(
            *m_workflow, m_world.deck(u"Plain.pptx"_s, {test::names::system, u"DejaVuSerif"_s})));
        QCOMPARE(model()->rowCount(), 0);
        header = m_window->fontListHeader();
        QCOMPARE(header->title(), u"Font List (0, 2 system hidden)"_s);

        // The header row folds the list; its checkbox does not.
        QTest::mouseClick(header, Qt::LeftButton, {}, QPoint(30, header->height() / 2));
        QVERIFY(!m_workflow->fontListExpanded());
        header->hideSystemFontsBox()->click();
        QVERIFY(!m_workflow->fontListExpanded() && !m_workflow->hideSystemFonts());
    }

    void cellsPerStatus()
    {
        const QString emDash = u"—"_s;
        const QStringList rows[] = {
            {test::names::missing, u"Missing"_s, emDash, emDash, emDash, emDash},
            {test::names::system, u"System Font"_s, u"TrueType"_s, u"System"_s, emDash, emDash},
            {test::names::restricted, u"Restricted"_s, u"TrueType"_s, u"*"_s, emDash, emDash},
            {test::names::installed[0], u"Found"_s, u"TrueType"_s, u"*"_s, u"Yes"_s,
             test::names::installed[0]},
        };
        for (const QStringList &expected : rows) {
            for (int column = FontTableModel::nameColumn; column < FontTableModel::columnCount_; ++column) {
                if (expected[column - 1] != u"*")
                    QCOMPARE(cell(expected[0], column).data().toString(), expected[column - 1]);
            }
        }
        QVERIFY(cell(test::names::restricted, FontTableModel::includeColumn)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .startsWith(u"Licensed Adobe font — cannot be redistributed."_s));
        QCOMPARE(cell(test::names::missing, FontTableModel::nameColumn).data(Qt::ToolTipRole).toString(),
                 u"Used on slide 1\nSearch Google for \"Helvetica Neue\" font"_s);
    }

    void whereEachFontIsUsed()
    {
        // A font that only the master's second bullet level names is marked, dimmed, and still packaged.
        const QString deck =
            m_world.deck(u"Declared.pptx"_s, {test::names::installed[0]}, {test::names::installed[3]});
        QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, deck));
        QCoreApplication::processEvents();
        const QModelIndex declared = cell(test::names::installed[3], FontTableModel::nameColumn);
        QVERIFY(declared.data(FontTableModel::declaredOnlyRole).toBool());
        QCOMPARE(declared.data(Qt::ToolTipRole).toString(), u"Not used by any text (slide master 1)"_s);
        QCOMPARE(declared.data(Qt::AccessibleTextRole).toString(),
                 test::names::installed[3] + u", Not used by any text"_s);
        QCOMPARE(cell(test::names::installed[3], FontTableModel::includeColumn).data(Qt::CheckStateRole),
                 QVariant(Qt::Checked));
        const QModelIndex used = cell(test::names::installed[0], FontTableModel::nameColumn);
        QVERIFY(!used.data(FontTableModel::declaredOnlyRole).toBool());
        QCOMPARE(used.data(Qt::ToolTipRole).toString(), u"Used on slide 1"_s);
    }

    void whatTravelsAndWhy()
    {
        // A family's faces travel with its name; a font whose license keeps it home starts unticked and
        // marked, and ticking it is the user's call; embedded fonts, metric twins and a face the installed
        // family lacks are named in the row, none of it changing a status.
        const QString embedded = u"Source Sans Pro"_s;
        const QString light = u"Liberation Sans Light"_s;
        const QString deck =
            m_world.deck(u"Faces.pptx"_s,
                         {u"Liberation Sans"_s, test::names::licensed, test::names::twinned, embedded, light},
                         {}, {embedded});
        QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, deck));
        QCOMPARE(cell(u"Liberation Sans"_s, FontTableModel::inPackageColumn).data(Qt::ToolTipRole).toString(),
                 u"3 faces travel: Regular, Bold, Bold Italic (3 files)"_s);

        const QModelIndex licensed = cell(test::names::licensed, FontTableModel::nameColumn);
        const QString why = permissionDescription(EmbeddingPermission::restricted);
        QCOMPARE(cell(test::names::licensed, FontTableModel::includeColumn).data(Qt::CheckStateRole),
                 QVariant(Qt::Unchecked));
        QCOMPARE(cell(test::names::licensed, FontTableModel::includeColumn).data(Qt::ToolTipRole).toString(),
                 why);
        QCOMPARE(cell(test::names::licensed, FontTableModel::inPackageColumn).data().toString(),
                 u"Left out: licence"_s);
        QCOMPARE(
            cell(test::names::licensed, FontTableModel::inPackageColumn).data(Qt::ToolTipRole).toString(),
            why);
        QVERIFY(licensed.data(FontTableModel::licenseMarkRole).toBool());
        QVERIFY(licensed.data(Qt::ToolTipRole).toString().endsWith(u'\n' + why));
        QCOMPARE(licensed.data(Qt::AccessibleTextRole).toString(), u"Caladea, No Redistribution"_s);
        // The mark is drawn after the name, in the purple of licensed fonts.
        const QImage image = table()->table()->viewport()->grab().toImage();
        const QRect nameCell = table()->table()->visualRect(licensed);
        bool marked = false;
        for (int x = nameCell.left(); x < nameCell.right(); ++x) {
            const QColor pixel = image.pixelColor(x, nameCell.center().y());
            marked = marked || (pixel.hue() > 250 && pixel.hue() < 290 && pixel.saturation() > 120);
        }
        QVERIFY(marked);
        QVERIFY(!cell(u"Liberation Sans"_s, FontTableModel::nameColumn)
                     .data(FontTableModel::licenseMarkRole)
                     .toBool());

        const QString embeddedNote = u"Embedded in the presentation (Regular, Bold)"_s;
        const QString twinNote = u"Liberation Sans is installed and has the same metrics"_s;
        const QString lightNote = u"Liberation Sans is installed, but not its Light face"_s;
        for (const auto &[name, note, toolTip] :
             {std::tuple{embedded, embeddedNote, embeddedNote},
              {test::names::twinned, u"Same metrics: Liberation Sans"_s, twinNote},
              {light, lightNote, lightNote}}) {
            QCOMPARE(cell(name, FontTableModel::statusColumn).data().toString(), u"Missing"_s);
            QCOMPARE(cell(name, FontTableModel::nameColumn).data(FontTableModel::noteRole).toString(), note);
            QCOMPARE(cell(name, FontTableModel::statusColumn).data(Qt::ToolTipRole).toString(), toolTip);
            QVERIFY(
                cell(name, FontTableModel::nameColumn).data(Qt::ToolTipRole).toString().contains(toolTip));
        }

        // The preview lists every file a font takes along, each once; the licensed font's once ticked.
        auto files = [&] {
            QStringList names;
            for (FolderTreeRow *row : m_window->packageView()->treeRows()) {
                if (row->indent() == 2)
                    names.append(row->name());
            }
            return names;
        };
        const QStringList family = {u"LiberationSans-Regular.ttf"_s, u"LiberationSans-Bold.ttf"_s,
                                    u"LiberationSans-BoldItalic.ttf"_s};
        QCOMPARE(files(), family);
        clickCell(test::names::licensed, FontTableModel::includeColumn, 12 + 14);
        QCOMPARE(files(), (QStringList{u"Caladea-Regular.ttf"_s, u"Caladea-Bold.ttf"_s} + family));
    }

    void checkboxAndRowTint()
    {
        const QString installed = u"LiberationSans"_s;
        const QString missing = test::names::missing;
        QVERIFY(!cell(missing, FontTableModel::includeColumn).data(Qt::CheckStateRole).isValid());
        // The tint shows in the empty trailing part of the row.
        auto background = [&](const QString &name) {
            const QImage image = table()->table()->viewport()->grab().toImage();
            const QRect rect = table()->table()->visualRect(cell(name, FontTableModel::previewColumn));
            return image.pixelColor(rect.right() - 20, rect.center().y());
        };
        const QColor plain = background(missing);
        QVERIFY(background(installed) != plain);
        clickCell(installed, FontTableModel::includeColumn, 12 + 14);
        QVERIFY(!m_workflow->fontItems()[model()->listIndex(rowOf(installed))].isSelected);
        QCOMPARE(background(installed), plain);
        // The In Package cell says what the tick says.
        QCOMPARE(cell(installed, FontTableModel::inPackageColumn).data().toString(), u"Left out"_s);
        QVERIFY(cell(installed, FontTableModel::inPackageColumn)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .startsWith(u"Left out by choice"_s));
        clickCell(installed, FontTableModel::includeColumn, 12 + 14);
        QVERIFY(m_workflow->fontItems()[model()->listIndex(rowOf(installed))].isSelected);
        QCOMPARE(cell(installed, FontTableModel::inPackageColumn).data().toString(), u"Yes"_s);
        // A font that cannot travel has no checkbox to click.
        clickCell(missing, FontTableModel::includeColumn, 12 + 14);
        QVERIFY(!m_workflow->fontItems()[model()->listIndex(rowOf(missing))].isSelected);
    }

    void rowMenuAndLinks()
    {
        auto entries = [&](const QString &name) {
            std::unique_ptr<QMenu> menu(table()->createContextMenu(rowOf(name)));
            QStringList texts;
            for (QAction *action : menu->actions())
                texts.append(action->isSeparator() ? u"|"_s : action->text());
            return texts;
        };
        const QStringList full = {u"Copy Font Name"_s, u"Copy File Path"_s, u"|"_s,
                                  u"Show in File Manager"_s};
        for (const QString &name : {u"LiberationSans"_s, u"LiberationMono"_s, u"DejaVuSans"_s})
            QCOMPARE(entries(name), full);
        QCOMPARE(entries(test::names::missing), QStringList{u"Copy Font Name"_s});

        const QString file = model()->item(rowOf(u"LiberationSans"_s)).filePath();
        QVERIFY(file.endsWith(u"/LiberationSans-Regular.ttf"_s));
        std::unique_ptr<QMenu> menu(table()->createContextMenu(rowOf(u"LiberationSans"_s)));
        menu->actions().at(0)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"LiberationSans"_s);
        menu->actions().at(1)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), file);
        QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasUrls());
        m_world.desktop.revealed.clear();
        menu->actions().at(3)->trigger();
        // The location cell is a link to the same place; a font without a file has none.
        clickCell(u"LiberationSans"_s, FontTableModel::locationColumn);
        clickCell(test::names::missing, FontTableModel::locationColumn);
        QCOMPARE(m_world.desktop.revealed, (QStringList{file, file}));

        // A missing font's name searches the web for it, the name encoded as a query value; other names are
        // plain text.
        QCOMPARE(FontTableView::fontSearchUrl(u"Helvetica Neue"_s).toString(QUrl::FullyEncoded),
                 u"https://www.google.com/search?q=Helvetica%20Neue+font"_s);
        QCOMPARE(FontTableView::fontSearchUrl(u"A&B=C/D?+"_s).query(QUrl::FullyEncoded),
                 u"q=A&B=C/D?++font"_s);

        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(u"https"_s, &recorder, "open");
        clickCell(test::names::missing, FontTableModel::nameColumn);
        clickCell(u"LiberationSans"_s, FontTableModel::nameColumn);
        QDesktopServices::unsetUrlHandler(u"https"_s);
        QCOMPARE(recorder.opened, QList<QUrl>{FontTableView::fontSearchUrl(test::names::missing)});
    }

    void dragHandsOutTheFontFile()
    {
        const QModelIndex installed = cell(u"LiberationSerif"_s, FontTableModel::nameColumn);
        QVERIFY(model()->flags(installed) & Qt::ItemIsDragEnabled);
        std::unique_ptr<QMimeData> data(model()->mimeData({installed}));
        QCOMPARE(data->urls(), QList<QUrl>{QUrl::fromLocalFile(model()->item(installed.row()).filePath())});
        const QModelIndex missing = cell(test::names::missing, FontTableModel::nameColumn);
        QVERIFY(!(model()->flags(missing) & Qt::ItemIsDragEnabled));
        QVERIFY(!model()->mimeData({missing}));
    }

    void previewFaceFromTheFontFile()
    {
        FontRowDelegate delegate(m_world.appearance);
        const QRawFont face =
            delegate.previewFont(u"/usr/share/fonts/truetype/liberation2/LiberationSerif-Italic.ttf"_s);
        QCOMPARE(face.familyName(), u"Liberation Serif"_s);
        QCOMPARE(face.style(), QFont::StyleItalic);
        // A file that is no font, a cut-off one or none at all gives no face: the default face stands in.
        QFile source(u"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"_s);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QString junk = m_world.folder() + u"/junk.ttf"_s, cut = m_world.folder() + u"/cut.ttf"_s;
        test::writeFile(junk, QByteArray(4096, '\xff'));
        test::writeFile(cut, source.read(600));
        QVERIFY(!delegate.previewFont(junk).isValid());
        delegate.previewFont(cut);
        QVERIFY(!delegate.previewFont(m_world.folder() + u"/absent.ttf"_s).isValid());
    }

    void keyboard()
    {
        // The headers sort from the keyboard: Space on "Font Name", the arrow to "Status", Return.
        FontTableHeader *header = table()->header();
        header->setFocus(Qt::TabFocusReason);
        QTest::keyClick(header, Qt::Key_Space);
        QCOMPARE(table()->sortColumn(), FontTableView::SortColumn::name);
        QTest::keyClick(header, Qt::Key_Right);
        QTest::keyClick(header, Qt::Key_Return);
        QCOMPARE(table()->sortColumn(), FontTableView::SortColumn::status);
        QVERIFY(order().startsWith(u"LiberationSans,"));

        // Tab reaches the rows; the arrows move the current row, Space ticks an installed font.
        QTableView *rows = table()->table();
        rows->setFocus(Qt::TabFocusReason);
        QCOMPARE(rows->currentIndex().row(), 0);
        QTest::keyClick(rows, Qt::Key_Space);
        QVERIFY(!m_workflow->fontItems()[0].isSelected);
        QTest::keyClick(rows, Qt::Key_Down);
        QTest::keyClick(rows, Qt::Key_Down);
        QCOMPARE(model()->item(rows->currentIndex().row()).fontName, test::names::missing);
        // Return on a missing font searches for it; the Menu key and Shift+F10 open the row's menu, in the
        // window's appearance.
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(u"https"_s, &recorder, "open");
        QTest::keyClick(rows, Qt::Key_Return);
        QDesktopServices::unsetUrlHandler(u"https"_s);
        QCOMPARE(recorder.opened, QList<QUrl>{FontTableView::fontSearchUrl(test::names::missing)});
        m_world.appearance.setColorScheme(Appearance::ColorScheme::dark);
        for (const auto &[key, modifiers] :
             {std::pair{Qt::Key_Menu, Qt::NoModifier}, {Qt::Key_F10, Qt::ShiftModifier}}) {
            QStringList entries;
            QTimer::singleShot(0, this, [&] {
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                QVERIFY(menu);
                for (QAction *action : menu->actions())
                    entries.append(action->text());
                const QImage image = menu->grab().toImage();
                QVERIFY(image.pixelColor(image.width() / 2, image.height() - 3).lightness() < 90);
                menu->close();
            });
            QTest::keyClick(rows, key, modifiers);
            QCOMPARE(entries, QStringList{u"Copy Font Name"_s});
            // Back from the menu (the desktop gives the window back its keyboard), the rows show the ring.
            m_window->activateWindow();
            QTRY_VERIFY(rows->hasFocus());
            QVERIFY(showsFocusRing(*rows));
        }
        m_world.appearance.setColorScheme(Appearance::ColorScheme::light);
    }

    void longListScrollsUnderItsHeaderAndFilters()
    {
        QStringList names;
        for (int index = 0; index < 40; ++index)
            names.append(u"Corporate Face "_s + QString::number(index));
        names += test::names::installed;
        QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, m_world.deck(u"Long.pptx"_s, names)));
        QCoreApplication::processEvents();
        // The rows scroll inside the table, under a header that stays where it is; the page stays short.
        QTableView *rows = table()->table();
        QCOMPARE(model()->rowCount(), 45);
        QVERIFY(table()->visibleRowCount() < 45 && table()->visibleRowCount() >= 6);
        QVERIFY(table()->height() < 900);
        QVERIFY(rows->verticalScrollBar()->maximum() > 0);
        const QPoint headerAt = table()->header()->mapTo(m_window.get(), QPoint(0, 0));
        rows->setFocus(Qt::TabFocusReason);
        QTest::keyClick(rows, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(rows->currentIndex().row(), 44);
        QVERIFY(rows->verticalScrollBar()->value() == rows->verticalScrollBar()->maximum());
        QCOMPARE(table()->header()->mapTo(m_window.get(), QPoint(0, 0)), headerAt);

        // The filter narrows the rows by name, ignoring case; a name it does not find is said so.
        struct Case
        {
            QString text;
            int rows;
        };
        for (const auto &[text, count] :
             {Case{u"face 3"_s, 11}, {u"  LIBERATIONSERIF "_s, 2}, {u"Helvetica"_s, 0}, {QString(), 45}}) {
            table()->filterField()->setText(text);
            QCOMPARE(model()->rowCount(), count);
            QCOMPARE(model()->unfilteredRowCount(), 45);
            QCOMPARE(table()->findChild<QLabel *>(u"noMatch"_s)->isVisibleTo(table()), count == 0);
        }
        QCOMPARE(table()->findChild<QLabel *>(u"noMatch"_s)->text(), u"No font name contains “Helvetica”."_s);
        // Ctrl+F brings the keyboard to the field, unfolding the list first; Down goes on to the rows, Escape
        // empties the field.
        m_workflow->toggleFontList();
        QVERIFY(!table());
        QTest::keyClick(m_window.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(table() && table()->filterField()->hasFocus());
        QTest::keyClicks(table()->filterField(), u"serif"_s);
        QCOMPARE(model()->rowCount(), 2);
        QTest::keyClick(table()->filterField(), Qt::Key_Down);
        QVERIFY(table()->table()->hasFocus());
        QCOMPARE(model()->item(table()->table()->currentIndex().row()).fontName, test::names::installed[3]);
        table()->filterField()->setFocus();
        QTest::keyClick(table()->filterField(), Qt::Key_Escape);
        QCOMPARE(model()->rowCount(), 45);
        // The tick column has no title to see, but a name to hear.
        QCOMPARE(model()
                     ->headerData(FontTableModel::includeColumn, Qt::Horizontal, Qt::AccessibleTextRole)
                     .toString(),
                 u"Include in package"_s);
    }

private:
    // The workflow's list, names joined by commas.
    QString order() const
    {
        QStringList names;
        for (const FontStatusItem &item : m_workflow->fontItems())
            names.append(item.fontName);
        return names.join(u',');
    }

    int rowOf(const QString &name) const
    {
        for (int row = 0; row < model()->rowCount(); ++row) {
            if (model()->item(row).fontName == name)
                return row;
        }
        return -1;
    }

    QModelIndex cell(const QString &name, int column) const { return model()->index(rowOf(name), column); }

    void clickCell(const QString &name, int column, int x = -1)
    {
        const QRect rect = table()->table()->visualRect(cell(name, column));
        QTest::mouseClick(table()->table()->viewport(), Qt::LeftButton, {},
                          QPoint(x < 0 ? rect.center().x() : rect.left() + x, rect.center().y()));
    }

    FontTableView *table() const { return m_window->fontTable(); }
    FontTableModel *model() const { return table()->model(); }

    test::ViewWorld &m_world;
    std::unique_ptr<WorkflowState> m_workflow;
    std::unique_ptr<ContentView> m_window;
};

KERNWICK_VIEWS_TEST_MAIN(FontTableTest)

#include "tst_fonttable.moc"
