#include <QJsonArray>
#include <QTest>

#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "MessageLog.h"
#include "SampleVmessLink.h"
#include "models/Server.h"
#include "network/ApiResponse.h"
#include "network/HttpClient.h"
#include "network/LogMask.h"
#include "security/CryptoUtil.h"
#include "services/AuthService.h"
#include "services/ConfigService.h"
#include "services/ServerService.h"
#include "storage/LocalStorage.h"
#include "storage/TokenManager.h"

using Orvo::Api::Models::Server;
using Orvo::Api::Models::SystemConfig;
using Orvo::Api::Models::User;
using Orvo::Api::Network::ApiResponse;
using Orvo::Api::Network::HttpClient;
using Orvo::Api::Network::LogMask;
using Orvo::Api::Security::CryptoUtil;
using Orvo::Api::Security::TokenManager;
using Orvo::Api::Services::AuthService;
using Orvo::Api::Services::ConfigService;
using Orvo::Api::Services::ServerService;
using Orvo::Api::Storage::LocalStorage;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;
using Orvo::Testing::MessageLog;

Q_DECLARE_METATYPE(FakeReply)

namespace {

const QString kToken = QStringLiteral("tok-7f3a9c1e5b2d4680");
const QString kApiKey = QStringLiteral("api-k3y-91d2e8f0a7b6");
const QString kVpnKey = QStringLiteral("vpn-k3y-5c4b3a291807");
// A second link, in a member that is not "vmess_link".
const QString kSpareLink = QStringLiteral("vmess://c3BhcmUtbGluay1wYXlsb2Fk");

QStringList secrets()
{
    return { kToken, kApiKey, kVpnKey, Orvo::Testing::sampleVmessLink(), kSpareLink };
}

// Every piece of a secret long enough to mean something, that a log line
// holds: a secret cut in two at the 500th byte leaks as much as a whole one.
QStringList leaks(const QStringList &lines)
{
    constexpr int kPiece = 8;
    QStringList found;
    const QString log = lines.join(QLatin1Char('\n'));
    for (const QString &secret : secrets()) {
        for (int at = 0; at + kPiece <= secret.size(); ++at) {
            const QString piece = secret.mid(at, kPiece);
            if (log.contains(piece)) {
                found << secret + QStringLiteral(" (\"") + piece + QStringLiteral("\")");
                break;
            }
        }
    }
    return found;
}

QJsonObject item(const QString &type, const QJsonValue &value)
{
    return { { "name", "item" }, { "description", "" }, { "type", type }, { "value", value } };
}

QJsonObject configReply(bool signedReplies)
{
    return { { "success", true },
             { "data",
               QJsonObject { { "app_name", item("string", "Orvo") },
                             { "api_encrypt_enabled", item("boolean", signedReplies) },
                             { "api_secret_key", item("string", kApiKey) },
                             { "vpn_encrypt_enabled", item("boolean", false) },
                             { "vpn_encrypt_key", item("string", kVpnKey) } } } };
}

QJsonObject serverJson(int id, const QString &name, const QString &link)
{
    return { { "id", id },       { "name", name },       { "country_code", "JP" },
             { "tier", "free" }, { "vmess_link", link }, { "remark", "备用 " + kSpareLink } };
}

// A server list whose first link runs across the 500th byte, and which is
// longer than 500 bytes with its links masked too.
QByteArray longServerList()
{
    const QByteArray head = "{\"success\":true,\"data\":[{\"id\":1,\"name\":\"";
    const QByteArray middle = "\",\"vmess_link\":\"";
    const QByteArray link = Orvo::Testing::sampleVmessLink().toUtf8();
    const int pad = 500 - int(head.size() + middle.size()) - int(link.size() / 2);
    return head + QByteArray(pad, 'n') + middle + link + "\"},{\"id\":2,\"name\":\""
        + QByteArray(400, 'm') + "\"}]}";
}

FakeReply signedReply(const QByteArray &body, const QString &key)
{
    const QString data = QString::fromLatin1(body.toBase64());
    return FakeReply::json({ { "encrypted", true },
                             { "data", data },
                             { "signature", CryptoUtil::md5Hex(data + key) } });
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

class LogMaskTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    HttpClient *client() { return HttpClient::instance(); }
    MessageLog *log() { return MessageLog::instance(); }

    template<typename Start> void waitFor(Start start)
    {
        bool done = false;
        start([&done]() { done = true; });
        QVERIFY(QTest::qWaitFor([&done]() { return done; }, 10000));
    }

private slots:
    void initTestCase()
    {
        log();
        QVERIFY(Orvo::Testing::startAsClientService(m_service));
    }

    void init()
    {
        m_service.reset();
        client()->setApiEncryption(false, QString());
        log()->clear();
    }

    void masksTheSecretValues_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("masked");

        QTest::newRow("token") << QByteArray("{\"success\":true,\"token\":\"t0k\",\"n\":1}")
                               << QByteArray("{\"success\":true,\"token\":\"***\",\"n\":1}");
        QTest::newRow("all four keys")
            << QByteArray("{\"token\":\"a\",\"api_secret_key\":\"b\",\"vpn_encrypt_key\":\"c\","
                          "\"vmess_link\":\"d\",\"name\":\"e\"}")
            << QByteArray(
                   "{\"token\":\"***\",\"api_secret_key\":\"***\",\"vpn_encrypt_key\":\"***\","
                   "\"vmess_link\":\"***\",\"name\":\"e\"}");
        QTest::newRow("white space around the colon")
            << QByteArray("{\n  \"token\" :\t\"abc\" ,\n  \"x\": 1\n}")
            << QByteArray("{\n  \"token\" :\t\"***\" ,\n  \"x\": 1\n}");
        QTest::newRow("nested in objects and arrays")
            << QByteArray("{\"data\":{\"user\":{\"id\":1},\"token\":\"abc\"},\"list\":[{\"token\":"
                          "\"d\"}]}")
            << QByteArray("{\"data\":{\"user\":{\"id\":1},\"token\":\"***\"},\"list\":[{\"token\":"
                          "\"***\"}]}");
        QTest::newRow("escapes inside the value")
            << QByteArray("{\"token\":\"a\\\"b\\\\\",\"next\":\"\\\"token\\\": plain\"}")
            << QByteArray("{\"token\":\"***\",\"next\":\"\\\"token\\\": plain\"}");
        QTest::newRow("key written with an escape")
            << QByteArray("{\"tok\\u0065n\":\"abc\"}") << QByteArray("{\"tok\\u0065n\":\"***\"}");
        QTest::newRow("number") << QByteArray("{\"token\":123456,\"id\":2}")
                                << QByteArray("{\"token\":\"***\",\"id\":2}");
        QTest::newRow("object value") << QByteArray(
            "{\"api_secret_key\":{\"type\":\"string\",\"value\":\"k\"},\"app\":\"X\"}")
                                      << QByteArray("{\"api_secret_key\":\"***\",\"app\":\"X\"}");
        QTest::newRow("absent values stay") << QByteArray("{\"token\":null,\"vmess_link\":\"\"}")
                                            << QByteArray("{\"token\":null,\"vmess_link\":\"\"}");
        QTest::newRow("a key only as a value stays")
            << QByteArray("{\"field\":\"token\",\"tokens\":\"x\",\"Token\":\"y\"}")
            << QByteArray("{\"field\":\"token\",\"tokens\":\"x\",\"Token\":\"y\"}");
        QTest::newRow("link in another member")
            << QByteArray("{\"remark\":\"备用 vmess://eyJhZGQiOiJ4In0= 线路\",\"id\":3}")
            << QByteArray("{\"remark\":\"备用 *** 线路\",\"id\":3}");
        QTest::newRow("link with escaped slashes")
            << QByteArray("{\"config\":\"vmess:\\/\\/eyJh\\/ZGQ=\",\"id\":3}")
            << QByteArray("{\"config\":\"***\",\"id\":3}");
        QTest::newRow("link in any letter case")
            << QByteArray("[\"VMess://eyJhZGQ\",\"x\"]") << QByteArray("[\"***\",\"x\"]");
        QTest::newRow("link written as an address")
            << QByteArray("{\"l\":\"vmess://9b3c@jp1.example.net:443?type=ws#jp1\",\"n\":\"东京\"}")
            << QByteArray("{\"l\":\"***\",\"n\":\"东京\"}");
        QTest::newRow("link as a key")
            << QByteArray("{\"vmess://eyJhZGQ\":1}") << QByteArray("{\"***\":1}");
        QTest::newRow("not json") << QByteArray("<p>see vmess://eyJhZGQ</p> token: abc")
                                  << QByteArray("<p>see ***</p> token: abc");
        QTest::newRow("cut inside the value") << QByteArray("{\"id\":1,\"token\":\"abcdef")
                                              << QByteArray("{\"id\":1,\"token\":\"***\"");
        QTest::newRow("cut inside a link") << QByteArray("{\"id\":1,\"vmess_link\":\"vmess://eyJh")
                                           << QByteArray("{\"id\":1,\"vmess_link\":\"***\"");
        QTest::newRow("cut after the colon")
            << QByteArray("{\"id\":1,\"token\": ") << QByteArray("{\"id\":1,\"token\": ");
        QTest::newRow("nothing to hide")
            << QByteArray("{\"success\":true,\"data\":[1,2,{\"name\":\"东京\"}]}")
            << QByteArray("{\"success\":true,\"data\":[1,2,{\"name\":\"东京\"}]}");
        QTest::newRow("empty") << QByteArray() << QByteArray();

        const QByteArray inner = "{\"success\":true,\"token\":\"t0k\"}";
        const QByteArray plain = "{\"success\":true,\"name\":\"x\"}";
        QTest::newRow("envelope carrying a secret")
            << QByteArray("{\"encrypted\":true,\"data\":\"" + inner.toBase64()
                          + "\",\"signature\":\"ab\"}")
            << QByteArray("{\"encrypted\":true,\"data\":\"***\",\"signature\":\"ab\"}");
        const QByteArray harmless
            = "{\"encrypted\":true,\"data\":\"" + plain.toBase64() + "\",\"signature\":\"ab\"}";
        QTest::newRow("envelope carrying nothing secret") << harmless << harmless;
    }

    void masksTheSecretValues()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, masked);
        QCOMPARE(LogMask::mask(body), masked);
    }

    void logsEveryBodyMasked_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QJsonObject>("requestBody");
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<QString>("signingKey"); // signed replies on with this key
        QTest::addColumn<bool>("secretsReachTheCaller");
        QTest::addColumn<QStringList>("maskedLines"); // each a piece of a log line

        const QByteArray login = compact(
            { { "success", true }, { "token", kToken }, { "data", QJsonObject { { "id", 7 } } } });
        const QStringList loginLine {
            "[HttpClient] 响应数据: {\"data\":{\"id\":7},\"success\":true,\"token\":\"***\"}"
        };

        QTest::newRow("login reply") << QByteArray("GET") << QJsonObject() << FakeReply::raw(login)
                                     << QString() << true << loginLine;
        QTest::newRow("configuration reply")
            << QByteArray("GET") << QJsonObject() << FakeReply::json(configReply(false))
            << QString() << true
            << QStringList { "\"api_secret_key\":\"***\"", "\"vpn_encrypt_key\":\"***\"",
                             "\"app_name\":{\"description\":\"\",\"name\":\"item\",\"type\":"
                             "\"string\",\"value\":\"Orvo\"}" };
        QTest::newRow("server list cut at 500 bytes")
            << QByteArray("GET") << QJsonObject() << FakeReply::raw(longServerList()) << QString()
            << true
            << QStringList { "\"vmess_link\":\"***\"},{\"id\":2,\"name\":\"mmm",
                             QStringLiteral("m... (共%1字节)").arg(longServerList().size()) };
        QTest::newRow("error reply")
            << QByteArray("GET") << QJsonObject()
            << FakeReply::json(
                   { { "message", "无效" },
                     { "token", kToken },
                     { "data",
                       QJsonArray { serverJson(1, "东京", Orvo::Testing::sampleVmessLink()) } } },
                   422)
            << QString() << true
            << QStringList { "\"token\":\"***\"", "\"vmess_link\":\"***\"",
                             "\"remark\":\"备用 ***\"" };
        QTest::newRow("authenticated request body")
            << QByteArray("POST")
            << QJsonObject { { "token", kToken }, { "note", "see " + kSpareLink } }
            << FakeReply::json({ { "success", true } }) << QString() << false
            << QStringList { "[HttpClient] 请求体: {\"note\":\"see ***\",\"token\":\"***\"}" };
        QTest::newRow("signed reply, unwrapped")
            << QByteArray("GET") << QJsonObject() << signedReply(login, kApiKey) << kApiKey << true
            << loginLine;
        QTest::newRow("signed reply, refused")
            << QByteArray("GET") << QJsonObject() << signedReply(login, "another-key") << kApiKey
            << false << QStringList { "{\"data\":\"***\",\"encrypted\":true,\"signature\":\"" };
        QTest::newRow("signed reply, signing off")
            << QByteArray("GET") << QJsonObject() << signedReply(login, kApiKey) << QString()
            << false << QStringList { "{\"data\":\"***\",\"encrypted\":true,\"signature\":\"" };
    }

    void logsEveryBodyMasked()
    {
        QFETCH(QByteArray, method);
        QFETCH(QJsonObject, requestBody);
        QFETCH(FakeReply, reply);
        QFETCH(QString, signingKey);
        QFETCH(bool, secretsReachTheCaller);
        QFETCH(QStringList, maskedLines);

        m_service.setReply(method, "probe", reply);
        client()->setApiEncryption(!signingKey.isEmpty(), signingKey);
        ApiResponse response;
        waitFor([&](auto done) {
            auto callback = [&response, done](const ApiResponse &received) {
                response = received;
                done();
            };
            if (method == "POST")
                client()->post("probe", requestBody, callback);
            else
                client()->get("probe", callback);
        });

        const QStringList lines = log()->lines();
        QVERIFY2(leaks(lines).isEmpty(), qPrintable(leaks(lines).join(", ")));
        const QString joined = lines.join(QLatin1Char('\n'));
        for (const QString &piece : maskedLines)
            QVERIFY2(joined.contains(piece), qPrintable(piece + "\n--- log:\n" + joined));

        // The request went out and the reply came back as they are.
        QCOMPARE(m_service.requests().constFirst().json(), requestBody);
        if (secretsReachTheCaller) {
            const QString raw = QString::fromUtf8(response.rawData);
            const QStringList all = secrets();
            QVERIFY(std::any_of(all.cbegin(), all.cend(),
                                [&raw](const QString &secret) { return raw.contains(secret); }));
        }
    }

    // A sign-in, the configuration and the server list: the client keeps and
    // uses every secret, and the log shows none.
    void servicesKeepWhatTheLogHides()
    {
        m_service.setReply(
            "POST", "auth/login",
            FakeReply::json(
                { { "success", true },
                  { "message", "登录成功" },
                  { "token", kToken },
                  { "data",
                    QJsonObject { { "id", 7 }, { "email", "a@b.c" }, { "status", "active" } } } }));
        m_service.setReply("GET", "configs", FakeReply::json(configReply(true)));
        const QByteArray servers = compact(
            { { "success", true },
              { "data", QJsonArray { serverJson(1, "东京", Orvo::Testing::sampleVmessLink()) } } });
        m_service.setReply("GET", "servers", signedReply(servers, kApiKey));

        waitFor([](auto done) {
            AuthService::instance()->login("a@b.c", "pw",
                                           [done](bool, const QString &, const User &) { done(); });
        });
        waitFor([](auto done) {
            ConfigService::instance()->getConfigs(
                [done](bool, const QString &, const SystemConfig &) { done(); });
        });
        QList<Server> received;
        waitFor([&received](auto done) {
            ServerService::instance()->getAllServers(
                [&received, done](bool, const QString &, const QList<Server> &list) {
                    received = list;
                    done();
                });
        });

        QCOMPARE(TokenManager::instance()->getToken(), kToken);
        QCOMPARE(client()->authToken(), kToken);
        QCOMPARE(TokenManager::instance()->getVpnEncryptKey(), kVpnKey);
        QCOMPARE(LocalStorage::instance()->getString("api_secret_key"), kApiKey);
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.constFirst().vmessLink, Orvo::Testing::sampleVmessLink());
        // The server list came signed with the key of the configuration.
        QCOMPARE(m_service.requests("servers").constFirst().header("Authorization"),
                 QByteArray("Bearer ") + kToken.toUtf8());

        const QStringList lines = log()->lines();
        QVERIFY2(leaks(lines).isEmpty(), qPrintable(leaks(lines).join(", ")));
        const QStringList bodies = log()->startingWith("[HttpClient] 响应数据:");
        QCOMPARE(bodies.size(), 3);
        QVERIFY2(bodies.at(0).contains("\"token\":\"***\""), qPrintable(bodies.at(0)));
        QVERIFY2(bodies.at(1).contains("\"api_secret_key\":\"***\""), qPrintable(bodies.at(1)));
        QVERIFY2(bodies.at(1).contains("\"vpn_encrypt_key\":\"***\""), qPrintable(bodies.at(1)));
        QVERIFY2(bodies.at(2).contains("\"vmess_link\":\"***\""), qPrintable(bodies.at(2)));
        QVERIFY2(bodies.at(2).contains("\"remark\":\"备用 ***\""), qPrintable(bodies.at(2)));
        QVERIFY(log()->has("[HttpClient] API响应解密成功"));
    }
};

QTEST_GUILESS_MAIN(LogMaskTest)
#include "tst_logmask.moc"
