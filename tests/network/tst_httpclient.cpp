#include <QElapsedTimer>
#include <QJsonArray>
#include <QNetworkReply>
#include <QTimer>
#include <QSignalSpy>
#include <QTest>

#include "ChildProcess.h"
#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "MessageLog.h"
#include "network/ApiResponse.h"
#include "network/HttpClient.h"
#include "security/CryptoUtil.h"

using Orvo::Api::Network::ApiResponse;
using Orvo::Api::Network::HttpClient;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;
using Orvo::Testing::RecordedRequest;
using Query = HttpClient::QueryItems;

namespace {

// A child process: sends one request that will not be answered in time,
// destroys the application object with it in flight, then tries to send again.
int sendAcrossApplicationEnd()
{
    {
        int argc = 1;
        char name[] = "child";
        char *argv[] = { name, nullptr };
        QCoreApplication app(argc, argv);
        HttpClient::instance()->get("slow", [](const ApiResponse &) {
            Orvo::Testing::writeChildResult({ { "calledBack", true } });
        });
        // Until the request is on the wire.
        QTimer::singleShot(500, &app, &QCoreApplication::quit);
        app.exec();
    }
    int calls = 0;
    HttpClient::instance()->get("late", [&calls](const ApiResponse &) { ++calls; });
    Orvo::Testing::writeChildResult(
        { { "inFlight", HttpClient::instance()->hasRequestsInFlight() }, { "lateCalls", calls } });
    return 0;
}

} // namespace

Q_DECLARE_METATYPE(Query)
Q_DECLARE_METATYPE(FakeReply)

class HttpClientTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    HttpClient *client() { return HttpClient::instance(); }

    enum class Method { Get, GetWithoutAuth, Post, PostWithoutAuth };

    // Sends one request and returns its response together with the order in
    // which the client's signals and the callback ran.
    ApiResponse send(Method method, const QString &endpoint, QStringList *events = nullptr,
                     const Query &query = {}, const QJsonObject &body = {})
    {
        QStringList seen;
        auto onError = QObject::connect(client(), &HttpClient::networkError, this,
                                        [&seen](const QString &) { seen << "networkError"; });
        auto onAuth = QObject::connect(client(), &HttpClient::authenticationRequired, this,
                                       [&seen]() { seen << "authenticationRequired"; });
        int calls = 0;
        ApiResponse result;
        auto callback = [&](const ApiResponse &response) {
            ++calls;
            seen << "callback";
            result = response;
        };
        switch (method) {
        case Method::Get:
            client()->get(endpoint, callback, query);
            break;
        case Method::GetWithoutAuth:
            client()->getWithoutAuth(endpoint, callback, query);
            break;
        case Method::Post:
            client()->post(endpoint, body, callback);
            break;
        case Method::PostWithoutAuth:
            client()->postWithoutAuth(endpoint, body, callback);
            break;
        }
        // The callback never runs inside the call that started the request.
        if (calls != 0)
            qFatal("callback ran synchronously");
        if (!QTest::qWaitFor([&]() { return calls > 0; }, 10000))
            qFatal("no callback for %s", qPrintable(endpoint));
        QTest::qWait(20); // a second, wrong call would show up here
        if (calls != 1)
            qFatal("callback called %d times", calls);
        QObject::disconnect(onError);
        QObject::disconnect(onAuth);
        if (events)
            *events = seen;
        return result;
    }

private slots:
    void initTestCase() { QVERIFY(Orvo::Testing::startAsClientService(m_service)); }

    void init()
    {
        m_service.reset();
        client()->clearAuthToken();
        client()->setApiEncryption(false, QString());
    }

    void buildsUrls_data()
    {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<Query>("query");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("queryString");

        QTest::newRow("plain") << "auth/me" << Query {} << "/api/v1/auth/me"
                               << "";
        QTest::newRow("leading slash") << "/auth/me" << Query {} << "/api/v1/auth/me"
                                       << "";
        QTest::newRow("keys ascending")
            << "orders" << Query { { "per_page", "100" }, { "page", "1" } } << "/api/v1/orders"
            << "page=1&per_page=100";
        QTest::newRow("announcements")
            << "announcements" << Query { { "platform", "windows" }, { "limit", "10" } }
            << "/api/v1/announcements"
            << "limit=10&platform=windows";
        QTest::newRow("tier") << "servers" << Query { { "tier", "vip" } } << "/api/v1/servers"
                              << "tier=vip";
        QTest::newRow("id in path") << "servers/7" << Query {} << "/api/v1/servers/7"
                                    << "";
    }

    void buildsUrls()
    {
        QFETCH(QString, endpoint);
        QFETCH(Query, query);
        QFETCH(QString, path);
        QFETCH(QString, queryString);

        send(Method::Get, endpoint, nullptr, query);
        QCOMPARE(m_service.requests().size(), 1);
        const RecordedRequest request = m_service.requests().constFirst();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.fullPath, path);
        QCOMPARE(request.queryString, queryString);
    }

    void sendsFixedHeadersAndBearer_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QByteArray>("authorization");

        QTest::newRow("get with token")
            << int(Method::Get) << "tok-1" << QByteArray("Bearer tok-1");
        QTest::newRow("get without token") << int(Method::Get) << "" << QByteArray();
        QTest::newRow("get unauthenticated")
            << int(Method::GetWithoutAuth) << "tok-1" << QByteArray();
        QTest::newRow("post with token")
            << int(Method::Post) << "tok-2" << QByteArray("Bearer tok-2");
        QTest::newRow("post without token") << int(Method::Post) << "" << QByteArray();
        QTest::newRow("post unauthenticated")
            << int(Method::PostWithoutAuth) << "tok-2" << QByteArray();
    }

    void sendsFixedHeadersAndBearer()
    {
        QFETCH(int, method);
        QFETCH(QString, token);
        QFETCH(QByteArray, authorization);

        if (!token.isEmpty())
            client()->setAuthToken(token);
        send(Method(method), "auth/me");
        const RecordedRequest request = m_service.requests().constFirst();

        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(request.header("Accept"), QByteArray("application/json"));
        QCOMPARE(request.header("X-Device-Type"), QByteArray("windows"));
        QCOMPARE(request.header("X-App-Version"), QByteArray("1.0.0"));
        QCOMPARE(request.hasHeader("Authorization"), !authorization.isEmpty());
        QCOMPARE(request.header("Authorization"), authorization);

        // The client's own headers go out in the order it sets them.
        QList<QByteArray> ours;
        for (const auto &header : request.headers) {
            const QByteArray name = header.first.toLower();
            if (name == "accept" || name == "x-device-type" || name == "x-app-version"
                || name == "authorization")
                ours << name;
        }
        QList<QByteArray> expected { "accept", "x-device-type", "x-app-version" };
        if (!authorization.isEmpty())
            expected << "authorization";
        QCOMPARE(ours, expected);
    }

    void postsCompactJson()
    {
        const QJsonObject body { { "email", "a@b.c" },
                                 { "n", 1 },
                                 { "list", QJsonArray { 1, "x" } } };
        send(Method::Post, "payments/create", nullptr, {}, body);
        const RecordedRequest request = m_service.requests().constFirst();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.body, QByteArray(R"({"email":"a@b.c","list":[1,"x"],"n":1})"));
    }

    void appliesSuccessAndErrorRules_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<bool>("success");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("emptyJson");
        QTest::addColumn<QStringList>("events");

        const QStringList quiet { "callback" };
        const QStringList httpError { "networkError", "callback" };

        QTest::newRow("2xx success") << FakeReply::json({ { "success", true }, { "data", 1 } })
                                     << true << 200 << "" << false << quiet;
        QTest::newRow("2xx without success key") << FakeReply::json({ { "message", "好" } }, 201)
                                                 << true << 201 << "好" << false << quiet;
        QTest::newRow("2xx success false")
            << FakeReply::json({ { "success", false }, { "message", "余额不足" } }) << false << 200
            << "余额不足" << false << quiet;
        QTest::newRow("2xx success as number")
            << FakeReply::json({ { "success", 0 } }) << true << 200 << "" << false << quiet;
        QTest::newRow("2xx success as text")
            << FakeReply::json({ { "success", "false" } }) << true << 200 << "" << false << quiet;
        QTest::newRow("422 first field by key") << FakeReply::json(
            { { "message", "数据无效" },
              { "errors",
                QJsonObject { { "password", QJsonArray { "密码太短", "密码太弱" } },
                              { "email", QJsonArray { "邮箱已存在" } } } } },
            422) << false << 422 << "邮箱已存在" << false
                                                << httpError;
        QTest::newRow("422 empty list falls back to message") << FakeReply::json(
            { { "message", "数据无效" }, { "errors", QJsonObject { { "email", QJsonArray {} } } } },
            422) << false << 422 << "数据无效" << false << httpError;
        QTest::newRow("422 single text")
            << FakeReply::json({ { "errors", QJsonObject { { "email", "邮箱格式错误" } } } }, 422)
            << false << 422 << "邮箱格式错误" << false << httpError;
        QTest::newRow("2xx array body")
            << FakeReply::raw("[1,2,3]") << true << 200 << "" << true << quiet;
        QTest::newRow("2xx not json")
            << FakeReply::raw("<html>") << true << 200 << "" << true << quiet;
        QTest::newRow("404 empty")
            << FakeReply::json({}, 404) << false << 404 << "" << true << httpError;
        QTest::newRow("500 html") << FakeReply::raw("<h1>oops</h1>", 500) << false << 500 << ""
                                  << true << httpError;
        QTest::newRow("401 unauthenticated")
            << FakeReply::json({ { "message", "密码错误" } }, 401) << false << 401 << "密码错误"
            << false << QStringList { "networkError", "authenticationRequired", "callback" };
    }

    void appliesSuccessAndErrorRules()
    {
        QFETCH(FakeReply, reply);
        QFETCH(bool, success);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(bool, emptyJson);
        QFETCH(QStringList, events);

        m_service.setReply("POST", "auth/login", reply);
        QStringList seen;
        const ApiResponse response = send(Method::PostWithoutAuth, "auth/login", &seen);
        QCOMPARE(response.isSuccess(), success);
        QCOMPARE(response.statusCode, status);
        QCOMPARE(response.errorMessage(), message);
        QCOMPARE(response.json.isEmpty(), emptyJson);
        QCOMPARE(response.rawData, reply.body);
        QCOMPARE(response.errorCode, QNetworkReply::NoError);
        QVERIFY(response.errorString.isEmpty());
        QCOMPARE(seen, events);
    }

    void reportsDroppedConnection()
    {
        m_service.setReply("GET", "configs", FakeReply::dropped());
        QStringList seen;
        const ApiResponse response = send(Method::GetWithoutAuth, "configs", &seen);
        QVERIFY(!response.isSuccess());
        QCOMPARE(response.statusCode, 0);
        QVERIFY(response.rawData.isEmpty());
        QVERIFY(response.json.isEmpty());
        QVERIFY(response.errorCode != QNetworkReply::NoError);
        QVERIFY(!response.errorString.isEmpty());
        QCOMPARE(response.errorMessage(), response.errorString);
        QCOMPARE(seen, (QStringList { "networkError", "callback" }));
    }

    void reportsRefusedConnection()
    {
        const quint16 port = m_service.port();
        m_service.stop();
        const ApiResponse response = send(Method::Get, "auth/me");
        QVERIFY(m_service.start(port));
        QCOMPARE(response.statusCode, 0);
        QCOMPARE(response.errorCode, QNetworkReply::ConnectionRefusedError);
        QVERIFY(!response.errorString.isEmpty());
        QCOMPARE(response.errorMessage(), response.errorString);
        QVERIFY(!response.isSuccess());
    }

    void handlesSignedEnvelope_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("signatureKey");
        QTest::addColumn<bool>("upperCase");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("outcome"); // unwrapped, kept or refused

        QTest::newRow("verified") << true << "k3y"
                                  << "k3y" << false << 200 << "unwrapped";
        QTest::newRow("upper-case signature") << true << "k3y"
                                              << "k3y" << true << 200 << "refused";
        QTest::newRow("wrong key") << true << "k3y"
                                   << "other" << false << 200 << "refused";
        QTest::newRow("handling off") << false << "k3y"
                                      << "k3y" << false << 200 << "kept";
        QTest::newRow("empty key") << true << ""
                                   << "" << false << 200 << "kept";
        QTest::newRow("http 500") << true << "k3y"
                                  << "k3y" << false << 500 << "kept";
    }

    void handlesSignedEnvelope()
    {
        QFETCH(bool, enabled);
        QFETCH(QString, key);
        QFETCH(QString, signatureKey);
        QFETCH(bool, upperCase);
        QFETCH(int, status);
        QFETCH(QString, outcome);

        const QByteArray inner = R"({"success":true,"data":{"name":"东京"}})";
        const QString data = QString::fromLatin1(inner.toBase64());
        QString signature = Orvo::Api::Security::CryptoUtil::md5Hex(data + signatureKey);
        if (upperCase)
            signature = signature.toUpper();
        const FakeReply reply = FakeReply::json(
            { { "encrypted", true }, { "data", data }, { "signature", signature } }, status);
        m_service.setReply("GET", "configs", reply);
        client()->setApiEncryption(enabled, key);

        const ApiResponse response = send(Method::GetWithoutAuth, "configs");
        QCOMPARE(response.statusCode, status);
        if (outcome == "unwrapped") {
            QCOMPARE(response.rawData, inner);
            QCOMPARE(response.json.value("data").toObject().value("name").toString(),
                     QString("东京"));
            QVERIFY(response.isSuccess());
        } else if (outcome == "kept") {
            QCOMPARE(response.rawData, reply.body);
            QCOMPARE(response.json.value("encrypted").toBool(), true);
            QCOMPARE(response.isSuccess(), status == 200);
        } else {
            QVERIFY(!response.isSuccess());
            QVERIFY(response.json.isEmpty());
            QCOMPARE(response.errorMessage(), QString("API响应签名验证失败"));
        }
    }

    void leavesOtherBodiesAloneWithEnvelopeOn_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("plain reply") << QByteArray(R"({"success":true,"data":[]})");
        QTest::newRow("encrypted as text") << QByteArray(R"({"encrypted":"true","data":"eyJ9"})");
        QTest::newRow("empty data")
            << QByteArray(R"({"encrypted":true,"data":"","signature":"x"})");
        QTest::newRow("array") << QByteArray("[true]");
    }

    void leavesOtherBodiesAloneWithEnvelopeOn()
    {
        QFETCH(QByteArray, body);
        m_service.setReply("GET", "configs", FakeReply::raw(body));
        client()->setApiEncryption(true, "k3y");
        const ApiResponse response = send(Method::GetWithoutAuth, "configs");
        QVERIFY(response.isSuccess());
        QCOMPARE(response.rawData, body);
    }

    void refusesEnvelopeWithoutSignedText_data()
    {
        QTest::addColumn<QJsonValue>("data");
        QTest::newRow("object") << QJsonValue(QJsonObject { { "token", "forged" } });
        QTest::newRow("number") << QJsonValue(7);
        QTest::newRow("array") << QJsonValue(QJsonArray { "forged" });
        QTest::newRow("null") << QJsonValue(QJsonValue::Null);
        QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined);
    }

    void refusesEnvelopeWithoutSignedText()
    {
        QFETCH(QJsonValue, data);
        QJsonObject envelope { { "encrypted", true }, { "success", true }, { "token", "forged" } };
        if (!data.isUndefined())
            envelope.insert("data", data);
        m_service.setReply("POST", "auth/login", FakeReply::json(envelope));

        client()->setApiEncryption(true, "k3y");
        const ApiResponse refused = send(Method::PostWithoutAuth, "auth/login");
        QVERIFY(!refused.isSuccess());
        QVERIFY(refused.json.isEmpty());
        QCOMPARE(refused.errorMessage(), QString("API响应签名验证失败"));

        // Without signed replies the service's body is what it says.
        client()->setApiEncryption(false, QString());
        QVERIFY(send(Method::PostWithoutAuth, "auth/login").isSuccess());
    }

    void boundsTheBodyItReads_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("read");

        constexpr int kCap = 4 * 1024 * 1024;
        QTest::newRow("at the cap") << 200 << kCap << true;
        QTest::newRow("one byte over") << 200 << kCap + 1 << false;
        QTest::newRow("far over") << 200 << 3 * kCap << false;
        QTest::newRow("error status over") << 500 << kCap + 1 << false;
    }

    void boundsTheBodyItReads()
    {
        QFETCH(int, status);
        QFETCH(int, size);
        QFETCH(bool, read);

        const QByteArray head = "{\"success\":true,\"pad\":\"";
        QByteArray body = head + QByteArray(size - head.size() - 2, 'x') + "\"}";
        QCOMPARE(body.size(), size);
        m_service.setReply("GET", "servers", FakeReply::raw(body, status));

        QStringList seen;
        QString relayed;
        QObject context;
        QObject::connect(client(), &HttpClient::networkError, &context,
                         [&relayed](const QString &text) { relayed = text; });
        const ApiResponse response = send(Method::Get, "servers", &seen);
        if (read) {
            QVERIFY(response.isSuccess());
            QCOMPARE(response.rawData.size(), size);
            return;
        }
        QVERIFY(!response.isSuccess());
        QVERIFY(response.rawData.isEmpty());
        QVERIFY(response.json.isEmpty());
        QVERIFY2(response.errorMessage().startsWith("响应数据过大"),
                 qPrintable(response.errorMessage()));
        // An error status has been relayed with its own text before the body came.
        if (status == 200)
            QCOMPARE(relayed, response.errorMessage());
        QCOMPARE(seen, (QStringList { "networkError", "callback" }));
    }

    void cutsLoggedBodies_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("success") << 200;
        QTest::newRow("failure") << 500;
    }

    void cutsLoggedBodies()
    {
        QFETCH(int, status);
        const QByteArray body = "{\"message\":\"" + QByteArray(20000, 'm') + "\"}";
        m_service.setReply("GET", "servers", FakeReply::raw(body, status));
        Orvo::Testing::MessageLog::instance()->clear();
        send(Method::Get, "servers");
        const QStringList logged
            = Orvo::Testing::MessageLog::instance()->startingWith("[HttpClient] 响应数据:");
        QCOMPARE(logged.size(), 1);
        QVERIFY2(logged.constFirst().size() < 1000, qPrintable(logged.constFirst().left(80)));
        QVERIFY(logged.constFirst().contains(QString::number(body.size())));
    }

    void keepsTokenAcrossCalls()
    {
        client()->setAuthToken("abc");
        QCOMPARE(client()->authToken(), QString("abc"));
        client()->clearAuthToken();
        QVERIFY(client()->authToken().isEmpty());
    }

    void handlesManyRequestsInFlight()
    {
        constexpr int kRequests = 300;
        m_service.setReply("GET", "servers", FakeReply::json({ { "success", true } }).delayed(5));
        QVector<int> calls(kRequests, 0);
        for (int i = 0; i < kRequests; ++i) {
            client()->get("servers",
                          [&calls, i](const ApiResponse &response) {
                              if (response.isSuccess())
                                  ++calls[i];
                              else
                                  calls[i] += 1000;
                          },
                          { { "n", QString::number(i) } });
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_service.count("servers"), kRequests, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(
            std::all_of(calls.cbegin(), calls.cend(), [](int n) { return n != 0; }), 30000);
        QTest::qWait(50);
        QCOMPARE(calls, QVector<int>(kRequests, 1));

        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(client()->findChildren<QNetworkReply *>().size(), 0);
    }

    void waitsForRequestsInFlight()
    {
        m_service.setReply("GET", "slow", FakeReply::json({ { "success", true } }).delayed(300));
        int calls = 0;
        client()->get("slow", [&calls](const ApiResponse &) { ++calls; });
        QVERIFY(client()->hasRequestsInFlight());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(client()->waitForRequestsInFlight(10000));
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(calls, 1);
        QVERIFY(!client()->hasRequestsInFlight());
        // The finished reply is freed, not only ended.
        QCOMPARE(client()->findChildren<QNetworkReply *>().size(), 0);
    }

    void stopsWaitingAtTheLimit()
    {
        m_service.setReply("GET", "slow", FakeReply::json({ { "success", true } }).delayed(3000));
        int calls = 0;
        client()->get("slow", [&calls](const ApiResponse &) { ++calls; });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!client()->waitForRequestsInFlight(200));
        QVERIFY2(clock.elapsed() >= 200 && clock.elapsed() < 2500,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(calls, 0);
        QVERIFY(client()->hasRequestsInFlight());
        // The reply still comes, once.
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 10000);
        QVERIFY(client()->waitForRequestsInFlight(0));
    }

    void endsTheNetworkWithTheApplication()
    {
        m_service.setReply("GET", "slow", FakeReply::json({ { "success", true } }).delayed(5000));
        m_service.setReply("GET", "late", FakeReply::json({ { "success", true } }));
        // Under the sanitizers the child also fails on a leak of the reply
        // cut off at the end.
        const Orvo::Testing::ProcessRun child = Orvo::Testing::runProcess(
            QCoreApplication::applicationFilePath(), {},
            { { QString::fromLatin1(Orvo::Testing::childModeVariable()), QStringLiteral("exit") } },
            20000, QProcess::ForwardedErrorChannel);
        QVERIFY(child.finishedNormally);
        QCOMPARE(child.exitCode, 0);
        const QByteArray output = child.output.trimmed();
        // The cut-off request calls nobody back, and nothing is sent afterwards.
        QCOMPARE(output, QByteArray(R"({"inFlight":false,"lateCalls":0})"));
        QCOMPARE(m_service.count("slow"), 1);
        QCOMPARE(m_service.count("late"), 0);
    }
};

int main(int argc, char *argv[])
{
    if (Orvo::Testing::childMode() == QStringLiteral("exit"))
        return sendAcrossApplicationEnd();
    QCoreApplication app(argc, argv);
    HttpClientTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_httpclient.moc"
