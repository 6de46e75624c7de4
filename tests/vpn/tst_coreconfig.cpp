#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "vpn/V2RayCore.h"
#include "vpn/VmessConfig.h"

using Orvo::Api::Vpn::V2RayCore;
using Orvo::Api::Vpn::VmessConfig;

namespace {
QJsonObject parse(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        qWarning() << "bad JSON in the test:" << error.errorString();
    return document.object();
}

QJsonObject generated(const VmessConfig &config)
{
    return parse(V2RayCore::generateConfig(config).toUtf8());
}

VmessConfig tcpServer()
{
    VmessConfig config;
    config.address = "hk1.orvo.example";
    config.port = 443;
    config.id = "0b3e7a52-6f51-4d8e-9a63-1c2d3e4f5a6b";
    config.alterId = 0;
    return config;
}

// moc takes "//" inside a raw string for a comment, so slashes are written as "\/".
const QByteArray kGlobalTcp = R"json({
    "log": {"level": "warning"},
    "dns": {
        "servers": [
            {"tag": "dns-remote", "address": "https:\/\/1.1.1.1\/dns-query",
             "address_resolver": "dns-direct"},
            {"tag": "dns-direct", "address": "223.5.5.5", "address_resolver": "dns-local",
             "detour": "direct"},
            {"tag": "dns-local", "address": "223.5.5.5", "detour": "direct"},
            {"tag": "dns-block", "address": "rcode:\/\/success"}
        ],
        "rules": [{"domain": "hk1.orvo.example", "server": "dns-direct"}],
        "final": "dns-remote",
        "independent_cache": true
    },
    "inbounds": [
        {"type": "mixed", "tag": "mixed-in", "listen": "127.0.0.1", "listen_port": 10315,
         "sniff": true, "sniff_override_destination": true, "set_system_proxy": false},
        {"type": "direct", "tag": "dns-in", "listen": "127.0.0.1", "listen_port": 16450}
    ],
    "outbounds": [
        {"type": "vmess", "tag": "proxy", "server": "hk1.orvo.example", "server_port": 443,
         "uuid": "0b3e7a52-6f51-4d8e-9a63-1c2d3e4f5a6b", "security": "auto", "alter_id": 0},
        {"type": "dns", "tag": "dns-out"},
        {"type": "direct", "tag": "direct"},
        {"type": "block", "tag": "block"}
    ],
    "route": {
        "rules": [
            {"inbound": "dns-in", "outbound": "dns-out"},
            {"port": 53, "outbound": "dns-out"},
            {"ip_cidr": ["10.0.0.0/8", "172.16.0.0/12", "192.168.0.0/16", "127.0.0.0/8"],
             "outbound": "direct"}
        ],
        "final": "proxy",
        "auto_detect_interface": true
    }
})json";
const QByteArray kWsTlsMembers = R"json({"transport": {"type": "ws", "path": "/ray",
                                            "headers": {"Host": "cdn.orvo.example"}},
                              "tls": {"enabled": true, "server_name": "sni.orvo.example",
                                      "insecure": false}})json";
const QByteArray kWsRootMembers = R"json({"transport": {"type": "ws", "path": "/"}})json";
const QByteArray kTlsMembers = R"json({"tls": {"enabled": true, "server_name": "hk1.orvo.example",
                                      "insecure": false}})json";
const QByteArray kSmartBlocks = R"json({"ip_cidr": ["1.0.1.0/24", "1.0.2.0/23", "1.0.8.0/21",
            "1.0.32.0/19", "1.1.0.0/24", "1.1.2.0/23", "1.1.4.0/22", "1.1.8.0/21",
            "223.5.5.5/32", "223.6.6.6/32", "114.114.114.114/32"], "outbound": "direct"})json";
} // namespace

class CoreConfigTest : public QObject
{
    Q_OBJECT

private slots:
    void globalTcpMatchesMemberForMember()
    {
        QTest::ignoreMessage(QtDebugMsg, "[V2RayCore] 使用全局模式 - 全部走代理");
        const QJsonObject actual = generated(tcpServer());
        const QJsonObject expected = parse(kGlobalTcp);
        QCOMPARE(actual.keys(), expected.keys());
        for (const QString &key : expected.keys())
            QCOMPARE(actual.value(key), expected.value(key));
    }

    void isIndentedJson()
    {
        const QString text = V2RayCore::generateConfig(tcpServer());
        QVERIFY(text.startsWith("{\n    \"dns\": {\n        \"final\": \"dns-remote\",\n"));
    }

    void proxyOutbound_data()
    {
        QTest::addColumn<QString>("network");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("tls");
        QTest::addColumn<QString>("sni");
        QTest::addColumn<QByteArray>("extra"); // members beyond those of every proxy

        QTest::newRow("ws and tls with host and sni") << "ws"
                                                      << "/ray"
                                                      << "cdn.orvo.example"
                                                      << "tls"
                                                      << "sni.orvo.example" << kWsTlsMembers;
        QTest::newRow("ws with an empty path and no host") << "ws"
                                                           << ""
                                                           << ""
                                                           << "none"
                                                           << "" << kWsRootMembers;
        QTest::newRow("tls without sni names the server") << "tcp"
                                                          << ""
                                                          << ""
                                                          << "tls"
                                                          << "" << kTlsMembers;
        QTest::newRow("upper-case WS and TLS add nothing")
            << "WS"
            << "/ray"
            << "cdn.orvo.example"
            << "TLS"
            << "sni.orvo.example" << QByteArray("{}");
        QTest::newRow("grpc adds no transport") << "grpc"
                                                << "/x"
                                                << ""
                                                << "none"
                                                << "" << QByteArray("{}");
    }

    void proxyOutbound()
    {
        QFETCH(QString, network);
        QFETCH(QString, path);
        QFETCH(QString, host);
        QFETCH(QString, tls);
        QFETCH(QString, sni);
        QFETCH(QByteArray, extra);
        VmessConfig config = tcpServer();
        config.network = network;
        config.path = path;
        config.host = host;
        config.tls = tls;
        config.sni = sni;
        config.security = "aes-128-gcm";
        config.alterId = 64;

        QJsonObject expected { { "type", "vmess" },
                               { "tag", "proxy" },
                               { "server", "hk1.orvo.example" },
                               { "server_port", 443 },
                               { "uuid", "0b3e7a52-6f51-4d8e-9a63-1c2d3e4f5a6b" },
                               { "security", "aes-128-gcm" },
                               { "alter_id", 64 } };
        const QJsonObject members = parse(extra);
        for (auto it = members.begin(); it != members.end(); ++it)
            expected.insert(it.key(), it.value());

        const QJsonObject actual
            = generated(config).value("outbounds").toArray().first().toObject();
        QCOMPARE(actual.keys(), expected.keys());
        for (const QString &key : expected.keys())
            QCOMPARE(actual.value(key), expected.value(key));
    }

    void smartModeRoutesMainlandDirectly()
    {
        VmessConfig config = tcpServer();
        config.globalRouting = false;
        QTest::ignoreMessage(QtDebugMsg, "[V2RayCore] 使用智能模式 - 国内直连");
        const QJsonObject route = generated(config).value("route").toObject();
        const QJsonArray rules = route.value("rules").toArray();
        QCOMPARE(rules.size(), 5);

        // The three rules of global mode come first, unchanged.
        const QJsonArray globalRules
            = parse(kGlobalTcp).value("route").toObject().value("rules").toArray();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(rules.at(i), globalRules.at(i));

        const QJsonObject domains = rules.at(3).toObject();
        QCOMPARE(domains.keys(), QStringList({ "domain_suffix", "outbound" }));
        QCOMPARE(domains.value("outbound"), QJsonValue("direct"));
        const QJsonArray suffixes = domains.value("domain_suffix").toArray();
        QCOMPARE(suffixes.size(), 14);
        QCOMPARE(suffixes.at(0), QJsonValue("cn"));
        QCOMPARE(suffixes.at(1), QJsonValue("com.cn"));
        for (const QJsonValue &suffix : suffixes)
            QVERIFY(!suffix.toString().isEmpty());

        const QJsonObject blocks = rules.at(4).toObject();
        QCOMPARE(blocks, parse(kSmartBlocks));

        QCOMPARE(route.value("final"), QJsonValue("proxy"));
        QCOMPARE(route.value("auto_detect_interface"), QJsonValue(true));
    }

    void dnsRuleNamesAnAddressLiteral()
    {
        VmessConfig config = tcpServer();
        config.address = "203.0.113.7";
        const QJsonArray rules = generated(config).value("dns").toObject().value("rules").toArray();
        QCOMPARE(rules,
                 QJsonArray(
                     { QJsonObject { { "domain", "203.0.113.7" }, { "server", "dns-direct" } } }));
    }
};

QTEST_GUILESS_MAIN(CoreConfigTest)
#include "tst_coreconfig.moc"
