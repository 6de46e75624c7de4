#pragma once

#include <QJsonObject>

namespace Orvo::Api::Models {

// The service's online counts.
struct HeartbeatStats
{
    int onlineUsers = 0;
    int onlineDevices = 0;

    static HeartbeatStats fromJson(const QJsonObject &json);
};

} // namespace Orvo::Api::Models
