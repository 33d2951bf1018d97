// kernwick-fontmeta: prints the fonts a presentation names, read from the document itself.
//
//   kernwick-fontmeta -name kMDItemFonts PATH   the answer the scan driver parses
//   kernwick-fontmeta [--json] PATH…            for people, or for scripts
#include <fontmeta/documentreader.h>
#include <fontmeta/embeddedfonts.h>
#include <fontmeta/fontlist.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

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

const QString usage = u"usage: kernwick-fontmeta -name kMDItemFonts PATH\n"
                      u"       kernwick-fontmeta [--json] PATH…\n"_s;

} // namespace

int main(int argc, char *argv[])
{
    limitResources();
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);

    // The metadata form. Its caller reads standard output and standard error as one answer, so nothing
    // but the answer is ever printed here: whatever a library might say on standard error goes nowhere.
    if (arguments.size() == 3 && arguments[0] == u"-name" && arguments[1] == u"kMDItemFonts") {
        if (const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC); null >= 0) {
            ::dup2(null, STDERR_FILENO);
            ::close(null);
        }
        const QFileInfo info(arguments[2]);
        if (!info.exists()) {
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
        if (!QFileInfo::exists(path)) {
            err << u"kernwick-fontmeta: "_s << path << u": no such file or folder\n"_s;
            err.flush();
            status = usageError;
            continue;
        }
        const ReadResult result = readDocumentFonts(path);
        for (const QString &note : result.notes)
            err << u"kernwick-fontmeta: "_s << path << u": "_s << note << u'\n';
        err.flush();
        const QList<ListedFont> fonts = listFonts(result);
        if (json) {
            QJsonObject file = formatAsJson(path, fonts, result.notes);
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
