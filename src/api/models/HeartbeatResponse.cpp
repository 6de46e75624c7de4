#include "models/HeartbeatResponse.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

namespace {

HeartbeatResponse::ServerStatus readServerStatus(const QJsonObject &json)
{
    HeartbeatResponse::ServerStatus result;
    result.status = JsonReader::readString(json, QStringLiteral("status"), result.status);
    result.currentUsers
        = JsonReader::readInt(json, QStringLiteral("current_users"), result.currentUsers);
    result.maxUsers = JsonReader::readInt(json, QStringLiteral("max_users"), result.maxUsers);
    result.cpuUsage = JsonReader::readDouble(json, QStringLiteral("cpu_usage"), result.cpuUsage);
    return result;
}

HeartbeatResponse::UserStatus readUserStatus(const QJsonObject &json)
{
    HeartbeatResponse::UserStatus result;
    result.isVip = JsonReader::readBool(json, QStringLiteral("is_vip"), result.isVip);
    result.vipExpiresAt
        = JsonReader::readString(json, QStringLiteral("vip_expires_at"), result.vipExpiresAt);
    result.totalTrafficGb
        = JsonReader::readDouble(json, QStringLiteral("total_traffic_gb"), result.totalTrafficGb);
    result.todayTrafficGb
        = JsonReader::readDouble(json, QStringLiteral("today_traffic_gb"), result.todayTrafficGb);
    result.trialUsed = JsonReader::readBool(json, QStringLiteral("trial_used"), result.trialUsed);
    result.trialExpiresAt
        = JsonReader::readString(json, QStringLiteral("trial_expires_at"), result.trialExpiresAt);
    result.trialHoursRemaining = JsonReader::readDouble(
        json, QStringLiteral("trial_hours_remaining"), result.trialHoursRemaining);
    return result;
}

HeartbeatResponse::DeviceStatus readDeviceStatus(const QJsonObject &json)
{
    HeartbeatResponse::DeviceStatus result;
    result.status = JsonReader::readString(json, QStringLiteral("status"), result.status);
    result.forceDisconnect
        = JsonReader::readBool(json, QStringLiteral("force_disconnect"), result.forceDisconnect);
    result.message = JsonReader::readString(json, QStringLiteral("message"), result.message);
    return result;
}

} // namespace

HeartbeatResponse HeartbeatResponse::fromJson(const QJsonObject &json)
{
    HeartbeatResponse result;
    result.success = JsonReader::readBool(json, QStringLiteral("success"), result.success);

    // A missing or non-object group reads as an empty object: all its defaults.
    const QJsonObject data = JsonReader::readObject(json, QStringLiteral("data"));
    result.data.interval
        = JsonReader::readInt(data, QStringLiteral("interval"), result.data.interval);
    result.data.serverStatus
        = readServerStatus(JsonReader::readObject(data, QStringLiteral("server_status")));
    result.data.userStatus
        = readUserStatus(JsonReader::readObject(data, QStringLiteral("user_status")));
    result.data.deviceStatus
        = readDeviceStatus(JsonReader::readObject(data, QStringLiteral("device_status")));
    return result;
}

} // namespace Orvo::Api::Models
