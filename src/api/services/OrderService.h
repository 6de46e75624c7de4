#pragma once

#include <QList>
#include <QObject>

#include "models/Order.h"
#include "models/OrderListResponse.h"
#include "network/Callbacks.h"

namespace Orvo::Api::Services {

// Fetches the signed-in user's order history page by page and holds the
// orders received so far.
class OrderService : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OrderService)

public:
    static OrderService *instance();

    // Page 1 replaces the held orders; any other page is appended to them.
    void getOrders(int page, int perPage,
                   const Network::DataCallback<Models::OrderListResponse> &callback);
    // The first 100 orders.
    void getAllOrders(const Network::DataCallback<QList<Models::Order>> &callback);
    QList<Models::Order> orders() const;
    void clearCache();

signals:
    void ordersUpdated(QList<Models::Order> orders);

private:
    OrderService();
    ~OrderService() override;

    QList<Models::Order> m_orders;
};

} // namespace Orvo::Api::Services
