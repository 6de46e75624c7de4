#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include "vpn/ConnectionAccount.h"
#include "vpn/ConnectionFailureReason.h"
#include "vpn/VpnConnectionState.h"

class QTimer;

namespace Orvo::Api::Models {
struct User;
}

namespace Orvo::Api::Vpn {
class V2RayCore;
class Tun2SocksManager;
} // namespace Orvo::Api::Vpn

namespace Orvo::Api::Services {

// The connection state machine: permission, connect, disconnect, the duration
// and traffic figures, and the service's orders to end a connection.
class VpnConnectionService : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VpnConnectionService)

    Q_PROPERTY(bool isConnected READ isConnected NOTIFY connectionStateChanged)
    Q_PROPERTY(bool isConnecting READ isConnecting NOTIFY connectionStateChanged)
    Q_PROPERTY(QString connectionStateText READ connectionStateText NOTIFY connectionStateChanged)
    Q_PROPERTY(int connectionDuration READ connectionDuration NOTIFY connectionDurationChanged)
    Q_PROPERTY(
        QString connectionDurationText READ connectionDurationText NOTIFY connectionDurationChanged)
    Q_PROPERTY(qint64 uploadBytes READ uploadBytes NOTIFY trafficStatsChanged)
    Q_PROPERTY(qint64 downloadBytes READ downloadBytes NOTIFY trafficStatsChanged)
    Q_PROPERTY(QString uploadSpeed READ uploadSpeed NOTIFY trafficStatsChanged)
    Q_PROPERTY(QString downloadSpeed READ downloadSpeed NOTIFY trafficStatsChanged)
    Q_PROPERTY(int latency READ latency NOTIFY latencyChanged)

public:
    static VpnConnectionService *instance();

    Q_INVOKABLE void setRoutingMode(int mode);
    Q_INVOKABLE bool connect(int serverId, const QString &vmessLink);
    Q_INVOKABLE void disconnect();
    Q_INVOKABLE Orvo::Api::Services::ConnectionFailureReason
    checkConnectionPermission(int serverId, bool requiresVip) const;
    Q_INVOKABLE QString
    getFailureReasonText(Orvo::Api::Services::ConnectionFailureReason reason) const;
    Q_INVOKABLE void updateTrafficStats(qint64 uploadBytes, qint64 downloadBytes);
    Q_INVOKABLE void updateLatency(int latencyMs);

    void updateUserInfo(const Models::User &user);
    void onUserLoggedOut();

    bool isConnected() const;
    bool isConnecting() const;
    QString connectionStateText() const;
    int connectionDuration() const;
    QString connectionDurationText() const;
    qint64 uploadBytes() const;
    qint64 downloadBytes() const;
    QString uploadSpeed() const;
    QString downloadSpeed() const;
    int latency() const;

signals:
    void connectionStateChanged(Orvo::Api::Services::VpnConnectionState state);
    void connectionSuccess();
    void connectionFailed(Orvo::Api::Services::ConnectionFailureReason reason, QString message);
    void disconnected();
    void connectionDurationChanged(int seconds);
    void trafficStatsChanged();
    void latencyChanged();
    void forceDisconnected(QString message);
    void permissionDenied(Orvo::Api::Services::ConnectionFailureReason reason, QString message);

private:
    VpnConnectionService();
    ~VpnConnectionService() override;

    void performConnect(int serverId, const QString &vmessLink);
    void createCore();
    void onCoreConnected();
    void onDurationTick();
    void failConnection(ConnectionFailureReason reason);
    // Everything a disconnect does once it is known that there is something to end.
    void tearDown();
    // Stops the core on purpose: what it reports while ending is no failure.
    void stopCore();
    void setState(VpnConnectionState state);
    QString speedText(qint64 current, qint64 previous) const;

    void onCoreError(const QString &message);
    void onCoreEnded();
    void onTunnelError(const QString &message);
    void onForceDisconnect(const QString &message);
    void onUserStatusUpdated(bool isVip, double trialHoursRemaining);

    VpnConnectionState m_state = VpnConnectionState::Disconnected;
    int m_connectionMode = 0;
    int m_routingMode = 1;
    int m_serverId = 0;
    QString m_vmessLink;
    ConnectionAccount m_account;

    QTimer *m_durationTimer = nullptr;
    QDateTime m_connectionStartTime;
    int m_connectionDuration = 0;

    qint64 m_uploadBytes = 0;
    qint64 m_downloadBytes = 0;
    qint64 m_previousUploadBytes = 0;
    qint64 m_previousDownloadBytes = 0;
    QDateTime m_lastTrafficTime;
    int m_latency = 0;

    Vpn::V2RayCore *m_core = nullptr;
    Vpn::Tun2SocksManager *m_tunnel = nullptr;

    // A core error ended the attempt or the connection, and the teardown that
    // the core's end brings is still to run.
    bool m_teardownPending = false;
    bool m_stoppingCore = false;
};

} // namespace Orvo::Api::Services
