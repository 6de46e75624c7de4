#include "models/CreatePaymentResponse.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

CreatePaymentResponse CreatePaymentResponse::fromJson(const QJsonObject &json)
{
    CreatePaymentResponse response;
    response.success = JsonReader::readBool(json, QStringLiteral("success"), response.success);
    response.message = JsonReader::readString(json, QStringLiteral("message"));
    // A missing or non-object "data" reads as an empty object: all defaults.
    response.data
        = CreatePaymentData::fromJson(JsonReader::readObject(json, QStringLiteral("data")));
    return response;
}

} // namespace Orvo::Api::Models
