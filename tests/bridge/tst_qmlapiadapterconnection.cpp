#include <memory>

#include <QJsonObject>
#include <QNetworkReply>
#include <QTest>

#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "models/User.h"
#include "network/HttpClient.h"
#include "QmlApiAdapter.h"
#include "SampleVmessLink.h"
#include "SignalLog.h"
#include "StandIns.h"
#include "TestEngineTimings.h"
#include "storage/TokenManager.h"
#include "vpn/VpnConnectionService.h"

using Orvo::Api::QmlApiAdapter;
using Orvo::Api::Models::User;
using Orvo::Api::Network::HttpClient;
using Orvo::Api::Security::TokenManager;
using Orvo::Api::Services::VpnConnectionService;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;
using Orvo::Testing::SignalLog;
using Orvo::Testing::StandIns;

namespace {

const QString kLink = Orvo::Testing::sampleVmessLink();
const QString kSignedInElsewhere = QStringLiteral("您的账号在其他设备登录，已被强制下线");
constexpr int kConnectWaitMs = 8000;

FakeReply activeHeartbeat()
{
    return FakeReply::json(
        { { "success", true },
          { "data",
            QJsonObject {
                { "interval", 30 },
                { "device_status", QJsonObject { { "status", "active" } } },
                { "user_status",
                  QJsonObject { { "is_vip", false }, { "trial_hours_remaining", 1.5 } } } } } });
}

User trialUser()
{
    User user;
    user.id = 7;
    user.email = QStringLiteral("lin@example.com");
    user.name = QStringLiteral("Lin");
    user.status = QStringLiteral("active");
    user.trialUsed = true;
    user.trialHoursRemaining = 1.5;
    return user;
}

} // namespace

// The connection side of the API object with the engine running the stand-in core.
class QmlApiAdapterConnectionTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    StandIns m_standIns;
    std::unique_ptr<QmlApiAdapter> m_api;
    std::unique_ptr<SignalLog> m_log;

    bool waitFor(const QByteArray &name, int timeoutMs = kConnectWaitMs)
    {
        return QTest::qWaitFor([&]() { return m_log->count(name) > 0; }, timeoutMs);
    }

    void connectAndWait()
    {
        QVERIFY(m_api->connectVpn(5, kLink, false));
        QVERIFY(waitFor("vpnConnected"));
        QCOMPARE(m_log->texts().constFirst(), QStringLiteral("vpnConnected"));
    }

private slots:
    void initTestCase()
    {
        Orvo::Api::Vpn::EngineTimings::setForTesting(Orvo::Testing::testEngineTimings());
        QVERIFY(m_standIns.isValid());
        QVERIFY(Orvo::Testing::startAsClientService(m_service));
    }

    void init()
    {
        m_service.reset();
        m_service.setReply("POST", "heartbeat", activeHeartbeat());
        m_service.setReply("POST", "auth/logout",
                           FakeReply::json({ { "success", true }, { "message", "登出成功" } }));
        TokenManager::instance()->saveLogin(QStringLiteral("tok-7"), trialUser());
        HttpClient::instance()->setAuthToken(QStringLiteral("tok-7"));
        m_api = std::make_unique<QmlApiAdapter>();
        m_log = std::make_unique<SignalLog>(m_api.get());
    }

    void cleanup()
    {
        m_log.reset();
        m_api.reset();
        VpnConnectionService::instance()->disconnect();
        TokenManager::instance()->clearLogin();
        HttpClient::instance()->clearAuthToken();
        // The last heartbeat of the connection goes out and is answered.
        QTRY_VERIFY(Orvo::Testing::everyReplyHandled());
    }

    void connectionReportsItsCourse()
    {
        connectAndWait();
        QVERIFY(waitFor("vpnDurationChanged", 5000));
        QVERIFY(QTest::qWaitFor([&]() { return m_log->count("vpnTrafficUpdate") >= 2; }, 12000));

        // Running totals, not increments.
        const QList<SignalLog::Event> traffic = m_log->named("vpnTrafficUpdate");
        const qint64 firstUp = traffic.at(0).arguments.at(0).toLongLong();
        const qint64 firstDown = traffic.at(0).arguments.at(1).toLongLong();
        QVERIFY(traffic.at(1).arguments.at(0).toLongLong() > firstUp);
        QVERIFY(traffic.at(1).arguments.at(1).toLongLong() > firstDown);
        QCOMPARE(m_log->named("vpnDurationChanged").constFirst().arguments, QVariantList { 1 });

        m_log->clear();
        m_api->disconnectVpn();
        // No traffic update comes with the end of the connection.
        QCOMPARE(m_log->texts(), QStringList { "vpnDisconnected" });
        QVERIFY(!VpnConnectionService::instance()->isConnected());
    }

    void forcedDisconnectEndsTheConnectionThenSignsOut()
    {
        m_service.setReply("POST", "heartbeat",
                           FakeReply::json({ { "message", "Unauthenticated." } }, 401));
        QVERIFY(m_api->connectVpn(5, kLink, false));
        QVERIFY(waitFor("vpnForceDisconnected"));

        const QStringList texts = m_log->texts();
        const qsizetype at = texts.indexOf(QStringLiteral("vpnDisconnected"));
        QVERIFY(at > 0);
        QCOMPARE(
            texts.mid(at, 3),
            QStringList({ "vpnDisconnected", "vpnForceDisconnected(" + kSignedInElsewhere + ")",
                          "vpnConnectionFailed(9, " + kSignedInElsewhere + ")" }));
        QCOMPARE(m_service.count("auth/logout"), 0);

        QVERIFY(QTest::qWaitFor([&]() { return m_service.count("auth/logout") == 1; }, 3000));
        QVERIFY(QTest::qWaitFor([&]() { return !m_api->property("isLoggedIn").toBool(); }, 3000));
    }

    void destroyingTheAdapterTakesTheConnectionDown()
    {
        connectAndWait();
        m_log.reset();
        m_api.reset();
        QVERIFY(!VpnConnectionService::instance()->isConnected());
    }

    void logoutTakesTheConnectionDown()
    {
        connectAndWait();
        m_api->logout();
        QVERIFY(!VpnConnectionService::instance()->isConnected());
        QVERIFY(m_log->texts().contains(QStringLiteral("vpnDisconnected")));
        // Once signed out, a connect is refused before the engine is asked.
        QVERIFY(waitFor("userInfoChanged", 5000));
        QCOMPARE(m_api->connectVpn(5, kLink, false), false);
        QCOMPARE(m_log->texts().mid(m_log->texts().size() - 2),
                 QStringList({ "vpnPermissionDenied(1, 请先登录账号)",
                               "vpnConnectionFailed(1, 请先登录账号)" }));
    }
};

QTEST_GUILESS_MAIN(QmlApiAdapterConnectionTest)
#include "tst_qmlapiadapterconnection.moc"
