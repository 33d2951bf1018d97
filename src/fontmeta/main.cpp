// kernwick-fontmeta: prints the fonts a presentation names, read from the document itself.
//
//   kernwick-fontmeta --query PATH              the answer the scan's metadata query reads (JSON)
//   kernwick-fontmeta --wait-for-query          the same, for the path then read from standard input
//   kernwick-fontmeta -name kMDItemFonts PATH   the same in the metadata tool's text form, kept for scripts
//   kernwick-fontmeta [--json] PATH…            for people, or for scripts
#include <fontmeta/documentquery.h>
#include <fontmeta/documentreader.h>
#include <fontmeta/embeddedfonts.h>
#include <fontmeta/fontlist.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

using namespace Qt::StringLiterals;
using namespace kernwick::fontmeta;

#if defined(__SANITIZE_ADDRESS__)
#define KERNWICK_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KERNWICK_ADDRESS_SANITIZER
#endif
#endif

namespace {

enum ExitStatus
{
    success = 0,
    unreadable = 1,
    usageError = 2
};

// Documents are untrusted, and a reader that runs away must not take the machine with it: past these
// the kernel ends the process, and the caller reads that as "no fonts".
void limitResources()
{
#ifndef KERNWICK_ADDRESS_SANITIZER
    // An address sanitizer reserves terabytes of address space for itself; in such a build the
    // sanitizer watches memory instead.
    const rlimit memory{rlim_t(2) << 30, rlim_t(2) << 30};
    setrlimit(RLIMIT_AS, &memory);
#endif
    const rlimit processorSeconds{60, 61};
    setrlimit(RLIMIT_CPU, &processorSeconds);
    const rlimit noCoreFiles{0, 0};
    setrlimit(RLIMIT_CORE, &noCoreFiles);
    alarm(90);
}

// Far more than any path the kernel takes.
constexpr qsizetype maxPathBytes = 1 << 16;

const QString usage = u"usage: kernwick-fontmeta [--json] PATH…\n"
                      u"       kernwick-fontmeta --query PATH\n"
                      u"       kernwick-fontmeta -name kMDItemFonts PATH\n"_s;

// The caller reads standard output and standard error as one answer: whatever a library might say on
// standard error goes nowhere.
void silenceStandardError()
{
    if (const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC); null >= 0) {
        ::dup2(null, STDERR_FILENO);
        ::close(null);
    }
}

// The path a caller that started us ahead of need writes to standard input, all of it up to its end;
// nothing when it ends without one (the caller has gone) or sends more than any path.
std::optional<QString> waitForPath()
{
    QByteArray path;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        path.append(buffer, got);
        if (path.size() > maxPathBytes)
            return std::nullopt;
    }
    if (path.isEmpty())
        return std::nullopt;
    return QFile::decodeName(path);
}

} // namespace

int main(int argc, char *argv[])
{
    // Started ahead of need, the program does its start-up while the caller has no document yet; the
    // limits on reading one count from the moment its path arrives.
    const bool waits = argc == 2 && std::strcmp(argv[1], "--wait-for-query") == 0;
    if (!waits)
        limitResources();
    // The local time zone read once: libzip asks for it for every member it lists.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QCoreApplication app(argc, argv);
    std::optional<QString> waitedForPath;
    if (waits) {
        waitedForPath = waitForPath();
        if (!waitedForPath)
            return usageError;
        limitResources();
    }
    QStringList arguments = app.arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);

    // The machine form: one JSON object, names exactly as the document holds them, and the notes.
    if (waitedForPath || (arguments.size() == 2 && arguments[0] == u"--query")) {
        silenceStandardError();
        bool readable = false;
        const QJsonObject answer =
            queryDocument(waitedForPath ? *waitedForPath : arguments[1], nullptr, &readable);
        out << QJsonDocument(answer).toJson(QJsonDocument::Compact) << '\n';
        return readable ? success : usageError;
    }

    // The metadata tool's text form, for scripts written against it.
    if (arguments.size() == 3 && arguments[0] == u"-name" && arguments[1] == u"kMDItemFonts") {
        silenceStandardError();
        if (!documentReadProblem(arguments[2]).isEmpty()) {
            out << formatMetadataAnswer({});
            return unreadable;
        }
        out << formatMetadataAnswer(listFonts(readDocumentFonts(arguments[2])));
        return success;
    }

    if (arguments.contains(u"--help"_s) || arguments.contains(u"-h"_s)) {
        out << usage;
        return success;
    }
    const bool json = arguments.removeAll(u"--json"_s) > 0;
    const bool endOfOptions = arguments.removeOne(u"--"_s);
    for (const QString &argument : std::as_const(arguments)) {
        if (!endOfOptions && argument.startsWith(u'-') && argument != u"-") {
            err << u"kernwick-fontmeta: unknown option "_s << argument << u" (see --help)\n"_s;
            return usageError;
        }
    }
    if (arguments.isEmpty()) {
        err << u"kernwick-fontmeta: no document given (see --help)\n"_s;
        return usageError;
    }

    int status = success;
    QJsonArray files;
    for (const QString &path : std::as_const(arguments)) {
        if (const QString problem = documentReadProblem(path); !problem.isEmpty()) {
            err << u"kernwick-fontmeta: "_s << printableText(path) << u": "_s << problem << u'\n';
            err.flush();
            if (json)
                files.append(QJsonObject{{u"path"_s, printableText(path)}, {u"error"_s, problem}});
            status = usageError;
            continue;
        }
        const ReadResult result = readDocumentFonts(path);
        QStringList notes = result.notes;
        const QList<ListedFont> fonts = listFonts(result, &notes);
        for (const QString &note : std::as_const(notes))
            err << u"kernwick-fontmeta: "_s << printableText(path) << u": "_s << printableText(note) << u'\n';
        err.flush();
        if (json) {
            QJsonObject file = formatAsJson(path, fonts, notes);
            file.insert(u"embedded"_s, embeddedFontsToJson(result.embedded));
            files.append(file);
        } else {
            out << formatForPeople(path, fonts) << embeddedFontsForPeople(result.embedded) << Qt::flush;
        }
    }
    if (json)
        out << QJsonDocument(QJsonObject{{u"files"_s, files}}).toJson(QJsonDocument::Indented);
    return status;
}
