#include "models/CreatePaymentData.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

CreatePaymentData CreatePaymentData::fromJson(const QJsonObject &json)
{
    CreatePaymentData data;
    data.orderId = JsonReader::readString(json, QStringLiteral("order_id"));
    data.paymentUrl = JsonReader::readString(json, QStringLiteral("payment_url"));
    data.amount = JsonReader::readDouble(json, QStringLiteral("amount"), data.amount);
    data.planName = JsonReader::readString(json, QStringLiteral("plan_name"));
    data.planDays = JsonReader::readInt(json, QStringLiteral("plan_days"), data.planDays);
    return data;
}

} // namespace Orvo::Api::Models
