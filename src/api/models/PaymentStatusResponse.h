#pragma once

#include <QJsonObject>

#include "models/PaymentStatusData.h"

namespace Orvo::Api::Models {

// The whole reply of a payment-status query.
struct PaymentStatusResponse
{
    bool success = false;
    PaymentStatusData data;

    static PaymentStatusResponse fromJson(const QJsonObject &json);
};

} // namespace Orvo::Api::Models
