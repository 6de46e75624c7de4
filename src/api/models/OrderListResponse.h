#pragma once

#include <QJsonObject>
#include <QList>
#include <QMetaType>

#include "models/Order.h"
#include "models/PaginationLinks.h"
#include "models/PaginationMeta.h"

namespace Orvo::Api::Models {

// One page of the order history.
struct OrderListResponse
{
    bool success = false;
    QList<Order> data;
    PaginationMeta meta;
    PaginationLinks links;

    static OrderListResponse fromJson(const QJsonObject &json);
};

} // namespace Orvo::Api::Models

Q_DECLARE_METATYPE(Orvo::Api::Models::OrderListResponse)
