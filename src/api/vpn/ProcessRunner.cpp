#include "vpn/ProcessRunner.h"

#include <QDeadlineTimer>

namespace Orvo::Api::Vpn {

namespace {
// A killed process ends at once; this only bounds the reaping.
constexpr int kReapTimeoutMs = 1000;

int remainingMs(const QDeadlineTimer &deadline)
{
    return int(qMax<qint64>(0, deadline.remainingTime()));
}
} // namespace

ProcessResult ProcessRunner::run(const QString &program, const QStringList &arguments,
                                 int timeoutMs)
{
    ProcessResult result;
    const QDeadlineTimer deadline(qMax(0, timeoutMs));
    QProcess process;
    process.start(program, arguments);
    result.started = process.waitForStarted(remainingMs(deadline));
    if (result.started) {
        // The tools read nothing; an open input would keep one waiting for it.
        process.closeWriteChannel();
        result.finished = process.waitForFinished(remainingMs(deadline));
    }
    result.errorString = process.errorString();
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    if (result.finished) {
        result.exitCode = process.exitCode();
        result.exitStatus = process.exitStatus();
    } else if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(kReapTimeoutMs);
    }
    return result;
}

} // namespace Orvo::Api::Vpn
