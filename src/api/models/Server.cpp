#include "models/Server.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

Server Server::fromJson(const QJsonObject &json)
{
    Server server;
    server.id = JsonReader::readInt(json, QStringLiteral("id"), server.id);
    server.name = JsonReader::readString(json, QStringLiteral("name"));
    server.appName = JsonReader::readString(json, QStringLiteral("app_name"));
    server.countryCode = JsonReader::readString(json, QStringLiteral("country_code"));
    server.city = JsonReader::readString(json, QStringLiteral("city"));
    server.location = JsonReader::readString(json, QStringLiteral("location"));
    server.hostname = JsonReader::readString(json, QStringLiteral("hostname"));
    server.host = JsonReader::readString(json, QStringLiteral("host"));
    server.ipAddress = JsonReader::readString(json, QStringLiteral("ip_address"));
    server.protocol = JsonReader::readString(json, QStringLiteral("protocol"));
    server.port = JsonReader::readInt(json, QStringLiteral("port"), server.port);
    server.transport = JsonReader::readString(json, QStringLiteral("transport"));
    server.tlsEnabled
        = JsonReader::readBool(json, QStringLiteral("tls_enabled"), server.tlsEnabled);
    server.sni = JsonReader::readString(json, QStringLiteral("sni"));
    server.status = JsonReader::readString(json, QStringLiteral("status"));
    server.isEnabled = JsonReader::readBool(json, QStringLiteral("is_enabled"), server.isEnabled);
    server.tier = JsonReader::readString(json, QStringLiteral("tier"));
    server.tierText = JsonReader::readString(json, QStringLiteral("tier_text"));
    server.requiresVip
        = JsonReader::readBool(json, QStringLiteral("requires_vip"), server.requiresVip);
    server.canConnect
        = JsonReader::readBool(json, QStringLiteral("can_connect"), server.canConnect);
    server.maxUsers = JsonReader::readInt(json, QStringLiteral("max_users"), server.maxUsers);
    server.currentUsers
        = JsonReader::readInt(json, QStringLiteral("current_users"), server.currentUsers);
    server.cpuUsage = JsonReader::readDouble(json, QStringLiteral("cpu_usage"), server.cpuUsage);
    server.latitude = JsonReader::readDouble(json, QStringLiteral("latitude"), server.latitude);
    server.longitude = JsonReader::readDouble(json, QStringLiteral("longitude"), server.longitude);
    server.vmessLink = JsonReader::readString(json, QStringLiteral("vmess_link"));
    server.createdAt = JsonReader::readString(json, QStringLiteral("created_at"));
    server.updatedAt = JsonReader::readString(json, QStringLiteral("updated_at"));
    return server;
}

QList<Server> Server::fromJsonArray(const QJsonArray &items)
{
    return JsonReader::readObjectList<Server>(items, &Server::fromJson);
}

QString Server::flagEmoji() const
{
    if (countryCode.size() != 2)
        return QStringLiteral("\U0001F310");

    // Shifts "A" onto REGIONAL INDICATOR SYMBOL LETTER A.
    constexpr char32_t kRegionalOffset = 0x1F1A5;
    // Unit by unit, so a letter whose upper case is longer cannot change the length.
    const char32_t points[] = { char32_t(countryCode.at(0).toUpper().unicode()) + kRegionalOffset,
                                char32_t(countryCode.at(1).toUpper().unicode()) + kRegionalOffset };
    return QString::fromUcs4(points, 2);
}

} // namespace Orvo::Api::Models
