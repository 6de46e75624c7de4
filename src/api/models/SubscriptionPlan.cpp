#include "models/SubscriptionPlan.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

SubscriptionPlan SubscriptionPlan::fromJson(const QJsonObject &json)
{
    SubscriptionPlan plan;
    plan.id = JsonReader::readInt(json, QStringLiteral("id"), plan.id);
    plan.name = JsonReader::readString(json, QStringLiteral("name"));
    plan.description = JsonReader::readString(json, QStringLiteral("description"));
    plan.days = JsonReader::readInt(json, QStringLiteral("days"), plan.days);
    plan.daysText = JsonReader::readString(json, QStringLiteral("days_text"));
    plan.price = JsonReader::readDouble(json, QStringLiteral("price"), plan.price);
    plan.currency = JsonReader::readString(json, QStringLiteral("currency"));
    plan.formattedPrice = JsonReader::readString(json, QStringLiteral("formatted_price"));
    plan.isActive = JsonReader::readBool(json, QStringLiteral("is_active"), plan.isActive);
    plan.sortOrder = JsonReader::readInt(json, QStringLiteral("sort_order"), plan.sortOrder);
    plan.createdAt = JsonReader::readString(json, QStringLiteral("created_at"));
    plan.updatedAt = JsonReader::readString(json, QStringLiteral("updated_at"));
    return plan;
}

} // namespace Orvo::Api::Models
