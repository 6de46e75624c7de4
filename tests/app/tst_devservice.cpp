#include <QDateTime>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

#include <optional>

#include "DevService.h"
#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "models/CreatePaymentData.h"
#include "models/HeartbeatResponse.h"
#include "models/Order.h"
#include "models/PaymentStatusData.h"
#include "models/SubscriptionPlan.h"
#include "models/User.h"
#include "services/AuthService.h"
#include "services/HeartbeatService.h"
#include "services/OrderService.h"
#include "services/PaymentService.h"
#include "vpn/VpnConnectionService.h"

using Orvo::Api::Models::CreatePaymentData;
using Orvo::Api::Models::HeartbeatResponse;
using Orvo::Api::Models::Order;
using Orvo::Api::Models::PaymentStatusData;
using Orvo::Api::Models::SubscriptionPlan;
using Orvo::Api::Models::User;
using Orvo::Api::Services::AuthService;
using Orvo::Api::Services::ConnectionFailureReason;
using Orvo::Api::Services::HeartbeatService;
using Orvo::Api::Services::OrderService;
using Orvo::Api::Services::PaymentService;
using Orvo::Api::Services::VpnConnectionService;
using Orvo::Testing::DevService;
using Orvo::Testing::FakeService;

namespace {

// What one request's callback delivered.
template<typename T> struct Outcome
{
    bool done = false;
    bool success = false;
    QString message;
    T value {};
};

template<typename T> auto recorder(Outcome<T> &outcome)
{
    return [&outcome](bool success, const QString &message, const T &value) {
        outcome.done = true;
        outcome.success = success;
        outcome.message = message;
        outcome.value = value;
    };
}

} // namespace

// The development service of scripts/run.sh, driven by the client's own
// services: the account it answers in every route, and the road of a purchase.
class DevServiceTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    DevService m_dev;

    User login(const QString &email)
    {
        Outcome<User> outcome;
        AuthService::instance()->login(email, QStringLiteral("secret"), recorder(outcome));
        [&]() { QTRY_VERIFY_WITH_TIMEOUT(outcome.done, 10000); }();
        return outcome.value;
    }

    std::optional<HeartbeatResponse> heartbeat()
    {
        bool done = false;
        std::optional<HeartbeatResponse> result;
        HeartbeatService::instance()->sendHeartbeat(
            1, QStringLiteral("connected"), 0, 0, 0,
            [&](bool success, const HeartbeatResponse &response) {
                done = true;
                if (success)
                    result = response;
            });
        [&]() { QTRY_VERIFY_WITH_TIMEOUT(done, 10000); }();
        return result;
    }

    Outcome<PaymentStatusData> status(const QString &orderNumber)
    {
        Outcome<PaymentStatusData> outcome;
        PaymentService::instance()->getPaymentStatus(orderNumber, recorder(outcome));
        [&]() { QTRY_VERIFY_WITH_TIMEOUT(outcome.done, 10000); }();
        return outcome;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Orvo::Testing::startAsClientService(m_service));
        m_dev.install(m_service);
    }

    void heartbeatTellsTheUsersStanding()
    {
        const User user = login(QStringLiteral("free@example.com"));
        QVERIFY(user.id > 0);
        QVERIFY(!user.isVip);

        QSignalSpy forced(HeartbeatService::instance(), &HeartbeatService::forceDisconnectRequired);
        QSignalSpy standing(HeartbeatService::instance(), &HeartbeatService::userStatusUpdated);
        const std::optional<HeartbeatResponse> reply = heartbeat();
        QVERIFY(reply);
        QCOMPARE(reply->data.deviceStatus.status, QStringLiteral("active"));
        QCOMPARE(reply->data.deviceStatus.forceDisconnect, false);
        QCOMPARE(reply->data.interval, 30);
        QCOMPARE(reply->data.userStatus.isVip, user.isVip);
        QCOMPARE(reply->data.userStatus.trialUsed, user.trialUsed);
        QCOMPARE(reply->data.userStatus.trialHoursRemaining, user.trialHoursRemaining);
        QVERIFY(user.trialHoursRemaining > 0);
        QCOMPARE(forced.count(), 0);
        QCOMPARE(standing.count(), 1);
        QCOMPARE(standing.constFirst().at(1).toDouble(), user.trialHoursRemaining);
    }

    // After a connection's heartbeats the engine still lets the account
    // connect again: the trial it was told about is not used up.
    void aSecondConnectionIsAllowedAfterHeartbeats()
    {
        const User user = login(QStringLiteral("twice@example.com"));
        VpnConnectionService *engine = VpnConnectionService::instance();
        engine->updateUserInfo(user);
        QCOMPARE(engine->checkConnectionPermission(1, false), ConnectionFailureReason::NoFailure);
        QVERIFY(heartbeat());
        QVERIFY(heartbeat());
        QCOMPARE(engine->checkConnectionPermission(1, false), ConnectionFailureReason::NoFailure);
        engine->onUserLoggedOut();
    }

    void purchaseMakesTheAccountVip()
    {
        login(QStringLiteral("buyer@example.com"));

        Outcome<QList<SubscriptionPlan>> plans;
        PaymentService::instance()->getSubscriptionPlans(recorder(plans));
        QTRY_VERIFY_WITH_TIMEOUT(plans.done, 10000);
        QVERIFY(plans.success);
        QCOMPARE(plans.value.size(), 5);
        // The plan the page preselects.
        const SubscriptionPlan chosen = plans.value.at(3);
        QCOMPARE(chosen.days, 30);

        Outcome<CreatePaymentData> created;
        PaymentService::instance()->createPayment(chosen.id, QStringLiteral("alipay"),
                                                  recorder(created));
        QTRY_VERIFY_WITH_TIMEOUT(created.done, 10000);
        QVERIFY2(created.success, qPrintable(created.message));
        const QString number = created.value.orderId;
        QVERIFY(!number.isEmpty());
        QCOMPARE(created.value.amount, chosen.price);
        QCOMPARE(created.value.planDays, 30);

        // The payment address serves a real QR code picture.
        QNetworkAccessManager network;
        const QUrl pictureUrl(created.value.paymentUrl);
        QCOMPARE(pictureUrl.host(), QStringLiteral("127.0.0.1"));
        QCOMPARE(pictureUrl.port(), int(m_service.port()));
        std::unique_ptr<QNetworkReply> picture(network.get(QNetworkRequest(pictureUrl)));
        QTRY_VERIFY_WITH_TIMEOUT(picture->isFinished(), 10000);
        QCOMPARE(picture->error(), QNetworkReply::NoError);
        QCOMPARE(picture->header(QNetworkRequest::ContentTypeHeader).toString(),
                 QStringLiteral("image/png"));
        const QImage image = QImage::fromData(picture->readAll(), "PNG");
        QVERIFY(!image.isNull());
        QCOMPARE(image.width(), image.height());
        // The quiet zone is white, the top-left finder pattern black.
        QCOMPARE(qGray(image.pixel(1, 1)), 255);
        QCOMPARE(qGray(image.pixel(4 * 6 + 2, 4 * 6 + 2)), 0);

        const auto before = QDateTime::currentDateTimeUtc();
        QCOMPARE(status(number).value.status, QStringLiteral("pending"));
        QCOMPARE(status(number).value.status, QStringLiteral("pending"));
        const Outcome<PaymentStatusData> paid = status(number);
        QVERIFY(paid.success);
        QCOMPARE(paid.value.status, QStringLiteral("completed"));
        QCOMPARE(paid.value.orderId, number);
        QCOMPARE(status(number).value.status, QStringLiteral("completed"));

        Outcome<User> me;
        AuthService::instance()->refreshCurrentUser(recorder(me));
        QTRY_VERIFY_WITH_TIMEOUT(me.done, 10000);
        QVERIFY(me.value.isVip);
        const qint64 seconds = before.secsTo(me.value.vipExpiresAt);
        QVERIFY2(seconds >= 30 * 86400 - 60 && seconds <= 30 * 86400 + 60,
                 qPrintable(me.value.vipExpiresAt.toString(Qt::ISODate)));

        Outcome<QList<Order>> orders;
        OrderService::instance()->getAllOrders(recorder(orders));
        QTRY_VERIFY_WITH_TIMEOUT(orders.done, 10000);
        QCOMPARE(orders.value.size(), 1);
        QCOMPARE(orders.value.constFirst().orderNumber, number);
        QCOMPARE(orders.value.constFirst().status, QStringLiteral("paid"));
        QCOMPARE(orders.value.constFirst().paymentMethod, QStringLiteral("alipay"));

        const std::optional<HeartbeatResponse> reply = heartbeat();
        QVERIFY(reply);
        QCOMPARE(reply->data.userStatus.isVip, true);

        // Another account keeps its own standing.
        QCOMPARE(login(QStringLiteral("free@example.com")).isVip, false);
    }

    void refusals()
    {
        login(QStringLiteral("buyer2@example.com"));
        Outcome<CreatePaymentData> created;
        PaymentService::instance()->createPayment(99, QStringLiteral("alipay"), recorder(created));
        QTRY_VERIFY_WITH_TIMEOUT(created.done, 10000);
        QVERIFY(!created.success);
        QCOMPARE(created.message, QStringLiteral("套餐不存在"));

        const Outcome<PaymentStatusData> unknown = status(QStringLiteral("NOPE"));
        QVERIFY(!unknown.success);
        QCOMPARE(unknown.message, QStringLiteral("订单不存在"));
    }
};

QTEST_GUILESS_MAIN(DevServiceTest)

#include "tst_devservice.moc"
