#include <QElapsedTimer>
#include <QJsonArray>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "models/HeartbeatResponse.h"
#include "models/HeartbeatStats.h"
#include "network/HttpClient.h"
#include "services/HeartbeatService.h"
#include "storage/TokenManager.h"
#include "vpn/EngineTimings.h"

using Orvo::Api::Models::HeartbeatResponse;
using Orvo::Api::Models::HeartbeatStats;
using Orvo::Api::Network::HttpClient;
using Orvo::Api::Security::TokenManager;
using Orvo::Api::Services::HeartbeatService;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;
using Orvo::Testing::RecordedRequest;

Q_DECLARE_METATYPE(FakeReply)

namespace {

// A second of a heartbeat interval lasts this long here: the default 30 s become 300 ms.
constexpr int kSecondMs = 10;
constexpr int kDefaultPeriodMs = 30 * kSecondMs;
// How long a test waits for what must come; only a fault uses it up.
constexpr int kWaitMs = 10000;
const QString kHeartbeat = QStringLiteral("heartbeat");
const QString kSignedInElsewhere = QStringLiteral("您的账号在其他设备登录，已被强制下线");

FakeReply reply(const QByteArray &json, int status = 200)
{
    return FakeReply::raw(json, status);
}

FakeReply activeReply()
{
    return reply(R"({"success": true, "data": {"interval": 30,
                    "device_status": {"status": "active", "force_disconnect": false},
                    "user_status": {"is_vip": true, "trial_hours_remaining": 2}}})");
}

// A reply that tells this device to go, and the account that its trial is over.
FakeReply kickedReply()
{
    return reply(R"({"success": true, "data": {
                    "device_status": {"status": "disabled", "message": "设备已停用"},
                    "user_status": {"is_vip": false, "trial_hours_remaining": -0.5}}})");
}

FakeReply unauthorisedReply()
{
    return reply(R"({"message": "Unauthenticated."})", 401);
}

} // namespace

class HeartbeatServiceTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    HeartbeatService *heartbeat() { return HeartbeatService::instance(); }

    QList<RecordedRequest> beats() const { return m_service.requests(kHeartbeat); }

    // Times of the replies to the heartbeats, as the service's signals report them.
    struct ReplyClock
    {
        QElapsedTimer clock;
        QList<qint64> at;
    };

    void watchReplies(ReplyClock *replies, QObject *context)
    {
        replies->clock.start();
        QObject::connect(heartbeat(), &HeartbeatService::heartbeatSuccess, context,
                         [replies]() { replies->at << replies->clock.elapsed(); });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Orvo::Testing::startAsClientService(m_service));
        Orvo::Api::Vpn::EngineTimings timings;
        timings.heartbeatSecondMs = kSecondMs;
        Orvo::Api::Vpn::EngineTimings::setForTesting(timings);
        heartbeat();
    }

    void init()
    {
        m_service.reset();
        m_service.setReply("POST", kHeartbeat, activeReply());
        HttpClient::instance()->setAuthToken(QStringLiteral("tok-hb"));
    }

    void cleanup()
    {
        heartbeat()->stopAutoHeartbeat();
        // Every reply is in before the next test watches the signals.
        QTRY_VERIFY(Orvo::Testing::everyReplyHandled());
    }

    void seriesCarriesExactlyFiveMembers()
    {
        // Values stored before the start are not sent: a series starts from zero.
        heartbeat()->updateTraffic(100, 200);
        heartbeat()->setLatency(50);
        heartbeat()->startAutoHeartbeat(7, 0);
        QTRY_COMPARE(beats().size(), 1);

        const RecordedRequest first = beats().at(0);
        QCOMPARE(first.method, QByteArray("POST"));
        QCOMPARE(first.header("Authorization"), QByteArray("Bearer tok-hb"));
        QStringList keys = first.json().keys();
        keys.sort();
        QCOMPARE(keys,
                 QStringList({ "connection_status", "device_id", "download_bytes", "latency_ms",
                               "upload_bytes" }));
        const QString deviceId = TokenManager::instance()->getDeviceId();
        QVERIFY(!deviceId.isEmpty());
        QCOMPARE(first.json().value("device_id").toString(), deviceId);
        QCOMPARE(first.json().value("connection_status").toString(), QString("connected"));
        QCOMPARE(first.json().value("upload_bytes").toInteger(-1), 0);
        QCOMPARE(first.json().value("download_bytes").toInteger(-1), 0);
        QCOMPARE(first.json().value("latency_ms").toInteger(-1), 0);

        // Totals beyond 32 bits travel as JSON integers.
        heartbeat()->updateTraffic(5000000000LL, 7000000001LL);
        heartbeat()->setLatency(42);
        QTRY_COMPARE_WITH_TIMEOUT(beats().size(), 2, kWaitMs);
        const RecordedRequest tick = beats().at(1);
        QCOMPARE(tick.json().value("connection_status").toString(), QString("connected"));
        QVERIFY(tick.body.contains("\"upload_bytes\":5000000000"));
        QVERIFY(tick.body.contains("\"download_bytes\":7000000001"));
        QCOMPARE(tick.json().value("latency_ms").toInteger(-1), 42);
        QCOMPARE(tick.json().size(), 5);

        heartbeat()->stopAutoHeartbeat();
        QTRY_COMPARE(beats().size(), 3);
        const RecordedRequest last = beats().at(2);
        QCOMPARE(last.json().value("connection_status").toString(), QString("disconnected"));
        QCOMPARE(last.json().value("upload_bytes").toInteger(-1), 5000000000LL);
        QCOMPARE(last.json().value("download_bytes").toInteger(-1), 7000000001LL);
        QCOMPARE(last.json().value("latency_ms").toInteger(-1), 42);
        QCOMPARE(last.json().size(), 5);

        // Stopped for good: no tick, and stopping an idle service sends nothing.
        heartbeat()->stopAutoHeartbeat();
        QTest::qWait(2 * kDefaultPeriodMs);
        QCOMPARE(beats().size(), 3);
    }

    void restartEndsTheOldSeriesFirst()
    {
        heartbeat()->startAutoHeartbeat(7, 0);
        heartbeat()->updateTraffic(10, 20);
        heartbeat()->startAutoHeartbeat(8, 0);
        QTRY_COMPARE(beats().size(), 3);
        const QList<RecordedRequest> sent = beats();
        QCOMPARE(sent.at(0).json().value("connection_status").toString(), QString("connected"));
        QCOMPARE(sent.at(1).json().value("connection_status").toString(), QString("disconnected"));
        QCOMPARE(sent.at(1).json().value("upload_bytes").toInteger(-1), 10);
        QCOMPARE(sent.at(2).json().value("connection_status").toString(), QString("connected"));
        QCOMPARE(sent.at(2).json().value("upload_bytes").toInteger(-1), 0);
    }

    void replyIntervalSetsThePeriod_data()
    {
        QTest::addColumn<QByteArray>("interval");
        QTest::addColumn<int>("periodMs"); // 0: no further heartbeat in sight

        QTest::newRow("default 30") << QByteArray("30") << kDefaultPeriodMs;
        QTest::newRow("60") << QByteArray("60") << 60 * kSecondMs;
        QTest::newRow("zero") << QByteArray("0") << kDefaultPeriodMs;
        QTest::newRow("negative") << QByteArray("-5") << kDefaultPeriodMs;
        QTest::newRow("not whole") << QByteArray("1.5") << kDefaultPeriodMs;
        QTest::newRow("text") << QByteArray("\"60\"") << kDefaultPeriodMs;
        // 2147483 s is the longest period a timer holds; one more second
        // would overflow in milliseconds and is ignored, as is the int maximum.
        QTest::newRow("longest that fits") << QByteArray("2147483") << 0;
        QTest::newRow("first that overflows") << QByteArray("2147484") << kDefaultPeriodMs;
        QTest::newRow("int maximum") << QByteArray("2147483647") << kDefaultPeriodMs;
    }

    void replyIntervalSetsThePeriod()
    {
        QFETCH(QByteArray, interval);
        QFETCH(int, periodMs);

        m_service.queueReply("POST", kHeartbeat,
                             reply(R"({"success": true, "data": {"interval": )" + interval
                                   + R"(, "device_status": {"status": "active"},
                                         "user_status": {}}})"));
        QObject context;
        ReplyClock replies;
        watchReplies(&replies, &context);
        heartbeat()->startAutoHeartbeat(7, 0);
        QTRY_COMPARE(replies.at.size(), 1);

        if (periodMs == 0) {
            QTest::qWait(3 * kDefaultPeriodMs);
            QCOMPARE(beats().size(), 1);
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(replies.at.size(), 2, kWaitMs);
        // A coarse timer fires at most 5 % early; the tick comes a period after
        // the start, or after the reply that set a new one. A busy machine
        // makes it late, but not by a whole default period.
        const qint64 sinceStart = replies.at.at(1);
        QVERIFY2(sinceStart >= periodMs * 0.95, qPrintable(QString::number(sinceStart)));
        const qint64 gap = replies.at.at(1) - replies.at.at(0);
        QVERIFY2(gap < periodMs * 1.9, qPrintable(QString::number(gap)));
    }

    void longerPeriodStaysUntilTheNextStart()
    {
        const int longMs = 60 * kSecondMs;
        m_service.queueReply("POST", kHeartbeat, reply(R"({"success": true, "data": {"interval": 60,
                                   "device_status": {"status": "active"}, "user_status": {}}})"));
        QObject context;
        ReplyClock replies;
        watchReplies(&replies, &context);
        heartbeat()->startAutoHeartbeat(7, 0);
        // The later replies say 30: that does not bring the 30 s period back.
        QTRY_COMPARE_WITH_TIMEOUT(replies.at.size(), 3, kWaitMs);
        // The first reply restarted the timer on the long period.
        QVERIFY(replies.at.at(1) - replies.at.at(0) >= longMs * 0.95);
        QVERIFY(replies.at.at(2) - replies.at.at(0) >= 2 * longMs * 0.95);

        // A new start sets the period anew.
        heartbeat()->startAutoHeartbeat(7, 0);
        QTRY_COMPARE(replies.at.size(), 5); // the old series' last, the new one's first
        QTRY_COMPARE_WITH_TIMEOUT(replies.at.size(), 6, kWaitMs);
        QVERIFY(replies.at.at(5) - replies.at.at(4) < kDefaultPeriodMs * 1.9);
    }

    void replyRulesInOrder_data()
    {
        QTest::addColumn<QByteArray>("deviceStatus");
        QTest::addColumn<QStringList>("events");

        QTest::newRow("active") << QByteArray(R"({"status": "active", "force_disconnect": false,
                                               "message": "ok"})")
                                << QStringList { "user", "callback true", "success" };
        QTest::newRow("status not exactly active")
            << QByteArray(R"({"status": "Active", "message": "请重新连接"})")
            << QStringList { "force 请重新连接", "user", "callback true", "success" };
        QTest::newRow("device disabled")
            << QByteArray(R"({"status": "disabled", "message": "设备已被禁用"})")
            << QStringList { "force 设备已被禁用", "user", "callback true", "success" };
        QTest::newRow("demanded while active")
            << QByteArray(
                   R"({"status": "active", "force_disconnect": true, "message": "管理员断开"})")
            << QStringList { "force 管理员断开", "user", "callback true", "success" };
        QTest::newRow("demand as text does not count")
            << QByteArray(R"({"status": "active", "force_disconnect": "true"})")
            << QStringList { "user", "callback true", "success" };
        QTest::newRow("empty device status")
            << QByteArray("{}") << QStringList { "force ", "user", "callback true", "success" };
    }

    void replyRulesInOrder()
    {
        QFETCH(QByteArray, deviceStatus);
        QFETCH(QStringList, events);

        m_service.setReply("POST", kHeartbeat,
                           reply(R"({"success": true, "data": {"user_status": {},
                                 "device_status": )"
                                 + deviceStatus + "}}"));
        QObject context;
        QStringList seen;
        QObject::connect(heartbeat(), &HeartbeatService::forceDisconnectRequired, &context,
                         [&seen](const QString &message) { seen << "force " + message; });
        QObject::connect(heartbeat(), &HeartbeatService::userStatusUpdated, &context,
                         [&seen]() { seen << "user"; });
        QObject::connect(heartbeat(), &HeartbeatService::heartbeatSuccess, &context,
                         [&seen]() { seen << "success"; });
        QObject::connect(heartbeat(), &HeartbeatService::heartbeatFailed, &context,
                         [&seen](const QString &message) { seen << "failed " + message; });

        heartbeat()->sendHeartbeat(3, QStringLiteral("connected"), 1, 2, 3,
                                   [&seen](bool ok, const HeartbeatResponse &) {
                                       seen << (ok ? "callback true" : "callback false");
                                   });
        QTRY_VERIFY(seen.contains("success"));
        QTest::qWait(20);
        QCOMPARE(seen, events);
    }

    void unreadableReplyIsAFailedHeartbeat_data()
    {
        QTest::addColumn<QByteArray>("body");

        QTest::newRow("not JSON") << QByteArray("<html>502 Bad Gateway</html>");
        QTest::newRow("no data") << QByteArray(R"({"success": true})");
        QTest::newRow("data not an object") << QByteArray(R"({"success": true, "data": []})");
        QTest::newRow("no device status") << QByteArray(R"({"success": true, "data": {
                                                          "interval": 30, "user_status": {}}})");
        QTest::newRow("no user status") << QByteArray(R"({"success": true, "data": {
                                                        "device_status": {"status": "active"}}})");
        QTest::newRow("statuses not objects")
            << QByteArray(R"({"success": true, "data": {"device_status": "active",
                          "user_status": true}})");
    }

    // A reply that says nothing readable is no verdict on the device or the account.
    void unreadableReplyIsAFailedHeartbeat()
    {
        QFETCH(QByteArray, body);

        m_service.setReply("POST", kHeartbeat, reply(body));
        QSignalSpy failed(heartbeat(), &HeartbeatService::heartbeatFailed);
        QSignalSpy force(heartbeat(), &HeartbeatService::forceDisconnectRequired);
        QSignalSpy updated(heartbeat(), &HeartbeatService::userStatusUpdated);
        QSignalSpy succeeded(heartbeat(), &HeartbeatService::heartbeatSuccess);
        QList<bool> results;
        heartbeat()->sendHeartbeat(
            3, QStringLiteral("connected"), 1, 2, 3,
            [&results](bool ok, const HeartbeatResponse &) { results << ok; });
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("心跳响应无法解析"));
        QCOMPARE(results, QList<bool> { false });
        QCOMPARE(force.size(), 0);
        QCOMPARE(updated.size(), 0);
        QCOMPARE(succeeded.size(), 0);
    }

    // Replies to a series that has ended arrive after the next has started:
    // only the running series' own reply decides.
    void repliesOfAnEndedSeriesDecideNothing()
    {
        m_service.setReply("POST", kHeartbeat, kickedReply());
        QSignalSpy force(heartbeat(), &HeartbeatService::forceDisconnectRequired);
        QSignalSpy updated(heartbeat(), &HeartbeatService::userStatusUpdated);
        QSignalSpy succeeded(heartbeat(), &HeartbeatService::heartbeatSuccess);

        // No event is handled in between, so every reply comes after the restart.
        heartbeat()->startAutoHeartbeat(7, 0);
        heartbeat()->stopAutoHeartbeat();
        // A long period: no tick of its own comes before the replies.
        heartbeat()->startAutoHeartbeat(8, 600);
        QTRY_COMPARE(succeeded.size(), 3);

        QCOMPARE(force.size(), 1);
        QCOMPARE(force.at(0).at(0).toString(), QStringLiteral("设备已停用"));
        QCOMPARE(updated.size(), 1);
        QCOMPARE(updated.at(0).at(1).toDouble(), -0.5);
    }

    void ownDisconnect_data()
    {
        QTest::addColumn<FakeReply>("lastReply");
        QTest::addColumn<QStringList>("forced");

        QTest::newRow("device status in the reply") << kickedReply() << QStringList();
        // A refused token still means a login elsewhere: the user is signed out.
        QTest::newRow("refused as unauthorised")
            << unauthorisedReply() << QStringList { kSignedInElsewhere };
    }

    // What the service answers to the last heartbeat of a series that the user
    // ended is no order to end it.
    void ownDisconnect()
    {
        QFETCH(FakeReply, lastReply);
        QFETCH(QStringList, forced);

        QSignalSpy replies(heartbeat(), &HeartbeatService::heartbeatSuccess);
        QSignalSpy failed(heartbeat(), &HeartbeatService::heartbeatFailed);
        QSignalSpy force(heartbeat(), &HeartbeatService::forceDisconnectRequired);
        QSignalSpy updated(heartbeat(), &HeartbeatService::userStatusUpdated);
        heartbeat()->startAutoHeartbeat(7, 600); // no tick before the stop
        QTRY_COMPARE(replies.size(), 1);
        QCOMPARE(updated.size(), 1);

        m_service.setReply("POST", kHeartbeat, lastReply);
        heartbeat()->stopAutoHeartbeat();
        QTRY_COMPARE(replies.size() + failed.size(), 2);
        QStringList messages;
        for (const QList<QVariant> &arguments : force)
            messages << arguments.at(0).toString();
        QCOMPARE(messages, forced);
        QCOMPARE(updated.size(), 1);
    }

    void userStatusFromTheReply_data()
    {
        QTest::addColumn<QByteArray>("userStatus");
        QTest::addColumn<bool>("isVip");
        QTest::addColumn<double>("hours");

        QTest::newRow("vip") << QByteArray(R"(, "user_status": {"is_vip": true,
                                             "trial_hours_remaining": 2.5})")
                             << true << 2.5;
        QTest::newRow("trial used up") << QByteArray(R"(, "user_status": {"is_vip": false,
                                                       "trial_hours_remaining": -0.02})")
                                       << false << -0.02;
        QTest::newRow("empty user status") << QByteArray(R"(, "user_status": {})") << false << 0.0;
    }

    void userStatusFromTheReply()
    {
        QFETCH(QByteArray, userStatus);
        QFETCH(bool, isVip);
        QFETCH(double, hours);

        m_service.setReply("POST", kHeartbeat,
                           reply(R"({"success": true, "data": {"device_status":
                                 {"status": "active"})"
                                 + userStatus + "}}"));
        QSignalSpy updated(heartbeat(), &HeartbeatService::userStatusUpdated);
        QSignalSpy succeeded(heartbeat(), &HeartbeatService::heartbeatSuccess);
        heartbeat()->startAutoHeartbeat(7, 0);
        QTRY_COMPARE(updated.size(), 1);
        QCOMPARE(updated.at(0).at(0).toBool(), isVip);
        QCOMPARE(updated.at(0).at(1).toDouble(), hours);
        QTRY_COMPARE(succeeded.size(), 1);
        const auto response = succeeded.at(0).at(0).value<HeartbeatResponse>();
        QCOMPARE(response.data.userStatus.isVip, isVip);
        QCOMPARE(response.data.userStatus.trialHoursRemaining, hours);
    }

    void failedHeartbeat_data()
    {
        QTest::addColumn<FakeReply>("answer");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("forced");

        QTest::newRow("401") << unauthorisedReply() << "Unauthenticated." << true;
        QTest::newRow("server error")
            << reply(R"({"message": "服务器错误"})", 500) << "服务器错误" << false;
        QTest::newRow("refused in body")
            << reply(R"({"success": false, "message": "设备未注册"})") << "设备未注册" << false;
        QTest::newRow("no answer") << FakeReply::dropped() << QString() << false;
    }

    void failedHeartbeat()
    {
        QFETCH(FakeReply, answer);
        QFETCH(QString, message);
        QFETCH(bool, forced);

        m_service.setReply("POST", kHeartbeat, answer);
        QSignalSpy failed(heartbeat(), &HeartbeatService::heartbeatFailed);
        QSignalSpy force(heartbeat(), &HeartbeatService::forceDisconnectRequired);
        QSignalSpy succeeded(heartbeat(), &HeartbeatService::heartbeatSuccess);
        int calls = 0;
        HeartbeatResponse result;
        result.data.interval = -1;
        heartbeat()->sendHeartbeat(3, QStringLiteral("connected"), 1, 2, 3,
                                   [&](bool ok, const HeartbeatResponse &response) {
                                       ++calls;
                                       QVERIFY(!ok);
                                       result = response;
                                   });
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(calls, 1);
        QCOMPARE(result.success, false);
        QCOMPARE(result.data.interval, 30);
        if (message.isEmpty())
            QVERIFY(!failed.at(0).at(0).toString().isEmpty()); // the transport's own text
        else
            QCOMPARE(failed.at(0).at(0).toString(), message);
        QCOMPARE(force.size(), forced ? 1 : 0);
        if (forced)
            QCOMPARE(force.at(0).at(0).toString(), kSignedInElsewhere);
        QCOMPARE(succeeded.size(), 0);
    }

    void failuresKeepTheSeriesRunning()
    {
        m_service.setReply("POST", kHeartbeat, reply(R"({"message": "忙"})", 503));
        QSignalSpy failed(heartbeat(), &HeartbeatService::heartbeatFailed);
        QSignalSpy force(heartbeat(), &HeartbeatService::forceDisconnectRequired);
        heartbeat()->startAutoHeartbeat(7, 0);
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 3, kWaitMs);
        QCOMPARE(force.size(), 0);
        for (const RecordedRequest &beat : beats())
            QCOMPARE(beat.json().value("connection_status").toString(), QString("connected"));
    }

    void withoutTokenNothingIsSent()
    {
        HttpClient::instance()->clearAuthToken();
        QSignalSpy failed(heartbeat(), &HeartbeatService::heartbeatFailed);
        int calls = 0;
        heartbeat()->sendHeartbeat(3, QStringLiteral("connected"), 1, 2, 3,
                                   [&](bool ok, const HeartbeatResponse &response) {
                                       ++calls;
                                       QVERIFY(!ok);
                                       QCOMPARE(response.success, false);
                                   });
        QCOMPARE(calls, 1);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), QString("Token为空，请先登录"));

        // A series refuses again on every tick and keeps running.
        heartbeat()->startAutoHeartbeat(7, 0);
        QCOMPARE(failed.size(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 4, kWaitMs);
        QCOMPARE(failed.at(3).at(0).toString(), QString("Token为空，请先登录"));
        QCOMPARE(beats().size(), 0);
    }

    void unauthorisedEndsTheSeriesWithOneWarning()
    {
        m_service.setReply("POST", kHeartbeat, unauthorisedReply());
        QSignalSpy failed(heartbeat(), &HeartbeatService::heartbeatFailed);
        QSignalSpy force(heartbeat(), &HeartbeatService::forceDisconnectRequired);
        heartbeat()->startAutoHeartbeat(7, 0);

        // The series ends with its last heartbeat, under the same token; that one
        // is refused too, but the user is told only once.
        QTRY_COMPARE(failed.size(), 2);
        const QList<RecordedRequest> sent = beats();
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(1).json().value("connection_status").toString(), QString("disconnected"));
        QCOMPARE(sent.at(1).header("Authorization"), QByteArray("Bearer tok-hb"));
        QCOMPARE(force.size(), 1);
        QCOMPARE(force.at(0).at(0).toString(), kSignedInElsewhere);

        QTest::qWait(2 * kDefaultPeriodMs);
        QCOMPARE(beats().size(), 2);
        QCOMPARE(force.size(), 1);
    }

    void unauthorisedLastHeartbeatOfAStoppedSeriesIsReported()
    {
        QSignalSpy succeeded(heartbeat(), &HeartbeatService::heartbeatSuccess);
        QSignalSpy force(heartbeat(), &HeartbeatService::forceDisconnectRequired);
        heartbeat()->startAutoHeartbeat(7, 0);
        QTRY_COMPARE(succeeded.size(), 1);

        // Signed in elsewhere meanwhile: the user learns it from the last heartbeat.
        m_service.setReply("POST", kHeartbeat, unauthorisedReply());
        heartbeat()->stopAutoHeartbeat();
        QTRY_COMPARE(force.size(), 1);
        QCOMPARE(force.at(0).at(0).toString(), kSignedInElsewhere);
    }

    void forcedByReplyEndsWhenTheReceiverStops()
    {
        m_service.setReply("POST", kHeartbeat, kickedReply());
        QObject engine;
        QSignalSpy force(heartbeat(), &HeartbeatService::forceDisconnectRequired);
        QSignalSpy succeeded(heartbeat(), &HeartbeatService::heartbeatSuccess);
        QObject::connect(heartbeat(), &HeartbeatService::forceDisconnectRequired, &engine,
                         [this]() { heartbeat()->stopAutoHeartbeat(); });
        heartbeat()->startAutoHeartbeat(7, 0);

        // The answer to the last heartbeat says the same; it is not a second warning.
        QTRY_COMPARE(succeeded.size(), 2);
        QCOMPARE(beats().size(), 2);
        QCOMPARE(beats().at(1).json().value("connection_status").toString(),
                 QString("disconnected"));
        QCOMPARE(force.size(), 1);
        QCOMPARE(force.at(0).at(0).toString(), QString("设备已停用"));
    }

    void anotherReasonAfterTheEndIsStillReported()
    {
        m_service.setReply("POST", kHeartbeat, kickedReply());
        QObject engine;
        QSignalSpy force(heartbeat(), &HeartbeatService::forceDisconnectRequired);
        QObject::connect(heartbeat(), &HeartbeatService::forceDisconnectRequired, &engine,
                         [this]() {
                             // Signed in elsewhere meanwhile: the last heartbeat is refused.
                             m_service.setReply("POST", kHeartbeat, unauthorisedReply());
                             heartbeat()->stopAutoHeartbeat();
                         });
        heartbeat()->startAutoHeartbeat(7, 0);

        // The 401 asks for a sign-out the first warning did not: it is not swallowed.
        QTRY_COMPARE(force.size(), 2);
        QCOMPARE(force.at(0).at(0).toString(), QString("设备已停用"));
        QCOMPARE(force.at(1).at(0).toString(), kSignedInElsewhere);
        QTest::qWait(2 * kDefaultPeriodMs);
        QCOMPARE(force.size(), 2);
    }

    void forcedByReplyRepeatsWhileNobodyStops()
    {
        m_service.setReply("POST", kHeartbeat, kickedReply());
        QSignalSpy force(heartbeat(), &HeartbeatService::forceDisconnectRequired);
        heartbeat()->startAutoHeartbeat(7, 0);
        QTRY_COMPARE_WITH_TIMEOUT(force.size(), 2, kWaitMs);
    }

    void statistics_data()
    {
        QTest::addColumn<FakeReply>("answer");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("users");
        QTest::addColumn<int>("devices");

        QTest::newRow("counts") << reply(R"({"success": true, "data": {"online_users": 12,
                                           "online_devices": 20}})")
                                << true << 12 << 20;
        QTest::newRow("not whole") << reply(R"({"data": {"online_users": 1.5}})") << true << 0 << 0;
        QTest::newRow("server error")
            << reply(R"({"data": {"online_users": 12}})", 500) << false << 0 << 0;
        QTest::newRow("refused in body")
            << reply(R"({"success": false, "data": {"online_users": 12}})") << false << 0 << 0;
    }

    void statistics()
    {
        QFETCH(FakeReply, answer);
        QFETCH(bool, ok);
        QFETCH(int, users);
        QFETCH(int, devices);

        m_service.setReply("GET", "heartbeat/stats", answer);
        QSignalSpy succeeded(heartbeat(), &HeartbeatService::heartbeatSuccess);
        QSignalSpy failed(heartbeat(), &HeartbeatService::heartbeatFailed);
        int calls = 0;
        HeartbeatStats stats;
        stats.onlineUsers = -1;
        bool success = !ok;
        heartbeat()->getStats([&](bool result, const HeartbeatStats &received) {
            ++calls;
            success = result;
            stats = received;
        });
        QTRY_COMPARE(calls, 1);
        QCOMPARE(success, ok);
        QCOMPARE(stats.onlineUsers, users);
        QCOMPARE(stats.onlineDevices, devices);

        const QList<RecordedRequest> sent = m_service.requests("heartbeat/stats");
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.at(0).method, QByteArray("GET"));
        QCOMPARE(sent.at(0).queryString, QString());
        QCOMPARE(sent.at(0).header("Authorization"), QByteArray("Bearer tok-hb"));
        QTest::qWait(20);
        QCOMPARE(calls, 1);
        QCOMPARE(succeeded.size(), 0);
        QCOMPARE(failed.size(), 0);
    }
};

QTEST_GUILESS_MAIN(HeartbeatServiceTest)
#include "tst_heartbeatservice.moc"
