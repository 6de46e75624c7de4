#pragma once

#include <QString>

namespace Orvo::Api::Network {

// The service's base URL. Defined outside orvo_api: the program links the
// definition that the build fixes through ORVO_API_BASE_URL.
QString apiBaseUrl();

} // namespace Orvo::Api::Network
