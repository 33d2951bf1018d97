// kernwick-check: scans presentations and tells, per font, whether it will travel.
#include "checkreport.h"
#include <package/packagebuilder.h>
#include <platform/diagnostics.h>
#include <resolve/fontresolver.h>
#include <scan/embeddedfonts.h>
#include <scan/fontscanner.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

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

// Why `path` cannot be checked, or an empty string when it can.
QString argumentProblem(const QString &path)
{
    const QFileInfo info(withoutTrailingSlashes(path));
    if (!info.exists())
        return u"no such file or folder"_s;
    const QString extension = info.suffix().toLower();
    if (extension != u"key" && extension != u"pptx" && extension != u"ppt")
        return u"not a presentation (a .key, .pptx or .ppt file)"_s;
    if (!info.isReadable() || (info.isDir() && !info.isExecutable()))
        return u"cannot be read"_s;
    return {};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
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
    const QCommandLineOption includeRestrictedOption(
        u"include-restricted"_s,
        u"Put fonts whose license restricts passing them on into the package too (you need the owner's "
        u"permission)."_s);
    const QCommandLineOption usedOnlyOption(
        u"used-only"_s,
        u"Leave fonts that no text uses (only declared by a theme, master or style) out of the "
        u"verdict."_s);
    parser.addOptions({jsonOption, packageOption, noPresentationOption, noReportOption, usedOnlyOption,
                       includeRestrictedOption});
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(u"PATH"_s, u"A .key, .pptx or .ppt presentation (a .key may be a folder)."_s,
                                 u"PATH…"_s);

    QTextStream err(stderr);
    if (!parser.parse(app.arguments())) {
        err << parser.errorText() << u"\nTry 'kernwick-check --help'.\n"_s;
        return usageError;
    }
    if (parser.isSet(u"help"_s)) {
        QTextStream(stdout) << parser.helpText();
        return allReady;
    }
    if (parser.isSet(u"version"_s)) {
        QTextStream(stdout) << app.applicationName() << u' ' << app.applicationVersion() << u'\n';
        return allReady;
    }
    const QStringList paths = parser.positionalArguments();
    if (paths.isEmpty()) {
        err << u"kernwick-check: no presentation given\nTry 'kernwick-check --help'.\n"_s;
        return usageError;
    }

    const bool packaging = parser.isSet(packageOption);
    const QString destination = parser.value(packageOption);
    if (packaging && !QFileInfo(destination).isDir()) {
        err << u"kernwick-check: "_s << destination << u": the destination must be an existing folder\n"_s;
        return usageError;
    }
    if (packaging && parser.isSet(jsonOption)) {
        err << u"kernwick-check: --json and --package cannot be combined\n"_s;
        return usageError;
    }

    const MetadataQuery metadata(MetadataQuery::locateHelper(QCoreApplication::applicationDirPath(),
                                                             QStringLiteral(KERNWICK_LIBEXEC_FROM_BIN),
                                                             QStringLiteral(KERNWICK_LIBEXEC_DIR)));
    const FontScanner scanner(metadata);
    FontconfigFontSource fonts;
    FontResolver resolver(fonts);

    const bool json = parser.isSet(jsonOption);
    QTextStream out(stdout);
    QJsonArray results;
    int status = allReady;
    for (const QString &path : paths) {
        if (const QString problem = argumentProblem(path); !problem.isEmpty()) {
            err << u"kernwick-check: "_s << path << u": "_s << problem << u'\n';
            err.flush();
            if (json)
                results.append(QJsonObject{{u"path"_s, path}, {u"error"_s, problem}});
            status = usageError;
            continue;
        }
        const ScanResult scanned = scanner.scan(path);
        PresentationCheck check{path, resolver.resolveFonts(scanned.fonts, fontNamingFor(path)),
                                scanned.notes, scanned.usage, parser.isSet(usedOnlyOption)};
        markEmbeddedFonts(check.items, scanned.embedded);
        for (const QString &note : scanned.notes)
            err << u"kernwick-check: "_s << path << u": "_s << note << u'\n';
        err.flush();
        if (packaging) {
            // As the window does it: the installed fonts are selected, every other one is not, and a font
            // whose license restricts passing it on only when asked for.
            const bool includeRestricted = parser.isSet(includeRestrictedOption);
            for (FontStatusItem &item : check.items) {
                item.isSelected =
                    isSelectedByDefault(item) || (includeRestricted && item.status == FontStatus::installed);
            }
            out << path << u'\n' << Qt::flush;
            for (const FontStatusItem &item : std::as_const(check.items)) {
                if (item.status == FontStatus::installed && item.isRestricted() && !item.isSelected) {
                    out << u"Left out, its license restricts passing it on: "_s << item.fontName
                        << u" (--include-restricted puts it in)\n"_s << Qt::flush;
                }
            }
            writeDiagnosticLine(u"[Presenter] Begin handoff package export..."_s);
            QString message = u"No font data available."_s;
            bool built = false;
            if (!check.items.isEmpty()) {
                const PackageOutcome outcome =
                    buildPackage({path, destination, check.items, !parser.isSet(noPresentationOption),
                                  !parser.isSet(noReportOption)},
                                 writeDiagnosticLine);
                message = outcome.statusMessage;
                built = outcome.isBuilt;
            }
            out << message << u'\n' << Qt::flush;
            if (!built && status == allReady)
                status = notReady;
            continue;
        }
        if (!isReadyForHandoff(check.judgedItems()) && status == allReady)
            status = notReady;
        if (json)
            results.append(checkToJson(check));
        else
            out << formatCheckText(check) << Qt::flush;
    }
    if (json) {
        out << QJsonDocument(QJsonObject{{u"files"_s, results}, {u"readyForHandoff"_s, status == allReady}})
                   .toJson(QJsonDocument::Indented);
    }
    return status;
}
