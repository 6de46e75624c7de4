// A reply body through ApiResponse and every record's JSON reading.
#include "FuzzSupport.h"
#include "network/ApiResponse.h"

using Orvo::Api::Network::ApiResponse;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Orvo::Fuzz::silenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ApiResponse response;
    response.statusCode = 422;
    response.rawData = Orvo::Fuzz::bytes(data, size);
    response.json = ApiResponse::parseObject(response.rawData);
    (void)response.isSuccess();
    (void)response.errorMessage();
    (void)response.validationErrors();
    return 0;
}
