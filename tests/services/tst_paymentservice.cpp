#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "models/CreatePaymentData.h"
#include "models/PaymentStatusData.h"
#include "models/SubscriptionPlan.h"
#include "network/HttpClient.h"
#include "services/PaymentService.h"
#include "storage/TokenManager.h"

using Orvo::Api::Models::CreatePaymentData;
using Orvo::Api::Models::PaymentStatusData;
using Orvo::Api::Models::SubscriptionPlan;
using Orvo::Api::Network::HttpClient;
using Orvo::Api::Services::PaymentService;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;

Q_DECLARE_METATYPE(FakeReply)

namespace {

constexpr int kPeriodMs = 20;

FakeReply status(const QString &orderId, const QString &value)
{
    return FakeReply::json(
        { { "success", true },
          { "data", QJsonObject { { "order_id", orderId }, { "status", value } } } });
}

// What the handlers of one polling loop were told.
struct Loop
{
    QStringList statuses; // "<order id>:<status>", or "error:<message>"
    int completed = 0;
    int failed = 0;

    void start(const QString &orderNumber)
    {
        PaymentService::instance()->startPolling(
            orderNumber,
            [this](bool success, const QString &message, const PaymentStatusData &data) {
                statuses << (success ? data.orderId + ':' + data.status : "error:" + message);
            },
            [this]() { ++completed; }, [this]() { ++failed; });
    }
};

} // namespace

class PaymentServiceTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    PaymentService *service() { return PaymentService::instance(); }
    int queries(const QString &orderNumber)
    {
        return m_service.count("payments/status/" + orderNumber);
    }

    // After a loop ended: once the queries still on the way have landed, no
    // further one is sent.
    bool noMoreQueries(const QString &orderNumber)
    {
        QTest::qWait(5 * kPeriodMs);
        const int sent = queries(orderNumber);
        QTest::qWait(10 * kPeriodMs);
        return queries(orderNumber) == sent;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Orvo::Testing::startAsClientService(m_service));
        service()->setPollInterval(kPeriodMs);
    }

    void init()
    {
        service()->stopPolling();
        m_service.reset();
        HttpClient::instance()->setAuthToken("tok-p");
    }

    void plansGoWithoutBearer()
    {
        const QJsonArray data { QJsonObject { { "id", 1 }, { "name", "月卡" }, { "price", 9.9 } },
                                3, QJsonObject { { "id", 2 }, { "is_active", false } } };
        m_service.setReply("GET", "plans",
                           FakeReply::json({ { "success", true }, { "data", data } }));
        QSignalSpy updated(service(), &PaymentService::plansUpdated);
        QList<SubscriptionPlan> plans;
        QString message;
        int calls = 0;
        service()->getSubscriptionPlans(
            [&](bool success, const QString &text, const QList<SubscriptionPlan> &list) {
                ++calls;
                QVERIFY(success);
                QCOMPARE(updated.size(), 0); // the callback comes first
                message = text;
                plans = list;
            });
        QTRY_COMPARE(calls, 1);
        QCOMPARE(message, QString("获取成功"));
        QCOMPARE(plans.size(), 2);
        QCOMPARE(plans.at(0).name, QString("月卡"));
        QCOMPARE(plans.at(0).price, 9.9);
        QVERIFY(plans.at(0).isActive);
        QVERIFY(!plans.at(1).isActive);
        QCOMPARE(updated.size(), 1);
        QCOMPARE(updated.constFirst().constFirst().value<QList<SubscriptionPlan>>().size(), 2);

        const auto request = m_service.requests("plans").constFirst();
        QVERIFY(request.queryString.isEmpty());
        QVERIFY(!request.hasHeader("Authorization"));
    }

    void failedPlansGiveMessageOnly()
    {
        m_service.setReply("GET", "plans", FakeReply::json({ { "message", "服务不可用" } }, 503));
        QSignalSpy updated(service(), &PaymentService::plansUpdated);
        int calls = 0;
        service()->getSubscriptionPlans(
            [&](bool success, const QString &text, const QList<SubscriptionPlan> &list) {
                ++calls;
                QVERIFY(!success);
                QCOMPARE(text, QString("服务不可用"));
                QVERIFY(list.isEmpty());
            });
        QTRY_COMPARE(calls, 1);
        QCOMPARE(updated.size(), 0);
    }

    void createsPaymentWithFixedBody_data()
    {
        QTest::addColumn<int>("planId");
        QTest::addColumn<QString>("method");
        QTest::newRow("alipay") << 3 << "alipay";
        QTest::newRow("other method") << 12 << "wechat";
    }

    void createsPaymentWithFixedBody()
    {
        QFETCH(int, planId);
        QFETCH(QString, method);

        const QJsonObject data { { "order_id", 123 },
                                 { "payment_url", "https://pay.example/qr/1" },
                                 { "amount", 30.0 },
                                 { "plan_name", "季卡" },
                                 { "plan_days", 90 } };
        m_service.setReply(
            "POST", "payments/create",
            FakeReply::json(
                { { "success", true }, { "message", "订单已创建" }, { "data", data } }));
        QSignalSpy created(service(), &PaymentService::paymentCreated);
        QSignalSpy completed(service(), &PaymentService::paymentCompleted);
        int calls = 0;
        CreatePaymentData result;
        QString message;
        service()->createPayment(
            planId, method,
            [&](bool success, const QString &text, const CreatePaymentData &payment) {
                ++calls;
                QVERIFY(success);
                QCOMPARE(created.size(), 0);
                message = text;
                result = payment;
            });
        QTRY_COMPARE(calls, 1);
        QCOMPARE(message, QString("订单已创建"));
        QVERIFY(result.orderId.isEmpty()); // a number is not an order id
        QCOMPARE(result.paymentUrl, QString("https://pay.example/qr/1"));
        QCOMPARE(result.amount, 30.0);
        QCOMPARE(result.planDays, 90);
        QCOMPARE(created.size(), 1);
        QCOMPARE(created.constFirst().constFirst().value<CreatePaymentData>().paymentUrl,
                 result.paymentUrl);

        const auto request = m_service.requests("payments/create").constFirst();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok-p"));
        const QString deviceId = Orvo::Api::Security::TokenManager::instance()->getDeviceId();
        QVERIFY(!deviceId.isEmpty());
        const QJsonObject expected { { "plan_id", planId },
                                     { "payment_method", method },
                                     { "payment_provider", "ciyun" },
                                     { "device_id", deviceId },
                                     { "equipment", "Camrow加速器" } };
        QCOMPARE(request.json(), expected);
        QVERIFY(request.body.contains(QByteArray("\"plan_id\":") + QByteArray::number(planId)));
        QTest::qWait(50);
        QCOMPARE(completed.size(), 0); // creating does not start polling
        QCOMPARE(queries("123"), 0);
    }

    void creationOutcomes_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("emitted");

        QTest::newRow("success without data")
            << FakeReply::json({ { "success", true } }) << true << "" << 1;
        QTest::newRow("validation error") << FakeReply::json(
            { { "message", "参数错误" },
              { "errors", QJsonObject { { "plan_id", QJsonArray { "套餐不存在" } } } } },
            422) << false << "套餐不存在" << 0;
        QTest::newRow("success false")
            << FakeReply::json({ { "success", false }, { "message", "下单失败" } }) << false
            << "下单失败" << 0;
    }

    void creationOutcomes()
    {
        QFETCH(FakeReply, reply);
        QFETCH(bool, success);
        QFETCH(QString, message);
        QFETCH(int, emitted);

        m_service.setReply("POST", "payments/create", reply);
        QSignalSpy created(service(), &PaymentService::paymentCreated);
        int calls = 0;
        service()->createPayment(1, "alipay",
                                 [&](bool ok, const QString &text, const CreatePaymentData &data) {
                                     ++calls;
                                     QCOMPARE(ok, success);
                                     QCOMPARE(text, message);
                                     QVERIFY(data.orderId.isEmpty());
                                     QVERIFY(data.paymentUrl.isEmpty());
                                 });
        QTRY_COMPARE(calls, 1);
        QCOMPARE(created.size(), emitted);
    }

    void statusQueryIsOneEncodedSegment_data()
    {
        QTest::addColumn<QString>("orderNumber");
        QTest::addColumn<QString>("encodedPath");

        QTest::newRow("plain") << "ORD-20260101-1"
                               << "/api/v1/payments/status/ORD-20260101-1";
        QTest::newRow("slash") << "a/../../orders"
                               << "/api/v1/payments/status/a%2F..%2F..%2Forders";
        QTest::newRow("query and fragment") << "a?page=1#x"
                                            << "/api/v1/payments/status/a%3Fpage%3D1%23x";
        QTest::newRow("percent") << "50%2F"
                                 << "/api/v1/payments/status/50%252F";
        QTest::newRow("text and blank") << "订单 1"
                                        << "/api/v1/payments/status/%E8%AE%A2%E5%8D%95%201";
    }

    void statusQueryIsOneEncodedSegment()
    {
        QFETCH(QString, orderNumber);
        QFETCH(QString, encodedPath);

        m_service.setReply("GET", "payments/status/" + orderNumber, status("X", "completed"));
        QSignalSpy updated(service(), &PaymentService::paymentStatusUpdated);
        QSignalSpy completed(service(), &PaymentService::paymentCompleted);
        int calls = 0;
        service()->getPaymentStatus(
            orderNumber, [&](bool success, const QString &message, const PaymentStatusData &data) {
                ++calls;
                QVERIFY(success);
                QCOMPARE(message, QString("查询成功"));
                QCOMPARE(data.status, QString("completed"));
            });
        QTRY_COMPARE(calls, 1);
        QCOMPARE(m_service.requests().size(), 1);
        const auto request = m_service.requests().constFirst();
        QCOMPARE(request.encodedPath, encodedPath);
        QCOMPARE(request.path, "payments/status/" + orderNumber);
        QVERIFY(request.queryString.isEmpty());
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok-p"));
        // The one-off query interprets nothing.
        QCOMPARE(updated.size(), 0);
        QCOMPARE(completed.size(), 0);
    }

    void dotSegmentsAreRefused_data()
    {
        QTest::addColumn<QString>("orderNumber");
        QTest::newRow("dot") << ".";
        QTest::newRow("dot dot") << "..";
    }

    void dotSegmentsAreRefused()
    {
        QFETCH(QString, orderNumber);
        int calls = 0;
        service()->getPaymentStatus(orderNumber,
                                    [&](bool success, const QString &, const PaymentStatusData &) {
                                        ++calls;
                                        QVERIFY(!success);
                                    });
        QCOMPARE(calls, 0);
        QTRY_COMPARE(calls, 1);
        QTest::qWait(50);
        QCOMPARE(m_service.requests().size(), 0);
    }

    void givesUpAfterSixtyTimedQueries()
    {
        m_service.setReply("GET", "payments/status/P-LIMIT", status("P-LIMIT", "pending"));
        QSignalSpy updated(service(), &PaymentService::paymentStatusUpdated);
        QSignalSpy failedSignal(service(), &PaymentService::paymentFailed);
        Loop loop;
        loop.start("P-LIMIT");
        QTRY_COMPARE_WITH_TIMEOUT(loop.failed, 1, 20000);
        QVERIFY(noMoreQueries("P-LIMIT"));
        QCOMPARE(queries("P-LIMIT"), 61);
        // Queries may overlap at this short period: an answer still in flight
        // when the loop gives up is dropped.
        QVERIFY(updated.size() >= 58 && updated.size() <= 60);
        QCOMPARE(loop.statuses.size(), updated.size() + 1);
        QCOMPARE(loop.failed, 1);
        QCOMPARE(loop.completed, 0);
        QCOMPARE(failedSignal.size(), 0); // the time-out has no signal
    }

    void completesOnlyOnTimedReply()
    {
        m_service.queueReply("GET", "payments/status/P-DONE", status("P-DONE", "completed"));
        m_service.setReply("GET", "payments/status/P-DONE", status("P-DONE", "completed"));
        QSignalSpy completed(service(), &PaymentService::paymentCompleted);
        QSignalSpy updated(service(), &PaymentService::paymentStatusUpdated);
        Loop loop;
        loop.start("P-DONE");
        QTRY_COMPARE(loop.completed, 1);
        QVERIFY(noMoreQueries("P-DONE"));
        QCOMPARE(loop.statuses, QStringList({ "P-DONE:completed", "P-DONE:completed" }));
        QCOMPARE(updated.size(), 1);
        QCOMPARE(completed.size(), 1);
        QCOMPARE(completed.constFirst().constFirst().toString(), QString("P-DONE"));
        QCOMPARE(loop.failed, 0);
    }

    void endsOnCancelledOrRefunded_data()
    {
        QTest::addColumn<QString>("final");
        QTest::newRow("cancelled") << "cancelled";
        QTest::newRow("refunded") << "refunded";
    }

    void endsOnCancelledOrRefunded()
    {
        QFETCH(QString, final);
        const QString order = "P-" + final;
        m_service.queueReply("GET", "payments/status/" + order, status(order, "pending"));
        m_service.setReply("GET", "payments/status/" + order, status(order, final));
        QSignalSpy failedSignal(service(), &PaymentService::paymentFailed);
        Loop loop;
        loop.start(order);
        QTRY_COMPARE(loop.failed, 1);
        QVERIFY(noMoreQueries(order));
        QCOMPARE(loop.statuses, QStringList({ order + ":pending", order + ':' + final }));
        QCOMPARE(loop.completed, 0);
        QCOMPARE(failedSignal.size(), 1);
        QCOMPARE(failedSignal.constFirst().at(0).toString(), order);
        QCOMPARE(failedSignal.constFirst().at(1).toString(), QString("支付失败或已取消"));
    }

    void otherStatusesKeepPolling_data()
    {
        QTest::addColumn<QString>("word");
        QTest::newRow("capitalised") << "Completed";
        QTest::newRow("upper case") << "COMPLETED";
        QTest::newRow("upper case cancelled") << "CANCELLED";
        QTest::newRow("paid") << "paid";
        QTest::newRow("failed") << "failed";
        QTest::newRow("empty") << "";
    }

    void otherStatusesKeepPolling()
    {
        QFETCH(QString, word);
        const QString order = "P-KEEP-" + QString(QTest::currentDataTag()).replace(' ', '-');
        const QString path = "payments/status/" + order;
        for (int i = 0; i < 4; ++i)
            m_service.queueReply("GET", path, status(order, word));
        m_service.setReply("GET", path, status(order, "completed"));
        QSignalSpy failedSignal(service(), &PaymentService::paymentFailed);
        Loop loop;
        loop.start(order);
        QTRY_COMPARE(loop.completed, 1);
        QVERIFY(noMoreQueries(order));
        QStringList expected(5, order + ':' + word);
        expected.last() = order + ":completed";
        QCOMPARE(loop.statuses, expected);
        QCOMPARE(loop.failed, 0);
        QCOMPARE(failedSignal.size(), 0);
    }

    void failedQueryIsReportedAndPollingGoesOn()
    {
        const QString path = "payments/status/P-ERR";
        m_service.queueReply("GET", path, status("P-ERR", "pending"));
        m_service.queueReply("GET", path, FakeReply::json({ { "message", "查询失败" } }, 500));
        m_service.setReply("GET", path, status("P-ERR", "completed"));
        QSignalSpy updated(service(), &PaymentService::paymentStatusUpdated);
        Loop loop;
        loop.start("P-ERR");
        QTRY_COMPARE(loop.completed, 1);
        QCOMPARE(loop.statuses,
                 QStringList({ "P-ERR:pending", "error:查询失败", "P-ERR:completed" }));
        QCOMPARE(updated.size(), 2);
        QVERIFY(updated.at(0).constFirst().value<PaymentStatusData>().status.isEmpty());
    }

    void lateReplyOfReplacedLoopIsDropped()
    {
        // Order A's answers are slow and say "completed"; they arrive while B is polled.
        m_service.setReply("GET", "payments/status/A", status("A", "completed").delayed(300));
        m_service.setReply("GET", "payments/status/B", status("B", "pending"));
        QSignalSpy completed(service(), &PaymentService::paymentCompleted);
        QSignalSpy updated(service(), &PaymentService::paymentStatusUpdated);

        Loop first;
        first.start("A");
        QTRY_VERIFY(queries("A") >= 2); // the immediate and a timed query in flight
        Loop second;
        second.start("B");
        // Outlast A's slow answers, then let B's polling go on for a while; a
        // loaded machine may need longer for it.
        QTest::qWait(600);
        QTRY_VERIFY(queries("B") > 5);
        QCOMPARE(completed.size(), 0);
        QCOMPARE(second.completed, 0);
        QCOMPARE(second.failed, 0);
        QVERIFY(!second.statuses.isEmpty());
        for (const QString &entry : second.statuses)
            QCOMPARE(entry, QString("B:pending"));
        for (const auto &arguments : updated)
            QCOMPARE(arguments.constFirst().value<PaymentStatusData>().orderId, QString("B"));
        QVERIFY(first.statuses.isEmpty());
        QCOMPARE(first.completed, 0);
        QCOMPARE(first.failed, 0);
        service()->stopPolling();
    }

    void stopEndsQueriesAndDropsLateReplies()
    {
        m_service.setReply("GET", "payments/status/S", status("S", "completed").delayed(150));
        Loop loop;
        loop.start("S");
        QTRY_VERIFY(queries("S") >= 2);
        service()->stopPolling();
        QSignalSpy updated(service(), &PaymentService::paymentStatusUpdated);
        QSignalSpy completed(service(), &PaymentService::paymentCompleted);
        QVERIFY(noMoreQueries("S"));
        QTest::qWait(300); // every late answer has come back

        QVERIFY(loop.statuses.isEmpty());
        QCOMPARE(loop.completed, 0);
        QCOMPARE(updated.size(), 0);
        QCOMPARE(completed.size(), 0);
    }

    void restartStartsAFreshCount()
    {
        m_service.setReply("GET", "payments/status/R1", status("R1", "pending"));
        m_service.setReply("GET", "payments/status/R2", status("R2", "pending"));
        Loop first;
        first.start("R1");
        QTRY_VERIFY_WITH_TIMEOUT(queries("R1") >= 30, 20000);
        Loop second;
        second.start("R2");
        QTRY_COMPARE_WITH_TIMEOUT(second.failed, 1, 20000);
        QVERIFY(noMoreQueries("R2"));
        QCOMPARE(queries("R2"), 61);
        QCOMPARE(first.failed, 0);
        QCOMPARE(first.completed, 0);
    }

    void emptyOrderNumberStopsAtFirstTick()
    {
        m_service.setReply("GET", "payments/status/", status("", "completed"));
        Loop loop;
        loop.start(QString());
        QTest::qWait(20 * kPeriodMs);
        QCOMPARE(m_service.requests().size(), 1);
        QCOMPARE(m_service.requests().constFirst().encodedPath,
                 QString("/api/v1/payments/status/"));
        QCOMPARE(loop.completed, 0);
        QCOMPARE(loop.failed, 0);
    }

    void endHandlerMayStartAnotherLoop()
    {
        m_service.setReply("GET", "payments/status/N1", status("N1", "completed"));
        m_service.setReply("GET", "payments/status/N2", status("N2", "completed"));
        Loop next;
        int firstDone = 0;
        service()->startPolling("N1", {},
                                [&]() {
                                    ++firstDone;
                                    next.start("N2");
                                },
                                {});
        QTRY_COMPARE(next.completed, 1);
        QCOMPARE(firstDone, 1);
        QCOMPARE(next.statuses, QStringList({ "N2:completed", "N2:completed" }));
    }
};

QTEST_GUILESS_MAIN(PaymentServiceTest)
#include "tst_paymentservice.moc"
