#pragma once

#include <model/fontstatusitem.h>
#include <model/travel.h>
#include <package/packagebuilder.h>
#include <platform/desktopservices.h>
#include <platform/diagnostics.h>
#include <scan/scantext.h>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QSettings;
class QThreadPool;

namespace kernwick {

class FontResolver;
class FileNameAliases;
class FontScanner;
enum class FontNaming;

// What the window's state works with; all of it outlives the state.
struct WorkflowServices
{
    const FontScanner &scanner;
    FontResolver &resolver;
    FileChooser &chooser;
    Notifier &notifier;
    FileRevealer &revealer;
    QSettings &settings;  // the two persisted settings
    QThreadPool &workers; // scans and package builds run here
    DiagnosticSink log = writeDiagnosticLine;
    FileNameAliases *aliases = nullptr; // reaches files named in an older encoding than UTF-8
};

// The state of one window, from a chosen presentation to a finished package, and every action on it.
// Lives on the interface thread; scans and package builds run on the workers and come back here.
class WorkflowState final : public QObject
{
    Q_OBJECT

public:
    explicit WorkflowState(WorkflowServices services, QObject *parent = nullptr);
    ~WorkflowState() override;

    // The presentation being worked on; empty when there is none.
    const QString &selectedFile() const { return m_selectedFile; }
    const std::optional<QByteArray> &selectedFileBookmark() const { return m_selectedFileBookmark; }
    // The last scan result: distinct names in code-point order.
    const QStringList &fonts() const { return m_fonts; }
    // One item per name of fonts(), in scan order until the table sorts them.
    const FontStatusItems &fontItems() const { return m_fontItems; }
    // Where the last scan found a font used; a name it says nothing of counts as used, places unknown.
    FontUsage fontUsage(const QString &name) const { return m_fontUsage.value(name); }
    // What travels into the package, worked out once each time the list or a tick changes; and the
    // verdict on the list, which counts a used font that its licence keeps out of the package.
    const TravelList &travelList() const { return m_travel; }
    const HandoffVerdict &verdict() const { return m_verdict; }
    // Why the selected file could not be read at all; empty when it was read (or not yet).
    const QString &scanFailure() const { return m_scanFailure; }
    // What the last scan could not read or left out, one line each.
    const QStringList &scanNotes() const { return m_scanNotes; }
    // The last package built or attempted for this file; nothing before the first, or after a new file.
    const std::optional<PackageOutcome> &lastPackage() const { return m_lastPackage; }
    const QString &statusMessage() const { return m_statusMessage; }
    bool includePresentation() const { return m_includePresentation; }
    bool includeReport() const { return m_includeReport; }
    bool fontListExpanded() const { return m_fontListExpanded; }
    bool isDraggingOver() const { return m_isDraggingOver; }
    bool isScanning() const { return m_isScanning; }
    bool hideSystemFonts() const { return m_hideSystemFonts; }
    bool openPackageWhenDone() const { return m_openPackageWhenDone; }
    // A package is being built; another one cannot start meanwhile.
    bool isPackaging() const { return m_isPackaging; }
    // The handoff package the presentation lies in, or empty; and the fonts it brings that are not
    // installed here, once a worker has read the package.
    const QString &handoffPackage() const { return m_handoffPackage; }
    const QStringList &fontsToInstallFromPackage() const { return m_fontsToInstall; }

    void setIncludePresentation(bool include);
    void setIncludeReport(bool include);
    void setDraggingOver(bool isOver);
    void setHideSystemFonts(bool hide);
    void setOpenPackageWhenDone(bool open);
    // The table's edits: a checkbox, and a sort that keeps equal items in their order.
    void setFontSelected(const QUuid &id, bool isSelected);
    void sortFontItems(const std::function<bool(const FontStatusItem &, const FontStatusItem &)> &isBefore);

    // Asks for a presentation and takes it in.
    void chooseFile();
    // Takes in the first of the dropped URLs; false for an empty drop.
    bool handleDrop(const QList<QUrl> &urls);
    // Resolves every name of the last scan afresh, against the fonts installed now, on a worker; the list
    // changes when it is done.
    void refreshFontStatus();
    void clearFile();
    void toggleFontList();
    // Asks for a destination and builds the handoff package there.
    void createPackage();
    // Shows the last package built in the file manager.
    void revealLastPackage();
    // The presentation as its bookmark finds it now, else selectedFile().
    QString resolvedPresentationURL();
    // Installs the fonts of the package the presentation lies in for this user, as kernwick-check
    // --install-fonts does, on a worker, and then resolves the fonts afresh.
    void installFontsFromPackage();

Q_SIGNALS:
    void selectedFileChanged();
    void fontsChanged();
    void fontItemsChanged();
    void statusMessageChanged();
    void includePresentationChanged();
    void includeReportChanged();
    void fontListExpandedChanged();
    void isDraggingOverChanged();
    void isScanningChanged();
    void hideSystemFontsChanged();
    void openPackageWhenDoneChanged();
    void isPackagingChanged();
    void handoffPackageChanged();
    // The scan's failure or notes changed.
    void scanReportChanged();
    void lastPackageChanged();
    // A package build has ended, built or not.
    void packageFinished(const kernwick::PackageOutcome &outcome);

private:
    void takeFile(const QString &path, const QString &bookmarkLogPrefix);
    void scanSelectedFile(const QString &path);
    void applyScanResult(quint64 scan, const QString &path, const ScanResult &result,
                         const FontStatusItems &resolved);
    // The list of the fonts from their verdicts, one per name of m_fonts.
    void rebuildFontItems(const FontStatusItems &resolved);
    // Resolves m_fonts on a worker against the fonts installed then; the line under the verdict says
    // `doneMessage`, when given, once the list has changed.
    void resolveFontsAgain(const QString &doneMessage);
    static FontStatusItems resolveNames(FontResolver &resolver, const QStringList &names, FontNaming naming);
    void buildPackage(const QString &presentation);
    void finishPackage(const PackageOutcome &outcome, const QString &destination);

    void setSelectedFile(const QString &path);
    void setFontItems(FontStatusItems items);
    void setStatusMessage(const QString &message);
    void setScanning(bool isScanning);
    void setPackaging(bool isPackaging);
    void updateHandoffPackage();
    void updateTravel();
    void setLastPackage(std::optional<PackageOutcome> outcome);
    void applyHandoffPackage(const QString &package, const QStringList &toInstall);

    WorkflowServices m_services;
    QString m_selectedFile;
    std::optional<QByteArray> m_selectedFileBookmark;
    QStringList m_fonts;
    QList<EmbeddedFontFaces> m_embedded; // of the latest scan: the fonts the presentation carries itself
    FontStatusItems m_fontItems;
    QHash<QString, FontUsage> m_fontUsage;
    TravelList m_travel;
    HandoffVerdict m_verdict;
    QString m_scanFailure;
    QStringList m_scanNotes;
    std::optional<PackageOutcome> m_lastPackage;
    QString m_packageDestination;
    QString m_statusMessage;
    bool m_includePresentation = false;
    bool m_includeReport = true;
    bool m_fontListExpanded = true;
    bool m_isDraggingOver = false;
    bool m_isScanning = false;
    bool m_hideSystemFonts = false;
    bool m_openPackageWhenDone = true;
    bool m_isPackaging = false;
    quint64 m_lastScan = 0;
    quint64 m_lastResolve = 0;
    std::optional<QString> m_resolveAfterScan; // asked for during a scan, with its message
    quint64 m_lastHandoffCheck = 0;
    QString m_handoffPackage;
    QStringList m_fontsToInstall;
};

// The extensions a presentation may have, compared lower-cased: "key", "pptx", "ppt".
bool isAcceptedPresentation(const QString &path);

} // namespace kernwick
