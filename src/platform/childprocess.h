#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
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

// A program started before it is needed, with its standard input left open: it starts up (its libraries
// loaded, its own set-up done) while the caller does other work, and then waits for its input. It is used
// once: answer() hands it its input, ends its standard input and reads what it writes to standard output
// and standard error together, with runProgramForOutput's limits counted from then. Ended when destroyed.
class WaitingProgram final
{
public:
    WaitingProgram(const QString &program, const QStringList &arguments);
    ~WaitingProgram();
    Q_DISABLE_COPY_MOVE(WaitingProgram)

    // Started, and not ended since.
    bool isWaiting();
    // Nothing when it could not be started, was gone before its input reached it, or ran past a limit.
    std::optional<QByteArray> answer(const QByteArray &input, const ChildProcessLimits &limits = {});
    // The same in two steps, so that the caller can work while the program does: give() hands over the
    // input (false when it could not) and starts the time limit; collect() reads the answer.
    bool give(const QByteArray &input, const ChildProcessLimits &limits = {});
    std::optional<QByteArray> collect();
    // Its input reached it whole: whatever became of the answer, the program had it.
    bool wasGiven() const { return m_given; }

private:
    void stop();

    int m_pid = -1;
    int m_input = -1;  // a socket, so that writing to a program that is gone raises no signal
    int m_output = -1; // standard output and standard error
    bool m_given = false;
    ChildProcessLimits m_limits;
    QDeadlineTimer m_deadline;
};

} // namespace kernwick
