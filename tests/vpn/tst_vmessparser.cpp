#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "vpn/VmessParser.h"

using Orvo::Api::Vpn::VmessConfig;
using Orvo::Api::Vpn::VmessParser;

namespace {
QString encode(const QByteArray &json, const QString &prefix = "vmess://", bool padding = true)
{
    QByteArray payload = json.toBase64();
    if (!padding) {
        while (payload.endsWith('='))
            payload.chop(1);
    }
    return prefix + QString::fromLatin1(payload);
}

QString link(const QJsonObject &object, const QString &prefix = "vmess://", bool padding = true)
{
    return encode(QJsonDocument(object).toJson(QJsonDocument::Compact), prefix, padding);
}

const QString kUuid = QStringLiteral("0b3e7a52-6f51-4d8e-9a63-1c2d3e4f5a6b");

QJsonObject minimal()
{
    return { { "add", "hk1.orvo.example" }, { "port", "443" }, { "id", kUuid } };
}

QJsonObject with(QJsonObject object, const QString &key, const QJsonValue &value)
{
    object[key] = value;
    return object;
}

QJsonObject without(QJsonObject object, const QString &key)
{
    object.remove(key);
    return object;
}
} // namespace

class VmessParserTest : public QObject
{
    Q_OBJECT

private slots:
    void refusesBadLinks_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("message");

        const QString format = "无效的VMess链接格式";
        const QString base64 = "Base64解码失败";
        const QString json = "无效的JSON格式";
        const QString missing = "缺少必需字段（add/port/id）";
        const QString address = "服务器地址为空";
        const QString port = "端口号无效";
        const QString uuid = "UUID为空";

        QTest::newRow("empty") << "" << format;
        QTest::newRow("prefix alone") << "vmess://" << format;
        QTest::newRow("other scheme") << link(minimal(), "vless://") << format;
        QTest::newRow("prefix not at the start") << " " + link(minimal()) << format;
        QTest::newRow("nothing of the alphabet") << "vmess://!!!!" << base64;
        QTest::newRow("not json") << encode("hello, world") << json;
        QTest::newRow("json array") << encode(R"([{"add":"a","port":"443","id":"x"}])") << json;
        QTest::newRow("json text") << encode(R"("vmess")") << json;
        QTest::newRow("no add") << link(without(minimal(), "add")) << missing;
        QTest::newRow("no port") << link(without(minimal(), "port")) << missing;
        QTest::newRow("no id, other values bad too")
            << link(with(with(without(minimal(), "id"), "add", ""), "port", "0")) << missing;
        QTest::newRow("add empty") << link(with(minimal(), "add", "")) << address;
        QTest::newRow("add a number") << link(with(minimal(), "add", 1234)) << address;
        QTest::newRow("add null, port bad too")
            << link(with(with(minimal(), "add", QJsonValue::Null), "port", "0")) << address;
        QTest::newRow("port a json number") << link(with(minimal(), "port", 443)) << port;
        QTest::newRow("port 0") << link(with(minimal(), "port", "0")) << port;
        QTest::newRow("port 65536") << link(with(minimal(), "port", "65536")) << port;
        QTest::newRow("port no number") << link(with(minimal(), "port", "https")) << port;
        QTest::newRow("port with a plus") << link(with(minimal(), "port", "+443")) << port;
        QTest::newRow("port with blanks") << link(with(minimal(), "port", " 443 ")) << port;
        QTest::newRow("port negative") << link(with(minimal(), "port", "-443")) << port;
        QTest::newRow("port empty, id empty too")
            << link(with(with(minimal(), "port", ""), "id", "")) << port;
        QTest::newRow("id empty") << link(with(minimal(), "id", "")) << uuid;
        QTest::newRow("id a number") << link(with(minimal(), "id", 7)) << uuid;
    }

    void refusesBadLinks()
    {
        QFETCH(QString, link);
        QFETCH(QString, message);
        try {
            VmessParser::parse(link);
            QFAIL("the link was accepted");
        } catch (const QString &thrown) {
            QCOMPARE(thrown, message);
        }
    }

    void acceptsVariants_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("alterId");
        QTest::addColumn<QString>("security");
        QTest::addColumn<QString>("network");
        QTest::addColumn<QString>("tls");

        QTest::newRow("required fields only") << link(minimal()) << 443 << 0 << "auto"
                                              << "tcp"
                                              << "none";
        QTest::newRow("upper-case prefix") << link(minimal(), "VMESS://") << 443 << 0 << "auto"
                                           << "tcp"
                                           << "none";
        QTest::newRow("mixed-case prefix") << link(minimal(), "VMess://") << 443 << 0 << "auto"
                                           << "tcp"
                                           << "none";
        // 55 bytes of JSON: its Base64 ends in "==".
        QTest::newRow("padding dropped") << encode(
            R"({"add":"hk1.orvo.example","port":"8443","id":"abcdef1"})", "vmess://", false)
                                         << 8443 << 0 << "auto"
                                         << "tcp"
                                         << "none";
        QTest::newRow("smallest port") << link(with(minimal(), "port", "1")) << 1 << 0 << "auto"
                                       << "tcp"
                                       << "none";
        QTest::newRow("largest port")
            << link(with(minimal(), "port", "65535")) << 65535 << 0 << "auto"
            << "tcp"
            << "none";
        QTest::newRow("aid as text") << link(with(minimal(), "aid", "64")) << 443 << 64 << "auto"
                                     << "tcp"
                                     << "none";
        QTest::newRow("aid as a number") << link(with(minimal(), "aid", 64)) << 443 << 0 << "auto"
                                         << "tcp"
                                         << "none";
        QTest::newRow("aid no number") << link(with(minimal(), "aid", "many")) << 443 << 0 << "auto"
                                       << "tcp"
                                       << "none";
        QTest::newRow("aid with a sign")
            << link(with(minimal(), "aid", "+64")) << 443 << 0 << "auto"
            << "tcp"
            << "none";
        QTest::newRow("aid with blanks")
            << link(with(minimal(), "aid", " 64")) << 443 << 0 << "auto"
            << "tcp"
            << "none";
        QTest::newRow("null scy, number net, bool tls")
            << link(with(with(with(minimal(), "scy", QJsonValue::Null), "net", 2), "tls", true))
            << 443 << 0 << "auto"
            << "tcp"
            << "none";
        QTest::newRow("any texts kept") << link(
            with(with(with(minimal(), "scy", "chacha20-poly1305"), "net", "WS"), "tls", "TLS"))
                                        << 443 << 0 << "chacha20-poly1305"
                                        << "WS"
                                        << "TLS";
    }

    void acceptsVariants()
    {
        QFETCH(QString, link);
        const VmessConfig config = VmessParser::parse(link);
        QFETCH(int, port);
        QFETCH(int, alterId);
        QFETCH(QString, security);
        QFETCH(QString, network);
        QFETCH(QString, tls);
        QVERIFY(!config.address.isEmpty());
        QVERIFY(!config.id.isEmpty());
        QCOMPARE(config.port, port);
        QCOMPARE(config.alterId, alterId);
        QCOMPARE(config.security, security);
        QCOMPARE(config.network, network);
        QCOMPARE(config.tls, tls);
        QCOMPARE(config.globalRouting, true);
    }

    void readsEveryField()
    {
        const QJsonObject object { { "v", "2" },
                                   { "ps", "香港 01" },
                                   { "add", "203.0.113.7" },
                                   { "port", "2053" },
                                   { "id", kUuid },
                                   { "aid", "2" },
                                   { "scy", "aes-128-gcm" },
                                   { "net", "ws" },
                                   { "type", "none" },
                                   { "host", "cdn.orvo.example" },
                                   { "path", "/ray?ed=2048" },
                                   { "tls", "tls" },
                                   { "sni", "sni.orvo.example" } };
        const VmessConfig config = VmessParser::parse(link(object));
        QCOMPARE(config.remark, QString("香港 01"));
        QCOMPARE(config.address, QString("203.0.113.7"));
        QCOMPARE(config.port, 2053);
        QCOMPARE(config.id, kUuid);
        QCOMPARE(config.alterId, 2);
        QCOMPARE(config.security, QString("aes-128-gcm"));
        QCOMPARE(config.network, QString("ws"));
        QCOMPARE(config.headerType, QString("none"));
        QCOMPARE(config.host, QString("cdn.orvo.example"));
        QCOMPARE(config.path, QString("/ray?ed=2048"));
        QCOMPARE(config.tls, QString("tls"));
        QCOMPARE(config.sni, QString("sni.orvo.example"));
        QCOMPARE(config.globalRouting, true);
    }

    void parseJsonReadsTheObjectItself()
    {
        const VmessConfig config
            = VmessParser::parseJson(R"({"add":"a.example","port":"80","id":"u"})");
        QCOMPARE(config.address, QString("a.example"));
        QCOMPARE(config.port, 80);
    }
};

QTEST_GUILESS_MAIN(VmessParserTest)
#include "tst_vmessparser.moc"
