#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

namespace Orvo::Api::Models {

// Where one payment order stands.
struct PaymentStatusData
{
    QString orderId;
    QString status;
    double amount = 0.0;
    QString planName;
    int planDays = 0;
    QString paymentMethod;
    QString thirdPartyOrderId;
    QString createdAt;
    QString paidAt;

    static PaymentStatusData fromJson(const QJsonObject &json);
};

} // namespace Orvo::Api::Models

Q_DECLARE_METATYPE(Orvo::Api::Models::PaymentStatusData)
