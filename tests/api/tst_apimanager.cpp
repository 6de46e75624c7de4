#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include "ApiManager.h"
#include "ChildProcess.h"
#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "MessageLog.h"
#include "models/User.h"
#include "network/HttpClient.h"
#include "services/HeartbeatService.h"
#include "services/OrderService.h"
#include "services/PaymentService.h"
#include "services/ServerService.h"
#include "storage/TokenManager.h"

using Orvo::Api::ApiManager;
using Orvo::Api::Models::User;
using Orvo::Api::Network::HttpClient;
using Orvo::Api::Security::TokenManager;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;

namespace {

QJsonObject userJson(int id, const QString &email)
{
    return { { "id", id }, { "email", email }, { "name", "Lin" }, { "status", "active" } };
}

FakeReply configsReply()
{
    return FakeReply::json(
        { { "success", true },
          { "data",
            QJsonObject {
                { "app_name", QJsonObject { { "type", "string" }, { "value", "X" } } } } } });
}

// One start-up in a fresh process: reports the order of events it saw.
int runChildStep(const QString &mode)
{
    // The stored login is written and removed by the program's own store, in
    // a process of its own, as a previous run would leave it.
    if (mode == QLatin1String("store")) {
        TokenManager::instance()->saveLogin(
            QStringLiteral("tok-stored"), User::fromJson(userJson(5, QStringLiteral("old@x.cn"))));
        Orvo::Testing::writeChildResult({ { "ok", true } });
        return 0;
    }
    if (mode == QLatin1String("clear")) {
        TokenManager::instance()->clearLogin();
        Orvo::Testing::writeChildResult({ { "ok", true } });
        return 0;
    }
    ApiManager *api = ApiManager::instance();
    QStringList events;
    QObject::connect(api, &ApiManager::initialized, api,
                     [&events](bool ok) { events << QStringLiteral("initialized:%1").arg(ok); });
    bool done = false;
    QString emailAtCallback;
    api->initialize([&](bool ok) {
        events << QStringLiteral("callback:%1").arg(ok);
        emailAtCallback = api->currentUser().email;
        done = true;
    });
    if (!QTest::qWaitFor([&]() { return done; }, 10000))
        return 2;
    // Leave only once every reply is in, so no request is cut off at exit.
    if (!HttpClient::instance()->waitForRequestsInFlight(10000))
        return 3;
    Orvo::Testing::writeChildResult({ { "events", QJsonArray::fromStringList(events) },
                                      { "loggedIn", api->isLoggedIn() },
                                      { "email", api->currentUser().email },
                                      { "emailAtCallback", emailAtCallback },
                                      { "token", HttpClient::instance()->authToken() } });
    return 0;
}

} // namespace

class ApiManagerTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;

    void storeLogin() { QVERIFY(Orvo::Testing::runChild("store").value("ok").toBool()); }
    void clearStoredLogin() { QVERIFY(Orvo::Testing::runChild("clear").value("ok").toBool()); }

private slots:
    void initTestCase() { QVERIFY(Orvo::Testing::startAsClientService(m_service)); }

    void init()
    {
        m_service.reset();
        m_service.setReply("GET", "configs", configsReply());
    }

    void startsWithoutStoredLogin()
    {
        clearStoredLogin();
        const QJsonObject result = Orvo::Testing::runChild("start");
        QCOMPARE(result.value("events").toArray(), QJsonArray({ "initialized:1", "callback:1" }));
        QCOMPARE(m_service.requests().size(), 1);
        QCOMPARE(m_service.requests().constFirst().path, QString("configs"));
        QCOMPARE(result.value("loggedIn").toBool(), false);
    }

    void restoresStoredLoginBeforeLoadingConfiguration()
    {
        storeLogin();
        m_service.setReply(
            "GET", "auth/me",
            FakeReply::json({ { "success", true }, { "data", userJson(5, "new@x.cn") } }));
        const QJsonObject result = Orvo::Testing::runChild("start");

        const auto requests = m_service.requests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests.at(0).path, QString("auth/me"));
        QCOMPARE(requests.at(0).header("Authorization"), QByteArray("Bearer tok-stored"));
        QCOMPARE(requests.at(1).path, QString("configs"));
        QVERIFY(!requests.at(1).hasHeader("Authorization"));
        QCOMPARE(result.value("loggedIn").toBool(), true);
        QCOMPARE(result.value("email").toString(), QString("new@x.cn"));
    }

    void callbackDoesNotWaitForTheUserRefresh()
    {
        storeLogin();
        m_service.setReply(
            "GET", "auth/me",
            FakeReply::json({ { "success", true }, { "data", userJson(5, "late@x.cn") } })
                .delayed(800));
        const QJsonObject early = Orvo::Testing::runChild("start");
        QCOMPARE(early.value("events").toArray(), QJsonArray({ "initialized:1", "callback:1" }));
        // The callback came while the refresh was still on its way.
        QCOMPARE(early.value("emailAtCallback").toString(), QString("old@x.cn"));
        QCOMPARE(early.value("email").toString(), QString("late@x.cn"));
    }

    void failedRefreshKeepsTheStoredLogin()
    {
        storeLogin();
        m_service.setReply("GET", "auth/me",
                           FakeReply::json({ { "message", "Unauthenticated." } }, 401));
        const QJsonObject result = Orvo::Testing::runChild("start");
        QCOMPARE(result.value("loggedIn").toBool(), true);
        QCOMPARE(result.value("token").toString(), QString("tok-stored"));
        QCOMPARE(result.value("email").toString(), QString("old@x.cn"));
    }

    void failedConfigurationReportsFailure()
    {
        clearStoredLogin();
        m_service.setReply("GET", "configs", FakeReply::json({}, 500));
        const QJsonObject result = Orvo::Testing::runChild("start");
        QCOMPARE(result.value("events").toArray(), QJsonArray({ "initialized:0", "callback:0" }));
    }

    void canConnect_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("vip");
        QTest::addColumn<bool>("trialUsed");
        QTest::addColumn<int>("trialExpiresInSecs");
        QTest::addColumn<double>("hours");
        QTest::addColumn<bool>("expected");

        QTest::newRow("trial running") << "active" << false << true << 3600 << 0.5 << true;
        QTest::newRow("trial never used") << "active" << false << false << 3600 << 0.5 << false;
        QTest::newRow("trial expired") << "active" << false << true << -60 << 0.5 << false;
        QTest::newRow("no hours left") << "active" << false << true << 3600 << 0.0 << false;
        QTest::newRow("status in other case") << "Active" << false << true << 3600 << 0.5 << false;
        QTest::newRow("vip") << "active" << true << false << 0 << 0.0 << true;
        QTest::newRow("vip suspended") << "suspended" << true << false << 0 << 0.0 << false;
    }

    void canConnect()
    {
        QFETCH(QString, status);
        QFETCH(bool, vip);
        QFETCH(bool, trialUsed);
        QFETCH(int, trialExpiresInSecs);
        QFETCH(double, hours);
        QFETCH(bool, expected);

        User user;
        user.id = 9;
        user.email = "c@x.cn";
        user.status = status;
        user.isVip = vip;
        if (vip)
            user.vipExpiresAt = QDateTime::currentDateTimeUtc().addDays(3);
        user.trialUsed = trialUsed;
        if (trialExpiresInSecs != 0)
            user.trialExpiresAt = QDateTime::currentDateTimeUtc().addSecs(trialExpiresInSecs);
        user.trialHoursRemaining = hours;
        TokenManager::instance()->saveLogin("tok", user);
        QCOMPARE(ApiManager::instance()->canConnect(), expected);
        TokenManager::instance()->clearLogin();
        QCOMPARE(ApiManager::instance()->canConnect(), false);
    }

    void logoutClearsEverything()
    {
        ApiManager *api = ApiManager::instance();
        User user;
        user.id = 3;
        user.email = "l@x.cn";
        user.status = "active";
        TokenManager::instance()->saveLogin("tok-logout", user);
        HttpClient::instance()->setAuthToken("tok-logout");

        m_service.setReply(
            "GET", "servers",
            FakeReply::json(
                { { "success", true }, { "data", QJsonArray { QJsonObject { { "id", 1 } } } } }));
        bool loaded = false;
        Orvo::Api::Services::ServerService::instance()->getAllServers(
            [&loaded](bool, const QString &, const auto &) { loaded = true; });
        QTRY_VERIFY(loaded);
        QCOMPARE(Orvo::Api::Services::ServerService::instance()->servers().size(), 1);

        m_service.setReply(
            "GET", "orders",
            FakeReply::json(
                { { "success", true }, { "data", QJsonArray { QJsonObject { { "id", 2 } } } } }));
        bool ordersLoaded = false;
        Orvo::Api::Services::OrderService::instance()->getAllOrders(
            [&ordersLoaded](bool, const QString &, const auto &) { ordersLoaded = true; });
        QTRY_VERIFY(ordersLoaded);
        QCOMPARE(Orvo::Api::Services::OrderService::instance()->orders().size(), 1);

        m_service.setReply("POST", "heartbeat", FakeReply::json({ { "success", true } }));
        Orvo::Api::Services::HeartbeatService::instance()->startAutoHeartbeat(1, 0);
        QTRY_COMPARE(m_service.count("heartbeat"), 1);

        m_service.setReply(
            "GET", "payments/status/ORD-1",
            FakeReply::json(
                { { "success", true }, { "data", QJsonObject { { "status", "pending" } } } }));
        // Each status query the client sends, counted as it goes out.
        Orvo::Testing::MessageLog::instance()->clear();
        const auto queriesSent = [] {
            return Orvo::Testing::MessageLog::instance()
                ->startingWith("[PaymentService] 查询支付状态: ORD-1")
                .size();
        };
        Orvo::Api::Services::PaymentService::instance()->setPollInterval(100);
        Orvo::Api::Services::PaymentService::instance()->startPolling("ORD-1", {}, {}, {});
        QTRY_VERIFY(m_service.count("payments/status/ORD-1") >= 2);

        m_service.setReply("POST", "auth/logout", FakeReply::json({}, 500));
        QSignalSpy states(api, &ApiManager::loginStateChanged);
        bool called = false;
        QString message;
        api->logout([&](bool ok, const QString &text) {
            called = ok;
            message = text;
        });
        QTRY_VERIFY(called);
        QCOMPARE(message, QString("登出成功"));
        QCOMPARE(states.size(), 3);
        for (const auto &args : states)
            QCOMPARE(args.at(0).toBool(), false);

        QVERIFY(!api->isLoggedIn());
        QCOMPARE(m_service.count("auth/logout"), 1);
        QCOMPARE(m_service.requests("heartbeat")
                     .constLast()
                     .json()
                     .value("connection_status")
                     .toString(),
                 QString("disconnected"));
        QVERIFY(Orvo::Api::Services::ServerService::instance()->servers().isEmpty());
        QVERIFY(Orvo::Api::Services::OrderService::instance()->orders().isEmpty());

        // Nothing keeps running: no more heartbeats, no more status queries.
        // A query sent before the logout may still be on its way to the service.
        const int polls = queriesSent();
        QTRY_COMPARE(m_service.count("payments/status/ORD-1"), polls);
        const int heartbeats = m_service.count("heartbeat");
        QTest::qWait(600);
        QCOMPARE(m_service.count("heartbeat"), heartbeats);
        QCOMPARE(queriesSent(), polls);
        QCOMPARE(m_service.count("payments/status/ORD-1"), polls);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString mode = Orvo::Testing::childMode();
    if (!mode.isEmpty())
        return runChildStep(mode);
    ApiManagerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_apimanager.moc"
