#include <climits>
#include <functional>
#include <memory>
#include <utility>

#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "MessageLog.h"
#include "QmlApiAdapter.h"
#include "SignalLog.h"
#include "models/User.h"
#include "network/HttpClient.h"
#include "services/PaymentService.h"
#include "storage/TokenManager.h"
#include "vpn/ConnectionFailureReason.h"
#include "vpn/VpnConnectionService.h"

using Orvo::Api::QmlApiAdapter;
using Orvo::Api::Models::User;
using Orvo::Api::Network::HttpClient;
using Orvo::Api::Security::TokenManager;
using Orvo::Api::Services::ConnectionFailureReason;
using Orvo::Api::Services::PaymentService;
using Orvo::Api::Services::VpnConnectionService;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;
using Orvo::Testing::MessageLog;
using Orvo::Testing::SignalLog;

using Call = std::function<void(QmlApiAdapter *)>;
Q_DECLARE_METATYPE(Call)

namespace {

constexpr int kWaitMs = 5000;
const QString kForcedOfflineText = QStringLiteral("您的账号在其他设备登录，已被强制下线");

QJsonObject userJson(int id, const QString &email)
{
    return { { "id", id },
             { "email", email },
             { "name", "Lin" },
             { "status", "active" },
             { "is_vip", false },
             { "trial_used", true },
             { "trial_hours_total", 2 },
             { "trial_hours_remaining", 1.5 } };
}

QJsonObject ok(const QJsonValue &data, const QString &message = QStringLiteral("成功"))
{
    return { { "success", true }, { "message", message }, { "data", data } };
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

// Differences between two maps, key for key, each value with its type.
QString mapDifferences(const QVariantMap &actual, const QVariantMap &expected)
{
    QStringList lines;
    if (actual.keys() != expected.keys())
        lines << QStringLiteral("keys: %1 instead of %2")
                     .arg(actual.keys().join(u','), expected.keys().join(u','));
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QVariant have = actual.value(it.key());
        if (have.metaType() != it.value().metaType())
            lines << QStringLiteral("%1: type %2 instead of %3")
                         .arg(it.key(), QLatin1String(have.metaType().name()),
                              QLatin1String(it.value().metaType().name()));
        else if (have != it.value())
            lines << QStringLiteral("%1: %2 instead of %3")
                         .arg(it.key(), have.toString(), it.value().toString());
    }
    return lines.join(u'\n');
}

#define VERIFY_MAP(actual, expected)                                                               \
    do {                                                                                           \
        const QString differences = mapDifferences((actual), (expected));                          \
        QVERIFY2(differences.isEmpty(), qPrintable(differences));                                  \
    } while (false)

} // namespace

class QmlApiAdapterTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    std::unique_ptr<QmlApiAdapter> m_api;
    std::unique_ptr<SignalLog> m_log;

    void signIn(const User &user)
    {
        TokenManager::instance()->saveLogin(QStringLiteral("tok-signed-in"), user);
        HttpClient::instance()->setAuthToken(QStringLiteral("tok-signed-in"));
        m_log->clear();
    }

    void signIn() { signIn(User::fromJson(userJson(7, QStringLiteral("lin@example.com")))); }

    // Waits until the log holds a signal of that name.
    bool waitFor(const QByteArray &name, int timeoutMs = kWaitMs)
    {
        return QTest::qWaitFor([&]() { return m_log->count(name) > 0; }, timeoutMs);
    }

    QVariantMap firstMap(const QByteArray &name) const
    {
        const QList<SignalLog::Event> events = m_log->named(name);
        return events.isEmpty() ? QVariantMap() : events.first().arguments.value(0).toMap();
    }

    QVariantList firstList(const QByteArray &name) const
    {
        const QList<SignalLog::Event> events = m_log->named(name);
        return events.isEmpty() ? QVariantList() : events.first().arguments.value(0).toList();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Orvo::Testing::startAsClientService(m_service));
        PaymentService::instance()->setPollInterval(50);
    }

    void init()
    {
        m_service.reset();
        TokenManager::instance()->clearLogin();
        HttpClient::instance()->clearAuthToken();
        m_api = std::make_unique<QmlApiAdapter>();
        m_log = std::make_unique<SignalLog>(m_api.get());
    }

    void cleanup()
    {
        PaymentService::instance()->stopPolling();
        m_log.reset();
        m_api.reset();
        // Lets replies still on their way arrive while nothing listens.
        QTest::qWait(20);
    }

    // --- user properties and permission check ---

    void loggedOutShowsTheDefaults()
    {
        QCOMPARE(m_api->property("isLoggedIn").toBool(), false);
        QCOMPARE(m_api->property("userEmail").toString(), QString());
        QCOMPARE(m_api->property("userName").toString(), QString());
        QCOMPARE(m_api->property("isVip").toBool(), false);
        QCOMPARE(m_api->property("vipExpiresAt").toString(), QString());
        QCOMPARE(m_api->property("vipDays").toInt(), 0);
        QCOMPARE(m_api->property("freeMinutes").toInt(), 120);
        QCOMPARE(m_api->property("canConnect").toBool(), false);
        QCOMPARE(m_api->checkVpnPermission(5, false), 1);
        QCOMPARE(m_api->checkVpnPermission(0, true), 1);
        QCOMPARE(m_api->checkVpnPermission(-3, false), 1);
    }

    void userPropertiesFollowTheStoredUser_data()
    {
        QTest::addColumn<bool>("vipFlag");
        QTest::addColumn<qint64>("vipMs"); // VIP expiry from now; 0 for none
        QTest::addColumn<double>("hoursRemaining");
        QTest::addColumn<int>("hoursTotal");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("isVip");
        QTest::addColumn<int>("vipDays");
        QTest::addColumn<int>("freeMinutes");
        QTest::addColumn<bool>("canConnect");

        // Half a second of slack on every expiry: the values are taken when the
        // login is stored, a moment after the row was built.
        constexpr qint64 dayMs = 86400 * 1000LL;
        QTest::newRow("vip, ten days and a second")
            << true << 10 * dayMs + 1500 << 1.0 << 2 << "active" << true << 11 << 0 << true;
        QTest::newRow("vip, exactly a day")
            << true << dayMs + 500 << 0.0 << 0 << "active" << true << 1 << 0 << true;
        QTest::newRow("vip, a day and a second")
            << true << dayMs + 1500 << 0.0 << 0 << "active" << true << 2 << 0 << true;
        QTest::newRow("vip, seconds left")
            << true << qint64(1500) << 0.0 << 0 << "active" << true << 1 << 0 << true;
        QTest::newRow("vip flag, expiry passed")
            << true << -3 * dayMs << 1.5 << 2 << "active" << false << 0 << 90 << true;
        QTest::newRow("vip flag, no expiry")
            << true << qint64(0) << 0.0 << 3 << "active" << false << 0 << 180 << false;
        QTest::newRow("trial, 0.01 h truncates")
            << false << qint64(0) << 0.01 << 2 << "active" << false << 0 << 0 << true;
        QTest::newRow("trial used up, total 2")
            << false << qint64(0) << 0.0 << 2 << "active" << false << 0 << 120 << false;
        QTest::newRow("nothing at all")
            << false << qint64(0) << -0.5 << 0 << "active" << false << 0 << 120 << false;
        QTest::newRow("vip of a suspended account")
            << true << 5 * dayMs << 0.0 << 0 << "suspended" << true << 5 << 0 << false;
        QTest::newRow("status in other case")
            << true << 5 * dayMs << 0.0 << 0 << "Active" << true << 5 << 0 << false;
    }

    void userPropertiesFollowTheStoredUser()
    {
        QFETCH(bool, vipFlag);
        QFETCH(qint64, vipMs);
        QFETCH(double, hoursRemaining);
        QFETCH(int, hoursTotal);
        QFETCH(QString, status);

        User user = User::fromJson(userJson(7, QStringLiteral("lin@example.com")));
        user.status = status;
        user.isVip = vipFlag;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        user.vipExpiresAt = vipMs == 0 ? QDateTime() : now.addMSecs(vipMs);
        user.trialHoursRemaining = hoursRemaining;
        user.trialHoursTotal = hoursTotal;
        user.trialExpiresAt = now.addSecs(3600);

        QSignalSpy changed(m_api.get(), &QmlApiAdapter::userInfoChanged);
        signIn(user);

        QVERIFY(changed.count() >= 1);
        QCOMPARE(m_api->property("isLoggedIn").toBool(), true);
        QCOMPARE(m_api->property("userEmail").toString(), QStringLiteral("lin@example.com"));
        QCOMPARE(m_api->property("userName").toString(), QStringLiteral("Lin"));
        QTEST(m_api->property("isVip").toBool(), "isVip");
        QTEST(m_api->property("vipDays").toInt(), "vipDays");
        QTEST(m_api->property("freeMinutes").toInt(), "freeMinutes");
        QTEST(m_api->property("canConnect").toBool(), "canConnect");
        QCOMPARE(m_api->property("vipExpiresAt").toString(),
                 user.vipExpiresAt.isValid() ? user.vipExpiresAt.toString(Qt::ISODate) : QString());
    }

    void checksPermissionOnTheShownValues()
    {
        User vip = User::fromJson(userJson(7, QStringLiteral("lin@example.com")));
        vip.isVip = true;
        vip.vipExpiresAt = QDateTime::currentDateTimeUtc().addDays(3);
        signIn(vip);
        QCOMPARE(m_api->checkVpnPermission(5, true), 0);
        QCOMPARE(m_api->checkVpnPermission(0, true), 2);

        signIn(); // 1.5 hours of trial left
        QCOMPARE(m_api->checkVpnPermission(5, true), 3);
        QCOMPARE(m_api->checkVpnPermission(5, false), 0);
        QCOMPARE(m_api->checkVpnPermission(-1, false), 2);
        QVERIFY(m_log->events().isEmpty());
    }

    void failureReasonTextsAreTheEngines()
    {
        // The texts themselves are the engine's table; the bridge hands on every
        // code, the ones outside it included.
        QList<int> codes { -1, INT_MIN, INT_MAX };
        for (int code = 0; code <= 12; ++code)
            codes << code;
        for (const int code : std::as_const(codes))
            QCOMPARE(m_api->getVpnFailureReasonText(code),
                     Orvo::Api::Services::failureReasonText(code));
        QCOMPARE(m_api->getVpnFailureReasonText(9),
                 QString("您的账号在其他设备登录，已被强制下线"));
    }

    // --- login, registration, refresh ---

    void loginSignsInAndReportsInOrder()
    {
        m_service.setReply("POST", "auth/login",
                           FakeReply::json({ { "success", true },
                                             { "message", "登录成功" },
                                             { "token", "tok-1" },
                                             { "data", userJson(7, "lin@example.com") } }));
        m_service.setReply("GET", "configs", FakeReply::json(ok(QJsonObject {})));

        m_api->login(QStringLiteral("lin@example.com"), QStringLiteral("pw-1"));
        QVERIFY(waitFor("systemConfigLoaded"));

        QCOMPARE(m_log->texts(),
                 QStringList({ "userInfoChanged", "loginStateChanged(true)", // login stored
                               "userInfoChanged", "loginSuccess", "loginStateChanged(true)",
                               "userInfoChanged", "loginStateChanged(true)", // login announced
                               "systemConfigLoaded({…})" }));
        QCOMPARE(m_service.requests("auth/login").constFirst().json().value("password").toString(),
                 QStringLiteral("pw-1"));
        QCOMPARE(m_service.count("configs"), 1);
        QCOMPARE(m_api->property("isLoggedIn").toBool(), true);
        QCOMPARE(m_api->property("userEmail").toString(), QStringLiteral("lin@example.com"));
        QCOMPARE(m_api->property("freeMinutes").toInt(), 90);
    }

    void failedLoginReportsOnlyTheError_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<QString>("message");

        QTest::newRow("refused") << FakeReply::json(
            { { "success", false }, { "message", "邮箱或密码错误" } }, 422)
                                 << "邮箱或密码错误";
        QTest::newRow("no token") << FakeReply::json(ok(userJson(7, "lin@example.com")))
                                  << "响应数据无效";
        QTest::newRow("user without id")
            << FakeReply::json({ { "success", true },
                                 { "token", "tok-1" },
                                 { "data", userJson(0, "lin@example.com") } })
            << "响应数据无效";
        QTest::newRow("user without e-mail") << FakeReply::json(
            { { "success", true }, { "token", "tok-1" }, { "data", userJson(7, "") } })
                                             << "响应数据无效";
    }

    void failedLoginReportsOnlyTheError()
    {
        QFETCH(FakeReply, reply);
        QFETCH(QString, message);
        m_service.setReply("POST", "auth/login", reply);

        m_api->login(QStringLiteral("lin@example.com"), QStringLiteral("pw-1"));
        QVERIFY(waitFor("loginError"));
        QTest::qWait(50);

        QCOMPARE(m_log->texts(), QStringList { "loginError(" + message + ")" });
        QCOMPARE(m_api->property("isLoggedIn").toBool(), false);
        QCOMPARE(m_service.count("configs"), 0);
    }

    void registrationSignsIn_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QJsonValue>("sentCode");

        QTest::newRow("with a code") << Call([](QmlApiAdapter *api) {
            api->registerUser("lin@example.com", "pw-1", "Lin", "FRIEND1");
        }) << QJsonValue("FRIEND1");
        QTest::newRow("code left out, as QML may") << Call([](QmlApiAdapter *api) {
            QVERIFY(QMetaObject::invokeMethod(api, "registerUser",
                                              Q_ARG(QString, "lin@example.com"),
                                              Q_ARG(QString, "pw-1"), Q_ARG(QString, "Lin")));
        }) << QJsonValue(QJsonValue::Null);
    }

    void registrationSignsIn()
    {
        QFETCH(Call, call);
        m_service.setReply("POST", "auth/register",
                           FakeReply::json({ { "success", true },
                                             { "token", "tok-2" },
                                             { "data", userJson(8, "lin@example.com") } }));
        m_service.setReply("GET", "configs", FakeReply::json(ok(QJsonObject {})));

        call(m_api.get());
        QVERIFY(waitFor("systemConfigLoaded"));

        QCOMPARE(
            m_log->texts(),
            QStringList({ "userInfoChanged", "loginStateChanged(true)", "userInfoChanged",
                          "loginSuccess", "loginStateChanged(true)", "systemConfigLoaded({…})" }));
        const QJsonObject sent = m_service.requests("auth/register").constFirst().json();
        QCOMPARE(sent.value("name").toString(), QStringLiteral("Lin"));
        QTEST(sent.value("reffer_code"), "sentCode");
        QCOMPARE(m_api->property("isLoggedIn").toBool(), true);
    }

    void failedRegistrationReportsALoginError()
    {
        m_service.setReply(
            "POST", "auth/register",
            FakeReply::json(
                { { "success", false },
                  { "message", "校验失败" },
                  { "errors", QJsonObject { { "email", QJsonArray { "邮箱已被注册" } } } } },
                422));
        m_api->registerUser("lin@example.com", "pw-1", "Lin");
        QVERIFY(waitFor("loginError"));
        QTest::qWait(50);
        QCOMPARE(m_log->texts(), QStringList { "loginError(邮箱已被注册)" });
    }

    void refreshTakesTheNewStanding()
    {
        signIn();
        QJsonObject vip = userJson(7, "lin@example.com");
        vip.insert("is_vip", true);
        vip.insert("vip_expires_at",
                   QDateTime::currentDateTimeUtc().addDays(30).toString(Qt::ISODate));
        m_service.setReply("GET", "auth/me", FakeReply::json(ok(vip)));

        m_api->refreshUserInfo();
        QVERIFY(QTest::qWaitFor([&]() { return m_api->property("isVip").toBool(); }, kWaitMs));
        QCOMPARE(m_api->property("vipDays").toInt(), 30);
        QCOMPARE(m_api->property("freeMinutes").toInt(), 0);
        QVERIFY(m_log->count("userInfoChanged") >= 1);
    }

    void failedRefreshIsSilent()
    {
        signIn();
        m_service.setReply("GET", "auth/me",
                           FakeReply::json({ { "success", false }, { "message", "坏了" } }, 500));
        m_api->refreshUserInfo();
        QVERIFY(QTest::qWaitFor([&]() { return m_service.count("auth/me") == 1; }, kWaitMs));
        QTest::qWait(100);
        QVERIFY(m_log->events().isEmpty());
        QCOMPARE(m_api->property("freeMinutes").toInt(), 90);
    }

    void aReplyAfterTheAdapterIsGoneIsDropped()
    {
        m_service.setReply("POST", "auth/login",
                           FakeReply::json({ { "success", true },
                                             { "token", "tok-1" },
                                             { "data", userJson(7, "lin@example.com") } })
                               .delayed(100));
        m_service.setReply("GET", "servers", FakeReply::json(ok(QJsonArray {})).delayed(100));
        m_api->login(QStringLiteral("lin@example.com"), QStringLiteral("pw-1"));
        m_api->getServers();
        m_log.reset();
        m_api.reset();
        QVERIFY(QTest::qWaitFor([&]() { return TokenManager::instance()->isLoggedIn(); }, kWaitMs));
        QTest::qWait(150);
        QCOMPARE(m_service.count("configs"), 0);
    }

    // --- requests and their maps ---

    void serversGoByTier_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("query");
        QTest::newRow("left out") << Call([](QmlApiAdapter *api) {
            QVERIFY(QMetaObject::invokeMethod(api, "getServers"));
        }) << "";
        QTest::newRow("empty") << Call([](QmlApiAdapter *api) { api->getServers(""); }) << "";
        QTest::newRow("all") << Call([](QmlApiAdapter *api) { api->getServers("all"); }) << "";
        QTest::newRow("free") << Call([](QmlApiAdapter *api) { api->getServers("free"); })
                              << "tier=free";
        QTest::newRow("vip") << Call([](QmlApiAdapter *api) { api->getServers("vip"); })
                             << "tier=vip";
        QTest::newRow("ALL is a tier")
            << Call([](QmlApiAdapter *api) { api->getServers("ALL"); }) << "tier=ALL";
        QTest::newRow("other") << Call([](QmlApiAdapter *api) { api->getServers("premium"); })
                               << "tier=premium";
    }

    void serversGoByTier()
    {
        QFETCH(Call, call);
        signIn();
        m_service.setReply("GET", "servers", FakeReply::json(ok(QJsonArray {})));
        call(m_api.get());
        QVERIFY(waitFor("serversLoaded"));
        QTEST(m_service.requests("servers").constFirst().queryString, "query");
        // An empty list is still delivered.
        QCOMPARE(m_log->texts(), QStringList { "serversLoaded([…])" });
        QVERIFY(firstList("serversLoaded").isEmpty());
    }

    void serversArriveAsMaps()
    {
        signIn();
        const QJsonObject tokyo { { "id", 3 },
                                  { "name", "JP" },
                                  { "country_code", "JP" },
                                  { "city", "Tokyo" },
                                  { "location", "日本 东京" },
                                  { "tier", "free" },
                                  { "tier_text", "免费" },
                                  { "requires_vip", false },
                                  { "can_connect", true },
                                  { "status", "online" },
                                  { "vmess_link", "vmess://abc" },
                                  { "max_users", 200 },
                                  { "current_users", 50 },
                                  { "cpu_usage", 12.5 },
                                  { "host", "jp.example" } };
        const QJsonObject seoul { { "id", 4 },
                                  { "name", "首尔 VIP 01" },
                                  { "country_code", "KR" } };
        m_service.setReply("GET", "servers", FakeReply::json(ok(QJsonArray { tokyo, seoul })));

        m_api->getServers("free");
        QVERIFY(waitFor("serversLoaded"));
        const QVariantList list = firstList("serversLoaded");
        QCOMPARE(list.size(), 2);
        VERIFY_MAP(list.at(0).toMap(),
                   QVariantMap({ { "id", 3 },
                                 { "name", QString("日本 东京") },
                                 { "countryCode", QString("JP") },
                                 { "city", QString("Tokyo") },
                                 { "location", QString("日本 东京") },
                                 { "tier", QString("free") },
                                 { "tierText", QString("免费") },
                                 { "requiresVip", false },
                                 { "canConnect", true },
                                 { "status", QString("online") },
                                 { "flag", QString("🇯🇵") },
                                 { "vmessLink", QString("vmess://abc") },
                                 { "maxUsers", 200 },
                                 { "currentUsers", 50 },
                                 { "cpuUsage", 12.5 },
                                 { "loadPercentage", 25.0 } }));
        const QVariantMap second = list.at(1).toMap();
        QCOMPARE(second.value("name").toString(), QStringLiteral("首尔 VIP 01"));
        QCOMPARE(second.value("loadPercentage").toDouble(), 0.0);
    }

    void resultsArriveAsMaps_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonObject>("data");
        QTest::addColumn<QString>("signal");
        QTest::addColumn<QVariantMap>("expected");

        QTest::newRow("server detail")
            << true << Call([](QmlApiAdapter *a) { a->getServerById(8); }) << "servers/8"
            << QJsonObject { { "id", 8 },
                             { "name", "us" },
                             { "country_code", "US" },
                             { "city", "Dallas" },
                             { "location", "" },
                             { "tier", "vip" },
                             { "tier_text", "" },
                             { "requires_vip", true },
                             { "can_connect", false },
                             { "status", "busy" },
                             { "vmess_link", "vmess://x" },
                             { "max_users", 10 } }
            << "serverDetailLoaded"
            << QVariantMap({ { "id", 8 },
                             { "name", QString("US Dallas") },
                             { "countryCode", QString("US") },
                             { "city", QString("Dallas") },
                             { "location", QString() },
                             { "tier", QString("vip") },
                             { "tierText", QString() },
                             { "requiresVip", true },
                             { "canConnect", false },
                             { "status", QString("busy") },
                             { "flag", QString("🇺🇸") } });

        auto item = [](const char *type, const QJsonValue &value) {
            return QJsonObject { { "type", type }, { "value", value } };
        };
        // Registration stays open when the service does not say otherwise.
        QTest::newRow("configuration")
            << false << Call([](QmlApiAdapter *a) { a->getSystemConfig(); }) << "configs"
            << QJsonObject { { "app_name", item("string", "Tolvane") },
                             { "app_version", item("string", "1.2.0") },
                             { "site_name", item("string", "tolvane.example") },
                             { "free_trial_enabled", item("boolean", true) },
                             { "vip_trial_enabled", item("boolean", false) },
                             { "maintenance_mode", item("boolean", false) },
                             { "max_devices", item("number", 5) },
                             { "vpn_encrypt_key", item("string", "secret") } }
            << "systemConfigLoaded"
            << QVariantMap({ { "appName", QString("Tolvane") },
                             { "appVersion", QString("1.2.0") },
                             { "siteName", QString("tolvane.example") },
                             { "freeTrialEnabled", true },
                             { "vipTrialEnabled", false },
                             { "maintenanceMode", false },
                             { "enableRegistration", true },
                             { "maxDevices", 5 } });

        QTest::newRow("trial status keeps the service texts")
            << true << Call([](QmlApiAdapter *a) { a->getTrialStatus(); }) << "trial/status"
            << QJsonObject { { "trial",
                               QJsonObject { { "enabled", true },
                                             { "available", false },
                                             { "used", true },
                                             { "expires_at", "2026-02-01 10:00:00" },
                                             { "hours_total", 2 },
                                             { "hours_used", 0.5 },
                                             { "hours_remaining", 1.5 } } },
                             { "vip",
                               QJsonObject { { "enabled", true },
                                             { "is_vip", false },
                                             { "expires_at", QJsonValue::Null },
                                             { "days_remaining", 0 } } },
                             { "account_status", "active" } }
            << "trialStatusLoaded"
            << QVariantMap({ { "trialEnabled", true },
                             { "trialAvailable", false },
                             { "trialUsed", true },
                             { "trialExpiresAt", QString("2026-02-01 10:00:00") },
                             { "trialHoursTotal", 2 },
                             { "trialHoursUsed", 0.5 },
                             { "trialHoursRemaining", 1.5 },
                             { "isVip", false },
                             { "vipExpiresAt", QString() },
                             { "vipDaysRemaining", 0 } });

        QTest::newRow("heartbeat statistics")
            << true << Call([](QmlApiAdapter *a) { a->getHeartbeatStats(); }) << "heartbeat/stats"
            << QJsonObject { { "online_users", 12 }, { "online_devices", 30 } }
            << "heartbeatStatsLoaded"
            << QVariantMap({ { "onlineUsers", 12 }, { "onlineDevices", 30 } });
    }

    void resultsArriveAsMaps()
    {
        QFETCH(bool, signedIn);
        QFETCH(Call, call);
        QFETCH(QString, path);
        QFETCH(QJsonObject, data);
        QFETCH(QString, signal);
        QFETCH(QVariantMap, expected);
        if (signedIn)
            signIn();
        m_service.setReply("GET", path, FakeReply::json(ok(data)));

        call(m_api.get());
        QVERIFY(waitFor(signal.toLatin1()));
        VERIFY_MAP(firstMap(signal.toLatin1()), expected);
    }

    void announcementsArriveWithDateValues()
    {
        const QJsonObject item { { "id", 4 },
                                 { "title", "维护通知" },
                                 { "content", "今晚维护" },
                                 { "type", "notice" },
                                 { "published_at", "2026-01-02T03:04:05Z" },
                                 { "created_at", QJsonValue::Null } };
        m_service.setReply("GET", "announcements", FakeReply::json(ok(QJsonArray { item })));

        m_api->getAnnouncements();
        QVERIFY(waitFor("announcementsLoaded"));
        QCOMPARE(m_service.requests("announcements").constFirst().query.queryItemValue("platform"),
                 QStringLiteral("windows"));
        QVERIFY(!m_service.requests("announcements").constFirst().query.hasQueryItem("limit"));
        const QVariantList list = firstList("announcementsLoaded");
        QCOMPARE(list.size(), 1);
        VERIFY_MAP(list.at(0).toMap(),
                   QVariantMap({ { "id", 4 },
                                 { "title", QString("维护通知") },
                                 { "content", QString("今晚维护") },
                                 { "type", QString("notice") },
                                 { "publishedAt", utc(2026, 1, 2, 3, 4, 5) },
                                 { "createdAt", QDateTime() } }));
    }

    void ordersArriveWithDateValues()
    {
        signIn();
        const QJsonObject order { { "id", 9 },
                                  { "order_number", "ORD-9" },
                                  { "plan_name", "月卡" },
                                  { "plan_days", 30 },
                                  { "amount", 19.9 },
                                  { "payment_currency", "CNY" },
                                  { "payment_method", "alipay" },
                                  { "payment_method_text", "支付宝" },
                                  { "provider_code", "ali" },
                                  { "provider_name", "Alipay" },
                                  { "third_party_order_id", "T-1" },
                                  { "payment_id", "P-1" },
                                  { "status", "paid" },
                                  { "status_text", "已支付" },
                                  { "created_at", "2026-01-02T03:04:05Z" },
                                  { "paid_at", "2026-01-02T03:05:00Z" },
                                  { "updated_at", "2026-01-02T03:06:00Z" } };
        m_service.setReply("GET", "orders",
                           FakeReply::json({ { "success", true },
                                             { "data", QJsonArray { order } },
                                             { "meta", QJsonObject { { "current_page", 1 } } } }));

        m_api->getUserOrders();
        QVERIFY(waitFor("ordersLoaded"));
        const QUrlQuery query = m_service.requests("orders").constFirst().query;
        QCOMPARE(query.queryItemValue("page"), QStringLiteral("1"));
        QCOMPARE(query.queryItemValue("per_page"), QStringLiteral("100"));
        const QVariantList list = firstList("ordersLoaded");
        QCOMPARE(list.size(), 1);
        VERIFY_MAP(list.at(0).toMap(),
                   QVariantMap({ { "id", 9 },
                                 { "orderNumber", QString("ORD-9") },
                                 { "planName", QString("月卡") },
                                 { "planDays", 30 },
                                 { "amount", 19.9 },
                                 { "paymentCurrency", QString("CNY") },
                                 { "paymentMethod", QString("alipay") },
                                 { "paymentMethodText", QString("支付宝") },
                                 { "status", QString("paid") },
                                 { "statusText", QString("已支付") },
                                 { "createdAt", utc(2026, 1, 2, 3, 4, 5) },
                                 { "paidAt", utc(2026, 1, 2, 3, 5, 0) } }));
    }

    void plansArriveAsMaps()
    {
        const QJsonObject plan { { "id", 1 },
                                 { "name", "月卡" },
                                 { "description", "30天VIP" },
                                 { "days", 30 },
                                 { "days_text", "30天" },
                                 { "price", 19.9 },
                                 { "currency", "CNY" },
                                 { "formatted_price", "¥19.90" },
                                 { "is_active", false },
                                 { "sort_order", 2 },
                                 { "created_at", "2026-01-01" } };
        m_service.setReply("GET", "plans", FakeReply::json(ok(QJsonArray { plan })));

        m_api->getSubscriptionPlans();
        QVERIFY(waitFor("plansLoaded"));
        const QVariantList list = firstList("plansLoaded");
        QCOMPARE(list.size(), 1);
        VERIFY_MAP(list.at(0).toMap(),
                   QVariantMap({ { "id", 1 },
                                 { "name", QString("月卡") },
                                 { "days", 30 },
                                 { "price", 19.9 },
                                 { "currency", QString("CNY") },
                                 { "description", QString("30天VIP") },
                                 { "formattedPrice", QString("¥19.90") },
                                 { "daysText", QString("30天") },
                                 { "isActive", false } }));
    }

    void freeTrialRefreshesTheUserFirst()
    {
        User fresh = User::fromJson(userJson(7, "lin@example.com"));
        fresh.trialUsed = false;
        fresh.trialHoursRemaining = 0;
        fresh.trialHoursTotal = 0;
        signIn(fresh);
        QJsonObject user = userJson(7, "lin@example.com");
        user.insert("trial_hours_remaining", 2.0);
        m_service.setReply("POST", "trial/activate-free", FakeReply::json(ok(user, "激活成功")));

        m_api->activateFreeTrial();
        QVERIFY(waitFor("trialActivated"));
        QCOMPARE(m_log->texts(), QStringList({ "userInfoChanged", "trialActivated({…})" }));
        VERIFY_MAP(firstMap("trialActivated"),
                   QVariantMap({ { "id", 7 },
                                 { "email", QString("lin@example.com") },
                                 { "name", QString("Lin") },
                                 { "isVip", false },
                                 { "trialUsed", true },
                                 { "trialHoursRemaining", 2.0 } }));
        QCOMPARE(m_api->property("freeMinutes").toInt(), 120);
    }

    void vipTrialCarriesTheExpiryAsText()
    {
        signIn();
        QJsonObject user = userJson(7, "lin@example.com");
        user.insert("is_vip", true);
        user.insert("vip_expires_at", "2031-05-06T07:08:09Z");
        m_service.setReply("POST", "trial/activate-vip", FakeReply::json(ok(user, "激活成功")));

        m_api->activateVipTrial();
        QVERIFY(waitFor("trialActivated"));
        QCOMPARE(m_log->texts(), QStringList({ "userInfoChanged", "trialActivated({…})" }));
        VERIFY_MAP(firstMap("trialActivated"),
                   QVariantMap({ { "id", 7 },
                                 { "email", QString("lin@example.com") },
                                 { "name", QString("Lin") },
                                 { "isVip", true },
                                 { "vipExpiresAt", QString("2031-05-06T07:08:09Z") } }));
        QCOMPARE(m_api->property("isVip").toBool(), true);
        QCOMPARE(m_api->property("freeMinutes").toInt(), 0);
    }

    void paymentCreationArrivesAsAMap()
    {
        signIn();
        const QJsonObject data { { "order_id", "ORD-1" },
                                 { "payment_url", "https://pay.example/qr/ORD-1" },
                                 { "amount", 19.9 },
                                 { "plan_name", "月卡" },
                                 { "plan_days", 30 } };
        m_service.setReply("POST", "payments/create", FakeReply::json(ok(data, "订单已创建")));

        m_api->createPayment(2, QStringLiteral("alipay"));
        QVERIFY(waitFor("paymentCreated"));
        const QJsonObject sent = m_service.requests("payments/create").constFirst().json();
        QCOMPARE(sent.value("plan_id").toInt(), 2);
        QCOMPARE(sent.value("payment_method").toString(), QStringLiteral("alipay"));
        VERIFY_MAP(firstMap("paymentCreated"),
                   QVariantMap({ { "orderId", QString("ORD-1") },
                                 { "paymentUrl", QString("https://pay.example/qr/ORD-1") },
                                 { "amount", 19.9 },
                                 { "planName", QString("月卡") },
                                 { "planDays", 30 } }));
    }

    void oneOffPaymentStatusSpeaksOrderWords_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("paid") << "paid" << QStringList { "paymentCompleted(ORD-1)" };
        QTest::newRow("failed") << "failed" << QStringList { "paymentFailed(ORD-1, failed)" };
        QTest::newRow("cancelled")
            << "cancelled" << QStringList { "paymentFailed(ORD-1, cancelled)" };
        QTest::newRow("completed is not final here") << "completed" << QStringList {};
        QTest::newRow("pending") << "pending" << QStringList {};
    }

    void oneOffPaymentStatusSpeaksOrderWords()
    {
        QFETCH(QString, status);
        QFETCH(QStringList, after);
        signIn();
        // The reply names another order: the screen's number is the one reported.
        const QJsonObject data { { "order_id", "ORD-REPLY" },
                                 { "status", status },
                                 { "amount", 19.9 },
                                 { "plan_name", "月卡" },
                                 { "plan_days", 30 },
                                 { "payment_method", "alipay" },
                                 { "paid_at", "2026-01-02 03:04:05" },
                                 { "created_at", "x" } };
        m_service.setReply("GET", "payments/status/ORD-1", FakeReply::json(ok(data)));

        m_api->getPaymentStatus(QStringLiteral("ORD-1"));
        QVERIFY(waitFor("paymentStatusLoaded"));
        QTest::qWait(20);
        QCOMPARE(m_log->texts(), QStringList { "paymentStatusLoaded({…})" } + after);
        VERIFY_MAP(firstMap("paymentStatusLoaded"),
                   QVariantMap({ { "orderId", QString("ORD-REPLY") },
                                 { "status", status },
                                 { "amount", 19.9 },
                                 { "planName", QString("月卡") },
                                 { "planDays", 30 },
                                 { "paymentMethod", QString("alipay") },
                                 { "paidAt", QString("2026-01-02 03:04:05") } }));
    }

    void pollingReportsEachStatusAndTheCompletion()
    {
        signIn();
        auto status = [](const char *word) {
            return FakeReply::json(ok(QJsonObject { { "order_id", "ORD-REPLY" },
                                                    { "status", word },
                                                    { "amount", 9.9 },
                                                    { "plan_name", "周卡" },
                                                    { "plan_days", 7 },
                                                    { "payment_method", "alipay" },
                                                    { "paid_at", QJsonValue::Null } }));
        };
        m_service.queueReply("GET", "payments/status/ORD-5", status("pending"));
        m_service.queueReply("GET", "payments/status/ORD-5",
                             FakeReply::json({ { "success", false }, { "message", "忙" } }, 500));
        m_service.setReply("GET", "payments/status/ORD-5", status("completed"));
        QJsonObject vip = userJson(7, "lin@example.com");
        vip.insert("is_vip", true);
        vip.insert("vip_expires_at",
                   QDateTime::currentDateTimeUtc().addDays(7).toString(Qt::ISODate));
        m_service.setReply("GET", "auth/me", FakeReply::json(ok(vip)));

        m_api->startPollingPayment(QStringLiteral("ORD-5"));
        QVERIFY(waitFor("paymentCompleted"));
        QVERIFY(QTest::qWaitFor([&]() { return m_api->property("isVip").toBool(); }, kWaitMs));

        // The failed query in between reports nothing.
        QCOMPARE(m_log->count("paymentStatusLoaded"), 2);
        QCOMPARE(m_log->named("paymentCompleted").first().arguments,
                 QVariantList { QStringLiteral("ORD-5") });
        QCOMPARE(m_log->count("paymentFailed"), 0);
        QCOMPARE(m_log->count("paymentStatusError"), 0);
        QCOMPARE(m_service.count("auth/me"), 1);
        VERIFY_MAP(firstMap("paymentStatusLoaded"),
                   QVariantMap({ { "orderId", QString("ORD-REPLY") },
                                 { "status", QString("pending") },
                                 { "amount", 9.9 },
                                 { "planName", QString("周卡") },
                                 { "paidAt", QString() } }));
    }

    void pollingEndedWithoutPaymentReportsATimeout_data()
    {
        QTest::addColumn<QString>("status");
        QTest::newRow("cancelled") << "cancelled";
        QTest::newRow("refunded") << "refunded";
    }

    void pollingEndedWithoutPaymentReportsATimeout()
    {
        QFETCH(QString, status);
        signIn();
        m_service.setReply(
            "GET", "payments/status/ORD-6",
            FakeReply::json(ok(QJsonObject { { "order_id", "ORD-6" }, { "status", status } })));

        m_api->startPollingPayment(QStringLiteral("ORD-6"));
        QVERIFY(waitFor("paymentFailed"));
        QCOMPARE(m_log->named("paymentFailed").first().arguments,
                 QVariantList({ QStringLiteral("ORD-6"), QStringLiteral("支付超时") }));
        QCOMPARE(m_log->count("paymentCompleted"), 0);
    }

    void stoppedPollingReportsNothingMore()
    {
        signIn();
        m_service.setReply("GET", "payments/status/ORD-7",
                           FakeReply::json(ok(QJsonObject { { "status", "pending" } })));
        m_api->startPollingPayment(QStringLiteral("ORD-7"));
        QVERIFY(waitFor("paymentStatusLoaded"));
        m_api->stopPollingPayment();
        const int requests = m_service.count("payments/status/ORD-7");
        QTest::qWait(300);
        QVERIFY(m_service.count("payments/status/ORD-7") <= requests + 1);
        QCOMPARE(m_log->count("paymentFailed"), 0);
        QCOMPARE(m_log->count("paymentCompleted"), 0);
    }

    void oneOffHeartbeatCarriesOnlyTheStatus_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("status");
        QTest::newRow("connected") << true << "connected";
        QTest::newRow("disconnected") << false << "disconnected";
    }

    void oneOffHeartbeatCarriesOnlyTheStatus()
    {
        QFETCH(bool, connected);
        signIn();
        m_service.setReply(
            "POST", "heartbeat",
            FakeReply::json(ok(QJsonObject {
                { "interval", 30 },
                { "device_status", QJsonObject { { "status", "active" } } },
                { "user_status",
                  QJsonObject { { "is_vip", false }, { "trial_hours_remaining", 1.5 } } } })));
        // Figures stored for the automatic series do not travel with a one-off heartbeat.
        m_api->updateVpnTraffic(1234, 5678);
        m_api->updateVpnLatency(80);
        m_api->sendHeartbeat(connected);
        QVERIFY(waitFor("heartbeatSent"));
        const QJsonObject sent = m_service.requests("heartbeat").constFirst().json();
        QTEST(sent.value("connection_status").toString(), "status");
        QCOMPARE(sent.value("upload_bytes").toInt(-1), 0);
        QCOMPARE(sent.value("download_bytes").toInt(-1), 0);
        QCOMPARE(sent.value("latency_ms").toInt(-1), 0);
        QCOMPARE(m_log->texts(), QStringList { "heartbeatSent" });
        m_api->updateVpnTraffic(0, 0);
        m_api->updateVpnLatency(0);
    }

    void heartbeatWithoutTokenFailsAtOnce()
    {
        m_api->sendHeartbeat(true);
        QCOMPARE(m_log->texts(), QStringList { "heartbeatError(心跳发送失败)" });
        QCOMPARE(m_service.count("heartbeat"), 0);
    }

    void failuresReachTheirErrorSignal_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("signal");
        QTest::addColumn<QString>("message");

        const QString text = QStringLiteral("服务暂不可用");
        QTest::newRow("servers") << Call([](QmlApiAdapter *a) { a->getServers(); })
                                 << QByteArray("GET") << "servers"
                                 << "serversError" << text;
        QTest::newRow("server detail") << Call([](QmlApiAdapter *a) { a->getServerById(8); })
                                       << QByteArray("GET") << "servers/8"
                                       << "serverDetailError" << text;
        QTest::newRow("announcements") << Call([](QmlApiAdapter *a) { a->getAnnouncements(); })
                                       << QByteArray("GET") << "announcements"
                                       << "announcementsError" << text;
        QTest::newRow("orders") << Call([](QmlApiAdapter *a) { a->getUserOrders(); })
                                << QByteArray("GET") << "orders"
                                << "ordersError" << text;
        QTest::newRow("configuration") << Call([](QmlApiAdapter *a) { a->getSystemConfig(); })
                                       << QByteArray("GET") << "configs"
                                       << "systemConfigError" << text;
        QTest::newRow("free trial") << Call([](QmlApiAdapter *a) { a->activateFreeTrial(); })
                                    << QByteArray("POST") << "trial/activate-free"
                                    << "trialActivationError" << text;
        QTest::newRow("vip trial") << Call([](QmlApiAdapter *a) { a->activateVipTrial(); })
                                   << QByteArray("POST") << "trial/activate-vip"
                                   << "trialActivationError" << text;
        QTest::newRow("trial status") << Call([](QmlApiAdapter *a) { a->getTrialStatus(); })
                                      << QByteArray("GET") << "trial/status"
                                      << "trialStatusError" << text;
        QTest::newRow("payment") << Call([](QmlApiAdapter *a) { a->createPayment(1, "alipay"); })
                                 << QByteArray("POST") << "payments/create"
                                 << "paymentCreationError" << text;
        QTest::newRow("payment status")
            << Call([](QmlApiAdapter *a) { a->getPaymentStatus("X-1"); }) << QByteArray("GET")
            << "payments/status/X-1"
            << "paymentStatusError" << text;
        QTest::newRow("plans") << Call([](QmlApiAdapter *a) { a->getSubscriptionPlans(); })
                               << QByteArray("GET") << "plans"
                               << "plansError" << text;
        QTest::newRow("heartbeat, fixed text")
            << Call([](QmlApiAdapter *a) { a->sendHeartbeat(true); }) << QByteArray("POST")
            << "heartbeat"
            << "heartbeatError"
            << "心跳发送失败";
        QTest::newRow("statistics, fixed text")
            << Call([](QmlApiAdapter *a) { a->getHeartbeatStats(); }) << QByteArray("GET")
            << "heartbeat/stats"
            << "heartbeatStatsError"
            << "获取统计数据失败";
    }

    void failuresReachTheirErrorSignal()
    {
        QFETCH(Call, call);
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QString, signal);
        QFETCH(QString, message);
        signIn();
        m_service.setReply(
            method, path,
            FakeReply::json({ { "success", false }, { "message", "服务暂不可用" } }, 500));

        call(m_api.get());
        QVERIFY(waitFor(signal.toLatin1()));
        QTest::qWait(20);
        QCOMPARE(m_log->texts(), QStringList { signal + "(" + message + ")" });
    }

    // --- connection ---

    void emptyLinkIsRefusedSilently()
    {
        signIn();
        QCOMPARE(m_api->connectVpn(3, QString(), false), false);
        QVERIFY(m_log->events().isEmpty());
    }

    void connectRefusedByTheShownValues_data()
    {
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<double>("hoursRemaining");
        QTest::addColumn<int>("serverId");
        QTest::addColumn<bool>("requiresVip");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");

        QTest::newRow("logged out") << false << 1.5 << 3 << false << 1 << "请先登录账号";
        QTest::newRow("no server") << true << 1.5 << 0 << false << 2 << "请先选择服务器";
        QTest::newRow("vip line") << true << 1.5 << 3 << true << 3
                                  << "此线路为VIP专线，请升级VIP后使用";
        QTest::newRow("trial spent")
            << true << 0.01 << 3 << false << 4 << "您的免费体验时长已用完，请升级VIP继续使用";
    }

    void connectRefusedByTheShownValues()
    {
        QFETCH(bool, loggedIn);
        QFETCH(double, hoursRemaining);
        QFETCH(int, serverId);
        QFETCH(bool, requiresVip);
        QFETCH(int, code);
        QFETCH(QString, text);
        if (loggedIn) {
            User user = User::fromJson(userJson(7, "lin@example.com"));
            user.trialHoursRemaining = hoursRemaining;
            signIn(user);
        }

        QCOMPARE(m_api->connectVpn(serverId, QStringLiteral("vmess://abc"), requiresVip), false);
        const QString args = QString::number(code) + ", " + text;
        QCOMPARE(m_log->texts(),
                 QStringList(
                     { "vpnPermissionDenied(" + args + ")", "vpnConnectionFailed(" + args + ")" }));
    }

    void connectRefusedByTheEngineCopy()
    {
        // Minutes left on the shown values, but the engine knows the account is suspended.
        User user = User::fromJson(userJson(7, "lin@example.com"));
        user.status = QStringLiteral("suspended");
        signIn(user);

        QCOMPARE(m_api->connectVpn(3, QStringLiteral("vmess://abc"), false), false);
        const QString args = QStringLiteral("7, 您的账户已被暂停，请联系客服");
        QCOMPARE(m_log->texts(),
                 QStringList(
                     { "vpnConnectionFailed(" + args + ")", "vpnPermissionDenied(" + args + ")" }));
    }

    void relaysTheEngineSignals()
    {
        VpnConnectionService *vpn = VpnConnectionService::instance();
        emit vpn->connectionSuccess();
        emit vpn->connectionDurationChanged(42);
        emit vpn->connectionFailed(ConnectionFailureReason::NetworkFailure, QStringLiteral("断了"));
        emit vpn->permissionDenied(ConnectionFailureReason::VipExpired, QStringLiteral("过期"));
        emit vpn->disconnected();
        QCOMPARE(
            m_log->texts(),
            QStringList({ "vpnConnected", "vpnDurationChanged(42)", "vpnConnectionFailed(10, 断了)",
                          "vpnPermissionDenied(5, 过期)", "vpnDisconnected" }));
    }

    void trafficUpdatesCarryTheEngineTotals()
    {
        VpnConnectionService::instance()->updateTrafficStats(1000, 5000);
        VpnConnectionService::instance()->updateTrafficStats(3000, 9000);
        QCOMPARE(m_log->texts(),
                 QStringList({ "vpnTrafficUpdate(1000, 5000)", "vpnTrafficUpdate(3000, 9000)" }));
        VpnConnectionService::instance()->updateTrafficStats(0, 0);
    }

    void routingModeReachesTheEngine_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("engineLine");
        QTest::newRow("smart") << 0 << "[VpnConnectionService] 设置路由模式: 智能模式";
        QTest::newRow("global") << 1 << "[VpnConnectionService] 设置路由模式: 全局模式";
        QTest::newRow("any other value") << 2 << "[VpnConnectionService] 设置路由模式: 全局模式";
    }

    void routingModeReachesTheEngine()
    {
        QFETCH(int, mode);
        QFETCH(QString, engineLine);
        MessageLog::instance()->clear();
        m_api->setRoutingMode(mode);
        // Checked before the reset below, which logs the global mode itself.
        QCOMPARE(MessageLog::instance()->startingWith("[VpnConnectionService] 设置路由模式:"),
                 QStringList { engineLine });
        m_api->setRoutingMode(1);
    }

    // --- forced disconnect and logout ---

    void forcedDisconnectSignsOutWhenNamingALoginElsewhere_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("signsOut");

        auto demand = [](const char *message) {
            return FakeReply::json(ok(QJsonObject {
                { "device_status",
                  QJsonObject { { "status", "active" },
                                { "force_disconnect", true },
                                { "message", message } } },
                { "user_status",
                  QJsonObject { { "is_vip", false }, { "trial_hours_remaining", 1.5 } } } }));
        };
        QTest::newRow("refused heartbeat")
            << FakeReply::json({ { "success", false }, { "message", "Unauthenticated." } }, 401)
            << kForcedOfflineText << true;
        QTest::newRow("login elsewhere")
            << demand("账号已在其他设备登录") << "账号已在其他设备登录" << true;
        QTest::newRow("forced offline") << demand("您已被强制下线") << "您已被强制下线" << true;
        QTest::newRow("other reason") << demand("设备已被停用") << "设备已被停用" << false;
    }

    void forcedDisconnectSignsOutWhenNamingALoginElsewhere()
    {
        QFETCH(FakeReply, reply);
        QFETCH(QString, message);
        QFETCH(bool, signsOut);
        signIn();
        m_service.setReply("POST", "heartbeat", reply);
        m_service.setReply("POST", "auth/logout", FakeReply::json(ok(QJsonObject {}, "登出成功")));

        m_api->sendHeartbeat(true);
        QVERIFY(waitFor("vpnForceDisconnected"));
        const QStringList first = m_log->texts().mid(0, 2);
        QCOMPARE(first,
                 QStringList({ "vpnForceDisconnected(" + message + ")",
                               "vpnConnectionFailed(9, " + message + ")" }));

        // The logout waits a second.
        QTest::qWait(600);
        QCOMPARE(m_service.count("auth/logout"), 0);
        QCOMPARE(m_api->property("isLoggedIn").toBool(), true);

        if (signsOut) {
            QVERIFY(
                QTest::qWaitFor([&]() { return m_service.count("auth/logout") == 1; }, kWaitMs));
            QVERIFY(QTest::qWaitFor(
                [&]() { return m_api->property("userEmail").toString().isEmpty(); }, kWaitMs));
            QCOMPARE(m_api->property("isLoggedIn").toBool(), false);
            QVERIFY(m_log->texts().contains("loginStateChanged(false)"));
        } else {
            QTest::qWait(900);
            QCOMPARE(m_service.count("auth/logout"), 0);
            QCOMPARE(m_api->property("isLoggedIn").toBool(), true);
        }
    }

    void forcedLogoutDiesWithTheAdapter()
    {
        signIn();
        m_service.setReply(
            "POST", "heartbeat",
            FakeReply::json({ { "success", false }, { "message", "Unauthenticated." } }, 401));
        m_api->sendHeartbeat(true);
        QVERIFY(waitFor("vpnForceDisconnected"));
        m_log.reset();
        m_api.reset();

        QTest::qWait(1500);
        QCOMPARE(m_service.count("auth/logout"), 0);
        QVERIFY(TokenManager::instance()->isLoggedIn());
    }

    void logoutClearsTheUserInOrder_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::newRow("accepted") << FakeReply::json(ok(QJsonObject {}, "登出成功"));
        QTest::newRow("refused") << FakeReply::json({ { "success", false }, { "message", "坏了" } },
                                                    500);
        QTest::newRow("no answer") << FakeReply::dropped();
    }

    void logoutClearsTheUserInOrder()
    {
        QFETCH(FakeReply, reply);
        User vip = User::fromJson(userJson(7, "lin@example.com"));
        vip.isVip = true;
        vip.vipExpiresAt = QDateTime::currentDateTimeUtc().addDays(3);
        signIn(vip);
        m_service.setReply("POST", "auth/logout", reply);

        m_api->logout();
        QVERIFY(QTest::qWaitFor([&]() { return m_log->count("loginStateChanged") == 4; }, kWaitMs));
        QTest::qWait(20);

        QCOMPARE(m_log->texts(),
                 QStringList({ "loginStateChanged(false)", // login cleared
                               "userInfoChanged", "loginStateChanged(false)", // completion
                               "loginStateChanged(false)", "loginStateChanged(false)" }));
        QCOMPARE(m_service.requests("auth/logout").constFirst().header("Authorization"),
                 QByteArray("Bearer tok-signed-in"));
        QCOMPARE(m_api->property("isLoggedIn").toBool(), false);
        QCOMPARE(m_api->property("userEmail").toString(), QString());
        QCOMPARE(m_api->property("isVip").toBool(), false);
        QCOMPARE(m_api->property("vipExpiresAt").toString(), QString());
        QCOMPARE(m_api->property("vipDays").toInt(), 0);
        QCOMPARE(m_api->property("freeMinutes").toInt(), 120);
    }

    void lateLogoutReplyLeavesANewLoginShown()
    {
        signIn();
        m_service.setReply("POST", "auth/logout",
                           FakeReply::json(ok(QJsonObject {}, "登出成功")).held());
        m_service.setReply("POST", "auth/login",
                           FakeReply::json({ { "success", true },
                                             { "token", "tok-new" },
                                             { "data", userJson(8, "new@example.com") } }));
        m_service.setReply("GET", "configs", FakeReply::json(ok(QJsonObject {})));

        m_api->logout();
        QVERIFY(QTest::qWaitFor([&]() { return m_service.heldCount() == 1; }, kWaitMs));
        m_api->login(QStringLiteral("new@example.com"), QStringLiteral("pw-2"));
        QVERIFY(waitFor("loginSuccess"));

        m_log->clear();
        m_service.releaseHeld();
        QVERIFY(QTest::qWaitFor([&]() { return m_service.count("auth/logout") == 1; }, kWaitMs));
        // The reply has been handled once the next logout is taken again.
        QVERIFY(QTest::qWaitFor([]() { return !HttpClient::instance()->hasRequestsInFlight(); },
                                kWaitMs));
        QCOMPARE(m_log->count("loginStateChanged"), 0);
        QCOMPARE(m_log->count("userInfoChanged"), 0);
        QCOMPARE(m_api->property("isLoggedIn").toBool(), true);
        QCOMPARE(m_api->property("userEmail").toString(), QString("new@example.com"));
        QCOMPARE(HttpClient::instance()->authToken(), QString("tok-new"));

        // The adapter takes a logout again, and this one ends the new login.
        m_service.setReply("POST", "auth/logout", FakeReply::json(ok(QJsonObject {}, "登出成功")));
        m_api->logout();
        QVERIFY(QTest::qWaitFor([&]() { return m_service.count("auth/logout") == 2; }, kWaitMs));
        QVERIFY(
            QTest::qWaitFor([&]() { return !m_api->property("isLoggedIn").toBool(); }, kWaitMs));
        QCOMPARE(m_api->property("userEmail").toString(), QString());
    }

    void logoutRunsOnceAtATime()
    {
        signIn();
        m_service.setReply("POST", "auth/logout",
                           FakeReply::json(ok(QJsonObject {}, "登出成功")).delayed(200));

        m_api->logout();
        QTest::ignoreMessage(QtDebugMsg,
                             "⚠️ [QmlApiAdapter] 正在退出登录中，忽略重复调用");
        m_api->logout();
        QVERIFY(QTest::qWaitFor([&]() { return m_log->count("userInfoChanged") == 1; }, kWaitMs));
        QTest::qWait(300);
        QCOMPARE(m_service.count("auth/logout"), 1);
        QCOMPARE(m_log->count("userInfoChanged"), 1);

        // Once done, a logout runs again.
        m_api->logout();
        QVERIFY(QTest::qWaitFor([&]() { return m_service.count("auth/logout") == 2; }, kWaitMs));
        QVERIFY(QTest::qWaitFor([&]() { return m_log->count("userInfoChanged") == 2; }, kWaitMs));
    }
};

QTEST_GUILESS_MAIN(QmlApiAdapterTest)
#include "tst_qmlapiadapter.moc"
