#include "models/Order.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

Order Order::fromJson(const QJsonObject &json)
{
    Order order;
    order.id = JsonReader::readInt(json, QStringLiteral("id"), order.id);
    order.orderNumber = JsonReader::readString(json, QStringLiteral("order_number"));
    order.planName = JsonReader::readString(json, QStringLiteral("plan_name"));
    order.planDays = JsonReader::readInt(json, QStringLiteral("plan_days"), order.planDays);
    order.amount = JsonReader::readDouble(json, QStringLiteral("amount"), order.amount);
    order.paymentCurrency = JsonReader::readString(json, QStringLiteral("payment_currency"));
    order.paymentMethod = JsonReader::readString(json, QStringLiteral("payment_method"));
    order.paymentMethodText = JsonReader::readString(json, QStringLiteral("payment_method_text"));
    order.providerCode = JsonReader::readString(json, QStringLiteral("provider_code"));
    order.providerName = JsonReader::readString(json, QStringLiteral("provider_name"));
    order.thirdPartyOrderId = JsonReader::readString(json, QStringLiteral("third_party_order_id"));
    order.paymentId = JsonReader::readString(json, QStringLiteral("payment_id"));
    order.status = JsonReader::readString(json, QStringLiteral("status"));
    order.statusText = JsonReader::readString(json, QStringLiteral("status_text"));
    order.createdAt = JsonReader::readDateTime(json, QStringLiteral("created_at"));
    order.paidAt = JsonReader::readDateTime(json, QStringLiteral("paid_at"));
    order.updatedAt = JsonReader::readDateTime(json, QStringLiteral("updated_at"));
    return order;
}

QList<Order> Order::fromJsonArray(const QJsonArray &items)
{
    return JsonReader::readObjectList<Order>(items, &Order::fromJson);
}

} // namespace Orvo::Api::Models
