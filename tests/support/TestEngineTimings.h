#pragma once

#include "vpn/EngineTimings.h"

namespace Orvo::Testing {

// The engine's waits for the tests: what only lets time pass is short; a limit
// that a stand-in has to beat stays as long as the program's, or longer, so that
// a loaded machine never decides a test.
inline Api::Vpn::EngineTimings testEngineTimings()
{
    Api::Vpn::EngineTimings timings;
    timings.connectDelayMs = 50;
    // Every tenth tick runs tasklist on the GUI thread; fewer ticks block it less.
    timings.trafficTickMs = 500;
    timings.tunnelPauseMs = 10;
    timings.adapterSettleMs = 10;
    timings.tunnelTerminateWaitMs = 1000;
    // Every liveness check answers, so what it finds is never a time-out.
    timings.livenessTimeoutMs = 10000;
    return timings;
}

// Sets the engine's waits for one test and puts the earlier ones back after it.
class ScopedEngineTimings
{
public:
    explicit ScopedEngineTimings(const Api::Vpn::EngineTimings &timings)
        : m_saved(Api::Vpn::EngineTimings::current())
    {
        Api::Vpn::EngineTimings::setForTesting(timings);
    }
    ~ScopedEngineTimings() { Api::Vpn::EngineTimings::setForTesting(m_saved); }
    ScopedEngineTimings(const ScopedEngineTimings &) = delete;
    ScopedEngineTimings &operator=(const ScopedEngineTimings &) = delete;

private:
    const Api::Vpn::EngineTimings m_saved;
};

} // namespace Orvo::Testing
