#pragma once

#include <QJsonObject>
#include <QString>

namespace Orvo::Api::Models {

// The body of one heartbeat.
struct HeartbeatRequest
{
    QString deviceId;
    int serverId = 0; // logged, never sent
    QString connectionStatus;
    qint64 uploadBytes = 0;
    qint64 downloadBytes = 0;
    int latencyMs = 0;

    QJsonObject toJson() const;
};

} // namespace Orvo::Api::Models
