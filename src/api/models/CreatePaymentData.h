#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

namespace Orvo::Api::Models {

// The order the service created for a plan, with the URL to pay it.
struct CreatePaymentData
{
    QString orderId;
    QString paymentUrl;
    double amount = 0.0;
    QString planName;
    int planDays = 0;

    static CreatePaymentData fromJson(const QJsonObject &json);
};

} // namespace Orvo::Api::Models

Q_DECLARE_METATYPE(Orvo::Api::Models::CreatePaymentData)
