#pragma once

#include <functional>

#include <QList>
#include <QObject>
#include <QString>

#include "models/CreatePaymentData.h"
#include "models/PaymentStatusData.h"
#include "models/SubscriptionPlan.h"
#include "network/Callbacks.h"

class QTimer;

namespace Orvo::Api::Services {

// Buying VIP time: the plans, the creation of a payment order and the
// watching of its status until it is paid, cancelled or given up on.
class PaymentService : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PaymentService)

public:
    using Handler = std::function<void()>;

    static PaymentService *instance();

    void
    getSubscriptionPlans(const Network::DataCallback<QList<Models::SubscriptionPlan>> &callback);
    void createPayment(int planId, const QString &paymentMethod,
                       const Network::DataCallback<Models::CreatePaymentData> &callback);

    void getPaymentStatus(const QString &orderNumber,
                          const Network::DataCallback<Models::PaymentStatusData> &callback);
    // Queries at once, then once per period until a final status or the
    // query limit; a loop already running is replaced without its handlers.
    void startPolling(const QString &orderNumber,
                      const Network::DataCallback<Models::PaymentStatusData> &statusHandler,
                      const Handler &completionHandler, const Handler &failureHandler);
    void stopPolling();

    // Lets tests shorten the period; the program keeps the default.
    void setPollInterval(int milliseconds);

signals:
    void plansUpdated(QList<Models::SubscriptionPlan> plans);
    void paymentCreated(Models::CreatePaymentData data);
    void paymentCompleted(QString orderNumber);
    void paymentFailed(QString orderNumber, QString message);
    void paymentStatusUpdated(Models::PaymentStatusData data);

private:
    PaymentService();
    ~PaymentService() override;

    void pollTick();
    void handlePolledReply(quint64 loopId, bool success, const QString &message,
                           const Models::PaymentStatusData &data);

    QList<Models::SubscriptionPlan> m_plans;
    QTimer *m_pollTimer;
    QString m_orderNumber;
    int m_pollCount = 0;
    Network::DataCallback<Models::PaymentStatusData> m_statusHandler;
    Handler m_completionHandler;
    Handler m_failureHandler;
    // Changes with every stop, so a reply can tell whether its loop still runs.
    quint64 m_loopId = 0;
};

} // namespace Orvo::Api::Services
