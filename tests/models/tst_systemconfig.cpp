#include <QJsonDocument>
#include <QTest>

#include "models/ConfigItem.h"
#include "models/SystemConfig.h"
#include "models/TrialStatus.h"

using Orvo::Api::Models::ConfigItem;
using Orvo::Api::Models::SystemConfig;
using Orvo::Api::Models::TrialStatus;

namespace {
QJsonObject parse(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}

// One configuration holding a single item.
SystemConfig withItem(const QString &key, const QByteArray &item)
{
    return SystemConfig::fromJson(parse("{\"" + key.toUtf8() + "\": " + item + "}"));
}
} // namespace

class SystemConfigTest : public QObject
{
    Q_OBJECT

private slots:
    void typesItemValues_data()
    {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("boolean") << QByteArray(R"({"type": "boolean", "value": true})")
                                 << QVariant(true);
        QTest::newRow("boolean as text")
            << QByteArray(R"({"type": "boolean", "value": "true"})") << QVariant(false);
        QTest::newRow("number") << QByteArray(R"({"type": "number", "value": 2.5})")
                                << QVariant(2.5);
        QTest::newRow("number as text")
            << QByteArray(R"({"type": "number", "value": "5"})") << QVariant(0.0);
        QTest::newRow("json") << QByteArray(R"({"type": "json", "value": {"a": 1}})")
                              << QVariant(QJsonObject { { "a", 1 } });
        QTest::newRow("json as array")
            << QByteArray(R"({"type": "json", "value": [1]})") << QVariant(QJsonObject());
        QTest::newRow("string") << QByteArray(R"({"type": "string", "value": "x"})")
                                << QVariant(QString("x"));
        QTest::newRow("type case matters")
            << QByteArray(R"({"type": "Boolean", "value": true})") << QVariant(QString());
        QTest::newRow("no type") << QByteArray(R"({"value": "y"})") << QVariant(QString("y"));
        QTest::newRow("text type, number value")
            << QByteArray(R"({"type": "string", "value": 3})") << QVariant(QString());
    }

    void typesItemValues()
    {
        QFETCH(QByteArray, item);
        QFETCH(QVariant, value);
        const ConfigItem read = ConfigItem::fromJson(parse(item));
        QCOMPARE(read.value, value);
        QCOMPARE(read.value.metaType(), value.metaType());
    }

    void readsItemTexts()
    {
        const ConfigItem item = ConfigItem::fromJson(
            parse(R"({"name": "Name", "description": "Desc", "type": "string", "value": "v"})"));
        QCOMPARE(item.name, QString("Name"));
        QCOMPARE(item.description, QString("Desc"));
        QCOMPARE(item.type, QString("string"));
    }

    void appliesReplyDefaults()
    {
        const SystemConfig config = SystemConfig::fromJson({});
        QCOMPARE(config.appName, QString("Deltry加速器"));
        QCOMPARE(config.appVersion, QString("1.0.0"));
        QCOMPARE(config.siteName, QString("Orvo VPN"));
        QCOMPARE(config.enableRegistration, true);
        QCOMPARE(config.maxDevices, 3);
        QCOMPARE(config.freeMaxDevices, 1);
        QCOMPARE(config.maintenanceMode, false);
        QCOMPARE(config.apiEncryptEnabled, false);
        QVERIFY(config.apiSecretKey.isEmpty());
        QVERIFY(config.configs.isEmpty());

        const SystemConfig fresh;
        QVERIFY(fresh.appName.isEmpty());
        QCOMPARE(fresh.maxDevices, 3);
        QCOMPARE(fresh.enableRegistration, true);
    }

    void readsTypedFields_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<QVariant>("field");

        QTest::newRow("devices as number")
            << "max_devices" << QByteArray(R"({"type": "number", "value": 5})") << QVariant(5);
        QTest::newRow("devices as empty text")
            << "max_devices" << QByteArray(R"({"type": "string", "value": ""})") << QVariant(0);
        QTest::newRow("devices as numeric text")
            << "max_devices" << QByteArray(R"({"type": "string", "value": "4"})") << QVariant(4);
        QTest::newRow("devices as number in text item")
            << "max_devices" << QByteArray(R"({"type": "number", "value": "5"})") << QVariant(0);
        QTest::newRow("empty name")
            << "app_name" << QByteArray(R"({"type": "string", "value": ""})")
            << QVariant(QString("Deltry加速器"));
        QTest::newRow("name") << "app_name" << QByteArray(R"({"type": "string", "value": "Z"})")
                              << QVariant(QString("Z"));
        QTest::newRow("version from number")
            << "app_version" << QByteArray(R"({"type": "number", "value": 2})")
            << QVariant(QString("2"));
        QTest::newRow("maintenance from text true")
            << "maintenance_mode" << QByteArray(R"({"type": "string", "value": "TRUE"})")
            << QVariant(true);
        QTest::newRow("maintenance from text false")
            << "maintenance_mode" << QByteArray(R"({"type": "string", "value": "False"})")
            << QVariant(false);
        QTest::newRow("maintenance from text 0")
            << "maintenance_mode" << QByteArray(R"({"type": "string", "value": "0"})")
            << QVariant(false);
        QTest::newRow("maintenance from number")
            << "maintenance_mode" << QByteArray(R"({"type": "number", "value": 1})")
            << QVariant(true);
        QTest::newRow("maintenance from boolean text")
            << "maintenance_mode" << QByteArray(R"({"type": "boolean", "value": "true"})")
            << QVariant(false);
        QTest::newRow("registration off")
            << "enable_registration" << QByteArray(R"({"type": "boolean", "value": false})")
            << QVariant(false);
        QTest::newRow("registration from object")
            << "enable_registration" << QByteArray(R"({"type": "json", "value": {}})")
            << QVariant(false);
        QTest::newRow("api key") << "api_secret_key"
                                 << QByteArray(R"({"type": "string", "value": "k1"})")
                                 << QVariant(QString("k1"));
        QTest::newRow("api flag") << "api_encrypt_enabled"
                                  << QByteArray(R"({"type": "boolean", "value": true})")
                                  << QVariant(true);
        QTest::newRow("vpn key") << "vpn_encrypt_key"
                                 << QByteArray(R"({"type": "string", "value": "k2"})")
                                 << QVariant(QString("k2"));
        QTest::newRow("vpn flag") << "vpn_encrypt_enabled"
                                  << QByteArray(R"({"type": "boolean", "value": true})")
                                  << QVariant(true);
        QTest::newRow("free trial")
            << "free_trial_enabled" << QByteArray(R"({"type": "boolean", "value": true})")
            << QVariant(true);
        QTest::newRow("vip trial")
            << "vip_trial_enabled" << QByteArray(R"({"type": "boolean", "value": true})")
            << QVariant(true);
    }

    void readsTypedFields()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, item);
        QFETCH(QVariant, field);

        const SystemConfig config = withItem(key, item);
        const QMap<QString, QVariant> fields {
            { "max_devices", config.maxDevices },
            { "app_name", config.appName },
            { "app_version", config.appVersion },
            { "maintenance_mode", config.maintenanceMode },
            { "enable_registration", config.enableRegistration },
            { "api_secret_key", config.apiSecretKey },
            { "api_encrypt_enabled", config.apiEncryptEnabled },
            { "vpn_encrypt_key", config.vpnEncryptKey },
            { "vpn_encrypt_enabled", config.vpnEncryptEnabled },
            { "free_trial_enabled", config.freeTrialEnabled },
            { "vip_trial_enabled", config.vipTrialEnabled },
        };
        QCOMPARE(fields.value(key), field);
        QCOMPARE(config.configs.keys(), QStringList { key });
    }

    void keepsOnlyObjectMembersAsItems()
    {
        const SystemConfig config = SystemConfig::fromJson(parse(R"({
            "app_name": "plain text", "b": {"type": "string", "value": "x"}, "c": [1], "d": 5,
            "a": {"type": "number", "value": 1}})"));
        QCOMPARE(config.configs.keys(), QStringList({ "a", "b" }));
        QCOMPARE(config.appName, QString("Deltry加速器"));
        QCOMPARE(config.getString("b", "none"), QString("x"));
        QCOMPARE(config.getString("missing", "none"), QString("none"));
        QCOMPARE(config.getInt("a", 9), 1);
        QCOMPARE(config.getInt("missing", 9), 9);
        QCOMPARE(config.getBool("missing", true), true);
    }

    void readsTrialStatus()
    {
        const TrialStatus status = TrialStatus::fromJson(parse(R"({
            "trial": {"enabled": true, "available": true, "used": false,
                      "expires_at": "2030-01-01 10:00:00", "hours_total": 2,
                      "hours_used": 0.5, "hours_remaining": 1.5},
            "vip": {"enabled": true, "is_vip": true, "expires_at": "2031-01-01T00:00:00Z",
                    "days_remaining": 30},
            "account_status": "active"})"));
        QVERIFY(status.trialEnabled);
        QVERIFY(status.trialAvailable);
        QVERIFY(!status.trialUsed);
        QCOMPARE(status.trialExpiresAt, QString("2030-01-01 10:00:00"));
        QCOMPARE(status.trialHoursTotal, 2);
        QCOMPARE(status.trialHoursUsed, 0.5);
        QCOMPARE(status.trialHoursRemaining, 1.5);
        QVERIFY(status.vipEnabled);
        QVERIFY(status.isVip);
        QCOMPARE(status.vipExpiresAt, QString("2031-01-01T00:00:00Z"));
        QCOMPARE(status.vipDaysRemaining, 30);
        QCOMPARE(status.accountStatus, QString("active"));
    }

    void trialStatusKeepsDefaultsForWrongTypes()
    {
        const TrialStatus status = TrialStatus::fromJson(parse(R"({
            "trial": [{"enabled": true}],
            "vip": {"enabled": "yes", "is_vip": 1, "days_remaining": 2.5, "expires_at": 3},
            "account_status": 1})"));
        QVERIFY(!status.trialEnabled);
        QCOMPARE(status.trialHoursTotal, 0);
        QVERIFY(!status.vipEnabled);
        QVERIFY(!status.isVip);
        QCOMPARE(status.vipDaysRemaining, 0);
        QVERIFY(status.vipExpiresAt.isEmpty());
        QVERIFY(status.accountStatus.isEmpty());
    }
};

QTEST_GUILESS_MAIN(SystemConfigTest)
#include "tst_systemconfig.moc"
