#include "services/PaymentService.h"

#include <utility>

#include <QDebug>
#include <QTimer>
#include <QUrl>

#include "models/CreatePaymentRequest.h"
#include "models/CreatePaymentResponse.h"
#include "models/JsonReader.h"
#include "models/PaymentStatusResponse.h"
#include "network/ApiResponse.h"
#include "network/HttpClient.h"
#include "storage/TokenManager.h"
#include "services/ReplyFailure.h"

namespace Orvo::Api::Services {

using Models::CreatePaymentData;
using Models::PaymentStatusData;
using Models::SubscriptionPlan;
using Network::ApiResponse;
using Network::DataCallback;
using Network::HttpClient;

namespace {

constexpr int kPollIntervalMs = 5000;
constexpr int kMaxTimedPolls = 60;

// "." and ".." would be resolved as path steps and reach another endpoint.
bool isUsableOrderNumber(const QString &orderNumber)
{
    return orderNumber != QLatin1String(".") && orderNumber != QLatin1String("..");
}

} // namespace

PaymentService *PaymentService::instance()
{
    static PaymentService service;
    return &service;
}

PaymentService::PaymentService() : m_pollTimer(new QTimer(this))
{
    qRegisterMetaType<SubscriptionPlan>();
    qRegisterMetaType<QList<SubscriptionPlan>>();
    qRegisterMetaType<CreatePaymentData>();
    qRegisterMetaType<PaymentStatusData>();

    m_pollTimer->setInterval(kPollIntervalMs);
    QObject::connect(m_pollTimer, &QTimer::timeout, this, [this]() { pollTick(); });
    qDebug().noquote() << "[PaymentService] 初始化完成";
}

PaymentService::~PaymentService()
{
    stopPolling();
}

void PaymentService::getSubscriptionPlans(const DataCallback<QList<SubscriptionPlan>> &callback)
{
    qDebug().noquote() << "[PaymentService] 获取订阅套餐列表";

    HttpClient::instance()->getWithoutAuth(
        QStringLiteral("plans"), [this, callback](const ApiResponse &response) {
            if (reportedFailure(response, callback, "[PaymentService] 获取套餐列表失败:"))
                return;
            const QList<SubscriptionPlan> plans
                = Models::JsonReader::readObjectList<SubscriptionPlan>(
                    Models::JsonReader::readArray(response.json, QStringLiteral("data")),
                    &SubscriptionPlan::fromJson);
            m_plans = plans;
            if (callback)
                callback(true, QStringLiteral("获取成功"), plans);
            emit plansUpdated(plans);
            qDebug().noquote() << "[PaymentService] 套餐列表获取成功, 数量:" << plans.size();
        });
}

void PaymentService::createPayment(int planId, const QString &paymentMethod,
                                   const DataCallback<CreatePaymentData> &callback)
{
    qDebug().noquote() << "[PaymentService] 创建支付订单, 套餐ID:" << planId
                       << ", 支付方式:" << paymentMethod;

    Models::CreatePaymentRequest request;
    request.planId = planId;
    request.paymentMethod = paymentMethod;
    request.paymentProvider = QStringLiteral("ciyun");
    request.deviceId = Security::TokenManager::instance()->getDeviceId();
    request.equipment = QStringLiteral("Camrow加速器");

    HttpClient::instance()->post(
        QStringLiteral("payments/create"), request.toJson(),
        [this, callback](const ApiResponse &response) {
            if (reportedFailure(response, callback, "[PaymentService] 创建支付订单失败:"))
                return;
            const auto created = Models::CreatePaymentResponse::fromJson(response.json);
            if (callback)
                callback(true, created.message, created.data);
            emit paymentCreated(created.data);
            qDebug().noquote() << "[PaymentService] 支付订单创建成功:" << created.data.orderId;
        });
}

void PaymentService::getPaymentStatus(const QString &orderNumber,
                                      const DataCallback<PaymentStatusData> &callback)
{
    qDebug().noquote() << "[PaymentService] 查询支付状态:" << orderNumber;

    if (!isUsableOrderNumber(orderNumber)) {
        qWarning().noquote() << "[PaymentService] 订单号无效:" << orderNumber;
        // Callbacks never run inside the call that asked.
        QTimer::singleShot(0, this, [callback]() {
            if (callback)
                callback(false, QStringLiteral("订单号无效"), PaymentStatusData());
        });
        return;
    }

    // One encoded path segment: "/", "?" or "#" in a number cannot leave it.
    const QString segment = QString::fromLatin1(QUrl::toPercentEncoding(orderNumber));
    HttpClient::instance()->get(
        QStringLiteral("payments/status/") + segment, [callback](const ApiResponse &response) {
            if (reportedFailure(response, callback, QString()) || !callback)
                return;
            callback(true, QStringLiteral("查询成功"),
                     Models::PaymentStatusResponse::fromJson(response.json).data);
        });
}

void PaymentService::startPolling(const QString &orderNumber,
                                  const DataCallback<PaymentStatusData> &statusHandler,
                                  const Handler &completionHandler, const Handler &failureHandler)
{
    stopPolling();
    m_orderNumber = orderNumber;
    m_statusHandler = statusHandler;
    m_completionHandler = completionHandler;
    m_failureHandler = failureHandler;
    m_pollCount = 0;

    // The first answer only reports; the end rules start with the timed queries.
    const quint64 loopId = m_loopId;
    getPaymentStatus(
        orderNumber,
        [this, loopId](bool success, const QString &message, const PaymentStatusData &data) {
            if (loopId != m_loopId || !m_statusHandler)
                return;
            // A copy: the handler may stop polling, which releases it.
            const auto handler = m_statusHandler;
            handler(success, message, data);
        });
    m_pollTimer->start();
    qDebug().noquote() << "[PaymentService] 开始轮询支付状态:" << orderNumber;
}

void PaymentService::stopPolling()
{
    if (m_pollTimer->isActive()) {
        m_pollTimer->stop();
        qDebug().noquote() << "[PaymentService] 停止轮询支付状态";
    }
    m_orderNumber.clear();
    m_statusHandler = nullptr;
    m_completionHandler = nullptr;
    m_failureHandler = nullptr;
    m_pollCount = 0;
    ++m_loopId;
}

void PaymentService::setPollInterval(int milliseconds)
{
    m_pollTimer->setInterval(milliseconds);
}

void PaymentService::pollTick()
{
    if (m_orderNumber.isEmpty()) {
        stopPolling();
        return;
    }
    if (m_pollCount < kMaxTimedPolls) {
        ++m_pollCount;
        const quint64 loopId = m_loopId;
        getPaymentStatus(
            m_orderNumber,
            [this, loopId](bool success, const QString &message, const PaymentStatusData &data) {
                // A late answer of a stopped or replaced loop is not ours.
                if (loopId == m_loopId)
                    handlePolledReply(loopId, success, message, data);
            });
        return;
    }

    // Given up: the caller learns it through the failure handler only.
    const Handler failure = std::exchange(m_failureHandler, nullptr);
    stopPolling();
    if (failure)
        failure();
}

void PaymentService::handlePolledReply(quint64 loopId, bool success, const QString &message,
                                       const PaymentStatusData &data)
{
    if (m_statusHandler) {
        const auto handler = m_statusHandler;
        handler(success, message, data);
    }
    emit paymentStatusUpdated(data);
    // A handler that stopped or replaced the loop leaves the end rules to the new one.
    if (!success || loopId != m_loopId)
        return;

    // The handlers are taken out first, so they may start or stop polling again.
    if (data.status == QLatin1String("completed")) {
        const Handler completion = std::exchange(m_completionHandler, nullptr);
        stopPolling();
        emit paymentCompleted(data.orderId);
        if (completion)
            completion();
    } else if (data.status == QLatin1String("cancelled")
               || data.status == QLatin1String("refunded")) {
        const Handler failure = std::exchange(m_failureHandler, nullptr);
        stopPolling();
        emit paymentFailed(data.orderId, QStringLiteral("支付失败或已取消"));
        if (failure)
            failure();
    }
}

} // namespace Orvo::Api::Services
