#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

namespace Orvo::Api::Models {

// The service's answer to one heartbeat, grouped as its JSON is.
struct HeartbeatResponse
{
    struct ServerStatus
    {
        QString status;
        int currentUsers = 0;
        int maxUsers = 0;
        double cpuUsage = 0.0;
    };

    struct UserStatus
    {
        bool isVip = false;
        QString vipExpiresAt; // the service's text, not parsed
        double totalTrafficGb = 0.0;
        double todayTrafficGb = 0.0;
        bool trialUsed = false;
        QString trialExpiresAt; // the service's text, not parsed
        double trialHoursRemaining = 0.0;
    };

    struct DeviceStatus
    {
        QString status;
        bool forceDisconnect = false;
        QString message;
    };

    struct Data
    {
        int interval = 30; // seconds
        ServerStatus serverStatus;
        UserStatus userStatus;
        DeviceStatus deviceStatus;
    };

    bool success = false;
    Data data;

    // Reads the whole reply body; every missing or mistyped value keeps its default.
    static HeartbeatResponse fromJson(const QJsonObject &json);
};

} // namespace Orvo::Api::Models

Q_DECLARE_METATYPE(Orvo::Api::Models::HeartbeatResponse)
