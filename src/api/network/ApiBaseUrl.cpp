#include "network/ApiBaseUrl.h"

namespace Orvo::Api::Network {

QString apiBaseUrl()
{
    return QStringLiteral(ORVO_API_BASE_URL);
}

} // namespace Orvo::Api::Network
