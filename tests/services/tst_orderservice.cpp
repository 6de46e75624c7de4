#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "models/Order.h"
#include "models/OrderListResponse.h"
#include "network/HttpClient.h"
#include "services/OrderService.h"

using Orvo::Api::Models::Order;
using Orvo::Api::Models::OrderListResponse;
using Orvo::Api::Network::HttpClient;
using Orvo::Api::Services::OrderService;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;

namespace {

FakeReply page(const QList<int> &ids)
{
    QJsonArray data;
    for (int id : ids)
        data.append(QJsonObject { { "id", id }, { "order_number", QString("NO-%1").arg(id) } });
    return FakeReply::json({ { "success", true }, { "data", data } });
}

QList<int> idsOf(const QList<Order> &orders)
{
    QList<int> ids;
    for (const Order &order : orders)
        ids << order.id;
    return ids;
}

} // namespace

class OrderServiceTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    OrderService *service() { return OrderService::instance(); }

    OrderListResponse fetchPage(int number, int perPage, bool *success = nullptr,
                                QString *message = nullptr)
    {
        int calls = 0;
        OrderListResponse result;
        service()->getOrders(number, perPage,
                             [&](bool ok, const QString &text, const OrderListResponse &response) {
                                 ++calls;
                                 if (success)
                                     *success = ok;
                                 if (message)
                                     *message = text;
                                 result = response;
                             });
        if (!QTest::qWaitFor([&calls]() { return calls > 0; }, 10000))
            qFatal("no callback");
        return result;
    }

    // The held orders, as the next signal shows them.
    QList<int> heldIds()
    {
        QSignalSpy updated(service(), &OrderService::ordersUpdated);
        m_service.queueReply("GET", "orders", page({}));
        fetchPage(2, 20);
        if (updated.size() != 1)
            qFatal("no ordersUpdated");
        return idsOf(updated.constFirst().constFirst().value<QList<Order>>());
    }

private slots:
    void initTestCase() { QVERIFY(Orvo::Testing::startAsClientService(m_service)); }

    void init()
    {
        m_service.reset();
        service()->clearCache();
        HttpClient::instance()->setAuthToken("tok-o");
    }

    void sendsPageQueryWithBearer()
    {
        m_service.setReply("GET", "orders", page({}));
        fetchPage(3, 15);
        int calls = 0;
        service()->getAllOrders([&calls](bool, const QString &, const QList<Order> &) { ++calls; });
        QTRY_COMPARE(calls, 1);

        const auto requests = m_service.requests("orders");
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests.at(0).queryString, QString("page=3&per_page=15"));
        QCOMPARE(requests.at(1).queryString, QString("page=1&per_page=100"));
        for (const auto &request : requests)
            QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok-o"));
    }

    void firstPageReplacesLaterPagesAppend()
    {
        m_service.queueReply("GET", "orders", page({ 1, 2 }));
        m_service.queueReply("GET", "orders", page({ 3 }));
        m_service.queueReply("GET", "orders", page({ 3 }));
        m_service.queueReply("GET", "orders", page({ 9 }));
        QSignalSpy updated(service(), &OrderService::ordersUpdated);

        fetchPage(1, 2);
        fetchPage(2, 2);
        const OrderListResponse third = fetchPage(2, 2);
        QCOMPARE(idsOf(third.data), QList<int>({ 3 }));
        QCOMPARE(updated.size(), 3);
        QCOMPARE(idsOf(updated.at(2).constFirst().value<QList<Order>>()),
                 QList<int>({ 1, 2, 3, 3 }));

        fetchPage(1, 2);
        QCOMPARE(idsOf(updated.at(3).constFirst().value<QList<Order>>()), QList<int>({ 9 }));
    }

    void laterPageFirstBecomesHeldOrders_data()
    {
        QTest::addColumn<int>("pageNumber");
        QTest::newRow("page 2") << 2;
        QTest::newRow("page 0") << 0;
        QTest::newRow("negative") << -1;
    }

    void laterPageFirstBecomesHeldOrders()
    {
        QFETCH(int, pageNumber);
        m_service.queueReply("GET", "orders", page({ 5, 6 }));
        fetchPage(pageNumber, 20);
        QCOMPARE(heldIds(), QList<int>({ 5, 6 }));
    }

    void pageNumberAskedForDecides()
    {
        m_service.queueReply("GET", "orders", page({ 1 }));
        QJsonObject reply { { "success", true },
                            { "data", QJsonArray { QJsonObject { { "id", 4 } } } },
                            { "meta", QJsonObject { { "current_page", 1 } } } };
        m_service.queueReply("GET", "orders", FakeReply::json(reply));
        fetchPage(1, 20);
        fetchPage(2, 20); // the reply claims page 1: still appended
        QCOMPARE(heldIds(), QList<int>({ 1, 4 }));
    }

    void failureKeepsHeldOrders()
    {
        m_service.queueReply("GET", "orders", page({ 1, 2 }));
        fetchPage(1, 20);
        m_service.queueReply("GET", "orders",
                             FakeReply::json({ { "message", "服务器错误" } }, 500));
        QSignalSpy updated(service(), &OrderService::ordersUpdated);
        bool success = true;
        QString message;
        const OrderListResponse result = fetchPage(1, 20, &success, &message);
        QVERIFY(!success);
        QCOMPARE(message, QString("服务器错误"));
        QVERIFY(!result.success);
        QVERIFY(result.data.isEmpty());
        QCOMPARE(updated.size(), 0);
        QCOMPARE(heldIds(), QList<int>({ 1, 2 }));

        int calls = 0;
        m_service.queueReply("GET", "orders", FakeReply::json({ { "message", "未登录" } }, 401));
        service()->getAllOrders([&](bool ok, const QString &text, const QList<Order> &orders) {
            ++calls;
            QVERIFY(!ok);
            QCOMPARE(text, QString("未登录"));
            QVERIFY(orders.isEmpty());
        });
        QTRY_COMPARE(calls, 1);
    }

    void firstPageWithoutArrayEmpties()
    {
        m_service.queueReply("GET", "orders", page({ 1, 2 }));
        fetchPage(1, 20);
        m_service.queueReply("GET", "orders", FakeReply::json({ { "success", true } }));
        fetchPage(1, 20);
        QCOMPARE(heldIds(), QList<int>());
    }

    void readsOrdersMetaAndLinks()
    {
        const QJsonObject order { { "id", 11 },
                                  { "order_number", "ORD-11" },
                                  { "plan_name", "月卡" },
                                  { "plan_days", 30 },
                                  { "amount", 19.9 },
                                  { "status", "completed" },
                                  { "created_at", "2026-03-01T08:30:00Z" },
                                  { "paid_at", QJsonValue() },
                                  { "updated_at", "not a date" } };
        const QJsonObject reply {
            { "success", true },
            { "data", QJsonArray { order, 5, "x" } },
            { "meta", QJsonObject { { "current_page", 2 }, { "total", 41 }, { "per_page", "x" } } },
            { "links", QJsonObject { { "next", "https://n/3" }, { "prev", QJsonValue() } } }
        };
        m_service.queueReply("GET", "orders", FakeReply::json(reply));
        bool success = false;
        QString message;
        const OrderListResponse result = fetchPage(2, 20, &success, &message);
        QVERIFY(success);
        QCOMPARE(message, QString("获取成功"));
        QVERIFY(result.success);
        QCOMPARE(result.data.size(), 1);
        const Order first = result.data.constFirst();
        QCOMPARE(first.orderNumber, QString("ORD-11"));
        QCOMPARE(first.planDays, 30);
        QCOMPARE(first.amount, 19.9);
        QVERIFY(first.createdAt.isValid());
        QCOMPARE(first.createdAt.timeSpec(), Qt::UTC);
        QCOMPARE(first.createdAt, QDateTime(QDate(2026, 3, 1), QTime(8, 30), Qt::UTC));
        QVERIFY(!first.paidAt.isValid());
        QVERIFY(!first.updatedAt.isValid());
        QCOMPARE(result.meta.currentPage, 2);
        QCOMPARE(result.meta.total, 41);
        QCOMPARE(result.meta.perPage, 20);
        QCOMPARE(result.links.next, QString("https://n/3"));
        QVERIFY(result.links.prev.isEmpty());
    }

    void replyWithoutMetaKeepsDefaults()
    {
        m_service.queueReply("GET", "orders", page({ 1 }));
        const OrderListResponse result = fetchPage(1, 20);
        QCOMPARE(result.meta.currentPage, 1);
        QCOMPARE(result.meta.lastPage, 1);
        QCOMPARE(result.meta.perPage, 20);
        QCOMPARE(result.meta.from, 0);
        QCOMPARE(result.meta.to, 0);
        QCOMPARE(result.meta.total, 0);
        QVERIFY(result.links.first.isEmpty());
    }
};

QTEST_GUILESS_MAIN(OrderServiceTest)
#include "tst_orderservice.moc"
