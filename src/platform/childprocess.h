#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace kernwick {

struct ChildProcessLimits
{
    std::chrono::milliseconds timeout{120'000};
    qint64 maxOutput = qint64(64) << 20;
};

// Runs `program` with `arguments` (no shell in between, no standard input) and returns what it wrote to
// standard output and standard error together, read while it runs so that a long answer never stalls it
// on a full pipe. Nothing when it could not be started, or when it ran past the time limit or wrote more
// than the output limit: it is killed then, since a half answer cannot be trusted.
std::optional<QByteArray> runProgramForOutput(const QString &program, const QStringList &arguments,
                                              const ChildProcessLimits &limits = {});

} // namespace kernwick
