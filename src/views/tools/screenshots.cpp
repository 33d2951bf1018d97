// kernwick-screenshots: renders the main window in every phase, light and dark, to PNG files, from real
// scans of presentations built on the spot against a private set of fonts.
#include "viewworld.h"
#include <views/contentview.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFont>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextStream>

#include <memory>

using namespace Qt::StringLiterals;
using namespace kernwick;

namespace {

struct Shot
{
    QString name;
    int width = 1100;
    // Brings a fresh window into the phase; false when it could not.
    std::function<bool(test::ViewWorld &, WorkflowState &)> prepare;
};

bool render(test::ViewWorld &world, const Shot &shot, Appearance::ColorScheme scheme, const QDir &output,
            QTextStream &out)
{
    world.appearance.setColorScheme(scheme);
    auto workflow = world.makeWorkflow();
    ContentView window(world.appearance, *workflow, world.desktop);
    window.resize(shot.width, 900);
    window.show();
    if (!shot.prepare(world, *workflow)) {
        out << u"failed: "_s << shot.name << u'\n';
        return false;
    }
    QCoreApplication::processEvents();
    // The whole column down to the footer, not just what the window's height shows: grown until nothing
    // is left to scroll.
    QScrollBar *scroll = window.scrollArea()->verticalScrollBar();
    for (int attempt = 0; attempt < 10; ++attempt) {
        for (int round = 0; round < 3; ++round) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QCoreApplication::processEvents();
        }
        if (scroll->maximum() == 0)
            break;
        window.resize(shot.width, window.height() + scroll->maximum());
    }
    const QString file = output.filePath(
        shot.name + (scheme == Appearance::ColorScheme::dark ? u"-dark"_s : u"-light"_s) + u".png"_s);
    if (!window.grab().save(file)) {
        out << u"cannot write "_s << file << u'\n';
        return false;
    }
    out << file << u'\n';
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // The fonts are chosen before anything asks fontconfig.
    test::TestFonts fonts;
    QApplication app(argc, argv);
    // The private font world has no desktop configuration to name a sans-serif face: name one.
    QApplication::setFont(QFont(u"DejaVu Sans"_s));
    QApplication::setStyle(u"Fusion"_s);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Renders the main window in every phase to PNG files."_s);
    parser.addHelpOption();
    parser.addPositionalArgument(u"FOLDER"_s, u"Where the pictures go."_s);
    parser.process(app);
    QTextStream out(stdout);
    if (!fonts.isValid() || parser.positionalArguments().size() != 1) {
        out << parser.helpText();
        return 2;
    }
    const QDir output(parser.positionalArguments().constFirst());
    if (!QDir().mkpath(output.path()))
        return 2;

    test::ViewWorld world(QCoreApplication::applicationDirPath(), fonts);
    if (!world.isValid())
        return 2;
    // One font the deck embeds: missing here, carried by the presentation.
    const QString embedded = u"Source Sans Pro"_s;
    const QStringList mixed = {test::names::installed[0], test::names::installed[3], test::names::system,
                               u"DejaVuSerif"_s,          test::names::restricted,   test::names::missing,
                               test::names::licensed,     test::names::twinned,      embedded};
    // One installed font only a master's bullet level names: no text uses it.
    const QStringList declaredOnly = {test::names::installed[1]};
    // An installed font lacks the Armenian letters its text draws.
    const QString mixedDeck = world.deck(u"Quarterly Review.pptx"_s, mixed, declaredOnly, {embedded},
                                         {{test::names::installed[0], u"xԲարեւ"_s}});
    const QString readyDeck =
        world.deck(u"Launch Keynote.pptx"_s, test::names::installed + QStringList{test::names::system});
    const QString emptyDeck = world.deck(u"Blank.pptx"_s, {});
    const QString longDeck = world.deck(
        u"Annual Partner Summit 2026 — Keynote Rehearsal Draft for the Regional AV Team (final v7).pptx"_s,
        mixed, declaredOnly, {embedded});

    std::shared_ptr<void> held;
    const QList<Shot> shots = {
        {u"1-no-file"_s, 1100,
         [](test::ViewWorld &, WorkflowState &) {
             return true;
         }},
        {u"2-dragging-over"_s, 1100,
         [](test::ViewWorld &, WorkflowState &workflow) {
             workflow.setDraggingOver(true);
             return true;
         }},
        {u"3-scanning"_s, 1100,
         [&](test::ViewWorld &shotWorld, WorkflowState &workflow) {
             // The scan waits until the picture has been taken.
             held = shotWorld.holdScans();
             return workflow.handleDrop({QUrl::fromLocalFile(mixedDeck)}) && workflow.isScanning();
         }},
        {u"4-scanned-no-fonts"_s, 1100,
         [&](test::ViewWorld &, WorkflowState &workflow) {
             return test::ViewWorld::dropAndScan(workflow, emptyDeck);
         }},
        {u"5-scanned-expanded"_s, 1100,
         [&](test::ViewWorld &, WorkflowState &workflow) {
             return test::ViewWorld::dropAndScan(workflow, mixedDeck) && !workflow.fontItems().isEmpty();
         }},
        {u"6-scanned-collapsed"_s, 1100,
         [&](test::ViewWorld &, WorkflowState &workflow) {
             if (!test::ViewWorld::dropAndScan(workflow, mixedDeck))
                 return false;
             workflow.setHideSystemFonts(true);
             workflow.toggleFontList();
             return true;
         }},
        {u"7-package-preview"_s, 1100,
         [&](test::ViewWorld &, WorkflowState &workflow) {
             if (!test::ViewWorld::dropAndScan(workflow, readyDeck))
                 return false;
             workflow.setIncludePresentation(true);
             return true;
         }},
        // The narrowest the window gets.
        {u"8-narrowest-window"_s, 860,
         [&](test::ViewWorld &, WorkflowState &workflow) {
             return test::ViewWorld::dropAndScan(workflow, mixedDeck);
         }},
        // A long name at the narrowest width.
        {u"9-long-name"_s, 860,
         [&](test::ViewWorld &, WorkflowState &workflow) {
             return test::ViewWorld::dropAndScan(workflow, longDeck);
         }},
    };
    bool allRendered = true;
    for (const Shot &shot : shots) {
        for (const auto scheme : {Appearance::ColorScheme::light, Appearance::ColorScheme::dark}) {
            allRendered = render(world, shot, scheme, output, out) && allRendered;
            held.reset();
        }
    }
    return allRendered ? 0 : 1;
}
