#include "vpn/VpnConnectionState.h"

namespace Orvo::Api::Services {

QString connectionStateText(VpnConnectionState state)
{
    switch (state) {
    case VpnConnectionState::Disconnected:
        return QStringLiteral("未连接");
    case VpnConnectionState::Connecting:
        return QStringLiteral("连接中");
    case VpnConnectionState::Connected:
        return QStringLiteral("已连接");
    case VpnConnectionState::Disconnecting:
        return QStringLiteral("断开中");
    }
    return QStringLiteral("未知");
}

} // namespace Orvo::Api::Services
