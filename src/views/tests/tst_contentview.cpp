#include <views/contentview.h>
#include <views/dropzoneview.h>
#include <views/filecardview.h>
#include <views/filledbutton.h>
#include <views/foldertreerow.h>
#include <views/fontemptystateview.h>
#include <views/fontlegendrow.h>
#include <views/fontlistheader.h>
#include <views/fonttableview.h>
#include <views/handoffpackageview.h>
#include <views/packagerow.h>
#include <views/readinesscard.h>
#include <views/scanningprogressview.h>
#include <views/statcard.h>
#include <views/stepcard.h>
#include <views/switchtoggle.h>
#include <views/symbolbutton.h>
#include <views/textlabel.h>
#include <views/tools/viewworld.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace kernwick;

// The whole window over real scans: what each phase shows, the drop target, the summary, the package
// preview and the buttons that lead to the workflow's actions.
class ContentViewTest : public QObject
{
    Q_OBJECT

public:
    explicit ContentViewTest(test::ViewWorld &world)
        : m_world(world)
    {}

private Q_SLOTS:
    void init();
    void cleanup();
    void eachPhaseShowsItsViews();
    void summaryAndReadiness();
    void dropTargetIsTheFirstCardOnly();
    void dropZoneFollowsTheDrag();
    void buttonsReachTheWorkflow();
    void packagePreview();
    void packageButtonEnabling();
    void fileCardLabels();
    void appearanceSwitchesInPlace();

private:
    void dragOnto(QWidget *target, const QList<QUrl> &urls, bool drop);

    test::ViewWorld &m_world;
    std::unique_ptr<WorkflowState> m_workflow;
    std::unique_ptr<ContentView> m_window;
};

void ContentViewTest::init()
{
    m_world.chooser = {};
    m_world.appearance.setColorScheme(Appearance::ColorScheme::light);
    m_workflow = m_world.makeWorkflow();
    m_window = std::make_unique<ContentView>(m_world.appearance, *m_workflow, m_world.desktop);
    m_window->resize(1100, 900);
    m_window->show();
    QCoreApplication::processEvents();
}

void ContentViewTest::cleanup()
{
    m_window.reset();
    m_workflow.reset();
}

void ContentViewTest::eachPhaseShowsItsViews()
{
    // No file: the drop zone and the empty state for no file; the package preview is always there.
    QVERIFY(m_window->dropZone() && !m_window->fileCard() && !m_window->scanningProgress());
    QVERIFY(m_window->emptyState() && !m_window->emptyState()->fileSelected());
    QCOMPARE(m_window->emptyState()->findChild<QLabel *>(u"emptyStateTitle"_s)->text(),
             u"No presentation selected yet"_s);
    QVERIFY(!m_window->readinessCard() && !m_window->fontTable());
    QVERIFY(m_window->packageView());
    QCOMPARE(m_window->stepCard(1)->findChild<QLabel *>(u"stepTitle"_s)->text(), u"Select Presentation"_s);
    QCOMPARE(m_window->stepCard(2)->findChild<QLabel *>(u"stepTitle"_s)->text(), u"Review Font Status"_s);
    QCOMPARE(m_window->stepCard(3)->findChild<QLabel *>(u"stepTitle"_s)->text(), u"Create Package"_s);

    // Scanning: the file card with the indicator under it, and the empty state for a chosen file.
    const QString deck = m_world.deck(u"Talk.pptx"_s, {test::names::installed[0], test::names::missing});
    auto held = m_world.holdScans();
    QVERIFY(m_workflow->handleDrop({QUrl::fromLocalFile(deck)}));
    QVERIFY(m_workflow->isScanning());
    QVERIFY(!m_window->dropZone() && m_window->fileCard());
    ScanningProgressView *scanning = m_window->scanningProgress();
    QVERIFY(scanning);
    QCoreApplication::processEvents();
    QVERIFY(scanning->isVisible());
    QCOMPARE(scanning->title(), u"Scanning fonts"_s);
    QVERIFY(scanning->isTimerRunning());
    QVERIFY(m_window->emptyState() && m_window->emptyState()->fileSelected());
    // The dots' timer runs only while the indicator is on screen.
    scanning->hide();
    QVERIFY(!scanning->isTimerRunning());
    QCOMPARE(scanning->title(), u"Scanning fonts"_s);
    scanning->show();
    QVERIFY(scanning->isTimerRunning());
    held.reset();

    // Scanned: the indicator is gone, the summary, the list header and the table are there.
    QVERIFY(test::ViewWorld::waitForScan(*m_workflow));
    QVERIFY(m_window->fileCard() && !m_window->scanningProgress());
    QVERIFY(!m_window->emptyState());
    QVERIFY(m_window->readinessCard() && m_window->fontListHeader() && m_window->fontTable());
    QCOMPARE(m_window->statCards().size(), 5);

    // Folding the list hides the table only.
    m_workflow->toggleFontList();
    QVERIFY(!m_window->fontTable());
    QVERIFY(m_window->readinessCard() && m_window->fontListHeader());
    QCOMPARE(m_window->fontListHeader()->chevronSymbol(), u"chevron.right"_s);
    m_workflow->toggleFontList();
    QVERIFY(m_window->fontTable());

    // Scanned without fonts: the file card and the empty state for a chosen file.
    QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, m_world.deck(u"Blank.pptx"_s, {})));
    QVERIFY(m_window->fileCard() && !m_window->scanningProgress());
    QVERIFY(m_window->emptyState() && m_window->emptyState()->fileSelected());
    QCOMPARE(m_window->emptyState()->findChild<QLabel *>(u"emptyStateTitle"_s)->text(),
             u"No fonts detected"_s);
    // The legend is the same in both versions, in its order.
    QStringList legend;
    for (FontLegendRow *row : m_window->emptyState()->findChildren<FontLegendRow *>())
        legend.append(row->label());
    QCOMPARE(legend, (QStringList{u"Installed fonts"_s, u"Missing fonts"_s, u"Found fonts"_s,
                                  u"System fonts"_s, u"Restricted (licensed)"_s}));

    // Removing the file brings the drop zone back.
    m_window->fileCard()->removeButton()->click();
    QVERIFY(m_window->dropZone() && !m_window->fileCard());
    QVERIFY(m_window->emptyState() && !m_window->emptyState()->fileSelected());
}

void ContentViewTest::summaryAndReadiness()
{
    const QString deck =
        m_world.deck(u"Review.pptx"_s, {test::names::installed[0], test::names::installed[1],
                                        test::names::system, test::names::restricted, test::names::missing});
    QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, deck));
    ReadinessCard *readiness = m_window->readinessCard();
    QCOMPARE(readiness->title(), u"Needs Attention"_s);
    QCOMPARE(readiness->symbolName(), u"exclamationmark.circle.fill"_s);
    QCOMPARE(readiness->message(),
             u"Installed: 2 | System: 1 | Restricted: 1 | Missing: 1 | Unresolved: 0"_s);
    QStringList tiles;
    for (StatCard *tile : m_window->statCards())
        tiles.append(tile->valueText() + u' ' + tile->label() + u'/' + tile->sublabel());
    QCOMPARE(tiles, (QStringList{u"2 Found/Found on this Mac"_s, u"1 System Fonts/Not included"_s,
                                 u"1 Restricted/Licensed · not included"_s, u"1 Missing/Not found"_s,
                                 u"0 Needs Review/Check manually"_s}));
    // Hidden system fonts still count in the summary.
    m_workflow->setHideSystemFonts(true);
    QCOMPARE(m_window->statCards().at(1)->valueText(), u"1"_s);

    // A message set while the list is on screen shows in the card.
    m_workflow->handleDrop({QUrl::fromLocalFile(m_world.folder() + u"/notes.docx"_s)});
    QCOMPARE(readiness->message(), u"Unsupported file type. Please drop a .key, .pptx, or .ppt file."_s);

    QVERIFY(test::ViewWorld::dropAndScan(
        *m_workflow, m_world.deck(u"Ready.pptx"_s, {test::names::installed[0], test::names::restricted})));
    QCOMPARE(m_window->readinessCard()->title(), u"Ready for Handoff"_s);
    QCOMPARE(m_window->readinessCard()->symbolName(), u"checkmark.circle.fill"_s);

    StatCard big(m_world.appearance, 1234567, u"Found"_s, u"x"_s, colors::green);
    QCOMPARE(big.valueText(), u"1234567"_s);
}

void ContentViewTest::dragOnto(QWidget *target, const QList<QUrl> &urls, bool drop)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint centre = target->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &enter);
    if (!drop)
        return;
    QDropEvent dropEvent(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &dropEvent);
}

void ContentViewTest::dropTargetIsTheFirstCardOnly()
{
    QVERIFY(m_window->stepCard(1)->acceptDrops());
    QVERIFY(!m_window->stepCard(2)->acceptDrops());
    QVERIFY(!m_window->stepCard(3)->acceptDrops());
    // The drop zone inside leaves the drop to its card.
    QVERIFY(!m_window->dropZone()->acceptDrops());

    // A Keynote package is a folder, and can be dropped.
    const QString package = m_world.folder() + u"/Keynote Deck.key"_s;
    QVERIFY(QDir().mkpath(package));
    dragOnto(m_window->stepCard(1), {QUrl::fromLocalFile(package)}, false);
    QVERIFY(m_workflow->isDraggingOver());
    QVERIFY(m_window->dropZone()->isDraggingOver());
    dragOnto(m_window->stepCard(1), {QUrl::fromLocalFile(package)}, true);
    QVERIFY(!m_workflow->isDraggingOver());
    QCOMPARE(m_workflow->selectedFile(), package);
    QVERIFY(test::ViewWorld::waitForScan(*m_workflow));

    // Dragging text, not files, is no drag of a file.
    QMimeData text;
    text.setText(u"Deck.key"_s);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, {});
    QCoreApplication::sendEvent(m_window->stepCard(1), &enter);
    QVERIFY(!enter.isAccepted());
    QVERIFY(!m_workflow->isDraggingOver());

    // Dropped on the second card nothing happens; an unsupported file on the first sets the message only.
    const QString other = m_world.deck(u"Other.pptx"_s, {});
    dragOnto(m_window->stepCard(2), {QUrl::fromLocalFile(other)}, true);
    QCOMPARE(m_workflow->selectedFile(), package);
    dragOnto(m_window->stepCard(1), {QUrl::fromLocalFile(m_world.folder() + u"/notes.txt"_s)}, true);
    QCOMPARE(m_workflow->selectedFile(), package);
    QCOMPARE(m_workflow->statusMessage(),
             u"Unsupported file type. Please drop a .key, .pptx, or .ppt file."_s);
    // Of two files, the first is taken.
    const QString first = m_world.deck(u"First.ppt"_s, {});
    dragOnto(m_window->stepCard(1), {QUrl::fromLocalFile(first), QUrl::fromLocalFile(other)}, true);
    QCOMPARE(m_workflow->selectedFile(), first);
    QVERIFY(test::ViewWorld::waitForScan(*m_workflow));
}

void ContentViewTest::dropZoneFollowsTheDrag()
{
    DropZoneView *zone = m_window->dropZone();
    QCOMPARE(zone->title(), u"Drop your presentation here"_s);
    QCOMPARE(zone->badgeSymbol(), u"doc.badge.plus"_s);
    m_workflow->setDraggingOver(true);
    QCOMPARE(zone->title(), u"Drop to open"_s);
    QCOMPARE(zone->badgeSymbol(), u"arrow.down.circle.fill"_s);
    // The look changes; its dashed outline turns blue.
    const QImage dragging = zone->grab().toImage();
    m_workflow->setDraggingOver(false);
    const QImage idle = zone->grab().toImage();
    QVERIFY(dragging != idle);
}

void ContentViewTest::buttonsReachTheWorkflow()
{
    // "Browse Files" opens the chooser once the click has been handled, not inside it.
    m_world.chooser.files = {std::nullopt};
    m_window->dropZone()->browseButton()->click();
    QVERIFY(m_world.chooser.asked.isEmpty());
    QTRY_COMPARE(m_world.chooser.asked.size(), 1);
    QCOMPARE(m_world.chooser.asked.first(),
             u"Choose File|Choose a Keynote (.key) or PowerPoint (.pptx / .ppt) file."_s);

    const QString deck = m_world.deck(u"Chosen.pptx"_s, {test::names::installed[0]});
    m_world.chooser.files = {deck};
    m_window->dropZone()->browseButton()->click();
    QTRY_COMPARE(m_workflow->selectedFile(), deck);
    QVERIFY(test::ViewWorld::waitForScan(*m_workflow));

    // "Change File..." does the same.
    const QString second = m_world.deck(u"Second.pptx"_s, {test::names::installed[1]});
    m_world.chooser.files = {second};
    m_window->fileCard()->changeButton()->click();
    QVERIFY(m_workflow->selectedFile() == deck);
    QTRY_COMPARE(m_workflow->selectedFile(), second);
    QVERIFY(test::ViewWorld::waitForScan(*m_workflow));

    // The step's switch writes the setting.
    QVERIFY(m_window->openWhenDoneSwitch()->isChecked());
    m_window->openWhenDoneSwitch()->click();
    QVERIFY(!m_workflow->openPackageWhenDone());

    // "Refresh" resolves the names again: a new list of new items.
    const QUuid before = m_workflow->fontItems().first().id;
    m_window->fontListHeader()->refreshButton()->click();
    QVERIFY(m_workflow->fontItems().first().id != before);
}

void ContentViewTest::packagePreview()
{
    HandoffPackageView *package = m_window->packageView();
    auto rows = [&] {
        QStringList names;
        for (FolderTreeRow *row : package->treeRows())
            names.append(QString(row->indent(), u'>') + row->name());
        return names;
    };
    // No file: the placeholder names; no presentation row even when it is asked for.
    QCOMPARE(package->presentationRow()->subtitle(), u"Your selected presentation"_s);
    QCOMPARE(package->fontsRow()->subtitle(), u"0 fonts · Fonts found on this Mac"_s);
    m_workflow->setIncludePresentation(true);
    QCOMPARE(rows(), (QStringList{u"My Presentation_package"_s, u">Fonts"_s, u">font-report.txt"_s}));

    // Five installed fonts: three rows and the overflow line.
    const QString deck =
        m_world.deck(u"Launch.pptx"_s, test::names::installed + QStringList{test::names::system});
    QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, deck));
    QCOMPARE(package->presentationRow()->subtitle(), u"Launch.pptx"_s);
    QCOMPARE(package->fontsRow()->subtitle(), u"5 fonts · Fonts found on this Mac"_s);
    QCOMPARE(rows(), (QStringList{u"Launch_package"_s, u">Launch.pptx"_s, u">Fonts"_s,
                                  u">>LiberationSans-Regular.ttf"_s, u">>LiberationSans-Bold.ttf"_s,
                                  u">>LiberationSans-BoldItalic.ttf"_s, u">font-report.txt"_s}));
    QVERIFY(package->overflowLine());
    QCOMPARE(package->overflowLine()->text(), u"        + 2 more…"_s);

    // The options' checkboxes take rows away at once.
    package->reportRow()->checkBox()->click();
    QVERIFY(!m_workflow->includeReport());
    package->presentationRow()->checkBox()->click();
    QVERIFY(!m_workflow->includePresentation());
    QCOMPARE(rows().size(), 5);
    QVERIFY(!rows().contains(u">font-report.txt"_s));

    // Deselected fonts leave the tree, the overflow still counts every installed font.
    const FontStatusItems items = m_workflow->fontItems();
    QCOMPARE(items[1].fontName, u"LiberationSans"_s);
    m_workflow->setFontSelected(items[1].id, false);
    m_workflow->setFontSelected(items[2].id, false);
    QCOMPARE(rows().mid(2),
             (QStringList{u">>LiberationSans-BoldItalic.ttf"_s, u">>LiberationSerif-Regular.ttf"_s,
                          u">>LiberationSerif-Italic.ttf"_s}));
    QCOMPARE(package->overflowLine()->text(), u"        + 2 more…"_s);

    QCOMPARE(HandoffPackageView::fontsSubtitle(1), u"1 font · Fonts found on this Mac"_s);
    QCOMPARE(HandoffPackageView::overflowText(3), QString());
    QCOMPARE(HandoffPackageView::overflowText(4), u"        + 1 more…"_s);

    // Exactly three installed fonts: no overflow line.
    QVERIFY(test::ViewWorld::dropAndScan(*m_workflow,
                                         m_world.deck(u"Three.pptx"_s, test::names::installed.mid(0, 3))));
    QVERIFY(!package->overflowLine());
    QCOMPARE(rows().size(), 5);
}

void ContentViewTest::packageButtonEnabling()
{
    FilledButton *create = m_window->packageView()->createButton();
    QVERIFY(!create->isEnabled());
    const QColor grey = create->fillColor();
    QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, m_world.deck(u"Empty.pptx"_s, {})));
    QVERIFY(!m_workflow->selectedFile().isEmpty());
    QVERIFY(!create->isEnabled());
    QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, m_world.deck(u"Some.pptx"_s, {test::names::missing})));
    QVERIFY(create->isEnabled());
    QCOMPARE(create->fillColor(), m_world.appearance.color(colors::accentBlue));
    QVERIFY(create->fillColor() != grey);

    // A click asks for a destination; cancelling it builds nothing.
    m_world.chooser.folders = {std::nullopt};
    create->click();
    QTRY_COMPARE(m_world.chooser.asked.size(), 1);
    m_workflow->clearFile();
    QVERIFY(!create->isEnabled());
}

void ContentViewTest::fileCardLabels()
{
    QTemporaryDir folder;
    auto file = [&](const QString &name, qint64 size) {
        const QString path = folder.filePath(name);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || !out.resize(size))
            return QString();
        return path;
    };
    QCOMPARE(FileCardView::sizeLabel(file(u"a.pptx"_s, 1048576)), u"1.0 MB"_s);
    QCOMPARE(FileCardView::sizeLabel(file(u"b.pptx"_s, 1000000)), u"1.0 MB"_s);
    QCOMPARE(FileCardView::sizeLabel(file(u"c.pptx"_s, 0)), u"0.0 MB"_s);
    QCOMPARE(FileCardView::sizeLabel(folder.filePath(u"gone.pptx"_s)), u"—"_s);
    QCOMPARE(FileCardView::modificationLabel(folder.filePath(u"gone.pptx"_s)), u"—"_s);
    // Medium date and short time in the user's locale.
    QFile dated(folder.filePath(u"a.pptx"_s));
    QVERIFY(dated.open(QIODevice::ReadWrite));
    QVERIFY(dated.setFileTime(QDateTime(QDate(2025, 3, 4), QTime(15, 7)), QFileDevice::FileModificationTime));
    dated.close();
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString american = FileCardView::modificationLabel(dated.fileName());
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString german = FileCardView::modificationLabel(dated.fileName());
    QLocale::setDefault(saved);
    QVERIFY2(QRegularExpression(u"^Mar 4, 2025, 3:07\\sPM$"_s).match(american).hasMatch(),
             qPrintable(american));
    QVERIFY2(german.startsWith(u"4. M"_s) && german.contains(u"2025"_s) && german.endsWith(u"15:07"_s),
             qPrintable(german));
    QCOMPARE(FileCardView::badgeLetter(u"/x/Talk.KEY"_s), u"K"_s);
    QCOMPARE(FileCardView::kindLabel(u"/x/Talk.KEY"_s), u"Keynote (.key)"_s);
    QCOMPARE(FileCardView::badgeLetter(u"/x/a.pdf"_s), u"P"_s);
    QCOMPARE(FileCardView::kindLabel(u"/x/a.pdf"_s), u"PDF"_s);
    QCOMPARE(FileCardView::kindLabel(u"/x/a.ppt"_s), u"PowerPoint (.pptx)"_s);

    FileCardView card(m_world.appearance, folder.filePath(u"a.pptx"_s), {}, {});
    QCOMPARE(card.findChild<QLabel *>(u"fileName"_s)->text(), u"a.pptx"_s);
    QCOMPARE(card.findChild<QLabel *>(u"fileFolder"_s)->text(), folder.path());
    QCOMPARE(card.findChild<QLabel *>(u"detail1"_s)->text(), u"1.0 MB"_s);
    QCOMPARE(card.removeButton()->toolTip(), u"Remove file"_s);
}

void ContentViewTest::appearanceSwitchesInPlace()
{
    const QImage light = m_window->grab().toImage();
    const QColor lightText =
        m_window->stepCard(1)->findChild<QLabel *>(u"stepTitle"_s)->palette().color(QPalette::WindowText);
    m_world.appearance.setColorScheme(Appearance::ColorScheme::dark);
    QCoreApplication::processEvents();
    const QImage dark = m_window->grab().toImage();
    // The backdrop at the bottom-right corner and the titles follow the scheme; the accent stays.
    QVERIFY(dark.pixelColor(dark.width() - 20, dark.height() - 5).lightness() <
            light.pixelColor(light.width() - 20, light.height() - 5).lightness());
    const QColor darkText =
        m_window->stepCard(1)->findChild<QLabel *>(u"stepTitle"_s)->palette().color(QPalette::WindowText);
    QVERIFY(darkText.lightness() > lightText.lightness());
    QCOMPARE(Appearance::color(colors::accentBlue, Appearance::ColorScheme::dark),
             Appearance::color(colors::accentBlue, Appearance::ColorScheme::light));
    QVERIFY(colors::stepCardFill(true) != colors::stepCardFill(false));
}

KERNWICK_VIEWS_TEST_MAIN(ContentViewTest)

#include "tst_contentview.moc"
