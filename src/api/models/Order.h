#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>

namespace Orvo::Api::Models {

// One payment order of the signed-in user and its outcome.
struct Order
{
    int id = 0;
    QString orderNumber;
    QString planName;
    int planDays = 0;
    double amount = 0.0;
    QString paymentCurrency;
    QString paymentMethod;
    QString paymentMethodText;
    QString providerCode;
    QString providerName;
    QString thirdPartyOrderId;
    QString paymentId;
    QString status;
    QString statusText;
    QDateTime createdAt;
    QDateTime paidAt;
    QDateTime updatedAt;

    static Order fromJson(const QJsonObject &json);
    static QList<Order> fromJsonArray(const QJsonArray &items);
};

} // namespace Orvo::Api::Models

Q_DECLARE_METATYPE(Orvo::Api::Models::Order)
