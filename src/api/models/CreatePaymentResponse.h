#pragma once

#include <QJsonObject>
#include <QString>

#include "models/CreatePaymentData.h"

namespace Orvo::Api::Models {

// The whole reply of a payment creation.
struct CreatePaymentResponse
{
    bool success = false;
    QString message;
    CreatePaymentData data;

    static CreatePaymentResponse fromJson(const QJsonObject &json);
};

} // namespace Orvo::Api::Models
