#pragma once

#include "checkreport.h"
#include <model/fontstatus.h>

#include <QJsonArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace kernwick {

class FileNameAliases;

// What the command line names: presentations, and folders that are walked for the presentations in them.
struct BatchInput
{
    struct Entry
    {
        QString path;
        QString problem; // why it cannot be checked; empty when it can
    };
    QList<Entry> entries; // in the order given, a folder's presentations in its place
    QStringList notes;    // what the walks could not or would not enter
    bool isComplete = true;
};

// Why `path`, named on the command line, cannot be checked as a presentation; empty when it can.
QString presentationProblem(const QString &path);

// Folders among `arguments` are walked, names in an older encoding than UTF-8 reached through `aliases`.
BatchInput expandArguments(const QStringList &arguments, FileNameAliases *aliases = nullptr);

using CheckFunction = std::function<PresentationCheck(const QString &path)>;
// Told of each presentation done: how many are done of how many, and which one.
using ProgressFunction = std::function<void(qsizetype done, qsizetype total, const QString &path)>;

// Checks every path with `check`, `workers` at a time, in one process; the results are in the order of
// `paths`. `progress` is called from one thread at a time.
QList<PresentationCheck> checkAll(const QStringList &paths, const CheckFunction &check, int workers,
                                  const ProgressFunction &progress = {});

// A font that keeps decks from travelling by themselves: missing, needing review, or licensed to the
// machine alone; with the decks that use it.
struct FontNotReady
{
    QString name;
    FontStatus status;
    QStringList presentations;
    bool heldByLicence = false; // installed, but its licence keeps it out of the package
};

// Missing fonts first, then those to review, then those a licence keeps out of the package, then the
// restricted ones; by name within each.
QList<FontNotReady> fontsNotReady(const QList<PresentationCheck> &checks);

QString formatBatchSummary(const QList<PresentationCheck> &checks, const QList<FontNotReady> &fonts);
QJsonArray fontsNotReadyToJson(const QList<FontNotReady> &fonts);

// Draws "[12/40] Talk.pptx" on one line of standard error while it is a terminal, and nothing otherwise.
class ProgressLine final
{
public:
    ProgressLine();
    ~ProgressLine();
    Q_DISABLE_COPY_MOVE(ProgressLine)

    void show(qsizetype done, qsizetype total, const QString &path);

private:
    bool m_isTerminal = false;
    bool m_shown = false;
};

} // namespace kernwick
