#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "models/Server.h"
#include "network/HttpClient.h"
#include "services/ServerService.h"

using Orvo::Api::Models::Server;
using Orvo::Api::Network::HttpClient;
using Orvo::Api::Services::ServerService;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;

namespace {

struct Outcome
{
    int calls = 0;
    bool success = false;
    QString message;
    QList<Server> servers;
    QStringList events;
};

QJsonObject serverJson(int id, const QString &name)
{
    return { { "id", id }, { "name", name } };
}

FakeReply listReply(const QJsonArray &data)
{
    return FakeReply::json({ { "success", true }, { "data", data } });
}

} // namespace

class ServerServiceTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    ServerService *service() { return ServerService::instance(); }

    // Runs one list request for the tier (null for getAllServers) and waits for it.
    Outcome fetch(const QString &tier)
    {
        Outcome outcome;
        auto onUpdate = QObject::connect(
            service(), &ServerService::serversUpdated, this,
            [&outcome](const QList<Server> &) { outcome.events << "serversUpdated"; });
        auto callback
            = [&outcome](bool success, const QString &message, const QList<Server> &servers) {
                  ++outcome.calls;
                  outcome.success = success;
                  outcome.message = message;
                  outcome.servers = servers;
                  outcome.events << "callback";
              };
        if (tier.isNull())
            service()->getAllServers(callback);
        else if (tier == "free")
            service()->getFreeServers(callback);
        else if (tier == "vip")
            service()->getVipServers(callback);
        else
            service()->getServersByTier(tier, callback);
        if (!QTest::qWaitFor([&outcome]() { return outcome.calls > 0; }, 10000))
            qFatal("no callback");
        QTest::qWait(20);
        QObject::disconnect(onUpdate);
        return outcome;
    }

private slots:
    void initTestCase() { QVERIFY(Orvo::Testing::startAsClientService(m_service)); }

    void init()
    {
        m_service.reset();
        HttpClient::instance()->setAuthToken("tok-s");
    }

    void sendsTierWithBearer_data()
    {
        QTest::addColumn<QString>("tier");
        QTest::addColumn<QString>("queryString");

        QTest::newRow("all") << QString() << "";
        QTest::newRow("free") << "free"
                              << "tier=free";
        QTest::newRow("vip") << "vip"
                             << "tier=vip";
        QTest::newRow("case kept") << "Free"
                                   << "tier=Free";
        QTest::newRow("empty tier") << ""
                                    << "";
    }

    void sendsTierWithBearer()
    {
        QFETCH(QString, tier);
        QFETCH(QString, queryString);

        m_service.setReply("GET", "servers", listReply({}));
        fetch(tier);
        QCOMPARE(m_service.requests().size(), 1);
        const auto request = m_service.requests().constFirst();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, QString("servers"));
        QCOMPARE(request.queryString, queryString);
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok-s"));
    }

    void deliversObjectItemsInOrder()
    {
        m_service.setReply("GET", "servers",
                           listReply({ serverJson(3, "东京"), 7, "x", QJsonValue(),
                                       QJsonObject { { "id", 1 },
                                                     { "port", "8443" },
                                                     { "country_code", "hk" },
                                                     { "requires_vip", true },
                                                     { "cpu_usage", 12.5 },
                                                     { "vmess_link", "vmess://abc" } } }));
        QSignalSpy updated(service(), &ServerService::serversUpdated);
        const Outcome outcome = fetch(QString());

        QVERIFY(outcome.success);
        QCOMPARE(outcome.message, QString("获取成功"));
        QCOMPARE(outcome.events, (QStringList { "callback", "serversUpdated" }));
        QCOMPARE(outcome.servers.size(), 2);
        const Server first = outcome.servers.at(0);
        QCOMPARE(first.id, 3);
        QCOMPARE(first.name, QString("东京"));
        QCOMPARE(first.port, 443);
        QVERIFY(first.tlsEnabled);
        QVERIFY(first.isEnabled);
        QVERIFY(!first.requiresVip);
        QVERIFY(!first.canConnect);
        const Server second = outcome.servers.at(1);
        QCOMPARE(second.id, 1);
        QCOMPARE(second.port, 443); // text is not a number
        QCOMPARE(second.countryCode, QString("hk"));
        QVERIFY(second.requiresVip);
        QCOMPARE(second.cpuUsage, 12.5);
        QCOMPARE(second.vmessLink, QString("vmess://abc"));

        QCOMPARE(updated.size(), 1);
        const auto signalled = updated.constFirst().constFirst().value<QList<Server>>();
        QCOMPARE(signalled.size(), 2);
        QCOMPARE(signalled.at(1).id, 1);
        QCOMPARE(service()->servers().size(), 2);
    }

    void failureKeepsHeldList()
    {
        m_service.setReply("GET", "servers", listReply({ serverJson(9, "首尔") }));
        fetch("vip");
        m_service.setReply("GET", "servers",
                           FakeReply::json({ { "success", false }, { "message", "维护中" } }));
        QSignalSpy updated(service(), &ServerService::serversUpdated);
        const Outcome outcome = fetch("free");

        QVERIFY(!outcome.success);
        QCOMPARE(outcome.message, QString("维护中"));
        QVERIFY(outcome.servers.isEmpty());
        QCOMPARE(updated.size(), 0);
        QCOMPARE(service()->servers().size(), 1);
        QCOMPARE(service()->servers().constFirst().id, 9);
    }

    void replyWithoutArrayEmptiesHeldList()
    {
        m_service.setReply("GET", "servers", listReply({ serverJson(9, "首尔") }));
        fetch(QString());
        m_service.setReply("GET", "servers",
                           FakeReply::json({ { "success", true }, { "data", QJsonObject {} } }));
        QSignalSpy updated(service(), &ServerService::serversUpdated);
        const Outcome outcome = fetch(QString());
        QVERIFY(outcome.success);
        QVERIFY(outcome.servers.isEmpty());
        QCOMPARE(updated.size(), 1);
        QVERIFY(service()->servers().isEmpty());
    }

    void clearCacheEmptiesHeldList()
    {
        m_service.setReply("GET", "servers", listReply({ serverJson(2, "新加坡") }));
        fetch(QString());
        service()->clearCache();
        QVERIFY(service()->servers().isEmpty());
    }

    void fetchesOneServerById()
    {
        m_service.setReply(
            "GET", "servers/7",
            FakeReply::json({ { "success", true }, { "data", serverJson(7, "洛杉矶") } }));
        m_service.setReply("GET", "servers", listReply({ serverJson(1, "a") }));
        fetch(QString());
        QSignalSpy updated(service(), &ServerService::serversUpdated);

        int calls = 0;
        Server server;
        service()->getServerById(7, [&](bool success, const QString &message, const Server &s) {
            ++calls;
            QVERIFY(success);
            QCOMPARE(message, QString("获取成功"));
            server = s;
        });
        QTRY_COMPARE(calls, 1);
        QCOMPARE(server.id, 7);
        QCOMPARE(server.name, QString("洛杉矶"));
        const auto request = m_service.requests("servers/7").constFirst();
        QVERIFY(request.queryString.isEmpty());
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok-s"));
        QCOMPARE(updated.size(), 0);
        QCOMPARE(service()->servers().constFirst().id, 1);
    }

    void failedDetailGivesDefaultRecord()
    {
        m_service.setReply("GET", "servers/8", FakeReply::json({ { "message", "不存在" } }, 404));
        int calls = 0;
        service()->getServerById(8, [&](bool success, const QString &message, const Server &s) {
            ++calls;
            QVERIFY(!success);
            QCOMPARE(message, QString("不存在"));
            QCOMPARE(s.id, 0);
            QCOMPARE(s.port, 443);
        });
        QTRY_COMPARE(calls, 1);
    }

    void flagEmoji_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("flag");

        QTest::newRow("lower") << "hk" << QString::fromUtf8("🇭🇰");
        QTest::newRow("upper") << "HK" << QString::fromUtf8("🇭🇰");
        QTest::newRow("cn") << "cn" << QString::fromUtf8("🇨🇳");
        QTest::newRow("us") << "us" << QString::fromUtf8("🇺🇸");
        QTest::newRow("empty") << "" << QString::fromUtf8("🌐");
        QTest::newRow("three") << "usa" << QString::fromUtf8("🌐");
        QTest::newRow("one") << "u" << QString::fromUtf8("🌐");
        const char32_t digit[] = { U'\U0001F1E6', char32_t('1') + 0x1F1A5 };
        QTest::newRow("letter and digit") << "a1" << QString::fromUcs4(digit, 2);
    }

    void flagEmoji()
    {
        QFETCH(QString, code);
        QFETCH(QString, flag);
        Server server;
        server.countryCode = code;
        QCOMPARE(server.flagEmoji(), flag);
    }
};

QTEST_GUILESS_MAIN(ServerServiceTest)
#include "tst_serverservice.moc"
