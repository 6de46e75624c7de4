#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace Orvo::Api::Vpn {

// What one bounded run of a child process gave.
struct ProcessResult
{
    bool started = false;
    bool finished = false; // ended within the limit
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::NormalExit;
    QByteArray standardOutput; // whatever had arrived when the wait ended
    QByteArray standardError;
    QString errorString; // the process library's text, read when the wait ended

    // Only a run that ended by itself with exit code 0 counts.
    bool succeeded() const
    {
        return finished && exitStatus == QProcess::NormalExit && exitCode == 0;
    }
};

// Runs a program with a list of separate arguments (never one command line) and
// waits on the calling thread, never without a limit.
class ProcessRunner
{
public:
    ProcessRunner() = delete;

    // Waits up to timeoutMs in all for the start and the end; a process still
    // running then is killed, so it cannot act later unseen.
    static ProcessResult run(const QString &program, const QStringList &arguments, int timeoutMs);

    // run() for a tool whose only answer is success: true on exit code 0; a
    // failure is logged under logTag ("[SystemProxyManager]" and the like).
    static bool runTool(const QString &logTag, const QString &program, const QStringList &arguments,
                        int timeoutMs);
};

} // namespace Orvo::Api::Vpn
