// kernwick: one window that finds a presentation's fonts and packs them for handing the deck over.
#include "kernwickapp.h"
#include <platform/desktop/colorschemeportal.h>
#include <platform/desktop/dbusservices.h>
#include <platform/desktop/dialogfilechooser.h>
#include <platform/desktop/portalfilechooser.h>
#include <platform/desktop/singleinstance.h>
#include <platform/desktop/updatechecker.h>
#include <platform/filenamealiases.h>
#include <platform/volume.h>
#include <resolve/fontresolver.h>
#include <scan/fontscanner.h>
#include <views/appearance.h>
#include <views/contentview.h>
#include <workflow/workflowstate.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QFileInfo>
#include <QIcon>
#include <QMainWindow>
#include <QMenuBar>
#include <QSettings>
#include <QThreadPool>
#include <QTimer>

#include <cstring>

using namespace Qt::StringLiterals;
using namespace kernwick;

namespace {

// A file handed over by the desktop ("Open With", a double click) is taken in as a dropped one would be.
// Files come as URLs, which keep every byte of a name, or (from an older copy) as paths.
void takeIn(WorkflowState &workflow, const QStringList &files)
{
    if (files.isEmpty())
        return;
    const QString &file = files.first();
    workflow.handleDrop(
        {file.startsWith(u"file:"_s) ? QUrl::fromEncoded(file.toLatin1()) : QUrl::fromLocalFile(file)});
}

void describeOptions(QCommandLineParser &parser)
{
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(u"FILE"_s, u"A presentation to open."_s, u"[FILE]"_s);
}

// --help and --version need no window: they are answered before anything asks for a display.
bool answerWithoutDisplay(int argc, char *argv[])
{
    bool asked = false;
    for (int n = 1; n < argc && std::strcmp(argv[n], "--") != 0; ++n) {
        for (const char *option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            asked = asked || std::strcmp(argv[n], option) == 0;
    }
    if (!asked)
        return false;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"Kernwick"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(KERNWICK_VERSION));
    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(app); // prints what was asked for and ends the program
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (answerWithoutDisplay(argc, argv))
        return 0;
    QApplication app(argc, argv);
    // A name in an older encoding than UTF-8 reaches Qt with its bytes replaced: such files are reached
    // through links, and handed on as URLs, which keep each byte.
    FileNameAliases aliases;
    QStringList files;
    // (Qt has taken out its own options; any other option ends the program below.)
    for (int n = 1; n < argc; ++n) {
        if (argv[n][0] == '-')
            continue;
        QString path = aliases.pathFor(argv[n]);
        if (path.isEmpty()) // no such file: said so once the window is up
            path = QFileInfo(QFile::decodeName(argv[n])).absoluteFilePath();
        files.append(aliases.urlFor(path).toString(QUrl::FullyEncoded));
    }
    QApplication::setOrganizationName(u"Kernwick"_s);
    QApplication::setApplicationName(u"Kernwick"_s);
    QApplication::setApplicationVersion(QStringLiteral(KERNWICK_VERSION));
    QApplication::setDesktopFileName(u"org.kernwick.Kernwick"_s);
    QApplication::setWindowIcon(QIcon(u":/kernwick/icons/applogo.svg"_s));
    // The window sets its own light or dark palette, which Fusion follows faithfully.
    QApplication::setStyle(u"Fusion"_s);

    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(app);

    // One copy per user: a later launch hands its file to the running copy and ends.
    SingleInstance instance(u"kernwick"_s);
    if (instance.forwardToRunningCopy(files))
        return 0;

    // The helper starts up now, beside fontconfig's load, and waits for the first document.
    const FontScanner scanner(MetadataQuery(MetadataQuery::locateHelper(
        QCoreApplication::applicationDirPath(), QStringLiteral(KERNWICK_LIBEXEC_FROM_BIN),
        QStringLiteral(KERNWICK_LIBEXEC_DIR))));
    scanner.startHelperAhead();
    // One fontconfig load for the window: Qt's font database, which loads when the window first
    // lays out text, takes the configuration loaded here.
    FontconfigFontSource fonts;
    fonts.shareAsCurrent();
    FontResolver resolver(fonts);
    QSettings settings(u"Kernwick"_s, u"Kernwick"_s);
    QThreadPool workers;
    DBusNotifier notifier(QDBusConnection::sessionBus(), u"Kernwick"_s, u"org.kernwick.Kernwick"_s);
    DBusFileRevealer revealer(QDBusConnection::sessionBus());
    ColorSchemePortal portal(QDBusConnection::sessionBus());
    Appearance appearance;

    // A copy run from a removable or external volume offers no updates: it is not the installed one.
    std::unique_ptr<UpdateChecker> updater;
    if (!isOnRemovableVolume(QCoreApplication::applicationFilePath()))
        updater = std::make_unique<UpdateChecker>(QUrl(QStringLiteral(KERNWICK_UPDATE_FEED)),
                                                  app.applicationVersion());
    KernwickApp shell(settings, appearance, portal, updater.get());

    QMainWindow window;
    window.setWindowTitle(u"Kernwick"_s);
    // The desktop's own file chooser where its portal offers one; Qt's dialog otherwise.
    DialogFileChooser dialogChooser(&window);
    PortalFileChooser chooser(QDBusConnection::sessionBus(), dialogChooser, &window, &aliases);
    WorkflowState workflow(
        {scanner, resolver, chooser, notifier, revealer, settings, workers, writeDiagnosticLine, &aliases});
    window.setCentralWidget(new ContentView(appearance, workflow, revealer));
    shell.installMenus(
        *window.menuBar(), &window,
        {[&workflow] { workflow.chooseFile(); },
         [&workflow](const QString &path) { workflow.handleDrop({QUrl::fromLocalFile(path)}); },
         [&workflow] {
             workflow.clearFile();
         }});
    // The next document's helper starts once the list is shown, so that its start-up never competes
    // with the window's.
    QObject::connect(&workflow, &WorkflowState::isScanningChanged, &window, [&] {
        if (!workflow.isScanning())
            QTimer::singleShot(500, &window, [&scanner] { scanner.startHelperAhead(); });
    });
    // Every presentation taken in goes on the recent list.
    QObject::connect(&workflow, &WorkflowState::selectedFileChanged, &shell, [&] {
        // A link made to reach a name is gone when the program ends: not worth keeping.
        if (!aliases.isAlias(workflow.selectedFile()))
            shell.noteOpened(workflow.selectedFile());
    });
    // The scan starts at once, on a worker, while the window is laid out and shown.
    takeIn(workflow, files);
    window.resize(1100, 860);
    window.show();

    QObject::connect(
        &instance, &SingleInstance::activationRequested, &window, [&](const QStringList &handedOver) {
            window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
            window.raise();
            window.activateWindow();
            takeIn(workflow, handedOver);
        });

    const int status = app.exec();
    workers.waitForDone();
    return status;
}
