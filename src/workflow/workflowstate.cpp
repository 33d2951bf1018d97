#include "workflowstate.h"

#include <package/completionnotice.h>
#include <package/fontinstaller.h>
#include <package/packagecontents.h>
#include <platform/bookmark.h>
#include <platform/filenamealiases.h>
#include <resolve/fontresolver.h>
#include <resolve/glyphcoverage.h>
#include <scan/embeddedfonts.h>
#include <scan/fontscanner.h>

#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QSettings>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
const QString noFileMessage = u"Choose a Presentation file."_s;

// The line under the verdict: why a licence stands in the way, else the five counts.
QString verdictMessage(const FontStatusItems &items, const HandoffVerdict &verdict)
{
    return verdict.attention.isEmpty() ? countsSummary(items) : verdict.attention;
}
const QString hideSystemFontsKey = u"hideSystemFonts"_s;
const QString openPackageWhenDoneKey = u"openPackageWhenDone"_s;
} // namespace

bool isAcceptedPresentation(const QString &path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    return extension == u"key" || extension == u"pptx" || extension == u"ppt";
}

WorkflowState::WorkflowState(WorkflowServices services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_statusMessage(noFileMessage)
    , m_hideSystemFonts(m_services.settings.value(hideSystemFontsKey, false).toBool())
    , m_openPackageWhenDone(m_services.settings.value(openPackageWhenDoneKey, true).toBool())
{}

WorkflowState::~WorkflowState() = default;

void WorkflowState::setIncludePresentation(bool include)
{
    if (std::exchange(m_includePresentation, include) != include)
        Q_EMIT includePresentationChanged();
}

void WorkflowState::setIncludeReport(bool include)
{
    if (std::exchange(m_includeReport, include) != include)
        Q_EMIT includeReportChanged();
}

void WorkflowState::setDraggingOver(bool isOver)
{
    if (std::exchange(m_isDraggingOver, isOver) != isOver)
        Q_EMIT isDraggingOverChanged();
}

void WorkflowState::setHideSystemFonts(bool hide)
{
    if (std::exchange(m_hideSystemFonts, hide) == hide)
        return;
    m_services.settings.setValue(hideSystemFontsKey, hide);
    m_services.settings.sync();
    Q_EMIT hideSystemFontsChanged();
}

void WorkflowState::setOpenPackageWhenDone(bool open)
{
    if (std::exchange(m_openPackageWhenDone, open) == open)
        return;
    m_services.settings.setValue(openPackageWhenDoneKey, open);
    m_services.settings.sync();
    Q_EMIT openPackageWhenDoneChanged();
}

void WorkflowState::setFontSelected(const QUuid &id, bool isSelected)
{
    for (FontStatusItem &item : m_fontItems) {
        if (item.id == id && item.isSelected != isSelected) {
            // A tick can change the verdict; the line under it follows unless it tells something else.
            const bool showsVerdict = m_statusMessage == verdictMessage(m_fontItems, m_verdict);
            item.isSelected = isSelected;
            updateTravel();
            if (showsVerdict)
                setStatusMessage(verdictMessage(m_fontItems, m_verdict));
            Q_EMIT fontItemsChanged();
            return;
        }
    }
}

void WorkflowState::sortFontItems(
    const std::function<bool(const FontStatusItem &, const FontStatusItem &)> &isBefore)
{
    std::stable_sort(m_fontItems.begin(), m_fontItems.end(), isBefore);
    updateTravel();
    Q_EMIT fontItemsChanged();
}

void WorkflowState::chooseFile()
{
    auto path = m_services.chooser.chooseFile(
        u"Choose File"_s, u"Choose a Keynote (.key) or PowerPoint (.pptx / .ppt) file."_s);
    if (!path)
        return;
    // A chooser that lists folders itself gives a name in an older encoding back with its bytes replaced.
    if (m_services.aliases)
        path = m_services.aliases->pathForShown(*path);
    if (!isAcceptedPresentation(*path)) {
        setStatusMessage(u"Unsupported file type. Please choose a .key, .pptx, or .ppt file."_s);
        return;
    }
    takeFile(*path, u"[SelectFile] Bookmark creation failed: "_s);
}

bool WorkflowState::handleDrop(const QList<QUrl> &urls)
{
    if (urls.isEmpty())
        return false;
    const QUrl &url = urls.first();
    // A URL keeps each byte of a name; one in an older encoding than UTF-8 is reached through a link.
    const QString aliased =
        m_services.aliases && url.isLocalFile() ? m_services.aliases->pathForUrl(url) : QString();
    const QString path = aliased.isEmpty() ? url.toLocalFile() : aliased;
    if (!url.isLocalFile() || path.isEmpty() || !isAcceptedPresentation(path)) {
        setStatusMessage(u"Unsupported file type. Please drop a .key, .pptx, or .ppt file."_s);
        return true;
    }
    takeFile(path, u"[Drop] Bookmark failed: "_s);
    return true;
}

void WorkflowState::takeFile(const QString &path, const QString &bookmarkLogPrefix)
{
    QString error;
    m_selectedFileBookmark = createBookmark(path, &error);
    // Keeping the last file's bookmark would make the package take that file instead of this one.
    if (!m_selectedFileBookmark)
        m_services.log(bookmarkLogPrefix + error);
    setSelectedFile(path);
    setLastPackage(std::nullopt);
    setFontItems({});
    if (!m_scanFailure.isEmpty() || !m_scanNotes.isEmpty()) {
        m_scanFailure.clear();
        m_scanNotes.clear();
        Q_EMIT scanReportChanged();
    }
    setScanning(true);
    scanSelectedFile(path);
}

void WorkflowState::scanSelectedFile(const QString &path)
{
    const quint64 scan = ++m_lastScan;
    m_resolveAfterScan.reset();
    struct ScannedDeck
    {
        ScanResult result;
        FontStatusItems items;
    };
    auto *watcher = new QFutureWatcher<ScannedDeck>(this);
    connect(watcher, &QFutureWatcher<ScannedDeck>::finished, this, [this, watcher, scan, path] {
        const ScannedDeck scanned = watcher->result();
        const ScanResult &result = scanned.result;
        // What the scan could not read or left out goes to the log, for the latest scan only.
        if (scan == m_lastScan) {
            for (const QString &note : result.notes)
                m_services.log(u"[Scan][Warn] "_s + QFileInfo(path).fileName() + u": "_s + note);
        }
        if (scan == m_lastScan && path == m_selectedFile)
            m_embedded = result.embedded;
        applyScanResult(scan, path, result, scanned.items);
        watcher->deleteLater();
    });
    // The installed fonts are looked at on a second worker while the deck is scanned, and the names are
    // resolved against them on the scan's worker, so that neither a deck of many names nor a change of
    // the installed fonts holds up the window.
    const FontScanner &scanner = m_services.scanner;
    FontResolver &resolver = m_services.resolver;
    QThreadPool &workers = m_services.workers;
    watcher->setFuture(
        QtConcurrent::run(&workers, [&scanner, &resolver, &workers, path, naming = fontNamingFor(path)] {
            // Waiting for it runs it here when no worker has taken it up yet.
            QFuture<InstalledFonts> installed =
                QtConcurrent::run(&workers, [&resolver] { return resolver.installedFonts(); });
            ScannedDeck scanned{scanner.scan(path), {}};
            const InstalledFonts fonts = installed.result();
            scanned.items.reserve(scanned.result.fonts.size());
            for (const QString &name : std::as_const(scanned.result.fonts))
                scanned.items.append(fonts.resolveFont(name, naming));
            return scanned;
        }));
}

void WorkflowState::applyScanResult(quint64 scan, const QString &path, const ScanResult &result,
                                    const FontStatusItems &resolved)
{
    // Only the latest scan counts, and only for the file it was made of: a slow scan of an earlier file
    // must never fill the list of a later one.
    if (scan != m_lastScan)
        return;
    if (path == m_selectedFile) {
        m_fonts = result.fonts;
        m_fontUsage = result.usage;
        m_scanFailure = result.failure;
        m_scanNotes = result.failure.isEmpty() ? result.notes : QStringList();
        Q_EMIT scanReportChanged();
        Q_EMIT fontsChanged();
        rebuildFontItems(resolved);
    }
    setScanning(false);
    // The fonts changed while the scan ran: its verdicts may be older than the change.
    if (const std::optional<QString> message = std::exchange(m_resolveAfterScan, std::nullopt))
        resolveFontsAgain(*message);
}

FontStatusItems WorkflowState::resolveNames(FontResolver &resolver, const QStringList &names,
                                            FontNaming naming)
{
    if (names.isEmpty())
        return {};
    return resolver.resolveFonts(names, naming);
}

void WorkflowState::rebuildFontItems(const FontStatusItems &resolved)
{
    if (m_fonts.isEmpty()) {
        setFontItems({});
        setStatusMessage(u"No fonts found."_s);
        return;
    }
    // A font whose license restricts passing it on waits for the user to tick it.
    FontStatusItems items = resolved;
    for (FontStatusItem &item : items) {
        item.isSelected = isSelectedByDefault(item);
        item.missingCharacters = findMissingCharacters(item, m_fontUsage.value(item.fontName).characters);
    }
    markEmbeddedFonts(items, m_embedded, m_fontUsage);
    setFontItems(std::move(items));
    setStatusMessage(verdictMessage(m_fontItems, m_verdict));
}

void WorkflowState::refreshFontStatus()
{
    resolveFontsAgain({});
}

void WorkflowState::resolveFontsAgain(const QString &doneMessage)
{
    // A scan under way resolves its names when it ends; they are resolved once more after it.
    if (m_isScanning) {
        m_resolveAfterScan = doneMessage;
        return;
    }
    // Only the latest pass counts, and only while the same scan of the same file stands: a slow pass
    // never overwrites a later one, nor the list of another deck.
    const quint64 pass = ++m_lastResolve;
    const quint64 scan = m_lastScan;
    const QString path = m_selectedFile;
    auto *watcher = new QFutureWatcher<FontStatusItems>(this);
    connect(watcher, &QFutureWatcher<FontStatusItems>::finished, this,
            [this, watcher, pass, scan, path, doneMessage] {
                watcher->deleteLater();
                if (pass != m_lastResolve || scan != m_lastScan || path != m_selectedFile)
                    return;
                rebuildFontItems(watcher->result());
                if (!doneMessage.isEmpty())
                    setStatusMessage(doneMessage);
            });
    watcher->setFuture(
        QtConcurrent::run(&m_services.workers,
                          [&resolver = m_services.resolver, names = m_fonts, naming = fontNamingFor(path)] {
                              return resolveNames(resolver, names, naming);
                          }));
}

void WorkflowState::clearFile()
{
    setSelectedFile({});
    m_selectedFileBookmark.reset();
    m_resolveAfterScan.reset();
    m_embedded.clear();
    m_fontUsage.clear();
    if (!m_scanFailure.isEmpty() || !m_scanNotes.isEmpty()) {
        m_scanFailure.clear();
        m_scanNotes.clear();
        Q_EMIT scanReportChanged();
    }
    if (!m_fonts.isEmpty()) {
        m_fonts.clear();
        Q_EMIT fontsChanged();
    }
    setFontItems({});
    setStatusMessage(noFileMessage);
}

void WorkflowState::toggleFontList()
{
    m_fontListExpanded = !m_fontListExpanded;
    Q_EMIT fontListExpandedChanged();
}

QString WorkflowState::resolvedPresentationURL()
{
    if (!m_selectedFileBookmark)
        return m_selectedFile;
    QString error;
    const auto resolved = resolveBookmark(*m_selectedFileBookmark, &error);
    if (!resolved) {
        m_services.log(u"[Bookmark] Failed to resolve: "_s + error);
        return m_selectedFile;
    }
    return *resolved;
}

void WorkflowState::createPackage()
{
    if (m_isPackaging)
        return;
    m_services.log(u"[Presenter] Begin handoff package export..."_s);
    const QString presentation = resolvedPresentationURL();
    if (presentation.isEmpty()) {
        setStatusMessage(u"Choose a presentation file first."_s);
        return;
    }
    if (m_fontItems.isEmpty()) {
        setStatusMessage(u"No font data available."_s);
        return;
    }
    // After the click has been handled.
    QTimer::singleShot(0, this, [this, presentation] { buildPackage(presentation); });
}

void WorkflowState::buildPackage(const QString &presentation)
{
    if (m_isPackaging)
        return;
    // The chooser opens beside the presentation, where a package is most often wanted: the folder the
    // presentation lies in, not that of a link made to reach its name.
    QString beside = QFileInfo(presentation).absolutePath();
    if (m_services.aliases && m_services.aliases->isAlias(presentation)) {
        const QByteArray native = m_services.aliases->nativePath(presentation);
        beside = m_services.aliases->pathFor(native.left(native.lastIndexOf('/')));
    }
    const auto destination = m_services.chooser.chooseFolder(
        u"Choose Destination Folder"_s, u"Choose where to save the Presentation Font Package."_s, beside);
    if (!destination) {
        setStatusMessage(u"Export canceled."_s);
        return;
    }
    // The copying runs on a worker so that the window keeps drawing; it works from a snapshot of the
    // list and the options as they are now.
    PackageRequest request{presentation, *destination, m_fontItems, m_includePresentation, m_includeReport};
    // The manifest records where the deck uses each font, as far as the scan could tell.
    for (auto usage = m_fontUsage.cbegin(); usage != m_fontUsage.cend(); ++usage)
        request.fontPlaces.insert(usage.key(),
                                  {usage->used, usage->usedInKnown ? usage->usedIn : QStringList()});
    setPackaging(true);
    auto *watcher = new QFutureWatcher<PackageOutcome>(this);
    connect(watcher, &QFutureWatcher<PackageOutcome>::finished, this, [this, watcher, destination] {
        finishPackage(watcher->result(), *destination);
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run(&m_services.workers, [request, log = m_services.log] {
        return kernwick::buildPackage(request, log);
    }));
}

void WorkflowState::finishPackage(const PackageOutcome &outcome, const QString &destination)
{
    m_packageDestination = destination;
    setLastPackage(outcome);
    setStatusMessage(outcome.statusMessage);
    if (outcome.isBuilt) {
        postPackageReadyNotice(m_services.notifier, outcome.exported, outcome.packagePath);
        if (m_openPackageWhenDone)
            m_services.revealer.revealItem(outcome.packagePath, destination);
    }
    setPackaging(false);
    Q_EMIT packageFinished(outcome);
}

void WorkflowState::revealLastPackage()
{
    if (m_lastPackage && m_lastPackage->isBuilt)
        m_services.revealer.revealItem(m_lastPackage->packagePath, m_packageDestination);
}

void WorkflowState::setLastPackage(std::optional<PackageOutcome> outcome)
{
    if (!outcome && !m_lastPackage)
        return;
    m_lastPackage = std::move(outcome);
    Q_EMIT lastPackageChanged();
}

void WorkflowState::updateTravel()
{
    m_travel = makeTravelList(m_fontItems);
    m_verdict =
        handoffVerdict(m_fontItems, m_travel, [this](const QString &name) { return fontUsage(name).used; });
}

void WorkflowState::setSelectedFile(const QString &path)
{
    if (std::exchange(m_selectedFile, path) != path) {
        setLastPackage(std::nullopt);
        updateHandoffPackage();
        Q_EMIT selectedFileChanged();
    }
}

void WorkflowState::setFontItems(FontStatusItems items)
{
    if (items.isEmpty() && m_fontItems.isEmpty())
        return;
    m_fontItems = std::move(items);
    updateTravel();
    updateHandoffPackage();
    Q_EMIT fontItemsChanged();
}

void WorkflowState::updateHandoffPackage()
{
    const QString package = enclosingHandoffPackage(m_selectedFile);
    QStringList notHere;
    if (!package.isEmpty()) {
        for (const FontStatusItem &item : std::as_const(m_fontItems)) {
            if (item.status == FontStatus::missing || item.status == FontStatus::unresolved)
                notHere.append(item.fontName);
        }
    }
    const quint64 check = ++m_lastHandoffCheck;
    if (notHere.isEmpty()) {
        applyHandoffPackage(package, {});
        return;
    }
    // Reading the package hashes its files: on a worker, never on the interface thread.
    auto *watcher = new QFutureWatcher<QStringList>(this);
    connect(watcher, &QFutureWatcher<QStringList>::finished, this, [this, watcher, check, package] {
        if (check == m_lastHandoffCheck)
            applyHandoffPackage(package, watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run(&m_services.workers, [package, notHere] {
        return namesBroughtByPackage(readPackage(package), notHere);
    }));
}

void WorkflowState::applyHandoffPackage(const QString &package, const QStringList &toInstall)
{
    if (package == m_handoffPackage && toInstall == m_fontsToInstall)
        return;
    m_handoffPackage = package;
    m_fontsToInstall = toInstall;
    Q_EMIT handoffPackageChanged();
}

void WorkflowState::installFontsFromPackage()
{
    if (m_handoffPackage.isEmpty())
        return;
    // Reading the package and copying its fonts run on a worker; the names are then resolved afresh.
    auto *watcher = new QFutureWatcher<FontInstallOutcome>(this);
    connect(watcher, &QFutureWatcher<FontInstallOutcome>::finished, this, [this, watcher] {
        const FontInstallOutcome outcome = watcher->result();
        watcher->deleteLater();
        for (const QString &name : outcome.installed)
            m_services.log(u"[Package] Installed font: "_s + name);
        for (const QString &refusal : outcome.refused)
            m_services.log(u"[Package][Warn] Not installed: "_s + refusal);
        if (!outcome.error.isEmpty()) {
            m_services.log(u"[Package][Error] "_s + outcome.error);
            setStatusMessage(u"Could not install fonts: "_s + outcome.error);
            return;
        }
        resolveFontsAgain(u"Installed "_s + QString::number(outcome.installed.size()) +
                          (outcome.installed.size() == 1 ? u" font"_s : u" fonts"_s) +
                          u" from the package."_s);
    });
    watcher->setFuture(QtConcurrent::run(&m_services.workers, [package = m_handoffPackage] {
        return installPackageFonts(readPackage(package), QDir::homePath());
    }));
}

void WorkflowState::setStatusMessage(const QString &message)
{
    if (std::exchange(m_statusMessage, message) != message)
        Q_EMIT statusMessageChanged();
}

void WorkflowState::setScanning(bool isScanning)
{
    if (std::exchange(m_isScanning, isScanning) != isScanning)
        Q_EMIT isScanningChanged();
}

void WorkflowState::setPackaging(bool isPackaging)
{
    if (std::exchange(m_isPackaging, isPackaging) != isPackaging)
        Q_EMIT isPackagingChanged();
}

} // namespace kernwick
