#include "batch.h"

#include <model/printabletext.h>
#include <model/statuspresentation.h>
#include <scan/fontscanner.h>
#include <scan/presentationwalk.h>
#include <scan/scantext.h>

#include <QFileInfo>
#include <QHash>
#include <QJsonObject>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

int notReadyRank(FontStatus status)
{
    switch (status) {
    case FontStatus::missing:
        return 0;
    case FontStatus::unresolved:
        return 1;
    case FontStatus::installed: // held by its licence
        return 2;
    default:
        return 3;
    }
}

} // namespace

QString presentationProblem(const QString &path)
{
    const QFileInfo info(withoutTrailingSlashes(path));
    if (!info.exists())
        return u"no such file or folder"_s;
    if (!isPresentationFileName(info.fileName()))
        return u"not a presentation (a .key, .pptx or .ppt file)"_s;
    if (!info.isReadable() || (info.isDir() && !info.isExecutable()))
        return u"cannot be read"_s;
    return {};
}

BatchInput expandArguments(const QStringList &arguments, FileNameAliases *aliases)
{
    BatchInput input;
    for (const QString &argument : arguments) {
        const QFileInfo info(withoutTrailingSlashes(argument));
        if (!info.isDir() || isPresentationFileName(info.fileName())) {
            input.entries.append({argument, presentationProblem(argument)});
            continue;
        }
        const PresentationWalk walk = findPresentations(argument, {}, aliases);
        input.notes += walk.notes;
        input.isComplete = input.isComplete && walk.isComplete;
        if (walk.presentations.isEmpty() && walk.isComplete)
            input.entries.append({argument, u"no presentations in this folder"_s});
        for (const QString &path : walk.presentations)
            input.entries.append({path, presentationProblem(path)});
    }
    return input;
}

QList<PresentationCheck> checkAll(const QStringList &paths, const CheckFunction &check, int workers,
                                  const ProgressFunction &progress)
{
    QList<PresentationCheck> results(paths.size());
    std::atomic<qsizetype> next = 0;
    std::mutex progressLock;
    qsizetype done = 0;
    const auto work = [&] {
        for (qsizetype index = next++; index < paths.size(); index = next++) {
            results[index] = check(paths[index]);
            const std::lock_guard lock(progressLock);
            ++done;
            if (progress)
                progress(done, paths.size(), paths[index]);
        }
    };
    const qsizetype threads = std::clamp<qsizetype>(workers, 1, std::max<qsizetype>(paths.size(), 1));
    std::vector<std::thread> pool;
    for (qsizetype n = 1; n < threads; ++n)
        pool.emplace_back(work);
    work();
    for (std::thread &thread : pool)
        thread.join();
    return results;
}

QList<FontNotReady> fontsNotReady(const QList<PresentationCheck> &checks)
{
    QList<FontNotReady> fonts;
    QHash<QPair<QString, FontStatus>, qsizetype> indexOf;
    for (const PresentationCheck &check : checks) {
        const QStringList held = check.verdict().heldByLicence;
        for (const FontStatusItem &item : check.judgedItems()) {
            const bool isHeld = item.status == FontStatus::installed && held.contains(item.fontName);
            if ((item.status == FontStatus::installed && !isHeld) || item.status == FontStatus::system)
                continue;
            const QPair key{fontNameIdentity(item.fontName), item.status};
            auto found = indexOf.find(key);
            if (found == indexOf.end()) {
                found = indexOf.insert(key, fonts.size());
                fonts.append({item.fontName, item.status, {}, isHeld});
            }
            QStringList &decks = fonts[*found].presentations;
            if (!decks.contains(check.path))
                decks.append(check.path);
        }
    }
    std::stable_sort(fonts.begin(), fonts.end(), [](const FontNotReady &a, const FontNotReady &b) {
        if (notReadyRank(a.status) != notReadyRank(b.status))
            return notReadyRank(a.status) < notReadyRank(b.status);
        return a.name < b.name;
    });
    return fonts;
}

QString formatBatchSummary(const QList<PresentationCheck> &checks, const QList<FontNotReady> &fonts)
{
    const auto ready = std::count_if(checks.begin(), checks.end(),
                                     [](const PresentationCheck &check) { return check.verdict().isReady; });
    QString text = u"Summary: "_s + QString::number(checks.size()) + u" presentations, "_s +
                   QString::number(ready) + u" ready for handoff, "_s +
                   QString::number(checks.size() - ready) + u" need attention\n"_s;
    if (fonts.isEmpty())
        return text + u"  Every font is on this machine.\n"_s;
    qsizetype nameWidth = 0;
    for (const FontNotReady &font : fonts)
        nameWidth = std::max(nameWidth, font.name.size());
    constexpr int statusWidth = 17; // "Left out: licence"
    for (const FontNotReady &font : fonts) {
        const QString status = font.heldByLicence ? travelCellText(Travel::heldByLicence)
                                                  : statusPresentation(font.status).badgeText;
        text += u"  "_s + font.name.leftJustified(nameWidth) + u"  "_s + status.leftJustified(statusWidth) +
                u"  "_s + QString::number(font.presentations.size()) +
                (font.presentations.size() == 1 ? u" presentation\n"_s : u" presentations\n"_s);
        for (const QString &path : font.presentations)
            text += u"      "_s + printableText(path) + u'\n';
    }
    return text;
}

QJsonArray fontsNotReadyToJson(const QList<FontNotReady> &fonts)
{
    QJsonArray array;
    for (const FontNotReady &font : fonts) {
        QJsonObject entry{{u"name"_s, font.name},
                          {u"status"_s, rawValue(font.status)},
                          {u"presentations"_s, QJsonArray::fromStringList(font.presentations)}};
        if (font.heldByLicence)
            entry.insert(u"inPackage"_s, travelCellText(Travel::heldByLicence));
        array.append(entry);
    }
    return array;
}

ProgressLine::ProgressLine()
    : m_isTerminal(::isatty(STDERR_FILENO) == 1)
{}

ProgressLine::~ProgressLine()
{
    if (m_shown)
        std::fputs("\r\033[K", stderr);
}

void ProgressLine::show(qsizetype done, qsizetype total, const QString &path)
{
    if (!m_isTerminal)
        return;
    const QString line = u"\r\033[K["_s + QString::number(done) + u'/' + QString::number(total) + u"] "_s +
                         QFileInfo(path).fileName().left(60);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    m_shown = true;
}

} // namespace kernwick
