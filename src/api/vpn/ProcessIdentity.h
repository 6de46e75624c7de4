#pragma once

#include <QString>

namespace Orvo::Api::Vpn {

// One run of a program, told apart from every other: a process id passes to
// another program once its process ends, and a path is shared by every run of
// the program. Only the three together name one run.
struct ProcessIdentity
{
    qint64 pid = 0;
    QString executable; // the full path, as the system reports it
    // When the run began, as the system counts it: the clock ticks since boot
    // from /proc/<pid>/stat on Linux, the creation time on Windows.
    QString startTime;
    // Linux only: ticks since boot name a moment of one boot alone.
    QString bootId;

    bool isComplete() const;
    bool operator==(const ProcessIdentity &other) const;
    bool operator!=(const ProcessIdentity &other) const { return !(*this == other); }

    // What runs under the id now; an empty identity when nothing does, when it
    // has ended but is not yet reaped, or when it cannot be read.
    static ProcessIdentity of(qint64 pid);

    enum class EndResult {
        Ended, // the run was ended and is gone
        NotRunning, // the run had ended already, or its id is another run's now
        Failed, // it could not be ended, or did not end within the wait
    };
    // Ends the run only when it still is this one; checked and ended through
    // one handle on the process, so the id cannot pass to another between the two.
    static EndResult end(const ProcessIdentity &identity, int timeoutMs);

    // A fault for tests, not an option of the program: on Linux, the signal
    // that ends a run (SIGKILL); another one leaves it running.
    static void setEndSignalForTesting(int signal);
};

} // namespace Orvo::Api::Vpn
