#include "vpn/ProcessIdentity.h"

#include <QDeadlineTimer>
#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>

#include <string>
#else
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace Orvo::Api::Vpn {

bool ProcessIdentity::isComplete() const
{
    return pid > 0 && !executable.isEmpty() && !startTime.isEmpty();
}

bool ProcessIdentity::operator==(const ProcessIdentity &other) const
{
    return pid == other.pid && executable == other.executable && startTime == other.startTime
        && bootId == other.bootId;
}

#ifdef Q_OS_WIN

namespace {

constexpr DWORD kMaxPath = 32768;

class Handle
{
public:
    explicit Handle(HANDLE handle) : m_handle(handle) { }
    ~Handle()
    {
        if (m_handle)
            CloseHandle(m_handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
};

// The identity of the run behind an open handle; empty once it has exited.
ProcessIdentity identityOf(HANDLE process, qint64 pid)
{
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process, &exitCode) || exitCode != STILL_ACTIVE)
        return {};
    std::wstring path(kMaxPath, L'\0');
    DWORD size = kMaxPath;
    if (!QueryFullProcessImageNameW(process, 0, path.data(), &size))
        return {};
    FILETIME creation {}, exited {}, kernel {}, user {};
    if (!GetProcessTimes(process, &creation, &exited, &kernel, &user))
        return {};
    const quint64 created = (quint64(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
    ProcessIdentity identity;
    identity.pid = pid;
    identity.executable = QString::fromWCharArray(path.data(), int(size));
    identity.startTime = QString::number(created);
    return identity;
}

} // namespace

ProcessIdentity ProcessIdentity::of(qint64 pid)
{
    if (pid <= 0)
        return {};
    const Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid)));
    return process.get() ? identityOf(process.get(), pid) : ProcessIdentity {};
}

ProcessIdentity::EndResult ProcessIdentity::end(const ProcessIdentity &identity, int timeoutMs)
{
    if (!identity.isComplete())
        return EndResult::NotRunning;
    // While the handle is open, the id cannot pass to another process.
    const Handle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                    DWORD(identity.pid)));
    if (!process.get())
        return GetLastError() == ERROR_INVALID_PARAMETER ? EndResult::NotRunning
                                                         : EndResult::Failed;
    if (identityOf(process.get(), identity.pid) != identity)
        return EndResult::NotRunning;
    if (!TerminateProcess(process.get(), 1))
        return EndResult::Failed;
    return WaitForSingleObject(process.get(), DWORD(qMax(timeoutMs, 0))) == WAIT_OBJECT_0
        ? EndResult::Ended
        : EndResult::Failed;
}

void ProcessIdentity::setEndSignalForTesting(int) { }

#else

namespace {

int s_endSignal = SIGKILL;

// Called directly: not every C library of this platform declares them usably.
int openPidDescriptor(qint64 pid)
{
    return int(::syscall(SYS_pidfd_open, pid_t(pid), 0U));
}

bool sendSignal(int pidDescriptor, int signal)
{
    return ::syscall(SYS_pidfd_send_signal, pidDescriptor, signal, nullptr, 0U) == 0;
}

QString currentBootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed())
                                          : QString();
}

} // namespace

ProcessIdentity ProcessIdentity::of(qint64 pid)
{
    if (pid <= 0)
        return {};
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    // "pid (name) state ppid ...": the name may hold spaces and parentheses,
    // so the fields are counted from the last ')'. The state is field 3, the
    // start time field 22.
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0)
        return {};
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    constexpr int kState = 0;
    constexpr int kStartTime = 19;
    // A run that has ended but is not yet reaped has no program any more.
    if (fields.size() <= kStartTime || fields.at(kState) == "Z" || fields.at(kState) == "X")
        return {};
    ProcessIdentity identity;
    identity.pid = pid;
    identity.executable = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    identity.startTime = QString::fromLatin1(fields.at(kStartTime));
    identity.bootId = currentBootId();
    return identity.isComplete() ? identity : ProcessIdentity {};
}

ProcessIdentity::EndResult ProcessIdentity::end(const ProcessIdentity &identity, int timeoutMs)
{
    if (!identity.isComplete())
        return EndResult::NotRunning;
    // While the descriptor is open, the id cannot pass to another process.
    const int process = openPidDescriptor(identity.pid);
    if (process < 0)
        return errno == ESRCH ? EndResult::NotRunning : EndResult::Failed;
    EndResult result = EndResult::NotRunning;
    if (of(identity.pid) == identity) {
        result = EndResult::Failed;
        if (sendSignal(process, s_endSignal)) {
            // Not our child: the descriptor turns readable once it has ended.
            pollfd ended { process, POLLIN, 0 };
            const QDeadlineTimer deadline(qMax(timeoutMs, 0));
            int ready = 0;
            do {
                ready = poll(&ended, 1, int(deadline.remainingTime()));
            } while (ready < 0 && errno == EINTR);
            if (ready > 0)
                result = EndResult::Ended;
        }
    }
    close(process);
    return result;
}

void ProcessIdentity::setEndSignalForTesting(int signal)
{
    s_endSignal = signal;
}

#endif

} // namespace Orvo::Api::Vpn
