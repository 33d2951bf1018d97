#pragma once

#include <platform/desktopservices.h>
#include <resolve/fontresolver.h>
#include <scan/fontscanner.h>
#include <views/appearance.h>
#include <workflow/workflowstate.h>

#include <QSemaphore>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QThreadPool>

#include <testsupport/desktop/testdesktop.h>
#include <testsupport/testfonts.h>

#include <memory>

namespace kernwick::test {

// Remembers what the window asked the desktop to show or announce, instead of asking the desktop.
class RecordingDesktop final : public Notifier, public FileRevealer
{
public:
    void postNotice(const QString &title, const QString &body) override
    {
        notices.append(title + u'|' + body);
    }
    void revealItem(const QString &path, const QString &) override { revealed.append(path); }

    QStringList notices;
    QStringList revealed;
};

// The window's state on real parts, for the view tests, the screenshots and the benchmark: the scanner
// with its helper, fontconfig on the fonts of a private world (see TestFonts, which must be made before
// the application object), presentations built on the spot. Only the choosers and the desktop's
// notices and file manager are stand-ins.
class ViewWorld final
{
public:
    // `helperDir`: where kernwick-fontmeta lies. Adds the fonts of names::licensed to the world of `fonts`.
    ViewWorld(const QString &helperDir, const TestFonts &fonts);
    ~ViewWorld();
    Q_DISABLE_COPY_MOVE(ViewWorld)

    // A new workflow state on these parts (settings start empty each time).
    std::unique_ptr<WorkflowState> makeWorkflow();

    // A PowerPoint deck whose one slide's text is set in `fonts`, in this world's folder; its master
    // names `declaredOnly` for a bullet level that no text reaches; it embeds the regular and bold faces
    // of `embedded`.
    // Each font's text is "x" unless `texts` gives it other characters.
    QString deck(const QString &name, const QStringList &fonts, const QStringList &declaredOnly = {},
                 const QStringList &embedded = {}, const QHash<QString, QString> &texts = {}) const;
    // Takes `file` in as a drop does and waits until its scan has been applied.
    static bool dropAndScan(WorkflowState &workflow, const QString &file);
    static bool waitForScan(WorkflowState &workflow);

    // Keeps scans from running until the returned guard is destroyed, so that a window stays in its
    // scanning phase for as long as a test or a picture needs it.
    std::shared_ptr<void> holdScans();

    bool isValid() const { return m_licensedFontsAdded && m_folder.isValid(); }
    QString folder() const { return m_folder.path(); }
    Appearance appearance;
    ScriptedFileChooser chooser;
    RecordingDesktop desktop;

private:
    bool m_licensedFontsAdded; // before the font source first looks
    QTemporaryDir m_folder;
    std::unique_ptr<QSettings> m_settings;
    FontconfigFontSource m_fontSource;
    FontResolver m_resolver;
    FontScanner m_scanner;
    QThreadPool m_workers;
    QSemaphore m_hold;
    int m_settingsCount = 0;
};

// Installed, system, restricted and missing names that this world's fonts resolve to.
namespace names {
inline const QStringList installed = {QStringLiteral("LiberationSans"), QStringLiteral("LiberationSans-Bold"),
                                      QStringLiteral("LiberationSans-BoldItalic"),
                                      QStringLiteral("LiberationSerif"),
                                      QStringLiteral("LiberationSerif-Italic")};
inline const QString system = QStringLiteral("DejaVuSans");
inline const QString restricted = QStringLiteral("LiberationMono");
inline const QString missing = QStringLiteral("Helvetica Neue");
// Installed, with a license that does not let it be passed on (Regular and Bold faces).
inline const QString licensed = QStringLiteral("Caladea");
// Missing, with an installed metric-compatible twin (Liberation Sans).
inline const QString twinned = QStringLiteral("Arial");
} // namespace names

} // namespace kernwick::test

// The main() of a test of the views: the private font world first (fontconfig must not have been asked
// before), then the application, the world of real parts and the test object made from it.
#define KERNWICK_VIEWS_TEST_MAIN(TestClass)                                                                  \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        kernwick::test::TestFonts fonts;                                                                     \
        QApplication app(argc, argv);                                                                        \
        if (!fonts.isValid())                                                                                \
            return 1;                                                                                        \
        kernwick::test::ViewWorld world(QStringLiteral(KERNWICK_BIN_DIR), fonts);                            \
        if (!world.isValid())                                                                                \
            return 1;                                                                                        \
        TestClass test(world);                                                                               \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
