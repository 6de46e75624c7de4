#pragma once

#include <QJsonObject>
#include <QString>

namespace Orvo::Api::Models {

// The body of a payment creation.
struct CreatePaymentRequest
{
    int planId = 0;
    QString paymentMethod;
    QString paymentProvider;
    QString deviceId;
    QString equipment;

    QJsonObject toJson() const;
};

} // namespace Orvo::Api::Models
