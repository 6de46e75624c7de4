#include "services/OrderService.h"

#include <QDebug>

#include "network/ApiResponse.h"
#include "network/HttpClient.h"
#include "services/ReplyFailure.h"

namespace Orvo::Api::Services {

using Models::Order;
using Models::OrderListResponse;
using Network::ApiResponse;
using Network::DataCallback;
using Network::HttpClient;

OrderService *OrderService::instance()
{
    static OrderService service;
    return &service;
}

OrderService::OrderService()
{
    qRegisterMetaType<Order>();
    qRegisterMetaType<QList<Order>>();
    qRegisterMetaType<OrderListResponse>();
    qDebug().noquote() << "[OrderService] 初始化完成";
}

OrderService::~OrderService() = default;

void OrderService::getOrders(int page, int perPage, const DataCallback<OrderListResponse> &callback)
{
    qDebug().noquote() << "[OrderService] 获取订单列表, 页码:" << page << ", 每页:" << perPage;

    const HttpClient::QueryItems query { { QStringLiteral("page"), QString::number(page) },
                                         { QStringLiteral("per_page"), QString::number(perPage) } };
    HttpClient::instance()->get(
        QStringLiteral("orders"),
        [this, page, callback](const ApiResponse &response) {
            if (reportedFailure(response, callback, "[OrderService] 获取订单列表失败:"))
                return;
            const OrderListResponse result = OrderListResponse::fromJson(response.json);
            // The page asked for decides, not the reply's "current_page".
            if (page == 1)
                m_orders = result.data;
            else
                m_orders.append(result.data);
            if (callback)
                callback(true, QStringLiteral("获取成功"), result);
            emit ordersUpdated(m_orders);
            qDebug().noquote() << "[OrderService] 订单列表获取成功, 数量:" << result.data.size();
        },
        query);
}

void OrderService::getAllOrders(const DataCallback<QList<Order>> &callback)
{
    getOrders(1, 100,
              [callback](bool success, const QString &message, const OrderListResponse &result) {
                  if (callback)
                      callback(success, message, result.data);
              });
}

QList<Models::Order> OrderService::orders() const
{
    return m_orders;
}

void OrderService::clearCache()
{
    m_orders.clear();
    qDebug().noquote() << "[OrderService] 订单缓存已清除";
}

} // namespace Orvo::Api::Services
