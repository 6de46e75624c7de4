#pragma once

#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>

namespace Orvo::Api::Models {

// One plan of VIP time that can be bought.
struct SubscriptionPlan
{
    int id = 0;
    QString name;
    QString description;
    int days = 0;
    QString daysText;
    double price = 0.0;
    QString currency;
    QString formattedPrice;
    bool isActive = true;
    int sortOrder = 0;
    QString createdAt;
    QString updatedAt;

    static SubscriptionPlan fromJson(const QJsonObject &json);
};

} // namespace Orvo::Api::Models

Q_DECLARE_METATYPE(Orvo::Api::Models::SubscriptionPlan)
