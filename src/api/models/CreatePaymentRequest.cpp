#include "models/CreatePaymentRequest.h"

namespace Orvo::Api::Models {

QJsonObject CreatePaymentRequest::toJson() const
{
    return QJsonObject { { QStringLiteral("plan_id"), planId },
                         { QStringLiteral("payment_method"), paymentMethod },
                         { QStringLiteral("payment_provider"), paymentProvider },
                         { QStringLiteral("device_id"), deviceId },
                         { QStringLiteral("equipment"), equipment } };
}

} // namespace Orvo::Api::Models
