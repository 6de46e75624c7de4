#pragma once

#include <QObject>
#include <QString>

#include "models/HeartbeatResponse.h"
#include "models/HeartbeatStats.h"
#include "services/ResultCallback.h"

class QTimer;

namespace Orvo::Api::Network {
struct ApiResponse;
}

namespace Orvo::Api::Models {
struct HeartbeatRequest;
}

namespace Orvo::Api::Services {

// Tells the service that this device holds a VPN connection, and relays what
// the service answers about the account and the device.
class HeartbeatService : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HeartbeatService)

public:
    static HeartbeatService *instance();

    void sendHeartbeat(int serverId, const QString &status, qint64 uploadBytes,
                       qint64 downloadBytes, int latencyMs,
                       const ResultCallback<Models::HeartbeatResponse> &callback = {});
    void getStats(const ResultCallback<Models::HeartbeatStats> &callback);

    // An interval of 0 or less means the default of 30 seconds.
    void startAutoHeartbeat(int serverId, int intervalSeconds = 0);
    void stopAutoHeartbeat();

    // What the next heartbeat of the automatic series carries; nothing is sent.
    void setLatency(int latencyMs);
    void updateTraffic(qint64 uploadBytes, qint64 downloadBytes);

signals:
    void heartbeatSuccess(Orvo::Api::Models::HeartbeatResponse response);
    void heartbeatFailed(QString message);
    void forceDisconnectRequired(QString message);
    void userStatusUpdated(bool isVip, double trialHoursRemaining);

private:
    HeartbeatService();
    ~HeartbeatService() override;

    // `series` is the automatic series a heartbeat belongs to; 0 for one-off ones.
    void post(const Models::HeartbeatRequest &request, quint64 series,
              const ResultCallback<Models::HeartbeatResponse> &callback);
    void sendForSeries(const QString &status);
    void handleReply(const Network::ApiResponse &response, quint64 series,
                     const ResultCallback<Models::HeartbeatResponse> &callback);
    void applyReplyRules(const Models::HeartbeatResponse &response);
    void reportFailure(const QString &message,
                       const ResultCallback<Models::HeartbeatResponse> &callback);
    // The reply belongs to the series that runs now, or to no series at all.
    bool decidesForNow(quint64 series) const;
    void applyInterval(int seconds);
    void setPeriod(int seconds);

    // Whether a refused heartbeat of this series was already reported as a
    // forced disconnect.
    bool alreadyTold(quint64 series) const;
    void markTold(quint64 series);

    QTimer *m_timer;
    int m_serverId = 0;
    QString m_connectionStatus;
    qint64 m_uploadBytes = 0;
    qint64 m_downloadBytes = 0;
    int m_latencyMs = 0;
    quint64 m_series = 0; // number of the latest automatic series
    quint64 m_toldSeries = 0; // latest series that was told to disconnect
};

} // namespace Orvo::Api::Services
