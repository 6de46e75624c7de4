#include "services/HeartbeatService.h"

#include <limits>

#include <QCoreApplication>
#include <QDebug>
#include <QTimer>

#include "models/HeartbeatRequest.h"
#include "network/ApiResponse.h"
#include "network/HttpClient.h"
#include "storage/TokenManager.h"

namespace Orvo::Api::Services {

namespace {

constexpr int kDefaultIntervalSeconds = 30;
const QString kConnected = QStringLiteral("connected");
const QString kDisconnected = QStringLiteral("disconnected");
const QString kActive = QStringLiteral("active");

int g_timeCompression = 1;

// Milliseconds for a period in seconds, or -1 when it does not fit a timer.
// The timer period of an interval in seconds; -1, and a warning, when it does
// not fit a timer.
qint64 periodMsFor(int seconds)
{
    const qint64 periodMs = static_cast<qint64>(seconds) * 1000;
    if (periodMs <= std::numeric_limits<int>::max())
        return periodMs;
    qWarning().noquote() << "[HeartbeatService] 心跳间隔过大, 已忽略:" << seconds << "秒";
    return -1;
}

} // namespace

HeartbeatService *HeartbeatService::instance()
{
    static HeartbeatService service;
    return &service;
}

HeartbeatService::HeartbeatService() : m_timer(new QTimer(this)), m_connectionStatus(kDisconnected)
{
    qRegisterMetaType<Models::HeartbeatResponse>();

    // Every heartbeat needs both. Created first, they are destroyed after this
    // service, so its destructor never reaches a destroyed one.
    Network::HttpClient::instance();
    Security::TokenManager::instance();

    m_timer->setSingleShot(false);
    QObject::connect(m_timer, &QTimer::timeout, this,
                     [this]() { sendForSeries(m_connectionStatus); });
    qDebug().noquote() << "[HeartbeatService] 初始化完成";
}

HeartbeatService::~HeartbeatService()
{
    stopAutoHeartbeat();
}

void HeartbeatService::setTimeCompressionForTesting(int factor)
{
    g_timeCompression = factor > 0 ? factor : 1;
}

void HeartbeatService::sendHeartbeat(int serverId, const QString &status, qint64 uploadBytes,
                                     qint64 downloadBytes, int latencyMs,
                                     const ResultCallback<Models::HeartbeatResponse> &callback)
{
    Models::HeartbeatRequest request;
    request.serverId = serverId;
    request.connectionStatus = status;
    request.uploadBytes = uploadBytes;
    request.downloadBytes = downloadBytes;
    request.latencyMs = latencyMs;
    post(request, 0, callback);
}

void HeartbeatService::sendForSeries(const QString &status)
{
    Models::HeartbeatRequest request;
    request.serverId = m_serverId;
    request.connectionStatus = status;
    request.uploadBytes = m_uploadBytes;
    request.downloadBytes = m_downloadBytes;
    request.latencyMs = m_latencyMs;
    post(request, m_series, {});
}

void HeartbeatService::post(const Models::HeartbeatRequest &request, quint64 series,
                            const ResultCallback<Models::HeartbeatResponse> &callback)
{
    // Without the application object there is no event loop and no network any
    // more (and the other singletons may be gone): nothing can be sent.
    if (!QCoreApplication::instance())
        return;

    const QString token = Network::HttpClient::instance()->authToken();
    if (token.isEmpty()) {
        qWarning().noquote() << "[HeartbeatService] 心跳发送失败: Token为空";
        if (callback)
            callback(false, Models::HeartbeatResponse());
        emit heartbeatFailed(QStringLiteral("Token为空，请先登录"));
        return;
    }

    qDebug().noquote() << "[HeartbeatService] 发送心跳, 服务器ID:" << request.serverId
                       << ", 状态:" << request.connectionStatus << ", Token长度:" << token.length();

    Models::HeartbeatRequest body = request;
    body.deviceId = Security::TokenManager::instance()->getDeviceId();
    Network::HttpClient::instance()->post(
        QStringLiteral("heartbeat"), body.toJson(),
        [this, series, callback](const Network::ApiResponse &response) {
            handleReply(response, series, callback);
        });
}

void HeartbeatService::handleReply(const Network::ApiResponse &response, quint64 series,
                                   const ResultCallback<Models::HeartbeatResponse> &callback)
{
    if (response.isSuccess()) {
        const Models::HeartbeatResponse reply = Models::HeartbeatResponse::fromJson(response.json);
        qDebug().noquote() << "[HeartbeatService] 心跳发送成功";
        applyReplyRules(reply, series);
        if (callback)
            callback(true, reply);
        emit heartbeatSuccess(reply);
        return;
    }

    if (response.statusCode == 401) {
        qWarning().noquote() << "[HeartbeatService] 检测到401错误，用户可能在其他设备登录";
        // The final heartbeat of a series ended for this reason carries the
        // same token and is refused too: the user was told once already.
        const QString reason = QStringLiteral("您的账号在其他设备登录，已被强制下线");
        if (!alreadyTold(series, reason)) {
            markTold(series, reason);
            stopAutoHeartbeat();
            emit forceDisconnectRequired(reason);
        }
    }

    const QString message = response.errorMessage();
    if (callback)
        callback(false, Models::HeartbeatResponse());
    emit heartbeatFailed(message);
    qWarning().noquote() << "[HeartbeatService] 心跳发送失败:" << message;
}

void HeartbeatService::applyReplyRules(const Models::HeartbeatResponse &response, quint64 series)
{
    const Models::HeartbeatResponse::DeviceStatus &device = response.data.deviceStatus;
    // Anything but exactly "active" (a missing status included) means off the line.
    if (device.forceDisconnect || device.status != kActive) {
        if (!alreadyTold(series, device.message)) {
            qWarning().noquote() << "[HeartbeatService] 需要强制断开连接:" << device.message;
            markTold(series, device.message);
            emit forceDisconnectRequired(device.message);
        }
    }

    const Models::HeartbeatResponse::UserStatus &user = response.data.userStatus;
    emit userStatusUpdated(user.isVip, user.trialHoursRemaining);

    applyInterval(response.data.interval);
}

void HeartbeatService::applyInterval(int seconds)
{
    // 30 is the default and deliberately does not undo an earlier change.
    if (seconds <= 0 || seconds == kDefaultIntervalSeconds)
        return;
    const qint64 periodMs = periodMsFor(seconds);
    if (periodMs < 0)
        return;
    setPeriodMs(periodMs);
    qDebug().noquote() << "[HeartbeatService] 更新心跳间隔为:" << seconds << "秒";
}

void HeartbeatService::setPeriodMs(qint64 periodMs)
{
    // A running timer restarts with the new period.
    m_timer->setInterval(static_cast<int>(periodMs / g_timeCompression));
}

void HeartbeatService::startAutoHeartbeat(int serverId, int intervalSeconds)
{
    stopAutoHeartbeat();

    int seconds = intervalSeconds > 0 ? intervalSeconds : kDefaultIntervalSeconds;
    qint64 periodMs = periodMsFor(seconds);
    if (periodMs < 0) {
        seconds = kDefaultIntervalSeconds;
        periodMs = periodMsFor(seconds);
    }

    ++m_series;
    m_serverId = serverId;
    m_connectionStatus = kConnected;
    setPeriodMs(periodMs);
    sendForSeries(m_connectionStatus);
    m_timer->start();
    qDebug().noquote() << "[HeartbeatService] 开始自动心跳, 服务器ID:" << serverId
                       << ", 间隔:" << seconds << "秒";
}

void HeartbeatService::stopAutoHeartbeat()
{
    // At exit, after the application object is gone, neither the timer nor
    // the network may be touched: the series simply ends with the process.
    if (m_timer->isActive() && QCoreApplication::instance()) {
        m_timer->stop();
        sendForSeries(kDisconnected);
        qDebug().noquote() << "[HeartbeatService] 停止自动心跳";
    }
    m_serverId = 0;
    m_connectionStatus = kDisconnected;
    m_uploadBytes = 0;
    m_downloadBytes = 0;
    m_latencyMs = 0;
}

void HeartbeatService::setLatency(int latencyMs)
{
    m_latencyMs = latencyMs;
}

void HeartbeatService::updateTraffic(qint64 uploadBytes, qint64 downloadBytes)
{
    m_uploadBytes = uploadBytes;
    m_downloadBytes = downloadBytes;
}

bool HeartbeatService::alreadyTold(quint64 series, const QString &message) const
{
    // A series that still runs was not ended by the forced disconnect (nobody
    // acted on it), so it is told again; so is another reason, which may ask
    // for more than the first (a sign-out after "signed in elsewhere").
    const bool running = m_timer->isActive() && series == m_series;
    return series != 0 && series == m_toldSeries && message == m_toldMessage && !running;
}

void HeartbeatService::markTold(quint64 series, const QString &message)
{
    if (m_timer->isActive())
        m_toldSeries = m_series;
    else if (series != 0)
        m_toldSeries = series;
    m_toldMessage = message;
}

void HeartbeatService::getStats(const ResultCallback<Models::HeartbeatStats> &callback)
{
    qDebug().noquote() << "[HeartbeatService] 获取统计数据";
    Network::HttpClient::instance()->get(
        QStringLiteral("heartbeat/stats"), [callback](const Network::ApiResponse &response) {
            if (!callback)
                return;
            if (response.isSuccess())
                callback(true, Models::HeartbeatStats::fromJson(response.json));
            else
                callback(false, Models::HeartbeatStats());
        });
}

} // namespace Orvo::Api::Services
