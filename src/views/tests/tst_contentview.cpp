#include <views/borderedbutton.h>
#include <views/cardframe.h>
#include <views/contentview.h>
#include <views/controlstyle.h>
#include <views/dropzoneview.h>
#include <views/filecardview.h>
#include <views/filledbutton.h>
#include <views/foldertreerow.h>
#include <views/fontemptystateview.h>
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
#include <views/symbols.h>
#include <views/textlabel.h>
#include <views/tools/viewworld.h>

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <testsupport/testzip.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

// The whole window over real scans: what each phase shows, the drop target, the summary, the package
// preview, the file card, the buttons that lead to the workflow's actions, and how it is drawn.
class ContentViewTest : public QObject
{
    Q_OBJECT

public:
    explicit ContentViewTest(test::ViewWorld &world)
        : m_world(world)
    {}

private Q_SLOTS:
    void init()
    {
        m_world.chooser = {};
        m_world.appearance.setColorScheme(Appearance::ColorScheme::light);
        m_workflow = m_world.makeWorkflow();
        m_window = std::make_unique<ContentView>(m_world.appearance, *m_workflow, m_world.desktop);
        m_window->resize(1100, 900);
        m_window->show();
        QCoreApplication::processEvents();
    }

    void cleanup()
    {
        m_window.reset();
        m_workflow.reset();
    }

    void eachPhaseShowsItsViews()
    {
        auto emptyTitle = [&] {
            return m_window->emptyState()->findChild<QLabel *>(u"emptyStateTitle"_s)->text();
        };
        // No file: the drop zone and the empty state for no file; the package preview is always there.
        QVERIFY(m_window->dropZone() && !m_window->fileCard() && !m_window->scanningProgress());
        QCOMPARE(emptyTitle(), u"No presentation selected yet"_s);
        QVERIFY(!m_window->readinessCard() && !m_window->fontTable() && m_window->packageView());

        // Scanning: the file card with the indicator under it, and the empty state for a chosen file.
        auto held = m_world.holdScans();
        QVERIFY(m_workflow->handleDrop({QUrl::fromLocalFile(m_world.deck(
            u"Review.pptx"_s, {test::names::installed[0], test::names::installed[1], test::names::system,
                               test::names::restricted, test::names::missing}))}));
        QVERIFY(!m_window->dropZone() && m_window->fileCard() && m_window->scanningProgress());
        QCOMPARE(emptyTitle(), u"Scanning the presentation"_s);
        held.reset();

        // Scanned: the indicator is gone, the summary, the list header and the table are there; folding the
        // list hides the table only.
        QVERIFY(test::ViewWorld::waitForScan(*m_workflow));
        QVERIFY(m_window->fileCard() && !m_window->scanningProgress() && !m_window->emptyState());
        QVERIFY(m_window->readinessCard() && m_window->fontListHeader() && m_window->fontTable());
        // The summary counts each verdict.
        ReadinessCard *readiness = m_window->readinessCard();
        QCOMPARE(readiness->title(), u"Needs Attention"_s);
        QCOMPARE(readiness->message(),
                 u"Found: 2 | System: 1 | Restricted: 1 | Missing: 1 | Needs Review: 0"_s);
        QStringList tiles;
        for (StatCard *tile : m_window->statCards())
            tiles.append(tile->valueText() + u' ' + tile->label() + u'/' + tile->sublabel());
        QCOMPARE(tiles, (QStringList{u"2 Found/Found on this computer"_s, u"1 System Fonts/Not included"_s,
                                     u"1 Restricted/Licensed · not included"_s, u"1 Missing/Not found"_s,
                                     u"0 Needs Review/Check manually"_s}));
        // Hidden system fonts still count; a message set while the list is on screen shows in the card.
        m_workflow->setHideSystemFonts(true);
        QCOMPARE(m_window->statCards().at(1)->valueText(), u"1"_s);
        m_workflow->handleDrop({QUrl::fromLocalFile(m_world.folder() + u"/notes.docx"_s)});
        QCOMPARE(readiness->message(), u"Unsupported file type. Please drop a .key, .pptx, or .ppt file."_s);
        m_workflow->toggleFontList();
        QVERIFY(!m_window->fontTable() && m_window->readinessCard() && m_window->fontListHeader());
        m_workflow->toggleFontList();
        QVERIFY(m_window->fontTable());

        // What the scan left out shows under the table.
        QVERIFY(!m_window->scanNotes());
        QVERIFY(test::ViewWorld::dropAndScan(
            *m_workflow, m_world.deck(u"Noted.pptx"_s, {test::names::installed[0], QString(300, u'X')})));
        QVERIFY(m_window->scanNotes() && m_window->scanNotes()->text().contains(
                                             u"left out 1 font name(s) longer than 256 characters"_s));

        // Scanned without fonts: the empty state for a chosen file.
        QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, m_world.deck(u"Blank.pptx"_s, {})));
        QCOMPARE(emptyTitle(), u"No fonts detected"_s);

        // A file that is no presentation: its error state, with the scan's reason and what to do.
        const QString noise = m_world.folder() + u"/Noise.pptx"_s;
        QVERIFY(test::writeFile(noise, QByteArray(2048, 'z')));
        QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, noise));
        QCOMPARE(emptyTitle(), u"This file could not be read"_s);
        const QString why = m_window->emptyState()->findChild<QLabel *>(u"emptyStateExplanation"_s)->text();
        QVERIFY2(why.contains(u"not a zip archive, so not a .pptx presentation"_s) &&
                     why.contains(u"save a copy"_s),
                 qPrintable(why));

        // Removing the file brings the drop zone back.
        m_window->fileCard()->removeButton()->click();
        QVERIFY(m_window->dropZone() && !m_window->fileCard() && !m_window->emptyState()->fileSelected());
    }

    void scanningDotsCountUpWhileOnScreen()
    {
        // The dots count up to three and start again, and only while the indicator is on screen.
        ScanningProgressView view(m_world.appearance);
        view.show();
        auto *timer = view.findChild<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
        QStringList titles{view.title()};
        connect(timer, &QTimer::timeout, this, [&] { titles.append(view.title()); });
        timer->setInterval(0);
        QTRY_VERIFY(titles.size() >= 5);
        QCOMPARE(titles.mid(3, 2), (QStringList{u"Scanning fonts..."_s, u"Scanning fonts"_s}));
        view.hide();
        QVERIFY(!view.isTimerRunning());
    }

    void dropTargetIsTheFirstCardOnly()
    {
        QVERIFY(m_window->stepCard(1)->acceptDrops() && !m_window->stepCard(2)->acceptDrops());
        // A Keynote package is a folder, and can be dropped; the drop zone follows the drag.
        const QString package = m_world.folder() + u"/Keynote Deck.key"_s;
        QVERIFY(QDir().mkpath(package));
        dragOnto(m_window->stepCard(1), {QUrl::fromLocalFile(package)}, false);
        QVERIFY(m_window->dropZone()->isDraggingOver());
        dragOnto(m_window->stepCard(1), {QUrl::fromLocalFile(package)}, true);
        QVERIFY(!m_workflow->isDraggingOver());
        QCOMPARE(m_workflow->selectedFile(), package);
        QVERIFY(test::ViewWorld::waitForScan(*m_workflow));

        // Dragging text is no drag of a file; a file dropped on the second card changes nothing.
        QMimeData text;
        text.setText(u"Deck.key"_s);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, {});
        QCoreApplication::sendEvent(m_window->stepCard(1), &enter);
        QVERIFY(!enter.isAccepted() && !m_workflow->isDraggingOver());
        const QString other = m_world.deck(u"Other.pptx"_s, {});
        dragOnto(m_window->stepCard(2), {QUrl::fromLocalFile(other)}, true);
        QCOMPARE(m_workflow->selectedFile(), package);
    }

    void buttonsReachTheWorkflow()
    {
        // "Browse Files" and "Change File..." open the chooser once the click has been handled, not inside
        // it.
        for (const QString &name : {u"Chosen.pptx"_s, u"Second.pptx"_s}) {
            const QString deck = m_world.deck(name, {test::names::installed[0], test::names::restricted});
            m_world.chooser.files = {deck};
            QAbstractButton *button =
                m_window->fileCard() ? static_cast<QAbstractButton *>(m_window->fileCard()->changeButton())
                                     : m_window->dropZone()->browseButton();
            button->click();
            QVERIFY(m_workflow->selectedFile() != deck);
            QTRY_COMPARE(m_workflow->selectedFile(), deck);
            QVERIFY(test::ViewWorld::waitForScan(*m_workflow));
        }
        // Restricted fonts stay behind by design: nothing needs attention.
        QCOMPARE(m_window->readinessCard()->title(), u"Ready for Handoff"_s);

        // The step's switch writes the setting; "Refresh" resolves the names again.
        m_window->openWhenDoneSwitch()->click();
        QVERIFY(!m_workflow->openPackageWhenDone());
        const QUuid before = m_workflow->fontItems().first().id;
        m_window->fontListHeader()->refreshButton()->click();
        QTRY_VERIFY(m_workflow->fontItems().first().id != before);

        // "Create Package" asks for a destination; it is grey and disabled without a file or without fonts.
        FilledButton *create = m_window->packageView()->createButton();
        m_world.chooser.folders = {std::nullopt};
        create->click();
        QTRY_COMPARE(m_world.chooser.asked.size(), 3);
        QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, m_world.deck(u"Empty.pptx"_s, {})));
        QVERIFY(!create->isEnabled());
        m_workflow->clearFile();
        QVERIFY(!create->isEnabled());
    }

    void packagePreview()
    {
        HandoffPackageView *package = m_window->packageView();
        auto rows = [&] {
            QStringList names;
            for (FolderTreeRow *row : package->treeRows())
                names.append(QString(row->indent(), u'>') + row->name());
            return names;
        };
        // No file: the placeholder names; no presentation row even when it is asked for.
        m_workflow->setIncludePresentation(true);
        QCOMPARE(rows(), (QStringList{u"My Presentation_package"_s, u">Fonts"_s, u">font-report.txt"_s,
                                      u">handoff-manifest.json"_s}));

        // Five installed fonts: three rows and the overflow line.
        const QString deck =
            m_world.deck(u"Launch.pptx"_s, test::names::installed + QStringList{test::names::system});
        QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, deck));
        QCOMPARE(package->presentationRow()->subtitle(), u"Launch.pptx"_s);
        QCOMPARE(package->fontsRow()->subtitle(), u"5 fonts · Fonts found on this computer"_s);
        QCOMPARE(rows(), (QStringList{u"Launch_package"_s, u">Launch.pptx"_s, u">Fonts"_s,
                                      u">>LiberationSans-Regular.ttf"_s, u">>LiberationSans-Bold.ttf"_s,
                                      u">>LiberationSans-BoldItalic.ttf"_s, u">font-report.txt"_s,
                                      u">handoff-manifest.json"_s}));
        QCOMPARE(package->overflowLine()->text(), u"        + 2 more…"_s);

        // The options' checkboxes take rows away at once (never the manifest's); deselected fonts leave the
        // tree (a face of a kept font's family still travels), and the count and the overflow with them.
        package->reportRow()->checkBox()->click();
        package->presentationRow()->checkBox()->click();
        QVERIFY(!m_workflow->includeReport() && !m_workflow->includePresentation());
        const FontStatusItems items = m_workflow->fontItems();
        m_workflow->setFontSelected(items[1].id, false);
        m_workflow->setFontSelected(items[2].id, false);
        QCOMPARE(rows(), (QStringList{u"Launch_package"_s, u">Fonts"_s, u">>LiberationSans-BoldItalic.ttf"_s,
                                      u">>LiberationSans-Regular.ttf"_s, u">>LiberationSans-Bold.ttf"_s,
                                      u">>LiberationSerif-Regular.ttf"_s, u">>LiberationSerif-Italic.ttf"_s,
                                      u">handoff-manifest.json"_s}));
        QVERIFY(!package->overflowLine());
        QCOMPARE(package->fontsRow()->subtitle(), u"3 fonts · Fonts found on this computer"_s);
        QCOMPARE(HandoffPackageView::fontsSubtitle(1), u"1 font · Fonts found on this computer"_s);
    }

    void packageResult()
    {
        // After a build, step 3 tells where the package is, what went in and what stayed out and why, and
        // shows it in the file manager on request.
        HandoffPackageView *package = m_window->packageView();
        QVERIFY(!package->resultCard()->isVisibleTo(package));
        const QString deck =
            m_world.deck(u"Result.pptx"_s, {test::names::installed[0], test::names::licensed});
        QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, deck));
        m_workflow->setOpenPackageWhenDone(false);
        m_world.chooser.folders = {m_world.folder()};
        QSignalSpy finished(m_workflow.get(), &WorkflowState::packageFinished);
        m_workflow->createPackage();
        QVERIFY(finished.wait(30'000));
        const QString path = m_world.folder() + u"/Result_package"_s;
        QVERIFY(package->resultCard()->isVisibleTo(package));
        QCOMPARE(package->resultLines(),
                 (QStringList{u"Package created"_s, path,
                              u"Copied: "_s + test::names::installed[0] + u" (3 files in Fonts)"_s,
                              u"Left out: Caladea — its licence does not allow passing it on (No "
                              u"Redistribution)"_s}));
        package->revealButton()->click();
        QCOMPARE(m_world.desktop.revealed, QStringList{path});
        // A new file starts without a result.
        QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, deck));
        QVERIFY(!package->resultCard()->isVisibleTo(package));
    }

    void fileCardLabels()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(u"a.pptx"_s);
        QCOMPARE(FileCardView::sizeLabel(file), u"—"_s);
        QCOMPARE(FileCardView::modificationLabel(file), u"—"_s);
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.resize(1000000));
        QVERIFY(
            out.setFileTime(QDateTime(QDate(2025, 3, 4), QTime(15, 7)), QFileDevice::FileModificationTime));
        out.close();
        QCOMPARE(FileCardView::sizeLabel(file), u"1.0 MB"_s);
        // Medium date and short time in the user's locale; never seconds.
        const QLocale saved;
        for (const auto &[locale, pattern] :
             {std::pair{QLocale(QLocale::English, QLocale::UnitedStates), u"^Mar 4, 2025, 3:07\\sPM$"_s},
              {QLocale(QLocale::German, QLocale::Germany), u"^4\\. M.*2025, 15:07$"_s},
              {QLocale::c(), u", 15:07$"_s}}) {
            QLocale::setDefault(locale);
            const QString label = FileCardView::modificationLabel(file);
            QVERIFY2(QRegularExpression(pattern).match(label).hasMatch(), qPrintable(label));
        }
        QLocale::setDefault(saved);
        // A Keynote package is a folder: its size is the sum of its files; its kind is known whatever its
        // case.
        for (const QString &member : {u"Talk.KEY/Index.zip"_s, u"Talk.KEY/Data/image.png"_s})
            QVERIFY(test::writeFile(folder.filePath(member), QByteArray(786432, 'x')));
        QCOMPARE(FileCardView::sizeLabel(folder.filePath(u"Talk.KEY"_s)), u"1.5 MB"_s);
        QCOMPARE(FileCardView::kindLabel(folder.filePath(u"Talk.KEY"_s)), u"Keynote (.key)"_s);
        FileCardView card(m_world.appearance, file, {}, {});
        QCOMPARE(card.findChild<QLabel *>(u"fileFolder"_s)->text(), folder.path());
    }

    void drawing()
    {
        // Every symbol the window names has an icon, drawn in the colour asked for.
        const QString used =
            u"a.circle.fill arrow.clockwise arrow.down.circle.fill arrow.turn.down.right "
            "checkmark.circle.fill chevron.down chevron.right chevron.up chevron.up.chevron.down "
            "doc.badge.plus doc.fill doc.on.clipboard doc.on.doc doc.text doc.text.fill "
            "doc.text.magnifyingglass exclamationmark.circle.fill folder folder.fill lock.fill "
            "magnifyingglass minus.circle.fill questionmark.circle shippingbox.fill textformat "
            "xmark.circle.fill"_s;
        for (const QString &name : used.split(u' ')) {
            QVERIFY2(QFile::exists(symbolResource(name)), qPrintable(name));
            QVERIFY2(!symbolPixmap(name, 24, Qt::red).isNull(), qPrintable(name));
        }
        QVERIFY(symbolPixmap(u"no.such.symbol"_s, 16, Qt::black).isNull());

        // In the dark appearance the backdrop and the titles follow; the accent stays.
        const QImage light = m_window->grab().toImage();
        const auto *title = m_window->stepCard(1)->findChild<QLabel *>(u"stepTitle"_s);
        const QColor lightText = title->palette().color(QPalette::WindowText);
        m_world.appearance.setColorScheme(Appearance::ColorScheme::dark);
        QCoreApplication::processEvents();
        const QImage dark = m_window->grab().toImage();
        QVERIFY(dark.pixelColor(dark.width() - 20, dark.height() - 5).lightness() <
                light.pixelColor(light.width() - 20, light.height() - 5).lightness());
        QVERIFY(title->palette().color(QPalette::WindowText).lightness() > lightText.lightness());
    }

    void narrowestWindowKeyboardAndScreenReaders()
    {
        const QString name = QString(115, u'N') + u".pptx"_s;
        m_window->resize(860, 900);
        QVERIFY(test::ViewWorld::dropAndScan(
            *m_workflow, m_world.deck(name, {test::names::installed[0], test::names::missing})));
        QCoreApplication::processEvents();
        // The column fits the window; the name gives way, keeping its extension, and is whole in its tooltip.
        QScrollArea *scroll = m_window->scrollArea();
        QVERIFY(scroll->widget()->width() <= scroll->viewport()->width());
        auto *fileName = m_window->fileCard()->findChild<TextLabel *>(u"fileName"_s);
        QVERIFY(fileName->shownText().endsWith(u"N.pptx"_s) && fileName->shownText().contains(u"…"_s));
        QCOMPARE(fileName->toolTip(), name);
        // The readiness title and every tile's labels are drawn whole.
        auto *title = m_window->readinessCard()->findChildren<TextLabel *>().first();
        QCOMPARE(title->shownText(), u"Needs Attention"_s);
        QVERIFY(title->width() >= title->sizeHint().width());
        for (StatCard *tile : m_window->statCards()) {
            QCOMPARE(tile->labelText()->shownText(), tile->label());
            QCOMPARE(tile->sublabelText()->shownText(), tile->sublabel());
        }

        // Between the cards the backdrop's gradient shows, not a flat fill.
        const QImage shot = m_window->grab().toImage();
        QImage backdrop(shot.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&backdrop);
        AppBackground::paint(painter, QRectF(backdrop.rect()), Appearance::ColorScheme::light);
        painter.end();
        const QPoint margin =
            scroll->viewport()->mapTo(m_window.get(), QPoint(6, scroll->viewport()->height() - 6));
        QCOMPARE(shot.pixelColor(margin), backdrop.pixelColor(margin));

        // Tab follows the steps from top to bottom.
        QStringList order;
        QWidget *widget = m_window.get();
        for (int step = 0; step < 2000 && order.size() < 9; ++step) {
            widget = widget->nextInFocusChain();
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(m_window.get()) &&
                !widget->objectName().isEmpty() && !order.contains(widget->objectName()))
                order.append(widget->objectName());
        }
        QCOMPARE(order, (QStringList{u"changeFile"_s, u"removeFile"_s, u"fontListHeader"_s,
                                     u"hideSystemFonts"_s, u"refresh"_s, u"fontFilter"_s,
                                     u"fontTableHeader"_s, u"fontTableRows"_s, u"openPackageWhenDone"_s}));
        // The list header is a button: Space folds the list.
        m_window->fontListHeader()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(m_window->fontListHeader(), Qt::Key_Space);
        QVERIFY(!m_workflow->fontListExpanded());
        QTest::keyClick(m_window->fontListHeader(), Qt::Key_Return);
        QVERIFY(m_workflow->fontListExpanded());

        // Every control can be told apart by a screen reader; the file's badge says its kind.
        for (QWidget *control : m_window->findChildren<QWidget *>()) {
            if (!(control->focusPolicy() & Qt::TabFocus) || !control->isVisibleTo(m_window.get()))
                continue;
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), control->metaObject()->className());
        }
        QAccessibleInterface *badge =
            QAccessible::queryAccessibleInterface(m_window->fileCard()->findChild<QWidget *>(u"kindBadge"_s));
        QCOMPARE(badge->role(), QAccessible::Graphic);
        QCOMPARE(badge->text(QAccessible::Name), u"PowerPoint (.pptx)"_s);
    }

    void keyboardFocusFollowsTheWork()
    {
        // The filled button shows that it has the keyboard: a ring of its own on the accent fill.
        FilledButton *browse = m_window->dropZone()->browseButton();
        const QImage plain = browse->grab().toImage();
        keyboardFocus(browse);
        QVERIFY(showsFocusRing(*browse));
        QVERIFY(browse->grab().toImage() != plain);

        // After a scan that the keyboard started, it goes on to the results' rows.
        const QString deck = m_world.deck(u"Keys.pptx"_s, {test::names::installed[0], test::names::missing});
        m_world.chooser.files = {deck};
        QTest::keyClick(browse, Qt::Key_Space);
        QTRY_VERIFY(m_window->fontTable());
        QTRY_VERIFY(m_window->fontTable()->table()->hasFocus());
        QVERIFY(showsFocusRing(*m_window->fontTable()->table()));
        // Removing the file leaves the keyboard on choosing another, not somewhere further down.
        keyboardFocus(m_window->fileCard()->removeButton());
        QTest::keyClick(m_window->fileCard()->removeButton(), Qt::Key_Space);
        QVERIFY(m_window->dropZone());
        QTRY_VERIFY(m_window->dropZone()->browseButton()->hasFocus());
        QVERIFY(showsFocusRing(*m_window->dropZone()->browseButton()));

        // A presentation just opened shows from the top of the first step.
        m_window->dropZone()->browseButton()->clearFocus();
        m_window->resize(1100, 500);
        QVERIFY(test::ViewWorld::dropAndScan(*m_workflow, deck));
        QScrollBar *scroll = m_window->scrollArea()->verticalScrollBar();
        QTRY_VERIFY(scroll->maximum() > 0);
        scroll->setValue(scroll->maximum());
        QVERIFY(
            test::ViewWorld::dropAndScan(*m_workflow, m_world.deck(u"Next.pptx"_s, {test::names::system})));
        QTRY_COMPARE(scroll->value(), 0);
    }

    void details()
    {
        // Each PowerPoint format says its own extension; sizes read in a unit that shows them.
        QCOMPARE(FileCardView::kindLabel(u"/a/Talk.PPT"_s), u"PowerPoint (.ppt)"_s);
        QCOMPARE(FileCardView::kindLabel(u"/a/Talk.pptx"_s), u"PowerPoint (.pptx)"_s);
        for (const auto &[bytes, text] : {std::pair{qint64(0), u"0 bytes"_s},
                                          {1, u"1 byte"_s},
                                          {1023, u"1023 bytes"_s},
                                          {25 * 1024 + 300, u"25 KB"_s},
                                          {996148, u"1.0 MB"_s},
                                          {980000, u"957 KB"_s},
                                          {26214400, u"25.0 MB"_s}})
            QCOMPARE(FileCardView::sizeText(bytes), text);
        // No tick beside nothing: the found fonts' row ticks only when fonts travel.
        PackageRow *fonts = m_window->packageView()->fontsRow();
        QVERIFY(!fonts->isTicked());
        QVERIFY(test::ViewWorld::dropAndScan(*m_workflow,
                                             m_world.deck(u"One.pptx"_s, {test::names::installed[0]})));
        QVERIFY(fonts->isTicked());
        QCOMPARE(m_window->fileCard()->changeButton()->text(), u"Change File…"_s);
        // In a wide window the name stands over the centred column of steps.
        m_window->resize(2560, 900);
        const auto *header = m_window->findChild<QWidget *>(u"headerContent"_s);
        // Laid out once the resize's events have run, however busy the machine is.
        QTRY_VERIFY(header->mapTo(m_window.get(), QPoint(0, 0)).x() > 600);
        QTRY_COMPARE(header->mapTo(m_window.get(), QPoint(0, 0)).x(),
                     m_window->stepCard(1)->parentWidget()->mapTo(m_window.get(), QPoint(0, 0)).x());
    }

private:
    // Gives `widget` the focus as the keyboard would.
    void keyboardFocus(QWidget *widget)
    {
        widget->clearFocus();
        QTest::keyClick(m_window.get(), Qt::Key_Shift);
        widget->setFocus(Qt::TabFocusReason);
    }

    void dragOnto(QWidget *target, const QList<QUrl> &urls, bool drop)
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

    test::ViewWorld &m_world;
    std::unique_ptr<WorkflowState> m_workflow;
    std::unique_ptr<ContentView> m_window;
};

KERNWICK_VIEWS_TEST_MAIN(ContentViewTest)

#include "tst_contentview.moc"
