#include "vpn/VpnConnectionService.h"

#include <QDebug>
#include <QThread>
#include <QTimer>

#include "models/User.h"
#include "security/CryptoUtil.h"
#include "services/HeartbeatService.h"
#include "storage/TokenManager.h"
#include "vpn/ConnectionFormat.h"
#include "vpn/EngineTimings.h"
#include "vpn/SystemProxyManager.h"
#include "vpn/Tun2SocksManager.h"
#include "vpn/V2RayCore.h"
#include "vpn/VmessParser.h"

namespace Orvo::Api::Services {

namespace {

// The core's local mixed inbound, where the system proxy or the tunnel points.
const QString kProxyAddress = QStringLiteral("socks://127.0.0.1:10315");
const QString kPlainLinkPrefix = QStringLiteral("vmess://");
constexpr int kSystemProxyMode = 0;
constexpr int kTunnelMode = 1;
constexpr double kTrialExpiredBelowHours = -0.01;
constexpr double kTrialRunningLowHours = 0.1;

} // namespace

VpnConnectionService *VpnConnectionService::instance()
{
    static VpnConnectionService service;
    return &service;
}

VpnConnectionService::VpnConnectionService() : m_durationTimer(new QTimer(this))
{
    HeartbeatService *heartbeat = HeartbeatService::instance();
    QObject::connect(heartbeat, &HeartbeatService::forceDisconnectRequired, this,
                     &VpnConnectionService::onForceDisconnect);
    QObject::connect(heartbeat, &HeartbeatService::userStatusUpdated, this,
                     &VpnConnectionService::onUserStatusUpdated);

    // The period is read as the timer starts, where a test may have shortened it.
    // A coarse timer may fire a little early and show the same second twice.
    m_durationTimer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_durationTimer, &QTimer::timeout, this,
                     &VpnConnectionService::onDurationTick);

    qDebug().noquote() << "[VpnConnectionService] 初始化完成";
}

VpnConnectionService::~VpnConnectionService()
{
    disconnect();
}

void VpnConnectionService::setRoutingMode(int mode)
{
    qDebug().noquote() << "[VpnConnectionService] 设置路由模式:"
                       << ConnectionFormat::routingModeText(mode);
    m_routingMode = mode;
}

bool VpnConnectionService::connect(int serverId, const QString &vmessLink)
{
    qDebug().noquote() << "[VpnConnectionService] 尝试连接服务器:" << serverId;

    if (m_state == VpnConnectionState::Connecting || m_state == VpnConnectionState::Connected) {
        qDebug().noquote() << "[VpnConnectionService] 当前已连接或正在连接，先断开";
        disconnect();
    }

    // The line's VIP requirement was tested by the caller.
    const ConnectionFailureReason code = checkConnectionPermission(serverId, false);
    if (code != ConnectionFailureReason::NoFailure) {
        const QString text = getFailureReasonText(code);
        qWarning().noquote() << "[VpnConnectionService] 连接权限检查失败:" << text;
        emit connectionFailed(code, text);
        emit permissionDenied(code, text);
        return false;
    }

    performConnect(serverId, vmessLink);
    return true;
}

void VpnConnectionService::performConnect(int serverId, const QString &vmessLink)
{
    qDebug().noquote() << "[VpnConnectionService] 开始连接流程, 服务器ID:" << serverId;
    m_teardownPending = false;
    m_serverId = serverId;
    m_vmessLink = vmessLink;
    setState(VpnConnectionState::Connecting);

    try {
        if (!m_core)
            createCore();

        QString link = vmessLink;
        if (!vmessLink.startsWith(kPlainLinkPrefix)) {
            qDebug().noquote() << "[VpnConnectionService] VMess链接已加密,开始解密...";
            const QString key = Security::TokenManager::instance()->getVpnEncryptKey();
            if (key.isEmpty()) {
                qWarning().noquote() << "[VpnConnectionService] 未设置VPN加密密钥";
            } else {
                link = Security::CryptoUtil::decryptVmessLink(vmessLink, key);
                if (link.isEmpty()) {
                    qWarning().noquote() << "[VpnConnectionService] VMess链接解密失败";
                    failConnection(ConnectionFailureReason::NetworkFailure);
                    return;
                }
                qDebug().noquote() << "[VpnConnectionService] VMess链接解密成功";
            }
        }

        Vpn::VmessConfig config = Vpn::VmessParser::parse(link);
        qDebug().noquote() << "[VpnConnectionService] VMess链接解析成功";

        config.globalRouting = m_routingMode != 0;
        qDebug().noquote() << "[VpnConnectionService] 路由模式:"
                           << ConnectionFormat::routingModeText(m_routingMode);

        if (!m_core->start(config)) {
            qWarning().noquote() << "[VpnConnectionService] VPN核心启动失败";
            // The core's own error report may already have failed the attempt.
            if (m_state == VpnConnectionState::Connecting)
                failConnection(ConnectionFailureReason::NetworkFailure);
            return;
        }
        qDebug().noquote() << "[VpnConnectionService] VPN核心已启动";
        // A report of the core during its start may already have ended the attempt.
        if (m_state != VpnConnectionState::Connecting)
            return;

        if (m_connectionMode == kSystemProxyMode) {
            qDebug().noquote() << "[VpnConnectionService] 使用系统代理模式";
            if (Vpn::SystemProxyManager::setSystemProxy(kProxyAddress))
                qDebug().noquote() << "[VpnConnectionService] 系统代理已设置";
            else
                qWarning().noquote() << "[VpnConnectionService] 设置系统代理失败";
        } else if (m_connectionMode == kTunnelMode) {
            qDebug().noquote() << "[VpnConnectionService] 使用VPN模式";
            QThread::msleep(
                static_cast<unsigned long>(Vpn::EngineTimings::current().tunnelPauseMs));
            if (!m_tunnel) {
                m_tunnel = new Vpn::Tun2SocksManager(this);
                QObject::connect(m_tunnel, &Vpn::Tun2SocksManager::error, this,
                                 &VpnConnectionService::onTunnelError);
                QObject::connect(m_tunnel, &Vpn::Tun2SocksManager::logOutput, this,
                                 [](const QString &line) { qDebug().noquote() << line; });
                qDebug().noquote() << "[VpnConnectionService] Tun2SocksManager已创建";
            }
            m_startingTunnel = true;
            const bool tunnelStarted = m_tunnel->start(kProxyAddress);
            m_startingTunnel = false;
            if (!tunnelStarted) {
                qWarning().noquote() << "[VpnConnectionService] 启动VPN隧道失败";
                // Nothing may keep running for an attempt that is given up.
                stopCore();
                failConnection(ConnectionFailureReason::NetworkFailure);
                return;
            }
            qDebug().noquote() << "[VpnConnectionService] VPN隧道已启动";
        }
    } catch (const QString &message) {
        qWarning().noquote() << "[VpnConnectionService] 连接异常:" << message;
        failConnection(ConnectionFailureReason::NetworkFailure);
    } catch (...) {
        qWarning().noquote() << "[VpnConnectionService] 未知异常";
        failConnection(ConnectionFailureReason::NetworkFailure);
    }
}

void VpnConnectionService::createCore()
{
    m_core = new Vpn::V2RayCore(this);
    QObject::connect(m_core, &Vpn::V2RayCore::connected, this,
                     &VpnConnectionService::onCoreConnected);
    QObject::connect(m_core, &Vpn::V2RayCore::disconnected, this,
                     &VpnConnectionService::onCoreEnded);
    QObject::connect(m_core, &Vpn::V2RayCore::error, this, &VpnConnectionService::onCoreError);
    QObject::connect(m_core, &Vpn::V2RayCore::trafficUpdate, this,
                     &VpnConnectionService::updateTrafficStats);
    QObject::connect(m_core, &Vpn::V2RayCore::logOutput, this,
                     [](const QString &line) { qDebug().noquote() << line; });
    qDebug().noquote() << "[VpnConnectionService] VPN核心已创建";
}

void VpnConnectionService::onCoreConnected()
{
    // Only an attempt in progress can be completed.
    if (m_state != VpnConnectionState::Connecting) {
        qDebug().noquote() << "[VpnConnectionService] 忽略核心就绪报告, 当前状态:"
                           << connectionStateText();
        return;
    }

    qDebug().noquote() << "[VpnConnectionService] VPN连接建立成功";
    setState(VpnConnectionState::Connected);
    emit connectionSuccess();
    // A receiver may already have ended the connection; start nothing for it.
    if (m_state != VpnConnectionState::Connected)
        return;

    qDebug().noquote() << "[VpnConnectionService] 启动心跳, 服务器ID:" << m_serverId;
    HeartbeatService::instance()->startAutoHeartbeat(m_serverId, 0);

    m_connectionStartTime = QDateTime::currentDateTime();
    m_connectionDuration = 0;
    m_durationTimer->start(Vpn::EngineTimings::current().durationTickMs);
    qDebug().noquote() << "[VpnConnectionService] 开始连接时长计时";
}

void VpnConnectionService::onDurationTick()
{
    if (m_state != VpnConnectionState::Connected)
        return;
    m_connectionDuration
        = static_cast<int>(m_connectionStartTime.secsTo(QDateTime::currentDateTime()));
    emit connectionDurationChanged(m_connectionDuration);
}

void VpnConnectionService::disconnect()
{
    if (m_state == VpnConnectionState::Disconnected) {
        qDebug().noquote() << "[VpnConnectionService] 已经是断开状态";
        return;
    }
    tearDown();
}

void VpnConnectionService::tearDown()
{
    m_teardownPending = false;
    qDebug().noquote() << "[VpnConnectionService] 断开VPN连接";
    setState(VpnConnectionState::Disconnecting);

    qDebug().noquote() << "[VpnConnectionService] 停止心跳";
    HeartbeatService::instance()->stopAutoHeartbeat();

    m_durationTimer->stop();
    qDebug().noquote() << "[VpnConnectionService] 停止连接时长计时, 总时长:"
                       << ConnectionFormat::formatDuration(m_connectionDuration);

    if (m_core)
        stopCore();

    if (m_connectionMode == kSystemProxyMode) {
        qDebug().noquote() << "[VpnConnectionService] 清除系统代理";
        Vpn::SystemProxyManager::clearSystemProxy();
    } else if (m_connectionMode == kTunnelMode) {
        qDebug().noquote() << "[VpnConnectionService] 停止VPN隧道";
        if (m_tunnel)
            m_tunnel->stop();
    }

    m_state = VpnConnectionState::Disconnected;
    m_serverId = 0;
    m_vmessLink.clear();
    m_connectionDuration = 0;
    m_uploadBytes = 0;
    m_downloadBytes = 0;
    m_previousUploadBytes = 0;
    m_previousDownloadBytes = 0;
    m_latency = 0;

    emit connectionStateChanged(m_state);
    emit disconnected();
    qDebug().noquote() << "[VpnConnectionService] VPN已断开";
}

void VpnConnectionService::stopCore()
{
    if (!m_core)
        return;
    m_stoppingCore = true;
    m_core->stop();
    m_stoppingCore = false;
}

void VpnConnectionService::failConnection(ConnectionFailureReason reason)
{
    qWarning().noquote() << "[VpnConnectionService] VPN连接失败:" << static_cast<int>(reason);
    m_state = VpnConnectionState::Disconnected;
    m_serverId = 0;
    m_vmessLink.clear();
    emit connectionStateChanged(m_state);
    emit connectionFailed(reason, getFailureReasonText(reason));
}

void VpnConnectionService::setState(VpnConnectionState state)
{
    m_state = state;
    emit connectionStateChanged(m_state);
}

void VpnConnectionService::onCoreError(const QString &message)
{
    qWarning().noquote() << "[VpnConnectionService] VPN错误:" << message;
    // Ending the core on purpose is no failure.
    if (m_state == VpnConnectionState::Disconnecting || m_stoppingCore)
        return;

    // An attempt that has already failed is reported once only; the core's
    // later reports of the same end add nothing.
    if (m_state != VpnConnectionState::Connecting && m_state != VpnConnectionState::Connected)
        return;

    failConnection(ConnectionFailureReason::NetworkFailure);

    // A core that still runs after its error is given up on here, so the proxy
    // never points at it and the next connect does not find it busy. One that
    // has ended is taken down when its end is reported.
    if (m_core && m_core->isRunning())
        tearDown();
    else
        m_teardownPending = true;
}

void VpnConnectionService::onCoreEnded()
{
    if (m_state == VpnConnectionState::Disconnecting || m_stoppingCore)
        return;
    qWarning().noquote() << "[VpnConnectionService] VPN意外断开";
    if (m_state == VpnConnectionState::Disconnected && m_teardownPending) {
        tearDown();
        return;
    }
    disconnect();
}

void VpnConnectionService::onTunnelError(const QString &message)
{
    qWarning().noquote() << "[VpnConnectionService] Tun2Socks错误:" << message;
    if (m_state == VpnConnectionState::Disconnecting || m_stoppingCore || m_startingTunnel)
        return;
    // Reported once: a crash brings a second report of the same end.
    if (m_state != VpnConnectionState::Connecting && m_state != VpnConnectionState::Connected)
        return;
    failConnection(ConnectionFailureReason::NetworkFailure);
    // Without its tunnel the connection is gone: the core, the heartbeat and
    // the duration stop with it, so the next connect finds the core free.
    tearDown();
}

void VpnConnectionService::onForceDisconnect(const QString &message)
{
    qWarning().noquote() << "[VpnConnectionService] 收到强制断开信号:" << message;
    qWarning().noquote() << "[VpnConnectionService] 被服务器强制断开:" << message;
    disconnect();
    emit forceDisconnected(message);
    emit connectionFailed(ConnectionFailureReason::ForcedOffline, message);
}

void VpnConnectionService::onUserStatusUpdated(bool isVip, double trialHoursRemaining)
{
    m_account.isVip = isVip;
    m_account.trialHoursRemaining = trialHoursRemaining;

    if (m_state != VpnConnectionState::Connected || m_account.isVip)
        return;

    qDebug().noquote() << "[VpnConnectionService] 免费用户状态检查:";
    qDebug().noquote() << "  体验剩余时长:" << trialHoursRemaining << "小时";

    if (trialHoursRemaining < kTrialExpiredBelowHours) {
        qWarning().noquote() << "[VpnConnectionService] 体验时长已到期，断开连接";
        disconnect();
        const ConnectionFailureReason reason = ConnectionFailureReason::TrialExpired;
        emit permissionDenied(reason, getFailureReasonText(reason));
    } else if (trialHoursRemaining >= 0.0 && trialHoursRemaining <= kTrialRunningLowHours) {
        qWarning().noquote() << "[VpnConnectionService] 体验时长即将用完:" << trialHoursRemaining
                             << "小时";
    }
}

ConnectionFailureReason VpnConnectionService::checkConnectionPermission(int serverId,
                                                                        bool requiresVip) const
{
    return m_account.checkPermission(serverId, requiresVip);
}

QString VpnConnectionService::getFailureReasonText(ConnectionFailureReason reason) const
{
    return failureReasonText(reason);
}

void VpnConnectionService::updateTrafficStats(qint64 uploadBytes, qint64 downloadBytes)
{
    m_previousUploadBytes = m_uploadBytes;
    m_previousDownloadBytes = m_downloadBytes;
    m_uploadBytes = uploadBytes;
    m_downloadBytes = downloadBytes;
    m_lastTrafficTime = QDateTime::currentDateTime();
    HeartbeatService::instance()->updateTraffic(uploadBytes, downloadBytes);
    emit trafficStatsChanged();
}

void VpnConnectionService::updateLatency(int latencyMs)
{
    m_latency = latencyMs;
    HeartbeatService::instance()->setLatency(latencyMs);
    emit latencyChanged();
}

void VpnConnectionService::updateUserInfo(const Models::User &user)
{
    m_account.loggedIn = true;
    m_account.isVip = user.isVip;
    m_account.trialUsed = user.trialUsed;
    m_account.trialHoursRemaining = user.trialHoursRemaining;
    m_account.status = user.status;
    m_account.vipExpiresAt = user.vipExpiresAt;
    qDebug().noquote() << "[VpnConnectionService] 用户信息已更新 - VIP:" << user.isVip
                       << ", 体验时长:" << user.trialHoursRemaining << "小时";
}

void VpnConnectionService::setConnectionModeForTesting(int mode)
{
    m_connectionMode = mode;
}

void VpnConnectionService::onUserLoggedOut()
{
    qDebug().noquote() << "[VpnConnectionService] 用户登出，断开连接";
    disconnect();
    m_account = ConnectionAccount();
}

bool VpnConnectionService::isConnected() const
{
    return m_state == VpnConnectionState::Connected;
}

bool VpnConnectionService::isConnecting() const
{
    return m_state == VpnConnectionState::Connecting;
}

QString VpnConnectionService::connectionStateText() const
{
    return Services::connectionStateText(m_state);
}

int VpnConnectionService::connectionDuration() const
{
    return m_connectionDuration;
}

QString VpnConnectionService::connectionDurationText() const
{
    return ConnectionFormat::formatDuration(m_connectionDuration);
}

qint64 VpnConnectionService::uploadBytes() const
{
    return m_uploadBytes;
}

qint64 VpnConnectionService::downloadBytes() const
{
    return m_downloadBytes;
}

QString VpnConnectionService::uploadSpeed() const
{
    return speedText(m_uploadBytes, m_previousUploadBytes);
}

QString VpnConnectionService::downloadSpeed() const
{
    return speedText(m_downloadBytes, m_previousDownloadBytes);
}

QString VpnConnectionService::speedText(qint64 current, qint64 previous) const
{
    if (m_state != VpnConnectionState::Connected || m_lastTrafficTime.isNull())
        return ConnectionFormat::formatSpeed(0, 1);
    qint64 seconds = m_lastTrafficTime.secsTo(QDateTime::currentDateTime());
    if (seconds <= 0)
        seconds = 1;
    return ConnectionFormat::formatSpeed(current - previous, static_cast<int>(seconds));
}

int VpnConnectionService::latency() const
{
    return m_latency;
}

} // namespace Orvo::Api::Services
