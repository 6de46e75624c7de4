#include "models/PaymentStatusData.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

PaymentStatusData PaymentStatusData::fromJson(const QJsonObject &json)
{
    PaymentStatusData data;
    data.orderId = JsonReader::readString(json, QStringLiteral("order_id"));
    data.status = JsonReader::readString(json, QStringLiteral("status"));
    data.amount = JsonReader::readDouble(json, QStringLiteral("amount"), data.amount);
    data.planName = JsonReader::readString(json, QStringLiteral("plan_name"));
    data.planDays = JsonReader::readInt(json, QStringLiteral("plan_days"), data.planDays);
    data.paymentMethod = JsonReader::readString(json, QStringLiteral("payment_method"));
    data.thirdPartyOrderId = JsonReader::readString(json, QStringLiteral("third_party_order_id"));
    data.createdAt = JsonReader::readString(json, QStringLiteral("created_at"));
    data.paidAt = JsonReader::readString(json, QStringLiteral("paid_at"));
    return data;
}

} // namespace Orvo::Api::Models
