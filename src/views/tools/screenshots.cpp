// kernwick-screenshots: renders the main window in every phase, light and dark, to PNG files, from real
// scans of presentations built on the spot against a private set of fonts.
#include "viewworld.h"
#include <views/contentview.h>
#include <views/fonttableview.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
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
    // Then acts on the window itself, where the phase needs it.
    std::function<bool(ContentView &)> act = {};
};

bool render(test::ViewWorld &world, const Shot &shot, Appearance::ColorScheme scheme, const QDir &output,
            QTextStream &out)
{
    world.appearance.setColorScheme(scheme);
    auto workflow = world.makeWorkflow();
    ContentView window(world.appearance, *workflow, world.desktop);
    window.resize(shot.width, 900);
    window.show();
    if (!shot.prepare(world, *workflow) || (shot.act && !shot.act(window))) {
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

// Walks the keyboard through every control of a scanned window with Tab and paints, one under the other,
// each control with its surroundings as the keyboard reaches it: the focus ring must show on every one.
bool renderKeyboardWalk(test::ViewWorld &world, const QString &deck, Appearance::ColorScheme scheme,
                        const QDir &output, QTextStream &out)
{
    world.appearance.setColorScheme(scheme);
    auto workflow = world.makeWorkflow();
    ContentView window(world.appearance, *workflow, world.desktop);
    window.resize(1100, 900);
    window.show();
    if (!test::ViewWorld::dropAndScan(*workflow, deck))
        return false;
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
    }
    QList<QImage> crops;
    QStringList names;
    QWidget *first = nullptr;
    for (int step = 0; step < 40; ++step) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window, Qt::Key_Tab);
        QCoreApplication::processEvents();
        QWidget *focus = QApplication::focusWidget();
        if (!focus || focus == first)
            break;
        if (!first)
            first = focus;
        const QRect area =
            QRect(focus->mapTo(&window, QPoint(0, 0)), focus->size()).adjusted(-24, -14, 24, 14);
        crops.append(window.grab().toImage().copy(area.intersected(window.rect())));
        names.append(focus->objectName().isEmpty() ? QString::fromLatin1(focus->metaObject()->className())
                                                   : focus->objectName());
    }
    const int labelWidth = 200;
    int width = 0;
    int height = 0;
    for (const QImage &crop : crops) {
        width = std::max(width, int(crop.width() / crop.devicePixelRatio()));
        height += int(crop.height() / crop.devicePixelRatio()) + 8;
    }
    QImage sheet(labelWidth + width + 16, height + 8, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(scheme == Appearance::ColorScheme::dark ? QColor(40, 40, 46) : QColor(250, 250, 252));
    QPainter painter(&sheet);
    painter.setPen(scheme == Appearance::ColorScheme::dark ? Qt::white : Qt::black);
    int y = 8;
    for (qsizetype index = 0; index < crops.size(); ++index) {
        const int cropHeight = int(crops[index].height() / crops[index].devicePixelRatio());
        painter.drawText(QRect(8, y, labelWidth - 16, cropHeight), Qt::AlignVCenter | Qt::AlignLeft,
                         QString::number(index + 1) + u". "_s + names[index]);
        painter.drawImage(QPoint(labelWidth, y), crops[index]);
        y += cropHeight + 8;
    }
    painter.end();
    const QString file =
        output.filePath(u"keyboard-walk"_s +
                        (scheme == Appearance::ColorScheme::dark ? u"-dark"_s : u"-light"_s) + u".png"_s);
    if (!sheet.save(file)) {
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
    // Bytes that are no presentation, named as one.
    const QString noiseDeck = world.folder() + u"/Sales Kickoff.pptx"_s;
    if (QFile noise(noiseDeck);
        !noise.open(QIODevice::WriteOnly) || noise.write(QByteArray(4096, 'z')) != 4096)
        return 2;
    // A deck whose text uses a font that its licence keeps at home, and a name too long to be a font's,
    // which the scan leaves out with a note.
    const QString heldDeck =
        world.deck(u"Brand Launch.pptx"_s, {test::names::installed[0], test::names::licensed,
                                            test::names::system, QString(300, u'X')});
    const QString longDeck = world.deck(
        u"Annual Partner Summit 2026 — Keynote Rehearsal Draft for the Regional AV Team (final v7).pptx"_s,
        mixed, declaredOnly, {embedded});

    // A long list: three hundred names, most of them missing here, some installed, system and restricted.
    QStringList many;
    for (int index = 0; index < 300; ++index) {
        many.append(index % 10 == 0
                        ? QString(test::names::installed[index / 10 % test::names::installed.size()] +
                                  u" "_s + QString::number(index))
                        : QString(u"Corporate Face "_s + QString::number(index)));
    }
    many += test::names::installed + QStringList{test::names::system, test::names::restricted};
    const QString manyDeck = world.deck(u"Brand Guidelines 2026.pptx"_s, many);

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
        // A deck that cannot be read: its error state, with the reason and what to do.
        {u"10-error-unreadable"_s, 1100,
         [&](test::ViewWorld &, WorkflowState &workflow) {
             return test::ViewWorld::dropAndScan(workflow, noiseDeck) && !workflow.scanFailure().isEmpty();
         }},
        // After Create Package: the path, what went in, what stayed out and why.
        {u"11-package-result"_s, 1100,
         [&](test::ViewWorld &shotWorld, WorkflowState &workflow) {
             if (!test::ViewWorld::dropAndScan(workflow, heldDeck))
                 return false;
             workflow.setOpenPackageWhenDone(false);
             shotWorld.chooser.folders = {shotWorld.folder()};
             QSignalSpy finished(&workflow, &WorkflowState::packageFinished);
             workflow.createPackage();
             return finished.wait(30'000) && workflow.lastPackage() && workflow.lastPackage()->isBuilt;
         }},
        // A used font whose licence keeps it out of the package: not ready, and why.
        {u"12-licence-held"_s, 1100,
         [&](test::ViewWorld &, WorkflowState &workflow) {
             return test::ViewWorld::dropAndScan(workflow, heldDeck) && !workflow.verdict().isReady;
         }},
        // A deck of three hundred fonts: the table scrolls under its header; the filter finds names.
        {u"13-many"_s, 1100,
         [&](test::ViewWorld &, WorkflowState &workflow) {
             return test::ViewWorld::dropAndScan(workflow, manyDeck) && workflow.fontItems().size() > 300;
         }},
        {u"14-many-filtered"_s, 1100,
         [&](test::ViewWorld &, WorkflowState &workflow) {
             return test::ViewWorld::dropAndScan(workflow, manyDeck);
         },
         [](ContentView &window) {
             QCoreApplication::processEvents();
             if (!window.fontTable())
                 return false;
             window.fontTable()->filterField()->setText(u"Liberation"_s);
             return true;
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
    for (const auto scheme : {Appearance::ColorScheme::light, Appearance::ColorScheme::dark})
        allRendered = renderKeyboardWalk(world, mixedDeck, scheme, output, out) && allRendered;
    return allRendered ? 0 : 1;
}
