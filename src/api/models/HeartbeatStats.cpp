#include "models/HeartbeatStats.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

HeartbeatStats HeartbeatStats::fromJson(const QJsonObject &json)
{
    HeartbeatStats result;
    const QJsonObject data = JsonReader::readObject(json, QStringLiteral("data"));
    result.onlineUsers
        = JsonReader::readInt(data, QStringLiteral("online_users"), result.onlineUsers);
    result.onlineDevices
        = JsonReader::readInt(data, QStringLiteral("online_devices"), result.onlineDevices);
    return result;
}

} // namespace Orvo::Api::Models
