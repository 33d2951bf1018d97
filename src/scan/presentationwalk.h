#pragma once

#include <QString>
#include <QStringList>

namespace kernwick {

class FileNameAliases;

// A presentation by its name: a .key, .pptx or .ppt file, or a .key folder (a Keynote package).
bool isPresentationFileName(const QString &fileName);

// How far a walk goes before it stops and says so.
struct WalkLimits
{
    qsizetype maxEntries = 1'000'000; // entries looked at, over the whole walk
    int maxDepth = 64;                // folders below the one given
};

// What a folder holds: its presentations (a Keynote package folder counts as one and is not looked into),
// each once, in code-point order of their paths, and a note for each place the walk could not or would
// not enter.
struct PresentationWalk
{
    QStringList presentations;
    QStringList notes;
    bool isComplete = true; // false: a folder could not be read or a limit stopped the walk
};

// Walks `folder` and every folder below it once: links are followed where they stay inside `folder` (the
// others are noted), but a folder already walked (a link in a loop, two links to one folder) is not walked
// again, and the same file reached twice counts once. A folder whose entries cannot be looked at is noted.
// Hidden entries and Office's lock files ("~$Talk.pptx") are passed over. Memory and time are bounded by
// `limits`. A name in an older encoding than UTF-8 is reached through `aliases` (without them it is noted
// and passed over); notes name paths as their owner knows them.
PresentationWalk findPresentations(const QString &folder, const WalkLimits &limits = {},
                                   FileNameAliases *aliases = nullptr);

} // namespace kernwick
