#pragma once

#include <QString>

namespace Orvo::Api::Vpn {

// One server's VMess link, as the core's configuration needs it.
struct VmessConfig
{
    QString address;
    int port = 443;
    QString id; // the account's UUID
    int alterId = 0;
    QString security = QStringLiteral("auto");
    QString network = QStringLiteral("tcp");
    QString headerType = QStringLiteral("none");
    QString host;
    QString path;
    QString tls = QStringLiteral("none");
    QString sni;
    QString remark;
    // Set by the connect flow from the routing mode; false routes mainland sites directly.
    bool globalRouting = true;
};

} // namespace Orvo::Api::Vpn
