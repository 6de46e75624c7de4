// A request or reply body through the mask of logged bodies.
#include "FuzzSupport.h"
#include "network/LogMask.h"

using Orvo::Api::Network::LogMask;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Orvo::Fuzz::silenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray masked = LogMask::mask(Orvo::Fuzz::bytes(data, size)).toLower();
    if (masked.contains("vmess://") || masked.contains("vmess:\\/\\/"))
        Orvo::Fuzz::fail("a link was left in the masked body");
    return 0;
}
