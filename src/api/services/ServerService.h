#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "models/Server.h"
#include "network/Callbacks.h"

namespace Orvo::Api::Services {

// Fetches the service's VPN lines and holds the last list received.
class ServerService : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerService)

public:
    static ServerService *instance();

    // An empty tier asks for every line.
    void getServersByTier(const QString &tier,
                          const Network::DataCallback<QList<Models::Server>> &callback);
    void getAllServers(const Network::DataCallback<QList<Models::Server>> &callback);
    void getFreeServers(const Network::DataCallback<QList<Models::Server>> &callback);
    void getVipServers(const Network::DataCallback<QList<Models::Server>> &callback);
    void getServerById(int id, const Network::DataCallback<Models::Server> &callback);

    QList<Models::Server> servers() const;
    void clearCache();

signals:
    void serversUpdated(QList<Models::Server> servers);

private:
    ServerService();
    ~ServerService() override;

    QList<Models::Server> m_servers;
};

} // namespace Orvo::Api::Services
