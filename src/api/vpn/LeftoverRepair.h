#pragma once

#include <QString>

namespace Orvo::Api::Vpn {

// Repairs what a run of the program that did not end cleanly (a crash, a kill)
// left on the machine: the core it started, the system proxy pointing at that
// core's inbound, and the core's configuration file. Runs once at start, before
// the first connection; only what this program made is touched.
//
// The core is known from a small record the engine keeps while a core runs:
// the core's process id, its executable and the process id of the run that
// started it.
class LeftoverRepair
{
public:
    LeftoverRepair() = delete;

    // Nothing left over (no record, no configuration file): returns without
    // running any tool.
    static void run();

    // The record of the core that now runs, kept while it runs.
    static void recordCore(qint64 pid, const QString &executable);
    // Removes the record when it is that of this core.
    static void forgetCore(qint64 pid);
    static QString coreRecordPath();

    // A fault for tests, not an option of the program: on any platform, find
    // and end a left core with tasklist and taskkill, the Windows way.
    static void setWindowsToolsForTesting(bool windowsTools);

private:
    struct CoreRecord
    {
        qint64 pid = 0;
        QString executable;
        qint64 ownerPid = 0;
    };

    static CoreRecord readRecord();
    static bool runsAsProgram(qint64 pid, const QString &executable);
    static QString executableOnLinux(qint64 pid);
    static bool runsAsProgramOnWindows(qint64 pid, const QString &executable);
    static bool endProcess(qint64 pid);

    // One value under the Internet Settings, as "reg query" shows it.
    struct Setting
    {
        bool read = false; // reg ran to its end
        bool found = false; // and the value exists
        QString data;
    };

    static void endLeftCore(const CoreRecord &record);
    static void clearProxyIfOurs();
    static Setting queryInternetSetting(const QString &valueName);
};

} // namespace Orvo::Api::Vpn
