#include "models/OrderListResponse.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

OrderListResponse OrderListResponse::fromJson(const QJsonObject &json)
{
    OrderListResponse response;
    response.success = JsonReader::readBool(json, QStringLiteral("success"), response.success);
    response.data = Order::fromJsonArray(JsonReader::readArray(json, QStringLiteral("data")));
    response.meta = PaginationMeta::fromJson(JsonReader::readObject(json, QStringLiteral("meta")));
    response.links
        = PaginationLinks::fromJson(JsonReader::readObject(json, QStringLiteral("links")));
    return response;
}

} // namespace Orvo::Api::Models
