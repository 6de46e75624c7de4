#include "models/PaymentStatusResponse.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

PaymentStatusResponse PaymentStatusResponse::fromJson(const QJsonObject &json)
{
    PaymentStatusResponse response;
    response.success = JsonReader::readBool(json, QStringLiteral("success"), response.success);
    // A missing or non-object "data" reads as an empty object: all defaults.
    response.data
        = PaymentStatusData::fromJson(JsonReader::readObject(json, QStringLiteral("data")));
    return response;
}

} // namespace Orvo::Api::Models
