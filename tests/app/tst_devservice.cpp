#include <QDateTime>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
#include "network/HttpClient.h"
#include "services/AuthService.h"
#include "services/HeartbeatService.h"
#include "services/OrderService.h"
#include "services/PaymentService.h"
#include "vpn/VmessParser.h"
#include "vpn/VpnConnectionService.h"

using Orvo::Api::Models::CreatePaymentData;
using Orvo::Api::Models::HeartbeatResponse;
using Orvo::Api::Models::Order;
using Orvo::Api::Models::PaymentStatusData;
using Orvo::Api::Models::SubscriptionPlan;
using Orvo::Api::Models::User;
using Orvo::Api::Network::HttpClient;
using Orvo::Api::Services::AuthService;
using Orvo::Api::Services::ConnectionFailureReason;
using Orvo::Api::Services::HeartbeatService;
using Orvo::Api::Services::OrderService;
using Orvo::Api::Services::PaymentService;
using Orvo::Api::Services::VpnConnectionService;
using Orvo::Api::Vpn::VmessParser;
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

// What the service answered one request.
struct Answer
{
    int status = 0;
    QJsonObject body;
};

const QByteArray kTableAccountToken = "dev:table@example.com";
const QString kUnauthenticated = QStringLiteral("未登录或登录已过期，请重新登录");

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

    Outcome<User> registration(const QString &email)
    {
        Outcome<User> outcome;
        AuthService::instance()->registerUser(email, QStringLiteral("secret"),
                                              email.section(u'@', 0, 0), QString(),
                                              recorder(outcome));
        [&]() { QTRY_VERIFY_WITH_TIMEOUT(outcome.done, 10000); }();
        return outcome;
    }

    // One request as any client may send it, with the bearer token when one
    // is given.
    Answer send(const QByteArray &method, const QString &path, const QJsonObject &body = {},
                const QByteArray &token = {})
    {
        QNetworkRequest request(QUrl(m_service.baseUrl() + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        request.setRawHeader("Accept", "application/json");
        if (!token.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + token);
        QNetworkAccessManager network;
        std::unique_ptr<QNetworkReply> reply(
            method == "GET"
                ? network.get(request)
                : network.post(request, QJsonDocument(body).toJson(QJsonDocument::Compact)));
        [&]() { QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 10000); }();
        return { reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                 QJsonDocument::fromJson(reply->readAll()).object() };
    }

    QJsonArray servers(const QByteArray &token)
    {
        const Answer answer = send("GET", QStringLiteral("servers"), {}, token);
        [&]() { QCOMPARE(answer.status, 200); }();
        return answer.body.value(QStringLiteral("data")).toArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Orvo::Testing::startAsClientService(m_service));
        m_dev.install(m_service);
    }

    // What needs an account is answered for the account that the token
    // names, and refused without one; the rest is open to anyone.
    void tokenRule_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonObject>("body");
        QTest::addColumn<QByteArray>("token");
        QTest::addColumn<int>("expected");

        const QJsonObject payment { { "plan_id", 4 }, { "payment_method", "alipay" } };
        const struct
        {
            const char *method;
            const char *path;
            QJsonObject body;
        } accountRoutes[] = { { "GET", "auth/me", {} },
                              { "POST", "auth/logout", {} },
                              { "POST", "heartbeat", {} },
                              { "GET", "orders", {} },
                              { "POST", "payments/create", payment },
                              // An order of the table's account.
                              { "GET", "payments/status/<order>", {} } };
        const struct
        {
            const char *name;
            QByteArray token;
            int expected;
        } tokens[] = { { "no token", {}, 401 },
                       { "token of another service", "42|Xq8fLk2mT0", 401 },
                       { "token without an account", "dev:", 401 },
                       { "signed in", kTableAccountToken, 200 } };
        for (const auto &route : accountRoutes) {
            for (const auto &token : tokens) {
                QTest::addRow("%s %s, %s", route.method, route.path, token.name)
                    << QByteArray(route.method) << QString::fromLatin1(route.path) << route.body
                    << token.token << token.expected;
            }
        }

        const auto open = [](const char *method, const char *path, const QJsonObject &body = {}) {
            QTest::addRow("%s %s, no token", method, path)
                << QByteArray(method) << QString::fromLatin1(path) << body << QByteArray() << 200;
        };
        open("GET", "servers");
        open("GET", "plans");
        open("GET", "configs");
        open("GET", "announcements");
        open("POST", "auth/login", { { "email", "open@example.com" }, { "password", "secret" } });
        open("POST", "auth/register",
             { { "email", "open-register@example.com" }, { "password", "secret" } });
    }

    void tokenRule()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QJsonObject, body);
        QFETCH(QByteArray, token);
        QFETCH(int, expected);

        if (path.endsWith(QLatin1String("<order>"))) {
            const Answer created
                = send("POST", QStringLiteral("payments/create"),
                       { { "plan_id", 1 }, { "payment_method", "alipay" } }, kTableAccountToken);
            QCOMPARE(created.status, 200);
            path.replace(QLatin1String("<order>"),
                         created.body.value(QStringLiteral("data"))
                             .toObject()
                             .value(QStringLiteral("order_id"))
                             .toString());
        }
        const Answer answer = send(method, path, body, token);
        QCOMPARE(answer.status, expected);
        if (expected == 401) {
            QCOMPARE(answer.body,
                     (QJsonObject { { "success", false }, { "message", kUnauthenticated } }));
        } else {
            QCOMPARE(answer.body.value(QStringLiteral("success")), QJsonValue(true));
        }
    }

    // A VIP line opens for a VIP account only; the free lines for anyone.
    void vipLinesFollowTheAccount_data()
    {
        QTest::addColumn<QByteArray>("token");
        QTest::addColumn<int>("vipDaysLeft"); // 0: never VIP
        QTest::addColumn<bool>("vipLineOpen");

        QTest::newRow("signed out") << QByteArray() << 0 << false;
        QTest::newRow("token of another service") << QByteArray("42|Xq8fLk2mT0") << 0 << false;
        QTest::newRow("free account") << QByteArray("dev:free-lines@example.com") << 0 << false;
        QTest::newRow("VIP account") << QByteArray("dev:vip-lines@example.com") << 30 << true;
        QTest::newRow("VIP ran out") << QByteArray("dev:lapsed-lines@example.com") << -1 << false;
    }

    void vipLinesFollowTheAccount()
    {
        QFETCH(QByteArray, token);
        QFETCH(int, vipDaysLeft);
        QFETCH(bool, vipLineOpen);

        if (token.startsWith("dev:")) {
            DevService::Account &account = m_dev.accountByEmail(QString::fromLatin1(token.mid(4)));
            account.vipExpiresAt = vipDaysLeft == 0
                ? QDateTime()
                : QDateTime::currentDateTimeUtc().addDays(vipDaysLeft);
        }
        int free = 0;
        int vip = 0;
        for (const QJsonValue &value : servers(token)) {
            const QJsonObject server = value.toObject();
            const bool requiresVip = server.value(QStringLiteral("requires_vip")).toBool();
            QCOMPARE(server.value(QStringLiteral("tier")).toString(),
                     QLatin1String(requiresVip ? "vip" : "free"));
            QCOMPARE(server.value(QStringLiteral("can_connect")),
                     QJsonValue(!requiresVip || vipLineOpen));
            ++(requiresVip ? vip : free);
        }
        QCOMPARE(free, 2);
        QCOMPARE(vip, 1);
    }

    // A new e-mail opens an account and signs it in as a login does; an
    // e-mail that has one is refused with the reason on the e-mail field.
    void registration_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("before"); // "", "login" or "register"
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("message");

        QTest::newRow("new e-mail") << "newcomer@example.com"
                                    << "" << true << "注册成功";
        QTest::newRow("seeded account") << "demo@example.com"
                                        << "" << false << "该邮箱已被注册";
        QTest::newRow("seeded account, other letter case") << "Demo@Example.COM"
                                                           << "" << false << "该邮箱已被注册";
        QTest::newRow("signed in before") << "returning@example.com"
                                          << "login" << false << "该邮箱已被注册";
        QTest::newRow("registered before") << "again@example.com"
                                           << "register" << false << "该邮箱已被注册";
        QTest::newRow("empty e-mail") << ""
                                      << "" << false << "请输入邮箱";
    }

    void registration()
    {
        QFETCH(QString, email);
        QFETCH(QString, before);
        QFETCH(bool, success);
        QFETCH(QString, message);

        int earlierId = 0;
        if (before == QLatin1String("login"))
            earlierId = login(email).id;
        else if (before == QLatin1String("register"))
            earlierId = registration(email).value.id;
        if (!before.isEmpty())
            QVERIFY(earlierId > 0);
        // A sign-in of its own, which a refusal leaves as it is.
        login(QStringLiteral("bystander@example.com"));

        const Outcome<User> outcome = registration(email);
        QCOMPARE(outcome.success, success);
        QCOMPARE(outcome.message, message);
        if (success) {
            QCOMPARE(outcome.value.email, email);
            QCOMPARE(outcome.value.name, email.section(u'@', 0, 0));
            QCOMPARE(outcome.value.isVip, false);
            QCOMPARE(HttpClient::instance()->authToken(), QStringLiteral("dev:") + email);
            // The same account signs in afterwards.
            QCOMPARE(login(email).id, outcome.value.id);
            QVERIFY(outcome.value.id != login(QStringLiteral("demo@example.com")).id);
        } else {
            QCOMPARE(HttpClient::instance()->authToken(),
                     QStringLiteral("dev:bystander@example.com"));
            if (earlierId > 0)
                QCOMPARE(login(email).id, earlierId);
        }
        const Answer raw = send("POST", QStringLiteral("auth/register"),
                                { { "email", email }, { "password", "secret" } });
        if (!success) {
            QCOMPARE(raw.status, 422);
            QCOMPARE(raw.body.value(QStringLiteral("errors")).toObject(),
                     (QJsonObject { { "email", QJsonArray { message } } }));
        }
    }

    // Each line's link names a host of its own, and the client reads it.
    void eachLineHasItsOwnHost()
    {
        QStringList hosts;
        for (const QJsonValue &value : servers({})) {
            const QJsonObject server = value.toObject();
            const auto config
                = VmessParser::parse(server.value(QStringLiteral("vmess_link")).toString());
            QCOMPARE(config.remark, server.value(QStringLiteral("name")).toString());
            QCOMPARE(config.host, config.address);
            QCOMPARE(config.port, 443);
            hosts << config.address;
        }
        QCOMPARE(hosts, (QStringList { "jp1.example.net", "hk1.example.net", "sg1.example.net" }));
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
