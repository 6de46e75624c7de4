#pragma once

#include <QNetworkReply>

#include "FakeService.h"
#include "TestApiBaseUrl.h"
#include "network/HttpClient.h"

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

// True once the client has handled every reply it received: each reply object
// is gone only after its callback has run.
inline bool everyReplyHandled()
{
    return Orvo::Api::Network::HttpClient::instance()->findChildren<QNetworkReply *>().isEmpty();
}

} // namespace Orvo::Testing
