#include <QJsonDocument>
#include <QTest>

#include "models/HeartbeatResponse.h"
#include "models/HeartbeatStats.h"

using Orvo::Api::Models::HeartbeatResponse;
using Orvo::Api::Models::HeartbeatStats;

namespace {
QJsonObject parse(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}
} // namespace

class HeartbeatResponseTest : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryField()
    {
        const HeartbeatResponse r = HeartbeatResponse::fromJson(parse(R"({
            "success": true,
            "data": {
                "interval": 60,
                "server_status": {"status": "online", "current_users": 12, "max_users": 100,
                                  "cpu_usage": 37.5},
                "user_status": {"is_vip": true, "vip_expires_at": "2027-01-01T00:00:00Z",
                                "total_traffic_gb": 12.25, "today_traffic_gb": 0.5,
                                "trial_used": true, "trial_expires_at": "not a date",
                                "trial_hours_remaining": 1.75},
                "device_status": {"status": "active", "force_disconnect": true,
                                  "message": "再见"}
            }
        })"));
        QCOMPARE(r.success, true);
        QCOMPARE(r.data.interval, 60);
        QCOMPARE(r.data.serverStatus.status, QString("online"));
        QCOMPARE(r.data.serverStatus.currentUsers, 12);
        QCOMPARE(r.data.serverStatus.maxUsers, 100);
        QCOMPARE(r.data.serverStatus.cpuUsage, 37.5);
        QCOMPARE(r.data.userStatus.isVip, true);
        QCOMPARE(r.data.userStatus.vipExpiresAt, QString("2027-01-01T00:00:00Z"));
        QCOMPARE(r.data.userStatus.totalTrafficGb, 12.25);
        QCOMPARE(r.data.userStatus.todayTrafficGb, 0.5);
        QCOMPARE(r.data.userStatus.trialUsed, true);
        // Date-times stay the service's text, even when unparsable.
        QCOMPARE(r.data.userStatus.trialExpiresAt, QString("not a date"));
        QCOMPARE(r.data.userStatus.trialHoursRemaining, 1.75);
        QCOMPARE(r.data.deviceStatus.status, QString("active"));
        QCOMPARE(r.data.deviceStatus.forceDisconnect, true);
        QCOMPARE(r.data.deviceStatus.message, QString("再见"));
    }

    void keepsDefaults_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("empty") << QByteArray("{}");
        QTest::newRow("data not an object") << QByteArray(R"({"success": "yes", "data": [1]})");
        QTest::newRow("groups not objects") << QByteArray(
            R"({"data": {"server_status": 1, "user_status": "x", "device_status": [true]}})");
        QTest::newRow("wrong types") << QByteArray(R"({"success": 1, "data": {
            "interval": 1.5,
            "server_status": {"status": 3, "current_users": "12", "max_users": 2.5,
                              "cpu_usage": "high"},
            "user_status": {"is_vip": 1, "vip_expires_at": 5, "total_traffic_gb": "1",
                            "today_traffic_gb": null, "trial_used": "true",
                            "trial_expires_at": false, "trial_hours_remaining": "2"},
            "device_status": {"status": null, "force_disconnect": "true", "message": 7}}})");
    }

    void keepsDefaults()
    {
        QFETCH(QByteArray, json);
        const HeartbeatResponse r = HeartbeatResponse::fromJson(parse(json));
        QCOMPARE(r.success, false);
        QCOMPARE(r.data.interval, 30);
        QCOMPARE(r.data.serverStatus.status, QString());
        QCOMPARE(r.data.serverStatus.currentUsers, 0);
        QCOMPARE(r.data.serverStatus.maxUsers, 0);
        QCOMPARE(r.data.serverStatus.cpuUsage, 0.0);
        QCOMPARE(r.data.userStatus.isVip, false);
        QCOMPARE(r.data.userStatus.vipExpiresAt, QString());
        QCOMPARE(r.data.userStatus.totalTrafficGb, 0.0);
        QCOMPARE(r.data.userStatus.todayTrafficGb, 0.0);
        QCOMPARE(r.data.userStatus.trialUsed, false);
        QCOMPARE(r.data.userStatus.trialExpiresAt, QString());
        QCOMPARE(r.data.userStatus.trialHoursRemaining, 0.0);
        QCOMPARE(r.data.deviceStatus.status, QString());
        QCOMPARE(r.data.deviceStatus.forceDisconnect, false);
        QCOMPARE(r.data.deviceStatus.message, QString());
    }

    void readsStats_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("users");
        QTest::addColumn<int>("devices");
        QTest::newRow("both") << QByteArray(
            R"({"data": {"online_users": 12, "online_devices": 20}})")
                              << 12 << 20;
        QTest::newRow("not whole")
            << QByteArray(R"({"data": {"online_users": 1.5, "online_devices": "20"}})") << 0 << 0;
        QTest::newRow("data not an object")
            << QByteArray(R"({"data": 5, "online_users": 3})") << 0 << 0;
        QTest::newRow("no data") << QByteArray("{}") << 0 << 0;
    }

    void readsStats()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, users);
        QFETCH(int, devices);
        const HeartbeatStats stats = HeartbeatStats::fromJson(parse(json));
        QCOMPARE(stats.onlineUsers, users);
        QCOMPARE(stats.onlineDevices, devices);
    }
};

QTEST_GUILESS_MAIN(HeartbeatResponseTest)
#include "tst_heartbeatresponse.moc"
