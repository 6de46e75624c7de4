#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include "bridge/UserDisplayInfo.h"

namespace Orvo::Api {

// The one object through which the QML screens reach the backend, registered
// as "API". It owns no service: it calls the singletons, turns their records
// into QML values and reports every outcome through its signals.
class QmlApiAdapter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QmlApiAdapter)

    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(QString userEmail READ userEmail NOTIFY userInfoChanged)
    Q_PROPERTY(QString userName READ userName NOTIFY userInfoChanged)
    Q_PROPERTY(bool isVip READ isVip NOTIFY userInfoChanged)
    Q_PROPERTY(QString vipExpiresAt READ vipExpiresAt NOTIFY userInfoChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)
    Q_PROPERTY(int freeMinutes READ freeMinutes NOTIFY userInfoChanged)
    Q_PROPERTY(bool canConnect READ canConnect NOTIFY userInfoChanged)

public:
    explicit QmlApiAdapter(QObject *parent = nullptr);
    ~QmlApiAdapter() override;

    bool isLoggedIn() const;
    QString userEmail() const { return m_userInfo.email; }
    QString userName() const { return m_userInfo.name; }
    bool isVip() const { return m_userInfo.isVip; }
    QString vipExpiresAt() const { return m_userInfo.vipExpiresAt; }
    int vipDays() const { return m_userInfo.vipDays; }
    int freeMinutes() const { return m_userInfo.freeMinutes; }
    bool canConnect() const;

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
    void loginError(QString message);
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversLoaded(QVariantList servers);
    void serversError(QString message);
    void serverDetailLoaded(QVariantMap server);
    void serverDetailError(QString message);
    void announcementsLoaded(QVariantList announcements);
    void announcementsError(QString message);
    void ordersLoaded(QVariantList orders);
    void ordersError(QString message);
    void systemConfigLoaded(QVariantMap config);
    void systemConfigError(QString message);
    void trialActivated(QVariantMap user);
    void trialActivationError(QString message);
    void trialStatusLoaded(QVariantMap status);
    void trialStatusError(QString message);
    void paymentCreated(QVariantMap paymentData);
    void paymentCreationError(QString message);
    void paymentStatusLoaded(QVariantMap statusData);
    void paymentStatusError(QString message);
    void paymentCompleted(QString orderNumber);
    void paymentFailed(QString orderNumber, QString message);
    void plansLoaded(QVariantList plans);
    void plansError(QString message);
    void heartbeatSent();
    void heartbeatError(QString message);
    void heartbeatStatsLoaded(QVariantMap stats);
    void heartbeatStatsError(QString message);
    void vpnConnected();
    void vpnConnectionFailed(int reasonCode, QString message);
    void vpnDisconnected();
    void vpnTrafficUpdate(qint64 uploadBytes, qint64 downloadBytes);
    void vpnForceDisconnected(QString message);
    void vpnPermissionDenied(int reasonCode, QString message);
    void vpnDurationChanged(int seconds);

private:
    void setupConnections();
    void updateUserInfo();
    void handleForceDisconnect(const QString &message);
    // Login and registration end alike; only the log texts differ.
    void completeSignIn(const QString &email, const char *successText, const char *refreshText);
    void resetUserInfo();

    UserDisplayInfo m_userInfo;
    bool m_isLoggingOut = false;
};

} // namespace Orvo::Api
