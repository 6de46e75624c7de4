#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>

namespace Orvo::Api::Models {

// One VPN line of the service: what the screens show and what a connect needs.
struct Server
{
    int id = 0;
    QString name;
    QString appName;
    QString countryCode;
    QString city;
    QString location;
    QString hostname;
    QString host;
    QString ipAddress;
    QString protocol;
    int port = 443;
    QString transport;
    bool tlsEnabled = true;
    QString sni;
    QString status;
    bool isEnabled = true;
    QString tier;
    QString tierText;
    bool requiresVip = false;
    bool canConnect = false;
    int maxUsers = 0;
    int currentUsers = 0;
    double cpuUsage = 0.0;
    double latitude = 0.0;
    double longitude = 0.0;
    QString vmessLink;
    QString createdAt;
    QString updatedAt;

    static Server fromJson(const QJsonObject &json);
    static QList<Server> fromJsonArray(const QJsonArray &items);

    // The regional-indicator pair of a two-unit country code, else a globe.
    QString flagEmoji() const;
};

} // namespace Orvo::Api::Models

Q_DECLARE_METATYPE(Orvo::Api::Models::Server)
