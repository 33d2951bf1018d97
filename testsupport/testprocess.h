#pragma once

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace kernwick::test {

// What a program run to its end wrote and answered.
struct ProgramRun
{
    int exitCode = -1; // -1 when it crashed or did not end within two minutes
    QString out;
    QString err;

    // Standard output read as JSON.
    QJsonValue json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

// Runs `program` with `arguments` in `environment` (say, a TestFonts world) and waits for it.
inline ProgramRun runProgram(const QString &program, const QStringList &arguments,
                             const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// This process's own peak resident memory in KiB, -1 when it cannot be told. Not getrusage's: its figure
// for a started program keeps the peak of the process it was forked from.
inline qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').constFirst().toLongLong();
    }
    return -1;
}

} // namespace kernwick::test
