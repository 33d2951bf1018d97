#include <package/completionnotice.h>
#include <platform/desktop/dbusservices.h>
#include <platform/filenamealiases.h>
#include <resolve/fontresolver.h>
#include <scan/fontscanner.h>
#include <workflow/workflowstate.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <sys/stat.h>
#include <testsupport/desktop/testdesktop.h>
#include <testsupport/testfontfiles.h>
#include <testsupport/testfonts.h>
#include <testsupport/testzip.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

// The window's state on real parts: the scanner and its helper, fontconfig on fonts of the test's own,
// files on disk, notices and the file manager on a private session bus. Only the choosers are scripted.
class WorkflowStateTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WorkflowState> makeState(const FontScanner *scanner = nullptr,
                                             FileNameAliases *aliases = nullptr)
    {
        return std::make_unique<WorkflowState>(WorkflowServices{scanner ? *scanner : m_scanner, m_resolver,
                                                                m_chooser, m_notifier, m_revealer,
                                                                *m_settings, m_workers,
                                                                [this](const QString &line) {
                                                                    // The scan's notes say of every deck
                                                                    // built here that it is only slides.
                                                                    QMutexLocker lock(&m_logMutex);
                                                                    if (!line.startsWith(u"[Scan]"))
                                                                        m_log.append(line);
                                                                },
                                                                aliases});
    }
    QString deck(const QString &name, const QStringList &fonts)
    {
        QByteArray slide = "<p:sld>";
        for (const QString &font : fonts)
            slide += "<a:latin typeface=\"" + font.toUtf8() + "\"/>";
        test::TestZip zip(m_folder->filePath(name));
        zip.add(u"[Content_Types].xml"_s, "<Types/>");
        zip.add(u"ppt/slides/slide1.xml"_s, slide + "</p:sld>");
        return zip.close() ? m_folder->filePath(name) : QString();
    }
    // Chooses `file` through the scripted chooser and waits for its scan.
    bool choose(WorkflowState &state, const QString &file)
    {
        m_chooser.files = {file};
        state.chooseFile();
        return state.selectedFile() == file && waitForScan(state);
    }
    static bool waitForScan(WorkflowState &state)
    {
        return !state.isScanning() || QSignalSpy(&state, &WorkflowState::isScanningChanged).wait(30'000);
    }
    // Asks for a package into `folder` and waits for it.
    bool build(WorkflowState &state, const QString &folder)
    {
        m_chooser.folders = {folder};
        state.createPackage();
        return QSignalSpy(&state, &WorkflowState::packageFinished).wait(30'000);
    }
    QStringList log() const
    {
        QMutexLocker lock(&m_logMutex);
        return m_log;
    }

    // The fonts' world comes first: fontconfig is asked after it is in place. Caladea's licence does not
    // let it be passed on.
    test::TestFonts m_fonts;
    bool m_heldFontAdded =
        test::TestFonts::copyFontFile(u"/usr/share/fonts/truetype/crosextra/Caladea-Regular.ttf"_s,
                                      m_fonts.userFontFolder()) &&
        test::setEmbeddingBits(m_fonts.userFontFolder() + u"/Caladea-Regular.ttf"_s, 0x0002);
    FontconfigFontSource m_fontSource;
    FontResolver m_resolver{m_fontSource};
    FontScanner m_scanner{MetadataQuery(QStringLiteral(KERNWICK_BIN_DIR "/kernwick-fontmeta"))};
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<QSettings> m_settings;
    test::ScriptedFileChooser m_chooser;
    test::TestNotificationService m_notifications;
    test::TestFileManagerService m_fileManager;
    QList<QUrl> m_openedFolders;
    DBusNotifier m_notifier{QDBusConnection::sessionBus(), u"Kernwick"_s, u"kernwick"_s};
    DBusFileRevealer m_revealer{QDBusConnection::sessionBus(), [this](const QUrl &folder) {
                                    m_openedFolders.append(folder);
                                }};
    QThreadPool m_workers;
    mutable QMutex m_logMutex;
    QStringList m_log;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_fonts.isValid() && m_heldFontAdded);
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        QVERIFY(m_notifications.registerOnSessionBus() && m_fileManager.registerOnSessionBus());
    }

    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        m_settings = std::make_unique<QSettings>(m_folder->filePath(u"settings.ini"_s), QSettings::IniFormat);
        m_chooser = {};
        m_notifications.notices.clear();
        m_fileManager.shownItems.clear();
        m_openedFolders.clear();
        QMutexLocker lock(&m_logMutex);
        m_log.clear();
    }

    void cleanup() { m_workers.waitForDone(); }

    void chooseScanAndClear()
    {
        auto state = makeState();
        state->createPackage();
        QCOMPARE(state->statusMessage(), u"Choose a presentation file first."_s);
        QVERIFY(choose(*state, deck(u"Review.PPTX"_s, {u"LiberationSans-Bold"_s, u"DejaVu Sans"_s,
                                                       u"LiberationMono"_s, u"Nowhere Grotesk"_s})));
        QVERIFY(state->selectedFileBookmark());
        QCOMPARE(state->fonts(), (QStringList{u"DejaVu Sans"_s, u"LiberationMono"_s, u"LiberationSans-Bold"_s,
                                              u"Nowhere Grotesk"_s}));
        // Each name's verdict; only the installed font is ticked for the package.
        QStringList verdicts;
        for (const FontStatusItem &item : state->fontItems())
            verdicts.append(rawValue(item.status) + (item.isSelected ? u"+"_s : u""_s));
        QCOMPARE(verdicts, (QStringList{u"System"_s, u"Adobe"_s, u"Installed+"_s, u"Missing"_s}));
        QCOMPARE(state->statusMessage(),
                 u"Found: 1 | System: 1 | Restricted: 1 | Missing: 1 | Needs Review: 0"_s);
        // A cancelled destination chooser, opened beside the presentation, builds nothing.
        state->createPackage();
        QTRY_COMPARE(state->statusMessage(), u"Export canceled."_s);
        QCOMPARE(m_chooser.startFolders, QStringList{m_folder->path()});
        QCOMPARE(QDir(m_folder->path()).entryList({u"*_package"_s}, QDir::AllEntries), QStringList());

        // Clearing keeps the user's options; those that are settings outlive the window.
        QVERIFY(!state->hideSystemFonts() && state->openPackageWhenDone());
        state->setHideSystemFonts(true);
        state->setOpenPackageWhenDone(false);
        state->setIncludePresentation(true);
        state->toggleFontList();
        state->clearFile();
        QVERIFY(state->selectedFile().isEmpty() && !state->selectedFileBookmark());
        QVERIFY(state->fonts().isEmpty() && state->fontItems().isEmpty());
        QCOMPARE(state->statusMessage(), u"Choose a Presentation file."_s);
        QVERIFY(state->includePresentation() && !state->fontListExpanded());
        state.reset();
        m_settings = std::make_unique<QSettings>(m_folder->filePath(u"settings.ini"_s), QSettings::IniFormat);
        state = makeState();
        QVERIFY(state->hideSystemFonts() && !state->openPackageWhenDone());
    }

    void refusedCancelledDroppedAndVanishedFiles()
    {
        auto state = makeState();
        QVERIFY(!state->handleDrop({}));
        const QString first = m_folder->filePath(u"First.ppt"_s);
        QVERIFY(QFile::copy(QStringLiteral(KERNWICK_FIXTURES_DIR "/ppt/plain.ppt"), first));
        // Of two dropped files the first is taken.
        QVERIFY(
            state->handleDrop({QUrl::fromLocalFile(first), QUrl::fromLocalFile(deck(u"Second.pptx"_s, {}))}));
        QCOMPARE(state->selectedFile(), first);
        QVERIFY(waitForScan(*state));
        QCOMPARE(state->fonts(), (QStringList{u"Arial"_s, u"Calibri"_s, u"Calibri Light"_s}));
        const QUuid firstItem = state->fontItems().first().id;

        // Anything else leaves the list on screen and says why; a cancelled chooser changes nothing.
        m_chooser.files = {m_folder->filePath(u"notes.txt"_s), std::nullopt};
        state->chooseFile();
        QCOMPARE(state->statusMessage(),
                 u"Unsupported file type. Please choose a .key, .pptx, or .ppt file."_s);
        state->chooseFile();
        for (const QUrl &url : {QUrl::fromLocalFile(m_folder->filePath(u"letter.docx"_s)),
                                QUrl(u"https://example.org/a.pptx"_s)}) {
            QVERIFY(state->handleDrop({url}));
            QCOMPARE(state->statusMessage(),
                     u"Unsupported file type. Please drop a .key, .pptx, or .ppt file."_s);
        }
        QCOMPARE(state->selectedFile(), first);
        QCOMPARE(state->fontItems().first().id, firstItem);
        QVERIFY(!state->isScanning() && log().isEmpty());

        // A file that is gone by the time it is taken in is still taken, without a bookmark.
        const QString gone = m_folder->filePath(u"Gone.key"_s);
        QVERIFY(state->handleDrop({QUrl::fromLocalFile(gone)}));
        QVERIFY(state->selectedFile() == gone && !state->selectedFileBookmark());
        QCOMPARE(log().size(), 1);
        QVERIFY(
            log().first().startsWith(u"[Drop] Bookmark failed: The file “Gone.key” couldn’t be opened"_s));
        QVERIFY(waitForScan(*state));
        QCOMPARE(state->statusMessage(), u"No fonts found."_s);
        QVERIFY2(state->scanFailure().startsWith(u"no such file or folder"_s),
                 qPrintable(state->scanFailure()));

        // A file that is gone by the time its package is built: the package cannot copy it, and says so.
        const QString talk = deck(u"Vanishing.pptx"_s, {u"LiberationSans-Bold"_s});
        QVERIFY(choose(*state, talk));
        QVERIFY(QFile::remove(talk));
        state->setIncludePresentation(true);
        const qsizetype logged = log().size();
        QVERIFY(build(*state, m_folder->path()));
        QCOMPARE(log()[logged + 1],
                 u"[Bookmark] Failed to resolve: The file “Vanishing.pptx” couldn’t be found."_s);
        QCOMPARE(state->statusMessage(),
                 u"Could not create package folder: Vanishing_package/Vanishing.pptx: "
                 u"No such file or directory"_s);
    }

    // A file manager hands over a deck named in Latin-1, in a folder named so too, as a URL that keeps the
    // bytes: it is scanned, and its package is offered beside it and holds the deck's very bytes.
    void droppedNameInAnOlderEncoding()
    {
        const QByteArray folder = QFile::encodeName(m_folder->path()) + "/Dossi\xe9r";
        const QByteArray native = folder + "/Caf\xe9.pptx";
        const QString talk = deck(u"Talk.pptx"_s, {u"LiberationSans-Bold"_s});
        QVERIFY(::mkdir(folder.constData(), 0755) == 0 &&
                ::rename(QFile::encodeName(talk).constData(), native.constData()) == 0);
        FileNameAliases aliases;
        auto state = makeState(nullptr, &aliases);
        QVERIFY(state->handleDrop({QUrl::fromEncoded("file://" + native.toPercentEncoding("/"))}));
        QVERIFY(waitForScan(*state));
        QCOMPARE(state->fonts(), QStringList{u"LiberationSans-Bold"_s});
        QCOMPARE(aliases.shownPath(state->selectedFile()),
                 m_folder->path() + u"/Dossi\uFFFDr/Caf\uFFFD.pptx"_s);

        state->setIncludePresentation(true);
        QVERIFY(build(*state, m_folder->path()));
        QCOMPARE(aliases.nativePath(m_chooser.startFolders.constLast()), folder);
        QCOMPARE(test::readFile(m_folder->filePath(u"Caf\uFFFD_package/Caf\uFFFD.pptx"_s)),
                 test::readFile(state->selectedFile()));
        QVERIFY(QFileInfo(m_folder->filePath(u"Caf\uFFFD_package/Fonts/LiberationSans-Bold.ttf"_s)).isFile());

        // A chooser that lists the folder itself gives the name back as it shows it: the same deck is taken.
        const QString selected = state->selectedFile();
        state->clearFile();
        m_chooser.files = {m_folder->path() + u"/Dossi\uFFFDr/Caf\uFFFD.pptx"_s};
        state->chooseFile();
        QCOMPARE(state->selectedFile(), selected);
    }

    void whatTravelsAndTheVerdict()
    {
        // One list of what travels: a ticked font goes, an unticked one stays by choice, one whose licence
        // forbids passing it on stays and, used, keeps the deck from being ready until someone ticks it.
        auto state = makeState();
        QVERIFY(choose(*state,
                       deck(u"Held.pptx"_s, {u"LiberationSans-Bold"_s, u"Caladea"_s, u"LiberationSerif"_s})));
        const auto cell = [&](qsizetype index) {
            return travelCellText(state->travelList().fonts[index].travel);
        };
        QCOMPARE(cell(0) + u'|' + cell(1) + u'|' + cell(2), u"Left out: licence|Yes|Yes"_s);
        QVERIFY(!state->verdict().isReady);
        const QString held = u"Caladea cannot travel: its licence does not allow passing it on. The show "
                             u"computer needs its own licensed copy."_s;
        QCOMPARE(state->statusMessage(), held);
        const FontStatusItems items = state->fontItems();
        state->setFontSelected(items[2].id, false);
        QCOMPARE(cell(2), u"Left out"_s);
        QCOMPARE(state->statusMessage(), held);
        state->setFontSelected(items[0].id, true); // the owner said yes
        QVERIFY(state->verdict().isReady);
        QCOMPARE(state->statusMessage(),
                 u"Found: 3 | System: 0 | Restricted: 0 | Missing: 0 | Needs Review: 0"_s);
        state->setFontSelected(items[0].id, false);

        // The package follows the same list, and step 3 gets its whole outcome.
        QVERIFY(!state->lastPackage());
        state->setOpenPackageWhenDone(false);
        QVERIFY(build(*state, m_folder->path()));
        QCOMPARE(state->statusMessage(), u"Package created: Held_package (1 font). 2 fonts left out: Caladea "
                                         u"(licence), LiberationSerif (by choice)."_s);
        QVERIFY(state->lastPackage() && state->lastPackage()->isBuilt);
        QCOMPARE(state->lastPackage()->packagePath, m_folder->filePath(u"Held_package"_s));
        QVERIFY(state->lastPackage()->files.contains(u"LiberationSans-Bold.ttf"_s));
        state->revealLastPackage();
        QTRY_COMPARE(m_fileManager.shownItems.size(), 1);

        // A deck that is no presentation is a failure with the scan's reason, not a deck without fonts.
        const QString noise = m_folder->filePath(u"Noise.pptx"_s);
        QVERIFY(test::writeFile(noise, QByteArray(2048, 'z')));
        QVERIFY(choose(*state, noise));
        QVERIFY(!state->lastPackage() && state->fontItems().isEmpty() && state->scanNotes().isEmpty());
        QVERIFY2(state->scanFailure().contains(u"not a zip archive, so not a .pptx presentation"_s),
                 qPrintable(state->scanFailure()));
    }

    void aLateScanNeverShowsAnotherFilesFonts()
    {
        // A metadata tool that is slow for one file: its answer comes after the next file's.
        const QString tool = m_folder->filePath(u"slow-tool"_s);
        test::writeFile(tool, "#!/bin/sh\ncase \"$2\" in *Slow*) sleep 1;; esac\n"
                              "echo '{\"fonts\": [{\"name\": \"From '\"$(basename \"$2\" .pptx)\"'\"}]}'\n");
        QFile::setPermissions(tool, QFile::ReadOwner | QFile::ExeOwner);
        const FontScanner scanner{MetadataQuery(tool)};
        const QUrl slow = QUrl::fromLocalFile(deck(u"Slow.pptx"_s, {}));
        const QUrl fast = QUrl::fromLocalFile(deck(u"Fast.pptx"_s, {}));

        // The later file answers first; the earlier file's answer is dropped when it comes.
        auto state = makeState(&scanner);
        QVERIFY(state->handleDrop({slow}) && state->handleDrop({fast}));
        QVERIFY(waitForScan(*state));
        m_workers.waitForDone();
        QTest::qWait(50);
        QCOMPARE(state->fonts(), QStringList{u"From Fast"_s});
        QVERIFY(!state->isScanning());

        // The earlier file answers first: it is dropped, and the window keeps scanning until the later one.
        state = makeState(&scanner);
        QVERIFY(state->handleDrop({fast}) && state->handleDrop({slow}));
        QSignalSpy fontsChanged(state.get(), &WorkflowState::fontsChanged);
        QVERIFY(QSignalSpy(state.get(), &WorkflowState::isScanningChanged).wait(30'000));
        QCOMPARE(fontsChanged.size(), 1);
        QCOMPARE(state->fonts(), QStringList{u"From Slow"_s});

        // Cleared while scanning: the answer fills nothing, and scanning ends with it.
        state = makeState(&scanner);
        QVERIFY(state->handleDrop({slow}));
        state->clearFile();
        QVERIFY(QSignalSpy(state.get(), &WorkflowState::isScanningChanged).wait(30'000));
        QVERIFY(state->fonts().isEmpty() && state->fontItems().isEmpty());
    }

    void installFromAHandoffPackage()
    {
        // A package made by hand: the deck and a Fonts folder, no manifest; its font is not installed here.
        const QString package = m_folder->filePath(u"Georgian_package"_s);
        QVERIFY(QDir().mkpath(package + u"/Fonts"_s));
        QVERIFY(QFile::rename(deck(u"Georgian.pptx"_s, {u"Noto Serif Georgian"_s, u"LiberationSans-Bold"_s}),
                              package + u"/Georgian.pptx"_s));
        QVERIFY(test::TestFonts::copyFontFile(
            u"/usr/share/fonts/truetype/noto/NotoSerifGeorgian-Regular.ttf"_s, package + u"/Fonts"_s));
        auto state = makeState();
        QVERIFY(choose(*state, package + u"/Georgian.pptx"_s));
        QTRY_COMPARE(state->handoffPackage(), package);
        QTRY_COMPARE(state->fontsToInstallFromPackage(), QStringList{u"Noto Serif Georgian"_s});
        QCOMPARE(state->fontItems()[1].status, FontStatus::missing);
        state->setFontSelected(state->fontItems()[0].id, false);

        // Installing resolves the names again: the font is found where it went, and every installed font
        // is ticked afresh.
        state->installFontsFromPackage();
        QTRY_COMPARE(state->statusMessage(), u"Installed 1 font from the package."_s);
        const QString installed = m_fonts.userFontFolder() + u"/Georgian_package"_s;
        const FontStatusItems items = state->fontItems();
        QDir(installed).removeRecursively();
        QCOMPARE(items[1].status, FontStatus::installed);
        QCOMPARE(items[1].filePath(), installed + u"/NotoSerifGeorgian-Regular.ttf"_s);
        QVERIFY(items[1].isSelected && items[0].isSelected);
        QVERIFY(state->fontsToInstallFromPackage().isEmpty());
        QCOMPARE(state->statusMessage(), u"Installed 1 font from the package."_s);
    }

    void refreshResolvesOnAWorkerAndOnlyTheLatestPassCounts()
    {
        const QString noto = u"/usr/share/fonts/truetype/noto/"_s;
        const QString folder = m_fonts.userFontFolder() + u"/Refreshed"_s;
        const auto removeFonts = qScopeGuard([&] { QDir(folder).removeRecursively(); });
        auto state = makeState();
        QVERIFY(choose(*state, deck(u"Refresh.pptx"_s, {u"Noto Serif Georgian"_s, u"Noto Kufi Arabic"_s})));
        const auto verdicts = [&] {
            QStringList list;
            for (const FontStatusItem &item : state->fontItems())
                list.append(item.fontName + u'=' + rawValue(item.status));
            return list.join(u'|');
        };
        QCOMPARE(verdicts(), u"Noto Kufi Arabic=Missing|Noto Serif Georgian=Missing"_s);

        // Fonts change twice, each change followed by "Refresh" before the last pass has come back: the
        // list changes only once the worker is done, and the latest pass stands.
        const QUuid before = state->fontItems().first().id;
        QVERIFY(QDir().mkpath(folder) &&
                test::TestFonts::copyFontFile(noto + u"NotoSerifGeorgian-Regular.ttf"_s, folder));
        state->refreshFontStatus();
        QCOMPARE(state->fontItems().first().id, before);
        QVERIFY(test::TestFonts::copyFontFile(noto + u"NotoKufiArabic-Regular.ttf"_s, folder));
        state->refreshFontStatus();
        const QString both = u"Noto Kufi Arabic=Installed|Noto Serif Georgian=Installed"_s;
        QTRY_COMPARE(verdicts(), both);
        m_workers.waitForDone();
        QCoreApplication::processEvents();
        QCOMPARE(verdicts(), both);

        // Another deck opened while a pass runs: the pass never fills its list.
        state->refreshFontStatus();
        QVERIFY(state->handleDrop({QUrl::fromLocalFile(deck(u"Other.pptx"_s, {u"LiberationSans-Bold"_s}))}));
        QVERIFY(waitForScan(*state));
        m_workers.waitForDone();
        QCoreApplication::processEvents();
        QCOMPARE(verdicts(), u"LiberationSans-Bold=Installed"_s);
    }

    void packageWithoutRevealOrNotificationService()
    {
        // Without a notification service there is no notice and no word about it; without a file manager,
        // the folder that holds the package is opened; with the setting off, nothing is shown at all.
        DBusNotifier unreachable(QDBusConnection(u"nowhere"_s), u"Kernwick"_s, u"kernwick"_s);
        DBusFileRevealer noFileManager(QDBusConnection(u"nowhere"_s),
                                       [this](const QUrl &folder) { m_openedFolders.append(folder); });
        auto state = std::make_unique<WorkflowState>(WorkflowServices{
            m_scanner, m_resolver, m_chooser, unreachable, noFileManager, *m_settings, m_workers});
        QVERIFY(choose(*state, deck(u"Quiet.pptx"_s, {u"LiberationSans-Bold"_s})));
        for (const bool openWhenDone : {false, true}) {
            state->setOpenPackageWhenDone(openWhenDone);
            QVERIFY(build(*state, m_folder->path()));
            QCOMPARE(state->statusMessage(), u"Package created: Quiet_package (1 font)."_s);
            QCOMPARE(m_openedFolders.size(), openWhenDone ? 1 : 0);
        }
        QCOMPARE(m_openedFolders, QList<QUrl>{QUrl::fromLocalFile(m_folder->path())});
        QTest::qWait(100);
        QVERIFY(m_notifications.notices.isEmpty() && m_fileManager.shownItems.isEmpty());
    }

    void packageOfEveryRealDocument_data()
    {
        QTest::addColumn<QString>("document");
        for (const QString &kind : {u"pptx"_s, u"ppt"_s, u"key"_s}) {
            const QDir folder(QStringLiteral(KERNWICK_FIXTURES_DIR) + u'/' + kind);
            for (const QString &name : folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
                QTest::newRow(qPrintable(kind + u'/' + name)) << folder.filePath(name);
        }
    }

    void packageOfEveryRealDocument()
    {
        // The road a person takes, on the real documents: a copy of DejaVu Sans of the user's own makes that
        // font travel wherever a document uses it.
        QFETCH(QString, document);
        QVERIFY(test::TestFonts::copyFontFile(test::TestFonts::systemFontFolder() + u"/DejaVuSans.ttf"_s,
                                              m_fonts.userFontFolder()));
        const auto removeCopy =
            qScopeGuard([&] { QFile::remove(m_fonts.userFontFolder() + u"/DejaVuSans.ttf"_s); });

        auto state = makeState();
        state->setIncludePresentation(true);
        QVERIFY(choose(*state, document));
        const FontStatusItems items = state->fontItems();
        // Resolved on the worker beside the scan, the verdicts are those of the resolver on the scan's
        // names, as kernwick-check gives them.
        const FontStatusItems direct =
            m_resolver.resolveFonts(m_scanner.scan(document).fonts, fontNamingFor(document));
        QCOMPARE(items.size(), direct.size());
        for (qsizetype i = 0; i < items.size(); ++i) {
            QCOMPARE(items[i].fontName, direct[i].fontName);
            QCOMPARE(items[i].status, direct[i].status);
            QCOMPARE(items[i].fileURL, direct[i].fileURL);
            QCOMPARE(items[i].faces.size(), direct[i].faces.size());
            QCOMPARE(items[i].permission, direct[i].permission);
            QCOMPARE(items[i].metricTwins, direct[i].metricTwins);
        }
        if (items.isEmpty()) {
            QCOMPARE(state->statusMessage(), u"No fonts found."_s);
            state->createPackage();
            QCOMPARE(state->statusMessage(), u"No font data available."_s);
            return;
        }
        QSignalSpy noticed(&m_notifications, &test::TestNotificationService::noticeReceived);
        QSignalSpy shown(&m_fileManager, &test::TestFileManagerService::itemsShown);
        const QString package = m_folder->filePath(packageFolderName(document));
        for (const bool includeReport : {true, false}) {
            // A second build of the same presentation replaces the package and posts a notice of its own.
            state->setIncludeReport(includeReport);
            QVERIFY(build(*state, m_folder->path()) && !state->isPackaging());
            QCOMPARE(QFileInfo::exists(package + u"/font-report.txt"_s), includeReport);
            // The manifest tells where text uses each font and, for an installed one, its licence.
            const QJsonDocument manifest =
                QJsonDocument::fromJson(test::readFile(package + u"/handoff-manifest.json"_s));
            QVERIFY(manifest.isObject());
            for (const QJsonValue font : manifest[u"fonts"_s].toArray()) {
                QVERIFY2(font[u"used"_s].isBool() &&
                             (font[u"status"_s] != u"Installed"_s || font[u"permission"_s].isString()),
                         qPrintable(font[u"name"_s].toString()));
            }
            QVERIFY(noticed.size() == 2 - includeReport || noticed.wait(10'000));
            QVERIFY(shown.size() == 2 - includeReport || shown.wait(10'000));
            QCOMPARE(m_fileManager.shownItems.last(), QStringList{QUrl::fromLocalFile(package).toString()});
        }
        QStringList installed;
        for (const FontStatusItem &item : items) {
            if (item.status != FontStatus::installed)
                continue;
            installed.append(item.fontName);
            QVERIFY(QFileInfo::exists(package + u"/Fonts/"_s + QFileInfo(item.filePath()).fileName()));
        }
        if (document.endsWith(u"filetype-libreoffice.ppt"))
            QCOMPARE(installed, QStringList{u"DejaVu Sans"_s});
        QCOMPARE(QDir(package + u"/Fonts"_s).entryList(QDir::Files).size(), installed.size());
        QVERIFY(QFileInfo::exists(package + u'/' + QFileInfo(document).fileName()));
        QCOMPARE(state->statusMessage(),
                 packageStatusMessage(packageFolderName(document), installed.size(), 0, 0));
        QCOMPARE(m_notifications.notices.last(),
                 u"Package Ready|"_s + packageReadyNoticeBody(package, installed.size()));
    }
};

QTEST_GUILESS_MAIN(WorkflowStateTest)
#include "tst_workflowstate.moc"
