#ifndef ORVO_TESTING_FAKEAPI_H
#define ORVO_TESTING_FAKEAPI_H

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace Orvo::Testing {

// Stands in for the "API" object in QML tests. Its meta-object has exactly the
// bridge's interface (tst_apiinterface compares the two), so QML sees the same
// names; signals are emitted from QML by calling them. Recording, return
// values and property values are plain C++ here and reach QML through
// FakeApiControl, which keeps them out of the checked interface.
class FakeApi : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(QString userEmail READ userEmail NOTIFY userInfoChanged)
    Q_PROPERTY(QString userName READ userName NOTIFY userInfoChanged)
    Q_PROPERTY(bool isVip READ isVip NOTIFY userInfoChanged)
    Q_PROPERTY(QString vipExpiresAt READ vipExpiresAt NOTIFY userInfoChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)
    Q_PROPERTY(int freeMinutes READ freeMinutes NOTIFY userInfoChanged)
    Q_PROPERTY(bool canConnect READ canConnect NOTIFY userInfoChanged)

public:
    struct Call
    {
        QString method;
        QVariantList arguments;
    };

    explicit FakeApi(QObject *parent = nullptr);
    ~FakeApi() override;
    Q_DISABLE_COPY_MOVE(FakeApi)

    bool isLoggedIn() const;
    QString userEmail() const;
    QString userName() const;
    bool isVip() const;
    QString vipExpiresAt() const;
    int vipDays() const;
    int freeMinutes() const;
    bool canConnect() const;

    // Sets a property's value and emits its NOTIFY signal, as the bridge does
    // when its value changes. Returns false for an unknown name or a value
    // that does not convert to the property's type.
    bool setValue(const QString &name, const QVariant &value);
    // Back to the logged-out values, no return values and no calls.
    void reset();
    void setReturnValue(const QString &method, const QVariant &value);
    const QList<Call> &calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }

    Q_INVOKABLE void login(const QString &email, const QString &password);
    Q_INVOKABLE void registerUser(const QString &email, const QString &password,
                                  const QString &name, const QString &refferCode = QString());
    Q_INVOKABLE void logout();
    Q_INVOKABLE void refreshUserInfo();
    Q_INVOKABLE void getServers(const QString &tier = QString());
    Q_INVOKABLE void getServerById(int serverId);
    Q_INVOKABLE void getAnnouncements();
    Q_INVOKABLE void getUserOrders();
    Q_INVOKABLE void getSystemConfig();
    Q_INVOKABLE void activateFreeTrial();
    Q_INVOKABLE void activateVipTrial();
    Q_INVOKABLE void getTrialStatus();
    Q_INVOKABLE void createPayment(int planId, const QString &paymentMethod);
    Q_INVOKABLE void getPaymentStatus(const QString &orderNumber);
    Q_INVOKABLE void startPollingPayment(const QString &orderNumber);
    Q_INVOKABLE void stopPollingPayment();
    Q_INVOKABLE void getSubscriptionPlans();
    Q_INVOKABLE void sendHeartbeat(bool isConnected);
    Q_INVOKABLE void getHeartbeatStats();
    Q_INVOKABLE void setRoutingMode(int mode);
    Q_INVOKABLE bool connectVpn(int serverId, const QString &vmessLink, bool requiresVip);
    Q_INVOKABLE void disconnectVpn();
    Q_INVOKABLE int checkVpnPermission(int serverId, bool requiresVip);
    Q_INVOKABLE QString getVpnFailureReasonText(int reasonCode);
    Q_INVOKABLE void updateVpnTraffic(qint64 uploadBytes, qint64 downloadBytes);
    Q_INVOKABLE void updateVpnLatency(int latencyMs);

signals:
    void loginSuccess();
    void loginError(const QString &message);
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversLoaded(const QVariantList &servers);
    void serversError(const QString &message);
    void serverDetailLoaded(const QVariantMap &server);
    void serverDetailError(const QString &message);
    void announcementsLoaded(const QVariantList &announcements);
    void announcementsError(const QString &message);
    void ordersLoaded(const QVariantList &orders);
    void ordersError(const QString &message);
    void systemConfigLoaded(const QVariantMap &config);
    void systemConfigError(const QString &message);
    void trialActivated(const QVariantMap &user);
    void trialActivationError(const QString &message);
    void trialStatusLoaded(const QVariantMap &status);
    void trialStatusError(const QString &message);
    void paymentCreated(const QVariantMap &paymentData);
    void paymentCreationError(const QString &message);
    void paymentStatusLoaded(const QVariantMap &statusData);
    void paymentStatusError(const QString &message);
    void paymentCompleted(const QString &orderNumber);
    void paymentFailed(const QString &orderNumber, const QString &message);
    void plansLoaded(const QVariantList &plans);
    void plansError(const QString &message);
    void heartbeatSent();
    void heartbeatError(const QString &message);
    void heartbeatStatsLoaded(const QVariantMap &stats);
    void heartbeatStatsError(const QString &message);
    void vpnConnected();
    void vpnConnectionFailed(int reasonCode, const QString &message);
    void vpnDisconnected();
    void vpnTrafficUpdate(qint64 uploadBytes, qint64 downloadBytes);
    void vpnForceDisconnected(const QString &message);
    void vpnPermissionDenied(int reasonCode, const QString &message);
    void vpnDurationChanged(int seconds);

private:
    void record(const QString &method, const QVariantList &arguments = {});

    QVariantMap m_values;
    QVariantMap m_returnValues;
    QList<Call> m_calls;
};

} // namespace Orvo::Testing

#endif
