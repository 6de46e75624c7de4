#include "services/HeartbeatService.h"

#include <limits>

#include <QCoreApplication>
#include <QDebug>
#include <QJsonObject>
#include <QJsonValue>
#include <QTimer>

#include "models/HeartbeatRequest.h"
#include "network/ApiResponse.h"
#include "network/HttpClient.h"
#include "storage/TokenManager.h"
#include "vpn/EngineTimings.h"

namespace Orvo::Api::Services {

namespace {

constexpr int kDefaultIntervalSeconds = 30;
const QString kConnected = QStringLiteral("connected");
const QString kDisconnected = QStringLiteral("disconnected");
const QString kActive = QStringLiteral("active");
const QString kUnreadableReply = QStringLiteral("心跳响应无法解析");

// Whether an interval in seconds fits a timer in milliseconds; a warning when not.
bool fitsTimer(int seconds)
{
    if (static_cast<qint64>(seconds) * 1000 <= std::numeric_limits<int>::max())
        return true;
    qWarning().noquote() << "[HeartbeatService] 心跳间隔过大, 已忽略:" << seconds << "秒";
    return false;
}

// A reply says something about this device and account only when it holds both
// statuses; one that does not (not JSON, a page of a proxy, an empty "data") is
// no verdict, and its defaults must not pass for one.
bool isReadable(const QJsonObject &body)
{
    const QJsonValue data = body.value(QStringLiteral("data"));
    if (!data.isObject())
        return false;
    const QJsonObject fields = data.toObject();
    return fields.value(QStringLiteral("device_status")).isObject()
        && fields.value(QStringLiteral("user_status")).isObject();
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
        if (!isReadable(response.json)) {
            reportFailure(kUnreadableReply, callback);
            return;
        }
        const Models::HeartbeatResponse reply = Models::HeartbeatResponse::fromJson(response.json);
        qDebug().noquote() << "[HeartbeatService] 心跳发送成功";
        // What the service said to a series that has ended (its own last
        // heartbeat included) is old news for whatever runs now.
        if (decidesForNow(series))
            applyReplyRules(reply);
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
        if (!alreadyTold(series)) {
            markTold(series);
            stopAutoHeartbeat();
            emit forceDisconnectRequired(reason);
        }
    }
    reportFailure(response.errorMessage(), callback);
}

void HeartbeatService::reportFailure(const QString &message,
                                     const ResultCallback<Models::HeartbeatResponse> &callback)
{
    if (callback)
        callback(false, Models::HeartbeatResponse());
    emit heartbeatFailed(message);
    qWarning().noquote() << "[HeartbeatService] 心跳发送失败:" << message;
}

bool HeartbeatService::decidesForNow(quint64 series) const
{
    return series == 0 || (series == m_series && m_timer->isActive());
}

void HeartbeatService::applyReplyRules(const Models::HeartbeatResponse &response)
{
    const Models::HeartbeatResponse::DeviceStatus &device = response.data.deviceStatus;
    // Anything but exactly "active" means off the line.
    if (device.forceDisconnect || device.status != kActive) {
        qWarning().noquote() << "[HeartbeatService] 需要强制断开连接:" << device.message;
        emit forceDisconnectRequired(device.message);
    }

    const Models::HeartbeatResponse::UserStatus &user = response.data.userStatus;
    emit userStatusUpdated(user.isVip, user.trialHoursRemaining);

    applyInterval(response.data.interval);
}

void HeartbeatService::applyInterval(int seconds)
{
    // 30 is the default and deliberately does not undo an earlier change.
    if (seconds <= 0 || seconds == kDefaultIntervalSeconds || !fitsTimer(seconds))
        return;
    setPeriod(seconds);
    qDebug().noquote() << "[HeartbeatService] 更新心跳间隔为:" << seconds << "秒";
}

void HeartbeatService::setPeriod(int seconds)
{
    // A running timer restarts with the new period.
    const qint64 periodMs
        = static_cast<qint64>(seconds) * Vpn::EngineTimings::current().heartbeatSecondMs;
    m_timer->setInterval(static_cast<int>(qMin<qint64>(periodMs, std::numeric_limits<int>::max())));
}

void HeartbeatService::startAutoHeartbeat(int serverId, int intervalSeconds)
{
    stopAutoHeartbeat();

    int seconds = intervalSeconds > 0 ? intervalSeconds : kDefaultIntervalSeconds;
    if (!fitsTimer(seconds))
        seconds = kDefaultIntervalSeconds;

    ++m_series;
    m_serverId = serverId;
    m_connectionStatus = kConnected;
    setPeriod(seconds);
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

bool HeartbeatService::alreadyTold(quint64 series) const
{
    // A series that still runs was not ended by the forced disconnect (nobody
    // acted on it), so it is told again.
    const bool running = m_timer->isActive() && series == m_series;
    return series != 0 && series == m_toldSeries && !running;
}

void HeartbeatService::markTold(quint64 series)
{
    if (m_timer->isActive())
        m_toldSeries = m_series;
    else if (series != 0)
        m_toldSeries = series;
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
