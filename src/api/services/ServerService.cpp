#include "services/ServerService.h"

#include <QDebug>

#include "models/JsonReader.h"
#include "network/ApiResponse.h"
#include "network/HttpClient.h"
#include "services/ReplyFailure.h"

namespace Orvo::Api::Services {

using Models::Server;
using Network::ApiResponse;
using Network::DataCallback;
using Network::HttpClient;

ServerService *ServerService::instance()
{
    static ServerService service;
    return &service;
}

ServerService::ServerService()
{
    qRegisterMetaType<Server>();
    qRegisterMetaType<QList<Server>>();
    qDebug().noquote() << "[ServerService] 初始化完成";
}

ServerService::~ServerService() = default;

void ServerService::getServersByTier(const QString &tier,
                                     const DataCallback<QList<Server>> &callback)
{
    qDebug().noquote() << "[ServerService] 获取服务器列表, tier:"
                       << (tier.isEmpty() ? QStringLiteral("all") : tier);

    HttpClient::QueryItems query;
    if (!tier.isEmpty())
        query.insert(QStringLiteral("tier"), tier);

    HttpClient::instance()->get(
        QStringLiteral("servers"),
        [this, callback](const ApiResponse &response) {
            if (reportedFailure(response, callback, "[ServerService] 获取服务器列表失败:"))
                return;
            const QList<Server> servers = Server::fromJsonArray(
                Models::JsonReader::readArray(response.json, QStringLiteral("data")));
            m_servers = servers;
            if (callback)
                callback(true, QStringLiteral("获取成功"), servers);
            emit serversUpdated(servers);
            qDebug().noquote() << "[ServerService] 服务器列表获取成功, 数量:" << servers.size();
        },
        query);
}

void ServerService::getAllServers(const DataCallback<QList<Server>> &callback)
{
    getServersByTier(QString(), callback);
}

void ServerService::getFreeServers(const DataCallback<QList<Server>> &callback)
{
    getServersByTier(QStringLiteral("free"), callback);
}

void ServerService::getVipServers(const DataCallback<QList<Server>> &callback)
{
    getServersByTier(QStringLiteral("vip"), callback);
}

void ServerService::getServerById(int id, const DataCallback<Server> &callback)
{
    qDebug().noquote() << "[ServerService] 获取服务器详情, ID:" << id;

    HttpClient::instance()->get(
        QStringLiteral("servers/%1").arg(id), [callback](const ApiResponse &response) {
            if (reportedFailure(response, callback, "[ServerService] 获取服务器详情失败:"))
                return;
            const Server server = Server::fromJson(
                Models::JsonReader::readObject(response.json, QStringLiteral("data")));
            if (callback)
                callback(true, QStringLiteral("获取成功"), server);
            qDebug().noquote() << "[ServerService] 服务器详情获取成功:" << server.name;
        });
}

QList<Server> ServerService::servers() const
{
    return m_servers;
}

void ServerService::clearCache()
{
    m_servers.clear();
    qDebug().noquote() << "[ServerService] 服务器缓存已清除";
}

} // namespace Orvo::Api::Services
