#pragma once

#include <QString>

#include "vpn/ProcessIdentity.h"

namespace Orvo::Api::Vpn {

// Repairs what a run of the program that did not end cleanly (a crash, a kill)
// left on the machine: the core it started, the system proxy pointing at that
// core's inbound, and the core's configuration file. Runs once at start, before
// the first connection; only what this program made is touched.
//
// The core is known from a small record the engine keeps while a core runs:
// the core's process id, executable and start time, and the process id of the
// run that started it. A process is ended only when all three still match.
class LeftoverRepair
{
public:
    LeftoverRepair() = delete;

    // Nothing left over (no record of the user's own, no configuration file):
    // returns without running any tool.
    static void run();

    // The record of the core that now runs, kept while it runs.
    static void recordCore(qint64 pid);
    // Removes the record when it is that of this core.
    static void forgetCore(qint64 pid);
    static QString coreRecordPath();

private:
    struct CoreRecord
    {
        ProcessIdentity core;
        qint64 ownerPid = 0;
    };

    static bool isOwnRecord();
    static CoreRecord readRecord();
    static bool ownerStillRuns(qint64 ownerPid);
    // True when the recorded core is gone, whether ended here or before.
    static bool endLeftCore(const ProcessIdentity &core);

    // One value under the Internet Settings, as "reg query" shows it.
    struct Setting
    {
        bool read = false; // reg ran to its end
        bool found = false; // and the value exists
        QString data;
    };

    static void clearProxyIfOurs();
    static Setting queryInternetSetting(const QString &valueName);
};

} // namespace Orvo::Api::Vpn
