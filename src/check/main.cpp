// kernwick-check: scans presentations and tells, per font, whether it will travel.
#include "batch.h"
#include "checkreport.h"
#include "handoffcommands.h"

#ifdef KERNWICK_READS_IN_PROCESS
#include <fontmeta/documentquery.h>
#endif
#include <model/printabletext.h>
#include <package/packagebuilder.h>
#include <platform/diagnostics.h>
#include <platform/filenamealiases.h>
#include <resolve/fontresolver.h>
#include <resolve/glyphcoverage.h>
#include <scan/embeddedfonts.h>
#include <scan/fontscanner.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>
#include <QThread>

#include <sys/stat.h>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace kernwick;

namespace {

enum ExitStatus
{
    allReady = 0,
    notReady = 1,
    usageError = 2
};

// The number of scans run side by side: `text` if given, else one per processor.
int workerCount(const QString &text, bool *valid)
{
    if (text.isEmpty())
        return std::max(1, QThread::idealThreadCount());
    const int count = text.toInt(valid);
    *valid = *valid && count >= 1 && count <= 256;
    return count;
}

// Where the deck uses each font, as the package's manifest records it.
QHash<QString, FontPlaces> fontPlaces(const QHash<QString, FontUsage> &usage)
{
    QHash<QString, FontPlaces> places;
    for (auto it = usage.begin(); it != usage.end(); ++it)
        places.insert(it.key(), {it->used, it->usedInKnown ? it->usedIn : QStringList()});
    return places;
}

} // namespace

int main(int argc, char *argv[])
{
    // The local time zone read once: libzip asks for it for every member it lists.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    // A path in an older encoding than UTF-8 would reach Qt with its bytes replaced: it is handed on as a
    // link Qt can open, and shown as its owner knows it.
    FileNameAliases aliases;
    std::vector<QByteArray> linkedArguments;
    linkedArguments.reserve(argc);
    std::vector<char *> reachableArgv(argv, argv + argc + 1);
    for (int n = 1; n < argc; ++n) {
        if (FileNameAliases::isUtf8(argv[n]))
            continue;
        if (const QString link = aliases.pathFor(argv[n]); !link.isEmpty()) {
            linkedArguments.push_back(QFile::encodeName(link));
            reachableArgv[n] = linkedArguments.back().data();
        }
    }
    QCoreApplication app(argc, reachableArgv.data());
    QCoreApplication::setApplicationName(u"kernwick-check"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(KERNWICK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Finds the fonts each presentation uses and tells whether each one is on this machine.\n"
        u"Exit status: 0 when every presentation is ready for handoff, 1 when one is not, 2 for a usage "
        u"error or a file that cannot be read.\n"
        u"With --package: builds each presentation's handoff package in DEST instead; exit status 0 when "
        u"every package was built, 1 when one could not be."_s);
    const QCommandLineOption jsonOption(u"json"_s, u"Print the result as JSON."_s);
    const QCommandLineOption packageOption(
        u"package"_s, u"Build the handoff package of each presentation in the folder DEST."_s, u"DEST"_s);
    const QCommandLineOption noPresentationOption(u"no-presentation"_s,
                                                  u"Leave the presentation out of the package."_s);
    const QCommandLineOption noReportOption(u"no-report"_s, u"Leave the font report out of the package."_s);
    const QCommandLineOption jobsOption(
        {u"j"_s, u"jobs"_s}, u"Check N presentations side by side (default: one per processor)."_s, u"N"_s);
    const QCommandLineOption verifyOption(
        u"verify"_s, u"Tell whether the handoff package PACKAGE's fonts are ready on this machine."_s,
        u"PACKAGE"_s);
    const QCommandLineOption installOption(
        u"install-fonts"_s, u"Install the fonts of the handoff package PACKAGE for this user."_s,
        u"PACKAGE"_s);
    const QCommandLineOption uninstallOption(
        u"uninstall-fonts"_s, u"Remove the fonts that --install-fonts installed from PACKAGE."_s,
        u"PACKAGE"_s);
    const QCommandLineOption includeRestrictedOption(
        u"include-restricted"_s,
        u"Put fonts whose licence does not allow passing them on (No Redistribution) into the package too "
        u"(you need the owner's permission); the verdict then counts them as travelling."_s);
    const QCommandLineOption usedOnlyOption(
        u"used-only"_s,
        u"Leave fonts that no text uses (only declared by a theme, master or style) out of the "
        u"verdict."_s);
    const QCommandLineOption verboseOption(
        u"verbose"_s, u"With --package: print the builder's diagnostic lines on standard error."_s);
    parser.addOptions({jsonOption, packageOption, noPresentationOption, noReportOption, usedOnlyOption,
                       jobsOption, verifyOption, installOption, uninstallOption, includeRestrictedOption,
                       verboseOption});
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(u"PATH"_s, u"A .key, .pptx or .ppt presentation (a .key may be a folder)."_s,
                                 u"PATH…"_s);

    QTextStream err(stderr);
    const auto shown = [&aliases](const QString &path) {
        return printableText(aliases.shownPath(path));
    };
    if (!parser.parse(app.arguments())) {
        err << parser.errorText() << u"\nTry 'kernwick-check --help'.\n"_s;
        return usageError;
    }
    if (parser.isSet(u"help"_s) || parser.isSet(u"help-all"_s)) {
        QTextStream(stdout) << parser.helpText();
        return allReady;
    }
    if (parser.isSet(u"version"_s)) {
        QTextStream(stdout) << app.applicationName() << u' ' << app.applicationVersion() << u'\n';
        return allReady;
    }
#ifdef KERNWICK_READS_IN_PROCESS
    // The documents are read in this process, by the helper's own readers: one start-up in all, and every
    // part of a .pptx inflated once.
    const FontScanner scanner{MetadataQuery(DocumentReader(&fontmeta::queryDocumentAnswer))};
#else
    const FontScanner scanner(MetadataQuery(MetadataQuery::locateHelper(
        QCoreApplication::applicationDirPath(), QStringLiteral(KERNWICK_LIBEXEC_FROM_BIN),
        QStringLiteral(KERNWICK_LIBEXEC_DIR))));
#endif
    if (const std::optional<int> handoff =
            runHandoffCommand(parser, {verifyOption, installOption, uninstallOption},
                              parser.isSet(jsonOption), scanner, aliases)) {
        return *handoff;
    }
    bool validJobs = true;
    const int workers = workerCount(parser.value(jobsOption), &validJobs);
    if (!validJobs) {
        err << u"kernwick-check: -j takes a number of workers from 1 to 256\n"_s;
        return usageError;
    }
    const QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty()) {
        err << u"kernwick-check: no presentation given\nTry 'kernwick-check --help'.\n"_s;
        return usageError;
    }

    const bool packaging = parser.isSet(packageOption);
    const QString destination = parser.value(packageOption);
    if (packaging && !QFileInfo(destination).isDir()) {
        err << u"kernwick-check: "_s << shown(destination)
            << u": the destination must be an existing folder\n"_s;
        return usageError;
    }
    if (packaging && parser.isSet(jsonOption)) {
        err << u"kernwick-check: --json and --package cannot be combined\n"_s;
        return usageError;
    }

    // The installed fonts are kept until the process ends: taking thousands of names apart one by one
    // would only hold up the exit.
    static FontconfigFontSource *const fonts = new FontconfigFontSource;
    static FontResolver *const resolver = new FontResolver(*fonts);
    const bool includeRestricted = parser.isSet(includeRestrictedOption);

    // Folders become the presentations in them; every presentation is scanned, side by side, against one
    // list of the installed fonts, before anything is printed or packaged.
    BatchInput input = expandArguments(arguments, &aliases);
    for (const QString &note : input.notes)
        err << u"kernwick-check: "_s << printableText(note) << u'\n';
    err.flush();
    QStringList paths;
    QStringList checkable;
    for (const BatchInput::Entry &entry : input.entries) {
        paths.append(entry.path);
        if (entry.problem.isEmpty())
            checkable.append(entry.path);
    }
    const InstalledFonts installed = resolver->installedFonts();
    QHash<QString, PresentationCheck> checks;
    {
        ProgressLine progress;
        const QList<PresentationCheck> checked = checkAll(
            checkable,
            [&](const QString &path) {
                const ScanResult scanned = scanner.scan(path);
                FontStatusItems items;
                const FontNaming naming = fontNamingFor(path);
                for (const QString &name : scanned.fonts)
                    items.append(installed.resolveFont(name, naming));
                for (FontStatusItem &item : items)
                    item.missingCharacters =
                        findMissingCharacters(item, scanned.usage.value(item.fontName).characters);
                markEmbeddedFonts(items, scanned.embedded, scanned.usage);
                // As the window does it: the installed fonts are selected, every other one is not, and a
                // font whose licence does not allow passing it on only when asked for.
                for (FontStatusItem &item : items) {
                    item.isSelected = isSelectedByDefault(item) ||
                                      (includeRestricted && item.status == FontStatus::installed);
                }
                return PresentationCheck{
                    path, items, scanned.notes, scanned.usage, parser.isSet(usedOnlyOption), scanned.failure};
            },
            workers,
            [&](qsizetype done, qsizetype total, const QString &path) {
                progress.show(done, total, aliases.shownPath(path));
            });
        for (const PresentationCheck &check : checked)
            checks.insert(check.path, check);
    }
    QList<PresentationCheck> checkedInOrder;
    QSet<QString> packageNames;
    QSet<QPair<quint64, quint64>> builtFiles; // device and inode of each deck packaged

    const bool json = parser.isSet(jsonOption);
    QTextStream out(stdout);
    QJsonArray results;
    int status = input.isComplete ? allReady : notReady;
    for (const BatchInput::Entry &entry : input.entries) {
        const QString &path = entry.path;
        if (const QString &problem = entry.problem; !problem.isEmpty()) {
            err << u"kernwick-check: "_s << shown(path) << u": "_s << problem << u'\n';
            err.flush();
            if (json)
                results.append(QJsonObject{{u"path"_s, aliases.shownPath(path)}, {u"error"_s, problem}});
            status = usageError;
            continue;
        }
        PresentationCheck check = checks.value(path);
        check.path = aliases.shownPath(path);
        // A deck that could not be read at all is no deck without fonts: say why, and exit 2.
        if (!check.failure.isEmpty()) {
            err << u"kernwick-check: "_s << shown(path) << u": cannot be read: "_s << check.failure << u'\n';
            err.flush();
            if (json)
                results.append(
                    QJsonObject{{u"path"_s, aliases.shownPath(path)}, {u"error"_s, check.failure}});
            status = usageError;
            continue;
        }
        checkedInOrder.append(check);
        for (const QString &note : check.notes)
            err << u"kernwick-check: "_s << shown(path) << u": "_s << note << u'\n';
        err.flush();
        if (packaging) {
            // The same deck named twice (by two paths or a folder and itself) is built once.
            struct stat identity = {};
            if (::stat(QFile::encodeName(path).constData(), &identity) == 0) {
                const QPair<quint64, quint64> file{quint64(identity.st_dev), quint64(identity.st_ino)};
                if (builtFiles.contains(file))
                    continue;
                builtFiles.insert(file);
            }
            // Two decks of one name would make one package folder, the second replacing the first.
            const QString packageName = packageFolderName(path);
            if (packageNames.contains(packageName)) {
                err << u"kernwick-check: "_s << shown(path) << u": another presentation's package is named "_s
                    << printableText(packageName) << u"; this one is not built\n"_s;
                err.flush();
                status = status == allReady ? notReady : status;
                continue;
            }
            packageNames.insert(packageName);
            // The builder's lines are diagnostics: on standard error when asked for, else nowhere.
            const DiagnosticSink log =
                parser.isSet(verboseOption)
                    ? DiagnosticSink([](const QString &line) { QTextStream(stderr) << line << u'\n'; })
                    : DiagnosticSink([](const QString &) {});
            out << shown(path) << u'\n' << Qt::flush;
            log(u"[Presenter] Begin handoff package export..."_s);
            QString message = u"No font data available."_s;
            bool built = false;
            if (!check.items.isEmpty()) {
                const PackageOutcome outcome =
                    buildPackage({path, destination, check.items, !parser.isSet(noPresentationOption),
                                  !parser.isSet(noReportOption), fontPlaces(check.usage)},
                                 log);
                message = outcome.statusMessage;
                built = outcome.isClean();
                if (outcome.isBuilt)
                    out << u"  "_s << shown(outcome.packagePath) << u'\n';
                for (const LeftOutFont &font : outcome.leftOut) {
                    if (font.travel == Travel::heldByLicence)
                        out << u"  Left out: "_s << font.fontName << u": "_s << font.reason
                            << u" (--include-restricted puts it in)\n"_s;
                }
            }
            out << u"  "_s << printableText(message) << u'\n' << Qt::flush;
            if (!built && status == allReady)
                status = notReady;
            continue;
        }
        if (!check.verdict().isReady && status == allReady)
            status = notReady;
        if (json)
            results.append(checkToJson(check));
        else
            out << formatCheckText(check) << Qt::flush;
    }
    const QList<FontNotReady> notReadyFonts = fontsNotReady(checkedInOrder);
    if (json) {
        out << QJsonDocument(QJsonObject{{u"files"_s, results},
                                         {u"fontsNotReady"_s, fontsNotReadyToJson(notReadyFonts)},
                                         {u"notes"_s, QJsonArray::fromStringList(input.notes)},
                                         {u"readyForHandoff"_s, status == allReady}})
                   .toJson(QJsonDocument::Indented);
    } else if (!packaging && checkedInOrder.size() > 1) {
        out << u'\n' << formatBatchSummary(checkedInOrder, notReadyFonts);
    }
    return status;
}
