#include "TestApiBaseUrl.h"

#include <QtGlobal>

#include "network/ApiBaseUrl.h"

namespace Orvo::Testing {

namespace {
QString &configuredUrl()
{
    static QString url;
    return url;
}
} // namespace

void setApiBaseUrl(const QString &url)
{
    configuredUrl() = url;
    qputenv("ORVO_TEST_API_BASE_URL", url.toUtf8());
}

} // namespace Orvo::Testing

namespace Orvo::Api::Network {

// The test build's stand-in for the URL that the program fixes at build time.
QString apiBaseUrl()
{
    const QString configured = Orvo::Testing::configuredUrl();
    if (!configured.isEmpty())
        return configured;
    const QString fromParent = qEnvironmentVariable("ORVO_TEST_API_BASE_URL");
    return fromParent.isEmpty() ? QStringLiteral("http://127.0.0.1:9/api/v1/") : fromParent;
}

} // namespace Orvo::Api::Network
