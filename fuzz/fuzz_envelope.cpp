// A reply body through the signed-envelope check with a fixed key.
#include "FuzzSupport.h"
#include "network/ApiResponse.h"
#include "network/SignedEnvelope.h"

using Orvo::Api::Network::ApiResponse;
using Orvo::Api::Network::SignedEnvelope;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Orvo::Fuzz::silenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = Orvo::Fuzz::bytes(data, size);
    QByteArray result;
    const auto outcome = SignedEnvelope::unwrap(body, QStringLiteral("fuzz-secret"), &result);
    if (outcome != SignedEnvelope::Outcome::Verified && result != body)
        Orvo::Fuzz::fail("an unverified body was changed");
    ApiResponse response;
    response.statusCode = 200;
    response.rawData = result;
    response.json = ApiResponse::parseObject(result);
    (void)response.isSuccess();
    (void)response.errorMessage();
    return 0;
}
