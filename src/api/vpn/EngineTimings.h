#pragma once

namespace Orvo::Api::Vpn {

// Every wait and tick of the connection engine and its heartbeat, in one place.
// The program runs on the values as they stand here. They are read each time a
// timer starts or a wait begins, so a test may shorten them, case by case, and
// a connection plays out in test time.
struct EngineTimings
{
    int connectDelayMs = 2000; // from the start of the core process to `connected`
    int versionTimeoutMs = 3000; // the core's "version" run
    int startTimeoutMs = 5000; // for the core or tun2socks process to start
    int stopTimeoutMs = 2000; // for the killed core to end
    int afterTaskkillMs = 500; // for the core to end after taskkill
    int toolTimeoutMs = 10000; // each reg, netsh, setx or taskkill run
    int livenessTimeoutMs = 500; // the tasklist run of every tenth traffic tick
    int trafficTickMs = 2000;
    int durationTickMs = 1000;
    int tunnelPauseMs = 3000; // before the tunnel is brought up
    int adapterSettleMs = 2000; // for tun2socks to bring its adapter up
    int tunnelTerminateWaitMs = 3000; // for tun2socks to end after a terminate
    int tunnelKillWaitMs = 1000; // and after a kill
    int heartbeatSecondMs = 1000; // one second of a heartbeat interval

    static const EngineTimings &current();
    // Tests only; the program never calls it.
    static void setForTesting(const EngineTimings &timings);
};

} // namespace Orvo::Api::Vpn
