#include "childprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char **environ;

namespace kernwick {

std::optional<QByteArray> runProgramForOutput(const QString &program, const QStringList &arguments,
                                              const ChildProcessLimits &limits)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments, QIODevice::ReadOnly);
    const QDeadlineTimer deadline(limits.timeout);
    if (!process.waitForStarted(int(deadline.remainingTime())))
        return std::nullopt;

    const auto stop = [&process]() -> std::optional<QByteArray> {
        process.kill();
        process.waitForFinished(-1);
        return std::nullopt;
    };
    QByteArray output;
    while (process.state() != QProcess::NotRunning) {
        if (deadline.hasExpired())
            return stop();
        process.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)));
        output += process.readAll();
        if (output.size() > limits.maxOutput)
            return stop();
    }
    output += process.readAll();
    if (output.size() > limits.maxOutput)
        return std::nullopt;
    return output;
}

WaitingProgram::WaitingProgram(const QString &program, const QStringList &arguments)
{
    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, input) != 0)
        return;
    if (::pipe2(output, O_CLOEXEC) != 0) {
        ::close(input[0]);
        ::close(input[1]);
        return;
    }
    QList<QByteArray> words{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        words.append(argument.toLocal8Bit());
    QList<char *> argv;
    for (QByteArray &word : words)
        argv.append(word.data());
    argv.append(nullptr);
    // The child's ends become its standard streams (dup2 clears close-on-exec on them); every other
    // descriptor of ours is closed on exec.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv.first(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[1]);
    ::close(output[1]);
    if (spawned != 0) {
        ::close(input[0]);
        ::close(output[0]);
        return;
    }
    m_pid = pid;
    m_input = input[0];
    m_output = output[0];
}

WaitingProgram::~WaitingProgram()
{
    stop();
}

void WaitingProgram::stop()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
    }
    for (int *descriptor : {&m_input, &m_output}) {
        if (*descriptor >= 0)
            ::close(std::exchange(*descriptor, -1));
    }
}

bool WaitingProgram::isWaiting()
{
    if (m_pid <= 0)
        return false;
    if (::waitpid(m_pid, nullptr, WNOHANG) == 0)
        return true;
    m_pid = -1; // reaped, or not ours to wait for
    stop();
    return false;
}

std::optional<QByteArray> WaitingProgram::answer(const QByteArray &input, const ChildProcessLimits &limits)
{
    if (!give(input, limits))
        return std::nullopt;
    return collect();
}

bool WaitingProgram::give(const QByteArray &input, const ChildProcessLimits &limits)
{
    if (m_given || !isWaiting())
        return false;
    m_limits = limits;
    m_deadline = QDeadlineTimer(limits.timeout);
    for (qsizetype sent = 0; sent < input.size();) {
        const ssize_t written =
            ::send(m_input, input.constData() + sent, size_t(input.size() - sent), MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            stop();
            return false;
        }
        sent += written;
    }
    ::close(std::exchange(m_input, -1));
    m_given = true;
    return true;
}

std::optional<QByteArray> WaitingProgram::collect()
{
    if (!m_given || m_pid <= 0)
        return std::nullopt;
    const ChildProcessLimits &limits = m_limits;
    const QDeadlineTimer &deadline = m_deadline;
    // Read while it runs, so that a long answer never stalls it on a full pipe.
    QByteArray output;
    char buffer[65536];
    for (;;) {
        if (deadline.hasExpired() || output.size() > limits.maxOutput) {
            stop();
            return std::nullopt;
        }
        pollfd ready{m_output, POLLIN, 0};
        const int waited = ::poll(&ready, 1, int(std::clamp<qint64>(deadline.remainingTime(), 1, 1000)));
        if (waited < 0 && errno != EINTR) {
            stop();
            return std::nullopt;
        }
        if (waited <= 0)
            continue;
        const ssize_t got = ::read(m_output, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // every writer has closed: the program has ended, or is ending
        output.append(buffer, got);
    }
    // It has closed its output, so it is ending; one that is still there at the time limit is stopped.
    for (;;) {
        const pid_t ended = ::waitpid(m_pid, nullptr, WNOHANG);
        if (ended != 0) {
            m_pid = -1;
            break;
        }
        if (deadline.hasExpired()) {
            stop();
            return std::nullopt;
        }
        ::usleep(500);
    }
    stop();
    if (output.size() > limits.maxOutput)
        return std::nullopt;
    return output;
}

} // namespace kernwick
