#include "QmlApiAdapter.h"

#include <QDateTime>
#include <QDebug>
#include <QPointer>
#include <QTimer>

#include "ApiManager.h"
#include "bridge/ConnectPermission.h"
#include "bridge/QmlRecordMaps.h"
#include "bridge/UserDisplayInfo.h"
#include "models/Announcement.h"
#include "models/CreatePaymentData.h"
#include "models/HeartbeatResponse.h"
#include "models/HeartbeatStats.h"
#include "models/Order.h"
#include "models/PaymentStatusData.h"
#include "models/Server.h"
#include "models/SubscriptionPlan.h"
#include "models/SystemConfig.h"
#include "models/TrialStatus.h"
#include "models/User.h"
#include "services/AnnouncementService.h"
#include "services/AuthService.h"
#include "services/ConfigService.h"
#include "services/HeartbeatService.h"
#include "services/OrderService.h"
#include "services/PaymentService.h"
#include "services/ResultCallback.h"
#include "services/ServerService.h"
#include "vpn/ConnectionFailureReason.h"
#include "vpn/ConnectionFormat.h"
#include "vpn/VpnConnectionService.h"

namespace Orvo::Api {

using Models::User;
using Services::ConnectionFailureReason;
using Services::ConnectionFormat;
using Services::VpnConnectionService;

namespace {

constexpr int kForcedLogoutDelayMs = 1000;
constexpr int kLinkPrefixLength = 20;

// A forced disconnect with one of these words means the account was signed in
// on another device.
bool namesLoginElsewhere(const QString &message)
{
    return message.contains(QStringLiteral("其他设备登录"))
        || message.contains(QStringLiteral("强制下线"));
}

using ErrorSignal = void (QmlApiAdapter::*)(QString);

// True when a service's answer goes no further: the adapter is gone, or the
// failure has been logged and reported through the error signal.
bool endsHere(QmlApiAdapter *adapter, bool success, ErrorSignal errorSignal, const QString &message,
              const QString &logLine)
{
    if (!adapter)
        return true;
    if (success)
        return false;
    qDebug().noquote() << logLine;
    emit(adapter->*errorSignal)(message);
    return true;
}

// The completion of a service request, relayed to QML: a failure is logged
// after failureText with the service's message and sent through errorSignal;
// a success goes to onSuccess with the adapter. Nothing runs once it is gone.
template<typename T, typename OnSuccess>
Network::DataCallback<T> relay(QmlApiAdapter *adapter, const char *failureText,
                               ErrorSignal errorSignal, OnSuccess onSuccess)
{
    const QPointer<QmlApiAdapter> self(adapter);
    return [self, failureText, errorSignal, onSuccess](bool success, const QString &message,
                                                       const T &data) {
        const QString logLine
            = success ? QString() : QString::fromUtf8(failureText) + QLatin1Char(' ') + message;
        if (!endsHere(self.data(), success, errorSignal, message, logLine))
            onSuccess(self.data(), data);
    };
}

// The same for the heartbeat requests, whose failures bring no message: the
// log line is failureText alone and QML gets errorText.
template<typename T, typename OnSuccess>
Services::ResultCallback<T> relayResult(QmlApiAdapter *adapter, const char *failureText,
                                        ErrorSignal errorSignal, const QString &errorText,
                                        OnSuccess onSuccess)
{
    const QPointer<QmlApiAdapter> self(adapter);
    return [self, failureText, errorSignal, errorText, onSuccess](bool success, const T &data) {
        if (!endsHere(self.data(), success, errorSignal, errorText, QString::fromUtf8(failureText)))
            onSuccess(self.data(), data);
    };
}

} // namespace

QmlApiAdapter::QmlApiAdapter(QObject *parent) : QObject(parent)
{
    setupConnections();
    updateUserInfo();
    qDebug().noquote() << "[QmlApiAdapter] 初始化完成";
}

QmlApiAdapter::~QmlApiAdapter()
{
    qDebug().noquote() << "[QmlApiAdapter] 销毁";
    VpnConnectionService::instance()->disconnect();
}

void QmlApiAdapter::setupConnections()
{
    QObject::connect(ApiManager::instance(), &ApiManager::loginStateChanged, this,
                     [this](bool loggedIn) {
                         if (loggedIn)
                             updateUserInfo();
                         emit loginStateChanged(loggedIn);
                     });
    QObject::connect(Services::AuthService::instance(), &Services::AuthService::userInfoUpdated,
                     this, [this](const User &) { updateUserInfo(); });

    VpnConnectionService *vpn = VpnConnectionService::instance();
    QObject::connect(vpn, &VpnConnectionService::connectionSuccess, this,
                     &QmlApiAdapter::vpnConnected);
    QObject::connect(vpn, &VpnConnectionService::connectionFailed, this,
                     [this](ConnectionFailureReason reason, const QString &message) {
                         emit vpnConnectionFailed(static_cast<int>(reason), message);
                     });
    QObject::connect(vpn, &VpnConnectionService::disconnected, this,
                     &QmlApiAdapter::vpnDisconnected);
    QObject::connect(vpn, &VpnConnectionService::forceDisconnected, this,
                     [this](const QString &message) { handleForceDisconnect(message); });
    QObject::connect(vpn, &VpnConnectionService::permissionDenied, this,
                     [this](ConnectionFailureReason reason, const QString &message) {
                         emit vpnPermissionDenied(static_cast<int>(reason), message);
                     });
    QObject::connect(vpn, &VpnConnectionService::connectionDurationChanged, this,
                     &QmlApiAdapter::vpnDurationChanged);
    QObject::connect(vpn, &VpnConnectionService::trafficStatsChanged, this, [this, vpn]() {
        emit vpnTrafficUpdate(vpn->uploadBytes(), vpn->downloadBytes());
    });
}

bool QmlApiAdapter::isLoggedIn() const
{
    return ApiManager::instance()->isLoggedIn();
}

bool QmlApiAdapter::canConnect() const
{
    return ApiManager::instance()->canConnect();
}

void QmlApiAdapter::resetUserInfo()
{
    m_userInfo = UserDisplayInfo();
}

void QmlApiAdapter::updateUserInfo()
{
    if (!ApiManager::instance()->isLoggedIn()) {
        resetUserInfo();
        qDebug().noquote() << "📱 [QmlApiAdapter] 用户未登录，显示默认状态";
        emit userInfoChanged();
        return;
    }

    const User user = ApiManager::instance()->currentUser();
    m_userInfo = UserDisplayInfo::fromUser(user, QDateTime::currentDateTimeUtc());
    if (m_userInfo.isVip) {
        qDebug().noquote() << "[QmlApiAdapter] VIP剩余秒数:" << m_userInfo.vipSecondsLeft
                           << "剩余天数:" << m_userInfo.vipDays << "到期时间:"
                           << user.vipExpiresAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }

    VpnConnectionService::instance()->updateUserInfo(user);

    qDebug().noquote() << "✅ [QmlApiAdapter] 用户信息已更新:" << m_userInfo.email
                       << "VIP:" << m_userInfo.isVip << "VIP天数:" << m_userInfo.vipDays
                       << "免费分钟:" << m_userInfo.freeMinutes;
    emit userInfoChanged();
}

void QmlApiAdapter::completeSignIn(const QString &email, const char *successText,
                                   const char *refreshText)
{
    qDebug().noquote() << successText << email;
    updateUserInfo();
    qDebug().noquote() << refreshText;
    getSystemConfig();
    emit loginSuccess();
    emit loginStateChanged(true);
}

void QmlApiAdapter::login(const QString &email, const QString &password)
{
    qDebug().noquote() << "[QmlApiAdapter] 登录:" << email;
    ApiManager::instance()->login(
        email, password,
        relay<User>(this, "[QmlApiAdapter] 登录失败:", &QmlApiAdapter::loginError,
                    [](QmlApiAdapter *self, const User &user) {
                        self->completeSignIn(user.email, "[QmlApiAdapter] 登录成功:",
                                             "[QmlApiAdapter] 登录成功，刷新系统配置");
                    }));
}

void QmlApiAdapter::registerUser(const QString &email, const QString &password, const QString &name,
                                 const QString &refferCode)
{
    qDebug().noquote() << "[QmlApiAdapter] 注册:" << email;
    ApiManager::instance()->registerUser(
        email, password, name, refferCode,
        relay<User>(this, "[QmlApiAdapter] 注册失败:", &QmlApiAdapter::loginError,
                    [](QmlApiAdapter *self, const User &user) {
                        self->completeSignIn(user.email, "[QmlApiAdapter] 注册成功:",
                                             "[QmlApiAdapter] 注册成功，刷新系统配置");
                    }));
}

void QmlApiAdapter::refreshUserInfo()
{
    qDebug().noquote() << "[QmlApiAdapter] 刷新用户信息";
    const QPointer<QmlApiAdapter> self(this);
    Services::AuthService::instance()->refreshCurrentUser(
        [self](bool success, const QString &, const User &) {
            // A failed refresh is silent: the shown values stay.
            if (self && success)
                self->updateUserInfo();
        });
}

void QmlApiAdapter::getServers(const QString &tier)
{
    qDebug().noquote() << "[QmlApiAdapter] 获取服务器列表, tier:" << tier;
    const auto done = relay<QList<Models::Server>>(
        this, "[QmlApiAdapter] 服务器列表获取失败:", &QmlApiAdapter::serversError,
        [](QmlApiAdapter *self, const QList<Models::Server> &servers) {
            for (const Models::Server &server : servers) {
                const QString flag = server.flagEmoji();
                qDebug().noquote() << "[QmlApiAdapter] 🔍 服务器详情:";
                qDebug().noquote() << "  ID:" << server.id;
                qDebug().noquote() << "  Name:" << server.name;
                qDebug().noquote() << "  CountryCode:" << server.countryCode;
                qDebug().noquote() << "  City:" << server.city;
                qDebug().noquote() << "  Location:" << server.location;
                qDebug().noquote() << "  Tier:" << server.tier;
                qDebug().noquote() << "  TierText:" << server.tierText;
                qDebug().noquote() << "  国旗:" << flag << "长度:" << flag.size();
            }
            const QVariantList list = QmlRecordMaps::servers(servers);
            qDebug().noquote() << "[QmlApiAdapter] 服务器列表获取成功, 数量:" << list.size();
            emit self->serversLoaded(list);
        });

    Services::ServerService *service = Services::ServerService::instance();
    if (tier.isEmpty() || tier == QLatin1String("all"))
        service->getAllServers(done);
    else if (tier == QLatin1String("free"))
        service->getFreeServers(done);
    else if (tier == QLatin1String("vip"))
        service->getVipServers(done);
    else
        service->getServersByTier(tier, done);
}

void QmlApiAdapter::getServerById(int serverId)
{
    qDebug().noquote() << "[QmlApiAdapter] 获取服务器详情, serverId:" << serverId;
    Services::ServerService::instance()->getServerById(
        serverId,
        relay<Models::Server>(
            this, "[QmlApiAdapter] 服务器详情获取失败:", &QmlApiAdapter::serverDetailError,
            [](QmlApiAdapter *self, const Models::Server &server) {
                qDebug().noquote() << "[QmlApiAdapter] 服务器详情获取成功:" << server.name;
                emit self->serverDetailLoaded(QmlRecordMaps::serverDetail(server));
            }));
}

void QmlApiAdapter::getAnnouncements()
{
    qDebug().noquote() << "[QmlApiAdapter] 获取公告列表";
    Services::AnnouncementService::instance()->getAnnouncements(
        QStringLiteral("windows"), 0,
        relay<QList<Models::Announcement>>(
            this, "[QmlApiAdapter] 公告列表获取失败:", &QmlApiAdapter::announcementsError,
            [](QmlApiAdapter *self, const QList<Models::Announcement> &announcements) {
                const QVariantList list = QmlRecordMaps::announcements(announcements);
                qDebug().noquote() << "[QmlApiAdapter] 公告列表获取成功, 数量:" << list.size();
                emit self->announcementsLoaded(list);
            }));
}

void QmlApiAdapter::getUserOrders()
{
    qDebug().noquote() << "[QmlApiAdapter] 获取订单列表";
    Services::OrderService::instance()->getAllOrders(relay<QList<Models::Order>>(
        this, "[QmlApiAdapter] 订单列表获取失败:", &QmlApiAdapter::ordersError,
        [](QmlApiAdapter *self, const QList<Models::Order> &orders) {
            const QVariantList list = QmlRecordMaps::orders(orders);
            qDebug().noquote() << "[QmlApiAdapter] 订单列表获取成功, 数量:" << list.size();
            emit self->ordersLoaded(list);
        }));
}

void QmlApiAdapter::getSystemConfig()
{
    qDebug().noquote() << "[QmlApiAdapter] 获取系统配置";
    Services::ConfigService::instance()->getConfigs(relay<Models::SystemConfig>(
        this, "[QmlApiAdapter] 系统配置获取失败:", &QmlApiAdapter::systemConfigError,
        [](QmlApiAdapter *self, const Models::SystemConfig &config) {
            qDebug().noquote() << "[QmlApiAdapter] 系统配置获取成功";
            emit self->systemConfigLoaded(QmlRecordMaps::systemConfig(config));
        }));
}

void QmlApiAdapter::activateFreeTrial()
{
    qDebug().noquote() << "[QmlApiAdapter] 激活免费体验";
    Services::ConfigService::instance()->activateFreeTrial(
        relay<User>(this, "[QmlApiAdapter] 免费体验激活失败:", &QmlApiAdapter::trialActivationError,
                    [](QmlApiAdapter *self, const User &user) {
                        self->updateUserInfo();
                        const QVariantMap map = QmlRecordMaps::freeTrialUser(user);
                        qDebug().noquote() << "[QmlApiAdapter] 免费体验激活成功";
                        emit self->trialActivated(map);
                    }));
}

void QmlApiAdapter::activateVipTrial()
{
    qDebug().noquote() << "[QmlApiAdapter] 激活VIP体验";
    Services::ConfigService::instance()->activateVipTrial(
        relay<User>(this, "[QmlApiAdapter] VIP体验激活失败:", &QmlApiAdapter::trialActivationError,
                    [](QmlApiAdapter *self, const User &user) {
                        self->updateUserInfo();
                        const QVariantMap map = QmlRecordMaps::vipTrialUser(user);
                        qDebug().noquote() << "[QmlApiAdapter] VIP体验激活成功";
                        emit self->trialActivated(map);
                    }));
}

void QmlApiAdapter::getTrialStatus()
{
    qDebug().noquote() << "[QmlApiAdapter] 获取体验状态";
    Services::ConfigService::instance()->getTrialStatus(relay<Models::TrialStatus>(
        this, "[QmlApiAdapter] 体验状态获取失败:", &QmlApiAdapter::trialStatusError,
        [](QmlApiAdapter *self, const Models::TrialStatus &status) {
            qDebug().noquote() << "[QmlApiAdapter] 体验状态获取成功";
            emit self->trialStatusLoaded(QmlRecordMaps::trialStatus(status));
        }));
}

void QmlApiAdapter::createPayment(int planId, const QString &paymentMethod)
{
    qDebug().noquote() << "[QmlApiAdapter] 创建支付订单, planId:" << planId
                       << ", paymentMethod:" << paymentMethod;
    Services::PaymentService::instance()->createPayment(
        planId, paymentMethod,
        relay<Models::CreatePaymentData>(
            this, "[QmlApiAdapter] 支付订单创建失败:", &QmlApiAdapter::paymentCreationError,
            [](QmlApiAdapter *self, const Models::CreatePaymentData &data) {
                qDebug().noquote() << "[QmlApiAdapter] 支付订单创建成功, orderId:" << data.orderId;
                emit self->paymentCreated(QmlRecordMaps::paymentCreated(data));
            }));
}

void QmlApiAdapter::getPaymentStatus(const QString &orderNumber)
{
    qDebug().noquote() << "[QmlApiAdapter] 查询支付状态, orderNumber:" << orderNumber;
    Services::PaymentService::instance()->getPaymentStatus(
        orderNumber,
        relay<Models::PaymentStatusData>(
            this, "[QmlApiAdapter] 支付状态查询失败:", &QmlApiAdapter::paymentStatusError,
            [orderNumber](QmlApiAdapter *self, const Models::PaymentStatusData &data) {
                qDebug().noquote() << "[QmlApiAdapter] 支付状态查询成功, status:" << data.status;
                emit self->paymentStatusLoaded(QmlRecordMaps::paymentStatus(data));
                // The one-off query speaks the service's order words, not the polling's.
                if (data.status == QLatin1String("paid"))
                    emit self->paymentCompleted(orderNumber);
                else if (data.status == QLatin1String("failed")
                         || data.status == QLatin1String("cancelled"))
                    emit self->paymentFailed(orderNumber, data.status);
            }));
}

void QmlApiAdapter::startPollingPayment(const QString &orderNumber)
{
    qDebug().noquote() << "[QmlApiAdapter] 开始轮询支付状态, orderNumber:" << orderNumber;
    const QPointer<QmlApiAdapter> self(this);
    Services::PaymentService::instance()->startPolling(
        orderNumber,
        [self](bool success, const QString &, const Models::PaymentStatusData &data) {
            if (self && success)
                emit self->paymentStatusLoaded(QmlRecordMaps::polledPaymentStatus(data));
        },
        [self, orderNumber]() {
            if (!self)
                return;
            qDebug().noquote() << "[QmlApiAdapter] 支付完成, orderNumber:" << orderNumber;
            emit self->paymentCompleted(orderNumber);
            // A completed payment changes the VIP standing.
            self->refreshUserInfo();
        },
        [self, orderNumber]() {
            if (!self)
                return;
            qDebug().noquote() << "[QmlApiAdapter] 支付轮询超时, orderNumber:" << orderNumber;
            emit self->paymentFailed(orderNumber, QStringLiteral("支付超时"));
        });
}

void QmlApiAdapter::stopPollingPayment()
{
    qDebug().noquote() << "[QmlApiAdapter] 停止轮询支付状态";
    Services::PaymentService::instance()->stopPolling();
}

void QmlApiAdapter::getSubscriptionPlans()
{
    qDebug().noquote() << "[QmlApiAdapter] 获取套餐列表";
    Services::PaymentService::instance()->getSubscriptionPlans(
        relay<QList<Models::SubscriptionPlan>>(
            this, "[QmlApiAdapter] 套餐列表获取失败:", &QmlApiAdapter::plansError,
            [](QmlApiAdapter *self, const QList<Models::SubscriptionPlan> &plans) {
                const QVariantList list = QmlRecordMaps::plans(plans);
                qDebug().noquote() << "[QmlApiAdapter] 套餐列表获取成功, 数量:" << list.size();
                emit self->plansLoaded(list);
            }));
}

void QmlApiAdapter::sendHeartbeat(bool isConnected)
{
    qDebug().noquote() << "[QmlApiAdapter] 发送心跳, isConnected:" << isConnected;
    Services::HeartbeatService::instance()->sendHeartbeat(
        0, isConnected ? QStringLiteral("connected") : QStringLiteral("disconnected"), 0, 0, 0,
        relayResult<Models::HeartbeatResponse>(
            this, "[QmlApiAdapter] 心跳发送失败", &QmlApiAdapter::heartbeatError,
            QStringLiteral("心跳发送失败"),
            [](QmlApiAdapter *self, const Models::HeartbeatResponse &) {
                qDebug().noquote() << "[QmlApiAdapter] 心跳发送成功";
                emit self->heartbeatSent();
            }));
}

void QmlApiAdapter::getHeartbeatStats()
{
    qDebug().noquote() << "[QmlApiAdapter] 获取统计数据";
    Services::HeartbeatService::instance()->getStats(relayResult<Models::HeartbeatStats>(
        this, "[QmlApiAdapter] 统计数据获取失败", &QmlApiAdapter::heartbeatStatsError,
        QStringLiteral("获取统计数据失败"),
        [](QmlApiAdapter *self, const Models::HeartbeatStats &stats) {
            qDebug().noquote() << "[QmlApiAdapter] 统计数据获取成功";
            emit self->heartbeatStatsLoaded(QmlRecordMaps::heartbeatStats(stats));
        }));
}

void QmlApiAdapter::updateVpnTraffic(qint64 uploadBytes, qint64 downloadBytes)
{
    Services::HeartbeatService::instance()->updateTraffic(uploadBytes, downloadBytes);
}

void QmlApiAdapter::updateVpnLatency(int latencyMs)
{
    Services::HeartbeatService::instance()->setLatency(latencyMs);
}

int QmlApiAdapter::checkVpnPermission(int serverId, bool requiresVip)
{
    return static_cast<int>(ConnectPermission::check(ApiManager::instance()->isLoggedIn(), serverId,
                                                     requiresVip, m_userInfo));
}

QString QmlApiAdapter::getVpnFailureReasonText(int reasonCode)
{
    return Services::failureReasonText(reasonCode);
}

bool QmlApiAdapter::connectVpn(int serverId, const QString &vmessLink, bool requiresVip)
{
    qDebug().noquote() << "========================================";
    qDebug().noquote() << "[QmlApiAdapter] 🔵 connectVpn被调用";
    qDebug().noquote() << "  服务器ID:" << serverId;
    qDebug().noquote() << "  需要VIP:" << requiresVip;
    qDebug().noquote() << "  VMess链接长度:" << vmessLink.size();
    qDebug().noquote() << "  VMess链接前缀:" << vmessLink.left(kLinkPrefixLength);
    qDebug().noquote() << "  当前登录状态:" << ApiManager::instance()->isLoggedIn();
    qDebug().noquote() << "  当前用户VIP:" << m_userInfo.isVip;
    qDebug().noquote() << "========================================";

    if (vmessLink.isEmpty()) {
        qWarning().noquote() << "[QmlApiAdapter] ❌ VMess链接为空，无法连接";
        return false;
    }

    qDebug().noquote() << "[QmlApiAdapter] 🔍 检查VPN连接权限...";
    const int code = checkVpnPermission(serverId, requiresVip);
    if (code != static_cast<int>(ConnectionFailureReason::NoFailure)) {
        const QString text = Services::failureReasonText(code);
        qWarning().noquote() << "[QmlApiAdapter] ❌ VPN连接权限不足:" << text << "错误码:" << code;
        emit vpnPermissionDenied(code, text);
        emit vpnConnectionFailed(code, text);
        return false;
    }

    qDebug().noquote() << "[QmlApiAdapter] ✅ 权限检查通过";
    qDebug().noquote() << "[QmlApiAdapter] 📞 调用VpnConnectionService::connect...";
    // The engine tests its own copy of the account again, but not the VIP requirement.
    if (VpnConnectionService::instance()->connect(serverId, vmessLink)) {
        qDebug().noquote() << "[QmlApiAdapter] ✅ VPN连接请求已发送";
        return true;
    }
    qWarning().noquote() << "[QmlApiAdapter] ❌ VPN连接服务返回失败";
    return false;
}

void QmlApiAdapter::disconnectVpn()
{
    qDebug().noquote() << "[QmlApiAdapter] 断开VPN连接";
    VpnConnectionService::instance()->disconnect();
}

void QmlApiAdapter::setRoutingMode(int mode)
{
    qDebug().noquote() << "[QmlApiAdapter] 设置路由模式:"
                       << ConnectionFormat::routingModeText(mode);
    VpnConnectionService::instance()->setRoutingMode(mode);
}

void QmlApiAdapter::handleForceDisconnect(const QString &message)
{
    qWarning().noquote() << "[QmlApiAdapter] VPN被强制断开:" << message;
    emit vpnForceDisconnected(message);
    if (namesLoginElsewhere(message)) {
        qWarning().noquote() << "[QmlApiAdapter] 检测到单点登录，自动退出登录";
        // The adapter is the timer's context: the logout is dropped if it goes first.
        QTimer::singleShot(kForcedLogoutDelayMs, this, [this]() { logout(); });
    }
}

void QmlApiAdapter::logout()
{
    if (m_isLoggingOut) {
        qDebug().noquote() << "⚠️ [QmlApiAdapter] 正在退出登录中，忽略重复调用";
        return;
    }
    m_isLoggingOut = true;
    qDebug().noquote() << "🔴 [QmlApiAdapter] 开始退出登录流程";

    VpnConnectionService::instance()->onUserLoggedOut();

    const QPointer<QmlApiAdapter> self(this);
    ApiManager::instance()->logout(
        [self](bool success, const QString &) {
            if (!self)
                return;
            if (ApiManager::instance()->isLoggedIn()) {
                // Signed in again before the reply came: that login stays shown.
                self->m_isLoggingOut = false;
                return;
            }
            if (success)
                qDebug().noquote() << "✅ [QmlApiAdapter] API退出成功，清除本地数据";
            else
                qDebug().noquote()
                    << "⚠️ [QmlApiAdapter] API退出失败，但仍清除本地数据";
            self->resetUserInfo();
            emit self->userInfoChanged();
            emit self->loginStateChanged(false);
            if (success)
                qDebug().noquote() << "🔴 [QmlApiAdapter] 退出登录完成";
            self->m_isLoggingOut = false;
        });
}

} // namespace Orvo::Api
