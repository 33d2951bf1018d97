// kernwick: one window that finds a presentation's fonts and packs them for handing the deck over.
#include <platform/desktop/dbusservices.h>
#include <platform/desktop/dialogfilechooser.h>
#include <resolve/fontresolver.h>
#include <scan/fontscanner.h>
#include <views/appearance.h>
#include <views/contentview.h>
#include <workflow/workflowstate.h>

#include <QApplication>
#include <QDBusConnection>
#include <QIcon>
#include <QSettings>
#include <QThreadPool>

using namespace Qt::StringLiterals;
using namespace kernwick;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(u"Kernwick"_s);
    QApplication::setApplicationName(u"Kernwick"_s);
    QApplication::setApplicationVersion(QStringLiteral(KERNWICK_VERSION));
    QApplication::setDesktopFileName(u"org.kernwick.Kernwick"_s);
    QApplication::setWindowIcon(QIcon::fromTheme(u"org.kernwick.Kernwick"_s));
    // The window sets its own light or dark palette, which Fusion follows faithfully.
    QApplication::setStyle(u"Fusion"_s);

    const FontScanner scanner(MetadataQuery(
        MetadataQuery::locateHelper(QCoreApplication::applicationDirPath(), QStringLiteral(KERNWICK_LIBEXEC_DIR))));
    FontconfigFontSource fonts;
    FontResolver resolver(fonts);
    DialogFileChooser chooser;
    DBusNotifier notifier(QDBusConnection::sessionBus(), u"Kernwick"_s, u"kernwick"_s);
    DBusFileRevealer revealer(QDBusConnection::sessionBus());
    QSettings settings(u"Kernwick"_s, u"Kernwick"_s);
    QThreadPool workers;

    WorkflowState workflow({scanner, resolver, chooser, notifier, revealer, settings, workers});
    // Light until the application shell drives the scheme from its setting and the desktop.
    Appearance appearance(Appearance::ColorScheme::light);
    ContentView window(appearance, workflow, revealer);
    window.setWindowTitle(u"Kernwick"_s);
    window.resize(1100, 800);
    window.show();

    const int status = app.exec();
    workers.waitForDone();
    return status;
}
