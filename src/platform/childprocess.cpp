#include "childprocess.h"

#include <QDeadlineTimer>
#include <QProcess>

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

} // namespace kernwick
