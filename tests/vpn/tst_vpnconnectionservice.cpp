#include <QElapsedTimer>
#include <QNetworkReply>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "models/User.h"
#include "network/HttpClient.h"
#include "SampleVmessLink.h"
#include "services/HeartbeatService.h"
#include "StandIns.h"
#include "TestEngineTimings.h"
#include "storage/TokenManager.h"
#include "vpn/ConnectionFailureReason.h"
#include "vpn/V2RayCore.h"
#include "vpn/VmessParser.h"
#include "vpn/VpnConnectionService.h"
#include "vpn/VpnConnectionState.h"

using Orvo::Api::Models::User;
using Orvo::Api::Network::HttpClient;
using Orvo::Api::Security::TokenManager;
using Orvo::Api::Services::ConnectionFailureReason;
using Orvo::Api::Services::HeartbeatService;
using Orvo::Api::Services::VpnConnectionService;
using Orvo::Api::Services::VpnConnectionState;
using Orvo::Api::Vpn::EngineTimings;
using Orvo::Api::Vpn::V2RayCore;
using Orvo::Api::Vpn::VmessParser;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;
using Orvo::Testing::isRunning;
using Orvo::Testing::StandInBehaviour;
using Orvo::Testing::StandInCall;
using Orvo::Testing::StandIns;

namespace {

const QString kHeartbeat = QStringLiteral("heartbeat");
const QString kLink = Orvo::Testing::sampleVmessLink();
// kLink encrypted under kLinkKey: IV 000102..0f, then AES-256-CBC with the
// SHA-256 of the key (made with openssl enc), the whole in Base64.
const QString kLinkKey = QStringLiteral("orvo-link-key");
const QString kEncryptedLink = QStringLiteral(
    "AAECAwQFBgcICQoLDA0OD4etyYcIFo2Rv5OLNA3KgwTPScoIj9kEiqMzXREyE4bWEfH54J6f3ZO4jH4jI7LKPeTda02xKO"
    "O3oWOKKlbyPyWw3HOrJTySVydHogtTpXGCVdVRlK3gaiM9zGE6Rs4ebzVW0Spi082hL8iY/qyI0Lv9J+NTKIzQTLxFWvfb"
    "wjRmV5D23bjibFA7+2m6LrqnYRigcNXLfywN9ZWcJO5nEjG6+VT7hoEiVH5PqsiWTgnzCj5aJeFNv1tk630h0pNwkg+mNR"
    "rbr7+LaggO6/lbp/dO3k6OzszW+xd+1tXQHYV3pxqqa1XMq6NPL0RpDIhtmdxatpbXdh4S4wCzfFZEd2JcEmSDNVyz7L+G"
    "C3eLafch");
const QString kNetworkFailure = QStringLiteral("网络连接失败，请检查网络设置");
const QString kTrialExpired = QStringLiteral("您的免费体验时长已用完，请升级VIP继续使用");
const QString kSignedInElsewhere = QStringLiteral("您的账号在其他设备登录，已被强制下线");

const QString kConnecting = QStringLiteral("state:连接中");
const QString kConnected = QStringLiteral("state:已连接");
const QString kDisconnecting = QStringLiteral("state:断开中");
const QString kDisconnectedState = QStringLiteral("state:未连接");
const QString kSuccess = QStringLiteral("success");
const QString kDisconnected = QStringLiteral("disconnected");

QString failed(int code, const QString &text)
{
    return QStringLiteral("failed:%1:%2").arg(code).arg(text);
}

QString denied(int code, const QString &text)
{
    return QStringLiteral("denied:%1:%2").arg(code).arg(text);
}

QString forced(const QString &message)
{
    return QStringLiteral("forced:") + message;
}

FakeReply heartbeatReply(bool isVip, double hours, const QString &deviceStatus = "active",
                         bool forceDisconnect = false, const QString &message = {})
{
    const QJsonObject data {
        { "interval", 30 },
        { "user_status",
          QJsonObject {
              { "is_vip", isVip }, { "trial_used", true }, { "trial_hours_remaining", hours } } },
        { "device_status",
          QJsonObject { { "status", deviceStatus },
                        { "force_disconnect", forceDisconnect },
                        { "message", message } } },
    };
    return FakeReply::json({ { "success", true }, { "data", data } });
}

FakeReply activeHeartbeat()
{
    return heartbeatReply(false, 1.5);
}

// A VIP whose trial was used up long ago.
User vipUser()
{
    User user;
    user.id = 8;
    user.email = QStringLiteral("wen@example.com");
    user.status = QStringLiteral("active");
    user.isVip = true;
    user.trialUsed = true;
    user.trialHoursRemaining = 0;
    return user;
}

// A trial account with time left, as the bridge hands it over.
User trialUser()
{
    User user;
    user.id = 7;
    user.email = QStringLiteral("lin@example.com");
    user.status = QStringLiteral("active");
    user.trialUsed = true;
    user.trialHoursRemaining = 1.5;
    return user;
}

QStringList commandLine(const StandInCall &call)
{
    return QStringList { call.program } + call.args;
}

QJsonObject json(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}

} // namespace

Q_DECLARE_METATYPE(FakeReply)

class VpnConnectionServiceTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    StandIns m_standIns;
    QStringList m_events;
    int m_heartbeatReplies = 0;

    static VpnConnectionService *engine() { return VpnConnectionService::instance(); }

    qint64 lastCorePid() const { return coreRuns().value(coreRuns().size() - 1).pid; }
    QList<QStringList> toolCalls() const { return m_standIns.proxyToolCalls(); }
    QList<StandInCall> coreRuns() const { return m_standIns.coreRuns(); }

    void connectAndWait(int serverId = 5, const QString &link = kLink)
    {
        QVERIFY(engine()->connect(serverId, link));
        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains(kSuccess), 6000);
        QVERIFY(engine()->isConnected());
        // The first heartbeat of the connection and its answer.
        QTRY_VERIFY(m_heartbeatReplies >= m_service.count(kHeartbeat)
                    && m_service.count(kHeartbeat) > 0);
    }

    void sendHeartbeatAndWait()
    {
        const int before = m_heartbeatReplies;
        HeartbeatService::instance()->sendHeartbeat(5, "connected", 0, 0, 0);
        QTRY_VERIFY(m_heartbeatReplies > before);
    }

    // Long enough for a late `connected` of the core, or a stray report, to have come.
    static int quietMs() { return 3 * EngineTimings::current().connectDelayMs; }

    // No further event within a while.
    void expectQuiet(const QStringList &events, int ms = quietMs())
    {
        QTest::qWait(ms);
        QCOMPARE(m_events, events);
    }

    // Every request sent so far has been answered and handled.
    static void waitForReplies() { QTRY_VERIFY(Orvo::Testing::everyReplyHandled()); }

    QStringList failures() const { return m_events.filter(QStringLiteral("failed:")); }

private slots:
    void initTestCase()
    {
        EngineTimings::setForTesting(Orvo::Testing::testEngineTimings());
        QVERIFY(m_standIns.isValid());
        QVERIFY(Orvo::Testing::startAsClientService(m_service));
        HttpClient::instance()->setAuthToken(QStringLiteral("engine-token"));

        HeartbeatService *heartbeat = HeartbeatService::instance();
        QObject::connect(heartbeat, &HeartbeatService::heartbeatSuccess, this,
                         [this]() { ++m_heartbeatReplies; });
        QObject::connect(heartbeat, &HeartbeatService::heartbeatFailed, this,
                         [this]() { ++m_heartbeatReplies; });

        VpnConnectionService *service = engine();
        QObject::connect(service, &VpnConnectionService::connectionStateChanged, this,
                         [this](VpnConnectionState state) {
                             m_events << QStringLiteral("state:")
                                     + Orvo::Api::Services::connectionStateText(state);
                         });
        QObject::connect(service, &VpnConnectionService::connectionSuccess, this,
                         [this]() { m_events << kSuccess; });
        QObject::connect(service, &VpnConnectionService::connectionFailed, this,
                         [this](ConnectionFailureReason reason, const QString &message) {
                             m_events << failed(int(reason), message);
                         });
        QObject::connect(service, &VpnConnectionService::disconnected, this,
                         [this]() { m_events << kDisconnected; });
        QObject::connect(
            service, &VpnConnectionService::connectionDurationChanged, this,
            [this](int seconds) { m_events << QStringLiteral("duration:%1").arg(seconds); });
        QObject::connect(service, &VpnConnectionService::forceDisconnected, this,
                         [this](const QString &message) { m_events << forced(message); });
        QObject::connect(service, &VpnConnectionService::permissionDenied, this,
                         [this](ConnectionFailureReason reason, const QString &message) {
                             m_events << denied(int(reason), message);
                         });
    }

    void init()
    {
        m_service.reset();
        m_service.setReply("POST", kHeartbeat, activeHeartbeat());
        m_heartbeatReplies = 0;
        m_standIns.clearBehaviours();
        m_standIns.clearCalls();
        engine()->updateUserInfo(trialUser());
        m_events.clear();
    }

    void cleanup()
    {
        engine()->disconnect();
        engine()->setRoutingMode(1);
        engine()->setConnectionModeForTesting(0);
        TokenManager::instance()->saveVpnEncryption(QString(), false);
        for (const QString &path : { StandIns::corePath(), StandIns::tun2socksPath() }) {
            const QString away = path + QStringLiteral(".away");
            if (QFile::exists(away))
                QFile::rename(away, path);
        }
        // Every heartbeat arrived and answered, so that none reaches the next test.
        waitForReplies();
        QTRY_VERIFY(m_heartbeatReplies >= m_service.count(kHeartbeat));
    }

    void connectAndDisconnect()
    {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(engine()->connect(5, kLink));

        // The core and the system proxy are set up before connect returns.
        QCOMPARE(m_events, QStringList { kConnecting });
        QVERIFY(engine()->isConnecting());
        QCOMPARE(engine()->connectionStateText(), QStringLiteral("连接中"));
        QCOMPARE(engine()->uploadSpeed(), QStringLiteral("0 B/s"));
        const QList<StandInCall> cores = m_standIns.calls("xray.exe");
        QCOMPARE(cores.size(), 2);
        QCOMPARE(commandLine(cores.at(0)), (QStringList { "xray.exe", "version" }));
        QCOMPARE(commandLine(cores.at(1)),
                 (QStringList { "xray.exe", "run", "-c", StandIns::coreConfigPath(),
                                "--disable-color" }));
        QCOMPARE(toolCalls(), StandIns::proxySettingCommands());
        QVERIFY(QFile::exists(StandIns::coreConfigPath()));
        QCOMPARE(m_service.count(kHeartbeat), 0);

        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains(kSuccess), 6000);
        // A coarse timer may fire up to 5 % early.
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= EngineTimings::current().connectDelayMs * 95 / 100,
                 qPrintable(QString::number(elapsed)));
        QCOMPARE(m_events, (QStringList { kConnecting, kConnected, kSuccess }));
        QVERIFY(engine()->isConnected());
        QCOMPARE(engine()->uploadSpeed(), QStringLiteral("0 B/s"));

        QTRY_COMPARE(m_service.count(kHeartbeat), 1);
        const QJsonObject first = m_service.requests(kHeartbeat).constFirst().json();
        QCOMPARE(first.value("connection_status").toString(), QStringLiteral("connected"));
        QCOMPARE(first.value("upload_bytes").toInt(-1), 0);
        QCOMPARE(first.value("download_bytes").toInt(-1), 0);
        QCOMPARE(first.value("latency_ms").toInt(-1), 0);
        QVERIFY(!first.value("device_id").toString().isEmpty());

        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains("duration:2"), 4000);
        QVERIFY2(m_events.contains("duration:1"), qPrintable(m_events.join(' ')));
        QVERIFY(m_events.indexOf("duration:1") < m_events.indexOf("duration:2"));
        QVERIFY(engine()->connectionDuration() >= 2);
        QCOMPARE(engine()->connectionDurationText().left(7), QStringLiteral("00:00:0"));

        // The core's totals reach the engine and the heartbeat.
        QTRY_VERIFY_WITH_TIMEOUT(engine()->uploadBytes() > 0, 4000);
        QVERIFY(engine()->downloadBytes() > 0);
        QVERIFY(engine()->uploadSpeed() != QStringLiteral("0 B/s"));

        const qint64 pid = coreRuns().constFirst().pid;
        QVERIFY(isRunning(pid));
        m_events.clear();
        m_standIns.clearCalls();
        engine()->disconnect();

        QCOMPARE(m_events, (QStringList { kDisconnecting, kDisconnectedState, kDisconnected }));
        QCOMPARE(toolCalls(), StandIns::proxyClearingCommands());
        QVERIFY(!isRunning(pid));
        QVERIFY(!QFile::exists(StandIns::coreConfigPath()));
        QCOMPARE(engine()->uploadBytes(), 0);
        QCOMPARE(engine()->connectionDuration(), 0);
        QTRY_COMPARE(m_service.count(kHeartbeat), 2);
        const QJsonObject last = m_service.requests(kHeartbeat).constLast().json();
        QCOMPARE(last.value("connection_status").toString(), QStringLiteral("disconnected"));

        // Nothing reports the asked-for end of the core as a failure.
        expectQuiet({ kDisconnecting, kDisconnectedState, kDisconnected });

        m_events.clear();
        engine()->disconnect();
        QVERIFY(m_events.isEmpty());
        QCOMPARE(toolCalls(), StandIns::proxyClearingCommands());
    }

    void encryptedLink_data()
    {
        QTest::addColumn<QString>("storedKey");
        QTest::addColumn<bool>("connects");
        QTest::newRow("the stored key") << kLinkKey << true;
        QTest::newRow("a wrong key") << "another-key" << false;
        QTest::newRow("no key: the parser refuses it") << "" << false;
    }

    void encryptedLink()
    {
        QFETCH(QString, storedKey);
        QFETCH(bool, connects);
        TokenManager::instance()->saveVpnEncryption(storedKey, !storedKey.isEmpty());

        QVERIFY(engine()->connect(5, kEncryptedLink));
        if (!connects) {
            QCOMPARE(
                m_events,
                (QStringList { kConnecting, kDisconnectedState, failed(10, kNetworkFailure) }));
            QVERIFY(m_standIns.calls("xray.exe").isEmpty());
            QVERIFY(toolCalls().isEmpty());
            expectQuiet(m_events);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains(kSuccess), 6000);
        QTRY_VERIFY(!m_standIns.handedConfig(coreRuns().constFirst().pid).isEmpty());
        const QJsonObject config = json(m_standIns.handedConfig(coreRuns().constFirst().pid));
        const QJsonObject outbound = config.value("outbounds").toArray().first().toObject();
        QCOMPARE(outbound.value("server").toString(), QStringLiteral("jp1.example.net"));
        QCOMPARE(outbound.value("uuid").toString(),
                 QStringLiteral("9b3c2f4e-1a2b-4c3d-8e9f-0a1b2c3d4e5f"));
    }

    void malformedLinkFails()
    {
        QVERIFY(engine()->connect(5, QStringLiteral("vmess://bm90IGpzb24=")));
        QCOMPARE(m_events,
                 (QStringList { kConnecting, kDisconnectedState, failed(10, kNetworkFailure) }));
        QVERIFY(m_standIns.calls("xray.exe").isEmpty());
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<User>("user");
        QTest::addColumn<int>("serverId");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");

        const QDateTime past = QDateTime::currentDateTime().addDays(-2);
        User user = trialUser();
        QTest::newRow("logged out") << false << user << 5 << 1 << "请先登录账号";

        user = trialUser();
        user.status = "suspended";
        QTest::newRow("suspended, before the server")
            << true << user << 0 << 7 << "您的账户已被暂停，请联系客服";
        user.status = "banned";
        QTest::newRow("banned") << true << user << 5 << 8 << "您的账户已被封禁，请联系客服";

        QTest::newRow("no server") << true << trialUser() << 0 << 2 << "请先选择服务器";

        user = trialUser();
        user.trialHoursRemaining = 0;
        QTest::newRow("trial spent") << true << user << 5 << 4 << kTrialExpired;

        user.isVip = true;
        user.vipExpiresAt = past;
        QTest::newRow("vip lapsed and trial spent")
            << true << user << 5 << 6 << "您的VIP已过期且体验时长已用完，请续费VIP";
    }

    void refusals()
    {
        QFETCH(bool, loggedIn);
        QFETCH(User, user);
        QFETCH(int, serverId);
        QFETCH(int, code);
        QFETCH(QString, text);

        if (loggedIn)
            engine()->updateUserInfo(user);
        else
            engine()->onUserLoggedOut();
        m_events.clear();

        QVERIFY(!engine()->connect(serverId, kLink));
        QCOMPARE(m_events, (QStringList { failed(code, text), denied(code, text) }));
        QVERIFY(m_standIns.calls().isEmpty());
        QVERIFY(!engine()->isConnecting());
        QCOMPARE(int(engine()->checkConnectionPermission(serverId, false)), code);
    }

    void reconnectWhileConnected()
    {
        connectAndWait(5);
        const qint64 firstPid = coreRuns().constFirst().pid;
        m_events.clear();

        QVERIFY(engine()->connect(6, kLink));
        QCOMPARE(m_events,
                 (QStringList { kDisconnecting, kDisconnectedState, kDisconnected, kConnecting }));
        QVERIFY(!isRunning(firstPid));
        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains(kSuccess), 6000);
        QCOMPARE(coreRuns().size(), 2);
        QVERIFY(isRunning(coreRuns().constLast().pid));
        QVERIFY(failures().isEmpty());

        QTRY_COMPARE(m_service.count(kHeartbeat), 3);
        const QList<Orvo::Testing::RecordedRequest> beats = m_service.requests(kHeartbeat);
        QCOMPARE(beats.at(1).json().value("connection_status").toString(), "disconnected");
        QCOMPARE(beats.at(2).json().value("connection_status").toString(), "connected");
    }

    void reconnectRefusedAfterDisconnect()
    {
        connectAndWait(5);
        User spent = trialUser();
        spent.trialHoursRemaining = 0;
        engine()->updateUserInfo(spent);
        m_events.clear();

        QVERIFY(!engine()->connect(5, kLink));
        QCOMPARE(m_events,
                 (QStringList { kDisconnecting, kDisconnectedState, kDisconnected,
                                failed(4, kTrialExpired), denied(4, kTrialExpired) }));
        QCOMPARE(coreRuns().size(), 1);
    }

    void coreEndsWhileConnected_data()
    {
        QTest::addColumn<bool>("crash");
        QTest::newRow("crash") << true;
        QTest::newRow("normal exit") << false;
    }

    void coreEndsWhileConnected()
    {
        QFETCH(bool, crash);
        connectAndWait();
        const qint64 pid = lastCorePid();
        m_standIns.clearCalls();
        const int beatsBefore = m_service.count(kHeartbeat);
        // The stand-in ends as if by itself on SIGUSR1.
        QCOMPARE(::kill(pid_t(pid), crash ? SIGKILL : SIGUSR1), 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains(kDisconnected), 5000);

        const int end = m_events.indexOf(kDisconnected);
        QCOMPARE(m_events.mid(end - 2, 3),
                 (QStringList { kDisconnecting, kDisconnectedState, kDisconnected }));
        if (crash) {
            // One failure, though the core reports its crash twice; it comes
            // first, then the teardown.
            QCOMPARE(failures(), QStringList { failed(10, kNetworkFailure) });
            QVERIFY(m_events.indexOf(failed(10, kNetworkFailure)) < end);
        } else {
            QVERIFY(failures().isEmpty());
        }
        QCOMPARE(toolCalls(), StandIns::proxyClearingCommands());
        QTRY_COMPARE(m_service.count(kHeartbeat), beatsBefore + 1);
        QCOMPARE(m_service.requests(kHeartbeat).constLast().json().value("connection_status"),
                 QJsonValue("disconnected"));
        QVERIFY(!engine()->isConnected());
        expectQuiet(m_events);

        // The next connect finds the core free.
        m_events.clear();
        connectAndWait();
    }

    void coreErrorLeavesCoreRunning_data()
    {
        QTest::addColumn<bool>("whileConnected");
        QTest::newRow("while connecting") << false;
        QTest::newRow("while connected") << true;
    }

    // A read error of the core's channels does not end the core: the engine
    // gives up on it and takes everything down.
    void coreErrorLeavesCoreRunning()
    {
        QFETCH(bool, whileConnected);
        if (whileConnected)
            connectAndWait();
        else
            QVERIFY(engine()->connect(5, kLink));
        const qint64 pid = coreRuns().constFirst().pid;
        auto *process = engine()->findChild<V2RayCore *>()->findChild<QProcess *>();
        QVERIFY(process);
        QVERIFY(isRunning(pid));
        m_events.clear();
        m_standIns.clearCalls();

        emit process->errorOccurred(QProcess::ReadError);

        QCOMPARE(m_events,
                 (QStringList { kDisconnectedState, failed(10, kNetworkFailure), kDisconnecting,
                                kDisconnectedState, kDisconnected }));
        QVERIFY(!isRunning(pid));
        QCOMPARE(toolCalls(), StandIns::proxyClearingCommands());
        // No late success of the core that was given up.
        expectQuiet(m_events);

        m_events.clear();
        connectAndWait();
        QCOMPARE(failures(), QStringList());
    }

    // A readiness report that comes when no attempt is in progress moves nothing.
    void lateCoreReportIgnored()
    {
        connectAndWait();
        engine()->disconnect();
        QTRY_COMPARE(m_service.count(kHeartbeat), 2); // the first and the last
        m_events.clear();

        emit engine()->findChild<V2RayCore *>()->connected();
        QVERIFY(m_events.isEmpty());
        QVERIFY(!engine()->isConnected());
        QTest::qWait(quietMs());
        QCOMPARE(m_service.count(kHeartbeat), 2);
    }

    void disconnectFromTheSuccessHandler()
    {
        // A receiver that ends the connection as soon as it is up.
        auto once = QObject::connect(engine(), &VpnConnectionService::connectionSuccess, this,
                                     [this]() { engine()->disconnect(); });
        QVERIFY(engine()->connect(5, kLink));
        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains(kDisconnected), 6000);
        QObject::disconnect(once);

        QVERIFY(!engine()->isConnected());
        // Nothing of the ended connection keeps running: no heartbeat series,
        // no duration ticks.
        const int heartbeats = m_service.count(kHeartbeat);
        const QStringList events = m_events;
        expectQuiet(events, EngineTimings::current().durationTickMs * 3 / 2);
        QCOMPARE(m_service.count(kHeartbeat), heartbeats);
        QVERIFY(failures().isEmpty());
    }

    void coreMissing()
    {
        QVERIFY(QFile::rename(StandIns::corePath(), StandIns::corePath() + ".away"));
        QVERIFY(engine()->connect(5, kLink));

        // The core's own report fails the attempt; its failed start adds no
        // second failure.
        QCOMPARE(m_events,
                 (QStringList { kConnecting, kDisconnectedState, failed(10, kNetworkFailure) }));
        QVERIFY(!m_events.contains(kDisconnected));
        QVERIFY(toolCalls().isEmpty());
        QVERIFY(!engine()->isConnecting());
        expectQuiet(m_events);
        QCOMPARE(m_service.count(kHeartbeat), 0);
    }

    // The tunnel path: when the tunnel cannot start, the core started for it is
    // stopped before the failure is reported.
    void tunnelFailsAfterCoreStarted()
    {
        engine()->setConnectionModeForTesting(1);
        QVERIFY(QFile::rename(StandIns::tun2socksPath(), StandIns::tun2socksPath() + ".away"));
        QStringList coreAliveAtFailure;
        // The core may be stopped before its stand-in has logged itself: ask the
        // engine's core whether its process still exists.
        const auto probe
            = QObject::connect(engine(), &VpnConnectionService::connectionFailed, this, [&]() {
                  const V2RayCore *core = engine()->findChild<V2RayCore *>();
                  coreAliveAtFailure << (core && core->isRunning() ? "alive" : "gone");
              });

        QVERIFY(engine()->connect(5, kLink));
        QObject::disconnect(probe);

        QCOMPARE(m_events,
                 (QStringList { kConnecting, kDisconnectedState, failed(10, kNetworkFailure) }));
        QCOMPARE(coreAliveAtFailure, QStringList { "gone" });
        QCOMPARE(m_standIns.calls("xray.exe").value(0).args, QStringList { "version" });
        QVERIFY(!QFile::exists(StandIns::coreConfigPath()));
        QVERIFY(toolCalls().isEmpty());
        expectQuiet(m_events);

        // The next attempt finds the core free.
        QFile::rename(StandIns::tun2socksPath() + ".away", StandIns::tun2socksPath());
        engine()->setConnectionModeForTesting(0);
        m_events.clear();
        connectAndWait();
    }

    void forcedDisconnect_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<QString>("message");
        QTest::newRow("reply demands it")
            << heartbeatReply(false, 1.5, "active", true, "管理员已将您下线") << "管理员已将您下线";
        QTest::newRow("device no longer active")
            << heartbeatReply(true, 0, "kicked", false, "设备已被移除") << "设备已被移除";
        QTest::newRow("heartbeat refused as unauthorised")
            << FakeReply::json({ { "message", "Unauthenticated." } }, 401) << kSignedInElsewhere;
    }

    void forcedDisconnect()
    {
        QFETCH(FakeReply, reply);
        QFETCH(QString, message);
        m_service.setReply("POST", kHeartbeat, reply);

        QVERIFY(engine()->connect(5, kLink));
        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains(failed(9, message)), 6000);
        QCOMPARE(
            m_events.mid(0, 8),
            (QStringList { kConnecting, kConnected, kSuccess, kDisconnecting, kDisconnectedState,
                           kDisconnected, forced(message), failed(9, message) }));
        QVERIFY(!engine()->isConnected());
        QTest::qWait(quietMs());
        // A repeated order while disconnected only repeats the two reports.
        for (const QString &event : m_events.mid(8))
            QVERIFY2(event == forced(message) || event == failed(9, message), qPrintable(event));
    }

    void forcedWhileDisconnected_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<QString>("message");
        QTest::newRow("reply demands it")
            << heartbeatReply(false, 1.5, "active", true, "管理员已将您下线") << "管理员已将您下线";
        QTest::newRow("empty device status")
            << FakeReply::json({ { "success", true },
                                 { "data",
                                   QJsonObject { { "device_status", QJsonObject {} },
                                                 { "user_status", QJsonObject {} } } } })
            << "";
        QTest::newRow("heartbeat refused as unauthorised")
            << FakeReply::json({ { "message", "Unauthenticated." } }, 401) << kSignedInElsewhere;
    }

    void forcedWhileDisconnected()
    {
        QFETCH(FakeReply, reply);
        QFETCH(QString, message);
        m_service.setReply("POST", kHeartbeat, reply);

        sendHeartbeatAndWait();
        QCOMPARE(m_events, (QStringList { forced(message), failed(9, message) }));
        expectQuiet(m_events);
    }

    void trialWatch_data()
    {
        QTest::addColumn<bool>("isVip");
        QTest::addColumn<double>("hours");
        QTest::addColumn<QString>("warning"); // empty: none expected

        const QString low = QStringLiteral("[VpnConnectionService] 体验时长即将用完: %1 小时");
        QTest::newRow("spent: -0.02 ends it") << false << -0.02 << "";
        QTest::newRow("grace: -0.01") << false << -0.01 << "";
        QTest::newRow("grace: -0.005") << false << -0.005 << "";
        QTest::newRow("running low: 0") << false << 0.0 << low.arg("0");
        QTest::newRow("running low: 0.1") << false << 0.1 << low.arg("0.1");
        QTest::newRow("plenty: 0.5") << false << 0.5 << "";
        QTest::newRow("vip: no watch") << true << -0.02 << "";
    }

    void trialWatch()
    {
        QFETCH(bool, isVip);
        QFETCH(double, hours);
        QFETCH(QString, warning);
        connectAndWait();
        m_events.clear();

        m_service.setReply("POST", kHeartbeat, heartbeatReply(isVip, hours));
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        sendHeartbeatAndWait();

        if (!isVip && hours < -0.01) {
            QCOMPARE(m_events,
                     (QStringList { kDisconnecting, kDisconnectedState, kDisconnected,
                                    denied(4, kTrialExpired) }));
            QVERIFY(!engine()->isConnected());
            // The refreshed copy of the account now refuses the next connect.
            QCOMPARE(engine()->checkConnectionPermission(5, false),
                     ConnectionFailureReason::TrialExpired);
        } else {
            QCOMPARE(m_events.filter(QStringLiteral("state:")), QStringList());
            QVERIFY(engine()->isConnected());
        }
    }

    void routingModeAtNextConnect()
    {
        Orvo::Api::Vpn::VmessConfig config = VmessParser::parse(kLink);
        const QJsonObject global = json(V2RayCore::generateConfig(config).toUtf8());
        config.globalRouting = false;
        const QJsonObject smart = json(V2RayCore::generateConfig(config).toUtf8());
        QVERIFY(global != smart);

        connectAndWait();
        // The stand-in keeps its copy as it starts, which may come after the
        // connected state on a loaded machine.
        QTRY_COMPARE(json(m_standIns.handedConfig(coreRuns().constFirst().pid)), global);

        engine()->setRoutingMode(0);
        QTest::qWait(quietMs());
        QVERIFY(engine()->isConnected());
        QCOMPARE(json(m_standIns.handedConfig(coreRuns().constFirst().pid)), global);
        QCOMPARE(coreRuns().size(), 1);

        m_events.clear();
        connectAndWait();
        QCOMPARE(coreRuns().size(), 2);
        QTRY_COMPARE(json(m_standIns.handedConfig(coreRuns().constLast().pid)), smart);
    }

    void unreadableHeartbeatReply_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::newRow("not JSON") << FakeReply::raw("<html>502 Bad Gateway</html>");
        QTest::newRow("no data") << FakeReply::json({ { "success", true } });
        QTest::newRow("no device status") << FakeReply::json(
            { { "success", true }, { "data", QJsonObject { { "user_status", QJsonObject {} } } } });
        QTest::newRow("no user status") << FakeReply::json(
            { { "success", true },
              { "data",
                QJsonObject { { "device_status", QJsonObject { { "status", "active" } } } } } });
    }

    // A reply that cannot be read is a failed heartbeat: the VIP stays connected
    // and may connect again.
    void unreadableHeartbeatReply()
    {
        QFETCH(FakeReply, reply);
        engine()->updateUserInfo(vipUser());
        connectAndWait();
        m_events.clear();

        m_service.setReply("POST", kHeartbeat, reply);
        sendHeartbeatAndWait();
        QVERIFY(engine()->isConnected());
        QCOMPARE(m_events.filter(QStringLiteral("state:")), QStringList());
        QCOMPARE(failures(), QStringList());

        engine()->disconnect();
        m_service.setReply("POST", kHeartbeat, heartbeatReply(true, 0));
        m_events.clear();
        connectAndWait();
        QCOMPARE(failures(), QStringList());
    }

    // The answer to the last heartbeat of a connection comes when the next one
    // is on its way; it decides nothing for it.
    void lateReplyOfTheLastConnection()
    {
        connectAndWait();
        m_service.queueReply("POST", kHeartbeat,
                             heartbeatReply(false, -0.5, "kicked", true, "设备已被移除"));
        engine()->disconnect();
        QVERIFY(engine()->connect(5, kLink));
        m_events.clear();

        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains(kSuccess), 6000);
        waitForReplies();
        QTRY_VERIFY(m_heartbeatReplies >= m_service.count(kHeartbeat));
        QCOMPARE(m_service.count(kHeartbeat), 3);
        QVERIFY(engine()->isConnected());
        QCOMPARE(m_events.filter(QStringLiteral("state:")), QStringList { kConnected });
        QCOMPARE(failures(), QStringList());
    }

    void ownDisconnect_data()
    {
        QTest::addColumn<FakeReply>("lastReply");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("device status in the reply")
            << heartbeatReply(false, 1.5, "kicked", true, "设备已被移除") << QStringList();
        // A refused token means a login elsewhere, whoever ended the connection.
        QTest::newRow("refused as unauthorised")
            << FakeReply::json({ { "message", "Unauthenticated." } }, 401)
            << QStringList { forced(kSignedInElsewhere), failed(9, kSignedInElsewhere) };
    }

    void ownDisconnect()
    {
        QFETCH(FakeReply, lastReply);
        QFETCH(QStringList, after);
        connectAndWait();
        m_service.setReply("POST", kHeartbeat, lastReply);
        m_events.clear();

        engine()->disconnect();
        waitForReplies();
        QCOMPARE(m_events,
                 QStringList({ kDisconnecting, kDisconnectedState, kDisconnected }) + after);
    }

    // tun2socks crashing while connected ends the whole connection, as the core's
    // crash does, and the next connect finds everything free.
    void tunnelCrashWhileConnected()
    {
        engine()->setConnectionModeForTesting(1);
        connectAndWait();
        const qint64 corePid = lastCorePid();
        const qint64 tunnelPid = m_standIns.calls("tun2socks.exe").constLast().pid;
        const int beatsBefore = m_service.count(kHeartbeat);
        m_events.clear();

        QCOMPARE(::kill(pid_t(tunnelPid), SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains(kDisconnected), 5000);
        QCOMPARE(m_events,
                 (QStringList { kDisconnectedState, failed(10, kNetworkFailure), kDisconnecting,
                                kDisconnectedState, kDisconnected }));
        QVERIFY(!isRunning(corePid));
        QTRY_COMPARE(m_service.count(kHeartbeat), beatsBefore + 1);
        QCOMPARE(m_service.requests(kHeartbeat).constLast().json().value("connection_status"),
                 QJsonValue("disconnected"));
        expectQuiet(m_events);

        m_events.clear();
        connectAndWait();
        QCOMPARE(failures(), QStringList());
    }

    void logoutDisconnectsAndForgetsAccount()
    {
        connectAndWait();
        m_events.clear();

        engine()->onUserLoggedOut();
        QCOMPARE(m_events, (QStringList { kDisconnecting, kDisconnectedState, kDisconnected }));

        m_events.clear();
        QVERIFY(!engine()->connect(5, kLink));
        QCOMPARE(m_events, (QStringList { failed(1, "请先登录账号"), denied(1, "请先登录账号") }));
    }
};

QTEST_GUILESS_MAIN(VpnConnectionServiceTest)
#include "tst_vpnconnectionservice.moc"
