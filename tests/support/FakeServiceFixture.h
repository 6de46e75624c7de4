#pragma once

#include "FakeService.h"
#include "TestApiBaseUrl.h"

namespace Orvo::Testing {

// Starts the service on a free port and sends the client's requests there. Call
// it before the first HttpClient::instance() of the process, which reads the
// address once; a child process started later inherits it.
inline bool startAsClientService(FakeService &service)
{
    if (!service.start())
        return false;
    setApiBaseUrl(service.baseUrl());
    return true;
}

} // namespace Orvo::Testing
