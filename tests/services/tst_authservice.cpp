#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "StoredSettings.h"
#include "models/User.h"
#include "network/HttpClient.h"
#include "services/AuthService.h"
#include "storage/TokenManager.h"

using Orvo::Api::Models::User;
using Orvo::Api::Network::HttpClient;
using Orvo::Api::Security::TokenManager;
using Orvo::Api::Services::AuthService;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;
using Orvo::Testing::RecordedRequest;
using Orvo::Testing::storedSetting;

Q_DECLARE_METATYPE(FakeReply)

namespace {

// What a caller saw of one request: the callback's values and, in order, the
// callback and every signal of the service.
struct Outcome
{
    bool success = false;
    QString message;
    User user;
    QStringList events;
};

QJsonObject userJson(int id, const QString &email)
{
    return QJsonObject { { "id", id },
                         { "email", email },
                         { "name", "Lin" },
                         { "status", "active" },
                         { "is_vip", false } };
}

QJsonObject authReply(const QString &token, const QJsonObject &user,
                      const QString &message = "登录成功")
{
    return QJsonObject {
        { "success", true }, { "message", message }, { "token", token }, { "data", user }
    };
}

} // namespace

class AuthServiceTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    AuthService *auth() { return AuthService::instance(); }
    TokenManager *tokens() { return TokenManager::instance(); }

    enum class Request { Login, Register, CurrentUser };

    Outcome run(Request request, const QString &referralCode = {})
    {
        Outcome outcome;
        QObject context;
        AuthService *service = auth();
        QObject::connect(service, &AuthService::loginSuccess, &context,
                         [&](const User &user) { outcome.events << "loginSuccess:" + user.email; });
        QObject::connect(service, &AuthService::loginFailed, &context,
                         [&](const QString &text) { outcome.events << "loginFailed:" + text; });
        QObject::connect(service, &AuthService::registerSuccess, &context, [&](const User &user) {
            outcome.events << "registerSuccess:" + user.email;
        });
        QObject::connect(service, &AuthService::registerFailed, &context,
                         [&](const QString &text) { outcome.events << "registerFailed:" + text; });
        QObject::connect(service, &AuthService::userInfoUpdated, &context, [&](const User &user) {
            outcome.events << "userInfoUpdated:" + user.email;
        });
        QObject::connect(service, &AuthService::authenticationRequired, &context,
                         [&]() { outcome.events << "authenticationRequired"; });

        int calls = 0;
        auto callback = [&](bool success, const QString &message, const User &user) {
            ++calls;
            outcome.success = success;
            outcome.message = message;
            outcome.user = user;
            outcome.events << "callback";
        };
        switch (request) {
        case Request::Login:
            service->login("a@b.c", "secret-1", callback);
            break;
        case Request::Register:
            service->registerUser("a@b.c", "secret-1", "Lin", referralCode, callback);
            break;
        case Request::CurrentUser:
            service->getCurrentUser(callback);
            break;
        }
        if (calls != 0)
            qFatal("callback ran synchronously");
        if (!QTest::qWaitFor([&]() { return calls > 0; }, 10000))
            qFatal("no callback");
        QTest::qWait(20);
        if (calls != 1)
            qFatal("callback called %d times", calls);
        return outcome;
    }

    void storeLogin(const QString &token, int id, const QString &email)
    {
        tokens()->saveLogin(token, User::fromJson(userJson(id, email)));
        HttpClient::instance()->setAuthToken(token);
    }

private slots:
    void initTestCase() { QVERIFY(Orvo::Testing::startAsClientService(m_service)); }

    void init()
    {
        m_service.reset();
        tokens()->clearLogin();
        HttpClient::instance()->clearAuthToken();
    }

    void loginSendsTheCredentialsWithoutBearer()
    {
        // A token left in the client must not travel with a login.
        HttpClient::instance()->setAuthToken("stale");
        m_service.setReply("POST", "auth/login",
                           FakeReply::json(authReply("tok-7", userJson(7, "a@b.c"))));
        run(Request::Login);

        QCOMPARE(m_service.count("auth/login"), 1);
        const RecordedRequest request = m_service.requests("auth/login").constFirst();
        QCOMPARE(request.method, QByteArray("POST"));
        QVERIFY(!request.hasHeader("Authorization"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(request.header("X-Device-Type"), QByteArray("windows"));
        const QJsonObject expected { { "email", "a@b.c" },
                                     { "password", "secret-1" },
                                     { "device_id", tokens()->getDeviceId() },
                                     { "device_name", tokens()->getDeviceName() },
                                     { "device_type", "windows" } };
        QCOMPARE(request.json(), expected);
        QVERIFY(tokens()->getDeviceId().startsWith("windows_"));
    }

    void registrationSendsTheFormWithoutBearer_data()
    {
        QTest::addColumn<QString>("referralCode");
        QTest::addColumn<QJsonValue>("sent");

        QTest::newRow("no code") << "" << QJsonValue(QJsonValue::Null);
        QTest::newRow("code") << "FRIEND1" << QJsonValue("FRIEND1");
    }

    void registrationSendsTheFormWithoutBearer()
    {
        QFETCH(QString, referralCode);
        QFETCH(QJsonValue, sent);

        HttpClient::instance()->setAuthToken("stale");
        m_service.setReply("POST", "auth/register",
                           FakeReply::json(authReply("tok-8", userJson(8, "a@b.c"))));
        run(Request::Register, referralCode);

        const RecordedRequest request = m_service.requests("auth/register").constFirst();
        QVERIFY(!request.hasHeader("Authorization"));
        const QJsonObject expected { { "email", "a@b.c" },
                                     { "password", "secret-1" },
                                     { "password_confirmation", "secret-1" },
                                     { "name", "Lin" },
                                     { "device_id", tokens()->getDeviceId() },
                                     { "device_name", tokens()->getDeviceName() },
                                     { "device_type", "windows" },
                                     { "equipment", "Camrow加速器" },
                                     { "reffer_code", sent } };
        QCOMPARE(request.json(), expected);
    }

    void validReplyStoresTheLogin_data()
    {
        QTest::addColumn<int>("request");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("successSignal");

        QTest::newRow("login") << int(Request::Login) << "auth/login"
                               << "loginSuccess";
        QTest::newRow("register") << int(Request::Register) << "auth/register"
                                  << "registerSuccess";
    }

    void validReplyStoresTheLogin()
    {
        QFETCH(int, request);
        QFETCH(QString, path);
        QFETCH(QString, successSignal);

        m_service.setReply(
            "POST", path,
            FakeReply::json(authReply("tok-7", userJson(7, "seven@example.com"), "欢迎回来")));
        QSignalSpy loginState(tokens(), &TokenManager::loginStateChanged);
        const Outcome outcome = run(Request(request));

        QVERIFY(outcome.success);
        QCOMPARE(outcome.message, QString("欢迎回来"));
        QCOMPARE(outcome.user.id, 7);
        QCOMPARE(outcome.user.email, QString("seven@example.com"));
        QCOMPARE(outcome.events, QStringList({ "callback", successSignal + ":seven@example.com" }));
        QCOMPARE(loginState.count(), 1);
        QCOMPARE(loginState.at(0).at(0).toBool(), true);

        QVERIFY(tokens()->isLoggedIn());
        QCOMPARE(tokens()->getToken(), QString("tok-7"));
        QCOMPARE(tokens()->getUserInfo().toJson(), outcome.user.toJson());
        QCOMPARE(storedSetting("auth_token").toString(), QString("tok-7"));
        QCOMPARE(QJsonDocument::fromJson(storedSetting("user_info").toString().toUtf8()).object(),
                 outcome.user.toJson());
        QCOMPARE(HttpClient::instance()->authToken(), QString("tok-7"));

        // The next request carries the new login.
        m_service.setReply("GET", "auth/me",
                           FakeReply::json({ { "data", userJson(7, "seven@example.com") } }));
        run(Request::CurrentUser);
        QCOMPARE(m_service.requests("auth/me").constFirst().header("Authorization"),
                 QByteArray("Bearer tok-7"));
    }

    void incompleteReplyIsAFailure_data()
    {
        QTest::addColumn<int>("request");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonObject>("reply");
        QTest::addColumn<QString>("failureSignal");

        const QList<QPair<QByteArray, QJsonObject>> replies {
            { "id 0", authReply("tok-x", userJson(0, "x@example.com")) },
            { "negative id", authReply("tok-x", userJson(-3, "x@example.com")) },
            { "no e-mail", authReply("tok-x", userJson(7, "")) },
            { "empty token", authReply("", userJson(7, "x@example.com")) },
            { "token inside data",
              QJsonObject { { "success", true },
                            { "data",
                              QJsonObject { { "id", 7 },
                                            { "email", "x@example.com" },
                                            { "token", "tok-x" } } } } },
            { "token as number",
              QJsonObject { { "token", 12345 }, { "data", userJson(7, "x@example.com") } } },
            { "no data", QJsonObject { { "success", true }, { "token", "tok-x" } } },
            { "data as array",
              QJsonObject { { "token", "tok-x" }, { "data", QJsonArray { userJson(7, "x") } } } },
            { "id as text",
              authReply("tok-x", QJsonObject { { "id", "7" }, { "email", "x@example.com" } }) },
        };
        for (const auto &row : replies) {
            QTest::addRow("login, %s", row.first.constData())
                << int(Request::Login) << "auth/login" << row.second << "loginFailed";
            QTest::addRow("register, %s", row.first.constData())
                << int(Request::Register) << "auth/register" << row.second << "registerFailed";
        }
    }

    void incompleteReplyIsAFailure()
    {
        QFETCH(int, request);
        QFETCH(QString, path);
        QFETCH(QJsonObject, reply);
        QFETCH(QString, failureSignal);

        storeLogin("old-tok", 1, "old@example.com");
        m_service.setReply("POST", path, FakeReply::json(reply));
        QSignalSpy loginState(tokens(), &TokenManager::loginStateChanged);
        const Outcome outcome = run(Request(request));

        QVERIFY(!outcome.success);
        QCOMPARE(outcome.message, QString("响应数据无效"));
        QCOMPARE(outcome.user.id, 0);
        QCOMPARE(outcome.events, QStringList({ "callback", failureSignal + ":响应数据无效" }));
        QCOMPARE(loginState.count(), 0);
        // The login held before stays untouched.
        QCOMPARE(tokens()->getToken(), QString("old-tok"));
        QCOMPARE(tokens()->getUserInfo().email, QString("old@example.com"));
        QCOMPARE(storedSetting("auth_token").toString(), QString("old-tok"));
        QCOMPARE(HttpClient::instance()->authToken(), QString("old-tok"));
    }

    void refusedLoginReportsTheServiceMessage_data()
    {
        QTest::addColumn<int>("request");
        QTest::addColumn<QString>("path");
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("unauthorised");

        const QJsonObject validation { { "message", "表单无效" },
                                       { "errors",
                                         QJsonObject {
                                             { "password", QJsonArray { "密码太短" } },
                                             { "email", QJsonArray { "邮箱已被注册" } } } } };
        QTest::newRow("login 401") << int(Request::Login) << "auth/login"
                                   << FakeReply::json({ { "message", "邮箱或密码错误" } }, 401)
                                   << "邮箱或密码错误" << true;
        QTest::newRow("login success false")
            << int(Request::Login) << "auth/login"
            << FakeReply::json({ { "success", false },
                                 { "message", "账号已停用" },
                                 { "token", "tok-x" },
                                 { "data", userJson(7, "a@b.c") } })
            << "账号已停用" << false;
        QTest::newRow("register 422")
            << int(Request::Register) << "auth/register" << FakeReply::json(validation, 422)
            << "邮箱已被注册" << false;
        QTest::newRow("register 500 without message")
            << int(Request::Register) << "auth/register" << FakeReply::json({}, 500) << "" << false;
    }

    void refusedLoginReportsTheServiceMessage()
    {
        QFETCH(int, request);
        QFETCH(QString, path);
        QFETCH(FakeReply, reply);
        QFETCH(QString, message);
        QFETCH(bool, unauthorised);

        m_service.setReply("POST", path, reply);
        const Outcome outcome = run(Request(request));

        const QString failureSignal
            = Request(request) == Request::Login ? "loginFailed:" : "registerFailed:";
        QVERIFY(!outcome.success);
        QCOMPARE(outcome.message, message);
        QStringList expected;
        if (unauthorised)
            expected << "authenticationRequired";
        expected << "callback" << failureSignal + message;
        QCOMPARE(outcome.events, expected);
        QVERIFY(!tokens()->isLoggedIn());
        QVERIFY(HttpClient::instance()->authToken().isEmpty());
    }

    void unreachableServiceFailsTheLogin()
    {
        m_service.setReply("POST", "auth/login", FakeReply::dropped());
        const Outcome outcome = run(Request::Login);
        QVERIFY(!outcome.success);
        QVERIFY(!outcome.message.isEmpty());
        QCOMPARE(outcome.events, QStringList({ "callback", "loginFailed:" + outcome.message }));
        QVERIFY(!tokens()->isLoggedIn());
    }

    void logoutEndsTheLoginWhateverTheReply_data()
    {
        QTest::addColumn<FakeReply>("reply");

        QTest::newRow("accepted") << FakeReply::json({ { "message", "ok" } });
        QTest::newRow("refused") << FakeReply::json({ { "message", "未登录" } }, 401);
        QTest::newRow("server error") << FakeReply::json({}, 500);
        QTest::newRow("success false") << FakeReply::json({ { "success", false } });
        QTest::newRow("connection dropped") << FakeReply::dropped();
    }

    void logoutEndsTheLoginWhateverTheReply()
    {
        QFETCH(FakeReply, reply);

        storeLogin("tok-5", 5, "five@example.com");
        const QString deviceId = tokens()->getDeviceId();
        m_service.setReply("POST", "auth/logout", reply);

        QStringList events;
        QObject context;
        QObject::connect(auth(), &AuthService::logoutSuccess, &context,
                         [&]() { events << "logoutSuccess"; });
        QObject::connect(tokens(), &TokenManager::loginStateChanged, &context,
                         [&](bool loggedIn) { events << QString("loginState:%1").arg(loggedIn); });
        bool called = false;
        bool success = false;
        QString message;
        auth()->logout([&](bool ok, const QString &text) {
            called = true;
            success = ok;
            message = text;
            events << "callback";
            // The client has already dropped the token when the caller hears back.
            if (!HttpClient::instance()->authToken().isEmpty())
                events << "token still held";
        });
        QVERIFY(tokens()->isLoggedIn()); // nothing ends before the reply
        QTRY_VERIFY_WITH_TIMEOUT(called, 10000);
        QTest::qWait(20);

        QVERIFY(success);
        QCOMPARE(message, QString("登出成功"));
        QCOMPARE(events, QStringList({ "loginState:0", "callback", "logoutSuccess" }));
        const RecordedRequest request = m_service.requests("auth/logout").constFirst();
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok-5"));
        QCOMPARE(request.body, QByteArray("{}"));
        QVERIFY(!tokens()->isLoggedIn());
        QVERIFY(tokens()->getToken().isEmpty());
        QVERIFY(!storedSetting("auth_token").isValid());
        QVERIFY(!storedSetting("user_info").isValid());
        QCOMPARE(storedSetting("device_id").toString(), deviceId);
    }

    void lateLogoutReplyKeepsANewerLogin()
    {
        storeLogin("tok-5", 5, "five@example.com");
        HttpClient::instance()->setAuthToken("tok-5");
        m_service.setReply("POST", "auth/logout", FakeReply::json({ { "message", "ok" } }).held());
        m_service.setReply("POST", "auth/login",
                           FakeReply::json(authReply("tok-7", userJson(7, "a@b.c"))));

        QStringList events;
        QObject context;
        QObject::connect(auth(), &AuthService::logoutSuccess, &context,
                         [&]() { events << "logoutSuccess"; });
        bool called = false;
        bool success = false;
        auth()->logout([&](bool ok, const QString &) {
            called = true;
            success = ok;
        });
        QTRY_COMPARE_WITH_TIMEOUT(m_service.heldCount(), 1, 10000);
        QVERIFY(run(Request::Login).success);

        m_service.releaseHeld();
        QTRY_VERIFY_WITH_TIMEOUT(called, 10000);
        QVERIFY(success);
        QVERIFY(events.isEmpty());
        QCOMPARE(tokens()->getToken(), QString("tok-7"));
        QCOMPARE(tokens()->getUserInfo().id, 7);
        QCOMPARE(storedSetting("auth_token").toString(), QString("tok-7"));
        QCOMPARE(HttpClient::instance()->authToken(), QString("tok-7"));

        // The next logout is the newer login's own and ends it.
        called = false;
        m_service.setReply("POST", "auth/logout", FakeReply::json({ { "message", "ok" } }));
        auth()->logout([&](bool, const QString &) { called = true; });
        QTRY_VERIFY_WITH_TIMEOUT(called, 10000);
        QCOMPARE(events, QStringList({ "logoutSuccess" }));
        QVERIFY(!tokens()->isLoggedIn());
        QVERIFY(HttpClient::instance()->authToken().isEmpty());
    }

    void currentUserRefreshesTheStoredUser()
    {
        storeLogin("tok-5", 5, "five@example.com");
        QJsonObject fresh = userJson(5, "five@example.com");
        fresh.insert("is_vip", true);
        fresh.insert("vip_expires_at", "2030-01-01T00:00:00Z");
        m_service.setReply("GET", "auth/me", FakeReply::json({ { "data", fresh } }));

        const Outcome outcome = run(Request::CurrentUser);
        QVERIFY(outcome.success);
        QCOMPARE(outcome.message, QString("获取成功"));
        QCOMPARE(outcome.events, QStringList({ "callback", "userInfoUpdated:five@example.com" }));
        QVERIFY(tokens()->getUserInfo().isVip);
        QCOMPARE(QJsonDocument::fromJson(storedSetting("user_info").toString().toUtf8()).object(),
                 User::fromJson(fresh).toJson());
        const RecordedRequest request = m_service.requests("auth/me").constFirst();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok-5"));
        QVERIFY(request.queryString.isEmpty());

        // The also-available refresh is the same request.
        bool called = false;
        auth()->refreshCurrentUser([&](bool ok, const QString &, const User &) { called = ok; });
        QTRY_VERIFY(called);
        QCOMPARE(m_service.count("auth/me"), 2);
    }

    void userWithoutIdentityIsNotStored_data()
    {
        QTest::addColumn<QJsonObject>("data");

        QTest::newRow("no id") << QJsonObject { { "email", "five@example.com" } };
        QTest::newRow("no e-mail") << QJsonObject { { "id", 5 } };
        QTest::newRow("empty") << QJsonObject {};
    }

    void userWithoutIdentityIsNotStored()
    {
        QFETCH(QJsonObject, data);

        storeLogin("tok-5", 5, "five@example.com");
        const QVariant storedBefore = storedSetting("user_info");
        m_service.setReply("GET", "auth/me", FakeReply::json({ { "data", data } }));

        const Outcome outcome = run(Request::CurrentUser);
        QVERIFY(outcome.success);
        QCOMPARE(outcome.message, QString("获取成功"));
        QCOMPARE(outcome.user.toJson(), User::fromJson(data).toJson());
        QVERIFY(tokens()->isLoggedIn());
        QCOMPARE(tokens()->getUserInfo().email, QString("five@example.com"));
        QCOMPARE(storedSetting("user_info"), storedBefore);
    }

    void failedUserQueryKeepsTheStoredUser()
    {
        storeLogin("tok-5", 5, "five@example.com");
        m_service.setReply("GET", "auth/me", FakeReply::json({ { "message", "服务器错误" } }, 500));

        const Outcome outcome = run(Request::CurrentUser);
        QVERIFY(!outcome.success);
        QCOMPARE(outcome.message, QString("服务器错误"));
        QCOMPARE(outcome.user.id, 0);
        QCOMPARE(outcome.events, QStringList({ "callback" }));
        QVERIFY(tokens()->isLoggedIn());
        QCOMPARE(tokens()->getUserInfo().id, 5);
    }

    void relaysUnauthorisedReplies()
    {
        QSignalSpy relayed(auth(), &AuthService::authenticationRequired);
        m_service.setReply("GET", "auth/me", FakeReply::json({}, 401));
        run(Request::CurrentUser);
        QCOMPARE(relayed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(AuthServiceTest)
#include "tst_authservice.moc"
