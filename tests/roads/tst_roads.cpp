#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include "DevService.h"
#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "MessageLog.h"
#include "QmlApiAdapter.h"
#include "RoadWindow.h"
#include "StandIns.h"
#include "StoredSettings.h"
#include "TestEngineTimings.h"
#include "network/HttpClient.h"
#include "services/PaymentService.h"
#include "storage/TokenManager.h"

Q_IMPORT_QML_PLUGIN(LumoraPlugin)
Q_IMPORT_QML_PLUGIN(LumoraContentPlugin)

using Orvo::Api::Network::HttpClient;
using Orvo::Api::Security::TokenManager;
using Orvo::Api::Services::PaymentService;
using Orvo::Api::Vpn::EngineTimings;
using Orvo::Testing::DevService;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;
using Orvo::Testing::isRunning;
using Orvo::Testing::MessageLog;
using Orvo::Testing::RoadWindow;
using Orvo::Testing::StandInCall;
using Orvo::Testing::StandIns;
using Orvo::Testing::storedSetting;

// A shared step of a road; the road ends with the step's first failure, rather
// than wait at every later step for what cannot come.
#define STEP(step)                                                                                 \
    do {                                                                                           \
        step;                                                                                      \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

namespace {

constexpr int kTimeoutMs = RoadWindow::kStepTimeoutMs;

const QString kHome = QStringLiteral("mainScreenWrapper");
const QString kLoginPage = QStringLiteral("loginPage");
const QString kRegisterPage = QStringLiteral("registerPage");
const QString kSettingsPage = QStringLiteral("settingsPage");
const QString kServerPage = QStringLiteral("selectServerPage");
const QString kVipPage = QStringLiteral("vipPage");

// The VIP server's line in the server list: its group and the name to click.
struct VipLine
{
    QQuickItem *group = nullptr;
    QQuickItem *name = nullptr;
};
const QString kOrdersPage = QStringLiteral("myOrdersPage");
const QString kAnnouncementPage = QStringLiteral("announcementPage");
const QString kAboutPage = QStringLiteral("aboutUsPage");

const QString kSignedInElsewhere = QStringLiteral("您的账号在其他设备登录，已被强制下线");

FakeReply refusal(int status, const QJsonObject &fields)
{
    QJsonObject body = fields;
    body.insert(QStringLiteral("success"), false);
    return FakeReply::json(body, status);
}

} // namespace

// The user's whole road through the real program: the window as main builds
// it with the real "API" object and services, against the development service
// and the stand-ins of the core and the system tools, driven by clicks and
// keys at what the screen shows. Each road leaves a picture of every page it
// passes under <build dir>/test-homes/road-shots/<road>/.
class RoadsTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    DevService m_dev;
    StandIns m_standIns;
    RoadWindow m_road;
    int m_shots = 0;

    // --- what the user sees ---------------------------------------------

    QString shown(const QString &name, QQuickItem *root = nullptr) const
    {
        return m_road.shownText(name, root);
    }

    QQuickItem *home() const
    {
        QQuickItem *stack = m_road.stack();
        return stack ? stack->findChild<QQuickItem *>(kHome) : nullptr;
    }

    // A picture of the window as it is now, numbered in the road's order.
    void shot(const QString &what)
    {
        const QString dir = QStringLiteral(ROAD_SHOTS_DIR "/") + QTest::currentTestFunction();
        if (m_shots == 0)
            QDir(dir).removeRecursively();
        QVERIFY(QDir().mkpath(dir));
        const QString path = QStringLiteral("%1/%2-%3.png")
                                 .arg(dir)
                                 .arg(++m_shots, 2, 10, QLatin1Char('0'))
                                 .arg(what);
        QVERIFY2(m_road.saveShot(path), qPrintable(path));
    }

    // --- what reached the tools ------------------------------------------

    QStringList cardTitles() const
    {
        QStringList titles;
        for (const QQuickItem *title : m_road.allSeen(QStringLiteral("cardTitle")))
            titles << title->property("text").toString();
        return titles;
    }

    // The hosts of the VMess outbounds in the configuration a core run found.
    QStringList coreServers(const StandInCall &core) const
    {
        const QJsonObject config
            = QJsonDocument::fromJson(m_standIns.handedConfig(core.pid)).object();
        QStringList servers;
        for (const QJsonValue &outbound : config.value(QStringLiteral("outbounds")).toArray()) {
            if (outbound.toObject().value(QStringLiteral("type")) == QLatin1String("vmess"))
                servers << outbound.toObject().value(QStringLiteral("server")).toString();
        }
        return servers;
    }

    int requestsStartingWith(const QString &prefix) const
    {
        int count = 0;
        for (const auto &request : m_service.requests()) {
            if (request.path.startsWith(prefix))
                ++count;
        }
        return count;
    }

    // --- steps shared by the roads ----------------------------------------

    // The program starts and its home screen comes to rest.
    void start()
    {
        QVERIFY(m_road.open());
        QVERIFY(m_road.waitForPage(kHome));
        // The start-up requests are answered: the server card shows the default.
        QTRY_VERIFY_WITH_TIMEOUT(shown("serverNameText") != QStringLiteral("选择服务器"),
                                 kTimeoutMs);
    }

    // A click on what the user sees, then the page it leads to at rest.
    void go(const QString &clickable, const QString &page, const QString &shotName = QString())
    {
        QVERIFY(m_road.click(clickable));
        QVERIFY(m_road.waitForPage(page));
        if (!shotName.isEmpty())
            shot(shotName);
    }

    // The server list opened from home, with the VIP server's line in it.
    void openServerList(VipLine &vip)
    {
        STEP(go(QStringLiteral("selectServerMouseArea"), kServerPage));
        vip.group = m_road.waitForSeen(QStringLiteral("vipGroup"));
        QVERIFY(vip.group);
        vip.name = m_road.waitForSeen(QStringLiteral("serverNameText"), vip.group);
        QVERIFY(vip.name);
        QCOMPARE(vip.name->property("text").toString(), QStringLiteral("新加坡 VIP"));
    }

    // The "←" in the page's top-left corner.
    void back(const QString &page)
    {
        QVERIFY(m_road.click(QStringLiteral("backMouseArea")));
        QVERIFY(m_road.waitForPage(page));
    }

    // From home, through the user box and the login form, back home signed in.
    void signIn(const QString &email, const QString &password = QStringLiteral("secret1"))
    {
        QVERIFY(m_road.showsPage(kHome));
        go(QStringLiteral("userMouseArea"), kLoginPage);
        QVERIFY(m_road.typeInto(QStringLiteral("usernameField"), email));
        QVERIFY(m_road.typeInto(QStringLiteral("passwordField"), password));
        go(QStringLiteral("loginButton"), kHome);
        QTRY_COMPARE_WITH_TIMEOUT(shown("userNameText"), email.section(u'@', 0, 0), kTimeoutMs);
    }

    // The round button, and the connection the home screen shows.
    void connectFromHome()
    {
        QCOMPARE(shown("connectionStatusText"), QStringLiteral("未连接"));
        QVERIFY(m_road.click(QStringLiteral("connectBtn")));
        QTRY_COMPARE_WITH_TIMEOUT(shown("connectionStatusText"), QStringLiteral("已连接"),
                                  kTimeoutMs);
        QVERIFY(!m_road.seen(QStringLiteral("connectHintText")));
        QCOMPARE(m_standIns.coreRuns().size(), 1);
        QVERIFY(isRunning(m_standIns.coreRuns().constFirst().pid));
        QCOMPARE(m_standIns.proxyToolCalls(), StandIns::proxySettingCommands());
    }

    // The message box of the page, open, with its title and text.
    void verifyBox(QObject *box, const QString &title, const QString &message)
    {
        QVERIFY(box);
        QTRY_VERIFY_WITH_TIMEOUT(RoadWindow::openBoxContent(box), kTimeoutMs);
        QCOMPARE(box->property("title").toString(), title);
        QCOMPARE(shown(QStringLiteral("messageLabel"), RoadWindow::openBoxContent(box)), message);
    }

    void closeBox(QObject *box)
    {
        QVERIFY(m_road.click(QStringLiteral("confirmButton"), RoadWindow::openBoxContent(box)));
        QTRY_VERIFY_WITH_TIMEOUT(!box->property("visible").toBool(), kTimeoutMs);
    }

    // The settings page of a signed-out user.
    void verifySignedOutSettings()
    {
        QCOMPARE(shown("nameText"), QStringLiteral("未登录"));
        QCOMPARE(shown("membershipText"), QStringLiteral("点击登录"));
        QCOMPARE(shown("avatarLetter"), QStringLiteral("?"));
        QVERIFY(m_road.seen(QStringLiteral("cardArrow")));
        QVERIFY(!m_road.seen(QStringLiteral("emailText")));
        QVERIFY(!m_road.seen(QStringLiteral("logoutRow")));
    }

    void verifyNothingStored()
    {
        QVERIFY(storedSetting(QStringLiteral("auth_token")).toString().isEmpty());
        QVERIFY(storedSetting(QStringLiteral("user_info")).toString().isEmpty());
        QVERIFY(!m_road.api()->isLoggedIn());
    }

private slots:
    void initTestCase()
    {
        // What only lets time pass is short: the connect delay, the heartbeat
        // period (30 "seconds" of 20 ms) and the payment polling (set per
        // road). The page fades, the registration's pause and the delayed
        // sign-out keep their real lengths.
        EngineTimings timings = Orvo::Testing::testEngineTimings();
        timings.heartbeatSecondMs = 20;
        EngineTimings::setForTesting(timings);
        QVERIFY(m_standIns.isValid());
        QVERIFY(Orvo::Testing::startAsClientService(m_service));
        m_dev.install(m_service);
        MessageLog::instance()->clear();
    }

    void init()
    {
        m_shots = 0;
        m_service.clearRequests();
        m_standIns.clearBehaviours();
        m_standIns.clearCalls();
        TokenManager::instance()->clearLogin();
        MessageLog::instance()->clear();
    }

    void cleanup()
    {
        // A road that stopped half-way may leave an answer held.
        m_service.releaseHeld();
        // As the user closes the window: the connection, if any, goes with it.
        m_road.close();
        QVERIFY(HttpClient::instance()->waitForRequestsInFlight(kTimeoutMs));
        // No script of the window went wrong anywhere on the road.
        const QStringList qmlWarnings
            = MessageLog::instance()->startingWith(QStringLiteral("qrc:/"));
        QVERIFY2(qmlWarnings.isEmpty(), qPrintable(qmlWarnings.join(u'\n')));
        for (const StandInCall &run : m_standIns.coreRuns())
            QVERIFY(!isRunning(run.pid));
        // The development service as it was, without the road's own answers.
        m_service.clearReplies();
        m_dev.install(m_service);
    }

    // Home, login, register with a valid form, the success box, home signed in.
    void newUser()
    {
        STEP(start());
        STEP(shot(QStringLiteral("home")));
        QCOMPARE(shown("userNameText"), QStringLiteral("未登录"));
        QCOMPARE(shown("userStatusText"), QStringLiteral("点击登录"));

        STEP(go(QStringLiteral("userMouseArea"), kLoginPage, QStringLiteral("login")));
        STEP(go(QStringLiteral("registerLinkArea"), kRegisterPage, QStringLiteral("register")));
        QVERIFY(m_road.typeInto(QStringLiteral("emailField"), QStringLiteral("nora@example.com")));
        QVERIFY(m_road.typeInto(QStringLiteral("passwordField"), QStringLiteral("secret1")));
        QVERIFY(m_road.typeInto(QStringLiteral("confirmPasswordField"), QStringLiteral("secret1")));
        // The success, and from it the page's pause before it goes.
        QElapsedTimer sinceSuccess;
        const QObject watch;
        QObject::connect(m_road.api(), &Orvo::Api::QmlApiAdapter::loginSuccess, &watch,
                         [&sinceSuccess]() { sinceSuccess.start(); });
        QVERIFY(m_road.click(QStringLiteral("registerButton")));

        // The box while the page waits out its pause, then home, two pages down.
        QQuickItem *registerPage = m_road.topPage();
        STEP(verifyBox(RoadWindow::pageMessageBox(registerPage), QStringLiteral("成功"),
                       QStringLiteral("注册成功！")));
        STEP(shot(QStringLiteral("register-success")));
        QVERIFY(m_road.waitForPage(kHome));
        QVERIFY2(sinceSuccess.elapsed() >= 1400,
                 qPrintable(QString::number(sinceSuccess.elapsed())));
        QCOMPARE(m_road.depth(), 1);

        QTRY_COMPARE_WITH_TIMEOUT(shown("userNameText"), QStringLiteral("nora"), kTimeoutMs);
        QCOMPARE(shown("userStatusText"), QStringLiteral("免费用户"));
        QCOMPARE(shown("avatarLetter"), QStringLiteral("N"));
        // The service's 1.5 trial hours left.
        QCOMPARE(shown("statusText"), QStringLiteral("免费体验时长剩余 90 分钟"));
        QVERIFY(!m_road.seen(QStringLiteral("vipBadge")));
        STEP(shot(QStringLiteral("home-signed-in")));

        // What the service received: one registration, and no login of its own.
        const QList<Orvo::Testing::RecordedRequest> registrations
            = m_service.requests(QStringLiteral("auth/register"));
        QCOMPARE(registrations.size(), 1);
        QCOMPARE(registrations.constFirst().method, QByteArray("POST"));
        QVERIFY(!registrations.constFirst().hasHeader("Authorization"));
        TokenManager *tokens = TokenManager::instance();
        const QJsonObject expected {
            { "email", "nora@example.com" },        { "password", "secret1" },
            { "password_confirmation", "secret1" }, { "name", "nora" },
            { "device_id", tokens->getDeviceId() }, { "device_name", tokens->getDeviceName() },
            { "device_type", "windows" },           { "equipment", "Camrow加速器" },
            { "reffer_code", QJsonValue::Null },
        };
        QCOMPARE(registrations.constFirst().json(), expected);
        QCOMPARE(m_service.count(QStringLiteral("auth/login")), 0);
        // The sign-in is kept.
        QCOMPARE(storedSetting(QStringLiteral("auth_token")).toString(),
                 QStringLiteral("dev:nora@example.com"));
    }

    // Server list, the second free server, connect, disconnect.
    void serverAndConnection()
    {
        STEP(start());
        STEP(signIn(QStringLiteral("ravi@example.com")));
        // The first free server is the default.
        QCOMPARE(shown("serverNameText"), QStringLiteral("东京 01"));
        STEP(shot(QStringLiteral("home")));

        STEP(go(QStringLiteral("selectServerMouseArea"), kServerPage));
        QQuickItem *freeGroup = m_road.waitForSeen(QStringLiteral("freeGroup"));
        QVERIFY(freeGroup);
        QTRY_COMPARE_WITH_TIMEOUT(
            m_road.allSeen(QStringLiteral("serverNameText"), freeGroup).size(), 2, kTimeoutMs);
        const QList<QQuickItem *> freeNames
            = m_road.allSeen(QStringLiteral("serverNameText"), freeGroup);
        QCOMPARE(freeNames.at(0)->property("text").toString(), QStringLiteral("东京 01"));
        QCOMPARE(freeNames.at(1)->property("text").toString(), QStringLiteral("香港 01"));
        // The current server carries the tick.
        QCOMPARE(m_road.allSeen(QStringLiteral("markText"), freeGroup).size(), 1);
        STEP(shot(QStringLiteral("server-list")));

        QVERIFY(m_road.click(freeNames.at(1)));
        QVERIFY(m_road.waitForPage(kHome));
        QCOMPARE(shown("serverNameText"), QStringLiteral("香港 01"));
        QCOMPARE(shown("serverLatencyText"), QStringLiteral("45ms"));
        STEP(shot(QStringLiteral("home-server-chosen")));

        STEP(connectFromHome());
        const StandInCall core = m_standIns.coreRuns().constFirst();
        QCOMPARE(m_standIns.calls(QStringLiteral("xray.exe")).constFirst().args,
                 QStringList { "version" });
        QCOMPARE(core.args,
                 (QStringList { "run", "-c", StandIns::coreConfigPath(), "--disable-color" }));
        // The chosen server's link reached the core.
        QCOMPARE(coreServers(core), QStringList { "hk1.example.net" });
        // The connection's first heartbeat, signed in.
        QTRY_VERIFY_WITH_TIMEOUT(m_service.count(QStringLiteral("heartbeat")) > 0, kTimeoutMs);
        const auto heartbeat = m_service.requests(QStringLiteral("heartbeat")).constFirst();
        QCOMPARE(heartbeat.json().value(QStringLiteral("connection_status")).toString(),
                 QStringLiteral("connected"));
        QCOMPARE(heartbeat.header("Authorization"), QByteArray("Bearer dev:ravi@example.com"));
        STEP(shot(QStringLiteral("home-connected")));

        m_standIns.clearCalls();
        QVERIFY(m_road.click(QStringLiteral("connectBtn")));
        QTRY_COMPARE_WITH_TIMEOUT(shown("connectionStatusText"), QStringLiteral("未连接"),
                                  kTimeoutMs);
        QCOMPARE(shown("connectHintText"), QStringLiteral("点击连接"));
        QCOMPARE(m_standIns.proxyToolCalls(), StandIns::proxyClearingCommands());
        QVERIFY(!isRunning(core.pid));
        QCOMPARE(m_standIns.calls(QStringLiteral("xray.exe")).size(), 0);
        STEP(shot(QStringLiteral("home-disconnected")));

        // Nothing the road logged shows the chosen line's link past its first
        // 20 characters, nor the user id inside it.
        const QString link = home()->property("selectedServerVmessLink").toString();
        const QString userId
            = QJsonDocument::fromJson(QByteArray::fromBase64(link.mid(8).toLatin1()))
                  .object()
                  .value(QStringLiteral("id"))
                  .toString();
        QCOMPARE(userId.size(), 36);
        for (const QString &line : MessageLog::instance()->lines()) {
            QVERIFY2(!line.contains(link.mid(20, 12)), qPrintable(line));
            QVERIFY2(!line.contains(userId), qPrintable(line));
        }
    }

    // The VIP card, the preselected plan, the QR card, the completed order,
    // and the VIP line that the purchase opened, connected and disconnected.
    void purchase()
    {
        // The page's polling at the user's pace while the QR card is looked
        // at; quick once the user has "paid".
        PaymentService::instance()->setPollInterval(60000);
        STEP(start());
        STEP(signIn(QStringLiteral("pia@example.com")));
        STEP(shot(QStringLiteral("home")));

        STEP(go(QStringLiteral("vipMouseArea"), kVipPage));
        QTRY_COMPARE_WITH_TIMEOUT(m_road.allSeen(QStringLiteral("planNameText")).size(), 5,
                                  kTimeoutMs);
        // The fourth of five plans is chosen for the user.
        QQuickItem *chosen = m_road.seen(QStringLiteral("planCard3"));
        QVERIFY(chosen);
        QCOMPARE(m_road.allSeen(QStringLiteral("checkMark")).size(), 1);
        QVERIFY(m_road.seen(QStringLiteral("checkMark"), chosen));
        QCOMPARE(shown("planNameText", chosen), QStringLiteral("连续包月"));
        QCOMPARE(shown("buyLabel"), QStringLiteral("立即开通 ¥15"));
        STEP(shot(QStringLiteral("plans")));

        QVERIFY(m_road.click(QStringLiteral("buyButton")));
        QVERIFY(m_road.waitForSeen(QStringLiteral("paymentCard")));
        const DevService::Account &account
            = m_dev.accountByEmail(QStringLiteral("pia@example.com"));
        QCOMPARE(account.orders.size(), 1);
        const QString orderNumber = account.orders.constFirst().number;
        QCOMPARE(shown("orderText"), QStringLiteral("订单号: ") + orderNumber);
        QCOMPARE(shown("paymentPlanText"), QStringLiteral("连续包月 - ¥15"));
        QVERIFY(!m_road.seen(QStringLiteral("buyButton")));
        QQuickItem *qr = m_road.seen(QStringLiteral("qrCodeImage"));
        QVERIFY(qr);
        QTRY_COMPARE_WITH_TIMEOUT(qr->property("status").toInt(), 1 /* Image.Ready */, kTimeoutMs);
        const auto creations = m_service.requests(QStringLiteral("payments/create"));
        QCOMPARE(creations.size(), 1);
        QCOMPARE(creations.constFirst().header("Authorization"),
                 QByteArray("Bearer dev:pia@example.com"));
        const QJsonObject body = creations.constFirst().json();
        QCOMPARE(body.value(QStringLiteral("plan_id")).toInt(), 4);
        QCOMPARE(body.value(QStringLiteral("payment_method")).toString(), QStringLiteral("alipay"));
        QTRY_COMPARE_WITH_TIMEOUT(requestsStartingWith(QStringLiteral("payments/status/")), 1,
                                  kTimeoutMs);
        for (const auto &request : m_service.requests()) {
            if (request.path.startsWith(QLatin1String("payments/status/")))
                QCOMPARE(request.path, QStringLiteral("payments/status/") + orderNumber);
        }
        STEP(shot(QStringLiteral("payment")));

        // Two "pending" answers, then "completed": the plans again.
        PaymentService::instance()->setPollInterval(100);
        QVERIFY(m_road.waitForSeen(QStringLiteral("planList")));
        QVERIFY(!m_road.seen(QStringLiteral("paymentCard")));
        QVERIFY(m_road.seen(QStringLiteral("checkMark"), m_road.seen(QStringLiteral("planCard3"))));
        QVERIFY(requestsStartingWith(QStringLiteral("payments/status/")) >= 3);
        STEP(shot(QStringLiteral("plans-after-payment")));

        STEP(back(kHome));
        QTRY_VERIFY_WITH_TIMEOUT(m_road.seen(QStringLiteral("vipBadge")), kTimeoutMs);
        QCOMPARE(shown("statusText"), QStringLiteral("VIP 30天"));
        QCOMPARE(shown("userStatusText"), QStringLiteral("VIP会员"));
        STEP(shot(QStringLiteral("home-vip")));

        STEP(go(QStringLiteral("settingsMouseArea"), kSettingsPage));
        QCOMPARE(shown("membershipText"), QStringLiteral("VIP会员 · 剩余30天"));
        QVERIFY(m_road.seen(QStringLiteral("vipStar")));
        QCOMPARE(shown("rowTitle", m_road.seen(QStringLiteral("vipRow"))),
                 QStringLiteral("VIP会员 剩余30天"));
        STEP(shot(QStringLiteral("settings-vip")));

        STEP(go(QStringLiteral("myOrdersMouseArea"), kOrdersPage));
        QTRY_COMPARE_WITH_TIMEOUT(shown("orderNumberText"), orderNumber, kTimeoutMs);
        QCOMPARE(m_road.allSeen(QStringLiteral("orderCard")).size(), 1);
        QCOMPARE(shown("statusText"), QStringLiteral("已支付"));
        QCOMPARE(shown("planText"), QStringLiteral("连续包月"));
        QCOMPARE(shown("amountText"), QStringLiteral("¥15"));
        QCOMPARE(shown("paymentText"), QStringLiteral("支付方式: 支付宝"));
        QCOMPARE(shown("dateText"), QDate::currentDate().toString(Qt::ISODate));
        STEP(shot(QStringLiteral("orders")));
        STEP(back(kSettingsPage));
        STEP(back(kHome));

        // The VIP line is open now: chosen, connected, disconnected.
        VipLine vip;
        STEP(openServerList(vip));
        QTRY_VERIFY_WITH_TIMEOUT(
            !m_road.seenWithText(QStringLiteral("markText"), QStringLiteral("🔒"), vip.group),
            kTimeoutMs);
        STEP(shot(QStringLiteral("server-list-vip-open")));
        QVERIFY(m_road.click(vip.name));
        QVERIFY(m_road.waitForPage(kHome));
        QCOMPARE(shown("serverNameText"), QStringLiteral("新加坡 VIP"));

        STEP(connectFromHome());
        const StandInCall core = m_standIns.coreRuns().constFirst();
        QCOMPARE(coreServers(core), QStringList { "sg1.example.net" });
        QTRY_VERIFY_WITH_TIMEOUT(m_service.count(QStringLiteral("heartbeat")) > 0, kTimeoutMs);
        QCOMPARE(
            m_service.requests(QStringLiteral("heartbeat")).constFirst().header("Authorization"),
            QByteArray("Bearer dev:pia@example.com"));
        STEP(shot(QStringLiteral("home-vip-connected")));

        m_standIns.clearCalls();
        QVERIFY(m_road.click(QStringLiteral("connectBtn")));
        QTRY_COMPARE_WITH_TIMEOUT(shown("connectionStatusText"), QStringLiteral("未连接"),
                                  kTimeoutMs);
        QCOMPARE(m_standIns.proxyToolCalls(), StandIns::proxyClearingCommands());
        QVERIFY(!isRunning(core.pid));
        // Still VIP, and still on the VIP line.
        QVERIFY(m_road.seen(QStringLiteral("vipBadge")));
        QCOMPARE(shown("serverNameText"), QStringLiteral("新加坡 VIP"));
        STEP(shot(QStringLiteral("home-vip-disconnected")));
    }

    // Announcements from home and from the settings page; the about page scrolled.
    void announcementsAndAbout()
    {
        STEP(start());
        const QStringList titles { "服务器维护通知", "1.0.0 版本发布", "新春活动", "欢迎" };
        STEP(go(QStringLiteral("announcementMouseArea"), kAnnouncementPage));
        QTRY_COMPARE_WITH_TIMEOUT(cardTitles(), titles, kTimeoutMs);
        QCOMPARE(shown("titleText"), QStringLiteral("公告中心"));
        STEP(shot(QStringLiteral("announcements-from-home")));
        STEP(back(kHome));

        STEP(go(QStringLiteral("settingsMouseArea"), kSettingsPage, QStringLiteral("settings")));
        STEP(go(QStringLiteral("announcementMouseArea"), kAnnouncementPage));
        QTRY_COMPARE_WITH_TIMEOUT(cardTitles(), titles, kTimeoutMs);
        STEP(shot(QStringLiteral("announcements-from-settings")));
        // One request for each visit, for this platform.
        const auto requests = m_service.requests(QStringLiteral("announcements"));
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests.constLast().query.queryItemValue(QStringLiteral("platform")),
                 QStringLiteral("windows"));
        STEP(back(kSettingsPage));

        STEP(go(QStringLiteral("aboutUsMouseArea"), kAboutPage, QStringLiteral("about")));
        QCOMPARE(shown("appNameText"), QStringLiteral("Kesmar加速器"));
        // The page follows the finger, and settles back where its short
        // content belongs once it is let go.
        QQuickItem *about = m_road.seen(QStringLiteral("aboutFlickable"));
        QVERIFY(about);
        QCOMPARE(about->property("contentY").toReal(), 0.0);
        const QPointF privacyAt = m_road.seen(QStringLiteral("privacyText"))->mapToScene({ 0, 0 });
        QVERIFY(m_road.press(about));
        m_road.moveBy(-200);
        QTRY_VERIFY_WITH_TIMEOUT(about->property("contentY").toReal() > 50, kTimeoutMs);
        QVERIFY(m_road.seen(QStringLiteral("privacyText"))->mapToScene({ 0, 0 }).y()
                < privacyAt.y() - 50);
        STEP(shot(QStringLiteral("about-dragged")));
        m_road.release();
        QTRY_VERIFY_WITH_TIMEOUT(!about->property("moving").toBool(), kTimeoutMs);
        QCOMPARE(about->property("contentY").toReal(), 0.0);
        QCOMPARE(m_road.seen(QStringLiteral("privacyText"))->mapToScene({ 0, 0 }), privacyAt);
        STEP(back(kSettingsPage));
        STEP(back(kHome));
    }

    // Connected; the heartbeat answers 401: the warning, the proxy cleared,
    // the sign-out a second later, the signed-out settings page.
    void forcedSignOut()
    {
        STEP(start());
        STEP(signIn(QStringLiteral("omar@example.com")));
        STEP(connectFromHome());
        const qint64 core = m_standIns.coreRuns().constFirst().pid;
        QTRY_VERIFY_WITH_TIMEOUT(m_service.count(QStringLiteral("heartbeat")) > 0, kTimeoutMs);
        STEP(shot(QStringLiteral("home-connected")));

        // What the user sees the moment the warning comes up, and how long
        // after it the sign-out follows.
        QElapsedTimer sinceWarning;
        QString nameAtWarning;
        int logoutsAtWarning = -1;
        qint64 signedOutAfter = -1;
        const QObject watch;
        // Connected after the window's own handler, so the box is up by then.
        QObject::connect(m_road.api(), &Orvo::Api::QmlApiAdapter::vpnForceDisconnected, &watch,
                         [&]() {
                             sinceWarning.start();
                             nameAtWarning = shown("userNameText", home());
                             logoutsAtWarning = m_service.count(QStringLiteral("auth/logout"));
                         });
        QObject::connect(m_road.api(), &Orvo::Api::QmlApiAdapter::loginStateChanged, &watch,
                         [&](bool loggedIn) {
                             if (!loggedIn && signedOutAfter < 0 && sinceWarning.isValid())
                                 signedOutAfter = sinceWarning.elapsed();
                         });
        m_standIns.clearCalls();
        m_service.setReply("POST", "heartbeat",
                           refusal(401, { { "message", "Unauthenticated." } }));

        QObject *box = m_road.appMessageBox();
        STEP(verifyBox(box, QStringLiteral("警告"), kSignedInElsewhere));
        QCOMPARE(nameAtWarning, QStringLiteral("omar"));
        QCOMPARE(logoutsAtWarning, 0);
        QCOMPARE(shown("connectionStatusText", home()), QStringLiteral("未连接"));
        QCOMPARE(m_standIns.proxyToolCalls(), StandIns::proxyClearingCommands());
        QVERIFY(!isRunning(core));
        STEP(shot(QStringLiteral("warning")));

        QTRY_COMPARE_WITH_TIMEOUT(shown("userNameText", home()), QStringLiteral("未登录"),
                                  kTimeoutMs);
        QCOMPARE(m_service.count(QStringLiteral("auth/logout")), 1);
        QVERIFY2(signedOutAfter >= 900, qPrintable(QString::number(signedOutAfter)));
        STEP(verifyNothingStored());
        STEP(shot(QStringLiteral("home-signed-out")));

        STEP(closeBox(box));
        STEP(go(QStringLiteral("settingsMouseArea"), kSettingsPage));
        STEP(verifySignedOutSettings());
        STEP(shot(QStringLiteral("settings-signed-out")));
    }

    // Connected, settings, logout: the connection goes first, the page stays.
    void logoutWhileConnected()
    {
        STEP(start());
        STEP(signIn(QStringLiteral("lena@example.com")));
        STEP(connectFromHome());
        const qint64 core = m_standIns.coreRuns().constFirst().pid;
        STEP(go(QStringLiteral("settingsMouseArea"), kSettingsPage));
        QCOMPARE(shown("nameText"), QStringLiteral("lena"));
        QCOMPARE(shown("emailText"), QStringLiteral("lena@example.com"));
        QCOMPARE(shown("membershipText"), QStringLiteral("免费用户"));
        STEP(shot(QStringLiteral("settings-signed-in")));

        // The service holds its answer: what happened before it, happened first.
        m_service.setReply(
            "POST", "auth/logout",
            FakeReply::json({ { "success", true }, { "message", "登出成功" } }).held());
        m_standIns.clearCalls();
        QVERIFY(m_road.click(QStringLiteral("logoutMouseArea")));
        QTRY_COMPARE_WITH_TIMEOUT(m_service.heldCount(), 1, kTimeoutMs);
        QCOMPARE(m_standIns.proxyToolCalls(), StandIns::proxyClearingCommands());
        QVERIFY(!isRunning(core));
        QCOMPARE(
            m_service.requests(QStringLiteral("auth/logout")).constFirst().header("Authorization"),
            QByteArray("Bearer dev:lena@example.com"));
        QCOMPARE(shown("nameText"), QStringLiteral("lena"));

        m_service.releaseHeld();
        QTRY_COMPARE_WITH_TIMEOUT(shown("nameText"), QStringLiteral("未登录"), kTimeoutMs);
        STEP(verifySignedOutSettings());
        QVERIFY(m_road.showsPage(kSettingsPage));
        STEP(verifyNothingStored());
        STEP(shot(QStringLiteral("settings-signed-out")));

        STEP(back(kHome));
        QCOMPARE(shown("userNameText"), QStringLiteral("未登录"));
        QCOMPARE(shown("connectionStatusText"), QStringLiteral("未连接"));
        STEP(shot(QStringLiteral("home-signed-out")));
    }

    // A wrong password, a registration the service refuses, a locked VIP
    // server, a purchase while signed out.
    void refusals()
    {
        STEP(start());
        const QString defaultServer = shown("serverNameText");

        // The service's refusal reaches the log only; nothing is kept.
        STEP(go(QStringLiteral("userMouseArea"), kLoginPage));
        m_service.queueReply("POST", "auth/login",
                             refusal(401, { { "message", "邮箱或密码错误" } }));
        QVERIFY(
            m_road.typeInto(QStringLiteral("usernameField"), QStringLiteral("kim@example.com")));
        QVERIFY(m_road.typeInto(QStringLiteral("passwordField"), QStringLiteral("wrong1")));
        QVERIFY(m_road.click(QStringLiteral("loginButton")));
        QTRY_VERIFY_WITH_TIMEOUT(
            MessageLog::instance()->has(QStringLiteral("登录失败: 邮箱或密码错误")), kTimeoutMs);
        QCOMPARE(m_service.count(QStringLiteral("auth/login")), 1);
        QVERIFY(m_road.showsPage(kLoginPage));
        STEP(verifyNothingStored());
        STEP(shot(QStringLiteral("login-refused")));

        // An e-mail that has an account: the service's validation error in
        // the page's box.
        STEP(go(QStringLiteral("registerLinkArea"), kRegisterPage));
        QVERIFY(m_road.typeInto(QStringLiteral("emailField"), QStringLiteral("demo@example.com")));
        QVERIFY(m_road.typeInto(QStringLiteral("passwordField"), QStringLiteral("secret1")));
        QVERIFY(m_road.typeInto(QStringLiteral("confirmPasswordField"), QStringLiteral("secret1")));
        QVERIFY(m_road.click(QStringLiteral("registerButton")));
        QObject *box = RoadWindow::pageMessageBox(m_road.topPage());
        STEP(verifyBox(box, QStringLiteral("错误"), QStringLiteral("该邮箱已被注册")));
        QCOMPARE(m_service.count(QStringLiteral("auth/register")), 1);
        STEP(shot(QStringLiteral("register-refused")));
        STEP(closeBox(box));
        QVERIFY(m_road.showsPage(kRegisterPage));
        STEP(verifyNothingStored());
        STEP(back(kLoginPage));
        STEP(back(kHome));
        QCOMPARE(shown("userNameText"), QStringLiteral("未登录"));

        // The locked line takes no click.
        VipLine vip;
        STEP(openServerList(vip));
        QCOMPARE(shown("markText", vip.group), QStringLiteral("🔒"));
        STEP(shot(QStringLiteral("server-list-locked")));
        QVERIFY(m_road.click(vip.name));
        QTRY_VERIFY_WITH_TIMEOUT(
            MessageLog::instance()->has(QStringLiteral("⚠️ 此服务器需要VIP权限")),
            kTimeoutMs);
        QVERIFY(m_road.showsPage(kServerPage));
        QCOMPARE(shown("markText", vip.group), QStringLiteral("🔒"));
        STEP(back(kHome));
        QCOMPARE(shown("serverNameText"), defaultServer);

        // Signed out, the service refuses the order: no QR card, nothing polled.
        STEP(go(QStringLiteral("vipMouseArea"), kVipPage));
        QTRY_COMPARE_WITH_TIMEOUT(m_road.allSeen(QStringLiteral("planNameText")).size(), 5,
                                  kTimeoutMs);
        QVERIFY(m_road.click(QStringLiteral("buyButton")));
        QTRY_VERIFY_WITH_TIMEOUT(MessageLog::instance()->has(QStringLiteral(
                                     "❌ 创建支付订单失败: 未登录或登录已过期，请重新登录")),
                                 kTimeoutMs);
        const auto creations = m_service.requests(QStringLiteral("payments/create"));
        QCOMPARE(creations.size(), 1);
        QVERIFY(!creations.constFirst().hasHeader("Authorization"));
        QVERIFY(m_road.seen(QStringLiteral("buyButton")));
        QVERIFY(!m_road.seen(QStringLiteral("paymentCard")));
        QCOMPARE(requestsStartingWith(QStringLiteral("payments/status/")), 0);
        // No account was charged, and the client keeps no user.
        QVERIFY(m_dev.accountByEmail(QStringLiteral("demo@example.com")).orders.isEmpty());
        STEP(verifyNothingStored());
        STEP(shot(QStringLiteral("vip-refused")));
        STEP(back(kHome));
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    // Closing the window ends a road, not the test.
    app.setQuitOnLastWindowClosed(false);
    RoadsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_roads.moc"
