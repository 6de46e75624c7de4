#include "vpn/EngineTimings.h"

namespace Orvo::Api::Vpn {

namespace {
EngineTimings &timings()
{
    static EngineTimings current;
    return current;
}
} // namespace

const EngineTimings &EngineTimings::current()
{
    return timings();
}

void EngineTimings::setForTesting(const EngineTimings &replacement)
{
    timings() = replacement;
}

} // namespace Orvo::Api::Vpn
