#include "vpn/ProcessRunner.h"

#include <QDeadlineTimer>
#include <QDebug>

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

bool ProcessRunner::runTool(const QString &logTag, const QString &program,
                            const QStringList &arguments, int timeoutMs)
{
    const ProcessResult result = run(program, arguments, timeoutMs);
    if (!result.started || !result.finished) {
        qWarning().noquote() << logTag << "命令执行超时:" << program;
        return false;
    }
    // A crash counts as a failure as well, whatever code it left.
    if (!result.succeeded()) {
        qWarning().noquote() << logTag << "命令执行失败, 退出码:" << result.exitCode;
        qWarning().noquote() << logTag
                             << "错误输出:" << QString::fromLocal8Bit(result.standardError);
        return false;
    }
    return true;
}

} // namespace Orvo::Api::Vpn
